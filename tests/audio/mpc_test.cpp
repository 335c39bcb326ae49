#include "audio/decoder_mpc.h"
#include "decoded_audio.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

using audio::DecoderMPC;
using audio::PCMData;
using test::u16;

std::u16string mpc_fixture(std::string_view name)
{
    return u16(test::fixture(std::string("vorbis_mpc/") + std::string(name)));
}

// One library frame holds 1152 sample frames.
constexpr int32_t s_frame = 1152;

TEST(DecoderMPC, stereo_file_decodes_to_its_source_on_both_channels)
{
    DecoderMPC reader(mpc_fixture("mpc_44k_stereo.mpc"));
    test::expect_sweep_header(reader, 2);
    EXPECT_GT(reader.bitrate(), 30000u);
    EXPECT_LT(reader.bitrate(), 300000u);
    test::expect_stereo_sweep(test::decode_all(reader, 4096));
    EXPECT_EQ(reader.position(), reader.length());
    EXPECT_TRUE(reader.is_end());
}

TEST(DecoderMPC, mono_file_decodes_to_its_source)
{
    DecoderMPC reader(mpc_fixture("mpc_44k_mono.mpc"));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.channels(), 1u);
    test::Decoded decoded = test::decode_all(reader, 777);
    EXPECT_FALSE(decoded.ragged);
    EXPECT_EQ(decoded.channels, 1);
    EXPECT_EQ(decoded.frames, test::s_sweep_frames);
    std::vector<double> source = test::source_sweep();
    std::vector<double> mono = test::as_doubles(decoded.samples);
    EXPECT_EQ(test::best_lag(mono, source, 64), 0);
    EXPECT_GT(test::correlation(mono, 0, source, 0, source.size()), 0.99);
}

TEST(DecoderMPC, partial_takes_keep_the_rest_of_the_decoded_frame)
{
    DecoderMPC whole(mpc_fixture("mpc_44k_stereo.mpc"));
    test::Decoded reference = test::decode_all(whole, 100000);

    DecoderMPC reader(mpc_fixture("mpc_44k_stereo.mpc"));
    PCMData first = reader.get_block(100);
    ASSERT_EQ(first.frames(), 100u);
    // The position counts the whole library frame decoded, not the 100 frames handed out.
    int32_t decoded = reader.position();
    EXPECT_GT(decoded, 100);
    EXPECT_LE(decoded, s_frame);

    // Asking for more than is left hands out the rest only, decoding nothing new.
    PCMData rest = reader.get_block(s_frame * 4);
    EXPECT_EQ(int32_t(rest.frames()), decoded - 100);
    EXPECT_EQ(reader.position(), decoded);
    EXPECT_TRUE(first.data.shares_storage_with(rest.data)) << "views on the one decoded frame";

    PCMData next = reader.get_block(10);
    EXPECT_EQ(next.frames(), 10u);
    EXPECT_EQ(reader.position(), decoded + s_frame);

    test::Samples pieces;
    for (const PCMData* block : {&first, &rest, &next})
        test::append(pieces, *block);
    ASSERT_LE(pieces.size(), reference.samples.size());
    EXPECT_TRUE(std::equal(pieces.begin(), pieces.end(), reference.samples.begin()));
}

TEST(DecoderMPC, a_request_for_no_frames_takes_nothing)
{
    DecoderMPC reader(mpc_fixture("mpc_44k_stereo.mpc"));
    EXPECT_TRUE(reader.get_block(0).empty());
    EXPECT_TRUE(reader.get_block(-5).empty());
    // What was decoded for them is still there.
    int32_t decoded = reader.position();
    EXPECT_EQ(int32_t(reader.get_block(s_frame).frames()), decoded);
}

TEST(DecoderMPC, seek_sets_the_position_and_continues_from_the_frame_sought)
{
    test::expect_seeks_continue_the_sweep<DecoderMPC>(
        mpc_fixture("mpc_44k_stereo.mpc"), {11025, 4410, 1152, 17}, 0);
}

TEST(DecoderMPC, seek_hands_out_what_was_pending_first)
{
    DecoderMPC whole(mpc_fixture("mpc_44k_stereo.mpc"));
    test::Decoded reference = test::decode_all(whole, 100000);

    DecoderMPC reader(mpc_fixture("mpc_44k_stereo.mpc"));
    reader.get_block(100);
    int32_t decoded = reader.position();
    reader.seek_position(11025);
    EXPECT_EQ(reader.position(), 11025);
    test::Samples old = test::samples_of(reader.get_block(s_frame * 4));
    ASSERT_EQ(int32_t(old.size()), 2 * (decoded - 100));
    EXPECT_TRUE(std::equal(old.begin(), old.end(), reference.samples.begin() + 200));
    EXPECT_EQ(reader.position(), 11025);

    std::vector<double> left = test::channel(test::pull_samples(reader, 512, 2 * 512), 2, 0);
    EXPECT_GT(reader.position(), 11025);
    std::vector<double> straight = test::channel(reference.samples, 2, 0);
    EXPECT_GT(test::correlation(left, 0, straight, 11025, 512), 0.99);
}

