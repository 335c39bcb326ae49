#pragma once

// Zip archives of stored (uncompressed) entries, as skin files are: local headers with equal
// compressed and uncompressed sizes and a real CRC-32, followed by the central directory and its
// end record, so that ordinary zip tools accept the result too.

#include "support/test_support.h"

#include <string>
#include <string_view>
#include <vector>

namespace test {

class ZipWriter {
public:
    ZipWriter& add(std::string_view name, const Bytes& data);
    // The archive so far, closed with its central directory.
    Bytes finish() const;

private:
    struct Entry {
        std::string name;
        uint32_t crc = 0;
        uint32_t size = 0;
        uint32_t offset = 0;
    };
    ByteWriter m_local;
    std::vector<Entry> m_entries;
};

uint32_t crc32(const Bytes& data);

} // namespace test
