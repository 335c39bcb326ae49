#pragma once

// A seekable reader over bytes held in memory (a copy owned by the reader, or bytes shared with
// other readers, which none of them changes). It behaves like a
// file opened for reading: reads stop at the end, seek and skip may move past the end (reads
// there return 0), and a position before the start is refused. Positions are bytes, 32-bit.

#include "liba/nocopy.h"
#include "liba/streams.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace liba {

class MemoryReader : public ResourceReader, private Nocopy {
public:
    explicit MemoryReader(std::vector<uint8_t> bytes);
    MemoryReader(const void* bytes, uint32_t count);
    // Null reads as no bytes.
    explicit MemoryReader(std::shared_ptr<const std::vector<uint8_t>> bytes);

    uint32_t read(void* buffer, uint32_t count) override;
    int32_t skip(int32_t count) override;
    uint32_t size() override;
    bool seek(uint32_t position) override;
    uint32_t tell() override;

private:
    std::shared_ptr<const std::vector<uint8_t>> m_bytes;
    // Positions are 32-bit: whatever lies beyond cannot be reached.
    uint32_t m_size = 0;
    uint32_t m_position = 0;
};

} // namespace liba
