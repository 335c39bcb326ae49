#pragma once

// Thread priorities. The framework's five levels, -2 (lowest) .. 2 (highest), map to the
// platform priorities 5 .. 1, where 3 is normal and each step is five nice levels.

namespace os {

// The platform priority of a level: 5 (lowest) .. 1 (highest); levels outside -2 .. 2 clamp.
int platform_priority(int level);

// Sets the calling thread's priority to a level (clamped). False when the platform refuses:
// raising a thread's priority needs the right to do so.
bool set_current_thread_priority(int level);

} // namespace os
