#include "audio/mp3_header.h"
#include "mp3_test_util.h"

#include <gtest/gtest.h>

using audio::MP3Header;
using mp3test::Frame;

namespace {

MP3Header parse(const Frame& frame)
{
    MP3Header header;
    test::Bytes bytes = mp3test::header_bytes(frame);
    EXPECT_TRUE(audio::parse_frame_header(bytes.data(), header)) << std::hex << mp3test::header_value(frame);
    return header;
}

bool parses(const test::Bytes& bytes)
{
    MP3Header header;
    return audio::parse_frame_header(bytes.data(), header);
}

struct LengthCase {
    const char* what;
    Frame frame;
    int32_t version, layer, sample_rate, bitrate, frame_length, samples_per_frame;
};

} // namespace

TEST(MP3Header, frame_lengths_follow_version_and_layer)
{
    using namespace mp3test;
    const LengthCase cases[] = {
        {"MPEG-1 L3 128k 44.1k", {MPEG1, 3, 9, 0, false}, 1, 3, 44100, 128, 417, 1152},
        {"MPEG-1 L3 128k 44.1k padded", {MPEG1, 3, 9, 0, true}, 1, 3, 44100, 128, 418, 1152},
        {"MPEG-2 L3 64k 22.05k", {MPEG2, 3, 8, 0, false}, 2, 3, 22050, 64, 208, 576},
        {"MPEG-2 L3 64k 22.05k padded", {MPEG2, 3, 8, 0, true}, 2, 3, 22050, 64, 209, 576},
        {"MPEG-1 L1 32k 32k", {MPEG1, 1, 1, 2, false}, 1, 1, 32000, 32, 48, 384},
        {"MPEG-1 L1 32k 32k padded", {MPEG1, 1, 1, 2, true}, 1, 1, 32000, 32, 52, 384},
        {"MPEG-1 L2 192k 48k", {MPEG1, 2, 10, 1, false}, 1, 2, 48000, 192, 576, 1152},
        {"MPEG-1 L3 320k 32k padded", {MPEG1, 3, 14, 2, true}, 1, 3, 32000, 320, 1441, 1152},
        {"MPEG-2 L2 32k 16k", {MPEG2, 2, 4, 2, false}, 2, 2, 16000, 32, 288, 1152},
        {"MPEG-2 L1 32k 22.05k", {MPEG2, 1, 1, 0, false}, 2, 1, 22050, 32, 68, 384},
        {"MPEG-2.5 L3 8k 8k", {MPEG25, 3, 1, 2, false}, 3, 3, 8000, 8, 72, 576},
        {"MPEG-2.5 L3 24k 12k", {MPEG25, 3, 3, 1, false}, 3, 3, 12000, 24, 144, 576},
        {"MPEG-2.5 L3 160k 11.025k", {MPEG25, 3, 14, 0, false}, 3, 3, 11025, 160, 1044, 576},
    };
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(c.what);
        MP3Header h = parse(c.frame);
        EXPECT_EQ(h.version, c.version);
        EXPECT_EQ(h.layer, c.layer);
        EXPECT_EQ(h.sample_rate, c.sample_rate);
        EXPECT_EQ(h.bitrate, c.bitrate);
        EXPECT_EQ(h.frame_length, c.frame_length);
        EXPECT_EQ(h.samples_per_frame, c.samples_per_frame);
    }
}

TEST(MP3Header, all_nine_sample_rates)
{
    using namespace mp3test;
    const uint32_t versions[] = {MPEG1, MPEG2, MPEG25};
    const int32_t rates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    for (int v = 0; v < 3; ++v) {
        for (uint32_t index = 0; index < 3; ++index)
            EXPECT_EQ(parse({versions[v], 3, 5, index}).sample_rate, rates[v][index]) << v << " " << index;
    }
}

