#include "liba/memory_reader.h"
#include "liba/zip_file.h"
#include "skinner/bmp_reader.h"
#include "support/bmp_writer.h"
#include "support/zip_writer.h"

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

// Every pixel, rows top-down, as 0xAARRGGBB.
std::vector<uint32_t> pixels_of(const os::Surface& s)
{
    return s.pixels;
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

TEST(BmpReader, one_bit_rows_with_padding_and_bit_order)
{
    test::BmpSpec spec;
    spec.width = 10; // 2 bytes of bits, padded to 4
    spec.height = 2;
    spec.bits = 1;
    spec.palette = {0x000000, 0xFFFFFF};
    std::vector<uint32_t> indices = {1, 0, 0, 0, 0, 0, 0, 1, 1, 0, /**/ 0, 1, 1, 1, 1, 1, 1, 0, 0, 1};
    Decoded d = decode(test::make_bmp(spec, indices));
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.image.width, 10);
    ASSERT_EQ(d.image.height, 2);
    for (size_t i = 0; i < indices.size(); ++i)
        EXPECT_EQ(d.image.pixels[i], indices[i] ? 0xFFFFFFFFu : 0xFF000000u) << "pixel " << i;
}

TEST(BmpReader, four_and_eight_bit_palettes)
{
    test::BmpSpec spec;
    spec.width = 3;
    spec.height = 1;
    spec.bits = 4;
    spec.palette = std::vector<uint32_t>(16, 0);
    spec.palette[2] = 0x112233;
    spec.palette[15] = 0xABCDEF;
    spec.palette[9] = 0x010203;
    Decoded d = decode(test::make_bmp(spec, {15, 2, 9}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(pixels_of(d.image), opaque_all({0xABCDEF, 0x112233, 0x010203}));

    spec.bits = 8;
    spec.width = 5;
    spec.palette = std::vector<uint32_t>(256, 0);
    spec.palette[0] = 0x0000FF;
    spec.palette[128] = 0x00FF00;
    spec.palette[255] = 0xFF0000;
    d = decode(test::make_bmp(spec, {255, 128, 0, 255, 128}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(pixels_of(d.image), opaque_all({0xFF0000, 0x00FF00, 0x0000FF, 0xFF0000, 0x00FF00}));
}

TEST(BmpReader, indices_beyond_a_short_palette_read_black)
{
    test::BmpSpec spec;
    spec.width = 3;
    spec.bits = 8;
    spec.palette = {0xFFFFFF, 0x808080}; // biClrUsed = 2
    Decoded d = decode(test::make_bmp(spec, {1, 2, 200}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(pixels_of(d.image), opaque_all({0x808080, 0x000000, 0x000000}));
}

TEST(BmpReader, sixteen_bit_five_five_five_widens_to_full_range)
{
    test::BmpSpec spec;
    spec.width = 5;
    spec.bits = 16;
    Decoded d = decode(test::make_bmp(spec, {0x7C00, 0x03E0, 0x001F, 0x7FFF, 0x0421}));
    ASSERT_TRUE(d.ok);
    // 5-bit 1 widens to round(255 / 31) = 8; all ones stays all ones, so masks stay exact.
    EXPECT_EQ(pixels_of(d.image), opaque_all({0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x080808}));
}

TEST(BmpReader, sixteen_bit_bitfields_five_six_five)
{
    test::BmpSpec spec;
    spec.width = 5;
    spec.bits = 16;
    spec.compression = 3;
    spec.masks[0] = 0xF800;
    spec.masks[1] = 0x07E0;
    spec.masks[2] = 0x001F;
    Decoded d = decode(test::make_bmp(spec, {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0020}));
    ASSERT_TRUE(d.ok);
    // Green has six bits: 1 widens to round(255 / 63) = 4.
    EXPECT_EQ(pixels_of(d.image), opaque_all({0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000400}));
}

TEST(BmpReader, twenty_four_and_thirty_two_bits_ignore_the_alpha_byte)
{
    Decoded d = decode(test::make_bmp24(3, 1, {0x123456, 0xFFFFFF, 0x000001}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(pixels_of(d.image), opaque_all({0x123456, 0xFFFFFF, 0x000001}));

    test::BmpSpec spec;
    spec.width = 2;
    spec.bits = 32;
    d = decode(test::make_bmp(spec, {0x00123456, 0x7FABCDEF}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(pixels_of(d.image), opaque_all({0x123456, 0xABCDEF}));
}

TEST(BmpReader, thirty_two_bit_masks_inside_a_v4_header)
{
    test::BmpSpec spec;
    spec.width = 2;
    spec.bits = 32;
    spec.compression = 3;
    spec.header_size = 108;
    // Red in the low byte, blue in the third.
    spec.masks[0] = 0x000000FF;
    spec.masks[1] = 0x0000FF00;
    spec.masks[2] = 0x00FF0000;
    Decoded d = decode(test::make_bmp(spec, {0x0000FF, 0xFF0000}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(pixels_of(d.image), opaque_all({0xFF0000, 0x0000FF}));
}

TEST(BmpReader, core_header_with_three_byte_palette)
{
    test::BmpSpec spec;
    spec.header_size = 12;
    spec.width = 2;
    spec.bits = 1;
    spec.palette = {0xFF0000, 0x00FF00};
    Decoded d = decode(test::make_bmp(spec, {1, 0}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(pixels_of(d.image), opaque_all({0x00FF00, 0xFF0000}));
}

TEST(BmpReader, bottom_up_and_top_down_give_the_same_image)
{
    std::vector<uint32_t> rgb = {0x010101, 0x020202, 0x030303, 0x040404, 0x050505, 0x060606};
    for (uint16_t bits : {uint16_t(24), uint16_t(32)}) {
        test::BmpSpec spec;
        spec.width = 2;
        spec.height = 3;
        spec.bits = bits;
        Decoded up = decode(test::make_bmp(spec, rgb));
        spec.top_down = true;
        Decoded down = decode(test::make_bmp(spec, rgb));
        ASSERT_TRUE(up.ok && down.ok) << bits;
        EXPECT_EQ(pixels_of(up.image), opaque_all(rgb)) << bits;
        EXPECT_EQ(pixels_of(down.image), opaque_all(rgb)) << bits;
    }
}

TEST(BmpReader, largest_sides_accepted)
{
    test::BmpSpec spec;
    spec.bits = 1;
    spec.palette = {0, 0xFFFFFF};
    spec.width = skinner::s_bmp_max_side;
    spec.height = 1;
    Decoded wide = decode(test::make_bmp(spec, std::vector<uint32_t>(size_t(spec.width), 1)));
    EXPECT_TRUE(wide.ok);
    EXPECT_EQ(wide.image.width, skinner::s_bmp_max_side);
    spec.width = 1;
    spec.height = skinner::s_bmp_max_side;
    spec.top_down = true;
    Decoded tall = decode(test::make_bmp(spec, std::vector<uint32_t>(size_t(spec.height), 1)));
    EXPECT_TRUE(tall.ok);
    EXPECT_EQ(tall.image.height, skinner::s_bmp_max_side);
}

TEST(BmpReader, reads_a_zip_entry)
{
    test::ZipWriter zip;
    zip.add("other.txt", {1, 2, 3}).add("Pics/Back.bmp", small24());
    liba::ZipFile archive(std::make_unique<liba::MemoryReader>(zip.finish()));
    ASSERT_TRUE(archive.find(u"pics/back.bmp"));
    os::Surface image;
    std::u16string error;
    ASSERT_TRUE(skinner::read_bmp(archive, image, error)) << std::string(error.begin(), error.end());
    EXPECT_EQ(pixels_of(image), opaque_all({0x102030, 0x405060, 0x708090, 0xA0B0C0}));
}

TEST(BmpReader, refuses_what_is_not_a_bitmap)
{
    expect_refused({});
    expect_refused({'B', 'M', 0, 0});
    test::Bytes bytes = small24();
    bytes[0] = 'M';
    expect_refused(bytes, u"BM");
}

TEST(BmpReader, refuses_sides_out_of_range)
{
    struct Case {
        size_t offset;
        uint32_t value;
    };
    for (Case c : {Case {s_width, 0}, Case {s_width, uint32_t(-2)}, Case {s_width, 10001}, Case {s_height, 0},
             Case {s_height, 10001}, Case {s_height, uint32_t(-10001)}, Case {s_height, 0x80000000u}}) {
        test::Bytes bytes = small24();
        test::patch32(bytes, c.offset, c.value);
        SCOPED_TRACE(testing::Message() << "offset " << c.offset << " value " << int32_t(c.value));
        expect_refused(bytes, u"size");
    }
}

TEST(BmpReader, refuses_unsupported_depths_and_compressions)
{
    for (uint16_t bits : {uint16_t(0), uint16_t(2), uint16_t(15), uint16_t(64)}) {
        test::Bytes bytes = small24();
        test::patch16(bytes, s_bit_count, bits);
        expect_refused(bytes, u"bits");
    }
    for (uint32_t rle : {1u, 2u}) {
        test::Bytes bytes = small24();
        test::patch32(bytes, s_compression, rle);
        test::patch16(bytes, s_bit_count, rle == 1 ? 8 : 4);
        expect_refused(bytes, u"run-length");
    }
    for (uint32_t other : {4u, 5u, 6u, 99u}) {
        test::Bytes bytes = small24();
        test::patch32(bytes, s_compression, other);
        expect_refused(bytes, u"compression");
    }
    // Bit fields belong to 16 and 32 bits only.
    test::Bytes bytes = small24();
    test::patch32(bytes, s_compression, 3);
    expect_refused(bytes, u"compression");
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

TEST(BmpReader, refuses_bad_header_sizes)
{
    for (uint32_t size : {0u, 11u, 13u, 39u, 0xFFFFFFF0u}) {
        test::Bytes bytes = small24();
        test::patch32(bytes, s_header_size, size);
        SCOPED_TRACE(size);
        expect_refused(bytes);
    }
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

    // 256 entries declared, pixel data said to follow them, but the file ends first.
    test::Bytes past_end = bytes;
    test::patch32(past_end, s_colors_used, 256);
    test::patch32(past_end, s_off_bits, 14 + 40 + 256 * 4);
    expect_refused(past_end, u"palette");
}

TEST(BmpReader, refuses_pixel_data_out_of_place_or_cut_short)
{
    test::Bytes bytes = small24();
    test::Bytes beyond = bytes;
    test::patch32(beyond, s_off_bits, uint32_t(bytes.size()) + 1);
    expect_refused(beyond, u"offset");
    test::Bytes inside_header = bytes;
    test::patch32(inside_header, s_off_bits, 20);
    expect_refused(inside_header, u"offset");

    test::Bytes cut = bytes;
    cut.pop_back(); // the last row's padding is part of the data
    expect_refused(cut, u"cut short");

    // A header claiming the largest image over a few bytes of data fails before allocating it.
    test::Bytes huge = bytes;
    test::patch32(huge, s_width, 10000);
    test::patch32(huge, s_height, 10000);
    test::patch16(huge, s_bit_count, 32);
    expect_refused(huge, u"cut short");
}
