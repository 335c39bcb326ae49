#include "audio/file_reader_wav_pcm.h"
#include "audio/play_chain.h"
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

uint32_t pull_all(FileReaderWAVPCM& reader, std::vector<int16_t>* samples = nullptr)
{
    uint32_t frames = 0;
    for (PCMData block = reader.get_block(1000); !block.empty(); block = reader.get_block(1000)) {
        frames += block.frames();
        for (uint32_t i = 0; samples && i < block.size() / 2; ++i)
            samples->push_back(test::sample16(block, i));
    }
    return frames;
}

} // namespace

TEST(WavPcm, reads_the_facts_of_the_format_chunk)
{
    WavSpec spec = ramp_spec(44100);
    WavFile file(test::make_wav(spec));
    FileReaderWAVPCM reader(file.path);
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.channels(), 2u);
    EXPECT_EQ(reader.sample_rate(), 44100u);
    EXPECT_EQ(reader.bits_per_sample(), 16u);
    EXPECT_EQ(reader.bitrate(), 44100u * 4 * 8);
    EXPECT_EQ(reader.length(), 44100 * 4);
    EXPECT_DOUBLE_EQ(reader.duration(), 1.0);
    EXPECT_EQ(reader.time_to_position(0.5), 22050 * 4);
}

TEST(WavPcm, blocks_carry_the_file_bytes_in_order)
{
    WavFile file(test::make_wav(ramp_spec(5000)));
    FileReaderWAVPCM reader(file.path);
    std::vector<int16_t> samples;
    EXPECT_EQ(pull_all(reader, &samples), 5000u);
    ASSERT_EQ(samples.size(), 10000u);
    for (size_t k = 0; k < samples.size(); ++k)
        ASSERT_EQ(uint16_t(samples[k]), uint16_t(k)) << "sample " << k;
    EXPECT_TRUE(reader.is_end());
}

TEST(WavPcm, the_end_block_is_empty_but_keeps_its_format)
{
    WavFile file(test::make_wav(ramp_spec(10)));
    FileReaderWAVPCM reader(file.path);
    pull_all(reader);
    PCMData end = reader.get_block(100);
    EXPECT_TRUE(end.empty());
    EXPECT_EQ(end.channels, 2);
    EXPECT_EQ(end.sample_rate, 44100);

    test::TempDir dir;
    FileReaderWAVPCM missing(dir.file("missing.wav"));
    EXPECT_FALSE(missing.is_open());
    EXPECT_TRUE(missing.is_end());
    PCMData none = missing.get_block(100);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.channels, 0);
}

TEST(WavPcm, chunks_between_fmt_and_data_are_skipped_with_their_pad_bytes)
{
    WavSpec spec = ramp_spec(100);
    spec.chunks_before_data = {{"LIST", Bytes(25, 'x')}, {"fact", Bytes(4, 0)}};
    spec.chunks_after_data = {{"LIST", Bytes(7, 'y')}};
    WavFile file(test::make_wav(spec));
    FileReaderWAVPCM reader(file.path);
    ASSERT_TRUE(reader.is_open());
    std::vector<int16_t> samples;
    EXPECT_EQ(pull_all(reader, &samples), 100u);
    EXPECT_EQ(samples.front(), 0);
    EXPECT_EQ(samples.back(), 199);
}

TEST(WavPcm, an_odd_chunk_written_without_its_pad_byte_is_still_walked)
{
    WavSpec spec = ramp_spec(10);
    Bytes wav = test::make_wav(spec);
    // Insert an unpadded 3-byte chunk right after the 16-byte fmt body (offset 36).
    test::ByteWriter odd;
    odd.tag("junk").u32(3).raw("abc");
    wav.insert(wav.begin() + 36, odd.bytes.begin(), odd.bytes.end());
    WavFile file(wav);
    FileReaderWAVPCM reader(file.path);
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(pull_all(reader), 10u);
}

