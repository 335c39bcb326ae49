// Bitmap files and the pictures of a skin drawn from them.

#include "liba/memory_reader.h"
#include "os/zip_writer.h"
#include "skinner/bmp_reader.h"
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

constexpr uint32_t s_background = 0xFF000000u, s_white = 0xFFFFFF;

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

struct Decoded {
    bool ok = false;
    os::Surface image;
    std::u16string error;
};

Decoded decode(const test::Bytes& bytes)
{
    liba::MemoryReader reader(bytes);
    Decoded d;
    d.ok = skinner::read_bmp(reader, d.image, d.error);
    return d;
}

std::vector<uint32_t> opaque_all(std::vector<uint32_t> rgb)
{
    for (uint32_t& p : rgb)
        p |= 0xFF000000u;
    return rgb;
}

// Field offsets in a bitmap file with the 40-byte header.
constexpr size_t s_off_bits = 10, s_header_size = 14, s_width = 18, s_height = 22, s_bit_count = 28,
                 s_compression = 30, s_colors_used = 46;

struct Patch {
    size_t offset;
    uint32_t value;
    bool wide = true; // 32 bits, else 16
};

// The bytes with the fields changed, then cut to size when one is given.
test::Bytes patched(test::Bytes bytes, std::initializer_list<Patch> patches, size_t size = 0)
{
    for (const Patch& patch : patches) {
        if (patch.wide)
            test::patch32(bytes, patch.offset, patch.value);
        else
            test::patch16(bytes, patch.offset, uint16_t(patch.value));
    }
    if (size)
        bytes.resize(size);
    return bytes;
}

test::Bytes small24()
{
    return test::make_bmp24(2, 2, {0x102030, 0x405060, 0x708090, 0xA0B0C0});
}

test::Bytes masks565(uint32_t r, uint32_t g, uint32_t b)
{
    return test::make_bmp({.width = 1, .bits = 16, .compression = 3, .masks = {r, g, b}, .palette = {}}, {0});
}

test::Bytes palette8()
{
    return test::make_bmp({.width = 2, .bits = 8, .palette = {0xFFFFFF, 0}}, {0, 1});
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
    const uint32_t o = s_background;
    EXPECT_EQ(drawn(picture, {5, 2}, {1, 1}, {3, 1}).pixels,
        (std::vector<uint32_t> {o, o, o, o, o, o, 0xFF010100u, 0xFF020100u, 0xFF030100u, o}));
    EXPECT_EQ(Picture(path, u"Side", false, 1).size(), (Size {2, 1}));
    Picture broken_entry(path, u"Broken", false, 1);
    EXPECT_EQ(drawn(broken_entry, {1, 1}, {0, 0}, {1, 1}).pixels[0], 0xFF555555u);
    Picture missing(path, u"Nothing", true, 1);
    Picture none;
    EXPECT_FALSE(missing.has_image());
    for (Picture* nothing : {&missing, &none})
        EXPECT_EQ(drawn(*nothing, {1, 1}, {0, 0}, {1, 1}).pixels[0], s_background);
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
        std::map<std::string, test::Bytes> entries {
            {"Pic.bmp", test::make_bmp24(width, 1, c.colour)}, {"Pic_1.bmp", c.mask}, {"Pic_8.bmp", c.alpha}};
        std::erase_if(entries, [](const auto& entry) { return entry.second.empty(); });
        Picture picture(archive(dir, entries), u"Pic", false, c.scale);
        EXPECT_EQ(
            (std::tuple {picture.rep()->has_mask(), picture.rep()->alpha(), picture.rep()->loaded_size()}),
            (std::tuple {c.has_mask, !c.alpha.empty() && c.mask.empty(), Size {width, 1}}));
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
    for (Point outside : {Point {25, 5}, Point {5, 15}, Point {4, 5}})
        EXPECT_TRUE(odd.is_transparent(outside, {5, 5}, {20, 10}));
    EXPECT_EQ(Picture(path, u"Odd", false, 9).rep()->scale(), 4);
    EXPECT_EQ(Picture(path, u"Odd", false, 0).rep()->scale(), 1);
    os::Surface out;
    EXPECT_FALSE(skinner::scale_surface(os::Surface(5001, 1), 2, out)) << "beyond the side limit";
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
    for (int32_t i = 0; i < 36; ++i) {
        bool clear = i % 6 == 1 || i % 6 == 3 || i / 6 == 4;
        mask.push_back(clear ? 0 : s_white);
        color.push_back(clear ? s_white : 0x0A0B0C);
    }
    test::TempDir dir;
    const std::u16string path = archive(
        dir, {{"Mesh.bmp", test::make_bmp24(6, 6, color)}, {"Mesh_1.bmp", test::make_bmp24(6, 6, mask)}});
    for (bool stretch : {true, false}) {
        Picture picture(path, u"Mesh", stretch, 1);
        frame(picture, {2, 2}, {4, 4}, {6, 6});
        os::Surface target = drawn(picture, {16, 16}, {3, 2}, {11, 13});
        for (int32_t y = 0; y < 16; ++y)
            for (int32_t x = 0; x < 16; ++x)
                EXPECT_EQ(picture.is_transparent({x, y}, {3, 2}, {11, 13}), target.at(x, y) == s_background)
                    << "stretch " << stretch << " at " << x << "," << y;
    }
}

