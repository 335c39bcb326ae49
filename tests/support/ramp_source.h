#pragma once

// Sources for pipeline tests. RampSource hands out 16-bit mono PCM whose sample k has value k
// (wrapping at 16 bits), so an offset or seek slip shows in the values.

#include "audio/blocks.h"
#include "audio/pipeline.h"

#include <algorithm>
#include <cstring>

namespace test {

class RampSource : public audio::Provider<audio::PCMData> {
public:
    explicit RampSource(uint32_t total_frames) { m_total = total_frames; }

    audio::PCMData get_block(int32_t max) override
    {
        uint32_t n = std::min<uint32_t>(uint32_t(std::max(max, 0)), m_total - m_next);
        audio::PCMData block {liba::DataBuffer::make(n * 2), 1, 16, 44100};
        auto* out = reinterpret_cast<uint16_t*>(block.data.writable());
        for (uint32_t i = 0; i < n; ++i)
            out[i] = uint16_t(m_next++);
        return block;
    }

private:
    uint32_t m_total, m_next = 0;
};

// Collects pushed blocks and pulls under its lock, as the player does.
class PCMSink : public audio::Consumer<audio::PCMData> {
public:
    void on_data(const audio::PCMData& block) override { pushed_frames += block.frames(); }
    audio::PCMData pull(int32_t frames)
    {
        liba::ScopedLock guard(lock());
        return request(frames);
    }
    uint32_t pushed_frames = 0;
};

inline int16_t sample16(const audio::PCMData& block, uint32_t index)
{
    int16_t value;
    std::memcpy(&value, block.data.data() + 2 * index, 2);
    return value;
}

} // namespace test
