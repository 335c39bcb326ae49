#include "audio/decoder_mp3.h"
#include "audio/file_reader_mp3.h"
#include "audio/play_chain_mp3.h"
#include "mp3_test_util.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using audio::DecoderMP3;

namespace {

constexpr int32_t one = 0x10000000; // 1.0 in libmad's fixed point

std::vector<int16_t> convert(const std::vector<int32_t>& left, const std::vector<int32_t>* right = nullptr)
{
    std::vector<uint8_t> bytes(left.size() * (right ? 4 : 2), 0xAA);
    audio::to_pcm(bytes.data(), uint32_t(left.size()), left.data(), right ? right->data() : nullptr);
    std::vector<int16_t> out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(int16_t(uint16_t(bytes[i] | bytes[i + 1] << 8)));
    return out;
}

std::unique_ptr<audio::PlayChainMP3> open_chain(const std::filesystem::path& path)
{
    std::u16string name = test::u16(path);
    auto chain
        = std::make_unique<audio::PlayChainMP3>(u"mp3", std::make_unique<audio::FileReaderMP3>(name), name);
    return chain;
}

mp3test::Decoded decode_file(const std::filesystem::path& path)
{
    auto chain = open_chain(path);
    EXPECT_TRUE(chain->get_reader().is_open()) << path;
    return mp3test::pull_all(chain->get_provider());
}

// How well one channel matches a sine of the given frequency over [from, to) seconds: the sine's
// amplitude and phase are fitted (so any decoder delay is allowed), and the residual is what the
// fit leaves, both relative to full scale.
struct SineFit {
    double amplitude = 0;
    double residual = 0;
};

SineFit fit_sine(const mp3test::Decoded& d, int channel, double frequency, double from, double to)
{
    size_t first = size_t(from * d.sample_rate);
    size_t last = std::min(d.frames(), size_t(to * d.sample_rate));
    double w = 2 * std::numbers::pi * frequency / d.sample_rate;
    double s = 0, c = 0;
    for (size_t n = first; n < last; ++n) {
        double x = d.samples[n * size_t(d.channels) + size_t(channel)] / 32768.0;
        s += x * std::sin(w * double(n));
        c += x * std::cos(w * double(n));
    }
    double count = double(last - first);
    double a = 2 * s / count;
    double b = 2 * c / count;
    double error = 0;
    for (size_t n = first; n < last; ++n) {
        double x = d.samples[n * size_t(d.channels) + size_t(channel)] / 32768.0;
        double e = x - (a * std::sin(w * double(n)) + b * std::cos(w * double(n)));
        error += e * e;
    }
    return {std::hypot(a, b), std::sqrt(error / count)};
}

struct SourceCase {
    const char* name;
    int32_t sample_rate;
    int32_t channels;
    double max_residual;
};

} // namespace

TEST(ToPcm, keeps_exact_values_and_writes_little_endian)
{
    std::vector<int32_t> in = {0, 0x2000, -0x2000, 0x123 << 13, -one, one / 2};
    std::vector<int16_t> out = convert(in);
    EXPECT_EQ(out, (std::vector<int16_t> {0, 1, -1, 0x123, -32768, 16384}));
    std::vector<uint8_t> bytes(2);
    int32_t value = 0x0123 << 13;
    audio::to_pcm(bytes.data(), 1, &value, nullptr);
    EXPECT_EQ(bytes[0], 0x23);
    EXPECT_EQ(bytes[1], 0x01);
}

TEST(ToPcm, feeds_the_quantisation_error_into_the_next_sample)
{
    // Half a step each: without error feedback all would be 0.
    EXPECT_EQ(convert({0x1000, 0x1000, 0x1000, 0x1000}), (std::vector<int16_t> {0, 1, 0, 1}));
    // Below zero the cleared bits round down, and the error carries back up.
    EXPECT_EQ(convert({-0x1000, -0x1000, -0x1000, -0x1000}), (std::vector<int16_t> {-1, 0, -1, 0}));
    // A quarter step: one in four.
    EXPECT_EQ(convert({0x800, 0x800, 0x800, 0x800, 0x800}), (std::vector<int16_t> {0, 0, 0, 1, 0}));
}

TEST(ToPcm, the_error_starts_at_zero_on_every_call)
{
    EXPECT_EQ(convert({0x1000}), (std::vector<int16_t> {0}));
    EXPECT_EQ(convert({0x1000}), (std::vector<int16_t> {0}));
}

