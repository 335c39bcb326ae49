#include "skinner/control_progress.h"

namespace skinner {

ControlProgress::ControlProgress(Container& container, std::u16string_view name, LookupMode mode)
    : ControlProgressBase(container, name, mode)
{
    read_progress_properties();
}

void ControlProgress::read_progress_properties()
{
    m_orientation = get_int(u"Orientation", m_orientation);
    m_progress = get_picture(u"Progress", m_progress);
    m_track_size = get_int_scaled(u"TrackSize", m_track_size);
}

void ControlProgress::on_skin_changed()
{
    ControlProgressBase::on_skin_changed();
    read_progress_properties();
}

double ControlProgress::value_at(Point point) const
{
    return progress_value_at(m_orientation, rect(), m_track_size, point);
}

bool ControlProgress::looks_alike(double a, double b) const
{
    // The rectangles paint() draws that depend on the value.
    const Rect& bar = rect();
    if (progress_thumb_rect(m_orientation, bar, m_track_size, a)
        != progress_thumb_rect(m_orientation, bar, m_track_size, b))
        return false;
    if (m_orientation == ProgressGrowsUp || m_orientation == ProgressGrowsLeft) {
        int32_t unfilled_mode = m_orientation == ProgressGrowsUp ? ProgressGrowsDown : ProgressGrowsRight;
        return progress_fill_rect(unfilled_mode, bar, m_track_size, 1.0 - a)
            == progress_fill_rect(unfilled_mode, bar, m_track_size, 1.0 - b);
    }
    return progress_fill_rect(m_orientation, bar, m_track_size, a)
        == progress_fill_rect(m_orientation, bar, m_track_size, b);
}

Rect ControlProgress::fill_rect() const
{
    return progress_fill_rect(m_orientation, rect(), m_track_size, value());
}

Rect ControlProgress::thumb_rect() const
{
    return progress_thumb_rect(m_orientation, rect(), m_track_size, value());
}

void ControlProgress::paint(Canvas& canvas, Point dirty_position, Size dirty_size)
{
    const Rect& bar = rect();
    if (m_orientation == ProgressGrowsUp || m_orientation == ProgressGrowsLeft) {
        m_progress.draw(canvas, bar.position, bar.size);
        int32_t unfilled_mode = m_orientation == ProgressGrowsUp ? ProgressGrowsDown : ProgressGrowsRight;
        Rect unfilled = progress_fill_rect(unfilled_mode, bar, m_track_size, 1.0 - value());
        background().draw(canvas, unfilled.position, unfilled.size);
    } else {
        background().draw(canvas, bar.position, bar.size);
        Rect fill = fill_rect();
        m_progress.draw(canvas, fill.position, fill.size);
    }
    Rect thumb = thumb_rect();
    const Picture& thumb_picture = is_enabled() ? track() : track_disabled();
    thumb_picture.draw(canvas, thumb.position, thumb.size);
    Control::paint(canvas, dirty_position, dirty_size);
}

} // namespace skinner
