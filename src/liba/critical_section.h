#pragma once

// The lock every shared object of the system owns. Recursive: the thread that holds it may enter
// again and must leave as many times (the player's device-open handler sets the volume under the
// same lock; a reader's is_end calls its own length and position while holding it).
// Locks are not fair and have no time-out; the audio engine takes them in the order
// player -> equalizer -> decoder -> reader.

#include "liba/nocopy.h"

#include <memory>
#include <mutex>

namespace liba {

class CriticalSection : private Nocopy {
public:
    CriticalSection()
        : m_section(std::make_unique<std::recursive_mutex>())
    {
    }

    void enter() { m_section->lock(); }
    void leave() { m_section->unlock(); }
    // Enters when no other thread holds the lock; never waits.
    bool try_enter() { return m_section->try_lock(); }

    // For std::scoped_lock / std::unique_lock.
    void lock() { enter(); }
    void unlock() { leave(); }

private:
    std::unique_ptr<std::recursive_mutex> m_section;
};

// Enters the lock for the lifetime of the guard, also when an exception passes.
class ScopedLock : private Nocopy {
public:
    explicit ScopedLock(CriticalSection& section)
        : m_section(section)
    {
        m_section.enter();
    }
    ~ScopedLock() { m_section.leave(); }

private:
    CriticalSection& m_section;
};

} // namespace liba
