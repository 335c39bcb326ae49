#pragma once

// Byte streams. Positions and sizes are 32-bit unsigned. Operations on a stream that is not good
// return 0 / false without doing anything; callers test good() instead of catching.

#include "liba/error_base.h"

#include <cstdint>

namespace liba {

class StreamReader : public ErrorBase {
public:
    // Bytes actually read (0 at the end or on failure).
    virtual uint32_t read(void* buffer, uint32_t count) = 0;
    // Moves by count (may be negative); returns the distance actually moved.
    virtual int32_t skip(int32_t count) = 0;
};

class ResourceReader : public StreamReader {
public:
    virtual uint32_t size() = 0;
    virtual bool seek(uint32_t position) = 0;
    virtual uint32_t tell() = 0;
};

class StreamWriter : public ErrorBase {
public:
    virtual uint32_t write(const void* buffer, uint32_t count) = 0;
};

class ResourceWriter : public StreamWriter {
public:
    virtual uint32_t size() = 0;
    virtual bool seek(uint32_t position) = 0;
    virtual uint32_t tell() = 0;
};

// Both faces on one object. Implementations keep one error state, the reader face's: add_error
// and good() of the writer face forward to it.
class ResourceReaderWriterBase : public ResourceReader, public ResourceWriter {
public:
    using ResourceReader::read;
    using ResourceWriter::write;
    uint32_t size() override = 0;
    bool seek(uint32_t position) override = 0;
    uint32_t tell() override = 0;

    void add_error(const std::u16string& message) override { ResourceReader::add_error(message); }
    bool good() const { return ResourceReader::good(); }
    const std::vector<std::u16string>& errors() const { return ResourceReader::errors(); }
};

} // namespace liba
