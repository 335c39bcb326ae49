#pragma once

// The bookkeeping of what a form's buttons ask of the handheld shell, kept by the form's window
// (ControlWindow::shell_hooks) for the menu manager and the window procedure to act on:
//   - menu items: the form's menu controls (menu_main_button.h), in registration order;
//   - soft-key items: buttons that the soft keys stand for, each under a tag ("#smartphone_ok#" for
//     the left key, "#smartphone_menu#" for the right one); an item with an empty tag answers to
//     its button's name;
//   - OK watches: buttons pressed when the window gets the shell's OK command (identifier 1);
//   - the shell's done button, shown while at least one button asks for it.
// Buttons register when their behaviour is created and unregister when it is destroyed, so the
// hooks never point at a button that is gone.
//
// User-interface thread only.

#include "liba/nocopy.h"
#include "skinner/menu_manager.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skinner {

class ControlButton;

class ShellHooks : private liba::Nocopy {
public:
    static constexpr uint32_t s_ok_command = 1;

    struct SoftKeyItem {
        std::u16string tag;
        ControlButton* button = nullptr;
    };

    // Registering a button again moves it to the end under its new tag.
    void add_soft_key(std::u16string_view tag, ControlButton& button);
    void remove_soft_key(const ControlButton& button);
    const std::vector<SoftKeyItem>& soft_key_items() const { return m_soft_keys; }
    // The buttons that answer to tag, in registration order.
    std::vector<ControlButton*> soft_keys(std::u16string_view tag) const;
    // The soft keys need rebuilding: an item came or went, or one was shown or hidden.
    void mark_changed() { m_changed = true; }
    // Whether they changed since the last call.
    bool take_changed();

    // Menu items; adding or removing one marks the menu changed.
    void add_menu_item(MenuManager::Item& item);
    void remove_menu_item(const MenuManager::Item& item);
    const std::vector<MenuManager::Item*>& menu_items() const { return m_menu_items; }

    void watch_ok(ControlButton& button);
    void unwatch_ok(const ControlButton& button);
    const std::vector<ControlButton*>& ok_watchers() const { return m_ok_watchers; }
    // A command of the window: the OK command presses every watching button (a button that an
    // earlier press removed is skipped). Whether a button was pressed.
    bool on_command(uint32_t id);

    // Requests for the done button: it shows while more have been made than withdrawn.
    void request_done_button(bool shown);
    bool done_button_shown() const { return m_done_requests > 0; }

private:
    std::vector<SoftKeyItem> m_soft_keys;
    std::vector<MenuManager::Item*> m_menu_items;
    std::vector<ControlButton*> m_ok_watchers;
    int32_t m_done_requests = 0;
    bool m_changed = false;
};

} // namespace skinner
