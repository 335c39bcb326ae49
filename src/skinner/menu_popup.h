#pragma once

// A popup menu of the emulated shell: an os popup window owned by the window it opens for, drawn
// here (white box, one row per entry: a check mark column, the text, the shortcut right-aligned,
// an arrow for a submenu; greyed when disabled; a line under an entry with a separator after it).
// It opens upward from the bar item it belongs to, downward from a point (a pop-up menu of a
// form) or beside the row of its parent (a submenu), takes the keys and the pointer capture, and
// runs its own loop until it ends:
//   - Up / Down move the highlight over the enabled entries (wrapping); Enter or Space chooses
//     the highlighted entry, or opens its submenu; Right opens a submenu, Left and Escape (the
//     Back key on a Smartphone) close the current level;
//   - a tap on an entry chooses it (or opens its submenu); a tap outside every open popup closes
//     them all; losing the pointer capture to another window closes them too.
//
// User-interface thread only; run() nests a message loop.

#include "liba/nocopy.h"
#include "os/window.h"
#include "os/window_handler.h"

#include <cstdint>
#include <string>
#include <vector>

namespace skinner {

struct MenuPopupItem {
    std::u16string text;
    std::u16string shortcut;
    bool enabled = true;
    bool checked = false;
    bool separator_after = false;
    uint32_t command = 0; // what run() returns when the entry is chosen
    std::vector<MenuPopupItem> children;
};

// Where a popup opens relative to its anchor rectangle (screen coordinates).
enum class MenuPlacement {
    above, // its bottom on the anchor's top, from the anchor's left (a bar key's popup)
    beside, // right of the anchor, or left of it without room, bottoms aligned (a submenu)
    below, // its top-left corner on the anchor's (a pop-up menu at a point)
};

class MenuPopup : private os::WindowHandler, private liba::Nocopy {
public:
    // Shows the entries at anchor (screen coordinates) and returns the chosen entry's command, or
    // 0 when the popup was closed without a choice (or had no entry, or the screen quit). A popup
    // below a point stays inside the work area (between the shell's bars), the others inside the
    // screen.
    static uint32_t run(os::Window& owner, const std::vector<MenuPopupItem>& items, const os::Rect& anchor,
        MenuPlacement placement = MenuPlacement::above);

    struct Layout {
        os::Rect box; // screen coordinates
        std::vector<os::Rect> rows; // client coordinates, one per item
        int32_t text_size = 0;
    };
    // The box stays inside room (the whole screen when room is empty), moved as far as needed and
    // cut to it; rows that do not fit are cut off.
    static Layout layout(os::Size screen, const std::vector<MenuPopupItem>& items, const os::Rect& anchor,
        MenuPlacement placement, os::Rect room = {});

    // The innermost popup open now, or null; what the user sees highlighted there.
    static MenuPopup* innermost();
    const os::Window& window() const { return m_window; }
    const std::vector<MenuPopupItem>& items() const { return m_items; }
    int32_t selected() const { return m_selected; }
    const Layout& current_layout() const { return m_layout; }

private:
    enum class End { open, chosen, cancelled, back, outside };
    struct Result {
        End end = End::cancelled;
        uint32_t command = 0;
        os::Point outside; // screen point of a tap outside (End::outside)
    };

    MenuPopup(
        os::Window& owner, const std::vector<MenuPopupItem>& items, const Layout& layout, MenuPopup* parent);
    ~MenuPopup();

    Result loop();
    intptr_t on_message(os::Window& window, const os::WindowMessage& message) override;
    void key_down(uint32_t key);
    void pointer_down(os::Point client);
    void pointer_up(os::Point client);
    int32_t row_at(os::Point client) const;
    void move_selection(int32_t step);
    void select(int32_t row);
    // Chooses the row or opens its submenu.
    void activate(int32_t row);
    void open_child(int32_t row);
    void finish(End end, uint32_t command = 0);
    void paint();

    const std::vector<MenuPopupItem>& m_items;
    MenuPopup* m_parent;
    Layout m_layout;
    int32_t m_selected = -1;
    bool m_child_open = false;
    bool m_pressed = false;
    Result m_result;
    bool m_ended = false;
    os::Window m_window;
};

} // namespace skinner
