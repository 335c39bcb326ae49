// The equalizer's band, limiter, settings file and locks, and sessions against equalizer_model.h.

#include "audio/equalizer_pcm.h"
#include "audio/equalizer_settings.h"
#include "equalizer_model.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <complex>
#include <cstring>
#include <thread>
#include <tuple>

using audio::EqualizerPCM;
using audio::PCMData;

namespace {

// The stage under test (pulled as the player pulls it) next to the model.
class Pair {
public:
    void set_band(double frequency, double width, double amplitude)
    {
        m_eq.stage().set_frequency(frequency);
        m_model.set_frequency(frequency);
        m_eq.stage().set_width(width);
        m_model.set_width(width);
        set_amplitude(amplitude);
    }
    void set_amplitude(double v)
    {
        m_eq.stage().set_amplitude(v);
        m_model.set_amplitude(v);
    }
    void reset()
    {
        m_eq.stage().reset();
        m_model.reset();
    }
    // Runs one block through both; a failure names the block.
    void run(const std::vector<uint8_t>& bytes, int32_t channels, int32_t bits, int32_t rate)
    {
        ++m_blocks;
        PCMData in {liba::DataBuffer::copy_of(bytes.data(), uint32_t(bytes.size())), channels, bits, rate};
        PCMData out = m_eq.run(in);
        test::ModelEqualizer::Result want = m_model.process(bytes, channels, bits, rate);
        ASSERT_EQ(out.data.shares_storage_with(in.data), want.passed_through) << "block " << m_blocks;
        ASSERT_TRUE(out.same_format(in)) << "block " << m_blocks;
        ASSERT_EQ(std::vector<uint8_t>(out.data.data(), out.data.data() + out.size()), want.bytes)
            << "block " << m_blocks << ", " << channels << " ch " << bits << " bits " << rate << " Hz";
        for (int c = 0; c < 2; ++c)
            ASSERT_EQ(m_eq.stage().limiter_position(c), m_model.position(c))
                << "block " << m_blocks << " ch " << c;
    }

private:
    test::PulledEqualizer m_eq;
    test::ModelEqualizer m_model;
    int m_blocks = 0;
};

enum Kind { noise, loud_sine, dc, quarter_rate, kinds };

// A test signal in -1..1 (extremes at full scale); as a provider, 16-bit stereo at 44100 Hz.
class Signal : public audio::Provider<PCMData> {
public:
    explicit Signal(int kind, uint32_t seed = 1)
        : m_kind(kind)
        , m_seed(seed)
    {
    }
    double next()
    {
        m_phase += 0.0005 + 0.01 * m_kind;
        switch (m_kind) {
        case noise:
            return unit();
        case loud_sine:
            return std::clamp(0.65 * std::sin(m_phase) + 0.05 * unit(), -1.0, 1.0);
        case dc:
            return 0.7 + 0.01 * unit();
        default: // 0, full, 0, -full: right in a band at a quarter of the rate
            return ++m_count % 2 == 0 ? 0.0 : (m_count % 4 == 1 ? 1.0 : -1.0);
        }
    }
    std::vector<uint8_t> block(uint32_t samples, int32_t bits)
    {
        std::vector<uint8_t> out;
        for (uint32_t i = 0; i < samples; ++i) {
            double v = next();
            if (bits == 16) {
                auto s = int16_t(std::clamp(std::lround(v * 32768.0), -32768L, 32767L));
                out.push_back(uint8_t(s & 0xff));
                out.push_back(uint8_t((s >> 8) & 0xff));
            } else {
                out.push_back(uint8_t(std::clamp(std::lround(128.0 + v * 128.0), 0L, 255L)));
            }
        }
        return out;
    }
    PCMData get_block(int32_t max) override
    {
        std::vector<uint8_t> bytes = block(uint32_t(std::clamp(max, 1, 4096)) * 2, 16);
        return {liba::DataBuffer::copy_of(bytes.data(), uint32_t(bytes.size())), 2, 16, 44100};
    }

private:
    double unit()
    {
        m_seed = m_seed * 1103515245u + 12345u;
        return (m_seed >> 8) / double(1 << 23) - 1.0;
    }
    int m_kind;
    uint32_t m_seed;
    double m_phase = 0.0;
    uint32_t m_count = 0;
};

std::vector<uint8_t> s16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

} // namespace

