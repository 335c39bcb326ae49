// What every reader promises: content, length, seeks, skips, bad files, concurrency, real files.

#include "audio/decoder_adpcm.h"
#include "audio/decoder_gsm.h"
#include "audio/decoder_mpc.h"
#include "audio/decoder_vorbis.h"
#include "audio/file_reader_wav_adpcm.h"
#include "audio/file_reader_wav_gsm.h"
#include "audio/file_reader_wav_pcm.h"
#include "audio/play_chain_mp3.h"
#include "decoded_audio.h"
#include "liba/text.h"
#include "support/ramp_source.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <climits>
#include <thread>

namespace {

using audio::PlayChain;
using namespace audio::codec_name;
using ChainMaker = std::unique_ptr<PlayChain> (*)(const std::u16string& path);

// The chain of one format's reader, whether the file opens or not.
template<typename Chain, typename R> std::unique_ptr<PlayChain> make_chain(const std::u16string& path)
{
    return std::make_unique<Chain>(u"", std::make_unique<R>(path), path);
}
template<typename R> constexpr ChainMaker reader_only = make_chain<audio::PlayChainReaderOnly<R>, R>;
template<typename R, typename D>
constexpr ChainMaker reader_decoder = make_chain<audio::PlayChainReaderDecoder<R, D>, R>;

struct ReaderCase {
    const char* name;
    ChainMaker make;
    const char* file; // under tests/fixtures
    const char* truncated; // a cut copy of file; null: cut here
    std::u16string_view codec;
    int32_t channels, rate;
    double seconds;
    int64_t frames; // decoded sample frames
    int32_t step; // positions move by whole coded frames of this many units (1: exactly)
    const char* damaged; // a fixture with damaged audio, or null
};

const ReaderCase s_cases[] = {{"pcm", reader_only<audio::FileReaderWAVPCM>, "vorbis_mpc/sweep_44k_mono.wav",
                                  nullptr, PCM, 1, 44100, 0.5, 22050, 1, nullptr},
    {"adpcm", reader_decoder<audio::FileReaderWAVADPCM, audio::DecoderADPCM>, "adpcm_gsm/adpcm_mono.wav",
        "adpcm_gsm/adpcm_mono_truncated.wav", ADPCM, 1, 8000, 0.5, 4000, 1,
        "adpcm_gsm/adpcm_mono_corrupt.wav"},
    {"gsm", reader_decoder<audio::FileReaderWAVGSM, audio::DecoderGSM>, "adpcm_gsm/gsm.wav",
        "adpcm_gsm/gsm_truncated.wav", GSM, 1, 8000, 0.52, 13 * 320, 1, "adpcm_gsm/gsm_corrupt.wav"},
    {"vorbis", reader_only<audio::DecoderVorbis>, "vorbis_mpc/vorbis_44k_stereo.ogg",
        "vorbis_mpc/vorbis_truncated.ogg", Vorbis, 2, 44100, 0.5, 22050, 1, "vorbis_mpc/vorbis_corrupt.ogg"},
    {"mpc", reader_only<audio::DecoderMPC>, "vorbis_mpc/mpc_44k_stereo.mpc", "vorbis_mpc/mpc_truncated.mpc",
        MPC, 2, 44100, 0.5, 22050, 1152, "vorbis_mpc/mpc_corrupt.mpc"},
    {"mp3", make_chain<audio::PlayChainMP3, audio::FileReaderMP3>, "mp3/mpeg1_44k_stereo_cbr128.mp3",
        "mp3/truncated.mp3", MP3, 2, 44100, 0.653, 25 * 1152, 418, "mp3/corrupt.mp3"}};

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

TEST_P(ReaderContract, plays_to_its_length_seeks_inside_the_stream_and_skips)
{
    const ReaderCase& c = GetParam();
    std::unique_ptr<PlayChain> chain = audio::create_play_chain(path(c.file));
    ASSERT_TRUE(chain);
    audio::FileReader& reader = chain->get_reader();
    EXPECT_EQ(std::tuple(chain->get_codec_name(), reader.channels(), reader.sample_rate(),
                  reader.bits_per_sample(), reader.position(), reader.is_end()),
        std::tuple(c.codec, unsigned(c.channels), unsigned(c.rate), 16u, 0, false));
    EXPECT_NEAR(reader.duration(), c.seconds, 0.001);
    EXPECT_NEAR(reader.position_to_time(reader.time_to_position(0.25)), 0.25, 0.04);
    test::Decoded decoded = test::decode_all(chain->get_provider(), 1000);
    EXPECT_EQ(std::tuple(decoded.ragged, decoded.channels, decoded.sample_rate, decoded.frames),
        std::tuple(false, c.channels, c.rate, c.frames));
    if (c.codec == Vorbis || c.codec == MPC)
        test::expect_stereo_sweep(decoded.samples);
    const int32_t length = reader.length();
    EXPECT_EQ(std::pair(reader.position(), reader.is_end()), std::pair(length, true));
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(chain->get_provider().get_block(1000).empty()) << "past the end it stays ended";
    for (int32_t outside : {-1, INT32_MIN, length + 1, INT32_MAX}) {
        reader.seek_position(outside);
        EXPECT_TRUE(reader.position() >= 0 && reader.position() <= length)
            << outside << ": " << reader.position();
    }
    for (auto [to, end] : {std::pair {length, true}, {length / 4 * 2, false}}) {
        reader.seek_position(to);
        EXPECT_EQ(std::pair(reader.position(), reader.is_end()), std::pair(to, end));
        EXPECT_EQ(chain->get_provider().get_block(100).empty(), end) << to;
    }
    reader.seek_position(0);
    test::PCMSink counter; // counts the frames a skip pushes downstream
    chain->get_provider().connect(&counter);
    EXPECT_TRUE(reader.skip_forward(0));
    EXPECT_TRUE(reader.skip_forward(length / 3));
    EXPECT_GE(reader.position(), length / 3);
    EXPECT_LT(reader.position(), length / 3 + c.step);
    EXPECT_TRUE(reader.skip_time(0.05));
    EXPECT_FALSE(reader.skip_forward(length));
    EXPECT_TRUE(reader.is_end());
    EXPECT_EQ(counter.pushed_frames, c.frames);
    chain->get_provider().connect(nullptr);
}

TEST_P(ReaderContract, a_seek_sounds_as_straight_decoding_does_from_there)
{
    const ReaderCase& c = GetParam();
    if (c.codec == MP3 || c.codec == GSM)
        GTEST_SKIP() << "MP3 seeks are compared in mp3_test.cpp; GSM carries filter state across blocks";
    std::vector<double> whole
        = test::channel(test::decode_all(open(c.file)->get_provider(), 4096).samples, c.channels, 0);
    for (int32_t eighths : {4, 1, 6}) {
        std::unique_ptr<PlayChain> chain = open(c.file); // Musepack hands out what it held before a seek
        audio::FileReader& reader = chain->get_reader();
        if (c.step == 1)
            chain->get_provider().get_block(3000); // the decoder has played elsewhere before
        reader.seek_position(reader.length() / 8 * eighths);
        auto frame = size_t(std::lround(reader.position_to_time(reader.position()) * c.rate));
        std::vector<double> heard
            = test::channel(test::decode_all(chain->get_provider(), 512).samples, c.channels, 0);
        heard.resize(512);
        std::vector<double> expected(whole.begin() + ptrdiff_t(frame), whole.end());
        EXPECT_EQ(test::best_lag(heard, expected, 32), 0) << eighths;
        EXPECT_GT(test::correlation(heard, 0, expected, 0, 512), 0.98) << eighths;
    }
}

TEST_P(ReaderContract, bad_files_play_what_they_hold_or_are_refused)
{
    const ReaderCase& c = GetParam();
    test::TempDir dir;
    test::Bytes bytes = test::read_file(test::fixture(c.file));
    test::write_file(
        dir.native("cut"), test::Bytes(bytes.begin(), bytes.begin() + ptrdiff_t(bytes.size() * 6 / 10 + 1)));
    std::u16string cut_path = c.truncated ? path(c.truncated) : dir.file("cut");
    test::Samples whole = test::decode_all(open(c.file)->get_provider(), 4096).samples, cut;
    for (std::u16string bad : {c.damaged ? path(c.damaged) : cut_path, cut_path}) {
        std::unique_ptr<PlayChain> chain = c.make(bad);
        ASSERT_TRUE(chain->get_reader().is_open());
        test::Decoded decoded = test::decode_all(chain->get_provider(), 4096);
        EXPECT_FALSE(decoded.ragged);
        EXPECT_GT(decoded.frames, 0);
        EXPECT_LE(decoded.frames, std::lround(chain->get_reader().duration() * c.rate) + 1152);
        EXPECT_TRUE(chain->get_provider().get_block(4096).empty());
        cut = decoded.samples; // the cut file comes last
    }
    EXPECT_LT(cut.size(), whole.size());
    EXPECT_TRUE(std::equal(cut.begin(), cut.begin() + ptrdiff_t(cut.size() / 2), whole.begin()))
        << "what comes before the cut is what the whole file gives";
    const std::pair<const char*, test::Bytes> refused_bytes[]
        = {{"empty", {}}, {"junk", test::Bytes(3000, 0x5A)}, {"mpc_magic", {'M', 'P', 'C', 'K'}},
            {"sv7_magic", {'M', 'P', '+', 0x17, 0, 0}}, {"ogg_capture", {'O', 'g', 'g', 'S', 0, 2, 0, 0}}};
    std::vector<std::u16string> paths = {dir.file("missing"), path("vorbis_mpc/mpc_8_channels.mpc")};
    for (const auto& [name, bytes] : refused_bytes) {
        test::write_file(dir.native(name), bytes);
        paths.push_back(dir.file(name));
    }
    for (const ReaderCase& other : s_cases)
        if (std::string_view(other.name) != c.name)
            paths.push_back(path(other.file));
    for (const std::u16string& refused : paths) {
        SCOPED_TRACE(liba::to_utf8(refused));
        std::unique_ptr<PlayChain> chain = c.make(refused);
        audio::FileReader& reader = chain->get_reader();
        EXPECT_EQ(
            std::tuple(reader.is_open(), reader.is_end(), reader.duration()), std::tuple(false, true, 0.0));
        reader.seek_position(100);
        EXPECT_TRUE(chain->get_provider().get_block(4096).empty());
        EXPECT_FALSE(reader.skip_forward(100));
        EXPECT_FALSE(reader.skip_time(1.0));
    }
}

// Seeks from the UI thread while the player pulls (a *Concurrency* suite, for the race detector).
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
            bad_blocks += block.channels != c.channels || block.sample_rate != c.rate
                || block.size() % block.frame_size() != 0 || block.frames() > 700u;
            pulled += block.frames();
        }
    });
    int bad_positions = 0;
    for (int i = 0; i < 100; ++i) {
        reader.seek_position((i * 7919) % (length + 3) - 1); // -1 to one past the length
        int32_t position = reader.position();
        bad_positions += position < 0 || position > length + c.step || reader.length() != length;
        reader.is_end(), reader.time();
        std::this_thread::yield();
    }
    reader.seek_position(0); // so that the player thread finds a block before it stops
    stop = true;
    player.join();
    EXPECT_EQ(bad_blocks.load(), 0);
    EXPECT_EQ(bad_positions, 0);
    EXPECT_GT(pulled.load(), 0);
}

