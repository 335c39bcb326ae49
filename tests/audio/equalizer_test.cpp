// The equalizer's band, limiter, settings file and locks, and sessions against equalizer_model.h.

#include "audio/equalizer_pcm.h"
#include "audio/equalizer_settings.h"
#include "equalizer_model.h"
#include "support/ramp_source.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <complex>
#include <thread>
#include <tuple>

using audio::EqualizerPCM;
using audio::PCMData;

namespace {

using test::EqualizerPair;

enum Kind { noise, loud_sine, dc, quarter_rate, kinds };

// A test signal in -1..1 (extremes at full scale).
struct Signal {
    int kind;
    uint32_t seed = 1;
    double phase = 0.0;
    uint32_t count = 0;

    double unit()
    {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) / double(1 << 23) - 1.0;
    }
    double next()
    {
        phase += 0.0005 + 0.01 * kind;
        if (kind == quarter_rate) // 0, full, 0, -full: right in a band at a quarter of the rate
            return ++count % 2 == 0 ? 0.0 : (count % 4 == 1 ? 1.0 : -1.0);
        return kind == noise ? unit()
            : kind == dc     ? 0.7 + 0.01 * unit()
                             : std::clamp(0.65 * std::sin(phase) + 0.05 * unit(), -1.0, 1.0);
    }
    std::vector<uint8_t> block(uint32_t samples, int32_t bits)
    {
        std::vector<uint8_t> out;
        for (uint32_t i = 0; i < samples; ++i) {
            double v = next();
            auto s = uint16_t(std::clamp(std::lround(v * 32768.0), -32768L, 32767L));
            bits == 16 ? out.insert(out.end(), {uint8_t(s), uint8_t(s >> 8)})
                       : out.insert(out.end(), uint8_t(std::clamp(std::lround(128.0 + v * 128.0), 0L, 255L)));
        }
        return out;
    }
};

} // namespace

// Every layout and signal through the strongest boosts: the limiter and 32-bit saturation fire.
TEST(EqualizerPCMExact, full_scale_input_through_strong_boosts_matches_the_model)
{
    for (auto [channels, bits] : {std::pair {1, 8}, {1, 16}, {2, 8}, {2, 16}})
        for (int kind = 0; kind < kinds; ++kind)
            for (double gain : {30.0, 6.0, -20.0}) {
                EqualizerPair pair;
                pair.set_band(std::array {80, 5000, 80, 11025}[size_t(kind)], kind % 3 == 0 ? 4 : 1, gain);
                Signal signal {kind};
                for (uint32_t frames : {1u, 1151u, 4409u, 2u, 3u, 700u, 1u, 5000u})
                    ASSERT_NO_FATAL_FAILURE(
                        pair.run(signal.block(frames * uint32_t(channels), bits), channels, bits, 44100))
                        << channels << " ch " << bits << " bits, signal " << kind << ", " << gain << " dB";
            }
}

// Loud half-waves cut across blocks around the delay; an offset; a half-wave that never closes.
TEST(EqualizerPCMExact, half_waves_cut_across_blocks_match_the_model)
{
    for (size_t channels : {1u, 2u}) {
        std::vector<uint8_t> stream; // 16-bit at 1000 Hz: 100 frames of delay
        int sign = 1;
        for (int length : {37, 400, 150, 99, 101, 230, 1, 1, 64}) {
            for (int i = 0; i < length; ++i) {
                double arch = std::sin(M_PI * (i + 1) / (length + 1));
                auto v = int16_t(sign > 0 ? std::lround(32767 * arch) : -std::lround(32768 * arch));
                for (size_t c = 0; c < channels; ++c) {
                    auto s = uint16_t(c == 0 ? v : int16_t(-v / 2 - 1));
                    stream.insert(stream.end(), {uint8_t(s), uint8_t(s >> 8)});
                }
            }
            stream.resize(stream.size() + (length % 2 == 0 ? 6 * channels : 0), 0);
            sign = -sign;
        }
        stream.resize(stream.size() + 800 * channels, 0);
        for (size_t cut : {1u, 7u, 99u, 100u, 101u, 250u, 333u}) {
            EqualizerPair pair;
            pair.set_band(10, 0.3, 3);
            for (size_t at = 0; at < stream.size(); at += 2 * cut * channels)
                ASSERT_NO_FATAL_FAILURE(pair.run(
                    {stream.begin() + ptrdiff_t(at),
                        stream.begin() + ptrdiff_t(std::min(stream.size(), at + 2 * cut * channels))},
                    int32_t(channels), 16, 1000))
                    << channels << " ch, cut " << cut;
        }
        EqualizerPair pair;
        pair.set_band(200, 1, 12);
        Signal offset {dc, 3};
        for (uint32_t frames : {100u, 4410u, 1u, 9000u, 2000u, 3u, 4409u})
            ASSERT_NO_FATAL_FAILURE(
                pair.run(offset.block(frames * uint32_t(channels), 16), int32_t(channels), 16, 44100));
        ASSERT_NO_FATAL_FAILURE(
            pair.run(std::vector<uint8_t>(channels * 2 * 9000, 0), int32_t(channels), 16, 44100));
    }
}

