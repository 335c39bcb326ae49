// What every reader promises, whatever its format: opening by content, length and duration, seeks
// held inside the stream, skips that push what they pass over, a cut file that plays what it holds,
// the end, refusal of what is not its format, and seeks from the UI thread while the player pulls.

#include "audio/decoder_adpcm.h"
#include "audio/decoder_gsm.h"
#include "audio/decoder_mpc.h"
#include "audio/decoder_vorbis.h"
#include "audio/file_reader_wav_adpcm.h"
#include "audio/file_reader_wav_gsm.h"
#include "audio/file_reader_wav_pcm.h"
#include "audio/play_chain_mp3.h"
#include "decoded_audio.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <thread>

namespace {

using audio::PlayChain;
using ChainMaker = std::unique_ptr<PlayChain> (*)(const std::u16string& path);

template<typename R> std::unique_ptr<PlayChain> reader_only(const std::u16string& path)
{
    return std::make_unique<audio::PlayChainReaderOnly<R>>(u"", std::make_unique<R>(path), path);
}

template<typename R, typename D> std::unique_ptr<PlayChain> reader_decoder(const std::u16string& path)
{
    return std::make_unique<audio::PlayChainReaderDecoder<R, D>>(u"", std::make_unique<R>(path), path);
}

std::unique_ptr<PlayChain> mp3_chain(const std::u16string& path)
{
    return std::make_unique<audio::PlayChainMP3>(u"", std::make_unique<audio::FileReaderMP3>(path), path);
}

struct ReaderCase {
    const char* name;
    ChainMaker make; // the chain of this format's reader, whether the file opens or not
    const char* file; // under tests/fixtures
    const char* truncated; // a cut copy of file; null: cut here
    std::u16string_view codec;
    int32_t channels;
    int32_t rate;
    double seconds;
    int64_t frames; // decoded sample frames
    int32_t slack; // how far a position may run past the length while a decoded frame is handed out
};

const ReaderCase s_cases[] = {
    {"pcm", reader_only<audio::FileReaderWAVPCM>, "vorbis_mpc/sweep_44k_mono.wav", nullptr,
        audio::codec_name::PCM, 1, 44100, 0.5, 22050, 0},
    {"adpcm", reader_decoder<audio::FileReaderWAVADPCM, audio::DecoderADPCM>, "adpcm_gsm/adpcm_mono.wav",
        "adpcm_gsm/adpcm_mono_truncated.wav", audio::codec_name::ADPCM, 1, 8000, 0.5, 4000, 0},
    {"gsm", reader_decoder<audio::FileReaderWAVGSM, audio::DecoderGSM>, "adpcm_gsm/gsm.wav",
        "adpcm_gsm/gsm_truncated.wav", audio::codec_name::GSM, 1, 8000, 0.52, 13 * 320, 0},
    {"vorbis", reader_only<audio::DecoderVorbis>, "vorbis_mpc/vorbis_44k_stereo.ogg",
        "vorbis_mpc/vorbis_truncated.ogg", audio::codec_name::Vorbis, 2, 44100, 0.5, 22050, 0},
    {"mpc", reader_only<audio::DecoderMPC>, "vorbis_mpc/mpc_44k_stereo.mpc", "vorbis_mpc/mpc_truncated.mpc",
        audio::codec_name::MPC, 2, 44100, 0.5, 22050, 1152},
    {"mp3", mp3_chain, "mp3/mpeg1_44k_stereo_cbr128.mp3", "mp3/truncated.mp3", audio::codec_name::MP3, 2,
        44100, 0.653, 25 * 1152, 0},
};

class ReaderContract : public testing::TestWithParam<ReaderCase> {
protected:
    std::u16string path(const char* name) const { return test::u16(test::fixture(name)); }
    std::unique_ptr<PlayChain> open(const char* name) const
    {
        std::unique_ptr<PlayChain> chain = GetParam().make(path(name));
        EXPECT_TRUE(chain->get_reader().is_open()) << name;
        return chain;
    }
};

// Counts the frames a skip pushes downstream.
struct FrameCounter : audio::Consumer<audio::PCMData> {
    int64_t frames = 0;
    void on_data(const audio::PCMData& block) override { frames += block.frames(); }
};

TEST_P(ReaderContract, opens_by_content_with_its_format_and_plays_to_its_length)
{
    const ReaderCase& c = GetParam();
    std::unique_ptr<PlayChain> chain = audio::create_play_chain(path(c.file));
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->get_codec_name(), c.codec);
    audio::FileReader& reader = chain->get_reader();
    EXPECT_EQ(reader.channels(), unsigned(c.channels));
    EXPECT_EQ(reader.sample_rate(), unsigned(c.rate));
    EXPECT_EQ(reader.bits_per_sample(), 16u);
    EXPECT_GT(reader.bitrate(), 0u);
    EXPECT_EQ(reader.position(), 0);
    EXPECT_FALSE(reader.is_end());
    EXPECT_NEAR(reader.duration(), c.seconds, 0.001);
    EXPECT_NEAR(reader.position_to_time(reader.time_to_position(0.25)), 0.25, 0.04);
    test::Decoded decoded = test::decode_all(chain->get_provider(), 1000);
    EXPECT_FALSE(decoded.ragged);
    EXPECT_EQ(decoded.channels, c.channels);
    EXPECT_EQ(decoded.sample_rate, c.rate);
    EXPECT_EQ(decoded.frames, c.frames);
    EXPECT_EQ(reader.position(), reader.length());
    EXPECT_TRUE(reader.is_end());
    // Past the end it stays ended, however often asked, until a seek back.
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(chain->get_provider().get_block(1000).empty());
    reader.seek_position(0);
    EXPECT_FALSE(reader.is_end());
    EXPECT_FALSE(chain->get_provider().get_block(1000).empty());
}

