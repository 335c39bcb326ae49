#pragma once

// One use of a representation shared through a process-wide registry (fonts, pictures). The
// representation counts its uses in its `uses` member: a copy adds one, and the last use to go
// calls forget, which takes the representation out of its registry (and so deletes it).
//
// The owners keep the representation types incomplete in their headers, so they declare their
// copy, move and destructor there and define them (= default) where the representation is known.

#include <utility>

namespace skinner {

template<typename Rep, void (*forget)(const Rep&)> class RegistryUse {
public:
    RegistryUse() = default;
    // A new use of rep (null: none).
    explicit RegistryUse(Rep* rep)
        : m_rep(rep)
    {
        if (m_rep)
            ++m_rep->uses;
    }
    RegistryUse(const RegistryUse& other)
        : RegistryUse(other.m_rep)
    {
    }
    RegistryUse(RegistryUse&& other) noexcept
        : m_rep(std::exchange(other.m_rep, nullptr))
    {
    }
    // Takes other's use (a copy counts one first), then lets go of the one held before, so
    // assigning a use of the same representation never deletes it.
    RegistryUse& operator=(RegistryUse other) noexcept
    {
        std::swap(m_rep, other.m_rep);
        return *this;
    }
    ~RegistryUse()
    {
        if (m_rep && --m_rep->uses == 0)
            forget(*m_rep);
    }

    Rep* get() const { return m_rep; }
    Rep* operator->() const { return m_rep; }
    explicit operator bool() const { return m_rep != nullptr; }

private:
    Rep* m_rep = nullptr;
};

} // namespace skinner
