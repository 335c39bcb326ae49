#pragma once

// Path macros and the path algebra. Paths are wide strings that may begin with a macro such as
// %app_path% and may use '/' or '\' as separators; expand_path produces the native form, with
// '/' as its only separator.

#include <string>
#include <string_view>

namespace os {

// Replaces at most one leading macro (exact, case-sensitive prefix) and turns every '\' into '/'.
// Macros: %app_full_name% (the running executable), %app_path% (its folder, no trailing
// separator), %app_name% (its file name), %my_documents% (the XDG documents folder, else $HOME),
// %windows% (empty), %startup% ($XDG_CONFIG_HOME/autostart), %programs% and %start_menu%
// ($XDG_DATA_HOME/applications), %program_files% (/usr/local). Values are fetched once.
std::u16string expand_path(std::u16string_view path);
// expand_path, as UTF-8 for the operating system.
std::string native_path(std::u16string_view path);

// The text up to and including the last separator; empty when there is none.
std::u16string parent_folder(std::u16string_view path);
// The path without one trailing separator.
std::u16string strip_separator(std::u16string_view path);
// The text after the last separator, or the whole path.
std::u16string file_name(std::u16string_view path);
// The text after the last '.', when that dot stands after the last separator; else empty.
std::u16string extension(std::u16string_view path);
std::u16string without_extension(std::u16string_view path);
// name when folder is empty, else strip_separator(folder) + '/' + name.
std::u16string join(std::u16string_view folder, std::u16string_view name);
// Equal after expansion, one trailing separator removed, and case folding.
bool same_path(std::u16string_view a, std::u16string_view b);
// A character prefix compared with same_path: "Storage Card" is a prefix of "Storage Card2/Music".
bool path_starts_with(std::u16string_view prefix, std::u16string_view path);

bool is_separator(char16_t c);

// The user's home folder: $HOME, else the account's home folder, else "/".
std::string home_folder();
std::u16string home_folder_path();
// The user's configuration folder ($XDG_CONFIG_HOME when it is an absolute path, else ~/.config).
std::u16string config_folder_path();
// An XDG base folder: the variable's value when it is an absolute path, else the home folder
// joined with below_home (xdg_folder("XDG_CONFIG_HOME", ".config")).
std::string xdg_folder(const char* variable, std::string_view below_home);
// The user's music folder (XDG_MUSIC_DIR of user-dirs.dirs); empty when none is set apart from
// the home folder. Read anew on each call.
std::u16string music_folder_path();

} // namespace os
