#include "player/panel_position.h"

#include "skinner/key_codes.h"

namespace player {

PanelPosition::PanelPosition(skinner::Container& container)
    : ControlPanel(container, u"panelPosition", skinner::LookupMode::named)
    , m_step_left(inner(), u"btnLeft", skinner::LookupMode::named)
    , m_step_right(inner(), u"btnRight", skinner::LookupMode::named)
    , m_position(inner(), u"pbPosition", skinner::LookupMode::named)
{
}

PanelPosition::~PanelPosition() = default;

int32_t PanelPosition::on_child_click(skinner::Control& control, skinner::Point argument)
{
    if (&control == &m_step_left)
        m_position.set_value(m_position.value() - s_step);
    else if (&control == &m_step_right)
        m_position.set_value(m_position.value() + s_step);
    else
        return ControlPanel::on_child_click(control, argument);
    return 0;
}

int32_t PanelPosition::on_child_value(skinner::Control& control, double value)
{
    if (&control != &m_position)
        return ControlPanel::on_child_value(control, value);
    m_position.set_value(value);
    return 0;
}

skinner::ControlButton* PanelPosition::button_of(int32_t key)
{
    if (key == skinner::KeyLeft)
        return &m_step_left;
    if (key == skinner::KeyRight)
        return &m_step_right;
    return nullptr;
}

void PanelPosition::release(skinner::ControlButton& button)
{
    if (!button.held_by_other())
        return;
    button.set_held_by_other(false);
    button.press();
}

bool PanelPosition::on_key_down(int32_t key)
{
    skinner::ControlButton* button = button_of(key);
    if (!button)
        return false;
    button->set_held_by_other(true);
    return true;
}

bool PanelPosition::on_key_up(int32_t key)
{
    skinner::ControlButton* button = button_of(key);
    if (!button)
        return false;
    release(*button);
    return true;
}

void PanelPosition::on_focus_lost()
{
    release(m_step_left);
    release(m_step_right);
    ControlPanel::on_focus_lost();
}

} // namespace player
