#include "os/xml_file.h"

#include "os/file.h"
#include "os/path.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

namespace {

std::string read_all(File& file)
{
    std::string bytes;
    char chunk[65536];
    for (;;) {
        uint32_t n = file.read(chunk, sizeof chunk);
        if (n == 0)
            return bytes;
        bytes.append(chunk, n);
    }
}

// A link is replaced at the place it points to, so that it stays a link.
std::string resolved_target(const std::string& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string folder_of(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file beside the target, made exclusively so that nothing else is ever overwritten; the
// process umask applies to its mode as to any new file.
int create_temporary(const std::string& target, std::string& name)
{
    static std::atomic<unsigned> s_counter {0};
    size_t slash = target.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + "." + base + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(s_counter++);
        int handle = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (handle >= 0 || errno != EEXIST)
            return handle;
    }
    return -1;
}

bool write_all(int handle, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t n = ::write(handle, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(size_t(n));
    }
    return true;
}

// The new file gets the permission bits of the one it replaces.
bool keep_mode(int handle, const std::string& target)
{
    struct stat info { };
    if (::stat(target.c_str(), &info) != 0)
        return true;
    return ::fchmod(handle, info.st_mode & 07777) == 0;
}

void sync_folder(const std::string& folder)
{
    int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle >= 0) {
        ::fsync(handle);
        ::close(handle);
    }
}

// A save killed between making its temporary file and renaming it leaves that file behind. The
// next save of the same target removes the ones whose writer no longer runs, so that repeated
// crashes (a flat battery, a killed process) do not fill the folder.
void remove_stale_temporaries(const std::string& target)
{
    size_t slash = target.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string("./") : target.substr(0, slash + 1);
    std::string prefix = "." + (slash == std::string::npos ? target : target.substr(slash + 1)) + ".tmp.";
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        std::string_view name = entry->d_name;
        if (!name.starts_with(prefix))
            continue;
        std::string_view rest = name.substr(prefix.size());
        size_t dot = rest.find('.');
        if (dot == 0 || dot == std::string_view::npos)
            continue;
        char* end = nullptr;
        std::string digits(rest.substr(0, dot));
        long pid = std::strtol(digits.c_str(), &end, 10);
        if (*end != '\0' || pid <= 0 || pid == ::getpid())
            continue;
        if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            ::unlink((folder + std::string(name)).c_str());
    }
    ::closedir(listing);
}

bool replace_file(const std::string& path, std::string_view bytes)
{
    std::string target = resolved_target(path);
    std::string temporary;
    int handle = create_temporary(target, temporary);
    if (handle < 0)
        return false;
    bool written = write_all(handle, bytes) && keep_mode(handle, target) && ::fsync(handle) == 0;
    written = ::close(handle) == 0 && written;
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    sync_folder(folder_of(target));
    remove_stale_temporaries(target);
    return true;
}

} // namespace

liba::XmlNode xml_load(std::u16string_view path)
{
    File file(path, FileMode::Read);
    if (!file.good())
        return {};
    return liba::XmlNode::parse(read_all(file));
}

bool xml_save(const liba::XmlNode& document, std::u16string_view path)
{
    if (!document.is_document())
        return false;
    return replace_file(native_path(path), document.serialise());
}

} // namespace os
