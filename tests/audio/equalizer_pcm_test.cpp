#include "audio/equalizer_pcm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <complex>
#include <cstring>
#include <deque>
#include <thread>
#include <vector>

using audio::EqualizerPCM;
using audio::PCMData;

namespace {

constexpr int32_t full = EqualizerPCM::full_scale;
constexpr int32_t threshold = EqualizerPCM::limiter_threshold;

PCMData pcm16(const std::vector<int16_t>& samples, int32_t channels, int32_t rate)
{
    return {liba::DataBuffer::copy_of(samples.data(), uint32_t(samples.size() * 2)), channels, 16, rate};
}

PCMData pcm8(const std::vector<uint8_t>& samples, int32_t rate)
{
    return {liba::DataBuffer::copy_of(samples.data(), uint32_t(samples.size())), 1, 8, rate};
}

std::vector<int16_t> samples16(const PCMData& block)
{
    std::vector<int16_t> out(block.size() / 2);
    std::memcpy(out.data(), block.data.data(), out.size() * 2);
    return out;
}

// Hands out the queued blocks one per pull, then empty blocks.
class QueueSource : public audio::Provider<PCMData> {
public:
    std::deque<PCMData> blocks;
    PCMData get_block(int32_t) override
    {
        if (blocks.empty())
            return PCMData {};
        PCMData block = blocks.front();
        blocks.pop_front();
        return block;
    }
};

// An equalizer with a queue upstream and a plain consumer downstream, pulled as the player pulls;
// the band is set when an amplitude is given.
struct Rig {
    QueueSource source;
    EqualizerPCM eq;
    audio::Consumer<PCMData> sink;

    Rig(double frequency = 0, double width = 1, double amplitude = 0)
    {
        source.connect(&eq);
        eq.connect(&sink);
        if (amplitude != 0) {
            eq.set_frequency(frequency);
            eq.set_width(width);
            eq.set_amplitude(amplitude);
        }
    }
    PCMData run(const PCMData& in)
    {
        source.blocks.push_back(in);
        liba::ScopedLock guard(sink.lock());
        return sink.request(16384);
    }
};

// The band computed here from the textbook formulas, to check the stage against.
EqualizerPCM::Coefficients textbook(double f, double w, double g, double fs)
{
    double a = std::pow(10.0, g / 40.0);
    double w0 = 2.0 * M_PI * f / fs;
    double alpha = std::sin(w0) * std::sinh(std::log(2.0) / 2.0 * w);
    double a0 = 1.0 + alpha / a;
    auto q = [](double v) { return int64_t(v * 268435456.0); };
    return {q((1.0 + alpha * a) / a0), q(-2.0 * std::cos(w0) / a0), q((1.0 - alpha * a) / a0),
        q(-2.0 * std::cos(w0) / a0), q((1.0 - alpha / a) / a0)};
}

// One channel of the fixed-point biquad, for samples that stay well inside 32 bits.
struct ReferenceFilter {
    EqualizerPCM::Coefficients k;
    int64_t x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    int32_t step(int32_t x)
    {
        int64_t y = (k.b0 * x + k.b1 * x1 + k.b2 * x2 - k.a1 * y1 - k.a2 * y2) >> 28;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return int32_t(y);
    }
};

int16_t to16(int64_t working)
{
    return int16_t(std::clamp<int64_t>(working >> 12, -32768, 32767));
}

std::vector<int16_t> sine16(uint32_t frames, int32_t channels, double hz, double rate, double level)
{
    std::vector<int16_t> out;
    for (uint32_t i = 0; i < frames; ++i)
        for (int32_t c = 0; c < channels; ++c)
            out.push_back(int16_t(std::lround(level * 32767.0 * std::sin(2.0 * M_PI * hz * i / rate + c))));
    return out;
}

} // namespace

