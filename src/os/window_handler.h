#pragma once

// What a window does with its messages: the window procedure. Forms implement it.

#include "os/window_message.h"

#include <cstdint>

namespace os {

class Window;

class WindowHandler {
public:
    // On the UI thread, for every message the loop dispatches to the window or that is sent to
    // it; returns the message's result (0 when the message means nothing to the handler). It may
    // run a nested loop (a modal form, a message box) before it returns.
    virtual intptr_t on_message(Window& window, const WindowMessage& message) = 0;

protected:
    ~WindowHandler() = default;
};

} // namespace os
