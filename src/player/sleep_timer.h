#pragma once

// The sleep timer: after 15, 30 or 60 minutes the sound fades to silence over 10 s and playback
// pauses; or playback stops when the current track ends. It is not a setting: every run starts
// with it off. It runs on the screen's clock whatever plays, across track changes, "Stop" and
// pauses, until it runs out or the user switches it off; running out switches it off.
//
// SleepTimer is the clock arithmetic alone (times passed in, milliseconds of a monotonic clock);
// the main form turns its answers into volume, pause and stop. UserActivityHook tells the form of
// every key, tap or button on its window, so that any of them during the fade starts the same
// timer again.
//
// User-interface thread only.

#include "skinner/control_subclass.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

namespace player {

enum class SleepMode { off, minutes_15, minutes_30, minutes_60, end_of_track };

struct SleepChoice {
    SleepMode mode;
    std::u16string_view command; // the menu command
    std::u16string_view caption; // its caption key
    int64_t minutes; // 0: not timed
};

// The entries of the "Sleep" submenu, in menu order.
inline constexpr std::array<SleepChoice, 5> s_sleep_choices {{
    {SleepMode::off, u"Sleep_off", u"Menu_Sleep_off", 0},
    {SleepMode::minutes_15, u"Sleep_15min", u"Menu_Sleep_15min", 15},
    {SleepMode::minutes_30, u"Sleep_30min", u"Menu_Sleep_30min", 30},
    {SleepMode::minutes_60, u"Sleep_60min", u"Menu_Sleep_60min", 60},
    {SleepMode::end_of_track, u"Sleep_end_of_track", u"Menu_Sleep_end_of_track", 0},
}};

// The choice of a menu command; null for any other command.
const SleepChoice* find_sleep_choice(std::u16string_view command);

class SleepTimer {
public:
    static constexpr int64_t s_fade_ms = 10000;

    // What the timer asks for at a moment.
    struct Step {
        enum Kind { none, fade, run_out } kind = none;
        // While fading: the share of the volume left, from 1.0 at the start down to 0.0.
        double volume = 1.0;
    };

    // Starts the mode from now (off stops the timer).
    void start(SleepMode mode, int64_t now_ms);
    // The same mode again from now: what a key during the fade does.
    void restart(int64_t now_ms) { start(m_mode, now_ms); }
    SleepMode mode() const { return m_mode; }
    bool is_timed() const;
    // A timed timer has run out and the fade is under way (or over, until step() reports it).
    bool is_fading(int64_t now_ms) const;
    // Whole minutes left before the fade, rounded up (0 while fading); -1 when not timed.
    int32_t minutes_left(int64_t now_ms) const;
    // fade while the fade runs; run_out once it has run its course, the timer then being off.
    Step step(int64_t now_ms);

private:
    SleepMode m_mode = SleepMode::off;
    int64_t m_end_ms = 0; // when the fade starts
};

// Watches the form window for the user's keys (form keys and hardware buttons included) and
// stylus presses; the messages go on to the form untouched.
class UserActivityHook : private skinner::ControlSubclass {
public:
    UserActivityHook(os::WindowId window, std::function<void()> on_activity);

private:
    intptr_t on_hooked_message(const os::WindowMessage& message, bool& pass_on) override;

    std::function<void()> m_on_activity;
};

} // namespace player
