#include "skinner/menu_manager_impl_bar.h"

#include "skinner/control.h"
#include "skinner/form.h"
#include "skinner/form_impl.h"
#include "skinner/popup_menu.h"

namespace skinner {

MenuManagerImplBar::MenuManagerImplBar(FormImpl& window)
    : m_window(window)
    , m_self(std::make_shared<MenuManagerImplBar*>(this))
{
}

MenuManagerImplBar::~MenuManagerImplBar()
{
    // Made before the window, the manager goes before it too: the window is still there.
    m_window.window().set_bar_items({});
}

Form* MenuManagerImplBar::form() const
{
    for (Form* form : Form::forms()) {
        if (&form->impl() == &m_window)
            return form;
    }
    return nullptr;
}

void MenuManagerImplBar::rebuild()
{
    m_dirty = false;
    m_window.shell_hooks().take_changed();
    size_t before = m_keys.size();
    m_keys = make_keys();
    // With the same number of keys the numbers of an open popup's entries stay valid.
    if (m_keys.size() != before) {
        m_table.clear();
        m_popup.clear();
    }
    std::vector<os::BarItem> bar;
    for (size_t i = 0; i < m_keys.size(); ++i) {
        MenuEntry key = m_keys[i]();
        if (i < m_table.size())
            m_table.set(s_first_menu_command + uint32_t(i), key.id, key.owner);
        else
            m_table.add(key.id, key.owner);
        os::BarItem item;
        item.text = key.text;
        item.image = key_image(key);
        item.enabled = key.enabled;
        item.on_choose = [self = std::weak_ptr<MenuManagerImplBar*>(m_self), i](const os::Rect& rect) {
            if (std::shared_ptr<MenuManagerImplBar*> manager = self.lock())
                (*manager)->choose(i, rect);
        };
        bar.push_back(std::move(item));
    }
    on_rebuilt(m_keys.size());
    m_window.window().set_bar_items(std::move(bar));
}

void MenuManagerImplBar::show()
{
    refresh();
}

void MenuManagerImplBar::refresh()
{
    // Both flags are consumed: a change seen now is built now.
    bool changed = m_window.shell_hooks().take_changed();
    if (m_dirty || changed)
        rebuild();
}

void MenuManagerImplBar::choose(size_t index, const os::Rect& anchor)
{
    if (index >= m_keys.size())
        return;
    uint32_t command = s_first_menu_command + uint32_t(index);
    os::Window& window = m_window.window();
    window.send(WM_INITMENUPOPUP, command);
    if (!m_popup.empty()) {
        // The popup is a copy: a rebuild while it is open must not pull its entries away.
        std::vector<MenuPopupItem> popup = m_popup;
        command = MenuPopup::run(window, popup, anchor);
    }
    if (command != 0)
        window.send(WM_COMMAND, command);
}

bool MenuManagerImplBar::on_popup_init(const os::WindowMessage& message)
{
    uint32_t command = uint32_t(message.wparam);
    if (command < s_first_menu_command || command - s_first_menu_command >= m_keys.size())
        return false;
    m_table.cut(m_keys.size());
    m_popup.clear();
    MenuEntry key = m_keys[command - s_first_menu_command]();
    m_table.set(command, key.id, key.owner);
    m_popup = number_entries(key.children, m_table);
    return true;
}

bool MenuManagerImplBar::on_command(const os::WindowMessage& message)
{
    if (message.id != WM_COMMAND)
        return false;
    std::optional<MenuCommandTable::Row> row = m_table.find(uint32_t(message.wparam & 0xFFFF));
    if (!row || !row->owner)
        return false;
    row->owner->on_command(row->id);
    return true;
}

} // namespace skinner
