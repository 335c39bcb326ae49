#include "os/zip_open.h"

#include "liba/memory_reader.h"
#include "os/file.h"
#include "os/path.h"

#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace os {

namespace {

// Archives up to this size are read into memory whole: finding an entry walks the local headers
// from the start, and each step of that walk on the file would cost a seek and a read.
constexpr uint32_t s_in_memory_limit = 32u << 20;

// The bytes of the archive opened last, shared by every reader of it while one is alive: a skin's
// pictures each open the archive, and reading it again for each would copy the whole file a
// hundred times. Whoever opens many in a row holds a reader open meanwhile; nothing is kept once
// the last reader is gone. A file changed since (another size, modification time or inode) is
// read again.
struct CachedArchive {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modified_ns = 0;
    std::weak_ptr<const std::vector<uint8_t>> bytes;
    // Its entries' index, made once for all the readers that share the bytes.
    std::weak_ptr<const liba::ZipIndex> index;

    bool same_file(const CachedArchive& other) const
    {
        return path == other.path && device == other.device && inode == other.inode && size == other.size
            && modified_ns == other.modified_ns;
    }
};

std::mutex s_cache_mutex;
CachedArchive s_cache;

std::optional<CachedArchive> identify(std::u16string_view path)
{
    CachedArchive id;
    id.path = native_path(path);
    struct stat info { };
    if (::stat(id.path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    id.device = info.st_dev;
    id.inode = info.st_ino;
    id.size = info.st_size;
    id.modified_ns = int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    return id;
}

} // namespace

std::unique_ptr<liba::ZipFile> open_zip(std::u16string_view path)
{
    std::optional<CachedArchive> id = identify(path);
    if (id) {
        std::lock_guard guard(s_cache_mutex);
        if (auto bytes = s_cache.bytes.lock(); bytes && s_cache.same_file(*id)) {
            auto zip = std::make_unique<liba::ZipFile>(
                std::make_unique<liba::MemoryReader>(std::move(bytes)), s_cache.index.lock());
            s_cache.index = zip->index();
            return zip;
        }
    }
    std::unique_ptr<File> file = open_file(path, FileMode::Read);
    uint32_t size = file && file->good() ? file->size() : 0;
    if (size == 0 || size > s_in_memory_limit)
        return std::make_unique<liba::ZipFile>(std::move(file));
    std::vector<uint8_t> bytes(size);
    if (file->read(bytes.data(), size) != size)
        return std::make_unique<liba::ZipFile>(std::move(file));
    auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
    auto zip = std::make_unique<liba::ZipFile>(std::make_unique<liba::MemoryReader>(shared));
    if (id && id->size == off_t(size)) {
        std::lock_guard guard(s_cache_mutex);
        s_cache = std::move(*id);
        s_cache.bytes = shared;
        s_cache.index = zip->index();
    }
    return zip;
}

} // namespace os
