#pragma once

// A hook on the messages of one form window, seen before the window's own procedure. Any number
// of hooks may watch a window; for each message they are called from the last installed to the
// first, and a hook that clears pass_on keeps the message from the remaining hooks and from the
// window (its result is then the message's result). Otherwise the window handles the message
// after every hook. A hook leaves its window when it is removed, when it is destroyed, and when
// the window goes (the window removes its hooks, last first, as it is destroyed).
//
// User-interface thread only.

#include "liba/nocopy.h"
#include "os/window_message.h"

#include <cstdint>

namespace skinner {

class ControlSubclass : private liba::Nocopy {
public:
    ControlSubclass() = default;
    virtual ~ControlSubclass();

    // Watches the window (leaving the one it watched before).
    void install(os::WindowId window);
    void remove();
    // The watched window; 0 when none.
    os::WindowId hooked_window() const { return m_window; }

    // The window procedure's side: runs the window's hooks on the message.
    static intptr_t run_hooks(os::WindowId window, const os::WindowMessage& message, bool& pass_on);
    // The window goes: every hook of it is removed, last first.
    static void remove_all(os::WindowId window);

protected:
    // pass_on is true on entry.
    virtual intptr_t on_hooked_message(const os::WindowMessage& message, bool& pass_on) = 0;

private:
    os::WindowId m_window = 0;
};

} // namespace skinner
