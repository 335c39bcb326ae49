#pragma once

// The two commands of the skin compiler, as functions the tests call directly.
//
// build: reads the source, writes the description, and packs it with the bitmaps it names into a
// zip archive of stored entries: first the description, as "<output name without extension>.skin",
// then for each picture of the list "<name>.bmp" and whichever of "<name>_1.bmp" and
// "<name>_8.bmp" lie beside it. Nothing is written when there is any error.
//
// dump: reads a skin file (or a bare description) and gives the source that builds the same
// description; given a folder, it also copies the bitmaps of the picture list there, so that the
// source saved in that folder builds again.
//
// Messages are "FILE:LINE: error: text" (LINE left out when unknown), UTF-8. A build also gives
// "FILE:LINE: warning: text" for each property and kind that the program never reads (see
// property_reference.h); warnings do not stop the build.

#include <filesystem>
#include <string>
#include <vector>

namespace skinc {

bool build_skin(const std::filesystem::path& source, const std::filesystem::path& output,
    std::vector<std::string>& messages);

bool dump_skin(const std::filesystem::path& input, const std::filesystem::path* bitmap_folder,
    std::string& source, std::vector<std::string>& messages);

} // namespace skinc
