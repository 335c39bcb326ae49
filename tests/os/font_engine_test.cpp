#include "os/font_engine.h"
#include "os/geometry.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

constexpr uint32_t s_paper = 0xFFFFFFFFu;
constexpr uint32_t s_ink = 0xFF000080u;

std::shared_ptr<os::FontFace> face(
    int32_t size, bool bold = false, bool italic = false, bool underline = false)
{
    return os::FontEngine::instance().open({u"Tahoma", size, bold, italic, underline});
}

// Paper of the size with the text drawn in ink at (x, y), clipped to clip (else the whole paper).
os::Surface drawn(const std::shared_ptr<os::FontFace>& face, os::Size size, int32_t x, int32_t y,
    std::u16string_view text, std::optional<os::ClipBox> clip = {})
{
    os::Surface s(size.width, size.height, s_paper);
    face->draw(s, x, y, text, s_ink, clip.value_or(os::ClipBox {0, 0, size.width, size.height}));
    return s;
}

int32_t ink_count(const os::Surface& s)
{
    return int32_t(std::count_if(s.pixels.begin(), s.pixels.end(), [](uint32_t p) { return p != s_paper; }));
}

// Mean x of the ink in rows [top, bottom).
double ink_centre(const os::Surface& s, int32_t top, int32_t bottom)
{
    double sum = 0, count = 0;
    for (int32_t i = top * s.width; i < bottom * s.width; ++i) {
        sum += s.pixels[size_t(i)] != s_paper ? i % s.width : 0;
        count += s.pixels[size_t(i)] != s_paper ? 1 : 0;
    }
    return count ? sum / count : -1;
}

} // namespace

TEST(FontEngine,
    faces_are_shared_and_fall_back_measure_sums_advances_and_drawing_keeps_to_the_clip_in_each_style)
{
    auto f = face(20);
    ASSERT_NE(f, nullptr) << "no font installed (fonts-dejavu-core)";
    EXPECT_EQ(f, face(20));
    EXPECT_NE(f, face(20, true));
    EXPECT_EQ(face(0), face(1)); // sizes are cut to the engine's range
    EXPECT_EQ(face(1 << 20), face(os::s_max_pixel_size));

    EXPECT_EQ(f->measure(u"a\nb\tc\r"), f->measure(u"abc"));
    EXPECT_EQ(f->measure(u"iiii"), 4 * f->measure(u"i"));
    // A lone surrogate and a character outside the basic plane measure without trouble.
    EXPECT_GT(f->measure(u"\xD800"), 0);
    EXPECT_GT(f->measure(u"\U0001F600"), 0);

    // Drawing stays inside the clip.
    f = face(24);
    os::Surface full = drawn(f, {200, 40}, 5, 5, u"HHHHHHHH");
    int32_t left = 200, bottom = -1; // ink starts at the pen and "H" ends on the baseline
    for (int32_t i = 0; i < 200 * 40; ++i)
        if (full.pixels[size_t(i)] != s_paper) {
            left = std::min(left, i % 200);
            bottom = std::max(bottom, i / 200);
        }
    EXPECT_TRUE(left >= 5 && left <= 10) << left;
    EXPECT_EQ(bottom, 5 + f->ascent() - 1);
    // Solid stems take the colour itself; anti-aliased edges blend it with the background.
    EXPECT_NE(std::find(full.pixels.begin(), full.pixels.end(), s_ink), full.pixels.end());
    EXPECT_NE(std::find_if(full.pixels.begin(), full.pixels.end(),
                  [](uint32_t p) { return p != s_ink && p != s_paper && p >> 24 == 0xFF; }),
        full.pixels.end());

    os::ClipBox box {30, 10, 60, 20};
    os::Surface clipped = drawn(f, {200, 40}, 5, 5, u"HHHHHHHH", box);
    for (int32_t y = 0; y < 40; ++y) {
        for (int32_t x = 0; x < 200; ++x) {
            bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
            EXPECT_EQ(clipped.at(x, y), inside ? full.at(x, y) : s_paper) << x << "," << y;
        }
    }
    // Drawing past the surface's edges is cut; an empty clip draws nothing.
    EXPECT_GT(ink_count(drawn(f, {10, 10}, -15, -12, u"WWWW", os::ClipBox {-100, -100, 100, 100})), 0);
    EXPECT_EQ(ink_count(drawn(f, {10, 10}, 0, 0, u"W", os::ClipBox {5, 5, 5, 9})), 0);

    // Bold inks more, italic leans right, and underline is a solid row below the baseline.
    auto regular = face(40), bold = face(40, true), italic = face(40, false, true);
    auto underlined = face(24, false, false, true);
    ASSERT_TRUE(regular && bold && italic && underlined);
    EXPECT_GT(ink_count(drawn(bold, {200, 60}, 10, 0, u"lll")),
        ink_count(drawn(regular, {200, 60}, 10, 0, u"lll")) * 5 / 4);
    os::Surface i = drawn(italic, {200, 60}, 10, 0, u"l");
    int32_t a = italic->ascent();
    EXPECT_GT(ink_centre(i, 0, a / 3), ink_centre(i, 2 * a / 3, a) + 2);

    int32_t width = underlined->measure(u"a b c");
    os::Surface s = drawn(underlined, {200, 40}, 10, 0, u"a b c");
    bool solid_row = false;
    for (int32_t y = underlined->ascent(); y < underlined->line_height(); ++y)
        solid_row = solid_row
            || std::all_of(s.pixels.begin() + y * 200 + 10, s.pixels.begin() + y * 200 + 10 + width,
                [](uint32_t p) { return p == s_ink; });
    EXPECT_TRUE(solid_row);
}