TEST_P(ReaderContract, seeks_stay_inside_the_stream_and_the_length_ends_it)
{
    std::unique_ptr<PlayChain> chain = open(GetParam().file);
    audio::FileReader& reader = chain->get_reader();
    const int32_t length = reader.length();
    const int32_t middle = length / 4 * 2;
    reader.seek_position(middle);
    EXPECT_EQ(reader.position(), middle);
    EXPECT_FALSE(reader.is_end());
    for (int32_t outside : {-1, INT32_MIN, length + 1, INT32_MAX}) {
        reader.seek_position(outside);
        EXPECT_GE(reader.position(), 0) << outside;
        EXPECT_LE(reader.position(), length) << outside;
    }
    reader.seek_position(length);
    EXPECT_EQ(reader.position(), length);
    EXPECT_TRUE(reader.is_end());
    EXPECT_TRUE(chain->get_provider().get_block(100).empty());
    reader.seek_position(middle);
    EXPECT_FALSE(chain->get_provider().get_block(100).empty());
}

TEST_P(ReaderContract, skips_push_what_they_pass_over_and_fail_at_the_end)
{
    std::unique_ptr<PlayChain> chain = open(GetParam().file);
    audio::FileReader& reader = chain->get_reader();
    FrameCounter counter;
    chain->get_provider().connect(&counter);
    EXPECT_TRUE(reader.skip_forward(0));
    EXPECT_EQ(counter.frames, 0);
    EXPECT_TRUE(reader.skip_forward(reader.length() / 3));
    EXPECT_GE(reader.position(), reader.length() / 3);
    EXPECT_GT(counter.frames, 0);
    EXPECT_TRUE(reader.skip_time(0.05));
    EXPECT_FALSE(reader.skip_forward(reader.length()));
    EXPECT_TRUE(reader.is_end());
    EXPECT_EQ(counter.frames, GetParam().frames);
    chain->get_provider().connect(nullptr);
}

