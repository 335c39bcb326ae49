// The equalizer against a plain, sample-by-sample model of its arithmetic. The stage itself is
// written for speed (fused passes, vector scans, a filter loop without per-sample saturation that
// falls back when it could matter); the model below is written to be read. Every block, setting
// change and reset must give the same bytes, the same pass-through decisions and the same limiter
// positions.

#include "audio/equalizer_pcm.h"
#include "equalizer_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

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
        ASSERT_EQ(out.size(), want.bytes.size()) << "block " << m_blocks;
        ASSERT_TRUE(out.same_format(in)) << "block " << m_blocks;
        const uint8_t* got = out.data.data();
        for (size_t i = 0; i < want.bytes.size(); ++i)
            ASSERT_EQ(got[i], want.bytes[i])
                << "block " << m_blocks << " byte " << i << " of " << want.bytes.size() << ", " << channels
                << " ch " << bits << " bits " << rate << " Hz";
        for (int c = 0; c < 2; ++c)
            ASSERT_EQ(m_eq.stage().limiter_position(c), m_model.position(c))
                << "block " << m_blocks << " ch " << c;
    }

private:
    test::PulledEqualizer m_eq;
    test::ModelEqualizer m_model;
    int m_blocks = 0;
};

// Test signals in the input's own sample values (-32768..32767 for 16 bits, 0..255 for 8).
class Signal {
public:
    enum Kind { noise, loud_sine, square, dc, sparse, quiet, zero_runs, quarter_rate, kinds };

    Signal(std::mt19937& random, Kind kind)
        : m_random(&random)
        , m_kind(kind)
    {
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        m_level = 0.5 + unit(random) * 0.5;
        m_step = 0.0005 + unit(random) * 0.2;
    }

    // A value in -1..1 (inclusive of the extremes, which map to full scale).
    double next()
    {
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        double v = 0;
        m_phase += m_step;
        switch (m_kind) {
        case noise:
            v = unit(*m_random);
            break;
        case loud_sine:
            v = m_level * std::sin(m_phase) + 0.05 * unit(*m_random);
            break;
        case square:
            v = std::sin(m_phase) >= 0 ? 1.0 : -1.0;
            break;
        case dc:
            v = m_level + 0.01 * unit(*m_random);
            break;
        case sparse:
            v = unit(*m_random) > 0.97 ? unit(*m_random) : 0.0;
            break;
        case quiet:
            v = 0.01 * unit(*m_random);
            break;
        case zero_runs:
            v = std::sin(m_phase) > 0.5 ? 0.0 : m_level * std::sin(3 * m_phase);
            break;
        case quarter_rate:
            // 0, full, 0, -full: right in a band at a quarter of the rate.
            v = (++m_count % 2 == 0) ? 0.0 : (m_count % 4 == 1 ? 1.0 : -1.0);
            break;
        default:
            break;
        }
        return std::clamp(v, -1.0, 1.0);
    }

private:
    std::mt19937* m_random;
    Kind m_kind;
    double m_level = 1.0, m_step = 0.01, m_phase = 0.0;
    uint32_t m_count = 0;
};

std::vector<uint8_t> make_block(Signal& signal, uint32_t samples, int32_t bits, uint32_t extra_bytes)
{
    std::vector<uint8_t> out;
    for (uint32_t i = 0; i < samples; ++i) {
        double v = signal.next();
        if (bits == 16) {
            auto s = int16_t(std::clamp(std::lround(v * 32768.0), -32768L, 32767L));
            out.push_back(uint8_t(s & 0xff));
            out.push_back(uint8_t((s >> 8) & 0xff));
        } else {
            out.push_back(uint8_t(std::clamp(std::lround(128.0 + v * 128.0), 0L, 255L)));
        }
    }
    for (uint32_t i = 0; i < extra_bytes; ++i)
        out.push_back(uint8_t(0x5a + i));
    return out;
}

} // namespace

