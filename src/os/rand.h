#pragma once

// The process's random numbers, for the playlist's shuffle. A generator of our own (a SplitMix64
// sequence), so that nothing else in the process can disturb it: the same seed always yields the
// same sequence. The first call seeds it from the clock, unless the environment variable
// MELODECK_SEED holds a decimal number (0..4294967295), which is then the seed, for reproducible
// runs. Safe to call from any thread.

#include <cstdint>

namespace os {

// 15 random bits: 0..32767.
uint32_t rand();
// Restarts the sequence from seed (tests; the player never calls it).
void seed_rand(uint32_t seed);

} // namespace os
