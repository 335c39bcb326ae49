#pragma once

// Reads the PNG pictures the tools write (skin-preview's screenshots) for the tests to look at.

#include <cstdint>
#include <filesystem>
#include <png.h>
#include <vector>

namespace test {

struct Png {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;

    // 0xRRGGBB of the pixel.
    uint32_t at(int32_t x, int32_t y) const
    {
        size_t i = (size_t(y) * size_t(width) + size_t(x)) * 3;
        return uint32_t(rgb[i]) << 16 | uint32_t(rgb[i + 1]) << 8 | rgb[i + 2];
    }
};

inline bool read_png(const std::filesystem::path& path, Png& png)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    png.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, png.rgb.data(), 0, nullptr))
        return false;
    png.width = int32_t(image.width);
    png.height = int32_t(image.height);
    return true;
}

} // namespace test
