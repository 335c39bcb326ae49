#pragma once

// What a button stands for on the platform besides being pressed, chosen from its "Action" and the
// device (see make_button_behaviour). The button tells its behaviour when its text changes, when it
// is shown or hidden, when it fires and what the stylus does; the behaviour says whether the
// button is shown (a button not shown neither paints nor takes the stylus) and focusable.
//
// The plain behaviour does nothing, and is shown and focusable. The others act through the
// button's window (ControlWindow): the title, the close request, and the shell hooks, where they
// register when created and unregister when destroyed.
//
// User-interface thread only.

#include "skinner/control_names.h"
#include "skinner/device.h"
#include "skinner/geometry.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace skinner {

class ControlButton;

class ButtonBehaviour {
public:
    explicit ButtonBehaviour(ControlButton& button, bool shown = true, bool focusable = true);
    virtual ~ButtonBehaviour() = default;
    ButtonBehaviour(const ButtonBehaviour&) = delete;
    ButtonBehaviour& operator=(const ButtonBehaviour&) = delete;

    virtual void on_text_changed() { }
    virtual void on_shown_changed(bool) { }
    virtual void on_fired(Point) { }
    virtual void on_pointer_down(Point, bool) { }
    virtual void on_pointer_move(Point) { }
    virtual void on_pointer_up(Point, bool) { }

    bool shown() const { return m_shown; }
    bool focusable() const { return m_focusable; }

protected:
    ControlButton& button() const { return m_button; }

private:
    ControlButton& m_button;
    bool m_shown;
    bool m_focusable;
};

inline constexpr std::u16string_view s_soft_key_ok = u"#smartphone_ok#";
inline constexpr std::u16string_view s_soft_key_menu = u"#smartphone_menu#";

// The behaviour of a button with this action on this device and system version:
//   "CAPTION": not shown, not focusable; the window's title follows the button's text (on a
//     Smartphone the change is logged and the shell's title bar asked to show it);
//   "BUTTON_CLOSE": firing logs and posts the close request to the window; on a Smartphone the
//     button is also a soft-key item (under its own name);
//   "BUTTON_OK": Smartphone: soft-key item "#smartphone_ok#"; Pocket PC from version 5: the same
//     item, not shown, not focusable, pressed by the shell's OK command; before version 5: not
//     shown, not focusable, showing the shell's done button and pressed by the OK command;
//   "BUTTON_CANCEL", "BUTTON_YES": on a Smartphone and from version 5 soft-key items
//     "#smartphone_menu#" and "#smartphone_ok#"; before, plain;
//   every other action, "BUTTON_SYSMENU" included: plain.
std::unique_ptr<ButtonBehaviour> make_button_behaviour(
    ControlButton& button, ButtonAction action, DeviceKind device, int32_t os_major_version);

} // namespace skinner
