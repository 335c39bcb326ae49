#include "support/zip_writer.h"

namespace test {

uint32_t crc32(const Bytes& data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

ZipWriter& ZipWriter::add(std::string_view name, const Bytes& data)
{
    Entry entry {std::string(name), crc32(data), uint32_t(data.size()), uint32_t(m_local.bytes.size())};
    // Version 10, no flags, method 0 (stored), time and date 0.
    m_local.u32(0x04034B50).u16(10).u16(0).u16(0).u16(0).u16(0);
    m_local.u32(entry.crc).u32(entry.size).u32(entry.size);
    m_local.u16(uint16_t(name.size())).u16(0).raw(name).raw(data);
    m_entries.push_back(entry);
    return *this;
}

Bytes ZipWriter::finish() const
{
    ByteWriter out = m_local;
    uint32_t directory = uint32_t(out.bytes.size());
    for (const Entry& e : m_entries) {
        out.u32(0x02014B50).u16(10).u16(10).u16(0).u16(0).u16(0).u16(0);
        out.u32(e.crc).u32(e.size).u32(e.size);
        out.u16(uint16_t(e.name.size())).u16(0).u16(0).u16(0).u16(0).u32(0).u32(e.offset).raw(e.name);
    }
    uint32_t directory_size = uint32_t(out.bytes.size()) - directory;
    out.u32(0x06054B50).u16(0).u16(0).u16(uint16_t(m_entries.size())).u16(uint16_t(m_entries.size()));
    out.u32(directory_size).u32(directory).u16(0);
    return out.bytes;
}

} // namespace test