// Every combination of layout and signal with the limiter and the 32-bit saturation firing:
// full-scale input through the strongest boosts.
TEST(EqualizerPCMExact, full_scale_input_through_strong_boosts_matches_the_model)
{
    std::mt19937 random(7);
    for (int32_t channels : {1, 2}) {
        for (int32_t bits : {8, 16}) {
            for (int kind = 0; kind < Signal::kinds; ++kind) {
                for (double gain : {30.0, 18.0, 6.0, -20.0}) {
                    Pair pair;
                    pair.set_band(kind == Signal::quarter_rate ? 11025
                            : kind % 2 == 0                    ? 80
                                                               : 5000,
                        kind % 3 == 0 ? 4 : 1, gain);
                    Signal signal(random, Signal::Kind(kind));
                    for (uint32_t frames : {1u, 1151u, 4409u, 2u, 3u, 700u, 1u, 5000u}) {
                        std::vector<uint8_t> bytes = make_block(signal, frames * uint32_t(channels), bits, 0);
                        ASSERT_NO_FATAL_FAILURE(pair.run(bytes, channels, bits, 44100))
                            << channels << " ch " << bits << " bits, signal " << kind << ", " << gain
                            << " dB";
                    }
                }
            }
        }
    }
}

// Long loud half-waves cut into blocks of every size, shorter and longer than the delay, with the
// samples exactly at the extremes and runs of zeros at their ends.
TEST(EqualizerPCMExact, half_waves_cut_across_blocks_match_the_model)
{
    for (int32_t channels : {1, 2}) {
        for (uint32_t cut : {1u, 7u, 99u, 100u, 101u, 250u, 333u}) {
            Pair pair;
            pair.set_band(10, 0.3, 3);
            // 1000 Hz: 100 frames of delay; half-waves of 37 to 400 frames, some ending in zeros.
            std::vector<int16_t> stream;
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
                std::vector<uint8_t> bytes((end - at) * 2);
                std::memcpy(bytes.data(), stream.data() + at, bytes.size());
                ASSERT_NO_FATAL_FAILURE(pair.run(bytes, channels, 16, 1000))
                    << channels << " ch, cut " << cut;
            }
        }
    }
}

// An offset longer than the delay: the half-wave never closes while the line refills.
TEST(EqualizerPCMExact, an_endless_half_wave_matches_the_model)
{
    for (int32_t channels : {1, 2}) {
        Pair pair;
        pair.set_band(200, 1, 12);
        std::mt19937 random(3);
        Signal signal(random, Signal::dc);
        for (uint32_t frames : {100u, 4410u, 1u, 9000u, 2000u, 3u, 4409u}) {
            std::vector<uint8_t> bytes = make_block(signal, frames * uint32_t(channels), 16, 0);
            ASSERT_NO_FATAL_FAILURE(pair.run(bytes, channels, 16, 44100)) << channels << " ch";
        }
        // Then silence ends it.
        ASSERT_NO_FATAL_FAILURE(
            pair.run(std::vector<uint8_t>(size_t(channels) * 2 * 9000, 0), channels, 16, 44100));
    }
}

// One listening session: switched off, then on; blocks it cannot process (passed on as they come);
// a band change, amplitude 0 and back, format changes (which empty the delay line and restart the
// limiter, even far into a longer line), a band at 100/201 of the rate, and a reset.
TEST(EqualizerPCMExact, settings_formats_and_resets_of_a_session_match_the_model)
{
    auto s16 = [](std::vector<int16_t> samples) {
        std::vector<uint8_t> bytes(samples.size() * 2);
        std::memcpy(bytes.data(), samples.data(), bytes.size());
        return bytes;
    };
    std::mt19937 random(11);
    Signal loud(random, Signal::loud_sine);
    auto block = [&](uint32_t frames, int32_t channels) {
        return make_block(loud, frames * uint32_t(channels), 16, 0);
    };
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
            pair.run(make_block(loud, extra ? 0 : 600, 16, uint32_t(extra)), channels, bits, rate))
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
    pair.set_band(23881, 1, 6);
    pair.run(block(2000, 2), 2, 16, 48000);
    pair.set_band(23880, 1, 6);
    pair.run(block(2000, 2), 2, 16, 48000);
    pair.reset();
    pair.run(block(3001, 2), 2, 16, 48000);
}
