#include "player/language_finder.h"

#include "os/search.h"

namespace player {

bool LanguageFinder::on_file(const std::u16string& path)
{
    m_files.push_back(path);
    return true;
}

std::vector<std::u16string> find_language_files(std::u16string_view folder)
{
    LanguageFinder finder;
    os::search(finder, folder, u"*.lng", u"*.lng", false);
    return finder.files();
}

} // namespace player
