#include "audio/decoder_vorbis.h"
#include "audio/play_chain.h"
#include "decoded_audio.h"
#include "liba/text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using audio::DecoderVorbis;
using audio::PCMData;
using test::fixture;
using test::u16;

std::u16string vorbis_fixture(std::string_view name)
{
    return u16(fixture(std::string("vorbis_mpc/") + std::string(name)));
}

class Collector : public audio::Consumer<PCMData> {
public:
    void on_data(const PCMData& block) override
    {
        frames += block.frames();
        ++blocks;
    }
    int64_t frames = 0;
    int blocks = 0;
};

TEST(DecoderVorbis, stereo_file_decodes_to_its_source_on_both_channels)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_44k_stereo.ogg"));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.channels(), 2u);
    EXPECT_EQ(reader.sample_rate(), 44100u);
    EXPECT_EQ(reader.bits_per_sample(), 16u);
    EXPECT_EQ(reader.length(), test::s_sweep_frames);
    EXPECT_EQ(reader.position(), 0);
    EXPECT_DOUBLE_EQ(reader.duration(), 0.5);

    test::Decoded decoded = test::decode_all(reader, 4096);
    EXPECT_FALSE(decoded.ragged);
    EXPECT_EQ(decoded.channels, 2);
    EXPECT_EQ(decoded.sample_rate, 44100);
    EXPECT_EQ(decoded.frames, test::s_sweep_frames);
    EXPECT_EQ(reader.position(), reader.length());

    std::vector<double> source = test::source_sweep();
    std::vector<double> left = test::channel(decoded.samples, 2, 0);
    std::vector<double> right = test::channel(decoded.samples, 2, 1);
    // Ogg Vorbis trims the encoder's delay itself: sample k decodes to sample k.
    EXPECT_EQ(test::best_lag(left, source, 64), 0);
    EXPECT_GT(test::correlation(left, 0, source, 0, source.size()), 0.99);
    // The right channel holds the sweep times -0.5: a swapped or mixed channel fails here.
    EXPECT_LT(test::correlation(right, 0, source, 0, source.size()), -0.99);
    EXPECT_NEAR(test::rms(left) / test::rms(source), 1.0, 0.05);
    EXPECT_NEAR(test::rms(right) / test::rms(source), 0.5, 0.05);
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
    [](const testing::TestParamInfo<VorbisFile>& info) {
        std::string name = info.param.name;
        return name.substr(0, name.find('.'));
    });

TEST(DecoderVorbis, a_stream_shorter_than_a_millisecond_opens_and_plays)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_10_frames.ogg"));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.length(), 10);
    EXPECT_GT(reader.bitrate(), 0u) << "the nominal rate, as no average can be taken";
    test::Decoded decoded = test::decode_all(reader, 4096);
    EXPECT_EQ(decoded.frames, 10);
    EXPECT_TRUE(reader.is_end());
}

TEST(DecoderVorbis, blocks_are_capped_at_8192_frames)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_44k_stereo.ogg"));
    ASSERT_TRUE(reader.is_open());
    int32_t total = 0;
    for (int i = 0; i < 1000; ++i) {
        PCMData block = reader.get_block(10000);
        if (block.empty())
            break;
        EXPECT_LE(block.size(), 32768u);
        EXPECT_EQ(block.size() % 4, 0u);
        total += int32_t(block.frames());
    }
    EXPECT_EQ(total, test::s_sweep_frames);
}

TEST(DecoderVorbis, a_request_for_one_frame_gets_one_frame)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_44k_stereo.ogg"));
    PCMData block = reader.get_block(1);
    EXPECT_EQ(block.frames(), 1u);
    EXPECT_EQ(reader.position(), 1);
}

TEST(DecoderVorbis, is_end_only_when_the_position_equals_the_length)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_44k_stereo.ogg"));
    ASSERT_TRUE(reader.is_open());
    while (true) {
        EXPECT_EQ(reader.is_end(), reader.position() == reader.length()) << "at " << reader.position();
        if (reader.get_block(3000).empty())
            break;
    }
    EXPECT_TRUE(reader.is_end());
    // The end of stream block carries the format.
    PCMData end = reader.get_block(3000);
    EXPECT_TRUE(end.empty());
    EXPECT_EQ(end.channels, 2);
    EXPECT_EQ(end.sample_rate, 44100);

    reader.seek_position(reader.length() - 1);
    EXPECT_EQ(reader.position(), reader.length() - 1);
    EXPECT_FALSE(reader.is_end());
    EXPECT_EQ(reader.get_block(3000).frames(), 1u);
    EXPECT_TRUE(reader.is_end());
}

