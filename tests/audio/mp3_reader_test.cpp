// The MP3 reader: frame headers, the search for a stream past whatever is not one of its frames,
// time from the file size, and seeks whose first sound is the frame at the position exactly as it
// sounds when the file plays from its start (the decoder's bit reservoir and overlap are rebuilt
// from the frames before it), in constant- and variable-bitrate files, back and forth.

#include "audio/decoder_mp3.h"
#include "audio/file_reader_mp3.h"
#include "audio/mp3_header.h"
#include "audio/play_chain.h"
#include "mp3_test_util.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <thread>

using audio::DecoderMP3;
using audio::FileReaderMP3;
using audio::MP3Data;
using audio::MP3Header;
using namespace mp3test;

namespace {

struct File {
    test::TempDir dir;
    std::u16string path = dir.file("file.mp3");
    explicit File(const test::Bytes& bytes) { test::write_file(dir.native("file.mp3"), bytes); }
};

std::vector<MP3Data> all_blocks(FileReaderMP3& reader)
{
    std::vector<MP3Data> blocks;
    for (MP3Data block = reader.get_block(1); !block.empty() && blocks.size() < 10000;
         block = reader.get_block(1))
        blocks.push_back(block);
    return blocks;
}

// An ID3v2.3 tag of the given total length whose body holds pairs of agreeing Layer I headers,
// as a picture's bytes may.
test::Bytes id3v2_with_false_frames(uint32_t total)
{
    uint32_t size = total - 10;
    test::Bytes tag = {'I', 'D', '3', 3, 0, 0, uint8_t(size >> 21 & 0x7F), uint8_t(size >> 14 & 0x7F),
        uint8_t(size >> 7 & 0x7F), uint8_t(size & 0x7F)};
    test::Bytes body = junk(size, 7);
    test::Bytes layer1 = header_bytes({MPEG1, 1, 3, 0}); // 104-byte frames
    for (size_t at = 100; at + 300 < body.size(); at += 3000) {
        std::copy(layer1.begin(), layer1.end(), body.begin() + long(at));
        std::copy(layer1.begin(), layer1.end(), body.begin() + long(at) + 104);
    }
    return cat({tag, body});
}

} // namespace

TEST(FileReaderMP3, hands_out_every_frame_in_a_block_with_what_follows_it)
{
    File file(plain_frames(10));
    FileReaderMP3 reader(file.path);
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.length(), 4170);
    std::vector<MP3Data> blocks = all_blocks(reader);
    ASSERT_EQ(blocks.size(), 10u) << "the last frame ends the file and still counts";
    for (const MP3Data& block : blocks) {
        ASSERT_EQ(block.size(), 2000u);
        EXPECT_EQ(block.frame_length, 417u);
        EXPECT_EQ(test::Bytes(block.data.data(), block.data.data() + 4), header_bytes({}));
    }
    EXPECT_EQ(blocks[0].data.data()[417], 0xFF) << "the decoder peeks at the next header";
    for (uint32_t i = 417; i < 2000; ++i)
        ASSERT_EQ(blocks[9].data.data()[i], 0) << "past the end of the file, at " << i;
}

