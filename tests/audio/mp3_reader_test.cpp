#include "audio/file_reader_mp3.h"
#include "mp3_test_util.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <thread>

using audio::FileReaderMP3;
using audio::MP3Data;
using mp3test::Frame;

namespace {

struct File {
    test::TempDir dir;
    std::u16string path;
    explicit File(const test::Bytes& bytes)
        : path(dir.file("file.mp3"))
    {
        test::write_file(dir.native("file.mp3"), bytes);
    }
};

std::vector<MP3Data> all_blocks(FileReaderMP3& reader)
{
    std::vector<MP3Data> blocks;
    for (MP3Data block = reader.get_block(1); !block.empty(); block = reader.get_block(1)) {
        blocks.push_back(block);
        if (blocks.size() > 100000)
            break;
    }
    return blocks;
}

bool starts_with(const MP3Data& block, const test::Bytes& bytes)
{
    return block.size() >= bytes.size() && std::memcmp(block.data.data(), bytes.data(), bytes.size()) == 0;
}

// Counts what a reader pushes (the skip operations push what they skip over).
struct CountingConsumer : audio::Consumer<MP3Data> {
    int blocks = 0;
    void on_data(const MP3Data&) override { ++blocks; }
};

// An ID3v2.3 tag of the given total length whose body holds pairs of agreeing Layer I headers,
// like a picture whose bytes happen to look like frames.
test::Bytes id3v2_with_false_frames(uint32_t total)
{
    uint32_t size = total - 10;
    test::Bytes tag = {'I', 'D', '3', 3, 0, 0, uint8_t(size >> 21 & 0x7F), uint8_t(size >> 14 & 0x7F),
        uint8_t(size >> 7 & 0x7F), uint8_t(size & 0x7F)};
    test::Bytes body = mp3test::junk(size, 7);
    Frame layer1 {mp3test::MPEG1, 1, 3, 0}; // 96 kbit/s, 44100 Hz: 104 bytes
    for (size_t at = 100; at + 300 < body.size(); at += 3000) {
        test::Bytes h = mp3test::header_bytes(layer1);
        std::copy(h.begin(), h.end(), body.begin() + long(at));
        std::copy(h.begin(), h.end(), body.begin() + long(at) + 104);
    }
    return mp3test::cat({tag, body});
}

} // namespace

TEST(FileReaderMP3, reports_the_stream_facts_of_the_first_frame)
{
    File file(mp3test::plain_frames(10));
    FileReaderMP3 reader(file.path);
    ASSERT_TRUE(reader.is_open());
    EXPECT_FALSE(reader.is_end());
    EXPECT_EQ(reader.channels(), 2u);
    EXPECT_EQ(reader.sample_rate(), 44100u);
    EXPECT_EQ(reader.bits_per_sample(), 16u);
    EXPECT_EQ(reader.bitrate(), 128000u);
    EXPECT_EQ(reader.length(), 4170);
    EXPECT_EQ(reader.position(), 0);
}

TEST(FileReaderMP3, hands_out_every_frame_including_the_last_one)
{
    File file(mp3test::plain_frames(10));
    FileReaderMP3 reader(file.path);
    std::vector<MP3Data> blocks = all_blocks(reader);
    ASSERT_EQ(blocks.size(), 10u);
    test::Bytes header = mp3test::header_bytes({});
    for (const MP3Data& block : blocks) {
        EXPECT_EQ(block.size(), 2000u);
        EXPECT_EQ(block.frame_length, 417u);
        EXPECT_TRUE(starts_with(block, header));
    }
    EXPECT_EQ(reader.position(), reader.length());
    EXPECT_TRUE(reader.is_end());
    EXPECT_TRUE(reader.get_block(1).empty());
}

TEST(FileReaderMP3, a_block_carries_what_follows_its_frame_and_zeros_past_the_end)
{
    File file(mp3test::plain_frames(3));
    FileReaderMP3 reader(file.path);
    MP3Data first = reader.get_block(1);
    ASSERT_FALSE(first.empty());
    // The next frame's header follows the frame inside the block (the decoder peeks at it).
    EXPECT_EQ(first.data.data()[417], 0xFF);
    EXPECT_EQ(first.data.data()[834], 0xFF);
    reader.get_block(1);
    MP3Data last = reader.get_block(1);
    ASSERT_FALSE(last.empty());
    for (uint32_t i = 417; i < last.size(); ++i)
        ASSERT_EQ(last.data.data()[i], 0) << i;
}

