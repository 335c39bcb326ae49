#include "os/zip_writer.h"
#include "skinner/picture.h"
#include "skinner/picture_rep.h"
#include "support/bmp_writer.h"

#include <gtest/gtest.h>
#include <map>

using skinner::Canvas;
using skinner::Picture;
using skinner::Point;
using skinner::Size;

namespace {

constexpr uint32_t s_background = 0xFF000000u;
constexpr uint32_t s_white = 0xFFFFFF;

// A skin archive "test.skin" in the folder, holding the entries.
std::u16string archive(const test::TempDir& dir, const std::map<std::string, test::Bytes>& entries)
{
    os::ZipWriter zip;
    zip.add("test.skin", {'S', 'K', 'I', 'N'});
    for (const auto& [name, bytes] : entries)
        zip.add(name, bytes);
    test::write_file(dir.native("test.skin"), zip.finish());
    return dir.file("test.skin");
}

// A row of pixels 0x(x+1)0100: distinct, never black or white.
test::Bytes numbered_row(int32_t width)
{
    std::vector<uint32_t> pixels;
    for (int32_t x = 0; x < width; ++x)
        pixels.push_back(0x010000u * uint32_t(x + 1) + 0x0100u);
    return test::make_bmp24(width, 1, pixels);
}

// A one-bit mask of 0 (transparent) and 1 (opaque) pixels in one row.
test::Bytes mask_row(std::vector<uint32_t> bits)
{
    return test::make_bmp({.width = int32_t(bits.size()), .bits = 1, .palette = {0, s_white}}, bits);
}

// The picture drawn at `at` in `size` on a black surface.
os::Surface drawn(Picture& picture, Size surface, Point at, Size size)
{
    os::Surface target(surface.width, surface.height, s_background);
    Canvas canvas(target);
    picture.draw(canvas, at, size);
    return target;
}

void frame(Picture& picture, Point inner_left_top, Point inner_right_bottom, Point right_bottom)
{
    picture.set_left_top({0, 0});
    picture.set_inner_left_top(inner_left_top);
    picture.set_inner_right_bottom(inner_right_bottom);
    picture.set_right_bottom(right_bottom);
}

} // namespace

TEST(Picture, loads_from_the_archive_or_beside_it_and_a_missing_one_draws_nothing)
{
    test::TempDir dir;
    test::Bytes broken = test::make_bmp24(1, 1, {0x444444});
    broken.resize(20);
    // An entry that cannot be decoded counts as missing, so the folder's file serves.
    const std::u16string path = archive(dir, {{"Back.bmp", numbered_row(3)}, {"Broken.bmp", broken}});
    test::write_file(dir.native("Side.bmp"), test::make_bmp24(2, 1, {0x222222, 0x333333}));
    test::write_file(dir.native("Broken.bmp"), test::make_bmp24(1, 1, {0x555555}));
    Picture picture(path, u"Back", false, 1);
    EXPECT_EQ(picture.frame(), (skinner::NinePartFrame {0, 0, 0, 0, 3, 1, 3, 1}));
    EXPECT_EQ(drawn(picture, {5, 2}, {1, 1}, {3, 1}).pixels,
        (std::vector<uint32_t> {s_background, s_background, s_background, s_background, s_background,
            s_background, 0xFF010100u, 0xFF020100u, 0xFF030100u, s_background}));
    EXPECT_EQ(Picture(path, u"Side", false, 1).size(), (Size {2, 1}));
    Picture broken_entry(path, u"Broken", false, 1);
    EXPECT_EQ(drawn(broken_entry, {1, 1}, {0, 0}, {1, 1}).pixels[0], 0xFF555555u);

    Picture missing(path, u"Nothing", true, 1);
    EXPECT_FALSE(missing.has_image());
    EXPECT_EQ(drawn(missing, {1, 1}, {0, 0}, {1, 1}).pixels[0], s_background);
    Picture none;
    EXPECT_EQ(drawn(none, {1, 1}, {0, 0}, {1, 1}).pixels[0], s_background);
    EXPECT_TRUE(Picture().is_transparent({0, 0}, {0, 0}, {2, 2}));
}

