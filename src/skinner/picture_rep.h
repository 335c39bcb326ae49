#pragma once

// One loaded skin image, shared by every Picture that names it (see picture.h for the registry).
// Loading happens once, in the constructor: the colour bitmap "<name>.bmp", then either the 1-bit
// mask "<name>_1.bmp" or, when there is none, the alpha map "<name>_8.bmp" (its blue channel is
// the opacity), each taken from the skin archive first and from the skin file's folder second,
// and all of them scaled once to the skin's scale factor. A representation whose colour bitmap
// could not be loaded has no image and draws nothing.
//
// User-interface thread only.

#include "liba/nocopy.h"
#include "os/surface.h"
#include "skinner/geometry.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace skinner {

class PictureRep : private liba::Nocopy {
public:
    // skin_path may hold path macros; scale is cut to 1..4.
    PictureRep(std::u16string_view skin_path, std::u16string_view name, int32_t scale);

    bool has_image() const { return m_color.width > 0; }
    // The colour bitmap's size before scaling.
    Size loaded_size() const { return m_loaded_size; }
    // The bitmaps as drawn, scaled. The colour bitmap of an alpha-mapped picture carries the alpha
    // map's blue byte in its alpha bytes (how much of each pixel covers what lies beneath).
    const os::Surface& color() const { return m_color; }
    // The mask or alpha map; empty when the picture is opaque.
    const os::Surface& mask() const { return m_mask; }
    bool has_mask() const { return m_mask.width > 0; }
    // True when mask() is an alpha map rather than a 1-bit mask.
    bool alpha() const { return m_alpha; }
    int32_t scale() const { return m_scale; }
    const std::u16string& skin_path() const { return m_skin_path; }
    const std::u16string& name() const { return m_name; }

    // Pictures referring to this representation; kept by the registry.
    int32_t uses = 0;

private:
    void load();
    void load_companion();
    bool scale_bitmaps();

    std::u16string m_skin_path;
    std::u16string m_name;
    int32_t m_scale = 1;
    Size m_loaded_size;
    os::Surface m_color;
    os::Surface m_mask;
    bool m_alpha = false;
};

// Each source pixel becomes a factor x factor block. Returns false, leaving out empty, when the
// result would exceed s_bmp_max_side on either side.
bool scale_surface(const os::Surface& in, int32_t factor, os::Surface& out);

} // namespace skinner
