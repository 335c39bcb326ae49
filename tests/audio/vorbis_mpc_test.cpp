// What is particular to the Ogg Vorbis and Musepack readers (what every reader promises is in
// reader_contract_test.cpp): times of a long stream, block sizes, chained streams, frames pending
// across takes and seeks, header silence, headers that lie, and the file callbacks of libvorbisfile.

#include "audio/decoder_mpc.h"
#include "audio/decoder_vorbis.h"
#include "decoded_audio.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

using audio::DecoderMPC;
using audio::DecoderVorbis;
using audio::PCMData;

std::u16string fixture(std::string_view name)
{
    return test::u16(test::fixture(std::string("vorbis_mpc/") + std::string(name)));
}

constexpr int32_t s_frame = 1152; // sample frames of one Musepack library frame
constexpr int32_t s_sweep_frames = 22050;

// Ten seconds of silence at 44100 Hz: times, positions (truncated, not rounded), a seek by time.
template<class Reader> void expect_ten_seconds(const char* name)
{
    Reader reader(fixture(name));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.length(), 441000);
    EXPECT_DOUBLE_EQ(reader.duration(), 10.0);
    EXPECT_EQ(reader.time_to_position(5.0), 220500);
    EXPECT_DOUBLE_EQ(reader.position_to_time(220500), 5.0);
    EXPECT_EQ(reader.time_to_position(1.0 / 44100 * 0.99), 0);
    reader.seek_time(7.5);
    EXPECT_EQ(reader.position(), 330750);
    EXPECT_DOUBLE_EQ(reader.time(), 7.5);
    EXPECT_EQ(test::decode_all(reader, 8192).frames, 441000 - 330750);
}

} // namespace

// Ten seconds convert times exactly; chained streams label each block with its own format.
TEST(DecoderVorbisMPC, ten_seconds_convert_times_exactly_and_chained_streams_keep_their_formats)
{
    expect_ten_seconds<DecoderVorbis>("vorbis_silence_10s.ogg");
    expect_ten_seconds<DecoderMPC>("mpc_silence_10s.mpc");

    DecoderVorbis reader(fixture("vorbis_chained.ogg"));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.channels(), 1u);
    EXPECT_EQ(reader.sample_rate(), 22050u);
    EXPECT_EQ(reader.length(), 11025 + s_sweep_frames);
    test::Samples stereo;
    for (PCMData block = reader.get_block(4096); !block.empty(); block = reader.get_block(4096)) {
        if (block.channels == 1) {
            EXPECT_EQ(block.sample_rate, 22050);
            EXPECT_TRUE(stereo.empty()) << "the mono stream comes first";
        } else {
            ASSERT_EQ(block.channels, 2);
            EXPECT_EQ(block.sample_rate, 44100);
            test::append(stereo, block);
        }
    }
    ASSERT_EQ(stereo.size(), size_t(2 * s_sweep_frames)) << "the second stream arrives whole";
    std::vector<double> left = test::channel(stereo, 2, 0);
    EXPECT_GT(test::correlation(left, 0, test::source_sweep(), 0, left.size()), 0.99);
}

TEST(VorbisSource, seek_reports_success_only_when_the_file_moved_and_read_counts_whole_items)
{
    test::TempDir dir;
    test::write_file(dir.native("ten.bin"), test::Bytes(10, 7));
    os::File file(dir.file("ten.bin"), os::FileMode::Read);
    EXPECT_EQ(audio::vorbis_source::seek(file, 4, 0), 0);
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

TEST(DecoderMPC, partial_takes_keep_the_rest_of_the_decoded_frame_and_seeks_hand_it_out_first)
{
    DecoderMPC whole(fixture("mpc_44k_stereo.mpc"));
    test::Decoded reference = test::decode_all(whole, 100000);
    DecoderMPC reader(fixture("mpc_44k_stereo.mpc"));
    EXPECT_TRUE(reader.get_block(0).empty());
    EXPECT_TRUE(reader.get_block(-5).empty());
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
    EXPECT_TRUE(std::equal(pieces.begin(), pieces.end(), reference.samples.begin()));
    // A seek hands out what was pending first, then goes on from the frame sought.
    reader.seek_position(11025);
    EXPECT_EQ(reader.position(), 11025);
    test::Samples old;
    test::append(old, reader.get_block(s_frame * 4));
    ASSERT_EQ(int32_t(old.size()), 2 * (s_frame - 10));
    EXPECT_TRUE(std::equal(old.begin(), old.end(), reference.samples.begin() + 2 * (decoded + 10)));
    EXPECT_EQ(reader.position(), 11025);
}

TEST(DecoderMPC, header_silence_is_dropped_and_a_header_claiming_too_many_frames_is_cut_down)
{
    DecoderMPC reader(fixture("mpc_leading_silence.mpc"));
    constexpr int32_t silence = 2000;
    EXPECT_EQ(reader.length(), s_sweep_frames - silence);
    std::vector<double> left = test::channel(test::decode_all(reader, 4096).samples, 2, 0);
    std::vector<double> source = test::source_sweep();
    EXPECT_EQ(left.size(), size_t(s_sweep_frames - silence));
    EXPECT_EQ(test::best_lag(left, std::vector<double>(source.begin() + silence, source.end()), 64), 0);
    // 31 bytes of a version 7 header announcing some 7 million frames: at most one frame per 20 bits.
    const test::Bytes lying
        = {0x4d, 0x50, 0x2b, 0x07, 0x0b, 0x20, 0x6e, 0x00, 0xed, 0x00, 0x10, 0x5f, 0x20, 0x82, 0x43, 0x4b,
            0x53, 0x48, 0x0e, 0x00, 0x22, 0x00, 0x11, 0x0b, 0xf3, 0x36, 0xff, 0x3d, 0x5f, 0x7c, 0xe9};
    test::TempDir dir;
    test::write_file(dir.native("lying.mpc"), lying);
    DecoderMPC lied(dir.file("lying.mpc"));
    ASSERT_TRUE(lied.is_open());
    EXPECT_GT(lied.length(), 0);
    EXPECT_LE(lied.length(), (31 * 8 / 20 + 1) * s_frame);
    lied.seek_position(lied.length() / 2);
    EXPECT_EQ(lied.position(), lied.length() / 2);
    EXPECT_LE(test::decode_all(lied, 4096).frames, lied.length());
}

TEST(DecoderVorbisMPC, headers_that_cannot_be_read_are_refused)
{
    test::TempDir dir;
    test::write_file(dir.native("magic_only.mpc"), test::Bytes {'M', 'P', 'C', 'K'});
    test::write_file(dir.native("sv7_magic_only.mpc"), test::Bytes {'M', 'P', '+', 0x17, 0, 0});
    test::write_file(dir.native("capture.ogg"), test::Bytes {'O', 'g', 'g', 'S', 0, 2, 0, 0});
    for (const std::u16string& path :
        {dir.file("magic_only.mpc"), dir.file("sv7_magic_only.mpc"), fixture("mpc_8_channels.mpc")})
        EXPECT_FALSE(DecoderMPC(path).is_open());
    DecoderVorbis capture(dir.file("capture.ogg"));
    EXPECT_FALSE(capture.is_open());
    EXPECT_EQ(capture.channels(), 0u);
}
