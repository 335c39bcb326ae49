#include "os/zip_open.h"

#include "liba/memory_reader.h"
#include "os/file.h"

#include <vector>

namespace os {

namespace {

// Archives up to this size are read into memory whole: finding an entry walks the local headers
// from the start, and each step of that walk on the file would cost a seek and a read.
constexpr uint32_t s_in_memory_limit = 32u << 20;

} // namespace

std::unique_ptr<liba::ZipFile> open_zip(std::u16string_view path)
{
    std::unique_ptr<File> file = open_file(path, FileMode::Read);
    uint32_t size = file && file->good() ? file->size() : 0;
    if (size == 0 || size > s_in_memory_limit)
        return std::make_unique<liba::ZipFile>(std::move(file));
    std::vector<uint8_t> bytes(size);
    if (file->read(bytes.data(), size) != size)
        return std::make_unique<liba::ZipFile>(std::move(file));
    return std::make_unique<liba::ZipFile>(std::make_unique<liba::MemoryReader>(std::move(bytes)));
}

} // namespace os
