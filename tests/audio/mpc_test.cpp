#include "audio/decoder_mpc.h"
#include "audio/play_chain.h"
#include "decoded_audio.h"
#include "liba/text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using audio::DecoderMPC;
using audio::PCMData;
using test::fixture;
using test::u16;

std::u16string mpc_fixture(std::string_view name)
{
    return u16(fixture(std::string("vorbis_mpc/") + std::string(name)));
}

class Collector : public audio::Consumer<PCMData> {
public:
    void on_data(const PCMData& block) override { frames += block.frames(); }
    int64_t frames = 0;
};

// One library frame holds 1152 sample frames.
constexpr int32_t s_frame = 1152;

TEST(DecoderMPC, stereo_file_decodes_to_its_source_on_both_channels)
{
    DecoderMPC reader(mpc_fixture("mpc_44k_stereo.mpc"));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.channels(), 2u);
    EXPECT_EQ(reader.sample_rate(), 44100u);
    EXPECT_EQ(reader.bits_per_sample(), 16u);
    EXPECT_EQ(reader.length(), test::s_sweep_frames);
    EXPECT_EQ(reader.position(), 0);
    EXPECT_DOUBLE_EQ(reader.duration(), 0.5);
    EXPECT_GT(reader.bitrate(), 30000u);
    EXPECT_LT(reader.bitrate(), 300000u);

    test::Decoded decoded = test::decode_all(reader, 4096);
    EXPECT_FALSE(decoded.ragged);
    EXPECT_EQ(decoded.channels, 2);
    EXPECT_EQ(decoded.sample_rate, 44100);
    EXPECT_EQ(decoded.frames, test::s_sweep_frames);
    EXPECT_EQ(reader.position(), reader.length());
    EXPECT_TRUE(reader.is_end());

    std::vector<double> source = test::source_sweep();
    std::vector<double> left = test::channel(decoded.samples, 2, 0);
    std::vector<double> right = test::channel(decoded.samples, 2, 1);
    // The decoder drops the synthesis delay itself: sample k decodes to sample k.
    EXPECT_EQ(test::best_lag(left, source, 64), 0);
    EXPECT_GT(test::correlation(left, 0, source, 0, source.size()), 0.99);
    EXPECT_LT(test::correlation(right, 0, source, 0, source.size()), -0.99);
    EXPECT_NEAR(test::rms(left) / test::rms(source), 1.0, 0.05);
    EXPECT_NEAR(test::rms(right) / test::rms(source), 0.5, 0.05);
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
    // Both are views on the one decoded frame.
    EXPECT_TRUE(first.data.shares_storage_with(rest.data));

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
    PCMData nothing = reader.get_block(0);
    EXPECT_TRUE(nothing.empty());
    PCMData negative = reader.get_block(-5);
    EXPECT_TRUE(negative.empty());
    // What was decoded for them is still there.
    int32_t decoded = reader.position();
    EXPECT_EQ(int32_t(reader.get_block(s_frame).frames()), decoded);
}

TEST(DecoderMPC, pulling_past_the_end_stays_empty_until_a_seek)
{
    // The library reads out of bounds when it is asked to decode again after its last frame.
    DecoderMPC reader(mpc_fixture("mpc_44k_stereo.mpc"));
    ASSERT_TRUE(reader.is_open());
    while (!reader.get_block(4096).empty()) { }
    for (int i = 0; i < 2000; ++i)
        ASSERT_TRUE(reader.get_block(4096).empty());
    reader.seek_position(0);
    EXPECT_FALSE(reader.get_block(4096).empty());
}

