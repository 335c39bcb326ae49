#include "audio/decoder_mpc.h"
#include "audio/decoder_vorbis.h"
#include "audio/play_chain.h"
#include "decoded_audio.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

using audio::DecoderVorbis;
using audio::PCMData;
using test::u16;

std::u16string vorbis_fixture(std::string_view name)
{
    return u16(test::fixture(std::string("vorbis_mpc/") + std::string(name)));
}

TEST(DecoderVorbis, stereo_file_decodes_to_its_source_on_both_channels)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_44k_stereo.ogg"));
    test::expect_sweep_header(reader, 2);
    test::expect_stereo_sweep(test::decode_all(reader, 4096));
    EXPECT_EQ(reader.position(), reader.length());
}

struct VorbisFile {
    const char* name;
    unsigned channels;
    unsigned rate;
};

class DecoderVorbisFiles : public testing::TestWithParam<VorbisFile> { };

TEST_P(DecoderVorbisFiles, decodes_every_frame_at_the_source_level)
{
    const VorbisFile& file = GetParam();
    DecoderVorbis reader(vorbis_fixture(file.name));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.channels(), file.channels);
    EXPECT_EQ(reader.sample_rate(), file.rate);
    EXPECT_EQ(reader.length(), int32_t(file.rate / 2));
    // Small files hold too few pages for the library's own average: the nominal rate stands in.
    EXPECT_GT(reader.bitrate(), 8000u);
    EXPECT_LT(reader.bitrate(), 400000u);

    test::Decoded decoded = test::decode_all(reader, 1000);
    EXPECT_FALSE(decoded.ragged);
    EXPECT_EQ(decoded.channels, int32_t(file.channels));
    EXPECT_EQ(decoded.sample_rate, int32_t(file.rate));
    EXPECT_EQ(decoded.frames, int64_t(file.rate / 2));
    EXPECT_TRUE(reader.is_end());
    // Resampling keeps the sweep's level (it lies below every Nyquist frequency here).
    std::vector<double> first = test::channel(decoded.samples, int(file.channels), 0);
    EXPECT_NEAR(test::rms(first) / test::rms(test::source_sweep()), 1.0, 0.15);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DecoderVorbisFiles,
    testing::Values(VorbisFile {"vorbis_44k_mono.ogg", 1, 44100},
        VorbisFile {"vorbis_22k_mono.ogg", 1, 22050}, VorbisFile {"vorbis_16k_stereo.ogg", 2, 16000}),
    test::file_stem<VorbisFile>);

TEST(DecoderVorbis, a_stream_shorter_than_a_millisecond_opens_and_plays)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_10_frames.ogg"));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.length(), 10);
    EXPECT_GT(reader.bitrate(), 0u) << "the nominal rate, as no average can be taken";
    EXPECT_EQ(test::decode_all(reader, 4096).frames, 10);
    EXPECT_TRUE(reader.is_end());
}

TEST(DecoderVorbis, blocks_hold_what_was_asked_up_to_8192_frames)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_44k_stereo.ogg"));
    EXPECT_EQ(reader.get_block(1).frames(), 1u);
    EXPECT_EQ(reader.position(), 1);
    int32_t total = 1;
    for (PCMData block = reader.get_block(10000); !block.empty(); block = reader.get_block(10000)) {
        EXPECT_LE(block.size(), 32768u);
        EXPECT_EQ(block.size() % 4, 0u);
        total += int32_t(block.frames());
    }
    EXPECT_EQ(total, test::s_sweep_frames);
}

TEST(DecoderVorbis, seek_continues_from_the_frame_sought)
{
    test::expect_seeks_continue_the_sweep<DecoderVorbis>(
        vorbis_fixture("vorbis_44k_stereo.ogg"), {11025, 4410, 17}, 5000);
}

TEST(DecoderVorbis, seek_outside_the_stream_leaves_the_position)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_44k_stereo.ogg"));
    reader.get_block(1000);
    int32_t before = reader.position();
    reader.seek_position(-1);
    EXPECT_EQ(reader.position(), before);
    reader.seek_position(reader.length() + 1);
    EXPECT_EQ(reader.position(), before);
    reader.seek_position(reader.length());
    EXPECT_TRUE(reader.is_end());
    EXPECT_TRUE(reader.get_block(100).empty());
}

