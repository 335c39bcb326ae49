#include "skinner/canvas.h"
#include "skinner/canvas_impl.h"

#include <functional>
#include <gtest/gtest.h>

using skinner::Canvas;
using skinner::Point;
using skinner::RasterOp;
using skinner::Rect;
using skinner::Size;

namespace {

constexpr uint32_t s_white = 0xFFFFFFFFu;
constexpr uint32_t s_black = 0xFF000000u;
constexpr uint32_t s_background = 0xFF203040u;

// A source whose pixel (x, y) is 0xFF00XXYY, so every copied pixel tells where it came from.
os::Surface coordinates(int32_t width, int32_t height)
{
    os::Surface s(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x)
            s.row(y)[x] = 0xFF000000u | uint32_t(x << 8) | uint32_t(y);
    }
    return s;
}

int32_t source_x(uint32_t pixel)
{
    return int32_t((pixel >> 8) & 0xFF);
}
int32_t source_y(uint32_t pixel)
{
    return int32_t(pixel & 0xFF);
}

} // namespace

TEST(Canvas, copy_respects_origin_clip_and_surface_edges)
{
    os::Surface target(8, 8, s_background);
    os::Surface source = coordinates(4, 4);
    // Canvas (0, 0) is surface (2, 2); only canvas x, y in [0, 3) may change.
    Canvas canvas(target, {2, 2}, {{0, 0}, {3, 3}});
    canvas.copy({{-1, -1}, {4, 4}}, source, {0, 0});
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            uint32_t pixel = target.at(x, y);
            if (x >= 2 && x < 5 && y >= 2 && y < 5) {
                // Surface (2, 2) is canvas (0, 0), destination offset (1, 1).
                EXPECT_EQ(source_x(pixel), x - 1);
                EXPECT_EQ(source_y(pixel), y - 1);
            } else {
                EXPECT_EQ(pixel, s_background) << x << "," << y;
            }
        }
    }
    // A clip reaching past the surface is cut to it.
    canvas.set_clip({{-10, -10}, {100, 100}});
    EXPECT_EQ(canvas.clip(), (Rect {{-2, -2}, {8, 8}}));
}

TEST(Canvas, copy_never_reads_outside_the_source)
{
    os::Surface target(4, 4, s_background);
    os::Surface source = coordinates(2, 2);
    Canvas canvas(target);
    canvas.copy({{0, 0}, {4, 4}}, source, {-1, 1});
    // Source x -1 and y 2, 3 do not exist: those destination pixels stay.
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            bool exists = x >= 1 && x <= 2 && y == 0;
            if (exists)
                EXPECT_EQ(target.at(x, y), source.at(x - 1, 1)) << x << "," << y;
            else
                EXPECT_EQ(target.at(x, y), s_background) << x << "," << y;
        }
    }
}

TEST(Canvas, copy_inside_one_surface_moves_rows_down_without_smearing)
{
    os::Surface surface = coordinates(3, 5);
    os::Surface before = surface;
    Canvas canvas(surface);
    canvas.copy({{0, 1}, {3, 4}}, surface, {0, 0});
    for (int32_t y = 1; y < 5; ++y) {
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(surface.at(x, y), before.at(x, y - 1));
    }
}

TEST(Canvas, tiling_starts_at_the_destination_corner_even_when_clipped)
{
    os::Surface source = coordinates(3, 3);
    os::Surface target(10, 10, s_background);
    Canvas canvas(target, {0, 0}, {{4, 4}, {3, 3}});
    canvas.tile({{0, 0}, {10, 10}}, source, {{0, 0}, {3, 3}});
    for (int32_t y = 4; y < 7; ++y) {
        for (int32_t x = 4; x < 7; ++x) {
            EXPECT_EQ(source_x(target.at(x, y)), x % 3);
            EXPECT_EQ(source_y(target.at(x, y)), y % 3);
        }
    }
    EXPECT_EQ(target.at(3, 4), s_background);
    EXPECT_EQ(target.at(7, 7), s_background);
}

TEST(Canvas, fill_and_pixels_stay_inside_the_clip)
{
    os::Surface target(4, 4, s_background);
    Canvas canvas(target, {1, 1}, {{0, 0}, {2, 2}});
    canvas.fill({{-5, -5}, {50, 50}}, s_white);
    canvas.set_pixel({2, 2}, s_black); // outside the clip
    canvas.set_pixel({1, 0}, s_black);
    EXPECT_EQ(target.at(0, 0), s_background);
    EXPECT_EQ(target.at(1, 1), s_white);
    EXPECT_EQ(target.at(2, 1), s_black);
    EXPECT_EQ(target.at(3, 3), s_background);
    EXPECT_EQ(canvas.get_pixel({0, 0}), s_white);
    EXPECT_EQ(canvas.get_pixel({2, 2}), 0u);
    EXPECT_EQ(canvas.get_pixel({-1, 0}), 0u);
}

