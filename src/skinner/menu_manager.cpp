#include "skinner/menu_manager.h"

#include "skinner/control.h"
#include "skinner/control_button.h"
#include "skinner/form.h"
#include "skinner/properties.h"
#include "skinner/shell_hooks.h"

namespace skinner {

namespace {

// Entries the form added without an owner belong to the submenu's owner, at every depth.
void adopt(std::vector<MenuEntry>& entries, Control* owner)
{
    for (MenuEntry& entry : entries) {
        if (!entry.owner)
            entry.owner = owner;
        adopt(entry.children, entry.owner);
    }
}

} // namespace

MenuEntry MenuManager::describe(const Item& item)
{
    MenuEntry entry;
    item.describe(entry);
    if (item.is_submenu() && entry.owner) {
        // The owner (and through it the form) fills the popup as it is now.
        entry.owner->on_menu(entry);
        adopt(entry.children, entry.owner);
    }
    return entry;
}

MenuEntry MenuManager::describe(ControlButton& button)
{
    MenuEntry entry;
    entry.id = button.name();
    entry.text = button.text();
    entry.enabled = button.is_enabled();
    entry.owner = &button;
    return entry;
}

std::vector<MenuEntry> MenuManager::collect(
    ShellHooks& hooks, std::u16string_view tag, std::u16string& key_text)
{
    std::vector<MenuEntry> result;
    std::vector<Item*> items = hooks.menu_items();
    for (Item* item : items) {
        if (item->soft_key() != tag || !item->is_visible())
            continue;
        MenuEntry entry = describe(*item);
        if (!item->is_submenu()) {
            result.push_back(std::move(entry));
            continue;
        }
        if (key_text.empty())
            key_text = entry.text;
        for (MenuEntry& child : entry.children)
            result.push_back(std::move(child));
    }
    for (ControlButton* button : hooks.soft_keys(tag)) {
        if (!button->is_visible())
            continue;
        result.push_back(describe(*button));
    }
    return result;
}

MenuEntry MenuManager::soft_key(ShellHooks& hooks, const Form* form, std::u16string_view tag)
{
    std::u16string text;
    std::vector<MenuEntry> entries = collect(hooks, tag, text);
    if (entries.size() == 1)
        return std::move(entries.front());
    MenuEntry key;
    key.id = std::u16string(tag);
    key.children = std::move(entries);
    if (text.empty() && form && form->menu_main() && form->properties()) {
        std::u16string_view control = tag == s_soft_key_ok ? u"menuSoftButtonOk" : u"menuSoftButtonMenu";
        text = form->properties()->get_string(form->form_name(), control, u"Action", text);
    }
    key.text = std::move(text);
    return key;
}

} // namespace skinner