TEST(DecoderMPC, seek_sets_the_position_and_continues_from_the_frame_sought)
{
    std::vector<double> source = test::source_sweep();
    for (int32_t target : {11025, 4410, 1152, 17}) {
        DecoderMPC reader(mpc_fixture("mpc_44k_stereo.mpc"));
        reader.seek_position(target);
        EXPECT_EQ(reader.position(), target);
        test::Samples after;
        while (after.size() < 2 * 2048) {
            PCMData block = reader.get_block(2048);
            ASSERT_FALSE(block.empty()) << "target " << target;
            test::append(after, block);
        }
        std::vector<double> left = test::channel(after, 2, 0);
        left.resize(2048);
        std::vector<double> expected(source.begin() + target, source.begin() + target + 2048);
        EXPECT_EQ(test::best_lag(left, expected, 32), 0) << "target " << target;
        EXPECT_GT(test::correlation(left, 0, expected, 0, 2048), 0.98) << "target " << target;
    }
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
    PCMData old = reader.get_block(s_frame * 4);
    ASSERT_EQ(int32_t(old.frames()), decoded - 100);
    test::Samples old_samples = test::samples_of(old);
    EXPECT_TRUE(std::equal(old_samples.begin(), old_samples.end(), reference.samples.begin() + 200));
    EXPECT_EQ(reader.position(), 11025);

    test::Samples sought;
    while (sought.size() < 2 * 512) {
        PCMData block = reader.get_block(512);
        ASSERT_FALSE(block.empty());
        test::append(sought, block);
    }
    EXPECT_GT(reader.position(), 11025);
    std::vector<double> left = test::channel(sought, 2, 0);
    std::vector<double> straight = test::channel(reference.samples, 2, 0);
    EXPECT_GT(test::correlation(left, 0, straight, 11025, 512), 0.99);
}

TEST(DecoderMPC, seek_is_held_inside_the_stream)
{
    DecoderMPC reader(mpc_fixture("mpc_44k_stereo.mpc"));
    reader.seek_position(-5);
    EXPECT_EQ(reader.position(), 0);
    EXPECT_EQ(reader.get_block(100).frames(), 100u);

    DecoderMPC at_end(mpc_fixture("mpc_44k_stereo.mpc"));
    at_end.seek_position(at_end.length() + 1000);
    EXPECT_EQ(at_end.position(), at_end.length());
    EXPECT_TRUE(at_end.is_end());
    EXPECT_TRUE(at_end.get_block(100).empty());
}

TEST(DecoderMPC, is_end_once_the_position_reaches_the_length)
{
    DecoderMPC reader(mpc_fixture("mpc_44k_stereo.mpc"));
    while (true) {
        EXPECT_EQ(reader.is_end(), reader.position() >= reader.length()) << "at " << reader.position();
        PCMData block = reader.get_block(1000);
        if (block.empty()) {
            // The end comes with format 0.
            EXPECT_EQ(block.channels, 0);
            break;
        }
    }
    EXPECT_TRUE(reader.is_end());
    EXPECT_TRUE(reader.get_block(1000).empty());
}

TEST(DecoderMPC, ten_seconds_last_ten_seconds)
{
    DecoderMPC reader(mpc_fixture("mpc_silence_10s.mpc"));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.length(), 441000);
    EXPECT_DOUBLE_EQ(reader.duration(), 10.0);
    EXPECT_EQ(reader.time_to_position(5.0), reader.length() / 2);
    EXPECT_DOUBLE_EQ(reader.position_to_time(reader.length() / 2), 5.0);
    reader.seek_time(7.5);
    EXPECT_EQ(reader.position(), 330750);
    test::Decoded rest = test::decode_all(reader, 8192);
    EXPECT_EQ(rest.frames, 441000 - 330750);
    EXPECT_EQ(reader.position(), 441000);
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
    test::Decoded rest = test::decode_all(reader, 4096);
    EXPECT_LE(rest.frames, reader.length());
}

TEST(DecoderMPC, files_whose_header_cannot_be_read_are_refused)
{
    test::TempDir dir;
    test::write_file(dir.native("empty.mpc"), {});
    test::write_file(dir.native("magic_only.mpc"), test::Bytes {'M', 'P', 'C', 'K'});
    test::write_file(dir.native("sv7_magic_only.mpc"), test::Bytes {'M', 'P', '+', 0x17, 0, 0});
    std::vector<std::u16string> paths = {dir.file("empty.mpc"), dir.file("magic_only.mpc"),
        dir.file("sv7_magic_only.mpc"), dir.file("missing.mpc"), mpc_fixture("mpc_8_channels.mpc"),
        mpc_fixture("sweep_44k_mono.wav"), mpc_fixture("vorbis_44k_stereo.ogg")};
    if (!test::corpus_dir().empty()) {
        paths.push_back(u16(test::corpus("refuse_mpc_sv5_header_only.mpc")));
        paths.push_back(u16(test::corpus("refuse_ogg_opus.oga")));
    }
    for (const std::u16string& path : paths) {
        DecoderMPC reader(path);
        SCOPED_TRACE(liba::to_utf8(path));
        EXPECT_EQ(reader.channels(), 0u);
        EXPECT_FALSE(reader.is_open());
        EXPECT_TRUE(reader.is_end());
        EXPECT_EQ(reader.length(), 0);
        PCMData block = reader.get_block(4096);
        EXPECT_TRUE(block.empty());
        EXPECT_EQ(block.channels, 0);
        reader.seek_position(100);
        EXPECT_EQ(reader.position(), 0);
        EXPECT_FALSE(reader.skip_forward(100));
    }
}

