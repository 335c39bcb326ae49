#include "skinc/zip_writer.h"

#include "liba/text.h"

#include <algorithm>
#include <array>

namespace skinc {

namespace {

constexpr uint16_t s_dos_date_1980 = 0x0021; // 1980-01-01
constexpr uint16_t s_utf8_names = 0x0800;

void put16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value)
{
    put16(out, uint16_t(value));
    put16(out, uint16_t(value >> 16));
}

uint16_t flags_for(const std::string& name)
{
    bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return uint8_t(c) < 0x80; });
    return ascii ? 0 : s_utf8_names;
}

// Version needed, flags, method (stored), time, date, CRC and both sizes, name and extra lengths:
// the part the local header and the central directory share.
void put_common(std::vector<uint8_t>& out, const std::string& name, uint32_t crc, uint32_t size)
{
    put16(out, 10);
    put16(out, flags_for(name));
    put16(out, 0);
    put16(out, 0);
    put16(out, s_dos_date_1980);
    put32(out, crc);
    put32(out, size);
    put32(out, size);
    put16(out, uint16_t(name.size()));
    put16(out, 0);
}

} // namespace

uint32_t crc32(const std::vector<uint8_t>& data)
{
    static const std::array<uint32_t, 256> s_table = [] {
        std::array<uint32_t, 256> table {};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        return table;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t byte : data)
        crc = s_table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void ZipWriter::add(std::u16string_view name, const std::vector<uint8_t>& data)
{
    Entry entry {liba::to_utf8(name), crc32(data), uint32_t(data.size()), uint32_t(m_local.size())};
    put32(m_local, 0x04034B50);
    put_common(m_local, entry.name, entry.crc, entry.size);
    m_local.insert(m_local.end(), entry.name.begin(), entry.name.end());
    m_local.insert(m_local.end(), data.begin(), data.end());
    m_entries.push_back(std::move(entry));
}

std::vector<uint8_t> ZipWriter::finish() const
{
    std::vector<uint8_t> out = m_local;
    uint32_t directory = uint32_t(out.size());
    for (const Entry& entry : m_entries) {
        put32(out, 0x02014B50);
        put16(out, 20); // made by: MS-DOS attributes, version 2.0
        put_common(out, entry.name, entry.crc, entry.size);
        put16(out, 0); // comment length
        put16(out, 0); // disk
        put16(out, 0); // internal attributes
        put32(out, 0); // external attributes
        put32(out, entry.offset);
        out.insert(out.end(), entry.name.begin(), entry.name.end());
    }
    uint32_t directory_size = uint32_t(out.size()) - directory;
    put32(out, 0x06054B50);
    put16(out, 0);
    put16(out, 0);
    put16(out, uint16_t(m_entries.size()));
    put16(out, uint16_t(m_entries.size()));
    put32(out, directory_size);
    put32(out, directory);
    put16(out, 0);
    return out;
}

} // namespace skinc
