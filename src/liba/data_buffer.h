#pragma once

// A view (offset, size) on reference-counted byte storage. Copying and slicing share the storage;
// writable() copies the viewed bytes first when the storage is shared, so a stage that changes
// samples never disturbs another view. Counts change atomically: views of one storage may be
// released on different threads. The bytes themselves are not synchronised: a view that is
// written must not be read by another thread at the same time.

#include <atomic>
#include <cstdint>

namespace liba {

class DataBuffer {
public:
    // Empty view (no storage, size 0).
    DataBuffer() = default;
    // New storage of size bytes; contents undefined.
    static DataBuffer make(uint32_t size);
    // New storage holding a copy of size bytes.
    static DataBuffer copy_of(const void* bytes, uint32_t size);

    DataBuffer(const DataBuffer& other);
    DataBuffer(DataBuffer&& other) noexcept;
    DataBuffer& operator=(const DataBuffer& other);
    DataBuffer& operator=(DataBuffer&& other) noexcept;
    ~DataBuffer();

    // A view sharing the storage, off bytes into this view and len bytes long. No bounds test:
    // callers pass ranges inside the view.
    DataBuffer slice(uint32_t off, uint32_t len) const;

    const uint8_t* data() const;
    // Copies the viewed bytes into storage of its own first when the storage is shared.
    uint8_t* writable();
    void fill(uint8_t value);

    uint32_t size() const { return m_size; }
    uint32_t offset() const { return m_offset; }
    bool empty() const { return m_size == 0; }
    // True when both views share one storage (for tests of the no-copy rule).
    bool shares_storage_with(const DataBuffer& other) const
    {
        return m_storage && m_storage == other.m_storage;
    }
    bool is_shared() const;

private:
    struct Storage;
    void release();

    Storage* m_storage = nullptr;
    uint32_t m_offset = 0;
    uint32_t m_size = 0;
};

} // namespace liba