TEST_P(ReaderContract, a_cut_file_plays_what_it_holds_then_ends)
{
    const ReaderCase& c = GetParam();
    test::TempDir dir;
    std::u16string cut_path;
    if (c.truncated) {
        cut_path = path(c.truncated);
    } else {
        test::Bytes bytes = test::read_file(test::fixture(c.file));
        bytes.resize(bytes.size() * 6 / 10 + 1);
        test::write_file(dir.native("cut"), bytes);
        cut_path = dir.file("cut");
    }
    test::Decoded whole = test::decode_all(open(c.file)->get_provider(), 4096);
    std::unique_ptr<PlayChain> chain = c.make(cut_path);
    ASSERT_TRUE(chain->get_reader().is_open());
    test::Decoded cut = test::decode_all(chain->get_provider(), 4096);
    EXPECT_FALSE(cut.ragged);
    EXPECT_GT(cut.frames, 0);
    EXPECT_LT(cut.frames, whole.frames);
    EXPECT_TRUE(chain->get_provider().get_block(4096).empty());
    // What comes before the cut is what the whole file gives.
    size_t half = cut.samples.size() / 2;
    EXPECT_TRUE(
        std::equal(cut.samples.begin(), cut.samples.begin() + ptrdiff_t(half), whole.samples.begin()));
}

TEST_P(ReaderContract, refuses_what_is_not_its_format)
{
    test::TempDir dir;
    test::write_file(dir.native("empty"), {});
    test::write_file(dir.native("junk"), test::Bytes(3000, 0x5A));
    std::vector<std::u16string> paths = {dir.file("empty"), dir.file("junk"), dir.file("missing")};
    for (const ReaderCase& other : s_cases)
        if (std::string_view(other.name) != GetParam().name)
            paths.push_back(path(other.file));
    for (const std::u16string& refused : paths) {
        SCOPED_TRACE(liba::to_utf8(refused));
        std::unique_ptr<PlayChain> chain = GetParam().make(refused);
        audio::FileReader& reader = chain->get_reader();
        EXPECT_FALSE(reader.is_open());
        EXPECT_TRUE(reader.is_end());
        EXPECT_DOUBLE_EQ(reader.duration(), 0.0);
        EXPECT_TRUE(chain->get_provider().get_block(4096).empty());
        reader.seek_position(100);
        EXPECT_TRUE(chain->get_provider().get_block(4096).empty());
        EXPECT_FALSE(reader.skip_forward(100));
        EXPECT_FALSE(reader.skip_time(1.0));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ReaderContract, testing::ValuesIn(s_cases),
    [](const testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

// The UI thread seeks and asks while the player thread pulls: every block keeps the stream's
// format in whole frames, every position stays within the length.
class ReaderContractConcurrency : public ReaderContract { };

TEST_P(ReaderContractConcurrency, seeks_and_queries_while_the_player_thread_pulls)
{
    const ReaderCase& c = GetParam();
    std::unique_ptr<PlayChain> chain = open(c.file);
    audio::FileReader& reader = chain->get_reader();
    const int32_t length = reader.length();
    std::atomic<bool> stop {false};
    std::atomic<int> bad_blocks {0};
    std::atomic<int64_t> pulled {0};
    std::thread player([&] {
        // Until told to stop and at least one block came (bounded in case none ever does).
        for (int i = 0; i < 1000000 && !(stop.load() && pulled.load() > 0); ++i) {
            audio::PCMData block = chain->get_provider().get_block(700);
            if (block.empty())
                continue;
            if (block.channels != c.channels || block.sample_rate != c.rate
                || block.size() % block.frame_size() != 0 || block.frames() > 700u)
                ++bad_blocks;
            pulled += block.frames();
        }
    });
    int bad_positions = 0;
    for (int i = 0; i < 100; ++i) {
        reader.seek_position((i * 7919) % (length + 100) - 50);
        int32_t position = reader.position();
        if (position < 0 || position > length + c.slack || reader.length() != length)
            ++bad_positions;
        reader.is_end();
        reader.time();
        std::this_thread::yield();
    }
    stop = true;
    player.join();
    EXPECT_EQ(bad_blocks.load(), 0);
    EXPECT_EQ(bad_positions, 0);
    EXPECT_GT(pulled.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, ReaderContractConcurrency, testing::ValuesIn(s_cases),
    [](const testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

} // namespace
