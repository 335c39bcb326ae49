#pragma once

// One listing of a folder, shared by the directory search and the storage-card search.

#include <cstdint>
#include <string>
#include <vector>

namespace os {

struct FolderEntry {
    std::u16string name;
    bool folder = false;
    // The file system holding the entry (links followed): a folder on another device than its
    // parent is a mount point.
    uint64_t device = 0;
    // Bytes of a file (links followed).
    uint64_t size = 0;
};

// The entries of a native folder whose names match mask (see wildcard.h), "." and ".." left out,
// sorted by name without regard to case. Links are followed; an entry that cannot be examined (a
// dangling link) or whose name is not valid UTF-8 (no path of the system could name it) is left
// out. A folder that cannot be read gives nothing.
std::vector<FolderEntry> list_folder(const std::string& native_folder, std::u16string_view mask);

} // namespace os
