#pragma once

// The notifications that climb from controls to forms. Every control and every container is a
// Listener: a control passes a notification it does not handle to its container (the same slot,
// the same arguments), and a container passes it to its own listener object, when it has one; a
// container without a listener drops it. Classes that want an event override its slot. So a
// button's click reaches the panel or form that owns the button, and a command raised anywhere
// climbs to the form.
//
// Every notification does nothing and answers 0 here. A control's own on_child_focused does nothing
// either (a panel answers it by taking the focus in its own container; see ControlPanel); a
// container passes it on like the others.
//
// User-interface thread only.

#include "skinner/geometry.h"

#include <cstdint>
#include <string_view>

namespace skinner {

class Control;
struct GridEdit;
struct MenuEntry;

// A tap that ended on a grid cell (or the header): where the press and the release met.
struct GridClick {
    int32_t column = -1;
    int32_t row = -1;
    Point offset; // of the point inside the cell
    Point point; // window coordinates
    bool double_tap = false; // the press that ended in this release was a double tap
};

class Listener {
public:
    virtual ~Listener() = default;

    // A control was clicked; a button passes the point of the tap (window coordinates).
    virtual int32_t on_child_click(Control& control, Point argument);
    // A grid row was tapped; the click's double_tap flag asks for the row to be activated.
    virtual int32_t on_cell_click(Control& grid, const GridClick& click);
    // A grid row was held.
    virtual int32_t on_cell_hold(Control& grid, const GridClick& click);
    // An in-place edit of a grid cell ended.
    virtual int32_t on_edit_finished(Control& grid, const GridEdit& edit);
    // A scroll bar moved to a new position.
    virtual int32_t on_scroll(Control& bar, int32_t position);
    // A command by name (a button's name, a soft key, a menu entry...).
    virtual int32_t on_command(std::u16string_view command);
    // The user drags a control towards a value; the owner decides whether to take it.
    virtual int32_t on_child_value(Control& control, double value);
    // A control's value changed.
    virtual int32_t on_value_changed(Control& control);
    // A grid's header was tapped.
    virtual int32_t on_header_click(Control& grid, const GridClick& click);
    // A grid's header was held.
    virtual int32_t on_header_hold(Control& grid, const GridClick& click);
    // A control's selection changed.
    virtual int32_t on_selection_changed(Control& control);
    // A control of the container has just taken the focus.
    virtual int32_t on_child_focused();
    // A menu is about to open and may be filled.
    virtual int32_t on_menu(MenuEntry& menu);
};

} // namespace skinner