TEST(DecoderMPC, ten_seconds_last_ten_seconds)
{
    DecoderMPC reader(mpc_fixture("mpc_silence_10s.mpc"));
    test::expect_ten_seconds(reader);
}

TEST(DecoderMPC, beginning_silence_declared_in_the_header_is_dropped)
{
    DecoderMPC reader(mpc_fixture("mpc_leading_silence.mpc"));
    ASSERT_TRUE(reader.is_open());
    constexpr int32_t silence = 2000;
    EXPECT_EQ(reader.length(), test::s_sweep_frames - silence);
    test::Decoded decoded = test::decode_all(reader, 4096);
    EXPECT_EQ(decoded.frames, test::s_sweep_frames - silence);
    EXPECT_TRUE(reader.is_end());
    std::vector<double> left = test::channel(decoded.samples, 2, 0);
    std::vector<double> source = test::source_sweep();
    std::vector<double> expected(source.begin() + silence, source.end());
    EXPECT_EQ(test::best_lag(left, expected, 64), 0);
    EXPECT_GT(test::correlation(left, 0, expected, 0, expected.size()), 0.99);
}

TEST(DecoderMPC, a_version_7_header_claiming_more_frames_than_the_file_can_hold_is_cut_down)
{
    // 31 bytes whose header announces some 7 million frames (13 hours).
    const test::Bytes lying
        = {0x4d, 0x50, 0x2b, 0x07, 0x0b, 0x20, 0x6e, 0x00, 0xed, 0x00, 0x10, 0x5f, 0x20, 0x82, 0x43, 0x4b,
            0x53, 0x48, 0x0e, 0x00, 0x22, 0x00, 0x11, 0x0b, 0xf3, 0x36, 0xff, 0x3d, 0x5f, 0x7c, 0xe9};
    test::TempDir dir;
    test::write_file(dir.native("lying.mpc"), lying);
    DecoderMPC reader(dir.file("lying.mpc"));
    ASSERT_TRUE(reader.is_open());
    // At most one frame per 20 bits of file, plus one.
    EXPECT_GT(reader.length(), 0);
    EXPECT_LE(reader.length(), (31 * 8 / 20 + 1) * s_frame);
    reader.seek_position(reader.length() / 2);
    EXPECT_EQ(reader.position(), reader.length() / 2);
    EXPECT_LE(test::decode_all(reader, 4096).frames, reader.length());
}

TEST(DecoderMPC, files_whose_header_cannot_be_read_are_refused)
{
    test::TempDir dir;
    test::write_file(dir.native("magic_only.mpc"), test::Bytes {'M', 'P', 'C', 'K'});
    test::write_file(dir.native("sv7_magic_only.mpc"), test::Bytes {'M', 'P', '+', 0x17, 0, 0});
    for (const std::u16string& path :
        {dir.file("magic_only.mpc"), dir.file("sv7_magic_only.mpc"), mpc_fixture("mpc_8_channels.mpc")})
        EXPECT_FALSE(DecoderMPC(path).is_open());
}

TEST(DecoderMPC, corrupt_audio_ends_or_plays_through_without_harm)
{
    DecoderMPC reader(mpc_fixture("mpc_corrupt.mpc"));
    test::expect_plays_without_harm(reader, reader);
}

TEST(DecoderMPC, both_stream_versions_of_one_recording_sound_alike_and_seek_alike)
{
    SKIP_WITHOUT_CORPUS();
    std::vector<double> left[2];
    for (int v = 0; v < 2; ++v) {
        const char* name = v == 0 ? "sv7_music_7s.mpc" : "sv8_music_7s_same_as_sv7.mpc";
        SCOPED_TRACE(name);
        DecoderMPC straight(u16(test::corpus(name)));
        EXPECT_EQ(straight.length(), 337180);
        left[v] = test::channel(test::decode_all(straight, 8192).samples, 2, 0);
        // Seeks give what decoding straight through gives.
        for (int32_t target : {300000, 5000, 123456}) {
            DecoderMPC reader(u16(test::corpus(name)));
            reader.seek_position(target);
            EXPECT_EQ(reader.position(), target);
            std::vector<double> sought = test::channel(test::pull_samples(reader, 1000, 2 * 1000), 2, 0);
            EXPECT_GT(test::correlation(sought, 0, left[v], size_t(target), sought.size()), 0.99)
                << "target " << target;
        }
    }
    EXPECT_EQ(test::best_lag(left[0], left[1], 64), 0);
    EXPECT_GT(test::correlation(left[0], 0, left[1], 0, left[0].size()), 0.95);
}

} // namespace
