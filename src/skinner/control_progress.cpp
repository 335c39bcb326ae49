#include "skinner/control_progress.h"

#include <algorithm>

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

Rect ControlProgress::changed_rect(double a, double b) const
{
    const Rect& bar = rect();
    // The picture drawn from the bar's start up to the moving edge: the fill, or, growing up or
    // left, the background over the unfilled part (a fill growing down or right with 1 - value).
    bool reversed = m_orientation == ProgressGrowsUp || m_orientation == ProgressGrowsLeft;
    int32_t mode = m_orientation;
    if (reversed)
        mode = m_orientation == ProgressGrowsUp ? ProgressGrowsDown : ProgressGrowsRight;
    const Picture& moving = reversed ? background() : m_progress;
    Rect span_a = progress_fill_rect(mode, bar, m_track_size, reversed ? 1.0 - a : a);
    Rect span_b = progress_fill_rect(mode, bar, m_track_size, reversed ? 1.0 - b : b);
    Rect thumb_a = progress_thumb_rect(m_orientation, bar, m_track_size, a);
    Rect thumb_b = progress_thumb_rect(m_orientation, bar, m_track_size, b);
    if (span_a == span_b && thumb_a == thumb_b)
        return {};
    bool horizontal = mode == ProgressGrowsRight;
    auto length = [horizontal](const Rect& r) { return horizontal ? r.size.width : r.size.height; };
    int32_t borders = horizontal ? moving.min_size().width : moving.min_size().height;
    // Below the borders' sum the borders are squeezed and every pixel may move.
    auto unsqueezed = [&](const Rect& r) { return length(r) == 0 || length(r) >= borders; };
    Rect changed = unite(span_a, span_b);
    if (moving.grows_in_place(horizontal) && unsqueezed(span_a) && unsqueezed(span_b)) {
        int32_t far = moving.far_border(horizontal);
        if (horizontal) {
            int32_t from = std::min(span_a.right(), span_b.right()) - far;
            int32_t to = std::max(span_a.right(), span_b.right());
            changed = Rect::from_edges(from, bar.top(), to, bar.bottom());
        } else {
            int32_t from = std::min(span_a.bottom(), span_b.bottom()) - far;
            int32_t to = std::max(span_a.bottom(), span_b.bottom());
            changed = Rect::from_edges(bar.left(), from, bar.right(), to);
        }
    }
    return intersect(unite(changed, unite(thumb_a, thumb_b)), bar);
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
