#include "audio/decoder_gsm.h"
#include "audio/file_reader_wav_adpcm.h"
#include "audio/file_reader_wav_gsm.h"
#include "audio/file_reader_wav_pcm.h"
#include "audio/play_chain.h"
#include "decoded_audio.h"
#include "support/test_support.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

using test::Bytes;
using test::ByteWriter;

struct GsmWav {
    uint16_t channels = 1;
    uint32_t sample_rate = 8000;
    int32_t block_align = 65;
    uint16_t samples_per_block = 320;
    int64_t fact = -1; // -1: no "fact" chunk
    Bytes data {};
};

Bytes make_gsm_wav(const GsmWav& w)
{
    test::WavSpec spec;
    spec.format_tag = 49;
    spec.channels = w.channels;
    spec.sample_rate = w.sample_rate;
    spec.bits = 0;
    spec.block_align = w.block_align;
    spec.fmt_extra = ByteWriter().u16(2).u16(w.samples_per_block).bytes;
    if (w.fact >= 0)
        spec.chunks_before_data.push_back({"fact", ByteWriter().u32(uint32_t(w.fact)).bytes});
    spec.data = w.data;
    return test::make_wav(spec);
}

// count 65-byte blocks, block i filled with the byte i.
Bytes numbered_blocks(int count)
{
    Bytes out;
    for (int i = 0; i < count; ++i)
        out.insert(out.end(), 65, uint8_t(i));
    return out;
}

std::u16string write_temp(const test::TempDir& dir, const Bytes& bytes)
{
    test::write_file(dir.native("g.wav"), bytes);
    return dir.file("g.wav");
}

std::unique_ptr<audio::PlayChain> chain_for(const std::string& fixture)
{
    return audio::create_play_chain(test::u16(test::fixture("adpcm_gsm/" + fixture)));
}

} // namespace

TEST(DecoderGSM, decodes_the_fixture_exactly_as_sox_does)
{
    std::unique_ptr<audio::PlayChain> chain = chain_for("gsm.wav");
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->get_codec_name(), u"GSM");
    EXPECT_EQ(chain->get_reader().bits_per_sample(), 16u);
    EXPECT_EQ(chain->get_reader().channels(), 1u);
    EXPECT_EQ(chain->get_reader().sample_rate(), 8000u);
    std::vector<int16_t> ours = test::decode_all(chain->get_provider(), 1000).samples;
    std::vector<int16_t> reference = test::pcm_file_samples(test::fixture("adpcm_gsm/gsm_sox.wav"));
    EXPECT_EQ(ours.size(), 13u * 320);
    EXPECT_EQ(ours, reference);
    // A lossy speech codec: the waveform follows the source only loosely, but it does follow it.
    EXPECT_GT(test::snr_db(test::pcm_file_samples(test::fixture("adpcm_gsm/source_mono.wav")), ours), 5.0);
}

TEST(DecoderGSM, every_whole_block_gives_320_samples_at_8000_hz)
{
    audio::FileReaderWAVGSM reader(test::u16(test::fixture("adpcm_gsm/gsm.wav")));
    audio::GSMData coded = reader.get_block(3);
    EXPECT_EQ(coded.size(), 195u);
    audio::DecoderGSM decoder;
    audio::PCMData pcm = decoder.decode_block(coded);
    EXPECT_EQ(pcm.frames(), 960u);
    EXPECT_EQ(pcm.channels, 1);
    EXPECT_EQ(pcm.bits_per_sample, 16);
    EXPECT_EQ(pcm.sample_rate, 8000);
    EXPECT_EQ(decoder.decode_block({coded.data.slice(0, 64)}).frames(), 0u);
    EXPECT_EQ(decoder.decode_block({coded.data.slice(0, 131)}).frames(), 640u);
}

TEST(DecoderGSM, asks_for_enough_blocks_for_the_frames)
{
    audio::DecoderGSM decoder;
    EXPECT_EQ(decoder.units_for_frames(1), 1);
    EXPECT_EQ(decoder.units_for_frames(160), 1);
    EXPECT_EQ(decoder.units_for_frames(161), 2);
    EXPECT_EQ(decoder.units_for_frames(16384), 103);
    EXPECT_EQ(decoder.units_for_frames(0), 0);
    EXPECT_EQ(decoder.units_for_frames(INT32_MAX), INT32_MAX / 160 + 1);
}

