// Seeking in MP3 files: after a seek the chain's first sound is the frame that starts at or after
// the position sought, exactly as it sounds when the file plays from its start (the decoder's bit
// reservoir and overlap are rebuilt from the frames before it), in constant- and variable-bitrate
// files, back and forth; and a frame-like pattern inside a frame's data is not taken for a frame.

#include "audio/decoder_mp3.h"
#include "audio/file_reader_mp3.h"
#include "audio/play_chain.h"
#include "mp3_test_util.h"

#include <gtest/gtest.h>

#include <map>

using audio::DecoderMP3;
using audio::FileReaderMP3;
using audio::MP3Data;
using namespace mp3test;

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
}

} // namespace
