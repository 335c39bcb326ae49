#pragma once

// Turns coded blocks of type T into PCM. Pulls are lazy: coded units are requested and decoded
// only when the pending PCM is used up, and blocks handed out are slices of the decoded block
// (no sample is copied between stages). Runs on the player's thread under this decoder's
// consumer lock; the reader below takes its own lock.

#include "audio/blocks.h"
#include "audio/pipeline.h"
#include "liba/nocopy.h"

#include <algorithm>

namespace audio {

template<typename T>
class BlockDecoderPCM : public Provider<PCMData>, public Consumer<T>, private liba::Nocopy {
public:
    using Coded = T;

    // Hands out at most max_frames frames of the pending block, decoding the next coded block
    // first when nothing is pending. Empty at the end of the stream.
    PCMData get_block(int32_t max_frames) override
    {
        liba::ScopedLock guard(this->m_lock);
        while (m_pending.empty()) {
            T coded = this->request(units_for_frames(max_frames));
            if (coded.empty())
                return PCMData {};
            m_pending = decode_block(coded);
            // A block without a format cannot be cut into frames; treat it as undecodable.
            if (m_pending.frame_size() == 0)
                m_pending = PCMData {};
        }
        uint64_t wanted = uint64_t(m_pending.frame_size()) * uint64_t(std::max<int32_t>(max_frames, 0));
        auto take = static_cast<uint32_t>(std::min<uint64_t>(wanted, m_pending.size()));
        PCMData out = m_pending.slice(0, take);
        m_pending = m_pending.slice(take, m_pending.size() - take);
        return out;
    }

    // Push path: decodes and forwards downstream; pending is not touched.
    void on_data(const T& coded) override
    {
        liba::ScopedLock guard(this->m_lock);
        this->deliver(decode_block(coded));
    }

    // Frames decoded and not yet handed out (for tests and diagnostics).
    uint32_t pending_frames()
    {
        liba::ScopedLock guard(this->m_lock);
        return m_pending.frames();
    }

protected:
    virtual PCMData decode_block(const T& coded) = 0;
    virtual int32_t units_for_frames(int32_t frames) = 0;

private:
    PCMData m_pending;
};

} // namespace audio
