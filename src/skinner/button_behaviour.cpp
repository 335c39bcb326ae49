#include "skinner/button_behaviour.h"

#include "os/log.h"
#include "skinner/control_button.h"
#include "skinner/control_window.h"
#include "skinner/shell_hooks.h"

#include <optional>
#include <string>

namespace skinner {

ButtonBehaviour::ButtonBehaviour(ControlButton& button, bool shown, bool focusable)
    : m_button(button)
    , m_shown(shown)
    , m_focusable(focusable)
{
}

namespace {

// The window's title follows the button's text.
class CaptionBehaviour : public ButtonBehaviour {
public:
    CaptionBehaviour(ControlButton& button, bool smartphone)
        : ButtonBehaviour(button, false, false)
        , m_smartphone(smartphone)
    {
        apply();
    }

    void on_text_changed() override { apply(); }

private:
    void apply()
    {
        ControlWindow& window = button().window();
        window.set_title(button().text());
        if (!m_smartphone)
            return;
        os::log() << u"Setting gext of hwnd=" << window.log_handle() << u" to {" << button().text() << u"}\n";
        window.refresh_title_bar();
    }

    bool m_smartphone;
};

// What a button registers with the shell hooks, for as long as it lives.
struct ShellItem {
    std::optional<std::u16string> soft_key; // the tag; empty = the button's name
    bool watch_ok = false;
    bool done_button = false;
};

class ShellItemBehaviour : public ButtonBehaviour {
public:
    ShellItemBehaviour(ControlButton& button, ShellItem item, bool shown, bool focusable)
        : ButtonBehaviour(button, shown, focusable)
        , m_item(std::move(item))
    {
        ShellHooks& hooks = button.window().shell_hooks();
        if (m_item.soft_key)
            hooks.add_soft_key(*m_item.soft_key, button);
        if (m_item.watch_ok)
            hooks.watch_ok(button);
        if (m_item.done_button)
            hooks.request_done_button(true);
    }

    ~ShellItemBehaviour() override
    {
        ShellHooks& hooks = button().window().shell_hooks();
        if (m_item.soft_key)
            hooks.remove_soft_key(button());
        if (m_item.watch_ok)
            hooks.unwatch_ok(button());
        if (m_item.done_button)
            hooks.request_done_button(false);
    }

    void on_shown_changed(bool) override
    {
        if (m_item.soft_key)
            button().window().shell_hooks().mark_changed();
    }

private:
    ShellItem m_item;
};

class CloseBehaviour : public ShellItemBehaviour {
public:
    CloseBehaviour(ControlButton& button, bool smartphone)
        : ShellItemBehaviour(button, smartphone ? ShellItem {u"", false, false} : ShellItem {}, true, true)
        , m_smartphone(smartphone)
    {
    }

    void on_fired(Point) override
    {
        os::log() << (m_smartphone ? u"ControlButtonCloseSmartphone WM_CLOSE sent\n"
                                   : u"ControlButtonImplClosePocket WM_CLOSE sent\n");
        button().window().post_close();
    }

private:
    bool m_smartphone;
};

std::unique_ptr<ButtonBehaviour> soft_key(ControlButton& button, std::u16string_view tag)
{
    return std::make_unique<ShellItemBehaviour>(
        button, ShellItem {std::u16string(tag), false, false}, true, true);
}

std::unique_ptr<ButtonBehaviour> ok_behaviour(ControlButton& button, bool smartphone, bool version5)
{
    if (smartphone)
        return soft_key(button, s_soft_key_ok);
    if (version5)
        return std::make_unique<ShellItemBehaviour>(
            button, ShellItem {std::u16string(s_soft_key_ok), true, false}, false, false);
    return std::make_unique<ShellItemBehaviour>(button, ShellItem {std::nullopt, true, true}, false, false);
}

} // namespace

std::unique_ptr<ButtonBehaviour> make_button_behaviour(
    ControlButton& button, ButtonAction action, DeviceKind device, int32_t os_major_version)
{
    bool smartphone = device == DeviceKind::smartphone;
    bool soft_keys = smartphone || os_major_version >= 5;
    switch (action) {
    case ButtonAction::caption:
        return std::make_unique<CaptionBehaviour>(button, smartphone);
    case ButtonAction::button_close:
        return std::make_unique<CloseBehaviour>(button, smartphone);
    case ButtonAction::button_ok:
        return ok_behaviour(button, smartphone, os_major_version >= 5);
    case ButtonAction::button_cancel:
        if (soft_keys)
            return soft_key(button, s_soft_key_menu);
        break;
    case ButtonAction::button_yes:
        if (soft_keys)
            return soft_key(button, s_soft_key_ok);
        break;
    default:
        break;
    }
    return std::make_unique<ButtonBehaviour>(button);
}

} // namespace skinner
