#include "liba/memory_reader.h"
#include "liba/zip_file.h"
#include "os/zip_writer.h"
#include "skinner/bmp_reader.h"
#include "support/bmp_writer.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

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

constexpr uint32_t opaque(uint32_t rgb)
{
    return 0xFF000000u | rgb;
}

// A palette of size black entries but for the ones set.
std::vector<uint32_t> palette(size_t size, std::initializer_list<std::pair<size_t, uint32_t>> set)
{
    std::vector<uint32_t> entries(size, 0);
    for (auto [index, rgb] : set)
        entries[index] = rgb;
    return entries;
}

std::vector<uint32_t> opaque_all(std::vector<uint32_t> rgb)
{
    for (uint32_t& p : rgb)
        p = opaque(p);
    return rgb;
}

// Field offsets in a bitmap file with the 40-byte header.
constexpr size_t s_off_bits = 10;
constexpr size_t s_header_size = 14;
constexpr size_t s_width = 18;
constexpr size_t s_height = 22;
constexpr size_t s_bit_count = 28;
constexpr size_t s_compression = 30;
constexpr size_t s_colors_used = 46;

test::Bytes small24()
{
    return test::make_bmp24(2, 2, {0x102030, 0x405060, 0x708090, 0xA0B0C0});
}

void expect_refused(const test::Bytes& bytes, std::u16string_view why_contains = {})
{
    Decoded d = decode(bytes);
    EXPECT_FALSE(d.ok);
    EXPECT_FALSE(d.error.empty());
    EXPECT_EQ(d.image.width, 0);
    EXPECT_TRUE(d.image.pixels.empty());
    if (!why_contains.empty()) {
        EXPECT_NE(d.error.find(why_contains), std::u16string::npos)
            << std::string(d.error.begin(), d.error.end());
    }
}

} // namespace

TEST(BmpReader, decodes_every_depth_and_header_to_opaque_pixels)
{
    constexpr uint32_t W = 0xFFFFFF;
    struct Case {
        const char* name;
        test::BmpSpec spec;
        std::vector<uint32_t> values;
        std::vector<uint32_t> rgb;
    };
    const std::vector<uint32_t> six = {0x010101, 0x020202, 0x030303, 0x040404, 0x050505, 0x060606};
    const Case cases[] = {
        {"1 bit: rows padded to 4 bytes, high bit first",
            {.width = 10, .height = 2, .bits = 1, .palette = {0, W}},
            {1, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0, 1},
            {W, 0, 0, 0, 0, 0, 0, W, W, 0, 0, W, W, W, W, W, W, 0, 0, W}},
        {"4 bits",
            {.width = 3, .bits = 4, .palette = palette(16, {{2, 0x112233}, {15, 0xABCDEF}, {9, 0x010203}})},
            {15, 2, 9}, {0xABCDEF, 0x112233, 0x010203}},
        {"8 bits",
            {.width = 5, .bits = 8, .palette = palette(256, {{0, 0xFF}, {128, 0xFF00}, {255, 0xFF0000}})},
            {255, 128, 0, 255, 128}, {0xFF0000, 0x00FF00, 0x0000FF, 0xFF0000, 0x00FF00}},
        {"indices beyond a short palette read black", {.width = 3, .bits = 8, .palette = {W, 0x808080}},
            {1, 2, 200}, {0x808080, 0, 0}},
        // 5-bit 1 widens to round(255 / 31) = 8; all ones stays all ones.
        {"16 bits 5-5-5", {.width = 5, .bits = 16, .palette = {}}, {0x7C00, 0x03E0, 0x001F, 0x7FFF, 0x0421},
            {0xFF0000, 0x00FF00, 0x0000FF, W, 0x080808}},
        // Green has six bits: 1 widens to round(255 / 63) = 4.
        {"16-bit bit fields 5-6-5",
            {.width = 5, .bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}, .palette = {}},
            {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0020}, {0xFF0000, 0x00FF00, 0x0000FF, W, 0x000400}},
        {"24 bits", {.width = 3, .palette = {}}, {0x123456, W, 0x000001}, {0x123456, W, 0x000001}},
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
        {"24 bits top-down", {.width = 2, .height = 3, .top_down = true, .palette = {}}, six, six},
        {"32 bits bottom-up", {.width = 2, .height = 3, .bits = 32, .palette = {}}, six, six},
        {"32 bits top-down", {.width = 2, .height = 3, .bits = 32, .top_down = true, .palette = {}}, six,
            six},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Decoded d = decode(test::make_bmp(c.spec, c.values));
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.image.width, c.spec.width);
        EXPECT_EQ(d.image.height, c.spec.height);
        EXPECT_EQ(d.image.pixels, opaque_all(c.rgb));
    }
}

TEST(BmpReader, reads_a_zip_entry)
{
    os::ZipWriter zip;
    zip.add("other.txt", {1, 2, 3}).add("Pics/Back.bmp", small24());
    liba::ZipFile archive(std::make_unique<liba::MemoryReader>(zip.finish()));
    ASSERT_TRUE(archive.find(u"pics/back.bmp"));
    os::Surface image;
    std::u16string error;
    ASSERT_TRUE(skinner::read_bmp(archive, image, error)) << std::string(error.begin(), error.end());
    EXPECT_EQ(image.pixels, opaque_all({0x102030, 0x405060, 0x708090, 0xA0B0C0}));
}

