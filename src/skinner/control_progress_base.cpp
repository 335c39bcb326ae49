#include "skinner/control_progress_base.h"

#include "skinner/container.h"

#include <algorithm>
#include <cmath>

namespace skinner {

ControlProgressBase::ControlProgressBase(Container& container, std::u16string_view name, LookupMode mode)
    : Control(container, name, mode)
{
    read_base_properties();
}

void ControlProgressBase::read_base_properties()
{
    m_background = get_picture(u"Background", m_background);
    m_track = get_picture(u"Track", m_track);
    m_track_disabled = get_picture(u"TrackDisabled", m_track_disabled);
}

void ControlProgressBase::on_skin_changed()
{
    Control::on_skin_changed();
    read_base_properties();
    invalidate();
}

void ControlProgressBase::on_button0_down(Point point, bool double_click)
{
    if (double_click)
        return;
    m_dragging = true;
    report_value(value_at(point));
}

void ControlProgressBase::on_mouse_move(Point point)
{
    if (m_dragging)
        report_value(value_at(point));
}

void ControlProgressBase::on_button0_up(Point, bool)
{
    m_dragging = false;
}

void ControlProgressBase::report_value(double value)
{
    container().on_child_value(*this, value);
}

void ControlProgressBase::value_changed()
{
    container().on_value_changed(*this);
}

double ControlProgressBase::value_at(Point) const
{
    return 0.0;
}

void ControlProgressBase::set_value(double v)
{
    double clamped = std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0);
    if (clamped == m_value)
        return;
    double before = m_value;
    m_value = clamped;
    value_changed();
    // A position bar moves by a fraction of a pixel at each refresh of a long track, and a level
    // meter by a few pixels five times a second: only what the change can alter is repainted.
    invalidate(changed_rect(before, clamped));
}

void ControlProgressBase::set_value(double minimum, double maximum, double v)
{
    if (!(maximum > minimum)) {
        set_value(0.0);
        return;
    }
    set_value((v - minimum) / (maximum - minimum));
}

} // namespace skinner