template<typename Case> std::string case_name(const testing::TestParamInfo<Case>& info)
{
    std::string name = info.param.name;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(uint8_t(c)); }, '_');
    return name;
}
INSTANTIATE_TEST_SUITE_P(Formats, ReaderContract, testing::ValuesIn(s_cases), case_name<ReaderCase>);
INSTANTIATE_TEST_SUITE_P(
    Formats, ReaderContractConcurrency, testing::ValuesIn(s_cases), case_name<ReaderCase>);

// Real files (and fixtures, named with their folder) open as their content and decode every frame.
struct CorpusCase {
    const char* name;
    std::u16string_view codec;
    int32_t channels, rate;
    int64_t frames; // decoded sample frames
};

class ReaderCorpus : public testing::TestWithParam<CorpusCase> { };

TEST_P(ReaderCorpus, opens_as_its_content_and_decodes_every_frame)
{
    const CorpusCase& c = GetParam();
    const bool fixture = std::string_view(c.name).find('/') != std::string_view::npos;
    if (!fixture)
        SKIP_WITHOUT_CORPUS();
    std::unique_ptr<PlayChain> chain
        = audio::create_play_chain(test::u16(fixture ? test::fixture(c.name) : test::corpus(c.name)));
    ASSERT_TRUE(chain);
    audio::FileReader& reader = chain->get_reader();
    EXPECT_EQ(std::tuple(chain->get_codec_name(), reader.channels(), reader.sample_rate()),
        std::tuple(c.codec, unsigned(c.channels), unsigned(c.rate)));
    EXPECT_GT(reader.length(), 0);
    // Every file has a bit rate to show: its header's, or one worked out where the header gives 0.
    EXPECT_GE(reader.bitrate(), 8000u);
    reader.seek_position(0); // as the player does before it plays
    test::Decoded decoded = test::decode_all(chain->get_provider(), 4096);
    EXPECT_EQ(std::tuple(decoded.ragged, decoded.channels, decoded.sample_rate, decoded.frames),
        std::tuple(false, c.channels, c.rate, c.frames));
    EXPECT_TRUE(reader.position() >= reader.length() && reader.is_end()) << reader.position();
    // Some of the MP3 files hold digital silence.
    EXPECT_TRUE(c.codec == MP3 || test::rms(test::channel(decoded.samples, 1, 0)) > 1.0)
        << "real audio, not silence";
}