TEST(BmpReader, refuses_what_is_not_a_bitmap_or_is_cut_short)
{
    expect_refused({});
    expect_refused({'B', 'M', 0, 0});
    test::Bytes bytes = small24();
    bytes[0] = 'M';
    expect_refused(bytes, u"BM");
    test::Bytes cut = small24();
    cut.pop_back(); // the last row's padding is part of the data
    expect_refused(cut, u"cut short");
}

TEST(BmpReader, refuses_damaged_header_fields)
{
    struct Patch {
        size_t offset;
        uint32_t value;
        bool wide = true; // 32 bits, else 16
    };
    struct Case {
        std::vector<Patch> patches;
        std::u16string_view why;
    };
    const uint32_t end_of_file = uint32_t(small24().size());
    const Case cases[] = {
        {{{s_width, 0}}, u"size"},
        {{{s_width, uint32_t(-2)}}, u"size"},
        {{{s_width, 10001}}, u"size"},
        {{{s_height, 0}}, u"size"},
        {{{s_height, 10001}}, u"size"},
        {{{s_height, uint32_t(-10001)}}, u"size"},
        {{{s_height, 0x80000000u}}, u"size"},
        {{{s_bit_count, 0, false}}, u"bits"},
        {{{s_bit_count, 2, false}}, u"bits"},
        {{{s_bit_count, 15, false}}, u"bits"},
        {{{s_bit_count, 64, false}}, u"bits"},
        {{{s_compression, 1}, {s_bit_count, 8, false}}, u"run-length"},
        {{{s_compression, 2}, {s_bit_count, 4, false}}, u"run-length"},
        {{{s_compression, 4}}, u"compression"},
        {{{s_compression, 5}}, u"compression"},
        {{{s_compression, 6}}, u"compression"},
        {{{s_compression, 99}}, u"compression"},
        {{{s_compression, 3}}, u"compression"}, // bit fields belong to 16 and 32 bits only
        {{{s_header_size, 0}}, u""},
        {{{s_header_size, 11}}, u""},
        {{{s_header_size, 13}}, u""},
        {{{s_header_size, 39}}, u""},
        {{{s_header_size, 0xFFFFFFF0u}}, u""},
        {{{s_off_bits, end_of_file + 1}}, u"offset"},
        {{{s_off_bits, 20}}, u"offset"},
        // The largest image claimed over a few bytes of data fails before allocating it.
        {{{s_width, 10000}, {s_height, 10000}, {s_bit_count, 32, false}}, u"cut short"},
    };
    for (const Case& c : cases) {
        test::Bytes bytes = small24();
        SCOPED_TRACE(testing::Message()
            << "offset " << c.patches[0].offset << " value " << int32_t(c.patches[0].value));
        for (const Patch& patch : c.patches) {
            if (patch.wide)
                test::patch32(bytes, patch.offset, patch.value);
            else
                test::patch16(bytes, patch.offset, uint16_t(patch.value));
        }
        expect_refused(bytes, c.why);
    }
}

TEST(BmpReader, refuses_bad_masks)
{
    test::BmpSpec spec;
    spec.width = 1;
    spec.bits = 16;
    spec.compression = 3;
    auto with_masks = [&](uint32_t r, uint32_t g, uint32_t b) {
        spec.masks[0] = r;
        spec.masks[1] = g;
        spec.masks[2] = b;
        return test::make_bmp(spec, {0});
    };
    expect_refused(with_masks(0xF801, 0x07E0, 0x001E), u"contiguous");
    expect_refused(with_masks(0xF800, 0x0FE0, 0x001F), u"overlapping");
    expect_refused(with_masks(0x1F800, 0x07E0, 0x001F), u"wider");
    // The masks of a 40-byte header missing from the file.
    test::Bytes cut = with_masks(0xF800, 0x07E0, 0x001F);
    cut.resize(14 + 40 + 6);
    expect_refused(cut, u"masks");
}

TEST(BmpReader, refuses_palettes_too_large_or_past_the_end)
{
    test::BmpSpec spec;
    spec.width = 2;
    spec.bits = 8;
    spec.palette = {0xFFFFFF, 0};
    test::Bytes bytes = test::make_bmp(spec, {0, 1});
    test::Bytes too_many = bytes;
    test::patch32(too_many, s_colors_used, 257);
    expect_refused(too_many, u"palette");

    // No count given: the entries before the pixel data are the palette.
    test::Bytes implied = bytes;
    test::patch32(implied, s_colors_used, 0);
    Decoded d = decode(implied);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.pixels, opaque_all({0xFFFFFF, 0}));

    // 256 entries declared, pixel data said to follow them, but the file ends first.
    test::Bytes past_end = bytes;
    test::patch32(past_end, s_colors_used, 256);
    test::patch32(past_end, s_off_bits, 14 + 40 + 256 * 4);
    expect_refused(past_end, u"palette");
}