TEST(EqualizerPCM, starts_switched_off_and_passes_blocks_sharing_their_data)
{
    Rig rig;
    EXPECT_EQ(rig.eq.frequency(), 0.0);
    EXPECT_EQ(rig.eq.width(), 1.0);
    EXPECT_EQ(rig.eq.amplitude(), 0.0);
    PCMData in = pcm16(sine16(1000, 2, 440, 44100, 0.5), 2, 44100);
    PCMData out = rig.run(in);
    EXPECT_TRUE(out.data.shares_storage_with(in.data));
    EXPECT_EQ(out.data.offset(), in.data.offset());
    EXPECT_EQ(out.size(), in.size());
    EXPECT_TRUE(out.same_format(in));
}

TEST(EqualizerPCM, amplitude_zero_passes_through_at_once_and_on_again_continues_the_delay_line)
{
    Rig rig(100, 1, 6);
    // 1000 Hz: 100 frames of delay. The first block's last 100 frames stay in the delay line.
    std::vector<int16_t> first(300, 0);
    first[250] = 1000;
    PCMData first_block = pcm16(first, 1, 1000);
    PCMData out = rig.run(first_block);
    EXPECT_FALSE(out.data.shares_storage_with(first_block.data));
    EXPECT_TRUE(out.same_format(first_block));

    rig.eq.set_amplitude(0.0);
    PCMData in = pcm16(std::vector<int16_t>(300, 7), 1, 1000);
    out = rig.run(in);
    EXPECT_TRUE(out.data.shares_storage_with(in.data));

    rig.eq.set_amplitude(6);
    out = rig.run(pcm16(std::vector<int16_t>(300, 0), 1, 1000));
    std::vector<int16_t> got = samples16(out);
    // Frame 250 of the first block comes out 50 frames into this one.
    EXPECT_EQ(got[49], 0);
    EXPECT_GT(got[50], 0);
}

TEST(EqualizerPCM, blocks_it_cannot_process_pass_through_unchanged)
{
    Rig rig(1000, 1, 6);
    std::vector<int16_t> six(600, 1000);
    struct Case {
        const char* name;
        PCMData block;
    };
    std::vector<Case> cases = {
        {"three channels", pcm16(six, 3, 44100)},
        {"24 bits", {liba::DataBuffer::copy_of(six.data(), 1200), 2, 24, 44100}},
        {"32 bits", {liba::DataBuffer::copy_of(six.data(), 1200), 2, 32, 44100}},
        {"12 bits", {liba::DataBuffer::copy_of(six.data(), 1200), 1, 12, 44100}},
        {"rate 0", pcm16(six, 2, 0)},
        {"negative rate", pcm16(six, 2, -44100)},
        {"rate above the maximum", pcm16(six, 2, EqualizerPCM::max_sample_rate + 1)},
        {"no channels", pcm16(six, 0, 44100)},
        {"less than a frame", {liba::DataBuffer::copy_of(six.data(), 3), 2, 16, 44100}},
        {"end of stream with format", {liba::DataBuffer {}, 2, 16, 44100}},
    };
    for (const Case& c : cases) {
        PCMData out = rig.run(c.block);
        EXPECT_TRUE(out.data.shares_storage_with(c.block.data) || c.block.empty()) << c.name;
        EXPECT_EQ(out.size(), c.block.size()) << c.name;
        EXPECT_TRUE(out.same_format(c.block)) << c.name;
    }
    EXPECT_EQ(rig.eq.delay_line_size(), 0u);
}

TEST(EqualizerPCM, without_a_provider_pulls_give_empty_blocks_without_format)
{
    EqualizerPCM eq;
    eq.set_amplitude(6);
    audio::Consumer<PCMData> sink;
    eq.connect(&sink);
    PCMData out = sink.request(4096);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(out.channels, 0);
    EXPECT_EQ(out.bits_per_sample, 0);
    EXPECT_EQ(out.sample_rate, 0);
}

