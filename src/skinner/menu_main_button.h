#pragma once

// A menu item of a form: an invisible control placed in the form like any other, standing for one
// entry of the menu bar or of a soft key. Its control name is the entry's id; choosing the entry
// sends that id to the control's on_command, which climbs to the form. The item is registered with
// its window's shell hooks while it exists; creating, destroying it and changing what it shows
// (text, flags, visibility, enabled state) mark the menu changed, so the next refresh of the menu
// manager rebuilds the bar.
//
// User-interface thread only.

#include "skinner/control.h"
#include "skinner/menu_manager.h"

#include <string>
#include <string_view>

namespace skinner {

class MenuMainButton : public Control, private MenuManager::Item {
public:
    // soft_key: the tag of the soft key the item belongs to ("#smartphone_ok#",
    // "#smartphone_menu#"); empty: the item answers to its own name.
    MenuMainButton(Container& container, std::u16string_view name, std::u16string_view text,
        std::u16string_view soft_key = {}, LookupMode mode = LookupMode::none);
    ~MenuMainButton() override;

    // Marks the menu changed when the item appears, disappears, is enabled or disabled.
    void on_show(bool visible) override;
    void on_enable(bool enabled) override;

    void set_text(std::u16string_view text);
    // Shown after the text, after a tab.
    void set_extra_text(std::u16string_view text);
    void set_checked(bool checked);
    void set_separator_after(bool separator);
    void set_image_index(int32_t index);

    const std::u16string& text() const { return m_text; }
    const std::u16string& extra_text() const { return m_extra_text; }
    bool checked() const { return m_checked; }
    MenuManager::Item& item() { return *this; }

protected:
    void describe(MenuEntry& entry) const override;
    bool is_submenu() const override { return false; }
    std::u16string soft_key() const override;
    bool is_visible() const override { return Control::is_visible(); }

private:
    void changed();

    std::u16string m_text;
    std::u16string m_extra_text;
    bool m_separator_after = false;
    bool m_checked = false;
    int32_t m_image_index = -1;
    std::u16string m_soft_key;
};

// A menu item that opens a popup: its owner (and through it the form) fills the popup through
// on_menu each time it opens.
class MenuMainSubMenu : public MenuMainButton {
public:
    using MenuMainButton::MenuMainButton;

protected:
    bool is_submenu() const override { return true; }
};

} // namespace skinner
