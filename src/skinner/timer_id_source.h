#pragma once

// Hands out timer identifiers: one number per timer started, counting up from 1, so that no two
// timers of the process share an identifier, whichever window they run on. 0 stays free to mean
// "no timer": after 2^32 - 1 identifiers the count starts again at 1 rather than giving 0.
//
// User-interface thread only.

#include <cstdint>

namespace skinner {

class TimerIdSource {
public:
    explicit TimerIdSource(uint32_t next = 1)
        : m_next(next == 0 ? 1 : next)
    {
    }

    uint32_t take()
    {
        uint32_t id = m_next++;
        if (m_next == 0)
            m_next = 1;
        return id;
    }

    // The identifier the next take() returns.
    uint32_t peek() const { return m_next; }

private:
    uint32_t m_next;
};

} // namespace skinner
