#include "os/zip_writer.h"

#include "liba/little_endian.h"

#include <algorithm>
#include <zlib.h>

namespace os {

namespace {

constexpr uint16_t s_dos_date_1980 = 0x0021; // 1980-01-01
constexpr uint16_t s_utf8_names = 0x0800;

using liba::append_le16;
using liba::append_le32;

uint16_t flags_for(const std::string& name)
{
    bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return uint8_t(c) < 0x80; });
    return ascii ? 0 : s_utf8_names;
}

// Version needed, flags, method (stored), time, date, CRC and both sizes, name and extra lengths:
// the part the local header and the central directory share.
void put_common(std::vector<uint8_t>& out, const std::string& name, uint32_t crc, uint32_t size)
{
    append_le16(out, 10);
    append_le16(out, flags_for(name));
    append_le16(out, 0);
    append_le16(out, 0);
    append_le16(out, s_dos_date_1980);
    append_le32(out, crc);
    append_le32(out, size);
    append_le32(out, size);
    append_le16(out, uint16_t(name.size()));
    append_le16(out, 0);
}

} // namespace

ZipWriter& ZipWriter::add(std::string_view name, const std::vector<uint8_t>& data)
{
    auto crc = uint32_t(::crc32(0, data.data(), uInt(data.size())));
    Entry entry {std::string(name), crc, uint32_t(data.size()), uint32_t(m_local.size())};
    append_le32(m_local, 0x04034B50);
    put_common(m_local, entry.name, entry.crc, entry.size);
    m_local.insert(m_local.end(), entry.name.begin(), entry.name.end());
    m_local.insert(m_local.end(), data.begin(), data.end());
    m_entries.push_back(std::move(entry));
    return *this;
}

std::vector<uint8_t> ZipWriter::finish() const
{
    std::vector<uint8_t> out = m_local;
    uint32_t directory = uint32_t(out.size());
    for (const Entry& entry : m_entries) {
        append_le32(out, 0x02014B50);
        append_le16(out, 20); // made by: MS-DOS attributes, version 2.0
        put_common(out, entry.name, entry.crc, entry.size);
        append_le16(out, 0); // comment length
        append_le16(out, 0); // disk
        append_le16(out, 0); // internal attributes
        append_le32(out, 0); // external attributes
        append_le32(out, entry.offset);
        out.insert(out.end(), entry.name.begin(), entry.name.end());
    }
    uint32_t directory_size = uint32_t(out.size()) - directory;
    append_le32(out, 0x06054B50);
    append_le16(out, 0);
    append_le16(out, 0);
    append_le16(out, uint16_t(m_entries.size()));
    append_le16(out, uint16_t(m_entries.size()));
    append_le32(out, directory_size);
    append_le32(out, directory);
    append_le16(out, 0);
    return out;
}

} // namespace os
