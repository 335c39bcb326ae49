#pragma once

#include "support/test_support.h"

// Bitmap files at every depth skins use. values: one per pixel, rows top-down; palette indices at
// 1, 4 and 8 bits, raw words at 16, 0xRRGGBB at 24 and 32.

#include <cstdint>
#include <vector>

namespace test {

struct BmpSpec {
    int32_t width = 1;
    int32_t height = 1; // positive; top_down stores a negative height
    uint16_t bits = 24;
    bool top_down = false;
    uint32_t compression = 0; // 3 = BI_BITFIELDS (masks follow the 40-byte header)
    uint32_t masks[3] = {0, 0, 0}; // red, green, blue, for BI_BITFIELDS
    std::vector<uint32_t> palette; // 0xRRGGBB; stored with this many entries, and as biClrUsed
    uint32_t header_size = 40; // 12 writes the core header with 3-byte palette entries
};

Bytes make_bmp(const BmpSpec& spec, const std::vector<uint32_t>& values);

// A 24-bit bitmap of 0xRRGGBB pixels, rows top-down.
Bytes make_bmp24(int32_t width, int32_t height, const std::vector<uint32_t>& pixels);

// Little-endian overwrite of a field, for damaged headers.
void patch32(Bytes& bytes, size_t offset, uint32_t value);
void patch16(Bytes& bytes, size_t offset, uint16_t value);

} // namespace test