TEST(EqualizerPCM, frequency_at_100_201_of_the_rate_passes_through)
{
    struct Case {
        double frequency;
        bool filtered;
    };
    // 48000 x 100/201 = 23880.597...
    for (Case c : {Case {24000, false}, Case {23881, false}, Case {23880, true}, Case {23800, true}}) {
        Rig rig(c.frequency, 1, 6);
        PCMData in = pcm16(sine16(2000, 2, 1000, 48000, 0.5), 2, 48000);
        PCMData out = rig.run(in);
        EXPECT_EQ(!out.data.shares_storage_with(in.data), c.filtered) << c.frequency;
        EXPECT_EQ(rig.eq.delay_line_size() > 0, c.filtered) << c.frequency;
        EXPECT_EQ(EqualizerPCM::compute_coefficients(c.frequency, 1, 6, 48000).has_value(), c.filtered)
            << c.frequency;
    }
}

TEST(EqualizerPCM, coefficients_follow_the_peaking_band_in_q28)
{
    struct Case {
        double f, w, g;
        int32_t fs;
    };
    for (Case c : {Case {80, 2, 8, 44100}, Case {1000, 1, -6, 48000}, Case {12000, 0.5, 12, 44100},
             Case {300, 3, 3, 8000}, Case {50, 0.1, -20, 22050}}) {
        auto got = EqualizerPCM::compute_coefficients(c.f, c.w, c.g, c.fs);
        ASSERT_TRUE(got) << c.f;
        EqualizerPCM::Coefficients want = textbook(c.f, c.w, c.g, c.fs);
        // Truncation of the scaled doubles may differ by one unit where the constants round apart.
        EXPECT_NEAR(got->b0, want.b0, 1) << c.f;
        EXPECT_NEAR(got->b1, want.b1, 1) << c.f;
        EXPECT_NEAR(got->b2, want.b2, 1) << c.f;
        EXPECT_NEAR(got->a1, want.a1, 1) << c.f;
        EXPECT_NEAR(got->a2, want.a2, 1) << c.f;
        EXPECT_EQ(got->a1, got->b1);

        // The band's response: unity at DC, the gain at the centre.
        auto response = [&](double omega) {
            std::complex<double> z1 = std::polar(1.0, -omega), z2 = z1 * z1;
            std::complex<double> num = double(got->b0) + double(got->b1) * z1 + double(got->b2) * z2;
            std::complex<double> den = 268435456.0 + double(got->a1) * z1 + double(got->a2) * z2;
            return std::abs(num / den);
        };
        EXPECT_NEAR(20 * std::log10(response(0.0)), 0.0, 0.01) << c.f;
        EXPECT_NEAR(20 * std::log10(response(2 * M_PI * c.f / c.fs)), c.g, 0.01) << c.f;
    }
}

TEST(EqualizerPCM, coefficients_are_refused_for_unstable_or_overflowing_bands)
{
    EXPECT_FALSE(EqualizerPCM::compute_coefficients(80, -1, 8, 44100));
    EXPECT_FALSE(EqualizerPCM::compute_coefficients(-80, 2, 8, 44100));
    EXPECT_FALSE(EqualizerPCM::compute_coefficients(NAN, 2, 8, 44100));
    EXPECT_FALSE(EqualizerPCM::compute_coefficients(80, NAN, 8, 44100));
    EXPECT_FALSE(EqualizerPCM::compute_coefficients(80, 2, NAN, 44100));
    EXPECT_FALSE(EqualizerPCM::compute_coefficients(80, 2, 1e9, 44100));
    EXPECT_FALSE(EqualizerPCM::compute_coefficients(80, 2, -1e9, 44100));
    EXPECT_FALSE(EqualizerPCM::compute_coefficients(80, 1e6, 8, 44100));
    // A wide +40 dB band needs a feed-forward gain of 100: refused; a narrow one is fine.
    EXPECT_FALSE(EqualizerPCM::compute_coefficients(5000, 8, 40, 44100));
    EXPECT_TRUE(EqualizerPCM::compute_coefficients(80, 0.1, 40, 44100));
    // Width 0 is the identity filter.
    auto identity = EqualizerPCM::compute_coefficients(1000, 0, 12, 44100);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->b0, 268435456);
    EXPECT_EQ(identity->b2, 268435456);
    EXPECT_EQ(identity->a2, 268435456);

    // A refused band lets blocks pass.
    Rig rig(80, -1, 8);
    PCMData in = pcm16(sine16(500, 1, 80, 44100, 0.5), 1, 44100);
    EXPECT_TRUE(rig.run(in).data.shares_storage_with(in.data));
}

