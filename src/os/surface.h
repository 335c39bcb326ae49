#pragma once

// A 32-bit pixel surface: 0xAARRGGBB per pixel, rows top-down without padding. Every window of the
// emulated screen owns one; the skin framework draws into them through its canvas, and the screen
// composes them into the device picture.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace os {

struct Surface {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    Surface() = default;
    Surface(int32_t w, int32_t h, uint32_t fill = 0xFF000000u) { resize(w, h, fill); }

    void resize(int32_t w, int32_t h, uint32_t fill = 0xFF000000u)
    {
        width = w > 0 ? w : 0;
        height = h > 0 ? h : 0;
        pixels.assign(size_t(width) * size_t(height), fill);
    }
    bool contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint32_t* row(int32_t y) { return pixels.data() + size_t(y) * size_t(width); }
    const uint32_t* row(int32_t y) const { return pixels.data() + size_t(y) * size_t(width); }
    uint32_t at(int32_t x, int32_t y) const { return row(y)[x]; }
};

// Colour helpers for 0xAARRGGBB.
inline constexpr uint32_t rgb(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 0xFF)
{
    return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

} // namespace os
