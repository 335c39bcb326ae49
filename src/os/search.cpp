#include "os/search.h"

#include "liba/text.h"
#include "os/finder.h"
#include "os/folder_listing.h"
#include "os/path.h"

#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace os {

namespace {

struct FolderIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderIdentity&) const = default;
};

// The folders whose search is running on this thread, outermost first. Finders may start nested
// searches from their callbacks (the playlist descends that way), so the guard spans them too.
thread_local std::vector<FolderIdentity> t_searching;

class SearchGuard {
public:
    explicit SearchGuard(std::u16string_view folder)
    {
        struct stat info { };
        std::string native = native_path(folder);
        if (::stat(native.empty() ? "." : native.c_str(), &info) != 0)
            return;
        FolderIdentity identity {info.st_dev, info.st_ino};
        m_again = std::find(t_searching.begin(), t_searching.end(), identity) != t_searching.end();
        if (!m_again) {
            t_searching.push_back(identity);
            m_pushed = true;
        }
    }
    ~SearchGuard()
    {
        if (m_pushed)
            t_searching.pop_back();
    }
    SearchGuard(const SearchGuard&) = delete;
    SearchGuard& operator=(const SearchGuard&) = delete;

    bool searched_already() const { return m_again; }

private:
    bool m_again = false;
    bool m_pushed = false;
};

std::vector<FolderEntry> list_pattern(std::u16string_view folder, std::u16string_view mask)
{
    std::u16string pattern = expand_path(join(folder, mask));
    return list_folder(liba::to_utf8(parent_folder(pattern)), file_name(pattern));
}

// False when the finder asked to stop.
bool files_pass(Finder& finder, std::u16string_view folder, const std::vector<FolderEntry>& entries)
{
    for (const FolderEntry& entry : entries) {
        if (entry.folder)
            continue;
        finder.set_listed_size(entry.size);
        if (!finder.on_file(join(folder, entry.name)))
            return false;
    }
    return true;
}

bool folders_pass(Finder& finder, std::u16string_view folder, const std::vector<FolderEntry>& entries,
    std::u16string_view file_mask, std::u16string_view folder_mask, bool recursive)
{
    for (const FolderEntry& entry : entries) {
        if (!entry.folder)
            continue;
        std::u16string path = join(folder, entry.name);
        if (!finder.on_folder(path))
            return false;
        if (recursive)
            search(finder, path, file_mask, folder_mask, recursive);
    }
    return true;
}

} // namespace

void search(Finder& finder, std::u16string_view folder, std::u16string_view file_mask,
    std::u16string_view folder_mask, bool recursive)
{
    SearchGuard guard(folder);
    if (guard.searched_already())
        return;
    // One listing serves both passes when the masks are the same (as they are for "*").
    std::vector<FolderEntry> files = list_pattern(folder, file_mask);
    if (!files_pass(finder, folder, files))
        return;
    if (folder_mask == file_mask) {
        // Only the folders are kept while the subfolders are searched.
        std::erase_if(files, [](const FolderEntry& entry) { return !entry.folder; });
        files.shrink_to_fit();
        folders_pass(finder, folder, files, file_mask, folder_mask, recursive);
        return;
    }
    files = {};
    folders_pass(finder, folder, list_pattern(folder, folder_mask), file_mask, folder_mask, recursive);
}

} // namespace os
