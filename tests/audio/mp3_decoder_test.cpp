// The MP3 decoder: its 16-bit conversion with error feedback and clipping, its result codes, blocks
// it cannot decode, and its output against libmad's own: a clipped sample must not disturb the
// samples after it.

#include "audio/decoder_mp3.h"
#include "audio/file_reader_mp3.h"
#include "audio/play_chain.h"
#include "mp3_test_util.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <mad.h>
#include <string>

using audio::DecoderMP3;
using Samples = std::vector<int16_t>;

namespace {

constexpr int32_t one = 0x10000000; // 1.0 in libmad's fixed point

Samples convert(const std::vector<int32_t>& left, const std::vector<int32_t>* right = nullptr)
{
    std::vector<uint8_t> bytes(left.size() * (right ? 4 : 2), 0xAA);
    audio::to_pcm(bytes.data(), uint32_t(left.size()), left.data(), right ? right->data() : nullptr);
    Samples out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(int16_t(uint16_t(bytes[i] | bytes[i + 1] << 8)));
    return out;
}

} // namespace

TEST(ToPcm, quantises_with_error_feedback_per_channel)
{
    EXPECT_EQ(convert({0, 0x2000, -0x2000, 0x123 << 13, -one, one / 2}),
        (Samples {0, 1, -1, 0x123, -32768, 16384}));
    // Half and quarter steps come out on average; without feedback they would all be 0.
    EXPECT_EQ(convert({0x1000, 0x1000, 0x1000, 0x1000}), (Samples {0, 1, 0, 1}));
    EXPECT_EQ(convert({0x800, 0x800, 0x800, 0x800, 0x800}), (Samples {0, 0, 0, 1, 0}));
    EXPECT_EQ(convert({0x1000}), (Samples {0})) << "the error starts at 0 on every call";
    std::vector<int32_t> right = {-0x2000, 0, 0x4000, one};
    std::vector<int32_t> left = {0x1000, 0x1000, 0x1000, 0x1000};
    EXPECT_EQ(convert(left, &right), (Samples {0, -1, 1, 0, 0, 2, 1, 32767}));
}

TEST(ToPcm, clips_and_carries_only_what_quantising_the_clipped_value_dropped)
{
    // Full scale becomes 32767 and leaves 0x1FFF, just under a step, for the next sample; whatever
    // lay beyond full scale is dropped.
    EXPECT_EQ(convert({one, 1, 0}), (Samples {32767, 1, 0}));
    EXPECT_EQ(convert({-one - 0x4000, 0, 0}), (Samples {-32768, 0, 0}));
    EXPECT_EQ(convert({-one, -0x1000, -0x1000}), (Samples {-32768, -1, 0}));
    // A sample that the carried error pushes over full scale clips as well.
    EXPECT_EQ(convert({one - 0x1000, one - 0x1000, 0}), (Samples {32767, 32767, 0}));
    EXPECT_EQ(convert(std::vector<int32_t>(3000, std::numeric_limits<int32_t>::max())), Samples(3000, 32767));
    std::vector<int32_t> right = {0x1000, 0x1000, 0x1000};
    EXPECT_EQ(convert({4 * one, 0, 0}, &right), (Samples {32767, 0, 0, 1, 0, 0})) << "channels apart";
}

TEST(DecoderMP3, decode_frame_reports_its_result_codes)
{
    DecoderMP3 decoder;
    test::Bytes frame = mp3test::cat({mp3test::frame_bytes({}, 417), test::Bytes(100, 0)});
    std::vector<uint8_t> out(1152 * 4);
    uint32_t in = uint32_t(frame.size()), room = uint32_t(out.size()), consumed = 0, produced = 0;
    EXPECT_EQ(
        decoder.decode_frame(frame.data(), in, out.data(), room, consumed, produced), DecoderMP3::Decoded);
    EXPECT_EQ(consumed, 417u);
    EXPECT_EQ(produced, room);
    EXPECT_EQ(decoder.decode_frame(frame.data(), 417, out.data(), room, consumed, produced),
        DecoderMP3::NeedMoreInput)
        << "no guard bytes after the frame";
    EXPECT_EQ(decoder.decode_frame(frame.data(), in, out.data(), 1000, consumed, produced),
        DecoderMP3::OutputTooSmall);
    test::Bytes garbage(600, 0x11);
    EXPECT_EQ(decoder.decode_frame(garbage.data(), 600, out.data(), room, consumed, produced),
        DecoderMP3::RecoverableError);
    EXPECT_EQ(decoder.decode_frame(nullptr, 0, out.data(), room, consumed, produced), DecoderMP3::FatalError);
    EXPECT_EQ(produced, 0u);
}

