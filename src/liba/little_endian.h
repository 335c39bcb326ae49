#pragma once

// Little-endian words in byte buffers, as the file formats the system reads and writes store them
// (RIFF/WAV, zip, BMP, the skin description). Independent of the machine's own byte order.

#include <cstdint>
#include <vector>

namespace liba {

inline uint16_t load_le16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

inline uint32_t load_le32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void store_le16(uint8_t* p, uint16_t value)
{
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

inline void store_le32(uint8_t* p, uint32_t value)
{
    store_le16(p, uint16_t(value));
    store_le16(p + 2, uint16_t(value >> 16));
}

inline void append_le16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

inline void append_le32(std::vector<uint8_t>& out, uint32_t value)
{
    append_le16(out, uint16_t(value));
    append_le16(out, uint16_t(value >> 16));
}

} // namespace liba
