#pragma once

// A PCM stage in the middle of the graph (the equalizer). Both the pull path (get_block, called by
// the downstream consumer on the player's thread) and the push path (on_data) run process() under
// this stage's consumer lock.

#include "audio/blocks.h"
#include "audio/pipeline.h"

namespace audio {

template<typename In, typename Out> class Processor : public Consumer<In>, public Provider<Out> {
public:
    void on_data(const In& in) override
    {
        liba::ScopedLock guard(this->m_lock);
        Out out = process(in);
        this->deliver(out);
    }

    Out get_block(int32_t max) override
    {
        liba::ScopedLock guard(this->m_lock);
        In in = this->request(max);
        return process(in);
    }

protected:
    // Called with the lock held, also for an empty block, for which it must return an empty block.
    virtual Out process(const In& in) = 0;
};

} // namespace audio