TEST(WavPcm, files_that_are_not_pcm_wav_are_refused)
{
    auto refused = [](const Bytes& bytes) {
        WavFile file(bytes);
        return !FileReaderWAVPCM(file.path).is_open();
    };
    Bytes good = test::make_wav(ramp_spec(10));
    EXPECT_FALSE(refused(good));

    Bytes chunk_before_fmt = good;
    test::ByteWriter junk;
    junk.tag("JUNK").u32(4).u32(0);
    chunk_before_fmt.insert(chunk_before_fmt.begin() + 12, junk.bytes.begin(), junk.bytes.end());
    EXPECT_TRUE(refused(chunk_before_fmt));

    WavSpec gsm = ramp_spec(10);
    gsm.format_tag = 49;
    EXPECT_TRUE(refused(test::make_wav(gsm)));

    Bytes no_data = good;
    no_data[36] = 'D'; // "Data" is not "data"
    EXPECT_TRUE(refused(no_data));

    EXPECT_TRUE(refused(Bytes(good.begin(), good.begin() + 30))); // ends inside fmt
    EXPECT_TRUE(refused(Bytes {}));
    Bytes rifx = good;
    rifx[3] = 'X';
    EXPECT_TRUE(refused(rifx));
}

TEST(WavPcm, a_chunk_size_that_wraps_the_position_does_not_hang)
{
    WavSpec spec = ramp_spec(10);
    spec.chunks_before_data = {{"LIST", Bytes(8, 0)}};
    Bytes wav = test::make_wav(spec);
    // LIST size field at 40: 0xFFFFFFF8 would bring the walk back to the LIST header itself.
    wav[40] = 0xF8, wav[41] = 0xFF, wav[42] = 0xFF, wav[43] = 0xFF;
    WavFile file(wav);
    EXPECT_FALSE(FileReaderWAVPCM(file.path).is_open());
}

TEST(WavPcm, a_data_chunk_longer_than_the_file_plays_every_whole_frame_it_holds)
{
    WavSpec spec = ramp_spec(1000);
    spec.data_size = 1000 * 4 * 50;
    Bytes wav = test::make_wav(spec);
    wav.push_back(0x55); // half a frame after the last whole one
    WavFile file(wav);
    FileReaderWAVPCM reader(file.path);
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.length(), 4000);
    std::vector<int16_t> samples;
    EXPECT_EQ(pull_all(reader, &samples), 1000u);
    EXPECT_EQ(samples.back(), 1999);
    EXPECT_TRUE(reader.is_end());
}

TEST(WavPcm, streamed_sizes_of_all_ones_give_the_real_length)
{
    WavSpec spec = ramp_spec(300);
    spec.data_size = 0xFFFFFFFF;
    WavFile file(test::make_wav(spec));
    FileReaderWAVPCM reader(file.path);
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.length(), 1200);
    EXPECT_EQ(pull_all(reader), 300u);
}

TEST(WavPcm, seeks_land_on_the_frame_boundary_below)
{
    WavFile file(test::make_wav(ramp_spec(1000)));
    FileReaderWAVPCM reader(file.path);
    struct Case {
        int32_t to;
        int32_t expected;
    };
    for (Case c : {Case {4003, 4000}, Case {4, 4}, Case {3, 0}, Case {-9, 0}, Case {999999, 4000}}) {
        reader.seek_position(c.to);
        EXPECT_EQ(reader.position(), c.expected) << "seek to " << c.to;
        PCMData block = reader.get_block(1);
        if (c.expected < 4000) {
            ASSERT_EQ(block.frames(), 1u);
            EXPECT_EQ(test::sample16(block, 0), c.expected / 2) << "seek to " << c.to;
        } else {
            EXPECT_TRUE(block.empty());
        }
    }
}

TEST(WavPcm, block_align_zero_never_moves_and_cannot_skip)
{
    WavSpec spec = ramp_spec(100);
    spec.block_align = 0;
    WavFile file(test::make_wav(spec));
    FileReaderWAVPCM reader(file.path);
    ASSERT_TRUE(reader.is_open());
    reader.seek_position(40);
    EXPECT_EQ(reader.position(), 0);
    EXPECT_FALSE(reader.skip_forward(40));
    EXPECT_TRUE(reader.get_block(100).empty());
    EXPECT_EQ(reader.position_to_time(400), 0.0);
}

TEST(WavPcm, skipping_pushes_the_skipped_blocks_to_the_consumer)
{
    WavFile file(test::make_wav(ramp_spec(20000)));
    FileReaderWAVPCM reader(file.path);
    test::PCMSink sink;
    reader.connect(&sink);
    EXPECT_TRUE(reader.skip_forward(12000 * 4));
    EXPECT_EQ(sink.pushed, 3); // 5000 + 5000 + 2000 frames
    EXPECT_EQ(sink.pushed_frames, 12000u);
    EXPECT_EQ(reader.position(), 48000);
    EXPECT_TRUE(reader.skip_time(0.0));
    EXPECT_FALSE(reader.skip_forward(20000 * 4)); // runs into the end
}

