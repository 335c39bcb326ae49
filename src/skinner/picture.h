#pragma once

// A skin picture: a shared image (PictureRep) plus the nine-part frame that says which part of it
// to draw and how. Pictures are values; copies share the image through a process-wide registry
// keyed by (scale, skin path, picture name), so every control showing the same skin picture holds
// one bitmap, and the last picture to let go of an image frees it. Reloading a skin creates the
// new pictures before the old ones go, so unchanged images are reused rather than reloaded.
//
// Frame coordinates are in scaled bitmap pixels. A picture loaded by name frames its whole
// bitmap with no borders; Properties sets the frame of skin picture table entries through the
// corner setters.
//
// Drawing (draw):
//   - the destination rectangle is split into nine parts (nine_part.h); corners are copied, edges
//     and centre stretched (nearest neighbour) or tiled according to the stretch flag;
//   - with a 1-bit mask every part is first ORed with the mask, then ANDed with the colour bitmap,
//     so mask white is opaque, mask black keeps the destination (the colour bitmap is white there);
//   - with an alpha map every part is blended onto the target, each pixel by the map's blue
//     channel (kept in the colour bitmap's alpha bytes);
//   - without either the colour bitmap is copied.
//
// User-interface thread only; the registry is not locked.

#include "skinner/canvas.h"
#include "skinner/geometry.h"
#include "skinner/nine_part.h"
#include "skinner/registry_use.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace skinner {

class PictureRep;

class Picture {
public:
    // No image: draws nothing, and every point is transparent.
    Picture();
    // The registry's image for (scale, skin_path, name), loaded on first use. scale is cut to 1..4.
    Picture(std::u16string_view skin_path, std::u16string_view name, bool stretch, int32_t scale);
    Picture(const Picture& other);
    Picture(Picture&& other) noexcept;
    Picture& operator=(const Picture& other);
    Picture& operator=(Picture&& other) noexcept;
    ~Picture();

    // Draws into the rectangle (position, size); nothing without an image or for an empty size.
    void draw(Canvas& canvas, Point position, Size size) const;
    // Whether point shows no pixel of the picture drawn at (position, size): true without a
    // representation and outside the rectangle, false without a mask, else whether the mask (or
    // alpha map) pixel it maps to is black. Used for hit tests of irregular shapes.
    bool is_transparent(Point point, Point position, Size size) const;

    // Whether drawings from the same start whose lengths along one axis (widths when horizontal)
    // differ, both at least the borders' sum, differ only from the shorter one's far border on:
    // true when the middle band repeats along that axis, tiled or stretched from pixels alike
    // along it (or without an image). A growing bar then repaints only its moving end.
    bool grows_in_place(bool horizontal) const;
    // The far (right or bottom) border's length along the axis.
    int32_t far_border(bool horizontal) const;
    // (right - left, bottom - top).
    Size size() const;
    // The border sizes: (inner left - left + right - inner right, inner top - top + bottom - inner bottom).
    Size min_size() const;
    bool has_image() const;

    void set_left_top(Point point);
    void set_inner_left_top(Point point);
    void set_inner_right_bottom(Point point);
    void set_right_bottom(Point point);
    void set_stretch(bool stretch) { m_stretch = stretch; }

    const NinePartFrame& frame() const { return m_frame; }
    bool stretch() const { return m_stretch; }
    // The shared representation; null for a default picture.
    const PictureRep* rep() const { return m_rep.get(); }

    // Representations alive in the registry.
    static size_t loaded_count();

private:
    void draw_frame(Canvas& canvas, const Rect& destination, const os::Surface& source, RasterOp op) const;
    // Takes the representation out of the registry.
    static void forget(const PictureRep& rep);

    RegistryUse<PictureRep, &Picture::forget> m_rep;
    NinePartFrame m_frame;
    bool m_stretch = false;
};

} // namespace skinner
