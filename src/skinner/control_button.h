#pragma once

// The skinned push button: a picture, a font and a text colour for each of four visual states, a
// text drawn as one line inside its borders, and presses from the stylus, the Enter key, commands
// and the shell. A press ends in fire(), which tells the behaviour object (button_behaviour.h) and
// raises on_child_click (this button, the point) to the container.
//
// Properties, after the common ones, the current values serving as defaults unless said:
//   "BorderMin", "BorderMax" (points; BorderMax defaults to the BorderMin just read): the text
//     goes into the rectangle shrunk by BorderMin at the left and top, BorderMax at the right and
//     bottom;
//   "Text" (translated);
//   "Action" (action names, control_names.h; missing or unknown = NOTHING): chooses the behaviour,
//     made anew only when the action changes;
//   "Normal", "Pressed", "Highlighted", "Disabled": each a picture, a font and a colour of that
//     name; Normal defaults to no picture, the window's default font and colour 0, the other three
//     to Normal's values;
//   "HAlignment" ("LEFT", "CENTER", "RIGHT"), "VAlignment" ("TOP", "VCENTER", "BOTTOM"): missing
//     or unknown = centred.
//
// A button is held down by the stylus, by the Enter key, or by its owner (set_held_by_other); it
// fires when the last stylus or key hold ends with the button enabled (and, for the stylus, the
// point still on it). The style drawn: Disabled when disabled, else Pressed while held, else
// Highlighted while it is its container's hover control, else Normal.
//
// User-interface thread only.

#include "skinner/button_behaviour.h"
#include "skinner/control.h"
#include "skinner/control_names.h"

#include <array>
#include <memory>
#include <string>

namespace skinner {

struct StateStyle {
    Picture picture;
    Font font;
    Color color;
};

enum ButtonState : int32_t {
    StateNormal = 0,
    StatePressed = 1,
    StateHighlighted = 2,
    StateDisabled = 3,
};

// The four styles in ButtonState order.
using StateStyles = std::array<StateStyle, 4>;

// The state whose style a button draws.
ButtonState button_state(bool enabled, bool held, bool hovered);

class ControlButton : public Control {
public:
    ControlButton(Container& container, std::u16string_view name, LookupMode mode);
    ~ControlButton() override;

    // A command equal to the button's (non-empty) name presses it; others climb as usual.
    int32_t on_command(std::u16string_view command) override;
    // "WantFocus" and a focusable behaviour.
    bool want_focus() const override;
    // Ends a hold by the Enter key without firing.
    void on_focus_lost() override;
    void on_show(bool visible) override;
    void paint(Canvas& canvas, Point dirty_position, Size dirty_size) override;
    // Not shown: never. Otherwise inside the rectangle, except on a transparent pixel of the
    // current style's picture.
    bool hit_test(Point point) const override;
    void on_mouse_move(Point point) override;
    void on_button0_down(Point point, bool double_click) override;
    void on_button0_up(Point point, bool double_click) override;
    // Enter (down, then up) presses the button; other keys are not handled.
    bool on_key_down(int32_t key) override;
    bool on_key_up(int32_t key) override;
    void on_skin_changed() override;

    // Stores a different text, tells the behaviour and repaints.
    virtual void set_text(std::u16string_view text);
    // Tells the behaviour, then raises on_child_click (this, argument).
    virtual void fire(Point argument);
    // The styles the button draws from.
    virtual const StateStyles& state_styles() const { return m_styles; }

    // Fires with the centre of the rectangle (width / 2, height / 2 from its top-left corner).
    void press();
    ButtonState state() const;
    const StateStyle& current_style() const { return state_styles()[size_t(state())]; }

    bool is_held() const { return m_held_by_stylus || m_held_by_key || m_held_by_other; }
    bool held_by_stylus() const { return m_held_by_stylus; }
    bool held_by_key() const { return m_held_by_key; }
    bool held_by_other() const { return m_held_by_other; }
    // A hold by the owner (a key it handles itself, a soft key): shows the button pressed and keeps
    // the other holds from firing; ending it fires nothing.
    void set_held_by_other(bool held);

    const std::u16string& text() const { return m_text; }
    ButtonAction action() const { return m_action; }
    const ButtonBehaviour& behaviour() const { return *m_behaviour; }
    Point border_min() const { return m_border_min; }
    Point border_max() const { return m_border_max; }
    int32_t horizontal_alignment() const { return m_horizontal; }
    int32_t vertical_alignment() const { return m_vertical; }

protected:
    // Reads the styles prefix + "Normal", "Pressed", "Highlighted", "Disabled"; the first defaults
    // to normal_default, the others to the first.
    StateStyles read_styles(std::u16string_view prefix, const StateStyle& normal_default) const;

private:
    void read_button_properties();
    void set_behaviour(ButtonAction action);

    std::unique_ptr<ButtonBehaviour> m_behaviour;
    Point m_border_min;
    Point m_border_max;
    ButtonAction m_action = ButtonAction::nothing;
    StateStyles m_styles;
    int32_t m_horizontal = AlignCentre;
    int32_t m_vertical = AlignCentre;
    bool m_held_by_stylus = false;
    bool m_held_by_key = false;
    bool m_held_by_other = false;
    std::u16string m_text;
};

} // namespace skinner
