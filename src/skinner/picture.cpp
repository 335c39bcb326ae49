#include "skinner/picture.h"

#include "skinner/picture_rep.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

namespace skinner {

namespace {

// Ordered by scale first, then path, then name.
using Key = std::tuple<int32_t, std::u16string, std::u16string>;

std::map<Key, std::unique_ptr<PictureRep>>& registry()
{
    static std::map<Key, std::unique_ptr<PictureRep>> s_registry;
    return s_registry;
}

PictureRep* acquire(std::u16string_view skin_path, std::u16string_view name, int32_t scale)
{
    Key key {scale, std::u16string(skin_path), std::u16string(name)};
    std::unique_ptr<PictureRep>& rep = registry()[key];
    if (!rep)
        rep = std::make_unique<PictureRep>(skin_path, name, scale);
    return rep.get();
}

} // namespace

Picture::Picture(std::u16string_view skin_path, std::u16string_view name, bool stretch, int32_t scale)
    : m_rep(acquire(skin_path, name, std::clamp(scale, 1, 4)))
    , m_stretch(stretch)
{
    Size bitmap {m_rep->color().width, m_rep->color().height};
    m_frame.inner_right = m_frame.right = bitmap.width;
    m_frame.inner_bottom = m_frame.bottom = bitmap.height;
}

Picture::Picture() = default;
Picture::Picture(const Picture& other) = default;
Picture::Picture(Picture&& other) noexcept = default;
Picture& Picture::operator=(const Picture& other) = default;
Picture& Picture::operator=(Picture&& other) noexcept = default;
Picture::~Picture() = default;

void Picture::forget(const PictureRep& rep)
{
    registry().erase(Key {rep.scale(), rep.skin_path(), rep.name()});
}

size_t Picture::loaded_count()
{
    return registry().size();
}

bool Picture::has_image() const
{
    return m_rep && m_rep->has_image();
}

bool Picture::grows_in_place(bool horizontal) const
{
    if (!has_image() || !m_stretch)
        return true;
    // Stretched: every line across the middle band must repeat one pixel along the axis.
    const NinePartFrame& f = m_frame;
    int32_t band_start = horizontal ? f.inner_left : f.inner_top;
    int32_t band_end = horizontal ? f.inner_right : f.inner_bottom;
    int32_t across_start = horizontal ? f.top : f.left;
    int32_t across_end = horizontal ? f.bottom : f.right;
    if (band_end - band_start <= 1)
        return true;
    const os::Surface& color = m_rep->color();
    const os::Surface& mask = m_rep->mask();
    auto at = [horizontal](const os::Surface& s, int32_t along, int32_t across) {
        return horizontal ? s.at(along, across) : s.at(across, along);
    };
    for (int32_t across = across_start; across < across_end; ++across) {
        for (int32_t along = band_start; along < band_end; ++along) {
            // A band reaching past the bitmap draws nothing there, unlike its other pixels.
            bool inside = horizontal ? color.contains(along, across) : color.contains(across, along);
            if (!inside)
                return false;
            if (at(color, along, across) != at(color, band_start, across))
                return false;
            if (m_rep->has_mask() && at(mask, along, across) != at(mask, band_start, across))
                return false;
        }
    }
    return true;
}

int32_t Picture::far_border(bool horizontal) const
{
    return std::max(
        0, horizontal ? m_frame.right - m_frame.inner_right : m_frame.bottom - m_frame.inner_bottom);
}

Size Picture::size() const
{
    return {m_frame.right - m_frame.left, m_frame.bottom - m_frame.top};
}

Size Picture::min_size() const
{
    return {m_frame.inner_left - m_frame.left + m_frame.right - m_frame.inner_right,
        m_frame.inner_top - m_frame.top + m_frame.bottom - m_frame.inner_bottom};
}

void Picture::set_left_top(Point point)
{
    m_frame.left = point.x;
    m_frame.top = point.y;
}

void Picture::set_inner_left_top(Point point)
{
    m_frame.inner_left = point.x;
    m_frame.inner_top = point.y;
}

void Picture::set_inner_right_bottom(Point point)
{
    m_frame.inner_right = point.x;
    m_frame.inner_bottom = point.y;
}

void Picture::set_right_bottom(Point point)
{
    m_frame.right = point.x;
    m_frame.bottom = point.y;
}

void Picture::draw(Canvas& canvas, Point position, Size size) const
{
    if (!has_image() || size.empty())
        return;
    Rect destination {position, size};
    if (!m_rep->has_mask()) {
        draw_frame(canvas, destination, m_rep->color(), RasterOp::Copy);
    } else if (m_rep->alpha()) {
        // The colour bitmap carries the alpha map in its alpha bytes: one pass blends it on.
        draw_frame(canvas, destination, m_rep->color(), RasterOp::Blend);
    } else {
        draw_frame(canvas, destination, m_rep->mask(), RasterOp::Or);
        draw_frame(canvas, destination, m_rep->color(), RasterOp::And);
    }
}

void Picture::draw_frame(
    Canvas& canvas, const Rect& destination, const os::Surface& source, RasterOp op) const
{
    NinePartLayout layout = nine_part_layout(m_frame, destination);
    for (int32_t i = 0; i < layout.count; ++i) {
        const NinePartCell& cell = layout.cells[size_t(i)];
        if (cell.source.size == cell.destination.size)
            canvas.copy(cell.destination, source, cell.source.position, op);
        else if (m_stretch)
            canvas.stretch(cell.destination, source, cell.source, op);
        else
            canvas.tile(cell.destination, source, cell.source, op);
    }
}

bool Picture::is_transparent(Point point, Point position, Size size) const
{
    if (!m_rep || !Rect {position, size}.contains(point))
        return true;
    if (!m_rep->has_mask())
        return false;
    const NinePartFrame& f = m_frame;
    int32_t x = map_to_source(
        point.x - position.x, size.width, f.left, f.inner_left, f.inner_right, f.right, m_stretch);
    int32_t y = map_to_source(
        point.y - position.y, size.height, f.top, f.inner_top, f.inner_bottom, f.bottom, m_stretch);
    const os::Surface& mask = m_rep->mask();
    // A frame reaching past the bitmap maps to pixels that are never drawn.
    if (!mask.contains(x, y))
        return true;
    return (mask.at(x, y) & 0x00FFFFFFu) == 0;
}

} // namespace skinner
