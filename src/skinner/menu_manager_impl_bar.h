#pragma once

// What both menu managers share on the emulated shell: the window's bottom bar (os::BarItem, one
// per key), the command table, the popups and the lazy rebuild.
//
// A key of the bar is built anew whenever the bar is rebuilt (for its text) and when it is chosen:
// choosing sends the window WM_INITMENUPOPUP with the key's command number, which (through
// on_popup_init) cuts the command table back to the bar's keys, builds the key again (asking the
// form for the popup contents as they are now) and numbers the popup's entries after the keys. A
// key with a popup then opens it above the key; a key without one, or a chosen popup entry, is
// sent to the window as WM_COMMAND with its number, and on_command delivers the entry's id to the
// owner control's on_command (and so to the form).
//
// User-interface thread only.

#include "skinner/menu_command_table.h"
#include "skinner/menu_entry.h"
#include "skinner/menu_manager_impl.h"
#include "skinner/menu_popup.h"

#include <functional>
#include <memory>
#include <vector>

namespace skinner {

class Form;

class MenuManagerImplBar : public MenuManagerImpl {
public:
    explicit MenuManagerImplBar(FormImpl& window);
    // Takes the bar's items from the window.
    ~MenuManagerImplBar() override;

    bool on_command(const os::WindowMessage& message) override;
    bool on_popup_init(const os::WindowMessage& message) override;
    void rebuild() override;
    void show() override;
    void mark_dirty() override { m_dirty = true; }
    // Rebuilds when marked dirty or when the window's menu items or soft keys changed.
    void refresh() override;

    // Chooses a key of the bar as a tap or a soft key does; anchor is the key's rectangle on the
    // screen.
    void choose(size_t index, const os::Rect& anchor);

    const MenuCommandTable& command_table() const { return m_table; }
    // The entries of the popup that opened last.
    const std::vector<MenuPopupItem>& popup() const { return m_popup; }
    size_t key_count() const { return m_keys.size(); }

protected:
    using Key = std::function<MenuEntry()>;

    // The keys of the bar now, in bar order.
    virtual std::vector<Key> make_keys() = 0;
    // The bar was rebuilt with this many keys.
    virtual void on_rebuilt(size_t) { }
    // The picture the bar shows for a key instead of its text; none by default.
    virtual std::shared_ptr<const os::Surface> key_image(const MenuEntry&) { return nullptr; }

    FormImpl& window() { return m_window; }
    // The form of the window, when it is one.
    Form* form() const;

private:
    FormImpl& m_window;
    // What the bar's items hold of the manager: a choice posted by the shell may run after the
    // manager is gone, and then finds nothing.
    std::shared_ptr<MenuManagerImplBar*> m_self;
    std::vector<Key> m_keys;
    MenuCommandTable m_table;
    std::vector<MenuPopupItem> m_popup;
    bool m_dirty = true;
};

} // namespace skinner
