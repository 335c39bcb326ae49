// What is particular to the PCM WAV reader (what every reader promises is in
// reader_contract_test.cpp): the chunk walk, header refusals, byte positions on frame boundaries,
// any width passed through as stored, and the chain's title.

#include "audio/file_reader_wav_pcm.h"
#include "audio/play_chain.h"
#include "decoded_audio.h"
#include "support/ramp_source.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using audio::FileReaderWAVPCM;
using audio::PCMData;
using test::Bytes;
using test::WavSpec;

namespace {

struct WavFile {
    test::TempDir dir;
    std::u16string path;
    explicit WavFile(const Bytes& bytes)
        : path(dir.file("x.wav"))
    {
        test::write_file(dir.native("x.wav"), bytes);
    }
};

WavSpec ramp_spec(uint32_t frames)
{
    WavSpec spec;
    spec.data = test::ramp16(frames * 2);
    return spec;
}

} // namespace

TEST(WavPcm, other_chunks_are_walked_over_and_a_data_size_past_the_file_plays_its_whole_frames)
{
    WavSpec spec = ramp_spec(1000);
    spec.chunks_before_data = {{"LIST", Bytes(25, 'x')}, {"fact", Bytes(4, 0)}};
    spec.chunks_after_data = {{"LIST", Bytes(7, 'y')}};
    // An odd 3-byte chunk written without its pad byte, right after the 16-byte fmt body.
    Bytes unpadded = test::make_wav(ramp_spec(1000));
    Bytes odd = test::ByteWriter().tag("junk").u32(3).raw("abc").bytes;
    unpadded.insert(unpadded.begin() + 36, odd.begin(), odd.end());
    std::vector<Bytes> files = {test::make_wav(ramp_spec(1000)), test::make_wav(spec), unpadded};
    // Declared 50 times too long, or streamed (all ones), with half a frame after the last whole one.
    for (int64_t declared : {int64_t(1000 * 4 * 50), int64_t(0xFFFFFFFF)}) {
        WavSpec longer = ramp_spec(1000);
        longer.data_size = declared;
        files.push_back(test::make_wav(longer));
        files.back().push_back(0x55);
    }
    for (const Bytes& bytes : files) {
        WavFile file(bytes);
        FileReaderWAVPCM reader(file.path);
        ASSERT_TRUE(reader.is_open());
        EXPECT_EQ(reader.length(), 4000); // in bytes
        EXPECT_EQ(reader.bitrate(), 44100u * 4 * 8);
        EXPECT_EQ(reader.time_to_position(0.01), 441 * 4);
        std::vector<int16_t> samples = test::decode_all(reader, 333).samples;
        ASSERT_EQ(samples.size(), 2000u);
        for (size_t k = 0; k < samples.size(); ++k)
            ASSERT_EQ(uint16_t(samples[k]), uint16_t(k)) << "sample " << k;
        PCMData end = reader.get_block(100);
        EXPECT_TRUE(end.empty());
        EXPECT_EQ(end.channels, 2) << "the end block keeps its format";
    }
}

TEST(WavPcm, files_that_are_not_pcm_wav_are_refused)
{
    Bytes good = test::make_wav(ramp_spec(10));
    Bytes chunk_before_fmt = good;
    Bytes junk = test::ByteWriter().tag("JUNK").u32(4).u32(0).bytes;
    chunk_before_fmt.insert(chunk_before_fmt.begin() + 12, junk.begin(), junk.end());
    WavSpec gsm = ramp_spec(10);
    gsm.format_tag = 49;
    Bytes no_data = good;
    no_data[36] = 'D'; // "Data" is not "data"
    Bytes rifx = good;
    rifx[3] = 'X';
    // A LIST size of 0xFFFFFFF8 would bring the walk back to the LIST header itself: no hang.
    WavSpec list = ramp_spec(10);
    list.chunks_before_data = {{"LIST", Bytes(8, 0)}};
    Bytes wrapping = test::make_wav(list);
    wrapping[40] = 0xF8, wrapping[41] = 0xFF, wrapping[42] = 0xFF, wrapping[43] = 0xFF;
    for (const Bytes& bytes : {chunk_before_fmt, test::make_wav(gsm), no_data,
             Bytes(good.begin(), good.begin() + 30), Bytes {}, rifx, wrapping}) {
        WavFile file(bytes);
        EXPECT_FALSE(FileReaderWAVPCM(file.path).is_open()) << bytes.size() << " bytes";
    }
    test::TempDir dir;
    FileReaderWAVPCM missing(dir.file("missing.wav"));
    EXPECT_FALSE(missing.is_open());
    EXPECT_EQ(missing.get_block(100).channels, 0);
    EXPECT_EQ(audio::create_play_chain(dir.file("missing.wav")), nullptr);
}

TEST(WavPcm, seeks_land_on_the_frame_boundary_below_and_any_width_passes_through)
{
    WavFile file(test::make_wav(ramp_spec(1000)));
    FileReaderWAVPCM reader(file.path);
    for (auto [to, expected] : {std::pair {4003, 4000}, {4, 4}, {3, 0}, {-9, 0}, {999999, 4000}}) {
        reader.seek_position(to);
        EXPECT_EQ(reader.position(), expected) << "seek to " << to;
        PCMData block = reader.get_block(1);
        EXPECT_EQ(block.empty() ? -1 : test::sample16(block, 0), expected < 4000 ? expected / 2 : -1) << to;
    }
    // With block_align 0 it never moves and cannot skip.
    WavSpec spec = ramp_spec(100);
    spec.block_align = 0;
    WavFile zero(test::make_wav(spec));
    FileReaderWAVPCM still(zero.path);
    ASSERT_TRUE(still.is_open());
    still.seek_position(40);
    EXPECT_EQ(still.position(), 0);
    EXPECT_FALSE(still.skip_forward(40));
    EXPECT_TRUE(still.get_block(100).empty());
    EXPECT_EQ(still.position_to_time(400), 0.0);
    // Six channels of 24 bits.
    WavSpec six = ramp_spec(0);
    six.channels = 6, six.sample_rate = 48000, six.bits = 24, six.data = Bytes(18 * 10, 0x7F);
    WavFile wide(test::make_wav(six));
    PCMData block = FileReaderWAVPCM(wide.path).get_block(4);
    EXPECT_EQ(block.channels, 6);
    EXPECT_EQ(block.bits_per_sample, 24);
    EXPECT_EQ(block.size(), 72u);
}

TEST(PlayChain, titles_come_from_the_path_after_its_last_separator)
{
    EXPECT_EQ(audio::title_from_path(u"a\\b/c.wav"), u"c.wav");
    EXPECT_EQ(audio::title_from_path(u"a/b\\c.wav"), u"c.wav");
    EXPECT_EQ(audio::title_from_path(u"song.wav"), u"song.wav");
    test::TempDir dir;
    test::write_file(dir.native("tune.mp3"), test::make_wav(ramp_spec(100)));
    auto chain = audio::create_play_chain(dir.file("tune.mp3"));
    ASSERT_NE(chain, nullptr) << "opened by content, not by name";
    EXPECT_EQ(chain->get_title(), u"tune.mp3");
}
