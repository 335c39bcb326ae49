#pragma once

// The readers whose position unit is the sample frame (Ogg Vorbis, Musepack): conversions, skipping
// by reading, and their common base.

#include "audio/blocks.h"
#include "audio/file_reader.h"
#include "audio/pipeline.h"
#include "liba/critical_section.h"
#include "liba/nocopy.h"
#include "os/file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

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

// A reader that decodes its file to 16-bit interleaved PCM itself and is the PCM provider of its
// chain, counting positions in sample frames. It holds the file (opened for reading), the facts
// fixed at opening (0 until the derived reader sets them) and the reader's recursive lock; the facts
// and the conversions take no lock.
class FrameDecoder : public Provider<PCMData>, public FileReader, private liba::Nocopy {
public:
    unsigned channels() override { return m_channels; }
    unsigned bits_per_sample() override { return 16; }
    unsigned sample_rate() override { return m_sample_rate; }
    unsigned bitrate() override { return m_bitrate; }
    int32_t time_to_position(double seconds) override { return frames_from_seconds(m_sample_rate, seconds); }
    double position_to_time(int32_t position) override
    {
        return seconds_from_frames(m_sample_rate, position);
    }
    bool skip_time(double seconds) override { return skip_forward(time_to_position(seconds)); }
    // False when not open or when the stream ends first.
    bool skip_forward(int32_t frames) override { return is_open() && skip_frames(*this, frames); }

protected:
    explicit FrameDecoder(std::u16string_view path)
        : m_file(path, os::FileMode::Read)
    {
    }

    os::File m_file;
    unsigned m_channels = 0;
    unsigned m_sample_rate = 0;
    // In bits per second.
    unsigned m_bitrate = 0;
    liba::CriticalSection m_lock;
};

} // namespace audio
