#include "os/directory.h"

#include "liba/text.h"
#include "os/path.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

namespace {

LocalTime local_time(int64_t seconds, uint32_t nanoseconds)
{
    time_t moment = static_cast<time_t>(seconds);
    struct tm parts { };
    if (!::localtime_r(&moment, &parts))
        return {};
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
        static_cast<int>(nanoseconds / 1000000)};
}

uint32_t attributes_of(const struct statx& facts, std::u16string_view name)
{
    uint32_t attributes = 0;
    if (S_ISDIR(facts.stx_mode))
        attributes |= s_attribute_directory;
    if (!(facts.stx_mode & S_IWUSR))
        attributes |= s_attribute_readonly;
    if (!name.empty() && name.front() == u'.')
        attributes |= s_attribute_hidden;
    return attributes ? attributes : s_attribute_normal;
}

void create_native(std::u16string_view path)
{
    std::u16string folder = strip_separator(path);
    if (folder.empty())
        return;
    std::u16string parent = parent_folder(folder);
    if (!parent.empty())
        create_native(parent);
    ::mkdir(liba::to_utf8(folder).c_str(), 0777);
}

} // namespace

FileInfo file_info(std::u16string_view path)
{
    FileInfo info;
    std::u16string native = expand_path(path);
    struct statx facts { };
    if (::statx(AT_FDCWD, liba::to_utf8(native).c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &facts) != 0) {
        info.last_error = errno;
        return info;
    }
    info.exists = true;
    info.attributes = attributes_of(facts, file_name(strip_separator(native)));
    info.size = S_ISDIR(facts.stx_mode) ? 0 : facts.stx_size;
    info.created_is_birth_time = (facts.stx_mask & STATX_BTIME) != 0;
    const struct statx_timestamp& when = info.created_is_birth_time ? facts.stx_btime : facts.stx_mtime;
    info.created = local_time(when.tv_sec, when.tv_nsec);
    return info;
}

bool create_folders(std::u16string_view path)
{
    std::u16string native = expand_path(path);
    create_native(native);
    struct stat facts { };
    return ::stat(liba::to_utf8(native).c_str(), &facts) == 0 && S_ISDIR(facts.st_mode);
}

bool is_writable_folder(std::u16string_view path)
{
    std::string native = liba::to_utf8(expand_path(path));
    struct stat facts { };
    return ::stat(native.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode)
        && ::access(native.c_str(), W_OK | X_OK) == 0;
}

} // namespace os
