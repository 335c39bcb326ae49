#pragma once

// A plain sample-by-sample model of the equalizer, and the stage beside it pulled as the player pulls.

#include "../support/ramp_source.h" // relative: the equalizer fuzz target includes this file too
#include "audio/equalizer_pcm.h"
#include "audio/equalizer_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace test {

// The model: one band, a delay line holding the last rate / 10 frames, the limiter's positions.
class ModelEqualizer {
public:
    struct Result {
        bool passed_through = false;
        std::vector<uint8_t> bytes;
    };

    // Any change of the band drops the coefficients, and with them the filter state.
    void set_band(const audio::EqualizerSettings& band) { m_band = band, m_valid = false; }
    void reset() { m_band = std::exchange(*this, {}).m_band; }
    int32_t position(int c) const { return m_position[size_t(c)]; }

    Result process(const std::vector<uint8_t>& bytes, int32_t channels, int32_t bits, int32_t rate)
    {
        Result pass {true, bytes};
        int64_t frame_bytes = int64_t((bits + 7) / 8) * channels;
        int64_t frames = frame_bytes > 0 ? int64_t(bytes.size()) / frame_bytes : 0;
        if (m_band.amplitude == 0.0 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16)
            || rate < 1 || rate > audio::EqualizerPCM::max_sample_rate || frames == 0)
            return pass;
        // Coefficients hold for the rate they were worked out for.
        m_valid = std::exchange(m_coefficient_rate, rate) == rate && m_valid;
        if (!m_valid) {
            auto k = audio::EqualizerPCM::compute_coefficients(
                m_band.frequency, m_band.width, m_band.amplitude, rate);
            if (!k)
                return pass;
            m_k = *k;
            m_state = {};
            m_valid = true;
        }
        int64_t delay = rate / 10, needed = delay + frames;
        if (needed * channels * 8 > int64_t(std::numeric_limits<uint32_t>::max()))
            return pass;
        if (channels != m_channels || rate != m_rate) {
            m_history.assign(size_t(delay * channels), 0);
            m_channels = channels;
            m_rate = rate;
            m_position = {0, 0};
        }
        // The line: the held frames, then this block in the working scale.
        std::vector<int64_t> line(m_history.begin(), m_history.end());
        const auto samples = size_t(frames * channels);
        for (size_t i = 0; i < samples; ++i)
            line.push_back(bits == 16 ? int64_t(int16_t(bytes[2 * i] | bytes[2 * i + 1] << 8)) * 4096
                                      : (int64_t(bytes[i]) - 128) * 1048576);
        for (size_t i = size_t(delay * channels); i < line.size(); ++i)
            line[i] = filter(m_state[i % size_t(channels)], line[i]);
        for (int c = 0; c < channels; ++c)
            m_position[size_t(c)] = limit(line, channels, c, m_position[size_t(c)], needed);
        Result out;
        for (size_t i = 0; i < samples; ++i) {
            auto s = uint16_t(std::clamp<int64_t>(line[i] >> 12, -32768, 32767));
            bits == 8 ? out.bytes.insert(
                out.bytes.end(), uint8_t(std::clamp<int64_t>((line[i] >> 20) + 128, 0, 255)))
                      : out.bytes.insert(out.bytes.end(), {uint8_t(s), uint8_t(s >> 8)});
        }
        out.bytes.resize(bytes.size(), bits == 8 ? 0x80 : 0);
        m_history.assign(line.begin() + frames * channels, line.end());
        for (int32_t& p : m_position)
            p = int32_t(std::max<int64_t>(p - frames, 0));
        return out;
    }

