#pragma once

// The Pocket PC menu manager: the command bar at the bottom of the screen. It shows one key per
// visible menu item or soft-key button of the window, in registration order; an item that is a
// submenu opens its popup, any other is delivered as a command. With the OK variant (system
// version 5 and later) the two soft keys ("#smartphone_ok#", "#smartphone_menu#" collections)
// come first, so that F1 and F2 press them, and the items under those tags appear only there.
//
// Each manager holding a bar takes a resource id from its variant's pool (117 to 121, or 1117 to
// 1121 with the OK button) when it first builds a bar with keys for a form with a main menu control, and
// gives it back when it is destroyed; with the pool empty it stops with a fatal error.
//
// A key whose item has an image index shows a picture instead of its text: square number index
// (from 0, left to right) of the form's picture "MenuImages", a strip of square pictures as high
// as each is wide, drawn on the bar's colour and made smaller when the bar is lower than that.
// Without the strip, or with an index beyond it, "ERROR: Toolbar image failed to load" is logged
// and the key shows its text.
//
// User-interface thread only.

#include "skinner/menu_manager_impl_bar.h"

#include <cstdint>

namespace skinner {

class MenuManagerImplPocket : public MenuManagerImplBar {
public:
    MenuManagerImplPocket(FormImpl& window, bool with_ok);
    ~MenuManagerImplPocket() override;

    bool with_ok() const { return m_with_ok; }
    // The id taken from the pool; 0 until then.
    int32_t bar_id() const { return m_bar_id; }

protected:
    std::vector<Key> make_keys() override;
    void on_rebuilt(size_t keys) override;
    std::shared_ptr<const os::Surface> key_image(const MenuEntry& key) override;

private:
    bool m_with_ok;
    int32_t m_bar_id = 0;
};

} // namespace skinner