TEST(DecoderVorbis, ten_seconds_last_ten_seconds)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_silence_10s.ogg"));
    test::expect_ten_seconds(reader);
}

TEST(DecoderVorbis, files_that_are_not_ogg_vorbis_are_refused)
{
    test::TempDir dir;
    test::write_file(dir.native("capture.ogg"), test::Bytes {'O', 'g', 'g', 'S', 0, 2, 0, 0});
    DecoderVorbis capture(dir.file("capture.ogg"));
    EXPECT_FALSE(capture.is_open());
    EXPECT_EQ(capture.channels(), 0u);
    EXPECT_EQ(capture.position(), 0);
}

TEST(DecoderVorbis, corrupt_audio_ends_the_stream_without_harm)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_corrupt.ogg"));
    test::expect_plays_without_harm(reader, reader);
}

TEST(DecoderVorbis, chained_streams_label_each_block_with_its_own_format)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_chained.ogg"));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.channels(), 1u);
    EXPECT_EQ(reader.sample_rate(), 22050u);
    EXPECT_EQ(reader.length(), 11025 + test::s_sweep_frames);
    test::Samples stereo;
    for (int i = 0; i < 1000; ++i) {
        PCMData block = reader.get_block(4096);
        if (block.empty())
            break;
        if (block.channels == 1) {
            EXPECT_EQ(block.sample_rate, 22050);
            EXPECT_TRUE(stereo.empty()) << "the mono stream comes first";
        } else {
            ASSERT_EQ(block.channels, 2);
            EXPECT_EQ(block.sample_rate, 44100);
            EXPECT_EQ(block.size() % 4, 0u);
            test::append(stereo, block);
        }
    }
    // The second stream arrives whole, and its samples are read as stereo.
    ASSERT_EQ(stereo.size(), size_t(2 * test::s_sweep_frames));
    std::vector<double> left = test::channel(stereo, 2, 0);
    EXPECT_GT(test::correlation(left, 0, test::source_sweep(), 0, left.size()), 0.99);
}

TEST(VorbisSource, seek_reports_success_only_when_the_file_moved_and_read_counts_whole_items)
{
    test::TempDir dir;
    test::write_file(dir.native("ten.bin"), test::Bytes(10, 7));
    os::File file(dir.file("ten.bin"), os::FileMode::Read);
    EXPECT_EQ(audio::vorbis_source::seek(file, 4, 0), 0);
    EXPECT_EQ(file.tell(), 4u);
    EXPECT_EQ(audio::vorbis_source::seek(file, 3, 1), 0);
    EXPECT_EQ(file.tell(), 7u);
    EXPECT_EQ(audio::vorbis_source::seek(file, -2, 2), 0);
    EXPECT_EQ(audio::vorbis_source::tell(file), 8);

    for (auto [offset, whence] : {std::pair<int64_t, int> {0, 3}, {-9, 1}, {-1, 0}, {int64_t(1) << 32, 0},
             {INT64_MAX, 1}, {INT64_MIN, 2}})
        EXPECT_EQ(audio::vorbis_source::seek(file, offset, whence), -1) << offset << " from " << whence;
    EXPECT_EQ(file.tell(), 8u) << "a refused seek does not move the file";

    char buffer[16];
    EXPECT_EQ(audio::vorbis_source::seek(file, 0, 0), 0);
    EXPECT_EQ(audio::vorbis_source::read(file, buffer, 4, 2), 2u);
    EXPECT_EQ(audio::vorbis_source::read(file, buffer, 4, 2), 0u) << "2 bytes left: no whole item";
    EXPECT_EQ(audio::vorbis_source::read(file, buffer, 0, 2), 0u);

    os::File missing(dir.file("missing.bin"), os::FileMode::Read);
    EXPECT_EQ(audio::vorbis_source::seek(missing, 0, 0), -1);
    EXPECT_EQ(audio::vorbis_source::seek(missing, 0, 1), -1);
}

} // namespace
