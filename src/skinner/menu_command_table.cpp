#include "skinner/menu_command_table.h"

#include "skinner/control.h"

namespace skinner {

uint32_t MenuCommandTable::add(std::u16string id, Control* owner)
{
    m_ids.push_back(std::move(id));
    m_owners.push_back(owner_of(owner));
    return s_first_menu_command + uint32_t(m_ids.size() - 1);
}

void MenuCommandTable::set(uint32_t command, std::u16string id, Control* owner)
{
    if (command < s_first_menu_command || command - s_first_menu_command >= m_ids.size())
        return;
    size_t row = command - s_first_menu_command;
    m_ids[row] = std::move(id);
    m_owners[row] = owner_of(owner);
}

void MenuCommandTable::cut(size_t count)
{
    if (count >= m_ids.size())
        return;
    m_ids.resize(count);
    m_owners.resize(count);
}

std::optional<MenuCommandTable::Row> MenuCommandTable::find(uint32_t command) const
{
    if (command < s_first_menu_command || command - s_first_menu_command >= m_ids.size())
        return std::nullopt;
    size_t row = command - s_first_menu_command;
    const Owner& owner = m_owners[row];
    return Row {m_ids[row], owner.life.expired() ? nullptr : owner.control};
}

MenuCommandTable::Owner MenuCommandTable::owner_of(Control* control)
{
    return control ? Owner {control, control->life()} : Owner {};
}

} // namespace skinner