TEST(FileReaderMP3, searches_past_whatever_is_not_a_frame_of_the_stream)
{
    struct Case {
        const char* what;
        test::Bytes bytes;
        std::vector<uint32_t> lengths;
    };
    Frame padded {MPEG1, 3, 9, 0, true};
    Frame fast {MPEG1, 3, 14}; // 1044 bytes
    Frame other_rate {MPEG1, 3, 9, 1};
    test::Bytes bogus_tag = {'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
    std::vector<uint32_t> four(4, 417);
    test::Bytes cut = plain_frames(5);
    cut.resize(cut.size() - 100);
    const Case cases[] = {{"variable bitrate, another rate between",
                              cat({frame_bytes({}, 417), frame_bytes(padded, 418),
                                  frame_bytes(other_rate, 384), frame_bytes(fast, 1044)}),
                              {417, 418, 1044}},
        {"junk first", cat({junk(3333), plain_frames(4)}), four},
        // An MPEG-2 header whose frame would reach past both real frames, the whole stream.
        {"false header first", cat({header_bytes({MPEG2, 3, 14, 0}), junk(96), plain_frames(2), junk(200)}),
            {417, 417}},
        {"ID3v2 tag with frame-like bytes", cat({id3v2_with_false_frames(30000), plain_frames(4)}), four},
        {"long junk before and between frames",
            cat({junk(25000), plain_frames(2), junk(15000, 3), plain_frames(2)}), four},
        {"tag size past the end of the file", cat({bogus_tag, junk(50), plain_frames(4)}), four},
        {"last frame cut", cut, four}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        File file(c.bytes);
        FileReaderMP3 reader(file.path);
        ASSERT_TRUE(reader.is_open());
        EXPECT_EQ(reader.bitrate(), 128000u);
        // The player seeks to the resume position, 0 here, before it plays.
        reader.seek_position(0);
        std::vector<uint32_t> lengths;
        for (const MP3Data& block : all_blocks(reader))
            lengths.push_back(block.frame_length);
        EXPECT_EQ(lengths, c.lengths);
        EXPECT_EQ(reader.position(), reader.length());
    }
}

TEST(FileReaderMP3, time_comes_from_the_first_bitrate_and_the_file_size)
{
    // 1000000 bytes: junk, a 128 kbit/s pair, 320 kbit/s frames, more junk.
    test::Bytes bytes = cat({junk(1234), plain_frames(2)});
    while (bytes.size() < 900000)
        bytes = cat({bytes, frame_bytes({MPEG1, 3, 14}, 1044)});
    bytes = cat({bytes, junk(1000000 - bytes.size())});
    File file(bytes);
    FileReaderMP3 reader(file.path);
    ASSERT_TRUE(reader.is_open());
    EXPECT_DOUBLE_EQ(reader.duration(), 62.5);
    EXPECT_EQ(reader.time_to_position(62.5), 1000000);
    EXPECT_DOUBLE_EQ(reader.position_to_time(16000), 1.0);
    EXPECT_EQ(reader.time_to_position(0.00001), 0) << "truncated";
    EXPECT_EQ(reader.time_to_position(-3.0), 0);
    EXPECT_EQ(reader.time_to_position(std::nan("")), 0);
    EXPECT_EQ(reader.time_to_position(1e12), std::numeric_limits<int32_t>::max());
}

TEST(FileReaderMP3, refuses_files_without_two_agreeing_frames)
{
    struct Case {
        const char* what;
        test::Bytes bytes;
    };
    Frame free_format {MPEG1, 3, 0};
    Frame long_layer2 {MPEG25, 2, 14, 2}; // 2880 bytes: longer than a block can carry
    const Case cases[] = {{"empty", {}}, {"three bytes", {0xFF, 0xFB, 0x90}}, {"one frame", plain_frames(1)},
        {"junk", junk(30000)}, {"all 0xFF", test::Bytes(5000, 0xFF)},
        {"two frames that disagree", cat({frame_bytes({}, 417), frame_bytes({MPEG1, 3, 9, 1}, 384)})},
        {"free format", cat({frame_bytes(free_format, 400), frame_bytes(free_format, 400)})},
        {"frames longer than a block", cat({frame_bytes(long_layer2, 2880), frame_bytes(long_layer2, 2880)})},
        {"second header cut", cat({frame_bytes({}, 417), {0xFF, 0xFB, 0x90}})}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        File file(c.bytes);
        EXPECT_FALSE(FileReaderMP3(file.path).is_open());
    }
}

TEST(MP3Header, facts_and_frame_lengths_by_version_layer_and_rate)
{
    struct Case {
        const char* what;
        Frame frame;
        int32_t version, layer, channels, sample_rate, bitrate, frame_length, samples_per_frame;
    };
    const Case cases[] = {
        {"MPEG-1 L3 128k 44.1k padded", {MPEG1, 3, 9, 0, true}, 1, 3, 2, 44100, 128, 418, 1152},
        {"MPEG-1 L3 320k 32k padded mono", {MPEG1, 3, 14, 2, true, true}, 1, 3, 1, 32000, 320, 1441, 1152},
        {"MPEG-1 L2 384k 48k", {MPEG1, 2, 14, 1}, 1, 2, 2, 48000, 384, 1152, 1152},
        {"MPEG-1 L2 56k 44.1k", {MPEG1, 2, 3, 0}, 1, 2, 2, 44100, 56, 182, 1152},
        {"MPEG-1 L1 448k 32k padded", {MPEG1, 1, 14, 2, true}, 1, 1, 2, 32000, 448, 676, 384},
        {"MPEG-2 L3 64k 22.05k padded", {MPEG2, 3, 8, 0, true}, 2, 3, 2, 22050, 64, 209, 576},
        {"MPEG-2 L2 16k 16k", {MPEG2, 2, 2, 2}, 2, 2, 2, 16000, 16, 144, 1152},
        {"MPEG-2 L1 256k 22.05k", {MPEG2, 1, 14, 0}, 2, 1, 2, 22050, 256, 556, 384},
        {"MPEG-2.5 L3 8k 8k mono", {MPEG25, 3, 1, 2, false, true}, 3, 3, 1, 8000, 8, 72, 576},
        {"MPEG-2.5 L3 160k 11.025k", {MPEG25, 3, 14, 0}, 3, 3, 2, 11025, 160, 1044, 576}};
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

TEST(MP3Header, refuses_what_is_no_frame_header_and_leaves_the_header_as_it_was)
{
    // Free format, a bad bitrate index, a reserved sample rate, version and layer.
    for (Frame frame : {Frame {MPEG1, 3, 0}, Frame {MPEG1, 3, 15}, Frame {MPEG1, 3, 9, 3},
             Frame {Reserved, 3, 9, 0}, Frame {MPEG1, 4, 9, 0}}) {
        MP3Header h;
        h.frame_length = 123;
        EXPECT_FALSE(audio::parse_frame_header(header_bytes(frame).data(), h)) << header_value(frame);
        EXPECT_EQ(h.frame_length, 123);
    }
    for (int bit = 21; bit < 32; ++bit)
        EXPECT_FALSE(audio::is_frame_header(header_value({}) & ~(1u << bit))) << "sync bit " << bit;
    EXPECT_TRUE(audio::is_frame_header(header_value({})));
}

namespace {

// A fixture repeated until the file is long enough for many seeks.
std::u16string repeated_fixture(const test::TempDir& dir, std::string_view name, int copies)
{
    test::Bytes one = test::read_file(test::fixture(std::string("mp3/") + std::string(name)));
    test::Bytes all;
    for (int i = 0; i < copies; ++i)
        all.insert(all.end(), one.begin(), one.end());
    test::write_file(dir.native("long.mp3"), all);
    return dir.file("long.mp3");
}

// The sound of every frame when the file plays from its start, by the file offset of the frame.
std::map<int32_t, test::Bytes> sound_from_start(const std::u16string& path)
{
    std::map<int32_t, test::Bytes> frames;
    FileReaderMP3 reader(path);
    DecoderMP3 decoder;
    test::Bytes pcm(1152 * 4);
    for (MP3Data block = reader.get_block(1); !block.empty(); block = reader.get_block(1)) {
        uint32_t consumed = 0;
        uint32_t produced = 0;
        if (decoder.decode_frame(
                block.data.data(), block.size(), pcm.data(), uint32_t(pcm.size()), consumed, produced)
            == DecoderMP3::Decoded)
            frames[reader.position() - int32_t(block.frame_length)].assign(
                pcm.begin(), pcm.begin() + produced);
    }
    return frames;
}

class MP3Seek : public testing::TestWithParam<const char*> { };

TEST_P(MP3Seek, the_first_sound_after_a_seek_is_the_frame_at_the_position_as_played_from_the_start)
{
    test::TempDir dir;
    std::u16string path = repeated_fixture(dir, GetParam(), 12);
    std::map<int32_t, test::Bytes> reference = sound_from_start(path);
    ASSERT_GT(reference.size(), 100u);
    std::unique_ptr<audio::PlayChain> chain = audio::create_play_chain(path);
    ASSERT_TRUE(chain);
    audio::FileReader& reader = chain->get_reader();
    // Forward and back, as the position bar moves; the decoder has played elsewhere before each.
    for (double fraction : {0.7, 0.1, 0.7, 0.0, 0.98, 0.35, 0.02}) {
        int32_t target = int32_t(fraction * reader.length());
        reader.seek_position(target);
        EXPECT_EQ(reader.position(), target);
        auto expected = reference.lower_bound(target);
        ASSERT_NE(expected, reference.end()) << fraction;
        audio::PCMData block = chain->get_provider().get_block(1 << 20);
        ASSERT_FALSE(block.empty()) << fraction;
        test::Bytes heard(block.data.data(), block.data.data() + block.size());
        EXPECT_TRUE(heard == expected->second) << "seek to " << fraction << " (byte " << target << ")";
        chain->get_provider().get_block(1 << 20); // plays on a little before the next seek
    }
}

INSTANTIATE_TEST_SUITE_P(ConstantAndVariableBitrate, MP3Seek,
    testing::Values("mpeg1_44k_stereo_cbr128.mp3", "mpeg2_22k_mono_vbr.mp3", "mpeg1_32k_mono_cbr64.mp3"));

TEST(MP3Seek, a_frame_like_pattern_after_the_position_is_not_taken_for_a_frame)
{
    // Frame 20 of 40 holds, 100 bytes into its data, a header that agrees with the stream but is
    // not followed by another frame.
    test::Bytes bytes = plain_frames(40);
    test::Bytes fake = frame_bytes(Frame {}, 4);
    std::copy(fake.begin(), fake.end(), bytes.begin() + 20 * 417 + 100);
    test::TempDir dir;
    test::write_file(dir.native("f.mp3"), bytes);
    FileReaderMP3 reader(dir.file("f.mp3"));
    ASSERT_TRUE(reader.is_open());
    reader.seek_position(20 * 417 + 50);
    MP3Data block = reader.get_block(1);
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(reader.position() - int32_t(block.frame_length), 21 * 417);
    EXPECT_TRUE(block.restart);
    EXPECT_EQ(block.prelude.size() % 417, 0u) << "whole frames only";
    EXPECT_GT(block.prelude.size(), 0u);
    EXPECT_FALSE(reader.get_block(1).restart);
    // Into the last frame: no frame follows, and the reader stands at the end.
    reader.seek_position(reader.length() - 100);
    EXPECT_TRUE(reader.get_block(1).empty());
    EXPECT_EQ(reader.position(), reader.length());
    EXPECT_TRUE(reader.is_end());
    // A last frame after more junk than the search's head start: the end of the file follows it.
    test::write_file(dir.native("g.mp3"), cat({plain_frames(10), junk(5000), plain_frames(1)}));
    FileReaderMP3 lone(dir.file("g.mp3"));
    lone.seek_position(10 * 417 + 5000);
    EXPECT_EQ(lone.get_block(1).frame_length, 417u);
    EXPECT_TRUE(lone.is_end());
}

} // namespace
