#pragma once

// A plain sample-by-sample model of the equalizer, and the stage pulled as the player pulls it.

#include "audio/equalizer_pcm.h"
#include "audio/pipeline.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
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

    void set_frequency(double v)
    {
        m_frequency = v;
        m_valid = false;
    }
    void set_width(double v)
    {
        m_width = v;
        m_valid = false;
    }
    void set_amplitude(double v)
    {
        m_amplitude = v;
        m_valid = false;
    }
    void reset()
    {
        m_valid = false;
        m_state = {};
        m_history.clear();
        m_channels = 0;
        m_rate = 0;
        m_position = {0, 0};
    }
    int32_t position(int c) const { return m_position[size_t(c)]; }

    Result process(const std::vector<uint8_t>& bytes, int32_t channels, int32_t bits, int32_t rate)
    {
        Result pass {true, bytes};
        int32_t bytes_per_sample = (bits + 7) / 8;
        int64_t frame_bytes = int64_t(bytes_per_sample) * channels;
        int64_t frames = frame_bytes > 0 ? int64_t(bytes.size()) / frame_bytes : 0;
        if (m_amplitude == 0.0)
            return pass;
        if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16) || rate < 1
            || rate > audio::EqualizerPCM::max_sample_rate || frames == 0)
            return pass;
        if (rate != m_coefficient_rate) {
            m_coefficient_rate = rate;
            m_valid = false;
        }
        if (!m_valid) {
            auto k = audio::EqualizerPCM::compute_coefficients(m_frequency, m_width, m_amplitude, rate);
            if (!k)
                return pass;
            m_k = *k;
            m_state = {};
            m_valid = true;
        }
        int64_t delay = rate / 10;
        int64_t needed = delay + frames;
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
        for (int64_t i = 0; i < frames * channels; ++i) {
            if (bits == 16) {
                int16_t s;
                std::memcpy(&s, &bytes[size_t(2 * i)], 2);
                line.push_back(int64_t(s) * 4096);
            } else {
                line.push_back((int64_t(bytes[size_t(i)]) - 128) * 1048576);
            }
        }
        for (int64_t i = 0; i < frames * channels; ++i) {
            int64_t& x = line[size_t(delay * channels + i)];
            x = filter(m_state[size_t(i % channels)], x);
        }
        for (int c = 0; c < channels; ++c)
            m_position[size_t(c)] = limit(line, channels, c, m_position[size_t(c)], needed);

        Result out {false, std::vector<uint8_t>(bytes.size(), bits == 8 ? 0x80 : 0)};
        for (int64_t i = 0; i < frames * channels; ++i) {
            if (bits == 16) {
                auto s = int16_t(std::clamp<int64_t>(line[size_t(i)] >> 12, -32768, 32767));
                std::memcpy(&out.bytes[size_t(2 * i)], &s, 2);
            } else {
                out.bytes[size_t(i)] = uint8_t(std::clamp<int64_t>((line[size_t(i)] >> 20) + 128, 0, 255));
            }
        }
        m_history.assign(line.begin() + frames * channels, line.end());
        for (int32_t& p : m_position)
            p = p - frames > 0 ? int32_t(p - frames) : 0;
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
        s.x2 = s.x1;
        s.x1 = x;
        s.y2 = s.y1;
        s.y1 = y;
        return y;
    }

    static bool sign_change(int64_t before, int64_t now)
    {
        return (before >= 0 && now < 0) || (before <= 0 && now > 0);
    }

    // Half-waves of channel c from frame p on; returns where the next block must start.
    static int32_t limit(std::vector<int64_t>& line, int channels, int c, int64_t p, int64_t n)
    {
        auto at = [&](int64_t frame) -> int64_t& { return line[size_t(frame * channels + c)]; };
        while (p < n) {
            int64_t e = p + 1;
            while (e < n && !sign_change(at(e - 1), at(e)))
                ++e;
            if (e == n && at(n - 1) != 0)
                return int32_t(p);
            int64_t peak = 0;
            for (int64_t i = p; i < e; ++i)
                peak = std::max(peak, std::abs(at(i)));
            if (peak > threshold) {
                int64_t target = peak > full ? full : (peak + threshold) / 2;
                for (int64_t i = p; i < e; ++i)
                    at(i) = std::clamp(at(i) * target / peak, -full, full - 1);
            }
            p = e;
        }
        return int32_t(p);
    }

    double m_frequency = 0.0, m_width = 1.0, m_amplitude = 0.0;
    int32_t m_coefficient_rate = 0;
    bool m_valid = false;
    audio::EqualizerPCM::Coefficients m_k;
    std::array<State, 2> m_state {};
    std::vector<int64_t> m_history;
    int32_t m_channels = 0, m_rate = 0;
    std::array<int32_t, 2> m_position {0, 0};
};

// The equalizer stage fed one block at a time and pulled as the player pulls it.
class PulledEqualizer {
public:
    PulledEqualizer()
    {
        m_source.connect(&m_eq);
        m_eq.connect(&m_sink);
    }
    PulledEqualizer(const PulledEqualizer&) = delete;
    PulledEqualizer& operator=(const PulledEqualizer&) = delete;

    audio::EqualizerPCM& stage() { return m_eq; }

    audio::PCMData run(const audio::PCMData& in)
    {
        m_source.next = in;
        liba::ScopedLock guard(m_sink.lock());
        return m_sink.request(16384);
    }

private:
    struct OneBlock : audio::Provider<audio::PCMData> {
        audio::PCMData next;
        audio::PCMData get_block(int32_t) override { return std::exchange(next, audio::PCMData {}); }
    };

    OneBlock m_source;
    audio::EqualizerPCM m_eq;
    audio::Consumer<audio::PCMData> m_sink;
};

} // namespace test