// Every layout and signal through the strongest boosts: the limiter and 32-bit saturation fire.
TEST(EqualizerPCMExact, full_scale_input_through_strong_boosts_matches_the_model)
{
    for (auto [channels, bits] : {std::pair {1, 8}, {1, 16}, {2, 8}, {2, 16}})
        for (int kind = 0; kind < kinds; ++kind)
            for (double gain : {30.0, 6.0, -20.0}) {
                Pair pair;
                pair.set_band(kind == quarter_rate ? 11025
                        : kind % 2 == 0            ? 80
                                                   : 5000,
                    kind % 3 == 0 ? 4 : 1, gain);
                Signal signal(kind);
                for (uint32_t frames : {1u, 1151u, 4409u, 2u, 3u, 700u, 1u, 5000u})
                    ASSERT_NO_FATAL_FAILURE(
                        pair.run(signal.block(frames * uint32_t(channels), bits), channels, bits, 44100))
                        << channels << " ch " << bits << " bits, signal " << kind << ", " << gain << " dB";
            }
}

// Loud half-waves cut across blocks around the delay; an offset; a half-wave that never closes.
TEST(EqualizerPCMExact, half_waves_cut_across_blocks_match_the_model)
{
    for (int32_t channels : {1, 2}) {
        for (uint32_t cut : {1u, 7u, 99u, 100u, 101u, 250u, 333u}) {
            Pair pair;
            pair.set_band(10, 0.3, 3);
            std::vector<int16_t> stream; // at 1000 Hz: 100 frames of delay
            int sign = 1;
            for (int length : {37, 400, 150, 99, 101, 230, 1, 1, 64}) {
                for (int i = 0; i < length; ++i) {
                    double arch = std::sin(M_PI * (i + 1) / (length + 1));
                    auto v = int16_t(sign > 0 ? std::lround(32767 * arch) : -std::lround(32768 * arch));
                    for (int32_t c = 0; c < channels; ++c)
                        stream.push_back(c == 0 ? v : int16_t(-v / 2 - 1));
                }
                if (length % 2 == 0)
                    stream.insert(stream.end(), size_t(3 * channels), int16_t(0));
                sign = -sign;
            }
            stream.resize(stream.size() + size_t(400 * channels), 0);
            for (size_t at = 0; at < stream.size(); at += cut * size_t(channels)) {
                size_t end = std::min(stream.size(), at + cut * size_t(channels));
                ASSERT_NO_FATAL_FAILURE(
                    pair.run(s16({stream.begin() + ptrdiff_t(at), stream.begin() + ptrdiff_t(end)}), channels,
                        16, 1000))
                    << channels << " ch, cut " << cut;
            }
        }
        Pair pair;
        pair.set_band(200, 1, 12);
        Signal offset(dc, 3);
        for (uint32_t frames : {100u, 4410u, 1u, 9000u, 2000u, 3u, 4409u})
            ASSERT_NO_FATAL_FAILURE(
                pair.run(offset.block(frames * uint32_t(channels), 16), channels, 16, 44100));
        ASSERT_NO_FATAL_FAILURE(
            pair.run(std::vector<uint8_t>(size_t(channels) * 2 * 9000, 0), channels, 16, 44100));
    }
}

