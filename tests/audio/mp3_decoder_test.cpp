#include "audio/decoder_mp3.h"
#include "audio/file_reader_mp3.h"
#include "audio/play_chain_mp3.h"
#include "mp3_test_util.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

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

std::unique_ptr<audio::PlayChainMP3> open_chain(const std::filesystem::path& path)
{
    std::u16string name = test::u16(path);
    return std::make_unique<audio::PlayChainMP3>(u"mp3", std::make_unique<audio::FileReaderMP3>(name), name);
}

test::Decoded decode_file(const std::filesystem::path& path)
{
    return test::decode_all(open_chain(path)->get_provider(), 4096);
}

// Fits a sine of the given frequency (amplitude and phase free, so any decoder delay is allowed)
// to one channel over [from, to) seconds. Returns its amplitude and the RMS of what the fit
// leaves, both relative to full scale.
std::pair<double, double> fit_sine(
    const test::Decoded& d, int channel, double frequency, double from, double to)
{
    size_t first = size_t(from * d.sample_rate);
    size_t last = std::min(size_t(d.frames), size_t(to * d.sample_rate));
    double w = 2 * std::numbers::pi * frequency / d.sample_rate;
    auto x = [&](size_t n) { return d.samples[n * size_t(d.channels) + size_t(channel)] / 32768.0; };
    double s = 0, c = 0, count = double(last - first), error = 0;
    for (size_t n = first; n < last; ++n) {
        s += x(n) * std::sin(w * double(n));
        c += x(n) * std::cos(w * double(n));
    }
    double a = 2 * s / count, b = 2 * c / count;
    for (size_t n = first; n < last; ++n)
        error += std::pow(x(n) - a * std::sin(w * double(n)) - b * std::cos(w * double(n)), 2);
    return {std::hypot(a, b), std::sqrt(error / count)};
}

} // namespace

TEST(ToPcm, quantises_with_error_feedback_per_channel)
{
    EXPECT_EQ(convert({0, 0x2000, -0x2000, 0x123 << 13, -one, one / 2}),
        (Samples {0, 1, -1, 0x123, -32768, 16384}));
    std::vector<uint8_t> bytes(2);
    int32_t value = 0x0123 << 13;
    audio::to_pcm(bytes.data(), 1, &value, nullptr);
    EXPECT_EQ(bytes, (std::vector<uint8_t> {0x23, 0x01})) << "little-endian";
    // Half and quarter steps come out on average; without feedback they would all be 0.
    EXPECT_EQ(convert({0x1000, 0x1000, 0x1000, 0x1000}), (Samples {0, 1, 0, 1}));
    EXPECT_EQ(convert({-0x1000, -0x1000, -0x1000, -0x1000}), (Samples {-1, 0, -1, 0}));
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
    EXPECT_EQ(convert({2 * one, 0, 0}), (Samples {32767, 0, 0}));
    EXPECT_EQ(convert({-one - 0x4000, 0, 0}), (Samples {-32768, 0, 0}));
    EXPECT_EQ(convert({-one, -0x1000, -0x1000}), (Samples {-32768, -1, 0}));
    // A sample that the carried error pushes over full scale clips as well.
    EXPECT_EQ(convert({one - 0x1000, one - 0x1000, 0}), (Samples {32767, 32767, 0}));
    EXPECT_EQ(convert(std::vector<int32_t>(3000, std::numeric_limits<int32_t>::max())), Samples(3000, 32767));
    EXPECT_EQ(
        convert(std::vector<int32_t>(3000, std::numeric_limits<int32_t>::min())), Samples(3000, -32768));
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

TEST(DecoderMP3, every_sample_rate_decodes_to_the_source_signal)
{
    // The fixtures hold 0.6 s of a 440 Hz sine (left or mono) and a 1000 Hz sine (right) at half
    // of full scale; the window leaves out the encoder's delay and the ends of the tone. 12, 16 and
    // 32 kHz are among them.
    struct Case {
        const char* name;
        int32_t sample_rate, channels;
        double max_residual;
    };
    const Case cases[] = {
        {"mp3/mpeg1_44k_stereo_cbr128.mp3", 44100, 2, 0.002},
        {"mp3/mpeg1_32k_mono_cbr64.mp3", 32000, 1, 0.002},
        {"mp3/mpeg2_22k_mono_vbr.mp3", 22050, 1, 0.02},
        {"mp3/mpeg2_16k_stereo_cbr32.mp3", 16000, 2, 0.005},
        {"mp3/mpeg25_12k_stereo_cbr24.mp3", 12000, 2, 0.005},
        {"mp3/mpeg25_8k_mono_cbr16.mp3", 8000, 1, 0.005},
        {"mp3/mpeg1_layer2_48k_stereo.mp2", 48000, 2, 0.002},
        {"mp3/mpeg2_layer2_16k_mono.mp2", 16000, 1, 0.005},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::Decoded d = decode_file(test::fixture(c.name));
        ASSERT_EQ(d.sample_rate, c.sample_rate);
        ASSERT_EQ(d.channels, c.channels);
        EXPECT_TRUE(!d.ragged);
        EXPECT_GE(size_t(d.frames), size_t(0.6 * c.sample_rate));
        EXPECT_LE(size_t(d.frames), size_t(0.6 * c.sample_rate) + 3 * 1152);
        for (int channel = 0; channel < c.channels; ++channel) {
            auto [amplitude, residual] = fit_sine(d, channel, channel == 0 ? 440.0 : 1000.0, 0.2, 0.55);
            EXPECT_NEAR(amplitude, 0.5, 0.05) << "channel " << channel;
            EXPECT_LT(residual, c.max_residual) << "channel " << channel;
        }
    }
}

TEST(DecoderMP3, seeks_and_damage_cost_frames_but_the_rest_plays)
{
    auto chain = open_chain(test::fixture("mp3/mpeg1_44k_stereo_cbr128.mp3"));
    chain->get_reader().seek_position(chain->get_reader().length() / 2);
    test::Decoded after_seek = test::decode_all(chain->get_provider(), 4096);
    ASSERT_GT(size_t(after_seek.frames), 4000u);
    auto [amplitude, residual]
        = fit_sine(after_seek, 0, 440.0, 0.0, (size_t(after_seek.frames) - 3000.0) / 44100);
    EXPECT_NEAR(amplitude, 0.5, 0.05);
    size_t whole = size_t(decode_file(test::fixture("mp3/mpeg1_44k_stereo_cbr128.mp3")).frames);
    for (const char* name : {"mp3/corrupt.mp3", "mp3/truncated.mp3"}) {
        size_t frames = size_t(decode_file(test::fixture(name)).frames);
        EXPECT_GT(frames, whole / 3) << name;
        EXPECT_LT(frames, whole) << name;
    }
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
