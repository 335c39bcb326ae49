#pragma once

// The small value types of the drawing layer: points, sizes and rectangles (the screen's own, see
// os/geometry.h), colours and alignments.

#include "os/geometry.h"

#include <algorithm>
#include <cstdint>

namespace skinner {

// The drawing layer measures in the screen's pixels with the screen's types.
using os::intersect;
using os::Point;
using os::Rect;
using os::Size;

// A skin colour: red, green, blue and a fourth byte that skins carry along and drawing ignores.
struct Color {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t extra = 0;

    friend bool operator==(const Color&, const Color&) = default;
    // As an opaque 0xAARRGGBB pixel.
    uint32_t pixel() const
    {
        return 0xFF000000u | (uint32_t(red) << 16) | (uint32_t(green) << 8) | uint32_t(blue);
    }
};

} // namespace skinner

namespace skinner {

// Alignments of the skin properties: 0 left/top, 1 centre, 2 right/bottom; any other value is
// taken as 0.
enum Alignment : int32_t {
    AlignNear = 0,
    AlignCentre = 1,
    AlignFar = 2,
};

// Where content of the given size starts inside box. Content larger than the box overhangs it
// (to the left and top by half the excess when centred, the quotient truncated toward zero).
inline int32_t align_offset(int32_t box, int32_t content, int32_t alignment)
{
    switch (alignment) {
    case AlignCentre:
        return (box - content) / 2;
    case AlignFar:
        return box - content;
    default:
        return 0;
    }
}

inline Point align(const Rect& box, Size content, int32_t horizontal, int32_t vertical)
{
    return {box.left() + align_offset(box.size.width, content.width, horizontal),
        box.top() + align_offset(box.size.height, content.height, vertical)};
}

} // namespace skinner
