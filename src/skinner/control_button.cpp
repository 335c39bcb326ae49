#include "skinner/control_button.h"

#include "skinner/container.h"
#include "skinner/control_layout.h"
#include "skinner/control_window.h"
#include "skinner/key_codes.h"

namespace skinner {

ButtonState button_state(bool enabled, bool held, bool hovered)
{
    if (!enabled)
        return StateDisabled;
    if (held)
        return StatePressed;
    return hovered ? StateHighlighted : StateNormal;
}

ControlButton::ControlButton(Container& container, std::u16string_view name, LookupMode mode)
    : Control(container, name, mode)
    , m_behaviour(std::make_unique<ButtonBehaviour>(*this))
{
    for (StateStyle& style : m_styles)
        style.font = window().default_font();
    read_button_properties();
}

ControlButton::~ControlButton() = default;

StateStyles ControlButton::read_styles(std::u16string_view prefix, const StateStyle& normal_default) const
{
    static constexpr std::array<std::u16string_view, 4> s_names
        = {u"Normal", u"Pressed", u"Highlighted", u"Disabled"};
    StateStyles styles;
    for (size_t i = 0; i < s_names.size(); ++i) {
        std::u16string name = std::u16string(prefix) + std::u16string(s_names[i]);
        const StateStyle& def = i == 0 ? normal_default : styles[0];
        styles[i].picture = get_picture(name, def.picture);
        styles[i].font = get_font(name, def.font);
        styles[i].color = get_color(name, def.color);
    }
    return styles;
}

void ControlButton::read_button_properties()
{
    if (lookup_mode() == LookupMode::none || properties() == nullptr)
        return;
    m_border_min = get_point(u"BorderMin", m_border_min);
    m_border_max = get_point(u"BorderMax", m_border_min);
    set_text(get_string(u"Text", m_text));
    set_behaviour(action_from_name(get_string(u"Action", u"")).value_or(ButtonAction::nothing));
    m_styles = read_styles(u"", StateStyle {Picture(), window().default_font(), Color()});
    m_horizontal = horizontal_alignment_from_name(get_string(u"HAlignment", u"")).value_or(AlignCentre);
    m_vertical = vertical_alignment_from_name(get_string(u"VAlignment", u"")).value_or(AlignCentre);
    invalidate();
}

void ControlButton::set_behaviour(ButtonAction action)
{
    if (action == m_action)
        return;
    m_action = action;
    // The old behaviour leaves the shell hooks before the new one joins them.
    m_behaviour.reset();
    m_behaviour = make_button_behaviour(*this, action, window().device_kind(), window().os_major_version());
    if (!want_focus())
        container().focus_away_from(*this);
    invalidate();
}

void ControlButton::on_skin_changed()
{
    Control::on_skin_changed();
    read_button_properties();
}

bool ControlButton::want_focus() const
{
    return Control::want_focus() && m_behaviour->focusable();
}

int32_t ControlButton::on_command(std::u16string_view command)
{
    if (!name().empty() && command == name()) {
        press();
        return 1;
    }
    return Control::on_command(command);
}

void ControlButton::on_focus_lost()
{
    m_held_by_key = false;
    Control::on_focus_lost();
}

void ControlButton::on_show(bool visible)
{
    m_behaviour->on_shown_changed(visible);
}

void ControlButton::set_text(std::u16string_view text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_behaviour->on_text_changed();
    invalidate();
}

void ControlButton::fire(Point argument)
{
    m_behaviour->on_fired(argument);
    container().on_child_click(*this, argument);
}

void ControlButton::press()
{
    fire({rect().position.x + rect().size.width / 2, rect().position.y + rect().size.height / 2});
}

ButtonState ControlButton::state() const
{
    return button_state(is_enabled(), is_held(), container().hover() == this);
}

void ControlButton::set_held_by_other(bool held)
{
    if (held == m_held_by_other)
        return;
    m_held_by_other = held;
    invalidate();
}

// Painting and hits -------------------------------------------------------------------------------

void ControlButton::paint(Canvas& canvas, Point dirty_position, Size dirty_size)
{
    if (!m_behaviour->shown())
        return;
    const StateStyle& style = current_style();
    style.picture.draw(canvas, rect().position, rect().size);
    Rect box = inset_rect(rect(), m_border_min, m_border_max);
    style.font.draw_text(canvas, style.color, m_text, box.position, box.size, m_horizontal, m_vertical);
    Control::paint(canvas, dirty_position, dirty_size);
}

bool ControlButton::hit_test(Point point) const
{
    if (!m_behaviour->shown() || !Control::hit_test(point))
        return false;
    const Picture& picture = current_style().picture;
    if (!picture.has_image())
        return true;
    return !picture.is_transparent(point, rect().position, rect().size);
}

// Stylus and keys ---------------------------------------------------------------------------------

void ControlButton::on_mouse_move(Point point)
{
    m_behaviour->on_pointer_move(point);
}

void ControlButton::on_button0_down(Point point, bool double_click)
{
    m_held_by_stylus = true;
    m_behaviour->on_pointer_down(point, double_click);
    invalidate();
}

void ControlButton::on_button0_up(Point point, bool double_click)
{
    if (is_held()) {
        m_held_by_stylus = false;
        if (!m_held_by_key && !m_held_by_other && hit_test(point) && is_enabled())
            fire(point);
    }
    m_behaviour->on_pointer_up(point, double_click);
    invalidate();
}

bool ControlButton::on_key_down(int32_t key)
{
    if (key != KeyEnter)
        return false;
    m_held_by_key = true;
    invalidate();
    return true;
}

bool ControlButton::on_key_up(int32_t key)
{
    if (key != KeyEnter)
        return false;
    if (is_held()) {
        m_held_by_key = false;
        if (!is_held())
            press();
    }
    invalidate();
    return true;
}

} // namespace skinner