TEST(FileReaderMP3, positions_move_by_frame_lengths)
{
    Frame padded;
    padded.padding = true;
    File file(mp3test::cat(
        {mp3test::frame_bytes({}, 417), mp3test::frame_bytes(padded, 418), mp3test::frame_bytes({}, 417)}));
    FileReaderMP3 reader(file.path);
    EXPECT_EQ(reader.get_block(1).frame_length, 417u);
    EXPECT_EQ(reader.position(), 417);
    EXPECT_EQ(reader.get_block(1).frame_length, 418u);
    EXPECT_EQ(reader.position(), 835);
    EXPECT_EQ(reader.get_block(1).frame_length, 417u);
    EXPECT_EQ(reader.position(), 1252);
}

TEST(FileReaderMP3, variable_bitrates_play_and_frames_of_another_stream_are_skipped)
{
    Frame fast {mp3test::MPEG1, 3, 14}; // 320 kbit/s: 1044 bytes
    Frame other_rate {mp3test::MPEG1, 3, 9, 1}; // 48000 Hz: 384 bytes
    File file(mp3test::cat({mp3test::frame_bytes({}, 417), mp3test::frame_bytes(fast, 1044),
        mp3test::frame_bytes(other_rate, 384), mp3test::frame_bytes({}, 417)}));
    FileReaderMP3 reader(file.path);
    ASSERT_TRUE(reader.is_open());
    std::vector<MP3Data> blocks = all_blocks(reader);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].frame_length, 417u);
    EXPECT_EQ(blocks[1].frame_length, 1044u);
    EXPECT_EQ(blocks[2].frame_length, 417u);
}

TEST(FileReaderMP3, junk_before_the_first_frame_is_stepped_over)
{
    File file(mp3test::cat({mp3test::junk(3333), mp3test::plain_frames(4)}));
    FileReaderMP3 reader(file.path);
    ASSERT_TRUE(reader.is_open());
    reader.seek_position(0);
    MP3Data first = reader.get_block(1);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(reader.position(), 3333 + 417);
    EXPECT_EQ(all_blocks(reader).size(), 3u);
}

TEST(FileReaderMP3, a_false_header_in_junk_does_not_hide_the_first_frames)
{
    // An MPEG-2 header whose frame would reach past both real frames; they are the whole stream.
    Frame false_frame {mp3test::MPEG2, 3, 14, 0}; // 522 bytes
    test::Bytes bytes = mp3test::cat({mp3test::header_bytes(false_frame), mp3test::junk(96),
        mp3test::plain_frames(2), mp3test::junk(200)});
    File file(bytes);
    FileReaderMP3 reader(file.path);
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.sample_rate(), 44100u);
    EXPECT_EQ(all_blocks(reader).size(), 2u);
}

TEST(FileReaderMP3, a_large_id3v2_tag_with_frame_like_bytes_is_skipped)
{
    File file(mp3test::cat({id3v2_with_false_frames(30000), mp3test::plain_frames(5)}));
    FileReaderMP3 reader(file.path);
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.sample_rate(), 44100u);
    EXPECT_EQ(reader.bitrate(), 128000u);
    // The player seeks to the resume position (0) before it plays: the search must go past a
    // buffer's worth of tag.
    reader.seek_position(0);
    MP3Data first = reader.get_block(1);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.frame_length, 417u);
    EXPECT_EQ(reader.position(), 30000 + 417);
    EXPECT_EQ(all_blocks(reader).size(), 4u);
}

TEST(FileReaderMP3, long_junk_before_and_between_frames_is_searched_through)
{
    File file(mp3test::cat(
        {mp3test::junk(25000), mp3test::plain_frames(3), mp3test::junk(15000, 3), mp3test::plain_frames(3)}));
    FileReaderMP3 reader(file.path);
    ASSERT_TRUE(reader.is_open());
    reader.seek_position(0);
    EXPECT_EQ(all_blocks(reader).size(), 6u);
    EXPECT_EQ(reader.position(), reader.length());
}

