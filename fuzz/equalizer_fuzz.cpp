// The equalizer against its plain model under a script of settings, resets, format changes and
// blocks read from the input. The stage's fast paths (the unsaturated filter, the vector scans,
// the limiter that only looks around loud samples) must give the model's bytes, pass-through
// decisions and limiter positions for every script; any difference traps.
//
// Script: one operation byte, then its arguments.
//   0 frequency (2 bytes, Hz / 4, below 0 when the top bit is set)   1 width (1 byte)
//   2 gain (1 byte)   3 reset   4 format (1 byte: channels, bits, rate)
//   5, 6 a block of the input's own bytes (2 bytes: frames)
//   7 a loud tone (1 byte half-period, 2 bytes frames, 1 byte level), for long half-waves

#include "tests/audio/equalizer_model.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

class Script {
public:
    Script(const uint8_t* data, size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    bool done() const { return m_at >= m_size; }
    uint32_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    uint32_t word() { return byte() | byte() << 8; }
    // Up to count bytes of the script, as they are.
    std::vector<uint8_t> take(size_t count)
    {
        size_t n = std::min(count, m_size - m_at);
        std::vector<uint8_t> bytes(m_data + m_at, m_data + m_at + n);
        m_at += n;
        return bytes;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

constexpr int32_t rates[] = {44100, 8000, 22050, 48000, 11025, 96000, 1, 7};

void compare(test::EqualizerPair& pair, const std::vector<uint8_t>& bytes, int32_t channels, int32_t bits,
    int32_t rate)
{
    audio::PCMData in {liba::DataBuffer::copy_of(bytes.data(), uint32_t(bytes.size())), channels, bits, rate};
    audio::PCMData out = pair.pull(in);
    test::ModelEqualizer::Result want = pair.model().process(bytes, channels, bits, rate);
    if (out.data.shares_storage_with(in.data) != want.passed_through || out.size() != want.bytes.size())
        __builtin_trap();
    if (!want.bytes.empty() && std::memcmp(out.data.data(), want.bytes.data(), want.bytes.size()) != 0)
        __builtin_trap();
    for (int c = 0; c < 2; ++c) {
        if (pair.stage().limiter_position(c) != pair.model().position(c))
            __builtin_trap();
    }
}

std::vector<uint8_t> tone(
    uint32_t half_period, uint32_t frames, uint32_t level, int32_t channels, int32_t bits)
{
    std::vector<uint8_t> bytes;
    double amplitude = 0.5 + level / 510.0; // half to full scale
    for (uint32_t f = 0; f < frames; ++f) {
        double v = amplitude * std::sin(3.141592653589793 * f / double(half_period + 1));
        for (int32_t c = 0; c < channels; ++c) {
            if (bits == 16) {
                auto s = int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0));
                bytes.push_back(uint8_t(s));
                bytes.push_back(uint8_t(uint16_t(s) >> 8));
            } else {
                bytes.push_back(uint8_t(std::lround(128.0 + std::clamp(v, -1.0, 1.0) * 127.0)));
            }
        }
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Script script(data, size);
    test::EqualizerPair pair;
    // The player's defaults until the script changes them.
    audio::EqualizerSettings band {80.0, 2.0, 8.0};
    pair.set_band(band.frequency, band.width, band.amplitude);
    int32_t channels = 2, bits = 16, rate = 44100;
    int blocks = 0;
    while (!script.done() && blocks < 64) {
        switch (script.byte() % 8) {
        case 0: {
            uint32_t w = script.word();
            double hz = (w & 0x7FFF) / 4.0;
            band.frequency = w & 0x8000 ? -hz : hz;
            pair.set_band(band.frequency, band.width, band.amplitude);
            break;
        }
        case 1: {
            band.width = (int32_t(script.byte()) - 16) / 8.0;
            pair.set_band(band.frequency, band.width, band.amplitude);
            break;
        }
        case 2: {
            band.amplitude = (int32_t(script.byte()) - 64) / 2.0;
            pair.set_band(band.frequency, band.width, band.amplitude);
            break;
        }
        case 3:
            pair.reset();
            break;
        case 4: {
            uint32_t f = script.byte();
            channels = (f & 1) + 1;
            bits = f & 2 ? 8 : 16;
            rate = rates[(f >> 2) % std::size(rates)];
            break;
        }
        case 5:
        case 6: {
            size_t frame_bytes = size_t(channels) * size_t(bits / 8);
            size_t frames = script.word() % 4096;
            size_t partial = script.byte() & 1; // a block may end in part of a frame
            std::vector<uint8_t> bytes = script.take(frames * frame_bytes + partial);
            compare(pair, bytes, channels, bits, rate);
            ++blocks;
            break;
        }
        default: {
            uint32_t half_period = script.byte() * 8;
            uint32_t frames = script.word() % 8192;
            uint32_t level = script.byte();
            compare(pair, tone(half_period, frames, level, channels, bits), channels, bits, rate);
            ++blocks;
            break;
        }
        }
    }
    return 0;
}
