#pragma once

// Points, sizes and rectangles of the emulated screen, in device-screen pixels (the pixels of the
// handheld picture, before the desktop window scales it); the skin framework draws with the same
// types. A rectangle holds the points
// x <= p.x < x + width (the same for y); a side of zero or less makes it empty.

#include <algorithm>
#include <cstdint>

namespace os {

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

// The bounding box of both; an empty rectangle adds nothing.
inline Rect unite(const Rect& a, const Rect& b)
{
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    int32_t left = std::min(a.left(), b.left());
    int32_t top = std::min(a.top(), b.top());
    int32_t right = std::max(a.right(), b.right());
    int32_t bottom = std::max(a.bottom(), b.bottom());
    return {{left, top}, {right - left, bottom - top}};
}

} // namespace os
