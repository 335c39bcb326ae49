#pragma once

// The screen without a display: frames stay in the screen (Screen::frame()), input comes from
// code (HeadlessScreen), and the clock only moves when told to, so tests decide exactly when
// timers and holds fall due. When the loop has nothing to do it asks the idle handler; without
// one, or when the handler answers false, the run is over and the screen quits. Game controllers
// (SDL's, a virtual one in tests) are read whenever the loop looks for input; their held keys
// repeat by this clock.

#include "os/screen/gamepad.h"
#include "os/screen_backend.h"

#include <atomic>
#include <functional>
#include <memory>

namespace os {

class HeadlessBackend final : public ScreenBackend {
public:
    ~HeadlessBackend() override;
    void attach(Screen& screen) override;
    int64_t now_ms() override { return m_now; }
    // The clock starts at noon.
    int32_t minutes_of_day() override { return int32_t((12 * 60 + m_now / 60000) % (24 * 60)); }
    void poll() override;
    bool wait(int64_t deadline_ms) override;
    void wake() override { }
    void present(const Surface&) override { ++m_presented; }
    void set_cursor(Cursor cursor) override { m_cursor = cursor; }
    void resized(Size) override { }
    bool echo_message_boxes() const override { return true; }

    void advance(int64_t ms);
    // The idle handler runs on the UI thread whenever the loop would wait. It injects input,
    // advances the clock, waits for other threads (Screen::wait_for_post) or closes something,
    // and answers true to go on; false ends the run.
    void set_idle_handler(std::function<bool()> handler) { m_idle = std::move(handler); }
    // While the idle handler runs: the clock time the loop would wait until (its next timer),
    // or -1 when no timer is set.
    int64_t idle_deadline() const { return m_idle_deadline; }
    uint64_t presented() const { return m_presented; }
    Cursor shown_cursor() const { return m_cursor; }

private:
    std::atomic<int64_t> m_now {0};
    std::function<bool()> m_idle;
    int64_t m_idle_deadline = -1;
    uint64_t m_presented = 0;
    Cursor m_cursor = Cursor::arrow;
    std::unique_ptr<Gamepads> m_gamepads;
};

} // namespace os
