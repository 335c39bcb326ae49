#pragma once

// The working display power manager. It hooks the form window's messages (it never keeps one
// from the form) and runs a one-second timer on the window:
//   - a stylus-down or key-down (a Pocket PC form key or the Back key too) logs
//     "PowerManagerImpl interesting message", switches the display on and restarts the idle count;
//   - on its timer tick: when the form's window (or a window it owns) is not the active one, or
//     the display is off, the idle count restarts; otherwise, with an interval set, an idle count
//     beyond the interval logs "PowerManagerImpl time.elapsed() > interval" and switches the
//     display off. So the display goes off at the first tick after the interval, within
//     interval + 1 s.
// The display is the screen's power state (os::Screen::set_power) and, when MELODECK_BACKLIGHT
// names a backlight device, that device's brightness too (0 while off, its old value after).
//
// User-interface thread only.

#include "os/backlight.h"
#include "skinner/control_subclass.h"
#include "skinner/power_manager_impl.h"

#include <cstdint>
#include <optional>

namespace skinner {

class PowerManagerImplPocket : public PowerManagerImpl, private ControlSubclass {
public:
    // Interval 0, the idle count started, the window hooked and the timer running.
    explicit PowerManagerImplPocket(Form& form);
    // Stops the timer and removes the hook.
    ~PowerManagerImplPocket() override;

    // Switching on restarts the idle count.
    void set_display(bool on) override;
    bool is_display_on() const override;
    void set_interval(double seconds) override { m_interval = seconds; }
    void reset() override { restart(); }

    double interval() const { return m_interval; }
    // Seconds since the last user activity.
    double elapsed() const;
    uint32_t timer_id() const { return m_timer; }
    bool has_backlight() const { return m_backlight.has_value(); }

private:
    intptr_t on_hooked_message(const os::WindowMessage& message, bool& pass_on) override;
    void on_tick();
    bool form_in_front() const;
    void restart();
    double now_ms() const;

    double m_interval = 0;
    double m_last_activity = 0; // the tick count of the last user activity, in milliseconds
    uint32_t m_timer = 0;
    std::optional<os::Backlight> m_backlight;
};

} // namespace skinner
