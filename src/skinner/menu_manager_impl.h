#pragma once

// The platform side of a form's menu: the Pocket PC command bar or the Smartphone soft keys. Each
// form window owns one, made for the device kind when the window is made. The window procedure
// hands it the messages that belong to the menu (commands, pop-up initialisation, the Back hot
// key) and, while the form has a main menu control, has it refresh after every message it
// handled, so that a menu changed by that message is rebuilt before the user sees the bar.
//
// User-interface thread only.

#include "os/window_message.h"
#include "skinner/device.h"

#include <memory>

namespace skinner {

class FormImpl;

class MenuManagerImpl {
public:
    virtual ~MenuManagerImpl() = default;
    // WM_COMMAND and WM_HOTKEY; true when the manager acted on it.
    virtual bool on_command(const os::WindowMessage& message) = 0;
    // WM_INITMENUPOPUP: a pop-up of the bar is about to open.
    virtual bool on_popup_init(const os::WindowMessage& message) = 0;
    // Builds the bar again from the registered items (the menu bar is registered anew).
    virtual void rebuild() = 0;
    // Shows the bar again, as when the window is activated (the soft keys are restored).
    virtual void show() = 0;
    // Something the bar shows changed: the next refresh rebuilds it.
    virtual void mark_dirty() = 0;
    // Rebuilds the bar when it was marked dirty.
    virtual void refresh() = 0;
};

// The manager for a new form window on a device of this kind: the soft keys on a Smartphone, the
// command bar on a Pocket PC (with the OK soft keys from system version 5); null for a popup
// window, which then handles no menu message. The window is not made yet when this runs: the
// manager must not touch it before its first rebuild.
std::unique_ptr<MenuManagerImpl> create_menu_manager(FormImpl& window, DeviceKind kind);

} // namespace skinner