TEST(DecoderVorbis, seek_continues_from_the_frame_sought)
{
    std::vector<double> source = test::source_sweep();
    for (int32_t target : {11025, 4410, 17}) {
        DecoderVorbis reader(vorbis_fixture("vorbis_44k_stereo.ogg"));
        reader.get_block(5000);
        reader.seek_position(target);
        EXPECT_EQ(reader.position(), target);
        test::Samples after;
        while (after.size() < 2 * 2048) {
            PCMData block = reader.get_block(2048);
            ASSERT_FALSE(block.empty());
            test::append(after, block);
        }
        std::vector<double> left = test::channel(after, 2, 0);
        left.resize(2048);
        std::vector<double> expected(source.begin() + target, source.begin() + target + 2048);
        EXPECT_EQ(test::best_lag(left, expected, 32), 0) << "target " << target;
        EXPECT_GT(test::correlation(left, 0, expected, 0, 2048), 0.98) << "target " << target;
    }
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
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.length(), 441000);
    EXPECT_DOUBLE_EQ(reader.duration(), 10.0);
    EXPECT_EQ(reader.time_to_position(5.0), reader.length() / 2);
    EXPECT_DOUBLE_EQ(reader.position_to_time(reader.length() / 2), 5.0);
    reader.seek_time(7.5);
    EXPECT_EQ(reader.position(), 330750);
    EXPECT_DOUBLE_EQ(reader.time(), 7.5);
    // Truncation, not rounding.
    EXPECT_EQ(reader.time_to_position(1.0 / 44100 * 0.99), 0);
}

TEST(DecoderVorbis, files_that_are_not_ogg_vorbis_are_refused)
{
    test::TempDir dir;
    test::write_file(dir.native("empty.ogg"), {});
    test::write_file(dir.native("capture.ogg"), test::Bytes {'O', 'g', 'g', 'S', 0, 2, 0, 0});
    std::vector<std::u16string> paths = {dir.file("empty.ogg"), dir.file("capture.ogg"),
        dir.file("missing.ogg"), vorbis_fixture("sweep_44k_mono.wav"), vorbis_fixture("mpc_44k_stereo.mpc")};
    if (!test::corpus_dir().empty())
        paths.push_back(u16(test::corpus("refuse_ogg_opus.oga")));
    for (const std::u16string& path : paths) {
        DecoderVorbis reader(path);
        SCOPED_TRACE(liba::to_utf8(path));
        EXPECT_FALSE(reader.is_open());
        EXPECT_TRUE(reader.is_end());
        EXPECT_EQ(reader.channels(), 0u);
        EXPECT_EQ(reader.length(), 0);
        EXPECT_EQ(reader.position(), 0);
        EXPECT_DOUBLE_EQ(reader.duration(), 0.0);
        PCMData block = reader.get_block(4096);
        EXPECT_TRUE(block.empty());
        EXPECT_EQ(block.channels, 0);
        EXPECT_EQ(block.sample_rate, 0);
        reader.seek_position(100);
        EXPECT_FALSE(reader.skip_forward(100));
    }
}

TEST(DecoderVorbis, truncated_file_plays_its_complete_pages)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_truncated.ogg"));
    ASSERT_TRUE(reader.is_open());
    int32_t length = reader.length();
    EXPECT_GT(length, 0);
    EXPECT_LT(length, test::s_sweep_frames);
    test::Decoded decoded = test::decode_all(reader, 4096);
    EXPECT_EQ(decoded.frames, length);
    std::vector<double> left = test::channel(decoded.samples, 2, 0);
    EXPECT_GT(test::correlation(left, 0, test::source_sweep(), 0, left.size()), 0.99);
}