private:
    static constexpr int64_t full = audio::EqualizerPCM::full_scale;
    static constexpr int64_t threshold = audio::EqualizerPCM::limiter_threshold;

    struct State {
        int64_t x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };

    int64_t filter(State& s, int64_t x) const
    {
        int64_t sum = m_k.b0 * x + m_k.b1 * s.x1 + m_k.b2 * s.x2 - m_k.a1 * s.y1 - m_k.a2 * s.y2;
        int64_t y = std::clamp<int64_t>(
            sum >> 28, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
        s = {x, s.x1, y, s.y1};
        return y;
    }

    // Half-waves of channel c from frame p on; returns where the next block must start.
    static int32_t limit(std::vector<int64_t>& line, int channels, int c, int64_t p, int64_t n)
    {
        auto at = [&](int64_t frame) -> int64_t& { return line[size_t(frame * channels + c)]; };
        for (int64_t e = p + 1; p < n; p = e++) {
            while (e < n && !((at(e - 1) >= 0 && at(e) < 0) || (at(e - 1) <= 0 && at(e) > 0)))
                ++e;
            if (e == n && at(n - 1) != 0)
                return int32_t(p);
            int64_t peak = 0;
            for (int64_t i = p; i < e; ++i)
                peak = std::max(peak, std::abs(at(i)));
            int64_t target = peak > full ? full : (peak + threshold) / 2;
            for (int64_t i = p; i < e && peak > threshold; ++i)
                at(i) = std::clamp(at(i) * target / peak, -full, full - 1);
        }
        return int32_t(p);
    }

    audio::EqualizerSettings m_band {0.0, 1.0, 0.0};
    int32_t m_coefficient_rate = 0;
    bool m_valid = false;
    audio::EqualizerPCM::Coefficients m_k;
    std::array<State, 2> m_state {};
    std::vector<int64_t> m_history;
    int32_t m_channels = 0, m_rate = 0;
    std::array<int32_t, 2> m_position {0, 0};
};

// The equalizer stage fed one block at a time and pulled as the player pulls it, next to the model.
class EqualizerPair {
public:
    EqualizerPair() { m_source.connect(&m_eq), m_eq.connect(&m_sink); }
    audio::EqualizerPCM& stage() { return m_eq; }
    void set_band(double frequency, double width, double amplitude)
    {
        audio::EqualizerSettings band {frequency, width, amplitude};
        band.apply_to(m_eq);
        m_model.set_band(band);
    }
    void reset() { m_eq.reset(), m_model.reset(); }
    ModelEqualizer& model() { return m_model; }
    // The stage's output for one block.
    audio::PCMData pull(const audio::PCMData& in)
    {
        m_source.next = in;
        return m_sink.pull(16384);
    }
    // Runs one block through both; a failure names the block.
    void run(const std::vector<uint8_t>& bytes, int32_t channels, int32_t bits, int32_t rate)
    {
        ++m_blocks;
        audio::PCMData in {
            liba::DataBuffer::copy_of(bytes.data(), uint32_t(bytes.size())), channels, bits, rate};
        audio::PCMData out = pull(in);
        ModelEqualizer::Result want = m_model.process(bytes, channels, bits, rate);
        ASSERT_EQ(out.data.shares_storage_with(in.data), want.passed_through) << "block " << m_blocks;
        ASSERT_TRUE(out.same_format(in)) << "block " << m_blocks;
        ASSERT_EQ(std::vector<uint8_t>(out.data.data(), out.data.data() + out.size()), want.bytes)
            << "block " << m_blocks << ", " << channels << " ch " << bits << " bits " << rate << " Hz";
        for (int c = 0; c < 2; ++c)
            ASSERT_EQ(m_eq.limiter_position(c), m_model.position(c)) << "block " << m_blocks << " ch " << c;
    }

private:
    struct OneBlock : audio::Provider<audio::PCMData> {
        audio::PCMData next;
        audio::PCMData get_block(int32_t) override { return std::exchange(next, audio::PCMData {}); }
    };

    OneBlock m_source;
    audio::EqualizerPCM m_eq;
    PCMSink m_sink;
    ModelEqualizer m_model;
    int m_blocks = 0;
};

} // namespace test
