#include "os/folder_listing.h"

#include "liba/text.h"
#include "os/wildcard.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>

namespace os {

namespace {

bool is_dot_entry(std::string_view name)
{
    return name == "." || name == "..";
}

bool comes_before(const FolderEntry& a, const FolderEntry& b)
{
    std::u16string lower_a = liba::to_lower(a.name);
    std::u16string lower_b = liba::to_lower(b.name);
    return lower_a != lower_b ? lower_a < lower_b : a.name < b.name;
}

} // namespace

std::vector<FolderEntry> list_folder(const std::string& native_folder, std::u16string_view mask)
{
    std::vector<FolderEntry> entries;
    DIR* folder = ::opendir(native_folder.empty() ? "." : native_folder.c_str());
    if (!folder)
        return entries;
    while (const dirent* entry = ::readdir(folder)) {
        std::string_view name = entry->d_name;
        if (is_dot_entry(name) || !liba::is_valid_utf8(name))
            continue;
        std::u16string wide = liba::from_utf8(name);
        struct stat info { };
        if (!wildcard_match(mask, wide) || ::fstatat(::dirfd(folder), entry->d_name, &info, 0) != 0)
            continue;
        entries.push_back({std::move(wide), S_ISDIR(info.st_mode), static_cast<uint64_t>(info.st_dev)});
    }
    ::closedir(folder);
    std::sort(entries.begin(), entries.end(), comes_before);
    return entries;
}

} // namespace os