TEST(DecoderMPC, truncated_file_plays_what_it_holds_then_ends)
{
    DecoderMPC reader(mpc_fixture("mpc_truncated.mpc"));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.length(), test::s_sweep_frames) << "the header still tells the whole length";
    test::Decoded decoded = test::decode_all(reader, 4096);
    EXPECT_FALSE(decoded.ragged);
    EXPECT_GT(decoded.frames, 0);
    EXPECT_LT(decoded.frames, test::s_sweep_frames);
    EXPECT_EQ(reader.position(), decoded.frames);
    std::vector<double> left = test::channel(decoded.samples, 2, 0);
    // The part before the cut is sound.
    EXPECT_GT(test::correlation(left, 0, test::source_sweep(), 0, left.size() / 2), 0.99);
}

TEST(DecoderMPC, corrupt_audio_ends_or_plays_through_without_harm)
{
    DecoderMPC reader(mpc_fixture("mpc_corrupt.mpc"));
    ASSERT_TRUE(reader.is_open());
    test::Decoded decoded = test::decode_all(reader, 4096);
    EXPECT_FALSE(decoded.ragged);
    EXPECT_LE(decoded.frames, reader.length());
    EXPECT_TRUE(reader.get_block(4096).empty());
}

TEST(DecoderMPC, skip_forward_pushes_the_skipped_blocks_downstream)
{
    DecoderMPC reader(mpc_fixture("mpc_44k_stereo.mpc"));
    Collector collector;
    reader.connect(&collector);
    EXPECT_TRUE(reader.skip_forward(10000));
    EXPECT_EQ(collector.frames, 10000);
    EXPECT_TRUE(reader.skip_time(0.1));
    EXPECT_EQ(collector.frames, 10000 + 4410);
    EXPECT_FALSE(reader.skip_forward(test::s_sweep_frames));
    EXPECT_EQ(collector.frames, test::s_sweep_frames);
    reader.connect(nullptr);
}

struct CorpusMPC {
    const char* name;
    unsigned rate;
    int64_t decoded_frames;
};

class DecoderMPCCorpus : public testing::TestWithParam<CorpusMPC> { };

TEST_P(DecoderMPCCorpus, decodes_as_many_frames_as_the_reference_decoder)
{
    SKIP_WITHOUT_CORPUS();
    const CorpusMPC& file = GetParam();
    DecoderMPC reader(u16(test::corpus(file.name)));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.channels(), 2u);
    EXPECT_EQ(reader.sample_rate(), file.rate);
    test::Decoded decoded = test::decode_all(reader, 4096);
    EXPECT_FALSE(decoded.ragged);
    EXPECT_EQ(decoded.frames, file.decoded_frames);
    EXPECT_EQ(reader.position(), file.decoded_frames);
    EXPECT_TRUE(reader.is_end());
    EXPECT_GT(test::rms(test::as_doubles(decoded.samples)), 1.0);
}

INSTANTIATE_TEST_SUITE_P(Corpus, DecoderMPCCorpus,
    testing::Values(CorpusMPC {"sv7_music_7s.mpc", 44100, 337180},
        CorpusMPC {"sv7_click_3frames.mpc", 44100, 2717},
        CorpusMPC {"sv7_cut_apev2_footer.mpc", 44100, 12191}, CorpusMPC {"sv8_bach_0.5s.mpc", 48000, 24000},
        CorpusMPC {"sv8_music_7s_same_as_sv7.mpc", 44100, 337180}),
    [](const testing::TestParamInfo<CorpusMPC>& info) {
        std::string name = info.param.name;
        return name.substr(0, name.find('.'));
    });

TEST(DecoderMPC, stream_versions_7_and_8_of_one_recording_sound_alike)
{
    SKIP_WITHOUT_CORPUS();
    DecoderMPC sv7(u16(test::corpus("sv7_music_7s.mpc")));
    DecoderMPC sv8(u16(test::corpus("sv8_music_7s_same_as_sv7.mpc")));
    EXPECT_EQ(sv7.length(), 337180);
    EXPECT_EQ(sv8.length(), 337180);
    test::Decoded a = test::decode_all(sv7, 8192);
    test::Decoded b = test::decode_all(sv8, 8192);
    std::vector<double> left7 = test::channel(a.samples, 2, 0);
    std::vector<double> left8 = test::channel(b.samples, 2, 0);
    EXPECT_EQ(test::best_lag(left7, left8, 64), 0);
    EXPECT_GT(test::correlation(left7, 0, left8, 0, left7.size()), 0.95);
}

