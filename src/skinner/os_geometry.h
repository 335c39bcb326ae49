#pragma once

// Conversions between the drawing layer's geometry and the emulated screen's: both are signed
// 32-bit pixels with the same meaning, kept as separate types so that neither layer includes the
// other's headers for them.

#include "os/geometry.h"
#include "skinner/geometry.h"

namespace skinner {

inline os::Point to_os(Point p)
{
    return {p.x, p.y};
}
inline os::Size to_os(Size s)
{
    return {s.width, s.height};
}
inline os::Rect to_os(const Rect& r)
{
    return {to_os(r.position), to_os(r.size)};
}
inline Point from_os(os::Point p)
{
    return {p.x, p.y};
}
inline Size from_os(os::Size s)
{
    return {s.width, s.height};
}
inline Rect from_os(const os::Rect& r)
{
    return {from_os(r.position), from_os(r.size)};
}

} // namespace skinner