TEST(EqualizerPCM, output_is_the_textbook_band_delayed_by_a_tenth_of_a_second)
{
    struct Case {
        const char* what;
        int32_t channels, rate;
        double f, w, g;
        std::vector<int16_t> stream;
        std::vector<uint32_t> blocks; // frames
        bool overshoots; // the boost goes past 16 bits: the output clamps, never wraps
    };
    std::vector<int16_t> impulses(2 * 2 * 16384, 0);
    impulses[2 * 100] = 3000;
    impulses[2 * 200 + 1] = -2000;
    impulses[2 * 16000] = 1500; // comes out in the second block
    impulses[2 * (16384 + 50) + 1] = 2500;
    std::vector<int16_t> saw(1600);
    for (size_t i = 0; i < saw.size(); ++i)
        saw[i] = int16_t((i * 37) % 2001) - 1000;
    const Case cases[] = {
        {"stereo 44100 Hz", 2, 44100, 1000, 1, 6, impulses, {16384, 16384}, false},
        {"delay line grown for a larger block keeps its content", 1, 1000, 200, 1, -6, saw,
            {50, 1000, 10, 540}, false},
        {"DC offset longer than the delay", 1, 44100, 80, 2, 12, std::vector<int16_t>(6 * 8192, 30000),
            std::vector<uint32_t>(6, 8192), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig(c.f, c.w, c.g);
        rig.eq.reset();
        std::vector<int16_t> got;
        size_t at = 0;
        for (uint32_t frames : c.blocks) {
            std::vector<int16_t> part(
                c.stream.begin() + long(at), c.stream.begin() + long(at + frames * c.channels));
            at += frames * size_t(c.channels);
            PCMData out = rig.run(pcm16(part, c.channels, c.rate));
            ASSERT_TRUE(out.same_format(pcm16({}, c.channels, c.rate)));
            std::vector<int16_t> more = samples16(out);
            ASSERT_EQ(more.size(), part.size());
            got.insert(got.end(), more.begin(), more.end());
        }
        size_t delay = size_t(c.rate / 10 * c.channels);
        for (size_t i = 0; i < delay; ++i)
            ASSERT_EQ(got[i], 0) << i;
        std::vector<ReferenceFilter> filters(
            size_t(c.channels), ReferenceFilter {textbook(c.f, c.w, c.g, c.rate)});
        int64_t highest = 0;
        for (size_t i = 0; i + delay < got.size(); ++i) {
            int64_t want = filters[i % size_t(c.channels)].step(c.stream[i] * 4096);
            highest = std::max(highest, want);
            ASSERT_EQ(got[i + delay], to16(want)) << "sample " << i;
        }
        EXPECT_EQ(highest >> 12 > 32767, c.overshoots);
    }
}

TEST(EqualizerPCM, mono_8_bit_uses_one_channel_state_and_comes_back_unsigned)
{
    Rig rig(500, 1.5, 9);
    // 8000 Hz: 800 frames of delay.
    std::vector<uint8_t> in(3000, 128);
    for (size_t i = 0; i < in.size(); i += 97)
        in[i] = uint8_t(128 + int(i % 5) * 10 - 20);
    PCMData out = rig.run(pcm8(in, 8000));
    EXPECT_EQ(out.bits_per_sample, 8);
    EXPECT_EQ(out.channels, 1);
    ASSERT_EQ(out.size(), in.size());
    const uint8_t* got = out.data.data();
    for (size_t i = 0; i < 800; ++i)
        ASSERT_EQ(got[i], 128) << i;
    ReferenceFilter filter {textbook(500, 1.5, 9, 8000)};
    for (size_t i = 0; i + 800 < in.size(); ++i) {
        int32_t y = filter.step((int32_t(in[i]) - 128) * 1048576);
        ASSERT_EQ(got[i + 800], uint8_t(std::clamp((y >> 20) + 128, 0, 255))) << i;
    }
}

TEST(EqualizerPCM, a_boost_past_the_working_range_clips_instead_of_wrapping)
{
    // At a quarter of the rate the band has no phase shift: output follows the input's sign.
    Rig rig(11025, 4, 29);
    std::vector<int16_t> in;
    for (int i = 0; i < 20000; ++i)
        in.push_back(i % 4 == 1 ? 32767 : i % 4 == 3 ? -32768 : 0);
    std::vector<int16_t> got = samples16(rig.run(pcm16(in, 1, 44100)));
    for (size_t i = 4410 + 1000; i < got.size(); ++i) {
        int16_t source = in[i - 4410];
        if (source > 0) {
            ASSERT_GT(got[i], 16384) << i;
        }
        if (source < 0) {
            ASSERT_LT(got[i], -16384) << i;
        }
    }
}

TEST(EqualizerPCM, format_change_drops_the_delay_line_content)
{
    struct Case {
        int32_t channels, rate;
    };
    for (Case next : {Case {2, 48000}, Case {1, 44100}}) {
        Rig rig(1000, 1, 6);
        rig.run(pcm16(std::vector<int16_t>(2 * 8000, 20000), 2, 44100));
        std::vector<int16_t> got = samples16(
            rig.run(pcm16(sine16(8000, next.channels, 500, next.rate, 0.3), next.channels, next.rate)));
        uint32_t delay = uint32_t(next.rate / 10 * next.channels);
        for (uint32_t i = 0; i < delay; ++i)
            ASSERT_EQ(got[i], 0) << next.rate << " " << i;
        EXPECT_NE(got[delay + 10], 0);
    }
}

TEST(EqualizerPCM, reset_forgets_filter_state_delay_line_and_limiter)
{
    auto setup = [](EqualizerPCM& eq) {
        eq.set_frequency(300);
        eq.set_width(2);
        eq.set_amplitude(10);
    };
    PCMData probe = pcm16(sine16(6000, 2, 300, 44100, 0.9), 2, 44100);

    Rig used;
    setup(used.eq);
    used.run(pcm16(sine16(6000, 2, 300, 44100, 0.95), 2, 44100));
    used.run(pcm16(sine16(3001, 2, 1000, 44100, 0.95), 2, 44100));
    used.eq.reset();
    EXPECT_EQ(used.eq.delay_line_size(), 0u);
    EXPECT_EQ(used.eq.limiter_position(0), 0);
    EXPECT_EQ(used.eq.limiter_position(1), 0);

    Rig fresh;
    setup(fresh.eq);
    EXPECT_EQ(samples16(used.run(probe)), samples16(fresh.run(probe)));
}

TEST(EqualizerPCM, setters_take_effect_on_the_next_block)
{
    Rig a, b;
    for (Rig* rig : {&a, &b}) {
        rig->eq.set_frequency(1000);
        rig->eq.set_amplitude(6);
        rig->run(pcm16(sine16(2000, 1, 1000, 8000, 0.3), 1, 8000));
    }
    b.eq.set_amplitude(-6);
    PCMData in = pcm16(sine16(2000, 1, 1000, 8000, 0.3), 1, 8000);
    std::vector<int16_t> out_a = samples16(a.run(in)), out_b = samples16(b.run(in));
    // The first 800 frames were filtered before the change; the rest differ.
    EXPECT_TRUE(std::equal(out_a.begin(), out_a.begin() + 800, out_b.begin()));
    EXPECT_FALSE(std::equal(out_a.begin() + 800, out_a.end(), out_b.begin() + 800));
}

TEST(EqualizerPCM, push_path_delivers_the_processed_block_downstream)
{
    struct Recorder : audio::Consumer<PCMData> {
        std::vector<PCMData> blocks;
        void on_data(const PCMData& block) override { blocks.push_back(block); }
    };
    EqualizerPCM eq;
    Recorder recorder;
    eq.connect(&recorder);
    eq.set_frequency(1000);
    eq.set_amplitude(6);
    eq.on_data(pcm16(std::vector<int16_t>(2000, 1000), 1, 8000));
    ASSERT_EQ(recorder.blocks.size(), 1u);
    std::vector<int16_t> got = samples16(recorder.blocks[0]);
    ASSERT_EQ(got.size(), 2000u);
    EXPECT_EQ(got[799], 0);
    EXPECT_NE(got[800], 0);
}

// The limiter on its own, over working-scale samples.

namespace {

// A positive half-wave (sine arch) of n samples peaking at peak, then one negative sample.
std::vector<int32_t> arch(int32_t n, double peak)
{
    std::vector<int32_t> out;
    for (int32_t i = 0; i < n; ++i)
        out.push_back(int32_t(std::lround(peak * std::sin(M_PI * (i + 1) / (n + 1)))));
    out.push_back(-1000);
    return out;
}

int32_t highest(const std::vector<int32_t>& v)
{
    return *std::max_element(v.begin(), v.end());
}

} // namespace

TEST(EqualizerPCMLimiter, pulls_a_loud_half_wave_half_way_to_the_threshold)
{
    std::vector<int32_t> wave = arch(101, 0.9 * full);
    int32_t peak = highest(wave);
    std::vector<int32_t> before = wave;
    EXPECT_EQ(EqualizerPCM::limit_channel(wave.data(), 1, 0, 0, int32_t(wave.size())), 101);
    int64_t target = (int64_t(peak) + threshold) / 2;
    EXPECT_EQ(highest(wave), target);
    EXPECT_NEAR(double(highest(wave)) / full, 0.825, 1e-6);
    for (size_t i = 0; i < 101; ++i)
        ASSERT_EQ(wave[i], int64_t(before[i]) * target / peak) << i;
    EXPECT_EQ(wave[101], -1000) << "the next half-wave is incomplete and untouched";
}

TEST(EqualizerPCMLimiter, never_goes_past_full_scale_and_keeps_quiet_half_waves)
{
    std::vector<int32_t> wave = arch(51, 1.5 * full);
    for (int32_t i = 0; i < 51; ++i)
        wave.push_back(-wave[size_t(i)]);
    wave.push_back(0);
    EqualizerPCM::limit_channel(wave.data(), 1, 0, 0, int32_t(wave.size()));
    EXPECT_EQ(highest(wave), full - 1);
    EXPECT_EQ(*std::min_element(wave.begin(), wave.end()), -full);
    for (double level : {0.7, 0.75}) {
        std::vector<int32_t> quiet = arch(101, level * full);
        quiet.push_back(0);
        std::vector<int32_t> before = quiet;
        EqualizerPCM::limit_channel(quiet.data(), 1, 0, 0, int32_t(quiet.size()));
        EXPECT_EQ(quiet, before) << level;
    }
}

TEST(EqualizerPCMLimiter, limits_closed_half_waves_of_one_channel_at_the_boundaries)
{
    const int32_t big = 130000000, mid = 120000000;
    auto half_way = [](int64_t peak) { return int32_t((peak + threshold) / 2); };
    struct Case {
        const char* what;
        std::vector<int32_t> in;
        int32_t channels, channel, frames, returned;
        std::vector<int32_t> out;
    };
    const Case cases[] = {
        {"full scale itself is pulled half way", {full, 0}, 1, 0, 2, 2, {half_way(full), 0}},
        {"only beyond it is the target full scale", {-full - 1, 0}, 1, 0, 2, 2, {-full, 0}},
        {"just above the threshold", {threshold + 1, 0}, 1, 0, 2, 2, {threshold, 0}},
        {"the full 32-bit range: 64-bit products", {INT32_MAX, INT32_MIN, INT32_MIN, 5, 0}, 1, 0, 5, 5,
            {full - 1, -full, -full, 5, 0}},
        // The zeros end at the rising sample; the loud run may go on.
        {"an open half-wave waits", {0, 0, mid, big, 110000000}, 1, 0, 5, 2, {0, 0, mid, big, 110000000}},
        {"a zero after a run belongs to it and ending on zero closes it", {mid, big, 0, 0}, 1, 0, 4, 4,
            {int32_t(int64_t(mid) * half_way(big) / big), half_way(big), 0, 0}},
        {"a zero then a negative sample starts a new half-wave", {-mid, 0, -big, 5}, 1, 0, 4, 3,
            {-half_way(mid), 0, -half_way(big), 5}},
        // Channel 0 loud and complete, channel 1 loud and still rising.
        {"interleaved channel 0", {mid, 125000000, big, 126000000, -5, 127000000}, 2, 0, 3, 2,
            {int32_t(int64_t(mid) * half_way(big) / big), 125000000, half_way(big), 126000000, -5,
                127000000}},
        {"interleaved channel 1", {mid, 125000000, big, 126000000, -5, 127000000}, 2, 1, 3, 0,
            {mid, 125000000, big, 126000000, -5, 127000000}},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> samples = c.in;
        EXPECT_EQ(EqualizerPCM::limit_channel(samples.data(), c.channels, c.channel, 0, c.frames), c.returned)
            << c.what;
        EXPECT_EQ(samples, c.out) << c.what;
    }
}

TEST(EqualizerPCM, a_half_wave_across_two_blocks_is_limited_with_its_whole_peak)
{
    // Width 0 makes the band an exact identity, so only the limiter changes samples.
    Rig rig(100, 0, 6);
    // 1000 Hz: 100 frames of delay. A positive half-wave over stream frames 50..249 whose peak
    // (0.9 of full scale) lies in the second block, then a quiet negative one.
    std::vector<int16_t> stream(400, 0);
    for (int i = 50; i < 250; ++i)
        stream[size_t(i)] = int16_t(std::lround(0.9 * 32767 * std::sin(M_PI * (i - 49) / 201.0)));
    for (int i = 250; i < 400; ++i)
        stream[size_t(i)] = -3000;
    std::vector<int16_t> first(stream.begin(), stream.begin() + 120),
        second(stream.begin() + 120, stream.end());
    std::vector<int16_t> got = samples16(rig.run(pcm16(first, 1, 1000)));
    // Stream frame 50 sits at line frame 50 + 100 - 120 once the first block has gone out.
    EXPECT_EQ(rig.eq.limiter_position(0), 30) << "the open half-wave waits for the next block";
    std::vector<int16_t> more = samples16(rig.run(pcm16(second, 1, 1000)));
    got.insert(got.end(), more.begin(), more.end());

    int64_t peak = 0;
    for (int16_t s : stream)
        peak = std::max<int64_t>(peak, s * 4096);
    ASSERT_GT(peak, threshold);
    int64_t target = (peak + threshold) / 2;
    for (size_t i = 0; i < 100; ++i)
        ASSERT_EQ(got[i], 0);
    for (size_t i = 0; i + 100 < got.size(); ++i) {
        int64_t v = stream[i] * 4096;
        int64_t want = (i >= 50 && i < 250) ? v * target / peak : v;
        ASSERT_EQ(got[i + 100], to16(want)) << i;
    }
}

// Concurrency: the player's thread pulls through the equalizer while the UI thread changes the
// band, resets, and finally unlinks and deletes the chain upstream.

namespace {

// A sine of 16-bit stereo at 44100 Hz, block by block.
class SineSource : public audio::Provider<PCMData> {
public:
    PCMData get_block(int32_t max) override
    {
        uint32_t frames = uint32_t(std::clamp(max, 1, 4096));
        std::vector<int16_t> samples;
        for (uint32_t i = 0; i < frames; ++i, ++m_frame) {
            auto s = int16_t(std::lround(30000 * std::sin(2 * M_PI * 440 * double(m_frame) / 44100)));
            samples.push_back(s);
            samples.push_back(int16_t(-s));
        }
        return pcm16(samples, 2, 44100);
    }

private:
    uint64_t m_frame = 0;
};

} // namespace

TEST(EqualizerPCMConcurrency, pulls_survive_setters_resets_and_the_chain_being_deleted)
{
    EqualizerPCM eq;
    audio::Consumer<PCMData> player;
    eq.connect(&player);
    auto* source = new SineSource;
    source->connect(&eq);
    eq.set_frequency(80);
    eq.set_width(2);
    eq.set_amplitude(8);

    std::atomic<int> pulls {0};
    std::atomic<bool> deleted {false}, done {false};
    std::atomic<int> empty_after_delete {0}, full_after_delete {0};

    std::thread puller([&] {
        int after = 0;
        while (after < 50) {
            bool was_deleted = deleted.load();
            PCMData block;
            {
                liba::ScopedLock guard(player.lock());
                block = player.request(int32_t(500 + pulls.load() % 3000));
            }
            pulls.fetch_add(1);
            if (was_deleted) {
                ++after;
                (block.empty() ? empty_after_delete : full_after_delete).fetch_add(1);
            } else if (!block.empty()) {
                EXPECT_EQ(block.channels, 2);
                EXPECT_EQ(block.bits_per_sample, 16);
            }
        }
        done.store(true);
    });
    std::thread ui([&] {
        for (int i = 0; !done.load(); ++i) {
            eq.set_frequency(60 + i % 200);
            eq.set_width(0.5 + (i % 7) * 0.5);
            eq.set_amplitude(i % 11 == 0 ? 0.0 : -12 + i % 25);
            if (i % 5 == 0)
                eq.reset();
            (void)eq.delay_line_size();
            std::this_thread::yield();
        }
    });
    std::thread chain([&] {
        while (pulls.load() < 200)
            std::this_thread::yield();
        source->connect(nullptr);
        delete source;
        deleted.store(true);
    });

    chain.join();
    puller.join();
    ui.join();
    EXPECT_EQ(empty_after_delete.load(), 50);
    EXPECT_EQ(full_after_delete.load(), 0);
    EXPECT_EQ(eq.provider(), nullptr);
}

TEST(EqualizerPCMConcurrency, deleting_the_equalizer_unlinks_it_from_the_player)
{
    audio::Consumer<PCMData> player;
    SineSource source;
    std::atomic<bool> stop {false};
    std::atomic<int> pulls {0};
    auto* eq = new EqualizerPCM;
    eq->set_amplitude(6);
    eq->set_frequency(1000);
    source.connect(eq);
    eq->connect(&player);
    std::thread puller([&] {
        while (!stop.load()) {
            liba::ScopedLock guard(player.lock());
            (void)player.request(1024);
            pulls.fetch_add(1);
        }
    });
    while (pulls.load() < 20)
        std::this_thread::yield();
    delete eq;
    EXPECT_EQ(player.provider(), nullptr);
    EXPECT_EQ(source.consumer(), nullptr);
    int seen = pulls.load();
    while (pulls.load() < seen + 20)
        std::this_thread::yield();
    stop.store(true);
    puller.join();
}

TEST(EqualizerPCM, a_format_change_restarts_the_limiter_on_the_new_line)
{
    Rig rig(100, 0, 6);
    // At 48000 Hz a rising sample at the very end leaves the limiter far into the 4800-frame delay.
    std::vector<int16_t> first(4800, 0);
    first.back() = 1000;
    rig.run(pcm16(first, 1, 48000));
    EXPECT_EQ(rig.eq.limiter_position(0), 4799);

    // At 8000 Hz (800 frames of delay) a loud, closed half-wave must still be limited.
    std::vector<int16_t> stream(2000, 0);
    for (int i = 0; i < 100; ++i)
        stream[size_t(100 + i)] = int16_t(std::lround(0.9 * 32767 * std::sin(M_PI * (i + 1) / 101.0)));
    std::vector<int16_t> got;
    for (size_t at = 0; at < stream.size(); at += 200) {
        std::vector<int16_t> part(stream.begin() + long(at), stream.begin() + long(at + 200));
        std::vector<int16_t> out = samples16(rig.run(pcm16(part, 1, 8000)));
        got.insert(got.end(), out.begin(), out.end());
    }
    int16_t loudest = *std::max_element(got.begin(), got.end());
    EXPECT_EQ(
        loudest, to16((int64_t(*std::max_element(stream.begin(), stream.end())) * 4096 + threshold) / 2));
}
