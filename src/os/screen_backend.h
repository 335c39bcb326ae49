#pragma once

// What the screen needs from the world outside it: a clock, a way to wait for input, a place to
// show frames, a cursor. One small backend per platform (screen/sdl_backend.cpp shows the device
// in a desktop window; screen/headless_backend.cpp keeps everything in memory for tests and
// scripted runs). Backends turn their platform's events into calls of the screen's input_*
// functions. Every call comes from the UI thread except wake().

#include "os/cursor.h"
#include "os/geometry.h"
#include "os/surface.h"

#include <cstdint>

namespace os {

class Screen;

class ScreenBackend {
public:
    virtual ~ScreenBackend() = default;

    // Once, from the screen's constructor, before anything else.
    virtual void attach(Screen& screen) = 0;
    // The screen's clock in milliseconds (it never goes back).
    virtual int64_t now_ms() = 0;
    // Local time of day for the title bar's clock, in minutes since midnight.
    virtual int32_t minutes_of_day() = 0;
    // Feeds the platform events that are waiting to the screen, without blocking.
    virtual void poll() = 0;
    // Nothing is left to do before deadline_ms (-1: no deadline): feeds platform input as it
    // comes and returns after some arrived, at the deadline, or after wake(). False means the
    // run is over (a headless script ended): the screen then quits.
    virtual bool wait(int64_t deadline_ms) = 0;
    // Any thread: a post arrived; make wait() return.
    virtual void wake() = 0;
    virtual void present(const Surface& frame) = 0;
    virtual void set_cursor(Cursor cursor) = 0;
    // The device screen changed size (after input_resize).
    virtual void resized(Size size) = 0;
    // Whether message boxes also go to stderr (runs without a display).
    virtual bool echo_message_boxes() const = 0;
};

} // namespace os