// A session: off, on, unprocessable blocks, band and format changes, a band at 100/201 of the rate, reset.
TEST(EqualizerPCMExact, settings_formats_and_resets_of_a_session_match_the_model)
{
    EqualizerPair pair;
    Signal loud {loud_sine, 11};
    auto run = [&](uint32_t frames, int32_t channels, int32_t rate) {
        pair.run(loud.block(frames * uint32_t(channels), 16), channels, 16, rate);
    };
    run(1000, 2, 44100); // switched off
    pair.set_band(1000, 1, 6);
    run(3000, 2, 44100);
    for (auto [channels, bits, rate, extra] : {std::tuple {3, 16, 44100, 0}, {2, 24, 44100, 0},
             {2, 32, 44100, 0}, {1, 12, 44100, 0}, {2, 16, 0, 0}, {2, 16, -44100, 0},
             {2, 16, EqualizerPCM::max_sample_rate + 1, 0}, {0, 16, 44100, 0}, {2, 16, 44100, 3}})
        ASSERT_NO_FATAL_FAILURE(pair.run(
            extra ? std::vector<uint8_t>(size_t(extra), 0x5a) : loud.block(600, 16), channels, bits, rate))
            << channels << " ch " << bits << " bits " << rate << " Hz";
    for (double amplitude : {0.0, -6.0}) {
        run(500, 2, 44100);
        pair.set_band(1000, 1, amplitude);
    }
    run(700, 2, 44100);
    pair.set_band(300, 2, 10);
    run(9000, 2, 44100);
    run(8000, 2, 48000);
    run(8000, 1, 48000);
    std::vector<uint8_t> rising_at_end(9600, 0);
    rising_at_end.back() = 3;
    pair.run(rising_at_end, 1, 16, 48000);
    for (int i = 0; i < 10; ++i)
        ASSERT_NO_FATAL_FAILURE(run(200, 1, 8000));
    for (double frequency : {23881.0, 23880.0}) {
        pair.set_band(frequency, 1, 6);
        ASSERT_NO_FATAL_FAILURE(run(2000, 2, 48000));
    }
    pair.reset();
    run(3001, 2, 48000);
}

// The band in Q28: unity at DC and the gain at the centre, or refused when unstable or overflowing.
TEST(EqualizerPCM, coefficients_give_the_peaking_band_response_or_are_refused)
{
    enum Outcome { refused, accepted, responds };
    for (auto [f, w, g, fs, outcome] :
        {std::tuple {80.0, 2.0, 8.0, 44100, responds}, {1000, 1, -6, 48000, responds},
            {12000, 0.5, 12, 44100, responds}, {1000, 0, 12, 44100, responds}, // width 0: the identity
            {80, -1, 8, 44100, refused}, {-80, 2, 8, 44100, refused}, {80, 2, NAN, 44100, refused},
            {80, 2, 1e9, 44100, refused}, {80, 1e6, 8, 44100, refused},
            // A wide +40 dB band needs a feed-forward gain of 100: refused; a narrow one is fine.
            {5000, 8, 40, 44100, refused}, {80, 0.1, 40, 44100, accepted},
            // At 100/201 of the rate (48000 x 100/201 = 23880.597...) and above, no band.
            {23881, 1, 6, 48000, refused}, {23880, 1, 6, 48000, accepted}}) {
        auto got = EqualizerPCM::compute_coefficients(f, w, g, fs);
        ASSERT_EQ(!got, outcome == refused) << f << " " << w;
        if (outcome != responds)
            continue;
        auto decibels = [&](double omega) {
            std::complex<double> z1 = std::polar(1.0, -omega), z2 = z1 * z1;
            std::complex<double> num = double(got->b0) + double(got->b1) * z1 + double(got->b2) * z2;
            std::complex<double> den = 268435456.0 + double(got->a1) * z1 + double(got->a2) * z2;
            return 20 * std::log10(std::abs(num / den));
        };
        EXPECT_NEAR(decibels(0.0), 0.0, 0.01) << f;
        EXPECT_NEAR(decibels(2.0 * M_PI * f / fs), w == 0 ? 0.0 : g, 0.01) << f;
    }
}