TEST(FileReaderMP3, a_tag_size_past_the_end_of_the_file_is_not_believed)
{
    test::Bytes tag = {'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
    File file(mp3test::cat({tag, mp3test::junk(50), mp3test::plain_frames(3)}));
    FileReaderMP3 reader(file.path);
    ASSERT_TRUE(reader.is_open());
    reader.seek_position(0);
    EXPECT_EQ(all_blocks(reader).size(), 3u);
}

TEST(FileReaderMP3, duration_comes_from_the_first_bitrate_and_the_file_size)
{
    // 1000000 bytes: junk, a 128 kbit/s pair, then 320 kbit/s frames and more junk.
    Frame fast {mp3test::MPEG1, 3, 14};
    test::Bytes bytes = mp3test::cat({mp3test::junk(1234), mp3test::plain_frames(2)});
    while (bytes.size() + 1044 < 900000)
        bytes = mp3test::cat({bytes, mp3test::frame_bytes(fast, 1044)});
    bytes = mp3test::cat({bytes, mp3test::junk(1000000 - bytes.size())});
    ASSERT_EQ(bytes.size(), 1000000u);
    File file(bytes);
    FileReaderMP3 reader(file.path);
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.bitrate(), 128000u);
    EXPECT_DOUBLE_EQ(reader.duration(), 62.5);
    EXPECT_EQ(reader.time_to_position(62.5), 1000000);
    EXPECT_EQ(reader.time_to_position(1.0), 16000);
    EXPECT_DOUBLE_EQ(reader.position_to_time(16000), 1.0);
}

