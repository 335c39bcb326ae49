#include "skinner/popup_menu.h"

#include "skinner/control.h"
#include "skinner/form.h"
#include "skinner/form_impl.h"
#include "skinner/menu_command_table.h"

namespace skinner {

namespace {

// The platform window showing the control: that of the form whose window the control draws in.
os::Window* window_of(const Control& control)
{
    for (Form* form : Form::forms()) {
        if (&form->impl() == &control.window())
            return &form->impl().window();
    }
    return nullptr;
}

} // namespace

void popup_menu(Control& owner, Point point, std::vector<MenuEntry> entries)
{
    os::Window* window = window_of(owner);
    if (!window || entries.empty())
        return;
    MenuCommandTable table;
    std::vector<MenuPopupItem> items = number_entries(entries, table, &owner);
    os::Point at {window->rect().left() + point.x, window->rect().top() + point.y};
    uint32_t command = MenuPopup::run(*window, items, {at, {0, 0}}, MenuPlacement::below);
    // The table forgets owners destroyed while the menu was open.
    std::optional<MenuCommandTable::Row> row = table.find(command);
    if (row && row->owner)
        row->owner->on_command(row->id);
}

std::vector<MenuPopupItem> number_entries(
    const std::vector<MenuEntry>& entries, MenuCommandTable& table, Control* default_owner)
{
    std::vector<MenuPopupItem> items;
    for (size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry& entry = entries[i];
        MenuPopupItem item;
        item.text = entry.text;
        item.shortcut = entry.shortcut;
        item.enabled = entry.enabled;
        item.checked = entry.checked;
        item.separator_after = entry.separator_after && i + 1 < entries.size();
        if (entry.is_popup())
            item.children = number_entries(entry.children, table, default_owner);
        else
            item.command = table.add(entry.id, entry.owner ? entry.owner : default_owner);
        items.push_back(std::move(item));
    }
    return items;
}

} // namespace skinner
