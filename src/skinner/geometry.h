#pragma once

// The small value types of the drawing layer. Coordinates are signed 32-bit pixels; a rectangle is
// a position and a size, and holds the points x <= p.x < x + width (the same for y). A size with a
// zero or negative side is empty.

#include <algorithm>
#include <cstdint>

namespace skinner {

struct Point {
    int32_t x = 0;
    int32_t y = 0;

    friend bool operator==(const Point&, const Point&) = default;
    Point operator+(Point other) const { return {x + other.x, y + other.y}; }
    Point operator-(Point other) const { return {x - other.x, y - other.y}; }
};

struct Size {
    int32_t width = 0;
    int32_t height = 0;

    friend bool operator==(const Size&, const Size&) = default;
    bool empty() const { return width <= 0 || height <= 0; }
};

struct Rect {
    Point position;
    Size size;

    friend bool operator==(const Rect&, const Rect&) = default;
    int32_t left() const { return position.x; }
    int32_t top() const { return position.y; }
    int32_t right() const { return position.x + size.width; }
    int32_t bottom() const { return position.y + size.height; }
    bool empty() const { return size.empty(); }
    bool contains(Point p) const { return p.x >= left() && p.y >= top() && p.x < right() && p.y < bottom(); }

    static Rect from_edges(int32_t left, int32_t top, int32_t right, int32_t bottom)
    {
        return {{left, top}, {right - left, bottom - top}};
    }
};

// The common part of two rectangles; empty (with a zero size) when they do not meet.
inline Rect intersect(const Rect& a, const Rect& b)
{
    int32_t left = std::max(a.left(), b.left());
    int32_t top = std::max(a.top(), b.top());
    int32_t right = std::min(a.right(), b.right());
    int32_t bottom = std::min(a.bottom(), b.bottom());
    if (right <= left || bottom <= top)
        return {{left, top}, {0, 0}};
    return Rect::from_edges(left, top, right, bottom);
}

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
