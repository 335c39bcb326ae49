#include "skinner/shell_hooks.h"

#include "skinner/control_button.h"

#include <algorithm>

namespace skinner {

void ShellHooks::add_soft_key(std::u16string_view tag, ControlButton& button)
{
    remove_soft_key(button);
    m_soft_keys.push_back({std::u16string(tag), &button});
    m_changed = true;
}

void ShellHooks::remove_soft_key(const ControlButton& button)
{
    auto removed = std::remove_if(m_soft_keys.begin(), m_soft_keys.end(),
        [&](const SoftKeyItem& item) { return item.button == &button; });
    if (removed == m_soft_keys.end())
        return;
    m_soft_keys.erase(removed, m_soft_keys.end());
    m_changed = true;
}

std::vector<ControlButton*> ShellHooks::soft_keys(std::u16string_view tag) const
{
    std::vector<ControlButton*> result;
    for (const SoftKeyItem& item : m_soft_keys) {
        std::u16string_view own = item.tag.empty() ? std::u16string_view(item.button->name()) : item.tag;
        if (own == tag)
            result.push_back(item.button);
    }
    return result;
}

bool ShellHooks::take_changed()
{
    bool changed = m_changed;
    m_changed = false;
    return changed;
}

void ShellHooks::add_menu_item(MenuManager::Item& item)
{
    remove_menu_item(item);
    m_menu_items.push_back(&item);
    m_changed = true;
}

void ShellHooks::remove_menu_item(const MenuManager::Item& item)
{
    if (std::erase(m_menu_items, &item) > 0)
        m_changed = true;
}

void ShellHooks::watch_ok(ControlButton& button)
{
    if (std::find(m_ok_watchers.begin(), m_ok_watchers.end(), &button) == m_ok_watchers.end())
        m_ok_watchers.push_back(&button);
}

void ShellHooks::unwatch_ok(const ControlButton& button)
{
    std::erase(m_ok_watchers, &button);
}

bool ShellHooks::on_command(uint32_t id)
{
    if (id != s_ok_command)
        return false;
    bool pressed = false;
    std::vector<ControlButton*> watchers = m_ok_watchers;
    for (ControlButton* button : watchers) {
        if (std::find(m_ok_watchers.begin(), m_ok_watchers.end(), button) == m_ok_watchers.end())
            continue;
        button->press();
        pressed = true;
    }
    return pressed;
}

void ShellHooks::request_done_button(bool shown)
{
    m_done_requests += shown ? 1 : -1;
    m_done_requests = std::max(m_done_requests, 0);
}

} // namespace skinner
