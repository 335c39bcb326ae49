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

uint32_t from(int32_t x, int32_t y)
{
    return 0xFF000000u | uint32_t(x << 8) | uint32_t(y);
}

} // namespace

TEST(Canvas, copies_and_tiles_respect_origin_clip_and_both_surfaces_edges)
{
    const os::Surface source = coordinates(4, 4);
    struct Case {
        const char* name;
        Point origin;
        Rect clip;
        std::function<void(Canvas&)> draw;
        std::function<uint32_t(int32_t, int32_t)> expected; // per surface pixel
    };
    const Case cases[] = {
        // Canvas (0, 0) is surface (2, 2), destination offset (1, 1): surface (x, y) shows (x - 1, y - 1).
        {"copy", {2, 2}, {{0, 0}, {3, 3}},
            [&](Canvas& c) {
                c.copy({{-1, -1}, {4, 4}}, source, {0, 0});
            },
            [](int32_t x, int32_t y) {
                return x >= 2 && x < 5 && y >= 2 && y < 5 ? from(x - 1, y - 1) : s_background;
            }},
        // Source x -1 and y 4, 5 do not exist: those destination pixels stay.
        {"copy from outside the source", {0, 0}, {{0, 0}, {8, 8}},
            [&](Canvas& c) {
                c.copy({{0, 0}, {8, 8}}, source, {-1, 2});
            },
            [](int32_t x, int32_t y) {
                return x >= 1 && x <= 4 && y < 2 ? from(x - 1, y + 2) : s_background;
            }},
        // The pattern starts at the destination corner even where the clip cuts it.
        {"tile", {0, 0}, {{4, 4}, {3, 3}},
            [&](Canvas& c) {
                c.tile({{0, 0}, {8, 8}}, source, {{0, 0}, {3, 3}});
            },
            [](int32_t x, int32_t y) {
                return x >= 4 && x < 7 && y >= 4 && y < 7 ? from(x % 3, y % 3) : s_background;
            }},
    };
    for (const Case& c : cases) {
        os::Surface target(8, 8, s_background);
        Canvas canvas(target, c.origin, c.clip);
        c.draw(canvas);
        for (int32_t y = 0; y < 8; ++y) {
            for (int32_t x = 0; x < 8; ++x)
                EXPECT_EQ(target.at(x, y), c.expected(x, y)) << c.name << " at " << x << "," << y;
        }
    }
    // A copy inside one surface moves rows down without smearing.
    os::Surface surface = coordinates(3, 5);
    Canvas(surface).copy({{0, 1}, {3, 4}}, surface, {0, 0});
    for (int32_t y = 1; y < 5; ++y) {
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(surface.at(x, y), from(x, y - 1));
    }
}

TEST(Canvas, fills_pixels_and_blends_stay_inside_the_clip)
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
    // A clip reaching past the surface is cut to it.
    canvas.set_clip({{-10, -10}, {100, 100}});
    EXPECT_EQ(canvas.clip(), (Rect {{-1, -1}, {4, 4}}));

    // A blended layer keeps the target's alpha and clip.
    os::Surface dark(3, 1, 0xFF000000u);
    Canvas(dark, {0, 0}, {{0, 0}, {2, 1}}).blend({0, 0}, os::Surface(3, 1, 0x80FFFFFFu));
    EXPECT_EQ(dark.pixels, (std::vector<uint32_t> {0xFF7F7F7Fu, 0xFF7F7F7Fu, 0xFF000000u}));

    skinner::CanvasImpl impl(Size {2, 2});
    EXPECT_EQ(impl.surface().at(1, 1), 0u);
    impl.make_opaque();
    EXPECT_EQ(impl.row(1)[1], 0xFF000000u);
    impl.reset({3, -1}, 7);
    EXPECT_EQ(impl.width(), 3);
    EXPECT_EQ(impl.height(), 0);
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
    const uint32_t samples[] = {0x00000000u, 0xFFFFFFFFu, 0x80FF0000u, 0x7F00FF80u, 0x01FFFFFFu, 0xFE123456u,
        0x40A0B0C0u, 0xC0010203u};
    for (uint32_t s : samples) {
        for (uint32_t d : samples)
            EXPECT_EQ(skinner::blend_pixel(s, d), reference(s, d)) << std::hex << s << " over " << d;
    }
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
    enum Kind { copy, stretch, tile };
    struct Case {
        Kind kind;
        Rect dest, src;
    };
    const Case cases[] = {
        {copy, {{3, 2}, {9, 9}}, {{1, 1}, {0, 0}}},
        {stretch, {{-2, 1}, {31, 17}}, {{1, 0}, {5, 5}}},
        {stretch, {{5, 5}, {4, 3}}, {{0, 0}, {7, 5}}},
        {stretch, {{2, 2}, {20, 6}}, {{6, 4}, {1, 1}}},
        {stretch, {{0, 0}, {30, 4}}, {{5, 0}, {4, 5}}}, // widened from past the source's right edge
        {tile, {{1, 0}, {37, 23}}, {{2, 1}, {4, 3}}},
        {tile, {{0, 3}, {12, 12}}, {{3, 3}, {1, 1}}},
    };
    for (const Case& c : cases) {
        auto draw = [&](Canvas& canvas, RasterOp op) {
            if (c.kind == copy)
                canvas.copy(c.dest, source, c.src.position, op);
            else if (c.kind == stretch)
                canvas.stretch(c.dest, source, c.src, op);
            else
                canvas.tile(c.dest, source, c.src, op);
        };
        os::Surface direct = target;
        Canvas canvas(direct, {1, 2}, {{0, 0}, {33, 24}});
        draw(canvas, RasterOp::Blend);
        os::Surface layer(target.width, target.height, 0);
        Canvas on_layer(layer, {1, 2}, {{0, 0}, {33, 24}});
        draw(on_layer, RasterOp::Copy);
        os::Surface layered = target;
        Canvas(layered).blend({0, 0}, layer);
        EXPECT_EQ(direct.pixels, layered.pixels) << "kind " << c.kind << " at " << c.dest.position.x;
    }
}