// Pulls while the UI thread sets and resets; the chain upstream, then the equalizer, deleted.
TEST(EqualizerPCMConcurrency, pulls_survive_setters_resets_and_deletes_up_the_chain)
{
    auto* eq = new EqualizerPCM;
    test::PCMSink player;
    eq->connect(&player);
    auto* source = new test::RampSource(1u << 30);
    source->connect(eq);
    audio::EqualizerSettings {80, 2, 8}.apply_to(*eq);
    std::atomic<int> pulls {0}, full_after_delete {0}, bad_blocks {0};
    std::atomic<bool> deleted {false}, done {false};
    std::thread puller([&] {
        for (int after = 0; after < 50; ++pulls) {
            bool was_deleted = deleted.load();
            PCMData block = player.pull(int32_t(500 + pulls.load() % 3000));
            if (was_deleted) {
                ++after;
                full_after_delete += !block.empty();
            } else if (!block.empty() && (block.channels != 1 || block.bits_per_sample != 16))
                ++bad_blocks;
        }
        done = true;
    });
    std::thread ui([&] {
        for (int i = 0; !done.load(); ++i) {
            audio::EqualizerSettings {60.0 + i % 200, 0.5 + (i % 7) * 0.5, i % 11 == 0 ? 0.0 : -12 + i % 25}
                .apply_to(*eq);
            if (i % 5 == 0)
                eq->reset();
            (void)eq->delay_line_size();
            std::this_thread::yield();
        }
    });
    auto wait_for_pulls = [&](int count) {
        for (int seen = pulls.load(); pulls.load() < seen + count;)
            std::this_thread::yield();
    };
    wait_for_pulls(200);
    source->connect(nullptr);
    delete source;
    deleted = true;
    puller.join();
    ui.join();
    EXPECT_EQ(full_after_delete.load(), 0);
    EXPECT_EQ(bad_blocks.load(), 0);
    EXPECT_EQ(eq->provider(), nullptr);
    test::RampSource second(1u << 30);
    second.connect(eq);
    std::atomic<bool> stop {false};
    std::thread again([&] {
        for (; !stop.load(); ++pulls)
            (void)player.pull(1024);
    });
    wait_for_pulls(20);
    delete eq;
    EXPECT_EQ(player.provider(), nullptr);
    EXPECT_EQ(second.consumer(), nullptr);
    wait_for_pulls(20);
    stop = true;
    again.join();
}

// Equalizer.xml: what is missing or unreadable keeps its default (80 Hz, 2 octaves, +8 dB).
TEST(EqualizerSettings, reads_the_root_attributes_and_keeps_defaults_for_what_it_cannot_read)
{
    // Names are case-sensitive; a failed read keeps the default.
    const std::pair<std::string_view, audio::EqualizerSettings> cases[]
        = {{"<?xml version=\"1.0\"?>\n<!-- bass lift -->\n<Equalizer Frequency=\"120.5\" "
            "Width=\" 1.5e0\" Amplitude=\"-6\"/>",
               {120.5, 1.5, -6.0}},
            {"<Equalizer Frequency=\"abc\" Width=\"3\" Amplitude=\"4\"/>", {80, 3, 4}},
            {"<Equalizer frequency=\"200\" WIDTH=\"3\" Amplitude=\"4\"/>", {80, 2, 4}},
            {"<Settings><Equalizer Frequency=\"120\" Width=\"1\" Amplitude=\"3\"/></Settings>", {80, 2, 8}}};
    test::TempDir dir;
    for (auto [text, want] : cases) {
        test::write_file(dir.native("Equalizer.xml"), test::Bytes(text.begin(), text.end()));
        audio::EqualizerSettings s = audio::load_equalizer_settings(dir.file("Equalizer.xml"));
        EXPECT_EQ(std::tuple(s.frequency, s.width, s.amplitude),
            std::tuple(want.frequency, want.width, want.amplitude))
            << text;
    }
    audio::EqualizerPCM eq;
    audio::EqualizerSettings {100.0, 1.25, -3.5}.apply_to(eq);
    EXPECT_EQ(std::tuple(eq.frequency(), eq.width(), eq.amplitude()), std::tuple(100.0, 1.25, -3.5));
}