TEST(FileReaderMP3, time_conversions_stay_in_range)
{
    File file(mp3test::plain_frames(4));
    FileReaderMP3 reader(file.path);
    EXPECT_EQ(reader.time_to_position(-3.0), 0);
    EXPECT_EQ(reader.time_to_position(std::nan("")), 0);
    EXPECT_EQ(reader.time_to_position(1e12), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(reader.time_to_position(0.00001), 0); // truncated
    EXPECT_GT(reader.position_to_time(std::numeric_limits<int32_t>::max()), 0.0);
}

TEST(FileReaderMP3, seek_beyond_the_end_lands_at_the_end)
{
    File file(mp3test::plain_frames(5));
    FileReaderMP3 reader(file.path);
    reader.seek_position(reader.length() + 5000);
    EXPECT_EQ(reader.position(), reader.length());
    EXPECT_TRUE(reader.is_end());
    EXPECT_TRUE(reader.get_block(1).empty());
    reader.seek_position(-100);
    EXPECT_EQ(reader.position(), 0);
    EXPECT_FALSE(reader.is_end());
    EXPECT_EQ(all_blocks(reader).size(), 5u);
}

TEST(FileReaderMP3, seek_into_a_frame_resynchronises_on_the_next_one)
{
    File file(mp3test::plain_frames(5));
    FileReaderMP3 reader(file.path);
    reader.seek_position(417 + 100);
    EXPECT_EQ(reader.position(), 517);
    MP3Data block = reader.get_block(1);
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(reader.position(), 3 * 417);
    EXPECT_EQ(all_blocks(reader).size(), 2u);
}

TEST(FileReaderMP3, refuses_files_without_two_agreeing_frames)
{
    struct Case {
        const char* what;
        test::Bytes bytes;
    };
    Frame other_rate {mp3test::MPEG1, 3, 9, 1};
    Frame free_format {mp3test::MPEG1, 3, 0};
    Frame long_layer2 {mp3test::MPEG25, 2, 14, 2}; // 2880 bytes: longer than a block can carry
    const Case cases[] = {
        {"three bytes", {0xFF, 0xFB, 0x90}},
        {"one frame", mp3test::plain_frames(1)},
        {"junk", mp3test::junk(30000)},
        {"all 0xFF", test::Bytes(5000, 0xFF)},
        {"two frames that disagree",
            mp3test::cat({mp3test::frame_bytes({}, 417), mp3test::frame_bytes(other_rate, 384)})},
        {"free format",
            mp3test::cat({mp3test::frame_bytes(free_format, 400), mp3test::frame_bytes(free_format, 400)})},
        {"frames longer than a block",
            mp3test::cat({mp3test::frame_bytes(long_layer2, 2880), mp3test::frame_bytes(long_layer2, 2880),
                mp3test::frame_bytes(long_layer2, 2880)})},
        {"second header cut", mp3test::cat({mp3test::frame_bytes({}, 417), {0xFF, 0xFB, 0x90}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        File file(c.bytes);
        FileReaderMP3 reader(file.path);
        EXPECT_FALSE(reader.is_open());
        EXPECT_TRUE(reader.is_end());
        EXPECT_TRUE(reader.get_block(1).empty());
    }
}

TEST(FileReaderMP3, a_missing_file_is_not_open)
{
    test::TempDir dir;
    FileReaderMP3 reader(dir.file("absent.mp3"));
    EXPECT_FALSE(reader.is_open());
    EXPECT_TRUE(reader.is_end());
    EXPECT_EQ(reader.length(), 0);
    EXPECT_TRUE(reader.get_block(1).empty());
}

TEST(FileReaderMP3, an_empty_file_opens_at_its_end_with_no_format)
{
    File file(test::Bytes {});
    FileReaderMP3 reader(file.path);
    EXPECT_TRUE(reader.is_open());
    EXPECT_TRUE(reader.is_end());
    EXPECT_EQ(reader.sample_rate(), 0u);
    EXPECT_EQ(reader.channels(), 0u);
    EXPECT_EQ(reader.duration(), 0.0);
    EXPECT_TRUE(reader.get_block(1).empty());
    EXPECT_FALSE(reader.skip_time(1.0));
}

TEST(FileReaderMP3, a_frame_cut_by_the_end_of_the_file_is_dropped)
{
    test::Bytes bytes = mp3test::plain_frames(4);
    bytes.resize(bytes.size() - 100);
    File file(bytes);
    FileReaderMP3 reader(file.path);
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(all_blocks(reader).size(), 3u);
    EXPECT_EQ(reader.position(), reader.length());
}

TEST(FileReaderMP3, truncated_and_corrupt_fixtures_end_cleanly)
{
    for (const char* name : {"mp3/truncated.mp3", "mp3/corrupt.mp3"}) {
        SCOPED_TRACE(name);
        FileReaderMP3 reader(test::u16(test::fixture(name)));
        ASSERT_TRUE(reader.is_open());
        std::vector<MP3Data> blocks = all_blocks(reader);
        EXPECT_GT(blocks.size(), 5u);
        EXPECT_LT(blocks.size(), 26u);
        EXPECT_EQ(reader.position(), reader.length());
    }
}

TEST(FileReaderMP3, skip_forward_pushes_whole_frames_until_the_distance_is_covered)
{
    File file(mp3test::plain_frames(10));
    FileReaderMP3 reader(file.path);
    CountingConsumer consumer;
    reader.connect(&consumer);
    EXPECT_TRUE(reader.skip_forward(417 * 3));
    EXPECT_EQ(consumer.blocks, 3);
    EXPECT_EQ(reader.position(), 417 * 3);
    EXPECT_TRUE(reader.skip_forward(1));
    EXPECT_EQ(consumer.blocks, 4);
    EXPECT_TRUE(reader.skip_forward(0));
    EXPECT_EQ(consumer.blocks, 4);
    EXPECT_FALSE(reader.skip_forward(417 * 10));
    EXPECT_EQ(consumer.blocks, 10);
    reader.connect(nullptr);
}

TEST(FileReaderMP3, skip_time_counts_by_the_reference_bitrate)
{
    File file(mp3test::plain_frames(10));
    FileReaderMP3 reader(file.path);
    CountingConsumer consumer;
    reader.connect(&consumer);
    // A 417-byte frame at 128 kbit/s lasts 0.0260625 s: 0.1 s needs four of them.
    EXPECT_TRUE(reader.skip_time(0.1));
    EXPECT_EQ(consumer.blocks, 4);
    EXPECT_FALSE(reader.skip_time(10.0));
    EXPECT_EQ(consumer.blocks, 10);
    reader.connect(nullptr);
}

TEST(FileReaderMP3Concurrency, seeks_and_position_reads_while_another_thread_pulls)
{
    File file(mp3test::cat({mp3test::junk(700), mp3test::plain_frames(60)}));
    FileReaderMP3 reader(file.path);
    ASSERT_TRUE(reader.is_open());
    std::atomic<bool> bad_block {false};
    std::thread puller([&] {
        for (int i = 0; i < 3000; ++i) {
            MP3Data block = reader.get_block(1);
            if (!block.empty() && (block.size() != 2000 || block.data.data()[0] != 0xFF))
                bad_block = true;
        }
    });
    for (int i = 0; i < 3000; ++i) {
        reader.seek_position((i * 7919) % (reader.length() + 1000));
        int32_t position = reader.position();
        ASSERT_GE(position, 0);
        ASSERT_LE(position, reader.length());
    }
    puller.join();
    EXPECT_FALSE(bad_block);
}
