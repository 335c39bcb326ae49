#pragma once

// What controls need from the window that shows them. Every container of a form (the form itself
// and the inner containers of its panels) shares the form's window object; the form implements
// this on top of its os::Window. Coordinates are window (client) coordinates.
//
// User-interface thread only.

#include "skinner/device.h"
#include "skinner/font.h"
#include "skinner/geometry.h"
#include "skinner/skin_names.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace skinner {

class ShellHooks;

class ControlWindow {
public:
    virtual ~ControlWindow() = default;

    // Adds the rectangle to the dirty area (bounding box union) that the next paint redraws.
    virtual void invalidate(const Rect& rect) = 0;
    // The pointer's shape over the window; none is the default arrow.
    virtual void set_cursor(std::optional<Cursor> cursor) = 0;

    // A repeating timer of seconds (x 1000, truncated to milliseconds) whose ticks come back as the
    // form's on_timer(id). The id comes from allocate_timer_id(): unique in the process, never 0.
    virtual uint32_t start_timer(double seconds) = 0;
    // Id 0 means none and is ignored, as is an id that is not running.
    virtual void kill_timer(uint32_t id) = 0;

    // Whether Shift (KeyShift), Control (KeyControl) or Alt (KeyAlt) is held down now.
    virtual bool key_state(int32_t key) const = 0;

    virtual DeviceKind device_kind() const = 0;
    // The operating system's major version: the handheld shell changed its soft keys and its done
    // button at 5.
    virtual int32_t os_major_version() const = 0;

    // The font of texts that the skin gives none for ("32 0 0 0 Tahoma" at the skin's scale).
    virtual const Font& default_font() const = 0;

    // The window's title, shown by the shell's title bar.
    virtual void set_title(std::u16string_view title) = 0;
    // Asks the shell's title bar to show the current title again (Smartphone caption buttons).
    virtual void refresh_title_bar() = 0;
    // Posts the close request to the window: the form closes when it agrees (can_close).
    virtual void post_close() = 0;
    // The window's identity in log lines.
    virtual uint64_t log_handle() const = 0;

    // What buttons register with the shell: soft-key items, OK-command watches, the done button.
    virtual ShellHooks& shell_hooks() = 0;

    // The next timer id of the process: 1, 2, 3... skipping 0 when the count wraps.
    static uint32_t allocate_timer_id();
};

} // namespace skinner