const CorpusCase s_corpus[] = {{"vorbis_mpc/vorbis_44k_mono.ogg", Vorbis, 1, 44100, 22050},
    {"vorbis_mpc/vorbis_16k_stereo.ogg", Vorbis, 2, 16000, 8000},
    {"vorbis_mpc/vorbis_10_frames.ogg", Vorbis, 1, 44100, 10},
    {"vorbis_mpc/mpc_44k_mono.mpc", MPC, 1, 44100, 22050},
    {"pcm16_mono_16k_list_before_data.wav", PCM, 1, 16000, 8785},
    {"pcm16_sizes_ffffffff_list_before_data.wav", PCM, 2, 44100, 27648},
    {"pcm16_data_size_too_big.wav", PCM, 1, 16000, 2478},
    {"pcm16_riff_size_too_big.wav", PCM, 1, 8000, 40200},
    {"pcm16_win2000_fact_filt_after_data.wav", PCM, 1, 22050, 1862},
    {"pcm16_fmt18_fact_list.wav", PCM, 1, 8000, 20396},
    {"adpcm_ms_mono_16k_block512_libsndfile.wav", ADPCM, 1, 16000, 16 * 1012},
    {"adpcm_ms_mono_11024hz_block256_truncated.wav", ADPCM, 1, 11024, 63 * 500},
    {"adpcm_ms_mono_44k_block1024_avgbytes0.wav", ADPCM, 1, 44100, 11 * 2036},
    {"adpcm_ms_stereo_44k_block1024.wav", ADPCM, 2, 44100, 22 * 1012},
    {"gsm_1s_fmt_fact_data.wav", GSM, 1, 8000, 25 * 320},
    {"gsm_ffmpeg_list_before_data.wav", GSM, 1, 8000, 3 * 320},
    {"gsm_goldwave_odd_data_pad_list.wav", GSM, 1, 8000, 75 * 320},
    {"gsm_fact_after_data_goldwave.wav", GSM, 1, 8000, 140 * 320},
    {"gsm_fmt28_extra_bytes.wav", GSM, 1, 8000, 625 * 320},
    {"vorbis_mono_16k_libsndfile.ogg", Vorbis, 1, 16000, 16000},
    {"vorbis_title_comment_44k_mono.ogg", Vorbis, 1, 44100, 79872},
    {"sv7_click_3frames.mpc", MPC, 2, 44100, 2717}, {"sv7_cut_apev2_footer.mpc", MPC, 2, 44100, 12191},
    {"sv8_bach_0.5s.mpc", MPC, 2, 48000, 24000}, {"mp3_cbr_mono_bladeenc.mp3", MP3, 1, 44100, 136 * 1152},
    {"mp3_disguised_as.wav", MP3, 1, 44100, 46 * 1152},
    {"mp3_garbage_before_first_frame.mp3", MP3, 1, 44100, 19 * 1152},
    {"mp3_id3v2_apic_64k_xing_id3v1.mp3", MP3, 2, 44100, 10 * 1152},
    {"mp3_two_id3v2_tags.mp3", MP3, 2, 44100, 5 * 1152},
    {"mp3_mpeg25_8k_two_frames_id3v24_id3v1.mp3", MP3, 2, 8000, 2 * 576},
    {"mp3_mpeg25_11k_xing_5frames.mp3", MP3, 2, 11025, 5 * 576},
    {"mp3_mpeg2_22k_xing_vbr_cut.mp3", MP3, 1, 22050, 197 * 576},
    {"mp3_id3v1_title_nul_then_garbage.mp3", MP3, 2, 16000, 59 * 576},
    {"mpeg1_layer1_44k.mp1", MP3, 2, 44100, 49 * 384}, {"mpeg1_layer2_44k.mp2", MP3, 2, 44100, 49 * 1152},
    {"riff_wave_mpeg_layer3_tag55.wav", MP3, 2, 44100, 5 * 1152}};

INSTANTIATE_TEST_SUITE_P(Corpus, ReaderCorpus, testing::ValuesIn(s_corpus), case_name<CorpusCase>);

// A chained Ogg file (mono 22050 Hz, then the stereo sweep): each block carries its stream's format.
TEST(DecoderVorbis, chained_streams_label_each_block_with_its_own_format)
{
    audio::DecoderVorbis reader(test::u16(test::fixture("vorbis_mpc/vorbis_chained.ogg")));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(std::tuple(reader.channels(), reader.sample_rate(), reader.length()),
        std::tuple(1u, 22050u, 11025 + 22050));
    test::Samples stereo;
    for (audio::PCMData block = reader.get_block(4096); !block.empty(); block = reader.get_block(4096)) {
        ASSERT_EQ(std::tuple(block.channels, block.sample_rate),
            stereo.empty() && block.channels == 1 ? std::tuple(1, 22050) : std::tuple(2, 44100));
        if (block.channels == 2)
            test::append(stereo, block);
    }
    test::expect_stereo_sweep(stereo);
}

// libvorbisfile's file callbacks: seeks within the file only, reads of whole items.
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

} // namespace
