#include "audio/file_reader_mp3.h"
#include "mp3_test_util.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <thread>

using audio::FileReaderMP3;
using audio::MP3Data;
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

// Counts what a reader pushes (the skip operations push what they skip over).
struct CountingConsumer : audio::Consumer<MP3Data> {
    int blocks = 0;
    void on_data(const MP3Data&) override { ++blocks; }
};

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
    EXPECT_EQ(reader.channels(), 2u);
    EXPECT_EQ(reader.sample_rate(), 44100u);
    EXPECT_EQ(reader.bits_per_sample(), 16u);
    EXPECT_EQ(reader.bitrate(), 128000u);
    EXPECT_EQ(reader.length(), 4170);
    EXPECT_EQ(reader.position(), 0);
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
    EXPECT_EQ(reader.position(), reader.length());
    EXPECT_TRUE(reader.is_end());
    EXPECT_TRUE(reader.get_block(1).empty());
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
    const Case cases[] = {
        {"variable bitrate, another rate between",
            cat({frame_bytes({}, 417), frame_bytes(padded, 418), frame_bytes(other_rate, 384),
                frame_bytes(fast, 1044)}),
            {417, 418, 1044}},
        {"junk first", cat({junk(3333), plain_frames(4)}), four},
        // An MPEG-2 header whose frame would reach past both real frames, the whole stream.
        {"false header first", cat({header_bytes({MPEG2, 3, 14, 0}), junk(96), plain_frames(2), junk(200)}),
            {417, 417}},
        {"ID3v2 tag with frame-like bytes", cat({id3v2_with_false_frames(30000), plain_frames(4)}), four},
        {"long junk before and between frames",
            cat({junk(25000), plain_frames(2), junk(15000, 3), plain_frames(2)}), four},
        {"tag size past the end of the file", cat({bogus_tag, junk(50), plain_frames(4)}), four},
        {"last frame cut", cut, four},
    };
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

TEST(FileReaderMP3, seeks_clamp_to_the_file_and_resynchronise)
{
    File file(plain_frames(5));
    FileReaderMP3 reader(file.path);
    reader.seek_position(reader.length() + 5000);
    EXPECT_EQ(reader.position(), reader.length());
    reader.seek_position(417 + 100);
    EXPECT_EQ(reader.position(), 517);
    EXPECT_FALSE(reader.get_block(1).empty());
    EXPECT_EQ(reader.position(), 3 * 417) << "the next whole frame";
}

TEST(FileReaderMP3, refuses_files_without_two_agreeing_frames)
{
    struct Case {
        const char* what;
        test::Bytes bytes;
    };
    Frame free_format {MPEG1, 3, 0};
    Frame long_layer2 {MPEG25, 2, 14, 2}; // 2880 bytes: longer than a block can carry
    const Case cases[] = {
        {"empty", {}},
        {"three bytes", {0xFF, 0xFB, 0x90}},
        {"one frame", plain_frames(1)},
        {"junk", junk(30000)},
        {"all 0xFF", test::Bytes(5000, 0xFF)},
        {"two frames that disagree", cat({frame_bytes({}, 417), frame_bytes({MPEG1, 3, 9, 1}, 384)})},
        {"free format", cat({frame_bytes(free_format, 400), frame_bytes(free_format, 400)})},
        {"frames longer than a block", cat({frame_bytes(long_layer2, 2880), frame_bytes(long_layer2, 2880)})},
        {"second header cut", cat({frame_bytes({}, 417), {0xFF, 0xFB, 0x90}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        File file(c.bytes);
        EXPECT_FALSE(FileReaderMP3(file.path).is_open());
    }
}
