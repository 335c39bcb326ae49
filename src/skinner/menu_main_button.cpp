#include "skinner/menu_main_button.h"

#include "skinner/control_window.h"
#include "skinner/shell_hooks.h"

namespace skinner {

MenuMainButton::MenuMainButton(Container& container, std::u16string_view name, std::u16string_view text,
    std::u16string_view soft_key, LookupMode mode)
    : Control(container, name, mode)
    , m_text(text)
    , m_soft_key(soft_key)
{
    window().shell_hooks().add_menu_item(*this);
}

MenuMainButton::~MenuMainButton()
{
    window().shell_hooks().remove_menu_item(*this);
}

void MenuMainButton::on_show(bool visible)
{
    Control::on_show(visible);
    changed();
}

void MenuMainButton::on_enable(bool enabled)
{
    Control::on_enable(enabled);
    changed();
}

void MenuMainButton::set_text(std::u16string_view text)
{
    m_text = text;
    changed();
}

void MenuMainButton::set_extra_text(std::u16string_view text)
{
    m_extra_text = text;
    changed();
}

void MenuMainButton::set_checked(bool checked)
{
    m_checked = checked;
    changed();
}

void MenuMainButton::set_separator_after(bool separator)
{
    m_separator_after = separator;
    changed();
}

void MenuMainButton::set_image_index(int32_t index)
{
    m_image_index = index;
    changed();
}

void MenuMainButton::describe(MenuEntry& entry) const
{
    entry.id = name();
    entry.text = m_text;
    entry.shortcut = m_extra_text;
    entry.enabled = is_enabled();
    entry.separator_after = m_separator_after;
    entry.checked = m_checked;
    entry.image_index = m_image_index;
    entry.owner = const_cast<MenuMainButton*>(this);
}

std::u16string MenuMainButton::soft_key() const
{
    return m_soft_key.empty() ? name() : m_soft_key;
}

void MenuMainButton::changed()
{
    window().shell_hooks().mark_changed();
}

} // namespace skinner
