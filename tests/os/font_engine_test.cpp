#include "os/font_engine.h"

#include <gtest/gtest.h>

using os::FontEngine;
using os::FontRequest;

namespace {

constexpr uint32_t s_paper = 0xFFFFFFFFu;
constexpr uint32_t s_ink = 0xFF000080u;

std::shared_ptr<os::FontFace> face(int32_t size, bool bold = false, bool italic = false,
    bool underline = false, std::u16string family = u"Tahoma")
{
    return FontEngine::instance().open({family, size, bold, italic, underline});
}

os::ClipBox whole(const os::Surface& s)
{
    return {0, 0, s.width, s.height};
}

bool inked(uint32_t pixel)
{
    return pixel != s_paper;
}

int32_t ink_count(const os::Surface& s)
{
    int32_t count = 0;
    for (uint32_t p : s.pixels)
        count += inked(p) ? 1 : 0;
    return count;
}

// Mean x of the ink in rows [top, bottom).
double ink_centre(const os::Surface& s, int32_t top, int32_t bottom)
{
    double sum = 0;
    int32_t count = 0;
    for (int32_t y = top; y < bottom; ++y) {
        for (int32_t x = 0; x < s.width; ++x) {
            if (inked(s.at(x, y))) {
                sum += x;
                ++count;
            }
        }
    }
    return count ? sum / count : -1;
}

} // namespace

TEST(FontEngine, same_request_shares_one_face_and_an_unknown_family_falls_back)
{
    auto a = face(16);
    ASSERT_NE(a, nullptr) << "no font installed (fonts-dejavu-core)";
    EXPECT_EQ(a, face(16));
    EXPECT_NE(a, face(16, true));
    // Sizes are cut to the engine's range.
    EXPECT_EQ(face(0), face(1));
    EXPECT_EQ(face(1 << 20), face(os::s_max_pixel_size));
    // An unknown family falls back to an installed face.
    auto f = face(14, false, false, false, u"No Such Family 12345");
    ASSERT_NE(f, nullptr);
    EXPECT_GT(f->measure(u"abc"), 0);
}

TEST(FontEngine, measure_sums_advances_and_skips_control_characters)
{
    auto f = face(20);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->measure(u""), 0);
    EXPECT_EQ(f->measure(u"a\nb\tc\r"), f->measure(u"abc"));
    EXPECT_EQ(f->measure(u"iiii"), 4 * f->measure(u"i"));
    // A lone surrogate and a character outside the basic plane measure without trouble.
    EXPECT_GT(f->measure(u"\xD800"), 0);
    EXPECT_GT(f->measure(u"\U0001F600"), 0);
    // The line height grows with the size.
    auto small = face(12), large = face(32);
    EXPECT_GE(small->line_height(), 12);
    EXPECT_LE(large->line_height(), 48);
    EXPECT_GT(large->ascent(), small->ascent());
}

TEST(FontEngine, draws_inside_the_clip_only)
{
    auto f = face(24);
    ASSERT_NE(f, nullptr);
    os::Surface full(200, 40, s_paper);
    f->draw(full, 5, 5, u"HHHHHHHH", s_ink, whole(full));
    ASSERT_GT(ink_count(full), 0);
    int32_t left = 200, bottom = -1; // ink starts at the pen and "H" ends on the baseline
    for (int32_t i = 0; i < 200 * 40; ++i) {
        if (inked(full.pixels[size_t(i)])) {
            left = std::min(left, i % 200);
            bottom = std::max(bottom, i / 200);
        }
    }
    EXPECT_TRUE(left >= 5 && left <= 10) << left;
    EXPECT_EQ(bottom, 5 + f->ascent() - 1);
    // Solid stems take the colour itself; anti-aliased edges blend it with the background.
    EXPECT_NE(std::find(full.pixels.begin(), full.pixels.end(), s_ink), full.pixels.end());
    EXPECT_NE(std::find_if(full.pixels.begin(), full.pixels.end(),
                  [](uint32_t p) { return p != s_ink && p != s_paper && p >> 24 == 0xFF; }),
        full.pixels.end());

    os::Surface clipped(200, 40, s_paper);
    os::ClipBox box {30, 10, 60, 20};
    f->draw(clipped, 5, 5, u"HHHHHHHH", s_ink, box);
    for (int32_t y = 0; y < 40; ++y) {
        for (int32_t x = 0; x < 200; ++x) {
            bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
            EXPECT_EQ(clipped.at(x, y), inside ? full.at(x, y) : s_paper) << x << "," << y;
        }
    }
    // Drawing past the surface's edges is cut; an empty clip draws nothing.
    os::Surface small(10, 10, s_paper);
    f->draw(small, -15, -12, u"WWWW", s_ink, {-100, -100, 100, 100});
    EXPECT_GT(ink_count(small), 0);
    os::Surface empty(10, 10, s_paper);
    f->draw(empty, 0, 0, u"W", s_ink, {5, 5, 5, 9});
    EXPECT_EQ(ink_count(empty), 0);
}

TEST(FontEngine, bold_inks_more_and_italic_leans_right)
{
    auto regular = face(40);
    auto bold = face(40, true);
    auto italic = face(40, false, true);
    ASSERT_TRUE(regular && bold && italic);
    os::Surface r(200, 60, s_paper), b(200, 60, s_paper), i(200, 60, s_paper);
    regular->draw(r, 10, 0, u"lll", s_ink, whole(r));
    bold->draw(b, 10, 0, u"lll", s_ink, whole(b));
    italic->draw(i, 10, 0, u"l", s_ink, whole(i));
    EXPECT_GT(ink_count(b), ink_count(r) * 5 / 4);
    int32_t a = italic->ascent();
    EXPECT_GT(ink_centre(i, 0, a / 3), ink_centre(i, 2 * a / 3, a) + 2);
}

TEST(FontEngine, underline_is_a_solid_row_below_the_baseline_inside_the_line)
{
    auto underlined = face(24, false, false, true);
    ASSERT_TRUE(underlined);
    int32_t width = underlined->measure(u"a b c");
    os::Surface s(200, 40, s_paper);
    underlined->draw(s, 10, 0, u"a b c", s_ink, whole(s));
    int32_t full_rows = 0;
    for (int32_t y = underlined->ascent(); y < underlined->line_height(); ++y) {
        bool solid = true;
        for (int32_t x = 10; x < 10 + width; ++x)
            solid = solid && s.at(x, y) == s_ink;
        full_rows += solid ? 1 : 0;
    }
    EXPECT_GE(full_rows, 1);
}