TEST(Canvas, blend_pixel_follows_the_byte_formula)
{
    // Each byte: (d * 256 + (s - d) * a) / 256.
    auto reference = [](uint32_t s, uint32_t d) {
        int32_t a = int32_t(s >> 24);
        uint32_t out = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            int32_t sb = int32_t((s >> shift) & 0xFF);
            int32_t db = int32_t((d >> shift) & 0xFF);
            out |= uint32_t((db * 256 + (sb - db) * a) / 256) << shift;
        }
        return out;
    };
    uint32_t samples[] = {0x00000000u, 0xFFFFFFFFu, 0x80FF0000u, 0x7F00FF80u, 0x01FFFFFFu, 0xFE123456u,
        0x40A0B0C0u, 0xC0010203u};
    for (uint32_t s : samples) {
        for (uint32_t d : samples)
            EXPECT_EQ(skinner::blend_pixel(s, d), reference(s, d)) << std::hex << s << " over " << d;
    }
    EXPECT_EQ(skinner::blend_pixel(0x00FFFFFFu, 0xFF102030u), 0xFF102030u); // alpha 0 keeps d
    EXPECT_EQ(skinner::blend_pixel(0x80FF0000u, 0xFF0000FFu) & 0x00FFFFFFu, 0x007F007Fu);
}

TEST(Canvas, blend_keeps_the_targets_alpha_and_clip)
{
    os::Surface target(3, 1, 0xFF000000u);
    os::Surface layer(3, 1, 0x80FFFFFFu);
    Canvas canvas(target, {0, 0}, {{0, 0}, {2, 1}});
    canvas.blend({0, 0}, layer);
    EXPECT_EQ(target.at(0, 0), 0xFF7F7F7Fu);
    EXPECT_EQ(target.at(1, 0), 0xFF7F7F7Fu);
    EXPECT_EQ(target.at(2, 0), 0xFF000000u);
}

TEST(CanvasImpl, reuses_and_clears_and_makes_opaque)
{
    skinner::CanvasImpl impl(Size {2, 2});
    EXPECT_EQ(impl.surface().at(1, 1), 0u);
    impl.make_opaque();
    EXPECT_EQ(impl.row(1)[1], 0xFF000000u);
    impl.reset({3, -1}, 7);
    EXPECT_EQ(impl.width(), 3);
    EXPECT_EQ(impl.height(), 0);
}

// Blending straight from the source equals drawing it on a clear layer and blending the layer.
TEST(Canvas, blend_operation_equals_drawing_on_a_clear_layer_then_blending_it)
{
    os::Surface source(7, 5);
    uint32_t seed = 12345;
    for (uint32_t& pixel : source.pixels) {
        seed = seed * 1103515245u + 12345u;
        pixel = seed;
    }
    os::Surface target(40, 30);
    for (size_t i = 0; i < target.pixels.size(); ++i)
        target.pixels[i] = 0x80000000u | uint32_t(i * 2654435761u >> 8);
    const os::Surface& s = source;
    const std::function<void(Canvas&, RasterOp)> draws[] = {
        [&s](Canvas& c, RasterOp op) {
            c.copy({{3, 2}, {9, 9}}, s, {1, 1}, op);
        },
        [&s](Canvas& c, RasterOp op) {
            c.stretch({{-2, 1}, {31, 17}}, s, {{1, 0}, {5, 5}}, op);
        },
        [&s](Canvas& c, RasterOp op) {
            c.stretch({{5, 5}, {4, 3}}, s, {{0, 0}, {7, 5}}, op);
        },
        [&s](Canvas& c, RasterOp op) {
            c.stretch({{2, 2}, {20, 6}}, s, {{6, 4}, {1, 1}}, op);
        },
        // Widened from a rectangle reaching past the source's right edge.
        [&s](Canvas& c, RasterOp op) {
            c.stretch({{0, 0}, {30, 4}}, s, {{5, 0}, {4, 5}}, op);
        },
        [&s](Canvas& c, RasterOp op) {
            c.tile({{1, 0}, {37, 23}}, s, {{2, 1}, {4, 3}}, op);
        },
        [&s](Canvas& c, RasterOp op) {
            c.tile({{0, 3}, {12, 12}}, s, {{3, 3}, {1, 1}}, op);
        },
    };
    for (size_t i = 0; i < std::size(draws); ++i) {
        SCOPED_TRACE(i);
        os::Surface direct = target;
        Canvas canvas(direct, {1, 2}, {{0, 0}, {33, 24}});
        draws[i](canvas, RasterOp::Blend);
        os::Surface layer(target.width, target.height, 0);
        Canvas on_layer(layer, {1, 2}, {{0, 0}, {33, 24}});
        draws[i](on_layer, RasterOp::Copy);
        os::Surface layered = target;
        Canvas(layered).blend({0, 0}, layer);
        EXPECT_EQ(direct.pixels, layered.pixels);
    }
}
