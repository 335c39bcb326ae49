#pragma once

// Sources for pipeline tests. RampSource hands out 16-bit mono PCM whose sample k has value k
// (wrapping at 16 bits), so an offset or seek slip shows in the values.

#include "audio/blocks.h"
#include "audio/pipeline.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace test {

class RampSource : public audio::Provider<audio::PCMData> {
public:
    explicit RampSource(uint32_t total_frames, int32_t rate = 44100)
        : m_total(total_frames)
        , m_rate(rate)
    {
    }

    audio::PCMData get_block(int32_t max) override
    {
        ++m_pulls;
        uint32_t n = std::min<uint32_t>(uint32_t(std::max(max, 0)), m_total - m_next);
        audio::PCMData block {liba::DataBuffer::make(n * 2), 1, 16, m_rate};
        uint8_t* out = block.data.writable();
        for (uint32_t i = 0; i < n; ++i) {
            auto v = uint16_t(m_next + i);
            out[2 * i] = uint8_t(v);
            out[2 * i + 1] = uint8_t(v >> 8);
        }
        m_next += n;
        return block;
    }

    int pulls() const { return m_pulls; }

private:
    uint32_t m_total;
    uint32_t m_next = 0;
    int32_t m_rate;
    std::atomic<int> m_pulls {0};
};

// Collects pushed blocks and pulls under its lock, as the player does.
class PCMSink : public audio::Consumer<audio::PCMData> {
public:
    void on_data(const audio::PCMData& block) override
    {
        ++pushed;
        pushed_frames += block.frames();
    }
    audio::PCMData pull(int32_t frames)
    {
        liba::ScopedLock guard(lock());
        return request(frames);
    }
    int pushed = 0;
    uint32_t pushed_frames = 0;
};

inline int16_t sample16(const audio::PCMData& block, uint32_t index)
{
    int16_t value;
    std::memcpy(&value, block.data.data() + 2 * index, 2);
    return value;
}

} // namespace test
