#include "os/rand.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace os {

namespace {

constexpr uint64_t s_gamma = 0x9E3779B97F4A7C15ull;

uint64_t mix(uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// The seed named by MELODECK_SEED; false when it is unset or not a whole decimal number that fits.
bool seed_from_environment(uint32_t& seed)
{
    const char* text = std::getenv("MELODECK_SEED");
    if (!text || !*text)
        return false;
    const char* end = text + std::strlen(text);
    auto [stop, error] = std::from_chars(text, end, seed);
    return error == std::errc() && stop == end;
}

uint64_t first_state()
{
    uint32_t seed = 0;
    if (seed_from_environment(seed))
        return mix(seed);
    // Two copies started in the same clock tick still differ by their process id.
    auto now = uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
    return mix(now ^ (uint64_t(::getpid()) << 40));
}

// The sequence's counter; each draw advances it by s_gamma and mixes the result, so concurrent
// callers each get their own step without a lock.
std::atomic<uint64_t>& state()
{
    static std::atomic<uint64_t> s_state {first_state()};
    return s_state;
}

} // namespace

uint32_t rand()
{
    uint64_t step = state().fetch_add(s_gamma, std::memory_order_relaxed) + s_gamma;
    // The top bits of the mix are the best.
    return uint32_t(mix(step) >> 49);
}

void seed_rand(uint32_t seed)
{
    state().store(mix(seed), std::memory_order_relaxed);
}

} // namespace os
