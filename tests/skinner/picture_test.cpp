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
constexpr uint32_t s_black = 0x000000;

// A skin archive "test.skin" in a fresh folder; files may also be put beside it.
class Skin {
public:
    Skin& entry(const std::string& name, const test::Bytes& bytes)
    {
        m_entries[name] = bytes;
        return *this;
    }
    Skin& beside(const std::string& name, const test::Bytes& bytes)
    {
        test::write_file(m_dir.native(name), bytes);
        return *this;
    }
    std::u16string path()
    {
        os::ZipWriter zip;
        zip.add("test.skin", {'S', 'K', 'I', 'N'});
        for (const auto& [name, bytes] : m_entries)
            zip.add(name, bytes);
        test::write_file(m_dir.native("test.skin"), zip.finish());
        return m_dir.file("test.skin");
    }

private:
    test::TempDir m_dir;
    std::map<std::string, test::Bytes> m_entries;
};

// Pixel (x, y) of a picture source is 0x(x+1)(y+1)00: distinct, never black or white.
std::vector<uint32_t> coordinates(int32_t width, int32_t height)
{
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x)
            pixels.push_back(0x010000u * uint32_t(x + 1) + 0x0100u * uint32_t(y + 1));
    }
    return pixels;
}

int32_t source_x(uint32_t pixel)
{
    return int32_t((pixel >> 16) & 0xFF) - 1;
}

struct Target {
    os::Surface surface;
    Canvas canvas;
    Target(int32_t width, int32_t height)
        : surface(width, height, s_background)
        , canvas(surface)
    {
    }
    uint32_t at(int32_t x, int32_t y) const { return surface.at(x, y); }
    // The source column of each pixel of row 0.
    std::vector<int32_t> columns() const
    {
        std::vector<int32_t> result;
        for (int32_t x = 0; x < surface.width; ++x)
            result.push_back(source_x(at(x, 0)));
        return result;
    }
};

void frame(
    Picture& picture, Point left_top, Point inner_left_top, Point inner_right_bottom, Point right_bottom)
{
    picture.set_left_top(left_top);
    picture.set_inner_left_top(inner_left_top);
    picture.set_inner_right_bottom(inner_right_bottom);
    picture.set_right_bottom(right_bottom);
}

} // namespace

TEST(Picture, loads_from_the_archive_or_beside_it_and_a_missing_one_draws_nothing)
{
    Skin skin;
    skin.entry("Back.bmp", test::make_bmp24(3, 2, coordinates(3, 2)));
    skin.beside("Side.bmp", test::make_bmp24(2, 1, {0x222222, 0x333333}));
    Picture picture(skin.path(), u"Back", false, 1);
    EXPECT_EQ(picture.frame(), (skinner::NinePartFrame {0, 0, 0, 0, 3, 2, 3, 2}));
    Target target(5, 4);
    picture.draw(target.canvas, {1, 1}, {3, 2});
    EXPECT_EQ(target.at(0, 0), s_background);
    EXPECT_EQ(target.at(1, 1), 0xFF000000u | 0x010100u);
    EXPECT_EQ(target.at(3, 2), 0xFF000000u | 0x030200u);
    EXPECT_EQ(target.at(4, 3), s_background);
    EXPECT_EQ(Picture(skin.path(), u"Side", false, 1).size(), (Size {2, 1}));

    // An entry that cannot be decoded counts as missing, so the folder's file serves.
    test::Bytes broken = test::make_bmp24(1, 1, {0x444444});
    broken.resize(20);
    Skin damaged;
    damaged.entry("Back.bmp", broken).beside("Back.bmp", test::make_bmp24(1, 1, {0x555555}));
    Picture back(damaged.path(), u"Back", false, 1);
    Target one(2, 2);
    back.draw(one.canvas, {0, 0}, {1, 1});
    EXPECT_EQ(one.at(0, 0), 0xFF555555u);

    Picture missing(skin.path(), u"Nothing", true, 1);
    EXPECT_FALSE(missing.has_image());
    missing.draw(one.canvas, {1, 1}, {1, 1});
    Picture().draw(one.canvas, {1, 1}, {1, 1});
    EXPECT_EQ(one.at(1, 1), s_background);
    EXPECT_TRUE(Picture().is_transparent({0, 0}, {0, 0}, {2, 2}));
}

