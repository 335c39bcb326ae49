#include "skinner/menu_manager_impl_smartphone.h"

#include "liba/text.h"
#include "os/keys.h"
#include "os/log.h"
#include "skinner/form.h"
#include "skinner/form_events.h"
#include "skinner/form_impl.h"
#include "skinner/key_codes.h"
#include "skinner/menu_manager.h"

namespace skinner {

namespace {

// The class name as a 10-unit buffer holds it, compared without case.
bool is_text_edit(const os::Window* window)
{
    if (!window)
        return false;
    std::u16string name = window->class_name().substr(0, 9);
    for (char16_t& c : name) {
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - u'a' + u'A');
    }
    return name == u"CAPEDIT" || name == u"EDIT";
}

} // namespace

MenuManagerImplSmartphone::MenuManagerImplSmartphone(FormImpl& window)
    : MenuManagerImplBar(window)
{
}

std::vector<MenuManagerImplBar::Key> MenuManagerImplSmartphone::make_keys()
{
    ShellHooks& hooks = window().shell_hooks();
    Form* owner = form();
    std::vector<Key> keys;
    for (std::u16string_view tag : {s_soft_key_ok, s_soft_key_menu})
        keys.push_back([&hooks, owner, tag] { return MenuManager::soft_key(hooks, owner, tag); });
    return keys;
}

bool MenuManagerImplSmartphone::on_command(const os::WindowMessage& message)
{
    if (message.id != os::WM_HOTKEY)
        return MenuManagerImplBar::on_command(message);
    if (uint32_t(message.wparam) != os::VK_TBACK)
        return false;
    return on_back(!(message.lparam & os::MOD_KEYUP));
}

bool MenuManagerImplSmartphone::on_back(bool down)
{
    os::Window* focus = window().screen().active_window();
    if (is_text_edit(focus)) {
        focus->post(down ? os::WM_KEYDOWN : os::WM_KEYUP, os::VK_BACK);
        return true;
    }
    FormEvents* events = window().events();
    if (!events)
        return false;
    if (down) {
        bool escape = events->on_window_key_down(KeyEscape);
        bool backspace = events->on_window_key_down(KeyBackspace);
        if (!escape && !backspace) {
            os::log() << u"want_to_go_back = true\n";
            m_go_back = true;
        }
        return true;
    }
    events->on_window_key_up(KeyEscape);
    events->on_window_key_up(KeyBackspace);
    if (m_go_back) {
        m_go_back = false;
        os::log() << u"SHSendBackToFocusWindow\n";
        // The shell's back behaviour: the program (its top window, with every window it owns)
        // goes to the background; starting it again brings it back.
        os::Window* top = &window().window();
        while (top->owner())
            top = top->owner();
        top->minimize();
    }
    return true;
}

} // namespace skinner
