#include "skinner/nine_part.h"

#include <algorithm>

namespace skinner {

Borders fit_borders(Borders borders, int32_t extent)
{
    int32_t excess = borders.near + borders.far - extent;
    if (excess <= 0)
        return borders;
    int32_t near = borders.near - excess / 2;
    int32_t far = borders.far - (excess - excess / 2);
    if (near < 0) {
        far += near;
        near = 0;
    }
    if (far < 0) {
        near += far;
        far = 0;
    }
    return {near < 0 ? 0 : near, far};
}

namespace {

void add(NinePartLayout& layout, Rect source, Rect destination)
{
    if (source.empty() || destination.empty())
        return;
    layout.cells[size_t(layout.count++)] = {source, destination};
}

} // namespace

NinePartLayout nine_part_layout(const NinePartFrame& f, const Rect& d)
{
    NinePartLayout layout;
    if (d.empty())
        return layout;
    // An inverted border (a malformed frame) counts as none rather than pushing the middle out of
    // the destination.
    Borders x = fit_borders(
        {std::max(0, f.inner_left - f.left), std::max(0, f.right - f.inner_right)}, d.size.width);
    Borders y = fit_borders(
        {std::max(0, f.inner_top - f.top), std::max(0, f.bottom - f.inner_bottom)}, d.size.height);
    int32_t lw = x.near, rw = x.far, th = y.near, bh = y.far;
    int32_t mw = d.size.width - lw - rw;
    int32_t mh = d.size.height - th - bh;
    int32_t x0 = d.left(), y0 = d.top(), x1 = d.right(), y1 = d.bottom();
    int32_t inner_w = f.inner_right - f.inner_left;
    int32_t inner_h = f.inner_bottom - f.inner_top;

    add(layout, {{f.left, f.top}, {lw, th}}, {{x0, y0}, {lw, th}});
    add(layout, {{f.right - rw, f.top}, {rw, th}}, {{x1 - rw, y0}, {rw, th}});
    add(layout, {{f.left, f.bottom - bh}, {lw, bh}}, {{x0, y1 - bh}, {lw, bh}});
    add(layout, {{f.right - rw, f.bottom - bh}, {rw, bh}}, {{x1 - rw, y1 - bh}, {rw, bh}});

    add(layout, {{f.left, f.top + th}, {lw, inner_h}}, {{x0, y0 + th}, {lw, mh}});
    add(layout, {{f.right - rw, f.top + th}, {rw, inner_h}}, {{x1 - rw, y0 + th}, {rw, mh}});
    add(layout, {{f.left + lw, f.top}, {inner_w, th}}, {{x0 + lw, y0}, {mw, th}});
    add(layout, {{f.left + lw, f.bottom - bh}, {inner_w, bh}}, {{x0 + lw, y1 - bh}, {mw, bh}});
    add(layout, {{f.inner_left, f.inner_top}, {inner_w, inner_h}}, {{x0 + lw, y0 + th}, {mw, mh}});
    return layout;
}

int32_t map_to_source(
    int32_t offset, int32_t extent, int32_t s0, int32_t s1, int32_t s2, int32_t s3, bool stretch)
{
    int32_t b = s1 - s0;
    int32_t k = extent - (s3 - s2);
    if (offset <= b)
        return s0 + offset;
    if (offset >= k)
        return s2 + (offset - k);
    if (stretch)
        return s1 + int32_t(int64_t(offset - b) * (s2 - s1) / (k - b));
    return s2 == s1 ? s1 : s1 + (offset - b) % (s2 - s1);
}

} // namespace skinner
