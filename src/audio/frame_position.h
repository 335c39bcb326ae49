#pragma once

// Conversions for the readers whose position unit is the sample frame (Ogg Vorbis, Musepack).

#include "audio/blocks.h"
#include "audio/pipeline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace audio {

// truncate(rate x seconds), held inside the 32-bit position range.
inline int32_t frames_from_seconds(unsigned sample_rate, double seconds)
{
    double frames = static_cast<double>(sample_rate) * seconds;
    if (std::isnan(frames))
        return 0;
    frames = std::clamp<double>(
        frames, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(frames);
}

// position / rate; 0 when the rate is 0.
inline double seconds_from_frames(unsigned sample_rate, int32_t position)
{
    if (sample_rate == 0)
        return 0.0;
    return static_cast<double>(position) / sample_rate;
}

// A 64-bit frame count from a library, held inside the 32-bit position range (negative: 0).
inline int32_t clamp_frames(int64_t frames)
{
    return static_cast<int32_t>(std::clamp<int64_t>(frames, 0, std::numeric_limits<int32_t>::max()));
}

// Skips forward by reading: pulls blocks of at most the frames left and pushes each to the
// connected consumer, as a played block would be. False when the stream ends first.
inline bool skip_frames(Provider<PCMData>& reader, int32_t frames)
{
    while (frames > 0) {
        PCMData block = reader.get_block(frames);
        if (block.empty() || block.frames() == 0)
            return false;
        reader.deliver(block);
        frames -= static_cast<int32_t>(block.frames());
    }
    return true;
}

} // namespace audio
