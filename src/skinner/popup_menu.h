#pragma once

// A pop-up menu at a point of a form (a list row's pick menu, a context menu): the entries as a
// MenuPopup opened downward from the point, run modally (a nested loop) with the keys and the
// stylus of the bar's popups. The chosen entry's id is raised as a command on its owner control
// (the entry's own, else the control the menu belongs to), which passes it on to its container
// and so to the form's on_command. Closing the menu without a choice (a tap outside it, Escape,
// the screen quitting) raises nothing.
//
// User-interface thread only.

#include "skinner/geometry.h"
#include "skinner/menu_entry.h"
#include "skinner/menu_popup.h"

#include <vector>

namespace skinner {

class Control;
class MenuCommandTable;

// point: in owner's window coordinates. Returns when the menu has closed (and the command, if
// any, has been handled). Nothing happens when owner is not shown by a form's window or entries
// is empty; a command whose owner is destroyed while the menu is open is dropped.
void popup_menu(Control& owner, Point point, std::vector<MenuEntry> entries);

// The popup's rows for entries: each entry without children is appended to table (its id, and
// its owner or default_owner when it has none) and carries the command number it got; an entry
// with children becomes a submenu of its numbered children. A separator after the last entry of
// a level is dropped.
std::vector<MenuPopupItem> number_entries(
    const std::vector<MenuEntry>& entries, MenuCommandTable& table, Control* default_owner = nullptr);

} // namespace skinner
