#pragma once

// Writes zip archives of stored (uncompressed) entries, as skin files are (skinc, tests, benchmarks): a local
// header and the data of each entry in order, then the central directory and its end record, so that ordinary
// zip tools read the result too. Entry names are UTF-8 (flagged as such when not plain ASCII). Every time
// stamp is 1980-01-01 00:00, so the same entries always give the same archive.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace os {

class ZipWriter {
public:
    // name is UTF-8.
    ZipWriter& add(std::string_view name, const std::vector<uint8_t>& data);
    // The archive, closed with its central directory.
    std::vector<uint8_t> finish() const;

private:
    struct Entry {
        std::string name;
        uint32_t crc = 0;
        uint32_t size = 0;
        uint32_t offset = 0;
    };
    std::vector<uint8_t> m_local;
    std::vector<Entry> m_entries;
};

} // namespace os
