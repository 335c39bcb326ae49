#include "os/png_writer.h"

#include "liba/text.h"

#include <cstdio>
#include <png.h>
#include <vector>

namespace os {

namespace {

void rgb_row(const uint32_t* pixels, int32_t width, png_byte* out)
{
    for (int32_t x = 0; x < width; ++x) {
        uint32_t pixel = pixels[x];
        out[3 * x] = png_byte(pixel >> 16);
        out[3 * x + 1] = png_byte(pixel >> 8);
        out[3 * x + 2] = png_byte(pixel);
    }
}

// libpng reports errors by longjmp: nothing with a destructor lives in this frame.
bool encode(std::FILE* file, const Surface& surface, png_byte* row)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(surface.width), png_uint_32(surface.height), 8, PNG_COLOR_TYPE_RGB,
        PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < surface.height; ++y) {
        rgb_row(surface.row(y), surface.width, row);
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool write_png(const Surface& surface, const std::u16string& path)
{
    if (surface.width <= 0 || surface.height <= 0
        || surface.pixels.size() != size_t(surface.width) * size_t(surface.height))
        return false;
    std::string native = liba::to_utf8(path);
    std::FILE* file = std::fopen(native.c_str(), "wb");
    if (!file)
        return false;
    std::vector<png_byte> row(size_t(surface.width) * 3);
    bool written = encode(file, surface, row.data());
    if (std::fclose(file) != 0)
        written = false;
    if (!written)
        std::remove(native.c_str());
    return written;
}

} // namespace os
