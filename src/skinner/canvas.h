#pragma once

// What paint operations draw on: a view of an os::Surface (0xAARRGGBB, top-down) with an origin
// and a clip rectangle. Canvas coordinates are surface coordinates minus the origin, so a canvas
// whose origin is (10, 20) draws its point (0, 0) on surface pixel (10, 20). Nothing is ever
// written outside the clip rectangle or the surface, and nothing is read outside a source
// surface: source pixels that do not exist leave their destination pixels untouched.
//
// User-interface thread only; a canvas never owns its surface, which must outlive it.

#include "os/surface.h"
#include "skinner/geometry.h"

#include <cstdint>

namespace skinner {

// How a source pixel s combines with the destination pixel d (all 32 bits, alpha byte included).
enum class RasterOp {
    Copy, // d = s
    Or, // d = d | s
    And, // d = d & s
    Blend, // d = s blended by its alpha byte onto d (blend_pixel), d keeping its own alpha byte
};

class Canvas {
public:
    // The whole surface, origin (0, 0).
    explicit Canvas(os::Surface& surface);
    // clip is in canvas coordinates and is cut to the surface.
    Canvas(os::Surface& surface, Point origin, Rect clip);

    os::Surface& surface() const { return *m_surface; }
    Point origin() const { return m_origin; }
    // The clip rectangle in canvas coordinates (always inside the surface).
    Rect clip() const;
    // Replaces the clip rectangle (canvas coordinates), cut to the surface.
    void set_clip(Rect clip);
    // The clip rectangle in surface coordinates.
    Rect surface_clip() const { return m_clip; }

    // Copies the source pixels from src_position on, one to one, into destination.
    void copy(Rect destination, const os::Surface& source, Point src_position, RasterOp op = RasterOp::Copy);
    // Stretches the source rectangle over the destination, nearest neighbour: destination offset i
    // takes source offset i * source width / destination width (the same vertically).
    void stretch(Rect destination, const os::Surface& source, Rect src_rect, RasterOp op = RasterOp::Copy);
    // Repeats the cell from the destination's top-left corner; the last column and row of tiles
    // are cut to fit.
    void tile(Rect destination, const os::Surface& source, Rect cell, RasterOp op = RasterOp::Copy);
    void fill(Rect destination, uint32_t pixel);
    // 0 outside the clip rectangle.
    uint32_t get_pixel(Point point) const;
    void set_pixel(Point point, uint32_t pixel);
    // Blends every source pixel by its own alpha byte onto the canvas, the source's (0, 0) at
    // position (blend_pixel). The destination keeps its alpha byte.
    void blend(Point position, const os::Surface& source);

private:
    // The destination rectangle in surface coordinates, cut to the clip.
    Rect visible(Rect destination) const;
    // Combines one pixel into every pixel of target (surface coordinates, already clipped).
    void fill_combined(Rect target, uint32_t pixel, RasterOp op);

    os::Surface* m_surface;
    Point m_origin;
    Rect m_clip; // surface coordinates
};

// One byte lane at a time: (d * 256 + (s - d) * a) / 256 with a = the source's alpha byte; the
// lanes are worked two at a time on the 0x00FF00FF masks. All four bytes are blended, alpha too.
uint32_t blend_pixel(uint32_t source, uint32_t destination);

// blend_pixel's colour bytes with the destination's own alpha byte: RasterOp::Blend. A clear source
// pixel (alpha 0) leaves the destination as it is, which is what the formula gives too; skins are
// mostly such pixels around their frames.
inline uint32_t blend_onto(uint32_t source, uint32_t destination)
{
    if ((source >> 24) == 0)
        return destination;
    return (blend_pixel(source, destination) & 0x00FFFFFFu) | (destination & 0xFF000000u);
}

// Applies op to count pixels.
void combine_run(uint32_t* destination, const uint32_t* source, int32_t count, RasterOp op);

} // namespace skinner