TEST(MP3Header, bitrate_rows_by_version_and_layer)
{
    using namespace mp3test;
    // The highest index tells the rows apart.
    EXPECT_EQ(parse({MPEG1, 1, 14}).bitrate, 448);
    EXPECT_EQ(parse({MPEG1, 2, 14}).bitrate, 384);
    EXPECT_EQ(parse({MPEG1, 3, 14}).bitrate, 320);
    EXPECT_EQ(parse({MPEG2, 1, 14}).bitrate, 256);
    EXPECT_EQ(parse({MPEG2, 2, 14}).bitrate, 160);
    EXPECT_EQ(parse({MPEG2, 3, 14}).bitrate, 160);
    // MPEG-2.5 uses the MPEG-2 rows.
    EXPECT_EQ(parse({MPEG25, 1, 14}).bitrate, 256);
    EXPECT_EQ(parse({MPEG25, 3, 1}).bitrate, 8);
    EXPECT_EQ(parse({MPEG25, 3, 9}).bitrate, 80);
    // Lowest indexes.
    EXPECT_EQ(parse({MPEG1, 3, 1}).bitrate, 32);
    EXPECT_EQ(parse({MPEG2, 3, 1}).bitrate, 8);
}

TEST(MP3Header, single_channel_mode_alone_is_mono)
{
    test::Bytes bytes = mp3test::header_bytes({});
    for (uint8_t mode = 0; mode < 4; ++mode) {
        bytes[3] = uint8_t(mode << 6);
        MP3Header h;
        ASSERT_TRUE(audio::parse_frame_header(bytes.data(), h));
        EXPECT_EQ(h.channels, mode == 3 ? 1 : 2) << int(mode);
    }
}

TEST(MP3Header, refuses_what_is_no_frame_header)
{
    using namespace mp3test;
    EXPECT_FALSE(parses(header_bytes({MPEG1, 3, 0}))) << "free format";
    EXPECT_FALSE(parses(header_bytes({MPEG1, 3, 15}))) << "bad bitrate index";
    EXPECT_FALSE(parses(header_bytes({MPEG1, 3, 9, 3}))) << "reserved sample rate";
    EXPECT_FALSE(parses(header_bytes({Reserved, 3, 9, 0}))) << "reserved version";
    test::Bytes no_layer = header_bytes({});
    no_layer[1] &= 0xF9;
    EXPECT_FALSE(parses(no_layer)) << "reserved layer";
    for (int bit = 21; bit < 32; ++bit) {
        uint32_t h = header_value({}) & ~(1u << bit);
        test::Bytes bytes = {uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h)};
        EXPECT_FALSE(parses(bytes)) << "sync bit " << bit;
        EXPECT_FALSE(audio::is_frame_header(h));
    }
    EXPECT_FALSE(parses({0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_FALSE(parses({0, 0, 0, 0}));
    EXPECT_TRUE(audio::is_frame_header(header_value({})));
}

TEST(MP3Header, failed_parse_leaves_the_header_alone)
{
    MP3Header h = parse({});
    test::Bytes bad = mp3test::header_bytes({mp3test::MPEG1, 3, 0});
    EXPECT_FALSE(audio::parse_frame_header(bad.data(), h));
    EXPECT_EQ(h.frame_length, 417);
    EXPECT_EQ(h.bitrate, 128);
}

TEST(MP3Header, agreement_ignores_bitrate_and_length_only)
{
    using namespace mp3test;
    MP3Header base = parse({MPEG1, 3, 9, 0});
    EXPECT_TRUE(base.agrees_with(parse({MPEG1, 3, 14, 0, true})));
    EXPECT_FALSE(base.agrees_with(parse({MPEG2, 3, 9, 0})));
    EXPECT_FALSE(base.agrees_with(parse({MPEG1, 2, 9, 0})));
    EXPECT_FALSE(base.agrees_with(parse({MPEG1, 3, 9, 1})));
    EXPECT_FALSE(base.agrees_with(parse({MPEG1, 3, 9, 0, false, true})));
}
