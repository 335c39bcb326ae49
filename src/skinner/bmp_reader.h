#pragma once

// Windows bitmap files (".bmp") into 32-bit surfaces. Accepted: the 12-byte core header and the
// 40-byte information header with any of its longer successors; 1, 4 and 8 bits per pixel with a
// palette, 16 bits as 5-5-5 or with BI_BITFIELDS masks (5-6-5 and any other contiguous masks),
// 24 bits, 32 bits (plain or with masks); rows bottom-up (positive height) or top-down (negative
// height). Every pixel of the result has alpha 0xFF: the system never takes transparency from a
// bitmap's own alpha, only from separate mask and alpha-map bitmaps.
//
// Refused, with a message: anything without the "BM" signature, run-length and other compressed
// data, sides of 0 or beyond s_bmp_max_side, a palette larger than the bit depth allows or running
// past the end, pixel data starting past the end, and pixel data cut short. Nothing is allocated
// for the pixels before the stream is known to hold them all.
//
// Palette indices beyond the palette the file holds give black pixels.

#include "liba/streams.h"
#include "os/surface.h"

#include <cstdint>
#include <string>

namespace skinner {

// The largest width and height accepted, as the handheld's image decoder had it.
inline constexpr int32_t s_bmp_max_side = 10000;

// Reads the bitmap that fills the stream from its position 0. On success image holds it and the
// result is true; on failure image is left empty and error says why.
bool read_bmp(liba::ResourceReader& stream, os::Surface& image, std::u16string& error);

} // namespace skinner