// A session: off, on, unprocessable blocks, band and format changes, a band at 100/201 of the rate, reset.
TEST(EqualizerPCMExact, settings_formats_and_resets_of_a_session_match_the_model)
{
    Signal loud(loud_sine, 11);
    auto block
        = [&](uint32_t frames, int32_t channels) { return loud.block(frames * uint32_t(channels), 16); };
    std::vector<int16_t> rising_at_end(4800, 0);
    rising_at_end.back() = 1000;
    Pair pair;
    pair.run(block(1000, 2), 2, 16, 44100); // switched off
    pair.set_band(1000, 1, 6);
    pair.run(block(3000, 2), 2, 16, 44100);
    for (auto [channels, bits, rate, extra] : {std::tuple {3, 16, 44100, 0}, {2, 24, 44100, 0},
             {2, 32, 44100, 0}, {1, 12, 44100, 0}, {2, 16, 0, 0}, {2, 16, -44100, 0},
             {2, 16, EqualizerPCM::max_sample_rate + 1, 0}, {0, 16, 44100, 0}, {2, 16, 44100, 3}})
        ASSERT_NO_FATAL_FAILURE(
            pair.run(extra ? std::vector<uint8_t>(size_t(extra), 0x5a) : block(600, 1), channels, bits, rate))
            << channels << " ch " << bits << " bits " << rate << " Hz";
    pair.run(block(500, 2), 2, 16, 44100);
    pair.set_amplitude(0.0);
    pair.run(block(500, 2), 2, 16, 44100);
    pair.set_amplitude(-6);
    pair.run(block(700, 2), 2, 16, 44100);
    pair.set_band(300, 2, 10);
    pair.run(block(9000, 2), 2, 16, 44100);
    pair.run(block(8000, 2), 2, 16, 48000);
    pair.run(block(8000, 1), 1, 16, 48000);
    pair.run(s16(rising_at_end), 1, 16, 48000);
    for (int i = 0; i < 10; ++i)
        ASSERT_NO_FATAL_FAILURE(pair.run(block(200, 1), 1, 16, 8000));
    for (double frequency : {23881.0, 23880.0}) {
        pair.set_band(frequency, 1, 6);
        ASSERT_NO_FATAL_FAILURE(pair.run(block(2000, 2), 2, 16, 48000));
    }
    pair.reset();
    pair.run(block(3001, 2), 2, 16, 48000);
}

// The band in Q28: unity at DC and the gain at the centre, or refused when unstable or overflowing.
TEST(EqualizerPCM, coefficients_give_the_peaking_band_response_or_are_refused)
{
    enum Outcome { refused, accepted, responds };
    struct Case {
        double f, w, g;
        int32_t fs;
        Outcome outcome;
    };
    const Case cases[] = {{80, 2, 8, 44100, responds}, {1000, 1, -6, 48000, responds},
        {12000, 0.5, 12, 44100, responds}, {1000, 0, 12, 44100, responds}, // width 0: the identity
        {80, -1, 8, 44100, refused}, {-80, 2, 8, 44100, refused}, {80, 2, NAN, 44100, refused},
        {80, 2, 1e9, 44100, refused}, {80, 1e6, 8, 44100, refused},
        // A wide +40 dB band needs a feed-forward gain of 100: refused; a narrow one is fine.
        {5000, 8, 40, 44100, refused}, {80, 0.1, 40, 44100, accepted},
        // At 100/201 of the rate (48000 x 100/201 = 23880.597...) and above, no band.
        {23881, 1, 6, 48000, refused}, {23880, 1, 6, 48000, accepted}};
    for (const Case& c : cases) {
        auto got = EqualizerPCM::compute_coefficients(c.f, c.w, c.g, c.fs);
        ASSERT_EQ(!got, c.outcome == refused) << c.f << " " << c.w;
        if (c.outcome != responds)
            continue;
        EXPECT_EQ(got->a1, got->b1);
        auto decibels = [&](double omega) {
            std::complex<double> z1 = std::polar(1.0, -omega), z2 = z1 * z1;
            std::complex<double> num = double(got->b0) + double(got->b1) * z1 + double(got->b2) * z2;
            std::complex<double> den = 268435456.0 + double(got->a1) * z1 + double(got->a2) * z2;
            return 20 * std::log10(std::abs(num / den));
        };
        EXPECT_NEAR(decibels(0.0), 0.0, 0.01) << c.f;
        EXPECT_NEAR(decibels(2.0 * M_PI * c.f / c.fs), c.w == 0 ? 0.0 : c.g, 0.01) << c.f;
    }
}