TEST(ToPcm, clips_and_carries_the_overshoot)
{
    // 1.0 clips to the largest value below it; the overshoot of 0x2000 reaches the next sample.
    EXPECT_EQ(convert({one, 0}), (std::vector<int16_t> {32767, 1}));
    // -1.0 is exact; beyond it the overshoot is carried the other way.
    EXPECT_EQ(convert({-one, 0}), (std::vector<int16_t> {-32768, 0}));
    EXPECT_EQ(convert({-one - 0x4000, 0, 0}), (std::vector<int16_t> {-32768, -2, 0}));
    EXPECT_EQ(convert({2 * one, 0, 0}), (std::vector<int16_t> {32767, 32767, 2}));
}

TEST(ToPcm, long_overloads_do_not_wrap_around)
{
    std::vector<int32_t> loud(3000, std::numeric_limits<int32_t>::max());
    for (int16_t v : convert(loud))
        ASSERT_EQ(v, 32767);
    std::vector<int32_t> low(3000, std::numeric_limits<int32_t>::min());
    for (int16_t v : convert(low))
        ASSERT_EQ(v, -32768);
}

TEST(ToPcm, channels_interleave_and_keep_their_own_error)
{
    std::vector<int32_t> left = {0x1000, 0x1000, 0x1000, 0x1000};
    std::vector<int32_t> right = {-0x2000, 0, 0x4000, one};
    EXPECT_EQ(convert(left, &right), (std::vector<int16_t> {0, -1, 1, 0, 0, 2, 1, 32767}));
}

TEST(DecoderMP3, decode_frame_reports_its_result_codes)
{
    DecoderMP3 decoder;
    test::Bytes frame = mp3test::cat({mp3test::frame_bytes({}, 417), test::Bytes(100, 0)});
    std::vector<uint8_t> out(1152 * 4);
    uint32_t consumed = 0, produced = 0;
    EXPECT_EQ(decoder.decode_frame(
                  frame.data(), uint32_t(frame.size()), out.data(), uint32_t(out.size()), consumed, produced),
        DecoderMP3::Decoded);
    EXPECT_EQ(consumed, 417u);
    EXPECT_EQ(produced, 1152u * 4);
    EXPECT_EQ(decoder.decode_frame(frame.data(), 417, out.data(), uint32_t(out.size()), consumed, produced),
        DecoderMP3::NeedMoreInput)
        << "no guard bytes after the frame";
    EXPECT_EQ(
        decoder.decode_frame(frame.data(), uint32_t(frame.size()), out.data(), 1000, consumed, produced),
        DecoderMP3::OutputTooSmall);
    test::Bytes garbage(600, 0x11);
    EXPECT_EQ(decoder.decode_frame(garbage.data(), uint32_t(garbage.size()), out.data(), uint32_t(out.size()),
                  consumed, produced),
        DecoderMP3::RecoverableError);
    EXPECT_EQ(decoder.decode_frame(nullptr, 0, out.data(), uint32_t(out.size()), consumed, produced),
        DecoderMP3::FatalError);
    EXPECT_EQ(produced, 0u);
}

TEST(DecoderMP3, silent_hand_made_frames_decode_to_zeros_in_whole_frames)
{
    test::TempDir dir;
    test::write_file(dir.native("silence.mp3"), mp3test::plain_frames(6));
    mp3test::Decoded d = decode_file(dir.native("silence.mp3"));
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.sample_rate, 44100);
    EXPECT_EQ(d.frames(), 6u * 1152);
    for (int16_t v : d.samples)
        ASSERT_EQ(v, 0);
}

TEST(DecoderMP3, decoded_audio_matches_the_source_signal)
{
    // The fixtures hold 0.6 s of a 440 Hz sine (left or mono) and a 1000 Hz sine (right) at half
    // of full scale; the window leaves out the encoder's delay and the start and end of the tone.
    const SourceCase cases[] = {
        {"mp3/mpeg1_44k_stereo_cbr128.mp3", 44100, 2, 0.002},
        {"mp3/mpeg1_32k_mono_cbr64.mp3", 32000, 1, 0.002},
        {"mp3/mpeg2_22k_mono_vbr.mp3", 22050, 1, 0.02},
        {"mp3/mpeg2_16k_stereo_cbr32.mp3", 16000, 2, 0.005},
        {"mp3/mpeg25_12k_stereo_cbr24.mp3", 12000, 2, 0.005},
        {"mp3/mpeg25_8k_mono_cbr16.mp3", 8000, 1, 0.005},
        {"mp3/mpeg1_layer2_48k_stereo.mp2", 48000, 2, 0.002},
        {"mp3/mpeg2_layer2_16k_mono.mp2", 16000, 1, 0.005},
    };
    for (const SourceCase& c : cases) {
        SCOPED_TRACE(c.name);
        mp3test::Decoded d = decode_file(test::fixture(c.name));
        ASSERT_EQ(d.sample_rate, c.sample_rate);
        ASSERT_EQ(d.channels, c.channels);
        EXPECT_TRUE(d.same_format);
        EXPECT_GE(d.frames(), size_t(0.6 * c.sample_rate));
        EXPECT_LE(d.frames(), size_t(0.6 * c.sample_rate) + 3 * 1152);
        for (int channel = 0; channel < c.channels; ++channel) {
            SineFit fit = fit_sine(d, channel, channel == 0 ? 440.0 : 1000.0, 0.2, 0.55);
            EXPECT_NEAR(fit.amplitude, 0.5, 0.05) << "channel " << channel;
            EXPECT_LT(fit.residual, c.max_residual) << "channel " << channel;
        }
    }
}