TEST(DecoderMP3, blocks_that_hold_no_decodable_frame_are_skipped)
{
    struct Feeder : audio::Provider<audio::MP3Data> {
        std::vector<test::Bytes> blocks;
        audio::MP3Data get_block(int32_t) override
        {
            if (blocks.empty())
                return {};
            test::Bytes next = blocks.front();
            blocks.erase(blocks.begin());
            return {liba::DataBuffer::copy_of(next.data(), uint32_t(next.size())), 417};
        }
    };
    Feeder feeder;
    feeder.blocks = {{0xFF, 0xFB}, mp3test::frame_bytes({mp3test::MPEG1, 3, 0}, 2000),
        test::Bytes(2000, 0x11), mp3test::frame_bytes({mp3test::MPEG2, 3, 8, 2}, 2000)};
    DecoderMP3 decoder;
    feeder.connect(&decoder);
    audio::PCMData pcm = decoder.get_block(100000);
    EXPECT_EQ(pcm.frames(), 576u) << "the MPEG-2 frame at 16 kHz after three undecodable blocks";
    EXPECT_EQ(pcm.sample_rate, 16000);
    EXPECT_TRUE(decoder.get_block(100000).empty());
    feeder.connect(nullptr);
}

namespace {

// libmad's own 16-bit output of a whole file: every frame it decodes, each sample rounded to the
// nearest step and clipped. Counts the samples that clipped.
struct Reference {
    test::Samples samples; // interleaved
    size_t clipped = 0;
};

Reference libmad_reference(const std::filesystem::path& path)
{
    test::Bytes data = test::read_file(path);
    data.resize(data.size() + MAD_BUFFER_GUARD, 0);
    mad_stream stream;
    mad_frame frame;
    mad_synth synth;
    mad_stream_init(&stream);
    mad_frame_init(&frame);
    mad_synth_init(&synth);
    mad_stream_buffer(&stream, data.data(), data.size());
    Reference out;
    auto rounded = [&out](mad_fixed_t s) {
        int64_t v = int64_t(s) + (1 << (MAD_F_FRACBITS - 16));
        if (v >= MAD_F_ONE || v < -MAD_F_ONE) {
            ++out.clipped;
            v = v < 0 ? -MAD_F_ONE : MAD_F_ONE - 1;
        }
        return int16_t(v >> (MAD_F_FRACBITS + 1 - 16));
    };
    for (;;) {
        if (mad_frame_decode(&frame, &stream) != 0) {
            if (MAD_RECOVERABLE(stream.error))
                continue;
            break; // the end of the data
        }
        mad_synth_frame(&synth, &frame);
        for (unsigned i = 0; i < synth.pcm.length; ++i)
            for (unsigned c = 0; c < synth.pcm.channels; ++c)
                out.samples.push_back(rounded(synth.pcm.samples[c][i]));
    }
    mad_synth_finish(&synth);
    mad_frame_finish(&frame);
    mad_stream_finish(&stream);
    return out;
}

test::Decoded decode(const std::filesystem::path& path)
{
    auto chain = audio::create_play_chain(test::u16(path));
    if (!chain || chain->get_codec_name() != u"mp3")
        return {};
    return test::decode_all(chain->get_provider(), 4096);
}

// Every sample of the file within one step of libmad's rounded output: the error feedback moves a
// sample by less than a step, and a clip must not push the samples after it further.
void expect_within_a_step_of_libmad(const test::Samples& got, const Reference& reference)
{
    ASSERT_EQ(got.size(), reference.samples.size());
    size_t off = 0;
    size_t first = 0;
    for (size_t i = 0; i < got.size(); ++i) {
        if (std::abs(got[i] - reference.samples[i]) > 1 && off++ == 0)
            first = i;
    }
    EXPECT_EQ(off, 0u) << "first at sample " << first << ": " << got[first] << " instead of "
                       << reference.samples[first];
}

} // namespace

// Every fixture and corpus MP3 stream within a step of libmad: the clipping tone (meant to clip), and
// low-bit-rate speech that clips now and then.
TEST(DecoderMP3Clipping, fixtures_and_corpus_files_stay_within_a_step_of_libmad)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(test::fixture("mp3")))
        files.push_back(entry.path());
    if (!test::corpus_dir().empty())
        for (const auto& entry : std::filesystem::directory_iterator(test::corpus_dir()))
            files.push_back(entry.path());
    for (const std::filesystem::path& path : files) {
        test::Samples got = decode(path).samples;
        if (got.empty())
            continue; // not an MP3 stream, or one the player refuses
        SCOPED_TRACE(path.filename().string());
        Reference reference = libmad_reference(path);
        std::string name = path.filename().string();
        EXPECT_TRUE(
            name != "mpeg25_8k_mono_clipping.mp3" || reference.clipped > reference.samples.size() / 4);
        EXPECT_TRUE(name != "mp3_mpeg25_8k_mono_40s.mp3" || reference.clipped > 0);
        expect_within_a_step_of_libmad(got, reference);
    }
}