// Pulls while the UI thread sets and resets; the chain upstream, then the equalizer, deleted.
TEST(EqualizerPCMConcurrency, pulls_survive_setters_resets_and_deletes_up_the_chain)
{
    auto* eq = new EqualizerPCM;
    audio::Consumer<PCMData> player;
    eq->connect(&player);
    auto* source = new Signal(loud_sine);
    source->connect(eq);
    eq->set_frequency(80);
    eq->set_amplitude(8);
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
            eq->set_frequency(60 + i % 200);
            eq->set_width(0.5 + (i % 7) * 0.5);
            eq->set_amplitude(i % 11 == 0 ? 0.0 : -12 + i % 25);
            if (i % 5 == 0)
                eq->reset();
            (void)eq->delay_line_size();
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
    EXPECT_EQ(eq->provider(), nullptr);
    Signal second(loud_sine);
    second.connect(eq);
    std::atomic<bool> stop {false};
    std::thread again([&] {
        for (; !stop.load(); ++pulls) {
            liba::ScopedLock guard(player.lock());
            (void)player.request(1024);
        }
    });
    int seen = pulls.load();
    while (pulls.load() < seen + 20)
        std::this_thread::yield();
    delete eq;
    EXPECT_EQ(player.provider(), nullptr);
    EXPECT_EQ(second.consumer(), nullptr);
    seen = pulls.load();
    while (pulls.load() < seen + 20)
        std::this_thread::yield();
    stop = true;
    again.join();
}

// Equalizer.xml: what is missing or unreadable keeps its default (80 Hz, 2 octaves, +8 dB).
TEST(EqualizerSettings, reads_the_root_attributes_and_keeps_defaults_for_what_it_cannot_read)
{
    struct Case {
        const char* text;
        double frequency, width, amplitude;
    };
    const Case cases[] = {{"<?xml version=\"1.0\"?>\n<!-- bass lift -->\n<Equalizer Frequency=\"120.5\" "
                           "Width=\" 1.5e0\" Amplitude=\"-6\"/>",
                              120.5, 1.5, -6.0},
        {"<Equalizer Frequency=\"abc\" Width=\"3\" Amplitude=\"4\"/>", 80, 3, 4},
        {"<Equalizer Frequency=\"200\" Width=\"\" Amplitude=\"4\"/>", 200, 2, 4},
        {"<Equalizer Frequency=\"1e999\" Width=\"3\" Amplitude=\"4\"/>", 80, 3, 4},
        {"<Equalizer Width=\"0.5\"/>", 80, 0.5, 8},
        {"<Equalizer frequency=\"200\" WIDTH=\"3\" Amplitude=\"4\"/>", 80, 2, 4}, // names are case-sensitive
        {"<Equalizer Frequency=\"250Hz\" Width=\"3\" Amplitude=\"4 dB\"/>", 250, 3,
            4}, // text after the number
        {"<Equalizer Frequency=\"120\" Width=\"1\" Amplitude=\"3\">", 80, 2, 8},
        {"<Equalizer Frequency=\"120\" Width=\"1\" Amplitude=\"3\"/><Equalizer/>", 80, 2, 8}, {"", 80, 2, 8},
        {"<Settings><Equalizer Frequency=\"120\" Width=\"1\" Amplitude=\"3\"/></Settings>", 80, 2, 8}};
    test::TempDir dir;
    for (const Case& c : cases) {
        test::write_file(dir.native("Equalizer.xml"), test::Bytes(c.text, c.text + std::strlen(c.text)));
        audio::EqualizerSettings s = audio::load_equalizer_settings(dir.file("Equalizer.xml"));
        EXPECT_EQ(s.frequency, c.frequency) << c.text;
        EXPECT_EQ(s.width, c.width) << c.text;
        EXPECT_EQ(s.amplitude, c.amplitude) << c.text;
    }
    EXPECT_EQ(audio::load_equalizer_settings(dir.file("missing.xml")).amplitude, 8.0);
    EXPECT_EQ(audio::read_equalizer_settings(liba::XmlNode {}).width, 2.0);
    audio::EqualizerPCM eq;
    audio::EqualizerSettings {100.0, 1.25, -3.5}.apply_to(eq);
    EXPECT_EQ(std::tuple(eq.frequency(), eq.width(), eq.amplitude()), std::tuple(100.0, 1.25, -3.5));
}
