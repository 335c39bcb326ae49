#pragma once

// Hand-made MPEG audio frames for the MP3 suites: a real header followed by zero bytes, which
// libmad decodes as silence.

#include "audio/play_chain.h"
#include "decoded_audio.h"
#include "support/test_support.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace mp3test {

// Version field values of the header (bits 20-19).
enum Version : uint32_t { MPEG25 = 0, Reserved = 1, MPEG2 = 2, MPEG1 = 3 };

struct Frame {
    uint32_t version = MPEG1;
    uint32_t layer = 3;
    uint32_t bitrate_index = 9; // 128 kbit/s for MPEG-1 Layer III
    uint32_t rate_index = 0; // 44100 Hz for MPEG-1
    bool padding = false;
    bool mono = false;
};

inline uint32_t header_value(const Frame& f)
{
    return 0xFFE00000u | f.version << 19 | (4 - f.layer) << 17 | 1u << 16 | f.bitrate_index << 12
        | f.rate_index << 10 | uint32_t(f.padding) << 9 | (f.mono ? 3u : 0u) << 6;
}

inline test::Bytes header_bytes(const Frame& f)
{
    uint32_t h = header_value(f);
    return {uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h)};
}

// The header followed by zeros up to length bytes.
inline test::Bytes frame_bytes(const Frame& f, size_t length)
{
    test::Bytes bytes = header_bytes(f);
    bytes.resize(length, 0);
    return bytes;
}

// count MPEG-1 Layer III frames at 128 kbit/s, 44100 Hz, stereo: 417 bytes each.
inline test::Bytes plain_frames(int count)
{
    test::Bytes out;
    for (int i = 0; i < count; ++i) {
        test::Bytes one = frame_bytes(Frame {}, 417);
        out.insert(out.end(), one.begin(), one.end());
    }
    return out;
}

// Bytes that hold no 0xFF and so no frame header.
inline test::Bytes junk(size_t size, uint32_t seed = 1)
{
    test::Bytes out(size);
    for (auto& b : out) {
        seed = seed * 1103515245u + 12345u;
        b = uint8_t((seed >> 16) % 255);
    }
    return out;
}

inline test::Bytes cat(std::initializer_list<test::Bytes> parts)
{
    test::Bytes out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

} // namespace mp3test