TEST(DecoderVorbis, corrupt_audio_ends_the_stream_without_harm)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_corrupt.ogg"));
    ASSERT_TRUE(reader.is_open());
    test::Decoded decoded = test::decode_all(reader, 4096);
    EXPECT_FALSE(decoded.ragged);
    EXPECT_LE(decoded.frames, reader.length());
    EXPECT_TRUE(reader.get_block(4096).empty());
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

TEST(DecoderVorbis, skip_forward_pushes_the_skipped_blocks_downstream)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_44k_stereo.ogg"));
    Collector collector;
    reader.connect(&collector);
    EXPECT_TRUE(reader.skip_forward(10000));
    EXPECT_EQ(collector.frames, 10000);
    EXPECT_EQ(reader.position(), 10000);
    EXPECT_TRUE(reader.skip_time(0.1));
    EXPECT_EQ(collector.frames, 10000 + 4410);
    EXPECT_TRUE(reader.skip_forward(0));
    // Running out of stream fails, after pushing what there was.
    EXPECT_FALSE(reader.skip_forward(test::s_sweep_frames));
    EXPECT_EQ(collector.frames, test::s_sweep_frames);
    reader.connect(nullptr);
}

TEST(VorbisSource, seek_reports_success_only_when_the_file_moved)
{
    test::TempDir dir;
    test::write_file(dir.native("ten.bin"), test::Bytes(10, 7));
    os::File file(dir.file("ten.bin"), os::FileMode::Read);
    EXPECT_EQ(audio::vorbis_source::seek(file, 4, 0), 0);
    EXPECT_EQ(file.tell(), 4u);
    EXPECT_EQ(audio::vorbis_source::seek(file, 3, 1), 0);
    EXPECT_EQ(file.tell(), 7u);
    EXPECT_EQ(audio::vorbis_source::seek(file, -2, 2), 0);
    EXPECT_EQ(file.tell(), 8u);
    EXPECT_EQ(audio::vorbis_source::tell(file), 8);

    EXPECT_EQ(audio::vorbis_source::seek(file, 0, 3), -1);
    EXPECT_EQ(audio::vorbis_source::seek(file, -9, 1), -1);
    EXPECT_EQ(audio::vorbis_source::seek(file, -1, 0), -1);
    EXPECT_EQ(audio::vorbis_source::seek(file, int64_t(1) << 32, 0), -1);
    EXPECT_EQ(audio::vorbis_source::seek(file, INT64_MAX, 1), -1);
    EXPECT_EQ(audio::vorbis_source::seek(file, INT64_MIN, 2), -1);
    EXPECT_EQ(file.tell(), 8u) << "a refused seek does not move the file";

    os::File missing(dir.file("missing.bin"), os::FileMode::Read);
    EXPECT_EQ(audio::vorbis_source::seek(missing, 0, 0), -1);
    EXPECT_EQ(audio::vorbis_source::seek(missing, 0, 1), -1);
}

TEST(VorbisSource, read_counts_whole_items)
{
    test::TempDir dir;
    test::write_file(dir.native("ten.bin"), test::Bytes(10, 7));
    os::File file(dir.file("ten.bin"), os::FileMode::Read);
    char buffer[16];
    EXPECT_EQ(audio::vorbis_source::read(file, buffer, 4, 2), 2u);
    EXPECT_EQ(audio::vorbis_source::read(file, buffer, 4, 2), 0u) << "2 bytes left: no whole item";
    EXPECT_EQ(audio::vorbis_source::read(file, buffer, 0, 2), 0u);
}

TEST(ProbeVorbisMPC, ogg_vorbis_files_open_as_vorbis_chains_titled_by_file_name)
{
    std::unique_ptr<audio::PlayChain> chain = audio::create_play_chain(vorbis_fixture("vorbis_44k_mono.ogg"));
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->get_codec_name(), audio::codec_name::Vorbis);
    EXPECT_EQ(chain->get_title(), u"vorbis_44k_mono.ogg");
    EXPECT_EQ(&chain->get_provider(), dynamic_cast<audio::Provider<PCMData>*>(&chain->get_reader()));
    EXPECT_NE(dynamic_cast<DecoderVorbis*>(&chain->get_reader()), nullptr);
}

