#pragma once

// A file on disk as a seekable byte stream. The constructor never throws: a file that cannot be
// opened gives a stream whose error list holds "can't open file", and every later operation on it
// returns 0 / false without touching anything. Positions and sizes are 32-bit unsigned.

#include "liba/nocopy.h"
#include "liba/streams.h"

#include <memory>
#include <string>

namespace os {

enum class FileMode {
    Read = 0, // read; the file must exist
    Write = 1, // write; created or truncated
    Append = 2, // write; created if missing, positioned at the end
    ReadWrite = 3, // read and write; created if missing
};

class File : public liba::ResourceReaderWriterBase, private liba::Nocopy {
public:
    // The path goes through expand_path first.
    File(std::u16string_view path, FileMode mode);
    ~File() override;

    uint32_t read(void* buffer, uint32_t count) override;
    uint32_t write(const void* buffer, uint32_t count) override;
    int32_t skip(int32_t count) override;
    uint32_t size() override;
    bool seek(uint32_t position) override;
    uint32_t tell() override;
    void flush();

private:
    int m_handle = -1;
};

// A heap file for the readers that take ownership of a stream (zip archives).
std::unique_ptr<File> open_file(std::u16string_view path, FileMode mode);

} // namespace os
