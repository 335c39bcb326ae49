#include "audio/mp3_header.h"
#include "mp3_test_util.h"

#include <gtest/gtest.h>

using audio::MP3Header;
using namespace mp3test;

namespace {

bool parses(const test::Bytes& bytes)
{
    MP3Header header;
    return audio::parse_frame_header(bytes.data(), header);
}

} // namespace

TEST(MP3Header, facts_and_frame_lengths_by_version_layer_and_rate)
{
    struct Case {
        const char* what;
        Frame frame;
        int32_t version, layer, channels, sample_rate, bitrate, frame_length, samples_per_frame;
    };
    const Case cases[] = {
        {"MPEG-1 L3 128k 44.1k", {MPEG1, 3, 9, 0}, 1, 3, 2, 44100, 128, 417, 1152},
        {"MPEG-1 L3 128k 44.1k padded", {MPEG1, 3, 9, 0, true}, 1, 3, 2, 44100, 128, 418, 1152},
        {"MPEG-1 L3 320k 32k padded mono", {MPEG1, 3, 14, 2, true, true}, 1, 3, 1, 32000, 320, 1441, 1152},
        {"MPEG-1 L2 384k 48k", {MPEG1, 2, 14, 1}, 1, 2, 2, 48000, 384, 1152, 1152},
        {"MPEG-1 L1 32k 32k", {MPEG1, 1, 1, 2}, 1, 1, 2, 32000, 32, 48, 384},
        {"MPEG-1 L1 448k 32k padded", {MPEG1, 1, 14, 2, true}, 1, 1, 2, 32000, 448, 676, 384},
        {"MPEG-2 L3 64k 22.05k", {MPEG2, 3, 8, 0}, 2, 3, 2, 22050, 64, 208, 576},
        {"MPEG-2 L3 64k 22.05k padded", {MPEG2, 3, 8, 0, true}, 2, 3, 2, 22050, 64, 209, 576},
        {"MPEG-2 L3 160k 24k", {MPEG2, 3, 14, 1}, 2, 3, 2, 24000, 160, 480, 576},
        {"MPEG-2 L2 32k 16k", {MPEG2, 2, 4, 2}, 2, 2, 2, 16000, 32, 288, 1152},
        {"MPEG-2 L1 256k 22.05k", {MPEG2, 1, 14, 0}, 2, 1, 2, 22050, 256, 556, 384},
        {"MPEG-2.5 L3 8k 8k mono", {MPEG25, 3, 1, 2, false, true}, 3, 3, 1, 8000, 8, 72, 576},
        {"MPEG-2.5 L3 24k 12k", {MPEG25, 3, 3, 1}, 3, 3, 2, 12000, 24, 144, 576},
        {"MPEG-2.5 L3 160k 11.025k", {MPEG25, 3, 14, 0}, 3, 3, 2, 11025, 160, 1044, 576},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MP3Header h;
        ASSERT_TRUE(audio::parse_frame_header(header_bytes(c.frame).data(), h));
        EXPECT_EQ(h.version, c.version);
        EXPECT_EQ(h.layer, c.layer);
        EXPECT_EQ(h.channels, c.channels);
        EXPECT_EQ(h.sample_rate, c.sample_rate);
        EXPECT_EQ(h.bitrate, c.bitrate);
        EXPECT_EQ(h.frame_length, c.frame_length);
        EXPECT_EQ(h.samples_per_frame, c.samples_per_frame);
    }
}

TEST(MP3Header, refuses_what_is_no_frame_header)
{
    EXPECT_FALSE(parses(header_bytes({MPEG1, 3, 0}))) << "free format";
    EXPECT_FALSE(parses(header_bytes({MPEG1, 3, 15}))) << "bad bitrate index";
    EXPECT_FALSE(parses(header_bytes({MPEG1, 3, 9, 3}))) << "reserved sample rate";
    EXPECT_FALSE(parses(header_bytes({Reserved, 3, 9, 0}))) << "reserved version";
    EXPECT_FALSE(parses(header_bytes({MPEG1, 4, 9, 0}))) << "reserved layer";
    for (int bit = 21; bit < 32; ++bit)
        EXPECT_FALSE(audio::is_frame_header(header_value({}) & ~(1u << bit))) << "sync bit " << bit;
    EXPECT_FALSE(parses({0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(audio::is_frame_header(header_value({})));
    // A failed parse leaves the header as it was.
    MP3Header h;
    h.frame_length = 123;
    EXPECT_FALSE(audio::parse_frame_header(header_bytes({MPEG1, 3, 0}).data(), h));
    EXPECT_EQ(h.frame_length, 123);
}
