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

std::vector<uint32_t> opaque_all(std::vector<uint32_t> rgb)
{
    for (uint32_t& p : rgb)
        p |= 0xFF000000u;
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

TEST(BmpReader, decodes_every_depth_and_header_to_opaque_pixels)
{
    constexpr uint32_t W = 0xFFFFFF;
    struct Case {
        const char* name;
        test::BmpSpec spec;
        std::vector<uint32_t> values;
        std::vector<uint32_t> rgb;
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
        {"24 bits top-down", {.width = 2, .height = 3, .top_down = true, .palette = {}}, six, six},
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
    // Without a count the entries before the pixel data are the palette.
    Decoded implied = decode(patched(palette8(), {{s_colors_used, 0}}));
    ASSERT_TRUE(implied.ok);
    EXPECT_EQ(implied.image.pixels, opaque_all({0xFFFFFF, 0}));

    os::ZipWriter zip;
    zip.add("other.txt", {1, 2, 3}).add("Pics/Back.bmp", small24());
    liba::ZipFile archive(std::make_unique<liba::MemoryReader>(zip.finish()));
    ASSERT_TRUE(archive.find(u"pics/back.bmp"));
    os::Surface image;
    std::u16string error;
    ASSERT_TRUE(skinner::read_bmp(archive, image, error));
    EXPECT_EQ(image.pixels, opaque_all({0x102030, 0x405060, 0x708090, 0xA0B0C0}));
}

TEST(BmpReader, refuses_what_is_not_a_bitmap_cut_short_or_damaged)
{
    struct Case {
        test::Bytes bytes;
        std::u16string_view why;
    };
    const size_t end = small24().size();
    const Case cases[] = {
        {{}, u""},
        {{'B', 'M', 0, 0}, u""},
        {patched(small24(), {{0, 'M', false}}), u"BM"},
        {patched(small24(), {}, end - 1), u"cut short"}, // the last row's padding is part of the data
        {patched(small24(), {{s_width, 0}}), u"size"},
        {patched(small24(), {{s_width, uint32_t(-2)}}), u"size"},
        {patched(small24(), {{s_width, 10001}}), u"size"},
        {patched(small24(), {{s_height, 0}}), u"size"},
        {patched(small24(), {{s_height, uint32_t(-10001)}}), u"size"},
        {patched(small24(), {{s_height, 0x80000000u}}), u"size"},
        {patched(small24(), {{s_bit_count, 0, false}}), u"bits"},
        {patched(small24(), {{s_bit_count, 15, false}}), u"bits"},
        {patched(small24(), {{s_bit_count, 64, false}}), u"bits"},
        {patched(small24(), {{s_compression, 1}, {s_bit_count, 8, false}}), u"run-length"},
        {patched(small24(), {{s_compression, 2}, {s_bit_count, 4, false}}), u"run-length"},
        {patched(small24(), {{s_compression, 4}}), u"compression"},
        {patched(small24(), {{s_compression, 99}}), u"compression"},
        {patched(small24(), {{s_compression, 3}}), u"compression"}, // bit fields: 16 and 32 bits only
        {patched(small24(), {{s_header_size, 11}}), u""},
        {patched(small24(), {{s_header_size, 39}}), u""},
        {patched(small24(), {{s_header_size, 0xFFFFFFF0u}}), u""},
        {patched(small24(), {{s_off_bits, uint32_t(end + 1)}}), u"offset"},
        {patched(small24(), {{s_off_bits, 20}}), u"offset"},
        // The largest image claimed over a few bytes of data fails before allocating it.
        {patched(small24(), {{s_width, 10000}, {s_height, 10000}, {s_bit_count, 32, false}}), u"cut short"},
        {masks565(0xF801, 0x07E0, 0x001E), u"contiguous"},
        {masks565(0xF800, 0x0FE0, 0x001F), u"overlapping"},
        {masks565(0x1F800, 0x07E0, 0x001F), u"wider"},
        {patched(masks565(0xF800, 0x07E0, 0x001F), {}, 14 + 40 + 6), u"masks"},
        {patched(palette8(), {{s_colors_used, 257}}), u"palette"},
        // 256 entries declared, pixel data said to follow them, but the file ends first.
        {patched(palette8(), {{s_colors_used, 256}, {s_off_bits, 14 + 40 + 256 * 4}}), u"palette"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        Decoded d = decode(cases[row].bytes);
        EXPECT_FALSE(d.ok) << "row " << row;
        EXPECT_TRUE(d.image.pixels.empty() && d.image.width == 0) << "row " << row;
        EXPECT_NE(d.error.find(cases[row].why), std::u16string::npos) << "row " << row;
        EXPECT_FALSE(d.error.empty()) << "row " << row;
    }
}