TEST(DecoderGSM, a_corrupt_block_plays_on_without_harm)
{
    std::vector<int16_t> reference = test::pcm_file_samples(test::fixture("adpcm_gsm/gsm_sox.wav"));
    std::unique_ptr<audio::PlayChain> chain = chain_for("gsm_corrupt.wav");
    ASSERT_TRUE(chain);
    std::vector<int16_t> ours = test::decode_all(chain->get_provider(), 4096).samples;
    ASSERT_EQ(ours.size(), reference.size());
    EXPECT_TRUE(std::equal(ours.begin(), ours.begin() + 4 * 320, reference.begin()));
    EXPECT_FALSE(std::equal(ours.begin() + 4 * 320, ours.begin() + 6 * 320, reference.begin() + 4 * 320));
}

TEST(FileReaderWAVGSM, refuses_anything_but_8000_hz_mono_65_byte_blocks)
{
    test::TempDir dir;
    struct Case {
        const char* what;
        GsmWav wav;
    };
    const Case cases[] = {
        {"11025 Hz", {.sample_rate = 11025}},
        {"block_align 64", {.block_align = 64}},
        {"block_align 0", {.block_align = 0}},
        {"stereo", {.channels = 2}},
        {"321 samples per block", {.samples_per_block = 321}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GsmWav wav = c.wav;
        wav.fact = 640;
        wav.data = numbered_blocks(2);
        EXPECT_FALSE(audio::FileReaderWAVGSM(write_temp(dir, make_gsm_wav(wav))).is_open());
    }
    Bytes cut = make_gsm_wav({.fact = 640, .data = numbered_blocks(2)});
    cut.resize(38); // inside the extension
    EXPECT_FALSE(audio::FileReaderWAVGSM(write_temp(dir, cut)).is_open());
}

TEST(FileReaderWAVGSM, length_comes_from_fact_or_from_the_data)
{
    test::TempDir dir;
    struct Case {
        int64_t fact;
        int blocks;
        int32_t length;
    };
    for (Case c :
        {Case {16000, 50, 50}, {15999, 50, 50}, {15680, 50, 49}, {-1, 50, 50}, {0, 50, 50}, {16000, 7, 7}}) {
        SCOPED_TRACE(testing::Message() << "fact " << c.fact << ", " << c.blocks << " blocks");
        Bytes data = numbered_blocks(c.blocks);
        data.resize(data.size() + 64, 0xEE); // a partial block at the end
        audio::FileReaderWAVGSM reader(write_temp(dir, make_gsm_wav({.fact = c.fact, .data = data})));
        ASSERT_TRUE(reader.is_open());
        EXPECT_EQ(reader.length(), c.length);
        EXPECT_DOUBLE_EQ(reader.duration(), c.length * 0.04);
    }
}

TEST(FileReaderWAVGSM, a_file_that_shrinks_mid_block_rewinds_to_the_block_boundary)
{
    test::TempDir dir;
    Bytes file = make_gsm_wav({.fact = 1600, .data = numbered_blocks(5)});
    audio::FileReaderWAVGSM reader(write_temp(dir, file));
    ASSERT_EQ(reader.length(), 5);
    size_t data_start = file.size() - 5 * 65 - 1; // 325 bytes of data and a pad byte
    std::filesystem::resize_file(dir.native("g.wav"), data_start + 3 * 65 + 20);
    EXPECT_EQ(reader.get_block(10).size(), 3 * 65u);
    EXPECT_EQ(reader.position(), 3);
    EXPECT_TRUE(reader.get_block(1).empty());
    test::write_file(dir.native("g.wav"), file);
    audio::GSMData block = reader.get_block(1);
    ASSERT_EQ(block.size(), 65u);
    EXPECT_EQ(block.data.data()[0], 3);
    EXPECT_EQ(block.data.data()[64], 3);
}

TEST(FileReaderWAVGSM, seeks_by_block_and_converts_times)
{
    test::TempDir dir;
    audio::FileReaderWAVGSM reader(
        write_temp(dir, make_gsm_wav({.fact = 16000, .data = numbered_blocks(50)})));
    reader.seek_position(7);
    EXPECT_EQ(reader.get_block(1).data.data()[0], 7);
    EXPECT_EQ(reader.position(), 8);
    reader.seek_position(INT32_MAX);
    EXPECT_EQ(reader.position(), 50);
    EXPECT_DOUBLE_EQ(reader.duration(), 2.0);
    EXPECT_EQ(reader.time_to_position(1.0), 25);
    EXPECT_EQ(reader.time_to_position(0.079), 1);
    EXPECT_DOUBLE_EQ(reader.position_to_time(25), 1.0);
    reader.seek_time(1.5);
    EXPECT_DOUBLE_EQ(reader.time(), 1.48);
}
