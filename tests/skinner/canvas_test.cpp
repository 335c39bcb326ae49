// The canvas and the fonts drawn on it.

#include "liba/text.h"
#include "os/font_engine.h"
#include "skinner/canvas.h"
#include "skinner/canvas_impl.h"
#include "skinner/font.h"
#include "skinner/font_rep.h"
#include "support/test_support.h"

#include <cstdlib>
#include <gtest/gtest.h>

using skinner::Canvas;
using skinner::Color;
using skinner::Font;
using skinner::FontDescription;
using skinner::Point;
using skinner::RasterOp;
using skinner::Rect;
using skinner::Size;

namespace {

constexpr uint32_t s_white = 0xFFFFFFFFu, s_black = 0xFF000000u, s_background = 0xFF203040u;

// Pixel (x, y) of a source is 0xFF00XXYY, so every copied pixel tells where it came from.
uint32_t from(int32_t x, int32_t y)
{
    return 0xFF000000u | uint32_t(x << 8) | uint32_t(y);
}

os::Surface coordinates(int32_t width, int32_t height)
{
    os::Surface s(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            s.row(y)[x] = from(x, y);
    return s;
}

constexpr Color s_ink {0, 0, 0x80, 0x55};

FontDescription parsed(std::u16string_view text)
{
    FontDescription d;
    EXPECT_TRUE(skinner::parse_font_description(text, d)) << std::string(text.begin(), text.end());
    return d;
}

bool malformed(std::u16string_view text)
{
    FontDescription d;
    d.face = u"untouched";
    bool ok = skinner::parse_font_description(text, d);
    return !ok && d.face == u"untouched" && d.height == 12;
}

// The inked columns and rows of a surface.
struct Ink {
    int32_t left = INT32_MAX, right = -1, top = INT32_MAX, bottom = -1;
    explicit Ink(const os::Surface& s)
    {
        for (int32_t y = 0; y < s.height; ++y) {
            for (int32_t x = 0; x < s.width; ++x) {
                if (s.at(x, y) != s_white) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
    }
    bool any() const { return right >= 0; }
    bool inside(const Rect& r) const
    {
        return left >= r.left() && right < r.right() && top >= r.top() && bottom < r.bottom();
    }
};

Font make_font(std::u16string_view description, int32_t scale = 1)
{
    Font font(scale);
    EXPECT_TRUE(font.set(description));
    return font;
}

} // namespace

TEST(Canvas, copies_and_tiles_respect_origin_clip_and_both_surfaces_edges)
{
    const os::Surface source = coordinates(4, 4);
    struct Case {
        const char* name;
        Point origin;
        Rect clip;
        bool tile;
        Rect dest, src;
        Rect changed; // in surface pixels, which show source pixel (x - shift) modulo `modulo`
        Point shift;
        int32_t modulo = 8;
    };
    const Case cases[] = {
        // Canvas (0, 0) is surface (2, 2), destination offset (1, 1).
        {"copy", {2, 2}, {{0, 0}, {3, 3}}, false, {{-1, -1}, {4, 4}}, {}, {{2, 2}, {3, 3}}, {1, 1}},
        // Source x -1 and y 4, 5 do not exist: those destination pixels stay.
        {"copy from outside the source", {0, 0}, {{0, 0}, {8, 8}}, false, {{0, 0}, {8, 8}}, {{-1, 2}, {}},
            {{1, 0}, {4, 2}}, {1, -2}},
        // The pattern starts at the destination corner even where the clip cuts it.
        {"tile", {0, 0}, {{4, 4}, {3, 3}}, true, {{0, 0}, {8, 8}}, {{0, 0}, {3, 3}}, {{4, 4}, {3, 3}}, {0, 0},
            3},
    };
    for (const Case& c : cases) {
        os::Surface target(8, 8, s_background);
        Canvas canvas(target, c.origin, c.clip);
        if (c.tile)
            canvas.tile(c.dest, source, c.src);
        else
            canvas.copy(c.dest, source, c.src.position);
        for (int32_t y = 0; y < 8; ++y) {
            for (int32_t x = 0; x < 8; ++x) {
                bool changed = c.changed.contains({x, y});
                EXPECT_EQ(target.at(x, y),
                    changed ? from((x - c.shift.x) % c.modulo, (y - c.shift.y) % c.modulo) : s_background)
                    << c.name << " at " << x << "," << y;
            }
        }
    }
    // A copy inside one surface moves rows down without smearing.
    os::Surface surface = coordinates(3, 5);
    Canvas(surface).copy({{0, 1}, {3, 4}}, surface, {0, 0});
    for (int32_t y = 1; y < 5; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(surface.at(x, y), from(x, y - 1));
}

TEST(Canvas, fills_pixels_and_blends_stay_inside_the_clip)
{
    os::Surface target(4, 4, s_background);
    Canvas canvas(target, {1, 1}, {{0, 0}, {2, 2}});
    canvas.fill({{-5, -5}, {50, 50}}, s_white);
    canvas.set_pixel({2, 2}, s_black); // outside the clip
    canvas.set_pixel({1, 0}, s_black);
    const uint32_t o = s_background, w = s_white, b = s_black;
    EXPECT_EQ(target.pixels, (std::vector<uint32_t> {o, o, o, o, o, w, b, o, o, w, w, o, o, o, o, o}));
    EXPECT_EQ((std::tuple {canvas.get_pixel({0, 0}), canvas.get_pixel({2, 2}), canvas.get_pixel({-1, 0})}),
        (std::tuple {s_white, 0u, 0u}));
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
    EXPECT_EQ((Size {impl.width(), impl.height()}), (Size {3, 0}));
}

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
    const Case cases[]
        = {{copy, {{3, 2}, {9, 9}}, {{1, 1}, {0, 0}}}, {stretch, {{-2, 1}, {31, 17}}, {{1, 0}, {5, 5}}},
            {stretch, {{5, 5}, {4, 3}}, {{0, 0}, {7, 5}}}, {stretch, {{2, 2}, {20, 6}}, {{6, 4}, {1, 1}}},
            {stretch, {{0, 0}, {30, 4}}, {{5, 0}, {4, 5}}}, // widened from past the source's right edge
            {tile, {{1, 0}, {37, 23}}, {{2, 1}, {4, 3}}}, {tile, {{0, 3}, {12, 12}}, {{3, 3}, {1, 1}}}};
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

TEST(Font, descriptions_are_four_integers_then_the_face_and_text_is_shortened_whole_characters_at_a_time)
{
    FontDescription d = parsed(u"  8 1 2 -1 \t Arial Narrow ");
    EXPECT_EQ((std::tuple {d.height, d.bold, d.italic, d.underline, d.face}),
        (std::tuple {8, true, true, true, std::u16string(u"Arial Narrow ")}));
    d = parsed(u"32 0 0 0 Tahoma");
    EXPECT_FALSE(d.bold || d.italic || d.underline);
    EXPECT_EQ(parsed(u"12 0 0 0").face, u"");
    EXPECT_EQ(parsed(u"12 0 0 0Tahoma").face, u"Tahoma");
    for (const char16_t* text :
        {u"", u"Tahoma", u"12 0 0", u"12 0 0 x Tahoma", u"12x 0 0 0 Tahoma", u"12,0,0,0 Tahoma",
            u"- 0 0 0 Tahoma", u"2147483648 0 0 0 Tahoma", u"99999999999999999999 0 0 0 Tahoma"})
        EXPECT_TRUE(malformed(text)) << liba::to_utf8(text);

    // The font's height, weight and face follow the description and the scale.
    Font font = make_font(u"12 1 0 0 Tahoma", 2);
    EXPECT_EQ((std::pair {font.rep()->logical_height(), font.rep()->weight()}), (std::pair {-32, 700}));
    EXPECT_EQ(make_font(u"10 0 0 0 X").rep()->logical_height(), -13); // 13.33 truncated
    EXPECT_EQ(make_font(u"-10 0 0 0 X").rep()->logical_height(), 13);
    EXPECT_EQ(make_font(u"0 0 0 0 X").rep()->logical_height(), 0);
    EXPECT_EQ(skinner::pixel_size_for(-32), 32);
    EXPECT_EQ(skinner::pixel_size_for(0), 12);
    EXPECT_EQ(skinner::pixel_size_for(INT32_MIN), os::s_max_pixel_size);
    // A height that overflows 32 bits after scaling is cut, not wrapped.
    EXPECT_EQ(make_font(u"2147483647 0 0 0 X", 4).rep()->logical_height(), INT32_MIN);
    EXPECT_EQ(
        make_font(u"12 0 0 0 " + std::u16string(40, u'A')).rep()->face_name(), std::u16string(31, u'A'));

    // Ellipses, at ten pixels per code unit as in a fixed-pitch font.
    using skinner::shorten_with_ellipsis;
    auto fixed_width = [](std::u16string_view text) { return int32_t(text.size()) * 10; };
    // Exactly as wide as the room: shortened.
    EXPECT_EQ(shorten_with_ellipsis(u"abcdef", 60, fixed_width), u"abcd\u2026");
    EXPECT_EQ(shorten_with_ellipsis(u"abcdef", 61, fixed_width), u"abcdef");
    EXPECT_EQ(shorten_with_ellipsis(u"abcdef", 0, fixed_width), u"\u2026");
    EXPECT_EQ(shorten_with_ellipsis(u"", 0, fixed_width), u"");
    // The cut never splits a surrogate pair.
    EXPECT_EQ(shorten_with_ellipsis(u"ab\U0001F600cd", 50, fixed_width), u"ab\u2026");
}

TEST(Font, measures_and_draws_aligned_text_inside_the_rectangle_and_the_clip)
{
    Font font = make_font(u"16 0 0 0 Tahoma");
    const Size line = font.measure(u"Menu");
    EXPECT_EQ(font.measure(u""), (Size {0, line.height}));
    EXPECT_GT(Font().measure(u"Hello").width, 0) << "an unset font measures with the default face";

    Rect box {{20, 10}, {200, 40}};
    auto draw = [&](std::u16string_view text, int32_t h, int32_t v, Rect within = {{0, 0}, {240, 60}}) {
        os::Surface s(240, 60, s_white);
        Canvas canvas(s, within.position, {{0, 0}, within.size});
        font.draw_text(canvas, s_ink, text, box.position, box.size, h, v);
        return Ink(s);
    };
    Ink left = draw(u"Menu", 0, 0), centre = draw(u"Menu", 1, 1), right = draw(u"Menu", 2, 2);
    ASSERT_TRUE(left.any() && centre.any() && right.any());
    EXPECT_TRUE(left.inside(box) && left.left - box.left() <= 3 && box.right() - 1 - right.right <= 3);
    EXPECT_EQ(right.left - left.left, box.size.width - line.width);
    EXPECT_EQ(centre.left - left.left, (box.size.width - line.width) / 2);
    EXPECT_EQ(right.top - left.top, box.size.height - line.height);
    EXPECT_EQ(centre.top - left.top, (box.size.height - line.height) / 2);
    Ink other = draw(u"Menu", 7, -1);
    EXPECT_EQ(other.left, left.left) << "an unknown alignment counts as left/top";
    EXPECT_EQ(other.top, left.top);

    // Text wider and a box lower than the line: the ink stays inside, and inside the canvas's clip.
    box = {{40, 20}, {60, 12}};
    Ink cut = draw(u"WWWWWWWWWWWW", 1, 1);
    EXPECT_TRUE(cut.any() && cut.inside(box));
    box = {{0, 0}, {300, 80}};
    EXPECT_TRUE(draw(u"WWWWWWWWWWWW", 0, 0, {{10, 0}, {50, 60}}).inside({{10, 0}, {50, 60}}));
}

TEST(FontWithoutFontsDeathTest, measures_zero_and_draws_nothing)
{
    // The child process starts afresh, so the engine meets fontconfig for the first time there,
    // configured with no font folders at all.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    test::TempDir dir;
    test::write_file(dir.native("fonts.conf"),
        test::Bytes {'<', 'f', 'o', 'n', 't', 'c', 'o', 'n', 'f', 'i', 'g', '/', '>'});
    std::string config = dir.native("fonts.conf").string();
    auto run = [&] {
        ::setenv("FONTCONFIG_FILE", config.c_str(), 1);
        ::setenv("FONTCONFIG_PATH", dir.path().c_str(), 1);
        bool ok = os::FontEngine::instance().open({u"Tahoma", 12, false, false, false}) == nullptr;
        Font font = make_font(u"12 0 0 0 Tahoma");
        Font unset;
        ok = ok && font.measure(u"Hello") == Size {0, 0} && unset.measure(u"Hello") == Size {0, 0};
        os::Surface s(50, 20, s_white);
        Canvas canvas(s);
        font.draw_text(canvas, s_ink, u"Hello", {0, 0}, {50, 20}, 0, 0);
        font.draw_text_ellipsis(canvas, s_ink, u"Hello", {0, 0}, {5, 20}, 0, 0);
        unset.draw_text(canvas, s_ink, u"Hello", {0, 0}, {50, 20}, 0, 0);
        ok = ok && !Ink(s).any();
        std::exit(ok ? 0 : 1);
    };
    EXPECT_EXIT(run(), testing::ExitedWithCode(0), "");
}
