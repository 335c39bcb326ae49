#pragma once

// The block types that travel through the graph. Each is a DataBuffer view plus the fields its
// consumer needs. A block whose size is 0 means "no more data": the end of the stream, or a stage
// with no provider. Only the size decides; an end-of-stream block may still carry its format.

#include "liba/data_buffer.h"

#include <cstdint>
#include <utility>

namespace audio {

// Interleaved little-endian PCM: unsigned 8-bit, or signed 16/24/32-bit.
struct PCMData {
    liba::DataBuffer data;
    int32_t channels = 0;
    int32_t bits_per_sample = 0;
    int32_t sample_rate = 0;

    uint32_t size() const { return data.size(); }
    bool empty() const { return data.size() == 0; }
    // ((bits + 7) / 8) x channels; 0 for a block without format.
    uint32_t frame_size() const
    {
        if (channels <= 0 || bits_per_sample <= 0)
            return 0;
        return static_cast<uint32_t>((bits_per_sample + 7) / 8 * channels);
    }
    uint32_t frames() const { return frame_size() == 0 ? 0 : size() / frame_size(); }
    bool same_format(const PCMData& other) const
    {
        return channels == other.channels && bits_per_sample == other.bits_per_sample
            && sample_rate == other.sample_rate;
    }
    // A view of len bytes from off, with this block's format.
    PCMData slice(uint32_t off, uint32_t len) const
    {
        return {data.slice(off, len), channels, bits_per_sample, sample_rate};
    }
};

// A whole number of Microsoft ADPCM blocks with the stream's format.
struct ADPCMData {
    liba::DataBuffer data;
    uint32_t channels = 0;
    uint32_t bits_per_sample = 0;
    uint32_t sample_rate = 0;
    uint32_t block_align = 0;

    uint32_t size() const { return data.size(); }
    bool empty() const { return data.size() == 0; }
};

// A whole number of 65-byte GSM 06.10 (WAV49) blocks.
struct GSMData {
    liba::DataBuffer data;

    uint32_t size() const { return data.size(); }
    bool empty() const { return data.size() == 0; }
};

// One MPEG audio frame: the buffer holds 2000 bytes beginning with the frame header, of which
// frame_length belong to the frame (the rest is guard for the decoder).
struct MP3Data {
    MP3Data() = default;
    MP3Data(liba::DataBuffer frame, uint32_t length)
        : data(std::move(frame))
        , frame_length(length)
    {
    }

    liba::DataBuffer data;
    uint32_t frame_length = 0;
    // The first frame after a seek: the decoder forgets the frames it decoded before, then decodes
    // prelude, the whole frames that precede this one in the file, only to rebuild the state this
    // frame depends on (the Layer III bit reservoir and the overlap of the previous frame).
    bool restart = false;
    liba::DataBuffer prelude;

    uint32_t size() const { return data.size(); }
    bool empty() const { return data.size() == 0; }
};

} // namespace audio
