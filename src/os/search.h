#pragma once

// Callback-driven directory search, as the file browser, the playlist builder and the language
// menu use it.

#include <string_view>

namespace os {

class Finder;

// Two passes over folder (a path of the system: macros and either separator allowed):
// 1. every entry matching file_mask that is not a folder goes to on_file;
// 2. every folder matching folder_mask goes to on_folder and, when recursive, is searched the
//    same way right after.
// Callbacks get join(folder, name), the folder as given. A callback returning false ends the
// search of the folder it was called for; the search of a parent folder goes on with its next
// subfolder. An empty folder means the current folder, and the callbacks then get bare names.
// Entries come in name order without regard to case; "." and ".." are never reported; a folder
// that cannot be read gives no callbacks. A folder that is being searched already further up on
// this thread (reached again through a link) is not searched again, so link loops end.
void search(Finder& finder, std::u16string_view folder, std::u16string_view file_mask,
    std::u16string_view folder_mask, bool recursive);

} // namespace os
