#pragma once

// Reading a skin file's description bytes. A skin file is a zip archive of stored entries: the
// description is the first entry whose extension (the text after its last ".") is "skin" in any
// letter case; later ones are ignored. A file that is not such an archive (or holds no such
// entry) is read whole as the description itself.
//
// Short reads are logged ("Error: skin [path] failed to load from archive" for the entry,
// "Error: skin [path] failed to load" for a plain file) and give the bytes that did arrive.
// Memory follows the bytes really read, never a size field: a description beyond
// s_max_description_size is refused (logged, empty result).

#include <cstdint>
#include <string_view>
#include <vector>

namespace skinner {

inline constexpr uint32_t s_max_description_size = 16 * 1024 * 1024;

// path may hold path macros; it is logged as given.
std::vector<uint8_t> read_skin_description(std::u16string_view path);

} // namespace skinner