TEST(ProbeVorbisMPC, a_vorbis_title_comment_does_not_replace_the_file_name)
{
    SKIP_WITHOUT_CORPUS();
    std::unique_ptr<audio::PlayChain> chain
        = audio::create_play_chain(u16(test::corpus("vorbis_title_comment_44k_mono.ogg")));
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->get_codec_name(), audio::codec_name::Vorbis);
    EXPECT_EQ(chain->get_title(), u"vorbis_title_comment_44k_mono.ogg");
}

TEST(ProbeVorbisMPC, pcm_wav_is_tried_before_vorbis)
{
    std::unique_ptr<audio::PlayChain> chain = audio::create_play_chain(vorbis_fixture("sweep_44k_mono.wav"));
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->get_codec_name(), audio::codec_name::PCM);
}

TEST(ProbeVorbisMPC, ogg_opus_is_not_taken_for_vorbis_or_musepack)
{
    SKIP_WITHOUT_CORPUS();
    std::unique_ptr<audio::PlayChain> chain
        = audio::create_play_chain(u16(test::corpus("refuse_ogg_opus.oga")));
    if (chain) {
        EXPECT_NE(chain->get_codec_name(), audio::codec_name::Vorbis);
        EXPECT_NE(chain->get_codec_name(), audio::codec_name::MPC);
    }
}

struct CorpusVorbis {
    const char* name;
    unsigned channels;
    unsigned rate;
    int32_t frames;
};

class DecoderVorbisCorpus : public testing::TestWithParam<CorpusVorbis> { };

TEST_P(DecoderVorbisCorpus, decodes_the_whole_stream)
{
    SKIP_WITHOUT_CORPUS();
    const CorpusVorbis& file = GetParam();
    DecoderVorbis reader(u16(test::corpus(file.name)));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.channels(), file.channels);
    EXPECT_EQ(reader.sample_rate(), file.rate);
    EXPECT_EQ(reader.length(), file.frames);
    test::Decoded decoded = test::decode_all(reader, 4096);
    EXPECT_FALSE(decoded.ragged);
    EXPECT_EQ(decoded.frames, file.frames);
    EXPECT_TRUE(reader.is_end());
    EXPECT_GT(test::rms(test::as_doubles(decoded.samples)), 100.0) << "real audio, not silence";

    // A seek to the middle gives the same samples as decoding straight through.
    int32_t middle = file.frames / 2;
    reader.seek_position(middle);
    test::Samples after = test::samples_of(reader.get_block(512));
    ASSERT_FALSE(after.empty());
    test::Samples straight(decoded.samples.begin() + middle, decoded.samples.begin() + middle + after.size());
    EXPECT_GT(
        test::correlation(test::as_doubles(after), 0, test::as_doubles(straight), 0, after.size()), 0.999);
}

INSTANTIATE_TEST_SUITE_P(Corpus, DecoderVorbisCorpus,
    testing::Values(CorpusVorbis {"vorbis_mono_16k_libsndfile.ogg", 1, 16000, 16000},
        CorpusVorbis {"vorbis_title_comment_44k_mono.ogg", 1, 44100, 79872}),
    [](const testing::TestParamInfo<CorpusVorbis>& info) {
        return std::string(info.param.name).substr(0, 12);
    });

TEST(DecoderVorbisConcurrency, seeks_and_queries_while_another_thread_pulls)
{
    DecoderVorbis reader(vorbis_fixture("vorbis_44k_stereo.ogg"));
    ASSERT_TRUE(reader.is_open());
    const int32_t length = reader.length();
    std::atomic<bool> stop {false};
    std::atomic<int> bad_blocks {0};
    std::atomic<int64_t> pulled {0};
    std::thread puller([&] {
        // Runs until told to stop and at least one block came (bounded in case none ever does).
        for (int i = 0; i < 1000000 && !(stop.load() && pulled.load() > 0); ++i) {
            PCMData block = reader.get_block(1024);
            if (block.empty())
                continue;
            if (block.channels != 2 || block.sample_rate != 44100 || block.size() % 4 != 0
                || block.frames() > 1024)
                ++bad_blocks;
            pulled += block.frames();
        }
    });
    int bad_positions = 0;
    for (int i = 0; i < 300; ++i) {
        reader.seek_position((i * 7919) % length);
        int32_t position = reader.position();
        if (position < 0 || position > length || reader.length() != length)
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
