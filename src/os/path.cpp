#include "os/path.h"

#include "liba/text.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace os {

namespace {

std::string executable_path()
{
    // The buffer doubles until the whole name fits.
    std::vector<char> buffer(1024);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

// A folder of user-dirs.dirs ("$HOME/Music" form), by its key ("XDG_MUSIC_DIR"); empty when it is
// not set or names the home folder itself.
std::string user_dir(const std::string& key)
{
    std::string config = xdg_folder("XDG_CONFIG_HOME", ".config");
    std::ifstream dirs(config + "/user-dirs.dirs");
    std::string line;
    while (std::getline(dirs, line)) {
        if (line.rfind(key + "=", 0) != 0)
            continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = home_folder() + value.substr(5);
        if (!value.empty() && value != home_folder() && value != home_folder() + "/")
            return value;
    }
    return {};
}

// XDG_DOCUMENTS_DIR, else $HOME.
std::string documents_folder()
{
    std::string documents = user_dir("XDG_DOCUMENTS_DIR");
    return documents.empty() ? home_folder() : documents;
}

struct Macro {
    std::u16string_view name;
    std::u16string value;
};

const std::array<Macro, 9>& macros()
{
    static const std::array<Macro, 9> table = [] {
        std::u16string full = liba::from_utf8(executable_path());
        std::u16string folder = strip_separator(parent_folder(full));
        std::string config = xdg_folder("XDG_CONFIG_HOME", ".config");
        std::string data = xdg_folder("XDG_DATA_HOME", ".local/share");
        std::u16string applications = liba::from_utf8(data + "/applications");
        return std::array<Macro, 9> {{
            {u"%app_full_name%", full},
            {u"%app_path%", folder},
            {u"%app_name%", file_name(full)},
            {u"%my_documents%", liba::from_utf8(documents_folder())},
            {u"%windows%", u""},
            {u"%startup%", liba::from_utf8(config + "/autostart")},
            {u"%programs%", applications},
            {u"%start_menu%", applications},
            {u"%program_files%", u"/usr/local"},
        }};
    }();
    return table;
}

size_t last_separator(std::u16string_view path)
{
    size_t slash = path.find_last_of(u"/\\");
    return slash;
}

} // namespace

std::string home_folder()
{
    const char* home = std::getenv("HOME");
    if (home && *home)
        return home;
    // A session without HOME (started by a service manager, say) still has an account.
    const passwd* account = ::getpwuid(::getuid());
    return account && account->pw_dir && *account->pw_dir ? account->pw_dir : "/";
}

std::string xdg_folder(const char* variable, std::string_view below_home)
{
    // Relative values are to be ignored, as if unset.
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return value;
    return home_folder() + "/" + std::string(below_home);
}

std::u16string home_folder_path()
{
    return liba::from_utf8(home_folder());
}

std::u16string config_folder_path()
{
    return liba::from_utf8(xdg_folder("XDG_CONFIG_HOME", ".config"));
}

std::u16string music_folder_path()
{
    return liba::from_utf8(user_dir("XDG_MUSIC_DIR"));
}

bool is_separator(char16_t c)
{
    return c == u'/' || c == u'\\';
}

std::u16string expand_path(std::u16string_view path)
{
    std::u16string out;
    for (const Macro& macro : macros()) {
        if (path.substr(0, macro.name.size()) == macro.name) {
            out = macro.value;
            path.remove_prefix(macro.name.size());
            break;
        }
    }
    out.reserve(out.size() + path.size());
    for (char16_t c : path)
        out.push_back(c == u'\\' ? u'/' : c);
    return out;
}

std::string native_path(std::u16string_view path)
{
    return liba::to_utf8(expand_path(path));
}

std::u16string parent_folder(std::u16string_view path)
{
    size_t slash = last_separator(path);
    return slash == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, slash + 1));
}

std::u16string strip_separator(std::u16string_view path)
{
    if (!path.empty() && is_separator(path.back()))
        path.remove_suffix(1);
    return std::u16string(path);
}

std::u16string file_name(std::u16string_view path)
{
    size_t slash = last_separator(path);
    return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

std::u16string extension(std::u16string_view path)
{
    size_t dot = path.find_last_of(u'.');
    size_t slash = last_separator(path);
    if (dot == std::u16string_view::npos || (slash != std::u16string_view::npos && dot < slash))
        return {};
    return std::u16string(path.substr(dot + 1));
}

std::u16string without_extension(std::u16string_view path)
{
    size_t dot = path.find_last_of(u'.');
    size_t slash = last_separator(path);
    if (dot == std::u16string_view::npos || (slash != std::u16string_view::npos && dot < slash))
        return std::u16string(path);
    return std::u16string(path.substr(0, dot));
}

std::u16string join(std::u16string_view folder, std::u16string_view name)
{
    if (folder.empty())
        return std::u16string(name);
    return strip_separator(folder) + u'/' + std::u16string(name);
}

bool same_path(std::u16string_view a, std::u16string_view b)
{
    return liba::to_lower(strip_separator(expand_path(a))) == liba::to_lower(strip_separator(expand_path(b)));
}

bool path_starts_with(std::u16string_view prefix, std::u16string_view path)
{
    return same_path(prefix, path.substr(0, prefix.size()));
}

} // namespace os
