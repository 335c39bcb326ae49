#pragma once

// What a form's window procedure (FormImpl) asks of the form that owns the window. Form answers
// with its container operations; the window side never sees controls. Each call comes from the
// window procedure on the user-interface thread, in the middle of a message: a call may run a
// nested modal loop before it returns.
//
// Points and sizes are client pixels of the form's window; keys are the framework's key codes
// (os::translate_key); pointer buttons are 0 (a stylus tap) and 2 (a tap-and-hold).

#include "skinner/canvas.h"
#include "skinner/form_placement.h"
#include "skinner/geometry.h"

#include <cstdint>
#include <string_view>

namespace skinner {

class FormEvents {
public:
    // The window's client area has this size now (the container is laid out anew).
    virtual void on_window_size(Size size) = 0;
    // The window became active, or stopped being.
    virtual void on_window_activate(bool active) = 0;
    // Asked on a close request: false keeps the form open.
    virtual bool on_window_can_close() = 0;
    // A command that comes from the system rather than from a control ("#ScreenResolution#").
    virtual void on_window_command(std::u16string_view command) = 0;
    // Text handed over by another copy of the program (its command line).
    virtual void on_window_command_line(std::u16string_view text) = 0;
    // Keys and characters: true when handled.
    virtual bool on_window_key_down(int32_t key) = 0;
    virtual bool on_window_key_up(int32_t key) = 0;
    virtual bool on_window_char(std::u16string_view text) = 0;
    virtual void on_window_timer(uint32_t id) = 0;
    // Whether the control at the point turns a tap-and-hold into button 2.
    virtual bool on_window_wants_gesture(Point point) = 0;
    virtual void on_window_mouse_down(int32_t button, Point point, bool double_click) = 0;
    virtual void on_window_mouse_up(int32_t button, Point point) = 0;
    virtual void on_window_mouse_move(Point point) = 0;
    // Draws the form into canvas: its background over the whole form, then what lies in dirty
    // (canvas coordinates are client coordinates; the canvas is clipped to dirty).
    virtual void on_window_paint(Canvas& canvas, const Rect& dirty) = 0;
    // What placing the window needs to know (form_placement.h).
    virtual FormPlacement window_placement() = 0;
    // Whether the form has a main menu control, so that its bar follows every message.
    virtual bool has_menu_main() const = 0;

protected:
    ~FormEvents() = default;
};

} // namespace skinner
