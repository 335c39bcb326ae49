#include "skinner/canvas.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace skinner {

namespace {

Rect surface_bounds(const os::Surface& surface)
{
    return {{0, 0}, {surface.width, surface.height}};
}

// Source offset for destination offset i of a stretch from source_extent to destination_extent.
int32_t stretched_offset(int32_t i, int32_t source_extent, int32_t destination_extent)
{
    return int32_t(int64_t(i) * source_extent / destination_extent);
}

// Non-negative remainder.
int32_t wrap(int32_t value, int32_t period)
{
    int32_t r = value % period;
    return r < 0 ? r + period : r;
}

} // namespace

void combine_run(uint32_t* destination, const uint32_t* source, int32_t count, RasterOp op)
{
    switch (op) {
    case RasterOp::Copy:
        std::memmove(destination, source, size_t(count) * sizeof(uint32_t));
        break;
    case RasterOp::Or:
        for (int32_t i = 0; i < count; ++i)
            destination[i] |= source[i];
        break;
    case RasterOp::And:
        for (int32_t i = 0; i < count; ++i)
            destination[i] &= source[i];
        break;
    case RasterOp::Blend:
        for (int32_t i = 0; i < count; ++i)
            destination[i] = blend_onto(source[i], destination[i]);
        break;
    }
}

uint32_t blend_pixel(uint32_t source, uint32_t destination)
{
    uint32_t a = source >> 24;
    // d * 256 + (s - d) * a equals d * (256 - a) + s * a, which is never negative and stays below
    // 65536 per lane, so the packed arithmetic is exact even though single lanes borrow on the way.
    uint32_t d_rb = destination & 0x00FF00FFu;
    uint32_t s_rb = source & 0x00FF00FFu;
    uint32_t rb = ((d_rb * 256 + (s_rb - d_rb) * a) >> 8) & 0x00FF00FFu;
    uint32_t d_ag = (destination >> 8) & 0x00FF00FFu;
    uint32_t s_ag = (source >> 8) & 0x00FF00FFu;
    uint32_t ag = (d_ag * 256 + (s_ag - d_ag) * a) & 0xFF00FF00u;
    return rb | ag;
}

Canvas::Canvas(os::Surface& surface)
    : m_surface(&surface)
    , m_clip(surface_bounds(surface))
{
}

Canvas::Canvas(os::Surface& surface, Point origin, Rect clip)
    : m_surface(&surface)
    , m_origin(origin)
{
    set_clip(clip);
}

Rect Canvas::clip() const
{
    return {m_clip.position - m_origin, m_clip.size};
}

void Canvas::set_clip(Rect clip)
{
    m_clip = intersect({clip.position + m_origin, clip.size}, surface_bounds(*m_surface));
}

Rect Canvas::visible(Rect destination) const
{
    return intersect({destination.position + m_origin, destination.size}, m_clip);
}

void Canvas::copy(Rect destination, const os::Surface& source, Point src_position, RasterOp op)
{
    Rect target = visible(destination);
    // Where the source exists, expressed in surface coordinates of the destination.
    Point shift = destination.position + m_origin - src_position;
    target = intersect(target, {shift, {source.width, source.height}});
    // A copy inside one surface towards lower rows runs bottom-up so that no row is read after
    // it was overwritten (runs inside a row use memmove).
    bool upward = &source == m_surface && shift.y > 0;
    for (int32_t i = 0; i < target.size.height; ++i) {
        int32_t y = upward ? target.bottom() - 1 - i : target.top() + i;
        const uint32_t* from = source.row(y - shift.y) + (target.left() - shift.x);
        combine_run(m_surface->row(y) + target.left(), from, target.size.width, op);
    }
}

