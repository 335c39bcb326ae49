// The equalizer's band against the textbook peaking filter, its limiter on its own, and its locks. What it
// does to streams block by block is checked against the plain model in equalizer_exact_test.cpp.

#include "audio/equalizer_pcm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <complex>
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

TEST(EqualizerPCM, coefficients_follow_the_textbook_peaking_band_in_q28)
{
    struct Case {
        double f, w, g;
        int32_t fs;
    };
    for (Case c : {Case {80, 2, 8, 44100}, Case {1000, 1, -6, 48000}, Case {12000, 0.5, 12, 44100}}) {
        auto got = EqualizerPCM::compute_coefficients(c.f, c.w, c.g, c.fs);
        ASSERT_TRUE(got) << c.f;
        double a = std::pow(10.0, c.g / 40.0);
        double w0 = 2.0 * M_PI * c.f / c.fs;
        double alpha = std::sin(w0) * std::sinh(std::log(2.0) / 2.0 * c.w);
        double a0 = 1.0 + alpha / a;
        auto q = [](double v) { return double(int64_t(v * 268435456.0)); };
        // Truncation of the scaled doubles may differ by one unit where the constants round apart.
        EXPECT_NEAR(got->b0, q((1.0 + alpha * a) / a0), 1) << c.f;
        EXPECT_NEAR(got->b1, q(-2.0 * std::cos(w0) / a0), 1) << c.f;
        EXPECT_NEAR(got->b2, q((1.0 - alpha * a) / a0), 1) << c.f;
        EXPECT_EQ(got->a1, got->b1);
        EXPECT_NEAR(got->a2, q((1.0 - alpha / a) / a0), 1) << c.f;
        // The band's response: unity at DC, the gain at the centre.
        auto response = [&](double omega) {
            std::complex<double> z1 = std::polar(1.0, -omega), z2 = z1 * z1;
            std::complex<double> num = double(got->b0) + double(got->b1) * z1 + double(got->b2) * z2;
            std::complex<double> den = 268435456.0 + double(got->a1) * z1 + double(got->a2) * z2;
            return std::abs(num / den);
        };
        EXPECT_NEAR(20 * std::log10(response(0.0)), 0.0, 0.01) << c.f;
        EXPECT_NEAR(20 * std::log10(response(w0)), c.g, 0.01) << c.f;
    }
    // Width 0 is the identity filter.
    auto identity = EqualizerPCM::compute_coefficients(1000, 0, 12, 44100);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->b0, 268435456);
    EXPECT_EQ(identity->b2, 268435456);
    EXPECT_EQ(identity->a2, 268435456);
}

TEST(EqualizerPCM, coefficients_are_refused_for_unstable_or_overflowing_bands)
{
    struct Case {
        double f, w, g;
        int32_t fs;
        bool refused;
    };
    const Case cases[] = {{80, -1, 8, 44100, true}, {-80, 2, 8, 44100, true}, {80, 2, NAN, 44100, true},
        {80, 2, 1e9, 44100, true}, {80, 1e6, 8, 44100, true},
        // A wide +40 dB band needs a feed-forward gain of 100: refused; a narrow one is fine.
        {5000, 8, 40, 44100, true}, {80, 0.1, 40, 44100, false},
        // At 100/201 of the rate (48000 x 100/201 = 23880.597...) and above, no band.
        {23881, 1, 6, 48000, true}, {23880, 1, 6, 48000, false}};
    for (const Case& c : cases)
        EXPECT_EQ(!EqualizerPCM::compute_coefficients(c.f, c.w, c.g, c.fs), c.refused) << c.f << " " << c.w;
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
    const Case cases[]
        = {{"full scale itself is pulled half way", {full, 0}, 1, 0, 2, 2, {half_way(full), 0}},
            {"just above the threshold", {threshold + 1, 0}, 1, 0, 2, 2, {threshold, 0}},
            {"at the threshold nothing moves", {threshold - 7, threshold, -1}, 1, 0, 3, 2,
                {threshold - 7, threshold, -1}},
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
                {mid, 125000000, big, 126000000, -5, 127000000}}};
    for (const Case& c : cases) {
        std::vector<int32_t> samples = c.in;
        EXPECT_EQ(EqualizerPCM::limit_channel(samples.data(), c.channels, c.channel, 0, c.frames), c.returned)
            << c.what;
        EXPECT_EQ(samples, c.out) << c.what;
    }
}

// The player's thread pulls through the equalizer while the UI thread changes the band, resets,
// and finally unlinks and deletes the chain upstream.
TEST(EqualizerPCMConcurrency, pulls_survive_setters_resets_and_the_chain_being_deleted)
{
    EqualizerPCM eq;
    audio::Consumer<PCMData> player;
    eq.connect(&player);
    auto* source = new SineSource;
    source->connect(&eq);
    eq.set_frequency(80);
    eq.set_amplitude(8);
    std::atomic<int> pulls {0}, full_after_delete {0}, bad_blocks {0};
    std::atomic<bool> deleted {false}, done {false};
    std::thread puller([&] {
        for (int after = 0; after < 50; ++pulls) {
            bool was_deleted = deleted.load();
            liba::ScopedLock guard(player.lock());
            PCMData block = player.request(int32_t(500 + pulls.load() % 3000));
            if (was_deleted) {
                ++after;
                full_after_delete += !block.empty();
            } else if (!block.empty() && (block.channels != 2 || block.bits_per_sample != 16))
                ++bad_blocks;
        }
        done = true;
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
    while (pulls.load() < 200)
        std::this_thread::yield();
    source->connect(nullptr);
    delete source;
    deleted = true;
    puller.join();
    ui.join();
    EXPECT_EQ(full_after_delete.load(), 0);
    EXPECT_EQ(bad_blocks.load(), 0);
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
