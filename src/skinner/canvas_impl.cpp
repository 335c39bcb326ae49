#include "skinner/canvas_impl.h"

#include <algorithm>

namespace skinner {

void CanvasImpl::reset(Size size, uint32_t fill)
{
    m_surface.width = std::max(0, size.width);
    m_surface.height = std::max(0, size.height);
    // assign() reuses the capacity the vector already has.
    m_surface.pixels.assign(size_t(m_surface.width) * size_t(m_surface.height), fill);
}

void CanvasImpl::make_opaque()
{
    for (uint32_t& pixel : m_surface.pixels)
        pixel |= 0xFF000000u;
}

} // namespace skinner