TEST(DecoderMP3, every_sample_rate_of_the_format_gives_sound)
{
    // 12000, 16000 and 32000 Hz are as playable as the other six rates.
    for (const char* name : {"mp3/mpeg25_12k_stereo_cbr24.mp3", "mp3/mpeg2_16k_stereo_cbr32.mp3",
             "mp3/mpeg1_32k_mono_cbr64.mp3"}) {
        SCOPED_TRACE(name);
        mp3test::Decoded d = decode_file(test::fixture(name));
        int peak = 0;
        for (int16_t v : d.samples)
            peak = std::max(peak, std::abs(int(v)));
        EXPECT_GT(peak, 12000);
    }
}

TEST(DecoderMP3, playback_after_a_seek_picks_up_the_signal_again)
{
    auto chain = open_chain(test::fixture("mp3/mpeg1_44k_stereo_cbr128.mp3"));
    chain->get_reader().seek_position(chain->get_reader().length() / 2);
    mp3test::Decoded d = mp3test::pull_all(chain->get_provider());
    ASSERT_GT(d.frames(), 4000u);
    // Frames whose bit reservoir was lost by the seek are skipped, the rest is the tone.
    SineFit fit = fit_sine(d, 0, 440.0, 0.0, double(d.frames() - 3000) / d.sample_rate);
    EXPECT_NEAR(fit.amplitude, 0.5, 0.05);
}

TEST(DecoderMP3, damaged_frames_are_skipped_and_the_rest_plays)
{
    mp3test::Decoded whole = decode_file(test::fixture("mp3/mpeg1_44k_stereo_cbr128.mp3"));
    mp3test::Decoded damaged = decode_file(test::fixture("mp3/corrupt.mp3"));
    EXPECT_GT(damaged.frames(), whole.frames() / 2);
    EXPECT_LT(damaged.frames(), whole.frames());
    mp3test::Decoded cut = decode_file(test::fixture("mp3/truncated.mp3"));
    EXPECT_GT(cut.frames(), 8u * 1152);
    EXPECT_LT(cut.frames(), whole.frames());
}

TEST(DecoderMP3, blocks_that_are_no_frames_decode_to_nothing)
{
    struct Feeder : audio::Provider<audio::MP3Data> {
        std::vector<audio::MP3Data> blocks;
        audio::MP3Data get_block(int32_t) override
        {
            if (blocks.empty())
                return {};
            audio::MP3Data next = blocks.front();
            blocks.erase(blocks.begin());
            return next;
        }
    };
    Feeder feeder;
    test::Bytes tiny = {0xFF, 0xFB};
    test::Bytes free_format = mp3test::frame_bytes({mp3test::MPEG1, 3, 0}, 2000);
    test::Bytes good = mp3test::frame_bytes({}, 2000);
    feeder.blocks.push_back({liba::DataBuffer::copy_of(tiny.data(), 2), 2});
    feeder.blocks.push_back({liba::DataBuffer::copy_of(free_format.data(), 2000), 417});
    feeder.blocks.push_back({liba::DataBuffer::copy_of(good.data(), 2000), 417});
    DecoderMP3 decoder;
    feeder.connect(&decoder);
    audio::PCMData pcm = decoder.get_block(100000);
    // The first two are skipped; the good frame comes out whole.
    EXPECT_EQ(pcm.frames(), 1152u);
    EXPECT_EQ(pcm.sample_rate, 44100);
    EXPECT_TRUE(decoder.get_block(100000).empty());
    feeder.connect(nullptr);
}
