#pragma once

// The menu model shared by the platform menu managers: the interface of a menu item (the
// invisible controls a form places for its menu, menu_main_button.h), the soft-key tags, and the
// collection of the entries a soft key stands for.
//
// User-interface thread only.

#include "skinner/button_behaviour.h"
#include "skinner/menu_entry.h"

#include <string>
#include <string_view>
#include <vector>

namespace skinner {

class Form;
class ControlButton;
class ShellHooks;

inline constexpr std::u16string_view s_soft_key_tab = u"#smartphone_tab#";

class MenuManager {
public:
    class Item {
    public:
        virtual ~Item() = default;
        // Fills id, text, flags and owner (children are left alone).
        virtual void describe(MenuEntry& entry) const = 0;
        virtual bool is_submenu() const = 0;
        // The item's soft-key tag, or its control name when it has none.
        virtual std::u16string soft_key() const = 0;
        virtual bool is_visible() const = 0;
    };

    // Every entry registered under the tag, in registration order: the form's visible menu items
    // first (a submenu contributes the children its owner fills through on_menu, asked now), then
    // the visible soft-key buttons. key_text gets the first submenu's text when it was empty.
    static std::vector<MenuEntry> collect(
        ShellHooks& hooks, std::u16string_view tag, std::u16string& key_text);

    // The soft key for a tag: the one collected entry itself when there is exactly one; otherwise
    // a popup of the entries whose text is the first submenu's, or, with no submenu (or no entry at
    // all), the skin property "Action" of the form's control "menuSoftButtonOk" (left key) or
    // "menuSoftButtonMenu" (right key), read only while the form has a main menu control (a skin
    // need not name those controls for a form without a menu). form may be null.
    static MenuEntry soft_key(ShellHooks& hooks, const Form* form, std::u16string_view tag);

    // The describing of one item, with its popup filled by its owner when it is a submenu.
    static MenuEntry describe(const Item& item);
    // A soft-key button as an entry: its name, its text, its enabled state, itself as the owner.
    static MenuEntry describe(ControlButton& button);
};

} // namespace skinner
