#include "liba/data_buffer.h"

#include <cstring>
#include <memory>
#include <utility>

namespace liba {

struct DataBuffer::Storage {
    explicit Storage(uint32_t size)
        : bytes(std::make_unique_for_overwrite<uint8_t[]>(size == 0 ? 1 : size))
    {
    }
    std::atomic<int32_t> references {1};
    std::unique_ptr<uint8_t[]> bytes;
};

DataBuffer DataBuffer::make(uint32_t size)
{
    DataBuffer buffer;
    buffer.m_storage = new Storage(size);
    buffer.m_size = size;
    return buffer;
}

DataBuffer DataBuffer::copy_of(const void* bytes, uint32_t size)
{
    DataBuffer buffer = make(size);
    if (size > 0)
        std::memcpy(buffer.m_storage->bytes.get(), bytes, size);
    return buffer;
}

DataBuffer::DataBuffer(const DataBuffer& other)
    : m_storage(other.m_storage)
    , m_offset(other.m_offset)
    , m_size(other.m_size)
{
    if (m_storage)
        m_storage->references.fetch_add(1, std::memory_order_relaxed);
}

DataBuffer::DataBuffer(DataBuffer&& other) noexcept
    : m_storage(std::exchange(other.m_storage, nullptr))
    , m_offset(std::exchange(other.m_offset, 0))
    , m_size(std::exchange(other.m_size, 0))
{
}

DataBuffer& DataBuffer::operator=(const DataBuffer& other)
{
    if (this != &other) {
        DataBuffer copy(other);
        *this = std::move(copy);
    }
    return *this;
}

DataBuffer& DataBuffer::operator=(DataBuffer&& other) noexcept
{
    if (this != &other) {
        release();
        m_storage = std::exchange(other.m_storage, nullptr);
        m_offset = std::exchange(other.m_offset, 0);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

DataBuffer::~DataBuffer()
{
    release();
}

void DataBuffer::release()
{
    if (m_storage && m_storage->references.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete m_storage;
    m_storage = nullptr;
}

DataBuffer DataBuffer::slice(uint32_t off, uint32_t len) const
{
    DataBuffer view(*this);
    view.m_offset = m_offset + off;
    view.m_size = len;
    return view;
}

const uint8_t* DataBuffer::data() const
{
    return m_storage ? m_storage->bytes.get() + m_offset : nullptr;
}

bool DataBuffer::is_shared() const
{
    return m_storage && m_storage->references.load(std::memory_order_acquire) > 1;
}

uint8_t* DataBuffer::writable()
{
    if (!m_storage)
        return nullptr;
    if (is_shared())
        *this = copy_of(data(), m_size);
    return m_storage->bytes.get() + m_offset;
}

void DataBuffer::fill(uint8_t value)
{
    if (m_size > 0)
        std::memset(writable(), value, m_size);
}

} // namespace liba
