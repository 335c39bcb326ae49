#pragma once

// A screen without a display, driven by code: tests, --screenshot and scripted runs. The
// injection functions queue input exactly as the desktop backend would report it (time-stamped
// with the screen's clock, which only advance() moves); the loop takes it from there.
//
//     os::HeadlessScreen screen({240, 320});
//     ... create and show windows ...
//     screen.tap({20, 40});
//     screen.dispatch_pending();          // delivers the tap, paints, shows the frame
//     const os::Surface& picture = screen.frame();

#include "os/cursor.h"
#include "os/screen.h"

#include <functional>
#include <string>
#include <vector>

namespace os {

class HeadlessBackend;

class HeadlessScreen : public Screen {
public:
    explicit HeadlessScreen(Size size = {480, 640});

    // The clock (milliseconds); timers and holds fall due as it moves.
    void advance(int64_t ms);
    // See HeadlessBackend::set_idle_handler: what to do whenever a loop runs out of work.
    void set_idle_handler(std::function<bool()> handler);
    // Inside the idle handler: the clock time of the next timer, or -1 when none is set.
    int64_t idle_deadline() const;

    // The stylus, in device-screen pixels.
    void press(Point point);
    void release(Point point);
    void move_to(Point point);
    void tap(Point point);
    // Press, s_hold_ms on the clock, release.
    void hold(Point point);
    // The right button, standing for a tap-and-hold.
    void right_tap(Point point);

    void key_down(uint32_t virtual_key);
    void key_up(uint32_t virtual_key);
    void key(uint32_t virtual_key);
    void type(std::u16string_view text);

    void resize(Size size);
    void copy_data(std::u16string class_name, uintptr_t data_word, std::vector<uint8_t> bytes);

    uint64_t frames_presented() const;
    Cursor shown_cursor() const;

private:
    HeadlessBackend& headless();
    const HeadlessBackend& headless() const;
};

} // namespace os