TEST(WavPcm, eight_bit_and_multichannel_formats_pass_through_as_stored)
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

TEST(PlayChain, titles_are_the_text_after_the_last_separator)
{
    EXPECT_EQ(audio::title_from_path(u"a\\b/c.wav"), u"c.wav");
    EXPECT_EQ(audio::title_from_path(u"a/b\\c.wav"), u"c.wav");
    EXPECT_EQ(audio::title_from_path(u"song.wav"), u"song.wav");
}

TEST(PlayChain, a_pcm_wav_opens_as_a_pcm_chain_whatever_its_name)
{
    test::TempDir dir;
    test::write_file(dir.native("tune.mp3"), test::make_wav(ramp_spec(100)));
    auto chain = audio::create_play_chain(dir.file("tune.mp3"));
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->get_codec_name(), u"PCM");
    EXPECT_EQ(chain->get_title(), u"tune.mp3");
    EXPECT_EQ(chain->get_reader().length(), 400);
    test::PCMSink sink;
    chain->get_provider().connect(&sink);
    EXPECT_EQ(sink.pull(16384).frames(), 100u);
}

TEST(PlayChain, nothing_opens_a_missing_or_empty_file)
{
    test::TempDir dir;
    EXPECT_EQ(audio::create_play_chain(dir.file("missing.wav")), nullptr);
    test::write_file(dir.native("empty.wav"), {});
    EXPECT_EQ(audio::create_play_chain(dir.file("empty.wav")), nullptr);
}

// Real files written by other software.
TEST(WavPcmCorpus, real_pcm_files_open_with_their_true_lengths)
{
    SKIP_WITHOUT_CORPUS();
    struct Case {
        const char* name;
        uint32_t rate;
        uint32_t channels;
        int32_t length;
    };
    const Case cases[] = {
        {"pcm16_mono_16k_list_before_data.wav", 16000, 1, -1},
        {"pcm16_bext_before_fmt_bad_trailing_chunk.wav", 48000, 1, -1},
        {"pcm16_sizes_ffffffff_list_before_data.wav", 44100, 2, -1},
        {"pcm16_data_size_too_big.wav", 16000, 1, 4956},
        {"pcm16_riff_size_too_big.wav", 8000, 1, -1},
        {"pcm16_win2000_fact_filt_after_data.wav", 0, 0, -1},
        {"pcm16_fact_zero_before_data.wav", 8000, 1, 16002},
        {"pcm16_fmt18_fact_list.wav", 8000, 1, -1},
        {"pcm24_junk_before_fmt_truncated.wav", 0, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileReaderWAVPCM reader(test::u16(test::corpus(c.name)));
        if (std::string(c.name).find("bext_before_fmt") != std::string::npos
            || std::string(c.name).find("junk_before_fmt") != std::string::npos) {
            // A chunk before "fmt " is refused.
            EXPECT_FALSE(reader.is_open());
            continue;
        }
        ASSERT_TRUE(reader.is_open());
        if (c.rate) {
            EXPECT_EQ(reader.sample_rate(), c.rate);
        }
        if (c.channels) {
            EXPECT_EQ(reader.channels(), c.channels);
        }
        if (c.length >= 0) {
            EXPECT_EQ(reader.length(), c.length);
        }
        EXPECT_GT(reader.length(), 0);
        uint32_t frames = pull_all(reader);
        EXPECT_EQ(int64_t(frames) * reader.info().block_align, reader.length());
        EXPECT_TRUE(reader.is_end());
    }
}

TEST(WavPcmCorpus, non_pcm_wav_files_are_refused_by_the_pcm_reader)
{
    SKIP_WITHOUT_CORPUS();
    for (const char* name :
        {"refuse_mulaw_odd_chunk.wav", "refuse_ima_adpcm.wav", "gsm_1s_fmt_fact_data.wav",
            "adpcm_ms_stereo_44k_block1024.wav", "mp3_disguised_as.wav", "riff_wave_mpeg_layer3_tag55.wav"}) {
        EXPECT_FALSE(FileReaderWAVPCM(test::u16(test::corpus(name))).is_open()) << name;
    }
}