TEST(BmpReader, decodes_every_depth_and_header_to_opaque_pixels)
{
    constexpr uint32_t W = 0xFFFFFF;
    struct Case {
        const char* name;
        test::BmpSpec spec;
        std::vector<uint32_t> values, rgb;
    };
    std::vector<uint32_t> palette16(16, 0), palette256(256, 0);
    palette16[2] = 0x112233;
    palette16[15] = 0xABCDEF;
    palette256[128] = 0xFF00;
    palette256[255] = 0xFF0000;
    const std::vector<uint32_t> six = {0x010101, 0x020202, 0x030303, 0x040404, 0x050505, 0x060606};
    const Case cases[] = {
        {"1 bit: rows padded to 4 bytes, high bit first",
            {.width = 10, .height = 2, .bits = 1, .palette = {0, W}},
            {1, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0, 1},
            {W, 0, 0, 0, 0, 0, 0, W, W, 0, 0, W, W, W, W, W, W, 0, 0, W}},
        {"4 bits", {.width = 3, .bits = 4, .palette = palette16}, {15, 2, 0}, {0xABCDEF, 0x112233, 0}},
        {"8 bits", {.width = 3, .bits = 8, .palette = palette256}, {255, 128, 0}, {0xFF0000, 0x00FF00, 0}},
        {"indices beyond a short palette read black", {.width = 3, .bits = 8, .palette = {W, 0x808080}},
            {1, 2, 200}, {0x808080, 0, 0}},
        // 5-bit 1 widens to round(255 / 31) = 8; all ones stays all ones.
        {"16 bits 5-5-5", {.width = 5, .bits = 16, .palette = {}}, {0x7C00, 0x03E0, 0x001F, 0x7FFF, 0x0421},
            {0xFF0000, 0x00FF00, 0x0000FF, W, 0x080808}},
        // Green has six bits: 1 widens to round(255 / 63) = 4.
        {"16-bit bit fields 5-6-5",
            {.width = 5, .bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}, .palette = {}},
            {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0020}, {0xFF0000, 0x00FF00, 0x0000FF, W, 0x000400}},
        {"32 bits ignore the alpha byte", {.width = 2, .bits = 32, .palette = {}}, {0x00123456, 0x7FABCDEF},
            {0x123456, 0xABCDEF}},
        {"32-bit masks in a v4 header, red in the low byte",
            {.width = 2,
                .bits = 32,
                .compression = 3,
                .masks = {0xFF, 0xFF00, 0xFF0000},
                .palette = {},
                .header_size = 108},
            {0x0000FF, 0xFF0000}, {0xFF0000, 0x0000FF}},
        {"core header, 3-byte palette",
            {.width = 2, .bits = 1, .palette = {0xFF0000, 0x00FF00}, .header_size = 12}, {1, 0},
            {0x00FF00, 0xFF0000}},
        {"24 bits bottom-up", {.width = 2, .height = 3, .palette = {}}, six, six},
        {"32 bits top-down", {.width = 2, .height = 3, .bits = 32, .top_down = true, .palette = {}}, six,
            six},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Decoded d = decode(test::make_bmp(c.spec, c.values));
        EXPECT_EQ((std::tuple {d.ok, d.image.width, d.image.height, d.image.pixels}),
            (std::tuple {true, c.spec.width, c.spec.height, opaque_all(c.rgb)}));
    }
    // Without a count the entries before the pixel data are the palette.
    Decoded implied = decode(patched(palette8(), {{s_colors_used, 0}}));
    ASSERT_TRUE(implied.ok);
    EXPECT_EQ(implied.image.pixels, opaque_all({0xFFFFFF, 0}));
}

