#pragma once

// A 32-bit top-down scratch surface (0xAARRGGBB) for alpha blending: pictures with an alpha map
// are composed here before they are blended onto the target. It keeps its pixel storage between
// uses, so a long-lived instance costs no allocation per paint once it has grown to the largest
// size asked for. User-interface thread only.

#include "liba/nocopy.h"
#include "os/surface.h"
#include "skinner/geometry.h"

#include <cstdint>

namespace skinner {

class CanvasImpl : private liba::Nocopy {
public:
    CanvasImpl() = default;
    explicit CanvasImpl(Size size) { reset(size, 0); }

    // Sets the size (negative sides count as 0) and every pixel to fill.
    void reset(Size size, uint32_t fill);

    int32_t width() const { return m_surface.width; }
    int32_t height() const { return m_surface.height; }
    uint32_t* row(int32_t y) { return m_surface.row(y); }
    os::Surface& surface() { return m_surface; }
    const os::Surface& surface() const { return m_surface; }

    // Every alpha byte becomes 0xFF.
    void make_opaque();

private:
    os::Surface m_surface;
};

} // namespace skinner
