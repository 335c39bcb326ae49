#include "liba/memory_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace liba {

MemoryReader::MemoryReader(std::vector<uint8_t> bytes)
    : m_bytes(std::move(bytes))
{
    // Positions are 32-bit: whatever lies beyond cannot be reached.
    if (m_bytes.size() > std::numeric_limits<uint32_t>::max())
        m_bytes.resize(std::numeric_limits<uint32_t>::max());
}

MemoryReader::MemoryReader(const void* bytes, uint32_t count)
    : m_bytes(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + count)
{
}

uint32_t MemoryReader::read(void* buffer, uint32_t count)
{
    if (!good() || count == 0 || m_position >= m_bytes.size())
        return 0;
    uint32_t done = std::min<uint32_t>(count, static_cast<uint32_t>(m_bytes.size() - m_position));
    std::memcpy(buffer, m_bytes.data() + m_position, done);
    m_position += done;
    return done;
}

int32_t MemoryReader::skip(int32_t count)
{
    if (!good() || count == 0)
        return 0;
    int64_t target = int64_t(m_position) + count;
    if (target < 0 || target > int64_t(std::numeric_limits<uint32_t>::max()))
        return 0;
    m_position = static_cast<uint32_t>(target);
    return count;
}

uint32_t MemoryReader::size()
{
    return good() ? static_cast<uint32_t>(m_bytes.size()) : 0;
}

bool MemoryReader::seek(uint32_t position)
{
    if (!good())
        return false;
    m_position = position;
    return true;
}

uint32_t MemoryReader::tell()
{
    return good() ? m_position : 0;
}

} // namespace liba