TEST(BmpReader, refuses_what_is_not_a_bitmap_cut_short_or_damaged)
{
    struct Case {
        test::Bytes bytes;
        std::u16string_view why;
    };
    const size_t end = small24().size();
    const Case cases[] = {{{}, u""}, {{'B', 'M', 0, 0}, u""}, {patched(small24(), {{0, 'M', false}}), u"BM"},
        {patched(small24(), {}, end - 1), u"cut short"}, // the last row's padding is part of the data
        {patched(small24(), {{s_width, 0}}), u"size"}, {patched(small24(), {{s_width, 10001}}), u"size"},
        {patched(small24(), {{s_height, 0}}), u"size"},
        {patched(small24(), {{s_height, uint32_t(-10001)}}), u"size"},
        {patched(small24(), {{s_height, 0x80000000u}}), u"size"},
        {patched(small24(), {{s_bit_count, 0, false}}), u"bits"},
        {patched(small24(), {{s_bit_count, 15, false}}), u"bits"},
        {patched(small24(), {{s_compression, 1}, {s_bit_count, 8, false}}), u"run-length"},
        {patched(small24(), {{s_compression, 2}, {s_bit_count, 4, false}}), u"run-length"},
        {patched(small24(), {{s_compression, 4}}), u"compression"},
        {patched(small24(), {{s_compression, 3}}), u"compression"}, // bit fields: 16 and 32 bits only
        {patched(small24(), {{s_header_size, 11}}), u""}, {patched(small24(), {{s_header_size, 39}}), u""},
        {patched(small24(), {{s_header_size, 0xFFFFFFF0u}}), u""},
        {patched(small24(), {{s_off_bits, uint32_t(end + 1)}}), u"offset"},
        {patched(small24(), {{s_off_bits, 20}}), u"offset"},
        // The largest image claimed over a few bytes of data fails before allocating it.
        {patched(small24(), {{s_width, 10000}, {s_height, 10000}, {s_bit_count, 32, false}}), u"cut short"},
        {masks565(0xF801, 0x07E0, 0x001E), u"contiguous"}, {masks565(0xF800, 0x0FE0, 0x001F), u"overlapping"},
        {masks565(0x1F800, 0x07E0, 0x001F), u"wider"},
        {patched(masks565(0xF800, 0x07E0, 0x001F), {}, 14 + 40 + 6), u"masks"},
        {patched(palette8(), {{s_colors_used, 257}}), u"palette"},
        // 256 entries declared, pixel data said to follow them, but the file ends first.
        {patched(palette8(), {{s_colors_used, 256}, {s_off_bits, 14 + 40 + 256 * 4}}), u"palette"}};
    for (size_t row = 0; row < std::size(cases); ++row) {
        Decoded d = decode(cases[row].bytes);
        SCOPED_TRACE(row);
        EXPECT_FALSE(d.ok);
        EXPECT_TRUE(d.image.pixels.empty() && d.image.width == 0);
        EXPECT_NE(d.error.find(cases[row].why), std::u16string::npos);
        EXPECT_FALSE(d.error.empty());
    }
}
