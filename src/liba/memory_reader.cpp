#include "liba/memory_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace liba {

MemoryReader::MemoryReader(std::vector<uint8_t> bytes)
    : MemoryReader(std::make_shared<const std::vector<uint8_t>>(std::move(bytes)))
{
}

MemoryReader::MemoryReader(const void* bytes, uint32_t count)
    : MemoryReader(
        std::vector<uint8_t>(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + count))
{
}

MemoryReader::MemoryReader(std::shared_ptr<const std::vector<uint8_t>> bytes)
    : m_bytes(bytes ? std::move(bytes) : std::make_shared<const std::vector<uint8_t>>())
    , m_size(static_cast<uint32_t>(std::min<size_t>(m_bytes->size(), std::numeric_limits<uint32_t>::max())))
{
}

uint32_t MemoryReader::read(void* buffer, uint32_t count)
{
    if (!good() || count == 0 || m_position >= m_size)
        return 0;
    uint32_t done = std::min<uint32_t>(count, m_size - m_position);
    std::memcpy(buffer, m_bytes->data() + m_position, done);
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
    return good() ? m_size : 0;
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
