#include "skinner/progress_geometry.h"

#include <algorithm>

namespace skinner {

namespace {

// (travel) * f truncated toward zero, with f as given (callers pass values in [0, 1]).
int32_t part(int32_t travel, double f)
{
    return int32_t(double(travel) * f);
}

} // namespace

double progress_value_at(int32_t orientation, const Rect& bar, int32_t track_size, Point point)
{
    int32_t half = track_size / 2;
    int64_t numerator = 0;
    int64_t divisor = 0;
    switch (orientation) {
    case ProgressGrowsDown:
        numerator = int64_t(point.y) - half - bar.top();
        divisor = int64_t(bar.size.height) - track_size;
        break;
    case ProgressGrowsLeft:
        numerator = int64_t(bar.size.width) - half - point.x + bar.left();
        divisor = int64_t(bar.size.width) - track_size;
        break;
    case ProgressGrowsUp:
        numerator = int64_t(bar.size.height) - half - point.y + bar.top();
        divisor = int64_t(bar.size.height) - track_size;
        break;
    case ProgressGrowsRight:
        numerator = int64_t(point.x) - half - bar.left();
        divisor = int64_t(bar.size.width) - track_size;
        break;
    default:
        return 0.0;
    }
    if (divisor == 0)
        return 0.0;
    return std::clamp(double(numerator) / double(divisor), 0.0, 1.0);
}

Rect progress_fill_rect(int32_t mode, const Rect& bar, int32_t track_size, double f)
{
    int32_t x = bar.left();
    int32_t y = bar.top();
    int32_t w = bar.size.width;
    int32_t h = bar.size.height;
    switch (mode) {
    case ProgressGrowsDown:
        return {{x, y}, {w, part(h - track_size, f)}};
    case ProgressGrowsLeft:
        return {{x + part(w - track_size, 1.0 - f), y}, {part(w - track_size, f), h}};
    case ProgressGrowsUp:
        return {{x, y + part(h - track_size, 1.0 - f)}, {w, part(h - track_size, f)}};
    case ProgressGrowsRight:
        return {{x, y}, {part(w - track_size, f), h}};
    default:
        return {{x, y}, {0, 0}};
    }
}

Rect progress_thumb_rect(int32_t orientation, const Rect& bar, int32_t track_size, double f)
{
    Rect fill = progress_fill_rect(orientation, bar, track_size, f);
    switch (orientation) {
    case ProgressGrowsDown:
        return {{fill.left(), fill.bottom()}, {bar.size.width, track_size}};
    case ProgressGrowsLeft:
        return {fill.position, {track_size, bar.size.height}};
    case ProgressGrowsUp:
        return {fill.position, {bar.size.width, track_size}};
    case ProgressGrowsRight:
        return {{bar.left() + fill.size.width, bar.top()}, {track_size, bar.size.height}};
    default:
        return {bar.position, {0, 0}};
    }
}

} // namespace skinner
