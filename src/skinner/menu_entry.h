#pragma once

// One entry of a menu as the menu manager hands it to the shell: a command (chosen, it reaches its
// owner control's on_command with the id) or, when it has children, a popup of them.

#include <cstdint>
#include <string>
#include <vector>

namespace skinner {

class Control;

struct MenuEntry {
    std::u16string id;
    std::u16string text;
    // Shown after a tab, right-aligned in a popup.
    std::u16string shortcut;
    bool enabled = true;
    bool separator_after = false;
    bool checked = false;
    int32_t image_index = -1; // -1: none
    // The control whose on_command receives the id; may be null for a popup without a command.
    Control* owner = nullptr;
    std::vector<MenuEntry> children;

    bool is_popup() const { return !children.empty(); }
};

} // namespace skinner
