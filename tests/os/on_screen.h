#pragma once

// A fixture for the screen suites: a portrait Pocket PC screen for the windows of a test.

#include "support/window_recorder.h"

#include "os/screen/headless_screen.h"

#include <gtest/gtest.h>

namespace test {

class OnScreen : public testing::Test {
protected:
    // Delivers what creating and showing the windows sent, and forgets it.
    template<class... Windows> void settle(Windows&... windows)
    {
        screen.dispatch_pending();
        (windows.recorder.log.clear(), ...);
    }
    // Lets the screen's clock run on by ms and delivers what came due.
    void pass(int64_t ms)
    {
        screen.advance(ms);
        screen.dispatch_pending();
    }

    os::HeadlessScreen screen {os::Size {240, 320}};
};

} // namespace test
