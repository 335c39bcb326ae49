#include "skinner/control_check_box.h"

namespace skinner {

ControlCheckBox::ControlCheckBox(Container& container, std::u16string_view name, LookupMode mode)
    : ControlButton(container, name, mode)
    , m_checked_styles(ControlButton::state_styles())
{
    read_check_box_properties();
}

void ControlCheckBox::read_check_box_properties()
{
    if (lookup_mode() == LookupMode::none || properties() == nullptr)
        return;
    m_checked_styles = read_styles(u"Checked", ControlButton::state_styles()[StateNormal]);
    set_checked(get_int(u"Checked", m_checked) != 0);
    invalidate();
}

void ControlCheckBox::on_skin_changed()
{
    ControlButton::on_skin_changed();
    read_check_box_properties();
}

void ControlCheckBox::fire(Point argument)
{
    set_checked(!m_checked);
    ControlButton::fire(argument);
}

const StateStyles& ControlCheckBox::state_styles() const
{
    return m_checked ? m_checked_styles : ControlButton::state_styles();
}

void ControlCheckBox::set_checked(bool checked)
{
    if (checked == m_checked)
        return;
    m_checked = checked;
    invalidate();
}

} // namespace skinner
