#include "skinner/scroll_geometry.h"

#include <algorithm>

namespace skinner {

ScrollRange normalized_scroll_range(ScrollRange range)
{
    if (range.maximum < range.minimum)
        range.maximum = range.minimum;
    int64_t span = int64_t(range.maximum) - range.minimum;
    if (range.page > span)
        range.page = int32_t(span);
    if (range.page < 0)
        range.page = 0;
    return range;
}

int32_t clamp_scroll_position(const ScrollRange& range, int64_t value)
{
    ScrollRange used = normalized_scroll_range(range);
    int64_t last = int64_t(used.maximum) - used.page;
    return int32_t(std::clamp<int64_t>(value, used.minimum, last));
}

const Rect& ScrollBarParts::operator[](ScrollPart part) const
{
    switch (part) {
    case ScrollPart::MinButton:
        return min_button;
    case ScrollPart::MinSpace:
        return min_space;
    case ScrollPart::Thumb:
        return thumb;
    case ScrollPart::MaxSpace:
        return max_space;
    case ScrollPart::MaxButton:
        break;
    }
    return max_button;
}

namespace {

// A band of the bar from start to end along it, across its whole thickness.
Rect band(const Rect& bar, bool vertical, int32_t start, int32_t end)
{
    if (vertical)
        return {{bar.left(), start}, {bar.size.width, end - start}};
    return {{start, bar.top()}, {end - start, bar.size.height}};
}

} // namespace

ScrollBarParts scroll_bar_parts(const Rect& bar, bool vertical, const ScrollRange& range, int32_t position,
    int32_t min_button, int32_t max_button, int32_t thumb_border)
{
    ScrollRange used = normalized_scroll_range(range);
    double f = 0.0;
    double g = 1.0;
    if (used.maximum != used.minimum) {
        double span = double(int64_t(used.maximum) - used.minimum);
        f = double(int64_t(position) - used.minimum) / span;
        g = double(used.page) / span;
    }
    int32_t start = vertical ? bar.top() : bar.left();
    int32_t length = vertical ? bar.size.height : bar.size.width;
    int32_t end = start + length;

    ScrollBarParts parts;
    parts.travel = std::max(0, length - max_button - thumb_border - min_button);
    int32_t thumb_start = start + min_button + int32_t(double(parts.travel) * f);
    int32_t thumb_end = end - max_button - int32_t(double(parts.travel) * (1.0 - f - g));
    parts.min_button = band(bar, vertical, start, start + min_button);
    parts.max_button = band(bar, vertical, end - max_button, end);
    parts.thumb = band(bar, vertical, thumb_start, thumb_end);
    parts.min_space = band(bar, vertical, start + min_button, thumb_start);
    parts.max_space = band(bar, vertical, thumb_end, end - max_button);
    return parts;
}

int64_t scroll_action_target(ScrollPart part, int32_t position, int32_t page, int32_t step)
{
    switch (part) {
    case ScrollPart::MinButton:
        return int64_t(position) - step;
    case ScrollPart::MaxButton:
        return int64_t(position) + step;
    case ScrollPart::MinSpace:
        return int64_t(position) - page;
    case ScrollPart::MaxSpace:
        return int64_t(position) + page;
    case ScrollPart::Thumb:
        break;
    }
    return position;
}

int32_t scroll_drag_position(const ScrollRange& range, int32_t travel, int32_t along)
{
    ScrollRange used = normalized_scroll_range(range);
    double f = travel > 0 ? std::clamp(double(along) / double(travel), 0.0, 1.0) : 0.0;
    double span = double(int64_t(used.maximum) - used.minimum);
    return int32_t(int64_t(used.minimum) + int64_t(span * f));
}

bool RepeatCountdown::tick(bool enabled)
{
    // Stops at -1: a button held for years must not wrap around.
    if (m_count >= 0)
        --m_count;
    return m_count < 0 && enabled;
}

AutoScrollLayout auto_scroll_layout(const AutoScrollMetrics& metrics, const Rect& panel, Size content_size)
{
    int32_t vertical_space = metrics.scroll_border_min.x + metrics.scroll_width + metrics.scroll_border_max.x;
    int32_t horizontal_space
        = metrics.scroll_border_min.y + metrics.scroll_height + metrics.scroll_border_max.y;

    AutoScrollLayout layout;
    Size view = panel.size;
    if (content_size.height > view.height) {
        layout.vertical_bar = true;
        view.width -= vertical_space;
    }
    if (content_size.width > view.width) {
        layout.horizontal_bar = true;
        view.height -= horizontal_space;
    }
    if (!layout.vertical_bar && content_size.height > view.height) {
        layout.vertical_bar = true;
        view.width -= vertical_space;
    }
    int32_t x = panel.left();
    int32_t y = panel.top();
    layout.view = {panel.position, view};
    layout.content = {{x + metrics.border_min.x, y + metrics.border_min.y},
        {view.width - metrics.border_min.x - metrics.border_max.x,
            view.height - metrics.border_min.y - metrics.border_max.y}};
    layout.vertical_rect = {{x + view.width + metrics.scroll_border_min.x, y + metrics.scroll_border_min.y},
        {metrics.scroll_width, view.height - metrics.scroll_border_min.y - metrics.scroll_border_max.y}};
    layout.horizontal_rect
        = {{x + metrics.scroll_border_min.x, y + view.height + metrics.scroll_border_min.y},
            {view.width - metrics.scroll_border_min.x - metrics.scroll_border_max.x, metrics.scroll_height}};
    return layout;
}

} // namespace skinner
