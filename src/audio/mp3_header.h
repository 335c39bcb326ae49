#pragma once

// The four-byte header at the start of every MPEG audio frame (MPEG-1, MPEG-2 and the MPEG-2.5
// extension; Layers I to III), decoded into the facts the reader and the decoder need.
//
// Bit layout of the big-endian value h:
//   31-21 sync (all set)   20-19 version (00 MPEG-2.5, 01 reserved, 10 MPEG-2, 11 MPEG-1)
//   18-17 layer (01 III, 10 II, 11 I, 00 reserved)   16 no-CRC flag
//   15-12 bitrate index (0 free format, 15 bad)   11-10 sampling-frequency index (3 reserved)
//   9 padding   8 private   7-6 channel mode (11 single channel)   5-0 extension, copyright, emphasis

#include <cstdint>

namespace audio {

struct MP3Header {
    int32_t version = 0; // 1 MPEG-1, 2 MPEG-2, 3 MPEG-2.5
    int32_t layer = 0; // 1, 2 or 3
    int32_t channels = 0; // 1 for single channel, else 2
    int32_t sample_rate = 0; // Hz
    int32_t bitrate = 0; // kbit/s
    int32_t frame_length = 0; // bytes, header included
    int32_t samples_per_frame = 0; // per channel

    // Frames of one stream agree in these; bitrate and length may change (variable bitrate).
    bool agrees_with(const MP3Header& other) const
    {
        return version == other.version && layer == other.layer && channels == other.channels
            && sample_rate == other.sample_rate && samples_per_frame == other.samples_per_frame;
    }
};

// True when h has the sync bits, a known version and layer, a bitrate index other than free
// format (0) and 15, and a sampling-frequency index other than 3.
bool is_frame_header(uint32_t h);

// Decodes the header in bytes[0..3]; false (header untouched) when it is not a frame header.
bool parse_frame_header(const uint8_t* bytes, MP3Header& header);

} // namespace audio
