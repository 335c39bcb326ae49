#include "skinner/control_layout.h"

#include <algorithm>
#include <limits>

namespace skinner {

namespace {

int32_t clamp32(int64_t value)
{
    return int32_t(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace

Span anchor_axis(
    AnchorMode mode, int32_t origin, int32_t design_extent, int32_t extent, int32_t position, int32_t length)
{
    int64_t growth = int64_t(extent) - design_extent;
    int64_t left = int64_t(origin) + position;
    int64_t size = length;
    switch (mode) {
    case AnchorMode::max_side:
        left += growth;
        break;
    case AnchorMode::both_side:
        size += growth;
        break;
    case AnchorMode::ratio:
        if (design_extent != 0) {
            int64_t near = int64_t(position) * extent / design_extent;
            int64_t far = (int64_t(position) + length) * extent / design_extent;
            left = int64_t(origin) + near;
            size = far - near;
        }
        break;
    case AnchorMode::min_side:
        break;
    }
    return {clamp32(left), clamp32(size)};
}

Rect anchor_rect(AnchorMode horizontal, AnchorMode vertical, Point origin, Size design, Size current,
    Point position, Size size)
{
    Span x = anchor_axis(horizontal, origin.x, design.width, current.width, position.x, size.width);
    Span y = anchor_axis(vertical, origin.y, design.height, current.height, position.y, size.height);
    return {{x.position, y.position}, {x.length, y.length}};
}

bool overlaps(const Rect& control, const Rect& dirty)
{
    // In 64 bits: a rectangle near the end of the 32-bit range must not wrap around.
    int64_t left = control.position.x;
    int64_t top = control.position.y;
    int64_t right = left + control.size.width;
    int64_t bottom = top + control.size.height;
    int64_t dirty_left = dirty.position.x;
    int64_t dirty_top = dirty.position.y;
    return left < dirty_left + dirty.size.width && top < dirty_top + dirty.size.height && right > dirty_left
        && bottom > dirty_top;
}

Rect inset_rect(const Rect& rect, Point near, Point far)
{
    return {{clamp32(int64_t(rect.position.x) + near.x), clamp32(int64_t(rect.position.y) + near.y)},
        {clamp32(int64_t(rect.size.width) - near.x - far.x),
            clamp32(int64_t(rect.size.height) - near.y - far.y)}};
}

bool rect_contains(const Rect& rect, Point point)
{
    int64_t x = int64_t(point.x) - rect.position.x;
    int64_t y = int64_t(point.y) - rect.position.y;
    return x >= 0 && y >= 0 && x < rect.size.width && y < rect.size.height;
}

FocusStep focus_step(int32_t count, int32_t current, bool forward)
{
    if (count <= 0)
        return {};
    bool found = current >= 0 && current < count;
    if (forward) {
        if (!found)
            return {0, true};
        if (current == count - 1)
            return {0, false};
        return {current + 1, true};
    }
    if (found && current == 0)
        return {count - 1, false};
    if (!found)
        return {count - 1, true};
    return {current - 1, true};
}

} // namespace skinner
