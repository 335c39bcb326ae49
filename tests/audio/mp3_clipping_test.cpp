// The MP3 decoder's 16-bit output against libmad's own: a clipped sample must not disturb the
// samples after it, and files that never clip decode exactly as they always did.

#include "audio/play_chain.h"
#include "mp3_test_util.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <mad.h>
#include <string>

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

// FNV-1a over the samples as little-endian bytes.
uint64_t checksum(const test::Samples& samples)
{
    uint64_t hash = 0xcbf29ce484222325u;
    for (int16_t s : samples)
        for (uint8_t byte : {uint8_t(s), uint8_t(uint16_t(s) >> 8)})
            hash = (hash ^ byte) * 0x100000001b3u;
    return hash;
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

TEST(DecoderMP3Clipping, a_clipped_sample_leaves_the_next_ones_alone)
{
    std::filesystem::path path = test::fixture("mp3/mpeg25_8k_mono_clipping.mp3");
    Reference reference = libmad_reference(path);
    EXPECT_GT(reference.clipped, reference.samples.size() / 4) << "the tone is meant to clip";
    expect_within_a_step_of_libmad(decode(path).samples, reference);
}

TEST(DecoderMP3Clipping, corpus_files_stay_within_a_step_of_libmad)
{
    SKIP_WITHOUT_CORPUS();
    bool speech_clips = false; // low-bit-rate speech that clips now and then
    for (const auto& entry : std::filesystem::directory_iterator(test::corpus_dir())) {
        test::Samples got = decode(entry.path()).samples;
        if (got.empty())
            continue; // not an MP3 stream, or one the player refuses
        SCOPED_TRACE(entry.path().filename().string());
        Reference reference = libmad_reference(entry.path());
        if (entry.path().filename() == "mp3_mpeg25_8k_mono_40s.mp3")
            speech_clips = reference.clipped > 0;
        expect_within_a_step_of_libmad(got, reference);
    }
    EXPECT_TRUE(speech_clips);
}

TEST(DecoderMP3Clipping, fixtures_that_never_clip_decode_as_they_always_did)
{
    // Checksums of the samples these fixtures decode to: how clipped samples are converted must not
    // touch a single sample of a file that never clips.
    struct Case {
        const char* name;
        size_t samples;
        uint64_t checksum;
    };
    const Case cases[] = {
        {"corrupt.mp3", 36864, 0x2f8fe26ff90b2f22u},
        {"id3v1_title.mp3", 27648, 0xd3ccc729bc7b3639u},
        {"id3v2_title.mp3", 14400, 0x9b4d7b36b6d0210au},
        {"mpeg1_32k_mono_cbr64.mp3", 21888, 0xde93f57a6135515bu},
        {"mpeg1_44k_stereo_cbr128.mp3", 57600, 0x56a6675c3d87d21cu},
        {"mpeg1_layer2_48k_stereo.mp2", 57600, 0xa2c4d49d38c6a478u},
        {"mpeg25_12k_stereo_cbr24.mp3", 17280, 0x6961c941c0c9ead6u},
        {"mpeg25_8k_mono_cbr16.mp3", 6336, 0x13b976120be929f4u},
        {"mpeg2_16k_stereo_cbr32.mp3", 21888, 0x957f9844d05f24d7u},
        {"mpeg2_22k_mono_vbr.mp3", 14976, 0x4179cd759ad553a9u},
        {"mpeg2_layer2_16k_mono.mp2", 10368, 0xc22a5a878e96c44eu},
        {"truncated.mp3", 25344, 0x4b59163e82c7558fu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::path path = test::fixture(std::string("mp3/") + c.name);
        EXPECT_EQ(libmad_reference(path).clipped, 0u);
        test::Samples got = decode(path).samples;
        EXPECT_EQ(got.size(), c.samples);
        EXPECT_EQ(checksum(got), c.checksum);
    }
}
