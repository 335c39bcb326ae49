#include "os/drives.h"

#include "liba/text.h"
#include "os/finder.h"
#include "os/folder_listing.h"
#include "os/log.h"
#include "os/path.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

namespace {

std::string user_name()
{
    const char* user = std::getenv("USER");
    if (user && *user)
        return user;
    const passwd* entry = ::getpwuid(::geteuid());
    return entry && entry->pw_name ? entry->pw_name : "";
}

// False when the finder asked to stop.
bool is_root(const std::u16string& path, const std::vector<std::u16string>& roots)
{
    for (const std::u16string& root : roots) {
        if (same_path(path, root))
            return true;
    }
    return false;
}

// False when the finder asked to stop. A root mounted itself (a tmpfs on /media/$USER) is searched
// as a root, never reported as a card of the root above it.
bool search_root(Finder& finder, const std::u16string& root, const std::vector<std::u16string>& roots,
    std::u16string_view documents)
{
    struct stat root_facts { };
    if (::stat(native_path(root).c_str(), &root_facts) != 0 || !S_ISDIR(root_facts.st_mode))
        return true;
    for (const FolderEntry& entry : list_folder(native_path(root), u"*")) {
        if (!entry.folder || entry.device == static_cast<uint64_t>(root_facts.st_dev))
            continue;
        std::u16string card = join(expand_path(root), entry.name);
        if (is_root(card, roots))
            continue;
        log() << u"find_drives: mydoc={" << documents << u"}\n";
        if (path_starts_with(card, documents)) {
            log() << u"skipping result={" << card << u"}\n";
            continue;
        }
        log() << u"returning result={" << card << u"}\n";
        if (!finder.on_folder(card))
            return false;
    }
    return true;
}

} // namespace

std::vector<std::u16string> removable_media_roots()
{
    std::u16string user = liba::from_utf8(user_name());
    std::vector<std::u16string> roots;
    if (!user.empty()) {
        roots.push_back(u"/media/" + user);
        roots.push_back(u"/run/media/" + user);
    }
    roots.push_back(u"/media");
    return roots;
}

void find_drives(Finder& finder)
{
    find_drives(finder, removable_media_roots());
}

void find_drives(Finder& finder, const std::vector<std::u16string>& roots)
{
    find_drives(finder, roots, expand_path(u"%my_documents%"));
}

void find_drives(Finder& finder, const std::vector<std::u16string>& roots, std::u16string_view documents)
{
    for (const std::u16string& root : roots) {
        if (!search_root(finder, root, roots, documents))
            return;
    }
}

} // namespace os