TEST(DecoderMPC, seeks_in_both_stream_versions_match_decoding_straight_through)
{
    SKIP_WITHOUT_CORPUS();
    for (const char* name : {"sv7_music_7s.mpc", "sv8_music_7s_same_as_sv7.mpc"}) {
        SCOPED_TRACE(name);
        DecoderMPC straight(u16(test::corpus(name)));
        test::Decoded reference = test::decode_all(straight, 8192);
        std::vector<double> left = test::channel(reference.samples, 2, 0);
        for (int32_t target : {300000, 5000, 123456}) {
            DecoderMPC reader(u16(test::corpus(name)));
            reader.seek_position(target);
            EXPECT_EQ(reader.position(), target);
            test::Samples samples;
            while (samples.size() < 2 * 1000) {
                PCMData block = reader.get_block(1000);
                ASSERT_FALSE(block.empty());
                test::append(samples, block);
            }
            std::vector<double> sought = test::channel(samples, 2, 0);
            EXPECT_GT(test::correlation(sought, 0, left, size_t(target), sought.size()), 0.99)
                << "target " << target;
        }
    }
}

TEST(ProbeVorbisMPC, musepack_files_open_as_mpc_chains_titled_by_file_name)
{
    std::unique_ptr<audio::PlayChain> chain = audio::create_play_chain(mpc_fixture("mpc_44k_stereo.mpc"));
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->get_codec_name(), audio::codec_name::MPC);
    EXPECT_EQ(chain->get_title(), u"mpc_44k_stereo.mpc");
    EXPECT_NE(dynamic_cast<DecoderMPC*>(&chain->get_reader()), nullptr);
    EXPECT_EQ(&chain->get_provider(), dynamic_cast<audio::Provider<PCMData>*>(&chain->get_reader()));
}

TEST(ProbeVorbisMPC, stream_version_7_opens_as_mpc)
{
    SKIP_WITHOUT_CORPUS();
    std::unique_ptr<audio::PlayChain> chain
        = audio::create_play_chain(u16(test::corpus("sv7_click_3frames.mpc")));
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->get_codec_name(), audio::codec_name::MPC);
}

TEST(ProbeVorbisMPC, an_old_stream_version_5_header_is_not_taken_for_musepack)
{
    SKIP_WITHOUT_CORPUS();
    std::unique_ptr<audio::PlayChain> chain
        = audio::create_play_chain(u16(test::corpus("refuse_mpc_sv5_header_only.mpc")));
    if (chain) {
        EXPECT_NE(chain->get_codec_name(), audio::codec_name::MPC);
        EXPECT_NE(chain->get_codec_name(), audio::codec_name::Vorbis);
    }
}

TEST(DecoderMPCConcurrency, seeks_and_queries_while_another_thread_pulls)
{
    DecoderMPC reader(mpc_fixture("mpc_44k_stereo.mpc"));
    ASSERT_TRUE(reader.is_open());
    const int32_t length = reader.length();
    std::atomic<bool> stop {false};
    std::atomic<int> bad_blocks {0};
    std::atomic<int64_t> pulled {0};
    std::thread puller([&] {
        // Runs until told to stop and at least one block came (bounded in case none ever does).
        for (int i = 0; i < 1000000 && !(stop.load() && pulled.load() > 0); ++i) {
            PCMData block = reader.get_block(700);
            if (block.empty())
                continue;
            if (block.channels != 2 || block.sample_rate != 44100 || block.size() % 4 != 0
                || block.frames() > 700)
                ++bad_blocks;
            pulled += block.frames();
        }
    });
    int bad_positions = 0;
    for (int i = 0; i < 300; ++i) {
        reader.seek_position((i * 7919) % length);
        int32_t position = reader.position();
        if (position < 0 || position > length + s_frame || reader.length() != length)
            ++bad_positions;
        reader.is_end();
        reader.time();
        std::this_thread::yield();
    }
    stop = true;
    puller.join();
    EXPECT_EQ(bad_blocks.load(), 0);
    EXPECT_EQ(bad_positions, 0);
    EXPECT_GT(pulled.load(), 0);
}

} // namespace
