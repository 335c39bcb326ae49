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

WavSpec ramp_spec(uint32_t frames, uint16_t channels = 2)
{
    WavSpec spec;
    spec.channels = channels;
    spec.data = test::ramp16(frames * channels);
    return spec;
}

// Every sample k of the ramp holds k: any slip, loss or repetition shows.
void expect_ramp(const std::vector<int16_t>& samples, size_t count)
{
    ASSERT_EQ(samples.size(), count);
    for (size_t k = 0; k < samples.size(); ++k)
        ASSERT_EQ(uint16_t(samples[k]), uint16_t(k)) << "sample " << k;
}

} // namespace

TEST(WavPcm, reads_the_format_chunk_and_hands_out_the_file_bytes_in_order)
{
    WavFile file(test::make_wav(ramp_spec(44100)));
    FileReaderWAVPCM reader(file.path);
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.bitrate(), 44100u * 4 * 8);
    EXPECT_EQ(reader.length(), 44100 * 4); // in bytes
    EXPECT_EQ(reader.time_to_position(0.5), 22050 * 4);
    test::Decoded decoded = test::decode_all(reader, 1000);
    EXPECT_EQ(decoded.frames, 44100);
    expect_ramp(decoded.samples, 2 * 44100);
    EXPECT_TRUE(reader.is_end());
    // The end block is empty but keeps its format.
    PCMData end = reader.get_block(100);
    EXPECT_TRUE(end.empty());
    EXPECT_EQ(end.channels, 2);
    EXPECT_EQ(end.sample_rate, 44100);
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
    const std::pair<const char*, Bytes> cases[]
        = {{"chunk before fmt", chunk_before_fmt}, {"GSM", test::make_wav(gsm)}, {"no data chunk", no_data},
            {"ends inside fmt", Bytes(good.begin(), good.begin() + 30)}, {"empty", {}}, {"RIFX", rifx},
            {"chunk size wrapping the position", wrapping}};
    EXPECT_TRUE(FileReaderWAVPCM(WavFile(good).path).is_open());
    for (const auto& [what, bytes] : cases) {
        WavFile file(bytes);
        EXPECT_FALSE(FileReaderWAVPCM(file.path).is_open()) << what;
    }
    test::TempDir dir;
    FileReaderWAVPCM missing(dir.file("missing.wav"));
    EXPECT_FALSE(missing.is_open());
    EXPECT_TRUE(missing.is_end());
    PCMData none = missing.get_block(100);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.channels, 0);
}

TEST(WavPcm, other_chunks_are_walked_over_and_a_data_size_past_the_file_plays_its_whole_frames)
{
    WavSpec spec = ramp_spec(1000);
    spec.chunks_before_data = {{"LIST", Bytes(25, 'x')}, {"fact", Bytes(4, 0)}};
    spec.chunks_after_data = {{"LIST", Bytes(7, 'y')}};
    Bytes padded = test::make_wav(spec);
    // An odd 3-byte chunk written without its pad byte, right after the 16-byte fmt body.
    Bytes unpadded = test::make_wav(ramp_spec(1000));
    Bytes odd = test::ByteWriter().tag("junk").u32(3).raw("abc").bytes;
    unpadded.insert(unpadded.begin() + 36, odd.begin(), odd.end());
    std::vector<Bytes> files = {padded, unpadded};
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
        EXPECT_EQ(reader.length(), 4000);
        expect_ramp(test::decode_all(reader, 1000).samples, 2000);
        EXPECT_TRUE(reader.is_end());
    }
}

TEST(WavPcm, seeks_land_on_the_frame_boundary_below)
{
    WavFile file(test::make_wav(ramp_spec(1000)));
    FileReaderWAVPCM reader(file.path);
    for (auto [to, expected] : {std::pair {4003, 4000}, {4, 4}, {3, 0}, {-9, 0}, {999999, 4000}}) {
        reader.seek_position(to);
        EXPECT_EQ(reader.position(), expected) << "seek to " << to;
        PCMData block = reader.get_block(1);
        if (expected < 4000) {
            ASSERT_EQ(block.frames(), 1u);
            EXPECT_EQ(test::sample16(block, 0), expected / 2) << "seek to " << to;
        } else {
            EXPECT_TRUE(block.empty());
        }
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
}

TEST(WavPcm, multichannel_24_bit_passes_through_as_stored)
{
    WavSpec spec;
    spec.channels = 6;
    spec.bits = 24;
    spec.sample_rate = 48000;
    spec.data = Bytes(18 * 10, 0x7F);
    WavFile file(test::make_wav(spec));
    FileReaderWAVPCM reader(file.path);
    PCMData block = reader.get_block(4);
    EXPECT_EQ(block.channels, 6);
    EXPECT_EQ(block.bits_per_sample, 24);
    EXPECT_EQ(block.frames(), 4u);
    EXPECT_EQ(block.size(), 72u);
}

TEST(PlayChain, a_pcm_wav_opens_as_a_pcm_chain_titled_after_the_last_separator)
{
    EXPECT_EQ(audio::title_from_path(u"a\\b/c.wav"), u"c.wav");
    EXPECT_EQ(audio::title_from_path(u"a/b\\c.wav"), u"c.wav");
    EXPECT_EQ(audio::title_from_path(u"song.wav"), u"song.wav");

    test::TempDir dir;
    test::write_file(dir.native("tune.mp3"), test::make_wav(ramp_spec(100)));
    auto chain = audio::create_play_chain(dir.file("tune.mp3"));
    ASSERT_NE(chain, nullptr) << "opened by content, not by name";
    EXPECT_EQ(chain->get_codec_name(), u"PCM");
    EXPECT_EQ(chain->get_title(), u"tune.mp3");
    EXPECT_EQ(chain->get_reader().length(), 400);
    test::PCMSink sink;
    chain->get_provider().connect(&sink);
    EXPECT_EQ(sink.pull(16384).frames(), 100u);

    EXPECT_EQ(audio::create_play_chain(dir.file("missing.wav")), nullptr);
    test::write_file(dir.native("empty.wav"), {});
    EXPECT_EQ(audio::create_play_chain(dir.file("empty.wav")), nullptr);
}