TEST(Picture, masks_and_alpha_maps_decide_what_is_drawn_and_hit_and_scale_with_the_bitmap)
{
    struct Case {
        const char* name;
        std::vector<uint32_t> colour; // one row
        test::Bytes mask, alpha; // _1 and _8 entries; empty: none
        int32_t scale;
        bool has_mask; // an alpha map is held as the mask
        std::vector<uint32_t> drawn; // each row of the drawn picture
    };
    const uint32_t o = s_background;
    const Case cases[] = {
        {"mask; an alpha map too, the mask wins", {0xFF0000, s_white, 0x0000FF}, mask_row({1, 0, 1}),
            test::make_bmp24(3, 1, {0, 0, 0}), 1, true, {0xFFFF0000u, o, 0xFF0000FFu}},
        // (d * 256 + (s - d) * a) / 256 per byte, the alpha from blue; the target keeps its alpha.
        {"alpha map", {0xFF0000, 0xFF0000, 0x00FF00}, {}, test::make_bmp24(3, 1, {0x000080, 0, 0x0000FF}), 1,
            true, {0xFF7F0000u, o, 0xFF00FE00u}},
        {"mask of another size is ignored", {0x123456, 0x123456}, test::make_bmp24(1, 1, {0}), {}, 1, false,
            {0xFF123456u, 0xFF123456u}},
        {"scale two: the mask scaled too", {0x0000AA, s_white}, mask_row({1, 0}), {}, 2, true,
            {0xFF0000AAu, 0xFF0000AAu, o, o}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const int32_t width = int32_t(c.colour.size());
        std::map<std::string, test::Bytes> entries {{"Pic.bmp", test::make_bmp24(width, 1, c.colour)}};
        if (!c.mask.empty())
            entries["Pic_1.bmp"] = c.mask;
        if (!c.alpha.empty())
            entries["Pic_8.bmp"] = c.alpha;
        Picture picture(archive(dir, entries), u"Pic", false, c.scale);
        EXPECT_EQ(picture.rep()->has_mask(), c.has_mask);
        EXPECT_EQ(picture.rep()->alpha(), !c.alpha.empty() && c.mask.empty());
        EXPECT_EQ(picture.rep()->loaded_size(), (Size {width, 1}));
        ASSERT_EQ(picture.size(), (Size {width * c.scale, c.scale}));
        os::Surface target = drawn(picture, picture.size(), {0, 0}, picture.size());
        for (int32_t y = 0; y < c.scale; ++y) {
            for (int32_t x = 0; x < width * c.scale; ++x) {
                EXPECT_EQ(target.at(x, y), c.drawn[size_t(x)]) << x << "," << y;
                EXPECT_EQ(picture.is_transparent({x, y}, {0, 0}, picture.size()), c.drawn[size_t(x)] == o);
            }
        }
    }
    // Outside its rectangle a picture is transparent; scales outside 1..4 are cut to them.
    test::TempDir dir;
    const std::u16string path = archive(dir, {{"Odd.bmp", numbered_row(2)}});
    Picture odd(path, u"Odd", false, 1);
    EXPECT_FALSE(odd.is_transparent({24, 14}, {5, 5}, {20, 10}));
    EXPECT_TRUE(odd.is_transparent({25, 5}, {5, 5}, {20, 10}));
    EXPECT_TRUE(odd.is_transparent({5, 15}, {5, 5}, {20, 10}));
    EXPECT_TRUE(odd.is_transparent({4, 5}, {5, 5}, {20, 10}));
    EXPECT_EQ(Picture(path, u"Odd", false, 9).rep()->scale(), 4);
    EXPECT_EQ(Picture(path, u"Odd", false, 0).rep()->scale(), 1);
    os::Surface big(5001, 1);
    os::Surface out;
    EXPECT_FALSE(skinner::scale_surface(big, 2, out)) << "beyond the side limit";
    EXPECT_EQ(out.width, 0);
    EXPECT_TRUE(skinner::scale_surface(os::Surface(5000, 1), 2, out));
    EXPECT_EQ(out.width, 10000);
}

TEST(Picture, nine_part_borders_are_kept_or_shrunk_and_the_middle_stretched_or_tiled)
{
    struct Case {
        int32_t source_width;
        bool stretch;
        int32_t left, right; // inner left, inner right; 0, 0: no borders
        std::vector<int32_t> columns; // the source column of each drawn pixel
    };
    const Case cases[] = {
        {10, true, 3, 7, {0, 1, 2, 8, 9}}, // borders 3 + 3 in 5: the right keeps its outer 2
        {6, true, 2, 4, {0, 1, 2, 2, 2, 2, 3, 3, 3, 4, 5}},
        {6, false, 2, 4, {0, 1, 2, 3, 2, 3, 2, 3, 2, 4, 5}},
        {4, false, 0, 0, {0, 1, 2, 3, 0, 1, 2, 3, 0, 1}}, // one cell
        {4, true, 0, 0, {0, 0, 1, 1, 2, 2, 3, 3}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        Picture picture(archive(dir, {{"Bar.bmp", numbered_row(c.source_width)}}), u"Bar", c.stretch, 1);
        if (c.right != 0)
            frame(picture, {c.left, 0}, {c.right, 1}, {c.source_width, 1});
        const int32_t width = int32_t(c.columns.size());
        std::vector<int32_t> columns;
        for (uint32_t pixel : drawn(picture, {width, 1}, {0, 0}, {width, 1}).pixels)
            columns.push_back(int32_t((pixel >> 16) & 0xFF) - 1);
        EXPECT_EQ(columns, c.columns) << c.source_width << " " << c.stretch << " " << width;
    }
}

TEST(Picture, transparency_matches_what_is_drawn_in_borders_and_middles)
{
    // Mask 6 x 6, black on column 1, column 3 and row 4; the colour is white there.
    std::vector<uint32_t> mask, color;
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            bool clear = x == 1 || x == 3 || y == 4;
            mask.push_back(clear ? 0 : s_white);
            color.push_back(clear ? s_white : 0x0A0B0C);
        }
    }
    test::TempDir dir;
    const std::u16string path = archive(
        dir, {{"Mesh.bmp", test::make_bmp24(6, 6, color)}, {"Mesh_1.bmp", test::make_bmp24(6, 6, mask)}});
    for (bool stretch : {true, false}) {
        Picture picture(path, u"Mesh", stretch, 1);
        frame(picture, {2, 2}, {4, 4}, {6, 6});
        const Point at {3, 2};
        const Size size {11, 13};
        os::Surface target = drawn(picture, {16, 16}, at, size);
        for (int32_t y = 0; y < 16; ++y) {
            for (int32_t x = 0; x < 16; ++x) {
                EXPECT_EQ(picture.is_transparent({x, y}, at, size), target.at(x, y) == s_background)
                    << "stretch " << stretch << " at " << x << "," << y;
            }
        }
    }
}
