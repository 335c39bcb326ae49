#include "os/file.h"

#include "os/path.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

namespace {

int open_flags(FileMode mode)
{
    switch (mode) {
    case FileMode::Read:
        return O_RDONLY;
    case FileMode::Write:
        return O_WRONLY | O_CREAT | O_TRUNC;
    case FileMode::Append:
        return O_WRONLY | O_CREAT;
    case FileMode::ReadWrite:
        break;
    }
    return O_RDWR | O_CREAT;
}

} // namespace

File::File(std::u16string_view path, FileMode mode)
{
    std::string native = native_path(path);
    // Opened for reading without waiting: opening a FIFO would wait for a writer for ever.
    bool read = mode == FileMode::Read;
    int handle = ::open(native.c_str(), open_flags(mode) | O_CLOEXEC | (read ? O_NONBLOCK : 0), 0644);
    struct stat info { };
    // A folder opens on POSIX but is no file to read or write. Only a regular file is read: a
    // FIFO, socket or device found among files could block or never end.
    bool refused = handle >= 0
        && (::fstat(handle, &info) != 0 || S_ISDIR(info.st_mode) || (read && !S_ISREG(info.st_mode))
            || (read && ::fcntl(handle, F_SETFL, ::fcntl(handle, F_GETFL) & ~O_NONBLOCK) != 0));
    if (refused) {
        ::close(handle);
        handle = -1;
    }
    if (handle >= 0 && mode == FileMode::Append && ::lseek(handle, 0, SEEK_END) < 0) {
        ::close(handle);
        handle = -1;
    }
    m_handle = handle;
    if (m_handle < 0)
        add_error(u"can't open file");
}

File::~File()
{
    if (m_handle >= 0)
        ::close(m_handle);
    m_handle = -1;
}

namespace {

// Repeats a partial read or write (transfer(done) moves bytes from offset done on) until count
// bytes moved, the end of the file or an error; an interrupted call is repeated.
template<typename Transfer> uint32_t whole(uint32_t count, Transfer transfer)
{
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = transfer(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<uint32_t>(n);
    }
    return done;
}

} // namespace

uint32_t File::read(void* buffer, uint32_t count)
{
    if (!good() || count == 0)
        return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    return whole(count, [&](uint32_t done) { return ::read(m_handle, out + done, count - done); });
}

uint32_t File::write(const void* buffer, uint32_t count)
{
    if (!good() || count == 0)
        return 0;
    auto* in = static_cast<const uint8_t*>(buffer);
    return whole(count, [&](uint32_t done) { return ::write(m_handle, in + done, count - done); });
}

int32_t File::skip(int32_t count)
{
    if (!good() || count == 0)
        return 0;
    off_t before = ::lseek(m_handle, 0, SEEK_CUR);
    if (before < 0)
        return 0;
    off_t after = ::lseek(m_handle, count, SEEK_CUR);
    if (after < 0)
        return 0;
    return static_cast<int32_t>(after - before);
}

uint32_t File::size()
{
    if (!good())
        return 0;
    struct stat info { };
    if (::fstat(m_handle, &info) != 0)
        return 0;
    return static_cast<uint32_t>(info.st_size);
}

bool File::seek(uint32_t position)
{
    if (!good())
        return false;
    return ::lseek(m_handle, static_cast<off_t>(position), SEEK_SET) >= 0;
}

uint32_t File::tell()
{
    if (!good())
        return 0;
    off_t position = ::lseek(m_handle, 0, SEEK_CUR);
    return position < 0 ? 0 : static_cast<uint32_t>(position);
}

void File::flush()
{
    if (good())
        ::fsync(m_handle);
}

std::unique_ptr<File> open_file(std::u16string_view path, FileMode mode)
{
    return std::make_unique<File>(path, mode);
}

} // namespace os
