#pragma once

// The Smartphone menu manager: the two soft keys, the left one for the "#smartphone_ok#" entries
// and the right one for the "#smartphone_menu#" entries (MenuManager::soft_key: one entry is the
// key itself, several open as a popup). It also handles the Back key (WM_HOTKEY):
//   - when the active window is a text-edit window (class "CAPEDIT" or "EDIT", any case), the key
//     goes to that window as Backspace and nothing else happens;
//   - on press the form gets key-down for Escape and for Backspace; when it handled neither,
//     "want_to_go_back = true" is logged and the go-back flag set;
//   - on release the form gets key-up for both; a set go-back flag is cleared and the shell's
//     go-back invoked, which here only logs "SHSendBackToFocusWindow".
//
// User-interface thread only.

#include "skinner/menu_manager_impl_bar.h"

namespace skinner {

class MenuManagerImplSmartphone : public MenuManagerImplBar {
public:
    explicit MenuManagerImplSmartphone(FormImpl& window);

    bool on_command(const os::WindowMessage& message) override;
    bool wants_to_go_back() const { return m_go_back; }

protected:
    std::vector<Key> make_keys() override;

private:
    bool on_back(bool down);

    bool m_go_back = false;
};

} // namespace skinner