// A one-bit mask of 0 (transparent) and 1 (opaque) pixels in one row.
test::Bytes mask_row(std::vector<uint32_t> bits)
{
    return test::make_bmp({.width = int32_t(bits.size()), .bits = 1, .palette = {s_black, s_white}}, bits);
}

TEST(Picture, masks_and_alpha_maps_decide_what_is_drawn_and_hit_and_scale_with_the_bitmap)
{
    struct Case {
        const char* name;
        std::vector<uint32_t> colour; // one row
        test::Bytes mask, alpha; // _1 and _8 entries; empty: none
        int32_t scale;
        bool has_mask, alpha_map; // an alpha map is held as the mask
        std::vector<uint32_t> drawn; // each row of the drawn picture
    };
    const uint32_t o = s_background;
    const Case cases[] = {
        {"mask; an alpha map too, the mask wins", {0xFF0000, s_white, 0x0000FF}, mask_row({1, 0, 1}),
            test::make_bmp24(3, 1, {0, 0, 0}), 1, true, false, {0xFFFF0000u, o, 0xFF0000FFu}},
        // (d * 256 + (s - d) * a) / 256 per byte, the alpha from blue; the target keeps its alpha.
        {"alpha map", {0xFF0000, 0xFF0000, 0x00FF00}, {}, test::make_bmp24(3, 1, {0x000080, 0, 0x0000FF}), 1,
            true, true, {0xFF7F0000u, o, 0xFF00FE00u}},
        {"mask of another size is ignored", {0x123456, 0x123456}, test::make_bmp24(1, 1, {0}), {}, 1, false,
            false, {0xFF123456u, 0xFF123456u}},
        {"scale two: the mask scaled too", {0x0000AA, s_white}, mask_row({1, 0}), {}, 2, true, false,
            {0xFF0000AAu, 0xFF0000AAu, o, o}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Skin skin;
        const int32_t width = int32_t(c.colour.size());
        skin.entry("Pic.bmp", test::make_bmp24(width, 1, c.colour));
        if (!c.mask.empty())
            skin.entry("Pic_1.bmp", c.mask);
        if (!c.alpha.empty())
            skin.entry("Pic_8.bmp", c.alpha);
        Picture picture(skin.path(), u"Pic", false, c.scale);
        EXPECT_EQ(picture.rep()->has_mask(), c.has_mask);
        EXPECT_EQ(bool(picture.rep()->alpha()), c.alpha_map);
        EXPECT_EQ(picture.rep()->loaded_size(), (Size {width, 1}));
        ASSERT_EQ(picture.size(), (Size {width * c.scale, c.scale}));
        Target target(width * c.scale, c.scale);
        picture.draw(target.canvas, {0, 0}, picture.size());
        for (int32_t y = 0; y < c.scale; ++y) {
            for (int32_t x = 0; x < width * c.scale; ++x) {
                EXPECT_EQ(target.at(x, y), c.drawn[size_t(x)]) << x << "," << y;
                EXPECT_EQ(picture.is_transparent({x, y}, {0, 0}, picture.size()), c.drawn[size_t(x)] == o);
            }
        }
    }
    // Outside its rectangle a picture is transparent; scales outside 1..4 are cut to them.
    Skin skin;
    skin.entry("Odd.bmp", test::make_bmp24(2, 1, {0x123456, 0x123456}));
    Picture odd(skin.path(), u"Odd", false, 1);
    EXPECT_FALSE(odd.is_transparent({24, 14}, {5, 5}, {20, 10}));
    EXPECT_TRUE(odd.is_transparent({25, 5}, {5, 5}, {20, 10}));
    EXPECT_TRUE(odd.is_transparent({5, 15}, {5, 5}, {20, 10}));
    EXPECT_TRUE(odd.is_transparent({4, 5}, {5, 5}, {20, 10}));
    EXPECT_EQ(Picture(skin.path(), u"Odd", false, 9).rep()->scale(), 4);
    EXPECT_EQ(Picture(skin.path(), u"Odd", false, 0).rep()->scale(), 1);
}

struct NineCase {
    int32_t source_width;
    bool stretch;
    int32_t left, right; // inner left, inner right; 0, 0: no borders
    int32_t width;
    std::vector<int32_t> columns;
};

TEST(Picture, nine_part_borders_are_kept_or_shrunk_and_the_middle_stretched_or_tiled)
{
    const NineCase cases[] = {
        {10, true, 3, 7, 5, {0, 1, 2, 8, 9}}, // borders 3 + 3 in 5: the right keeps its outer 2
        {6, true, 2, 4, 11, {0, 1, 2, 2, 2, 2, 3, 3, 3, 4, 5}},
        {6, false, 2, 4, 11, {0, 1, 2, 3, 2, 3, 2, 3, 2, 4, 5}},
        {4, false, 0, 0, 10, {0, 1, 2, 3, 0, 1, 2, 3, 0, 1}}, // one cell
        {4, true, 0, 0, 8, {0, 0, 1, 1, 2, 2, 3, 3}},
    };
    for (const NineCase& c : cases) {
        Skin skin;
        skin.entry("Bar.bmp", test::make_bmp24(c.source_width, 1, coordinates(c.source_width, 1)));
        Picture picture(skin.path(), u"Bar", c.stretch, 1);
        if (c.right != 0)
            frame(picture, {0, 0}, {c.left, 0}, {c.right, 1}, {c.source_width, 1});
        Target target(c.width, 1);
        picture.draw(target.canvas, {0, 0}, {c.width, 1});
        EXPECT_EQ(target.columns(), c.columns) << c.source_width << " " << c.stretch << " " << c.width;
    }
}

TEST(Picture, transparency_matches_what_is_drawn_in_borders_and_middles)
{
    // Mask 6 x 6, black on column 1, column 3 and row 4; the colour is white there.
    std::vector<uint32_t> mask, color;
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            bool clear = x == 1 || x == 3 || y == 4;
            mask.push_back(clear ? s_black : s_white);
            color.push_back(clear ? s_white : 0x0A0B0C);
        }
    }
    Skin skin;
    skin.entry("Mesh.bmp", test::make_bmp24(6, 6, color)).entry("Mesh_1.bmp", test::make_bmp24(6, 6, mask));
    for (bool stretch : {true, false}) {
        Picture picture(skin.path(), u"Mesh", stretch, 1);
        frame(picture, {0, 0}, {2, 2}, {4, 4}, {6, 6});
        Point at {3, 2};
        Size size {11, 13};
        Target target(16, 16);
        picture.draw(target.canvas, at, size);
        for (int32_t y = 0; y < 16; ++y) {
            for (int32_t x = 0; x < 16; ++x) {
                bool shows_background = target.at(x, y) == s_background;
                EXPECT_EQ(picture.is_transparent({x, y}, at, size), shows_background)
                    << "stretch " << stretch << " at " << x << "," << y;
            }
        }
    }
}

TEST(Picture, scaling_refuses_results_beyond_the_side_limit)
{
    os::Surface big(5001, 1);
    os::Surface out;
    EXPECT_FALSE(skinner::scale_surface(big, 2, out));
    EXPECT_EQ(out.width, 0);
    EXPECT_TRUE(skinner::scale_surface(os::Surface(5000, 1), 2, out));
    EXPECT_EQ(out.width, 10000);
}
