#pragma once

// The language files of a folder, for the main menu's language list.

#include "os/finder.h"

#include <string>
#include <string_view>
#include <vector>

namespace player {

// Collects the paths of the files it is shown; folders are passed over.
class LanguageFinder : public os::Finder {
public:
    bool on_file(const std::u16string& path) override;
    const std::vector<std::u16string>& files() const { return m_files; }

private:
    std::vector<std::u16string> m_files;
};

// The full paths of the "*.lng" files directly in folder (subfolders are not searched), in the
// order the search finds them.
std::vector<std::u16string> find_language_files(std::u16string_view folder);

} // namespace player