void Canvas::stretch(Rect destination, const os::Surface& source, Rect src_rect, RasterOp op)
{
    if (destination.empty() || src_rect.empty())
        return;
    Rect target = visible(destination);
    if (target.empty())
        return;
    if (src_rect.size == Size {1, 1}) {
        if (source.contains(src_rect.left(), src_rect.top()))
            fill_combined(target, source.at(src_rect.left(), src_rect.top()), op);
        return;
    }
    Point start = destination.position + m_origin;
    // Source column of every visible destination column; -1 where the source has no pixel.
    std::vector<int32_t> columns(size_t(target.size.width));
    for (int32_t x = target.left(); x < target.right(); ++x) {
        int32_t sx
            = src_rect.left() + stretched_offset(x - start.x, src_rect.size.width, destination.size.width);
        columns[size_t(x - target.left())] = sx >= 0 && sx < source.width ? sx : -1;
    }
    // The raster operation is chosen once, not per pixel: stretching a background is the bulk of
    // repainting a control.
    auto each_pixel = [&](auto combine) {
        for (int32_t y = target.top(); y < target.bottom(); ++y) {
            int32_t sy = src_rect.top()
                + stretched_offset(y - start.y, src_rect.size.height, destination.size.height);
            if (sy < 0 || sy >= source.height)
                continue;
            const uint32_t* from = source.row(sy);
            uint32_t* to = m_surface->row(y) + target.left();
            for (size_t i = 0; i < columns.size(); ++i) {
                if (columns[i] >= 0)
                    combine(to[i], from[columns[i]]);
            }
        }
    };
    // Copies whose rows need no stretching (a source as wide as the destination) are row copies.
    // Widening copies repeat each source pixel over a run of destination pixels: each run is one
    // fill (a background stretched across a window is mostly such runs).
    bool all_columns = columns.front() >= 0 && columns.back() >= 0;
    bool same_width = src_rect.size.width == destination.size.width;
    if (op == RasterOp::Copy
        && ((same_width && all_columns) || destination.size.width >= 2 * src_rect.size.width)) {
        struct Run {
            int32_t offset;
            int32_t length;
            int32_t column;
        };
        std::vector<Run> runs;
        if (!same_width) {
            for (size_t i = 0; i < columns.size(); ++i) {
                if (columns[i] < 0)
                    continue;
                Run* last = runs.empty() ? nullptr : &runs.back();
                if (last && last->column == columns[i] && size_t(last->offset + last->length) == i)
                    ++last->length;
                else
                    runs.push_back({int32_t(i), 1, columns[i]});
            }
        }
        for (int32_t y = target.top(); y < target.bottom(); ++y) {
            int32_t sy = src_rect.top()
                + stretched_offset(y - start.y, src_rect.size.height, destination.size.height);
            if (sy < 0 || sy >= source.height)
                continue;
            const uint32_t* from = source.row(sy);
            uint32_t* to = m_surface->row(y) + target.left();
            if (same_width)
                std::copy_n(from + columns.front(), columns.size(), to);
            for (const Run& run : runs)
                std::fill_n(to + run.offset, run.length, from[run.column]);
        }
        return;
    }
    switch (op) {
    case RasterOp::Copy:
        each_pixel([](uint32_t& d, uint32_t s) { d = s; });
        break;
    case RasterOp::Or:
        each_pixel([](uint32_t& d, uint32_t s) { d |= s; });
        break;
    case RasterOp::And:
        each_pixel([](uint32_t& d, uint32_t s) { d &= s; });
        break;
    case RasterOp::Blend:
        each_pixel([](uint32_t& d, uint32_t s) { d = blend_onto(s, d); });
        break;
    }
}

void Canvas::fill_combined(Rect target, uint32_t pixel, RasterOp op)
{
    for (int32_t y = target.top(); y < target.bottom(); ++y) {
        uint32_t* row = m_surface->row(y) + target.left();
        uint32_t* end = row + target.size.width;
        switch (op) {
        case RasterOp::Copy:
            std::fill(row, end, pixel);
            break;
        case RasterOp::Or:
            std::for_each(row, end, [pixel](uint32_t& d) { d |= pixel; });
            break;
        case RasterOp::And:
            std::for_each(row, end, [pixel](uint32_t& d) { d &= pixel; });
            break;
        case RasterOp::Blend:
            std::for_each(row, end, [pixel](uint32_t& d) { d = blend_onto(pixel, d); });
            break;
        }
    }
}

void Canvas::tile(Rect destination, const os::Surface& source, Rect cell, RasterOp op)
{
    if (cell.empty())
        return;
    Rect target = visible(destination);
    if (cell.size == Size {1, 1}) {
        // A one-pixel cell (a common centre): fill with that pixel.
        if (source.contains(cell.left(), cell.top()))
            fill_combined(target, source.at(cell.left(), cell.top()), op);
        return;
    }
    Point start = destination.position + m_origin;
    for (int32_t y = target.top(); y < target.bottom(); ++y) {
        int32_t sy = cell.top() + wrap(y - start.y, cell.size.height);
        if (sy < 0 || sy >= source.height)
            continue;
        int32_t x = target.left();
        while (x < target.right()) {
            int32_t offset = wrap(x - start.x, cell.size.width);
            int32_t run = std::min(cell.size.width - offset, target.right() - x);
            // The part of this run whose source pixels exist.
            int32_t sx = cell.left() + offset;
            int32_t skip = std::max(0, -sx);
            int32_t count = std::min(run, source.width - sx) - skip;
            if (count > 0)
                combine_run(m_surface->row(y) + x + skip, source.row(sy) + sx + skip, count, op);
            x += run;
        }
    }
}

void Canvas::fill(Rect destination, uint32_t pixel)
{
    Rect target = visible(destination);
    for (int32_t y = target.top(); y < target.bottom(); ++y) {
        uint32_t* row = m_surface->row(y) + target.left();
        std::fill(row, row + target.size.width, pixel);
    }
}

uint32_t Canvas::get_pixel(Point point) const
{
    Point p = point + m_origin;
    return m_clip.contains(p) ? m_surface->at(p.x, p.y) : 0;
}

void Canvas::set_pixel(Point point, uint32_t pixel)
{
    Point p = point + m_origin;
    if (m_clip.contains(p))
        m_surface->row(p.y)[p.x] = pixel;
}

void Canvas::blend(Point position, const os::Surface& source)
{
    copy({position, {source.width, source.height}}, source, {0, 0}, RasterOp::Blend);
}

} // namespace skinner
