#include "os/path.h"

#include "liba/text.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace {

std::u16string executable()
{
    return liba::from_utf8(std::filesystem::canonical("/proc/self/exe").string());
}

std::u16string executable_folder()
{
    return liba::from_utf8(std::filesystem::canonical("/proc/self/exe").parent_path().string());
}

} // namespace

TEST(Path, app_macros_name_the_running_executable)
{
    EXPECT_EQ(os::expand_path(u"%app_full_name%"), executable());
    EXPECT_EQ(os::expand_path(u"%app_path%"), executable_folder());
    EXPECT_EQ(os::expand_path(u"%app_name%"), os::file_name(executable()));
    EXPECT_EQ(os::expand_path(u"%app_full_name%.txt"), executable() + u".txt");
}

TEST(Path, leading_macro_is_replaced_and_backslashes_become_slashes)
{
    EXPECT_EQ(os::expand_path(u"%app_path%/skins/default/default.skin"),
        executable_folder() + u"/skins/default/default.skin");
    EXPECT_EQ(os::expand_path(u"%app_path%\\skins\\default\\default.skin"),
        executable_folder() + u"/skins/default/default.skin");
    EXPECT_EQ(os::expand_path(u"a\\b/c\\\\d"), u"a/b/c//d");
}

TEST(Path, only_one_macro_and_only_at_the_start_is_replaced)
{
    EXPECT_EQ(os::expand_path(u"x/%app_path%/y"), u"x/%app_path%/y");
    EXPECT_EQ(os::expand_path(u"x\\%app_path%\\y"), u"x/%app_path%/y");
    EXPECT_EQ(os::expand_path(u"%app_path%%app_path%"), executable_folder() + u"%app_path%");
    // Macros compare exactly: case and spelling matter.
    EXPECT_EQ(os::expand_path(u"%APP_PATH%/x"), u"%APP_PATH%/x");
    EXPECT_EQ(os::expand_path(u"%app_path"), u"%app_path");
}

TEST(Path, every_macro_expands_to_something_without_the_macro)
{
    for (std::u16string_view macro :
        {u"%my_documents%", u"%startup%", u"%programs%", u"%start_menu%", u"%program_files%"}) {
        std::u16string expanded = os::expand_path(macro);
        EXPECT_FALSE(expanded.empty()) << liba::to_utf8(macro);
        EXPECT_EQ(expanded.find(u'%'), std::u16string::npos) << liba::to_utf8(macro);
    }
    EXPECT_EQ(os::expand_path(u"%program_files%"), u"/usr/local");
    // A folder the platform does not have is empty, so what follows stays.
    EXPECT_EQ(os::expand_path(u"%windows%/x"), u"/x");
}

TEST(Path, splitting_and_joining_take_either_separator)
{
    // parent_folder keeps the last separator of either kind.
    EXPECT_EQ(os::parent_folder(u"a/b\\c.mp3"), u"a/b\\");
    EXPECT_EQ(os::parent_folder(u"a\\b/c"), u"a\\b/");
    EXPECT_EQ(os::parent_folder(u"name"), u"");
    EXPECT_EQ(os::parent_folder(u"/"), u"/");
    EXPECT_EQ(os::parent_folder(u""), u"");
    // strip_separator removes exactly one.
    EXPECT_EQ(os::strip_separator(u"a/b/"), u"a/b");
    EXPECT_EQ(os::strip_separator(u"a\\b\\"), u"a\\b");
    EXPECT_EQ(os::strip_separator(u"a//"), u"a/");
    EXPECT_EQ(os::strip_separator(u"a"), u"a");
    EXPECT_EQ(os::strip_separator(u""), u"");
    // file_name is the text after the last separator.
    EXPECT_EQ(os::file_name(u"a/b\\c.mp3"), u"c.mp3");
    EXPECT_EQ(os::file_name(u"c.mp3"), u"c.mp3");
    EXPECT_EQ(os::file_name(u"a/b/"), u"");
    // join puts one separator between.
    EXPECT_EQ(os::join(u"", u"name"), u"name");
    EXPECT_EQ(os::join(u"a", u"b"), u"a/b");
    EXPECT_EQ(os::join(u"a/", u"b"), u"a/b");
    EXPECT_EQ(os::join(u"a\\", u"b"), u"a/b");
    EXPECT_EQ(os::join(u"/", u"media"), u"/media");
}

TEST(Path, extension_counts_only_a_dot_after_the_last_separator)
{
    EXPECT_EQ(os::extension(u"a.b\\c"), u"");
    EXPECT_EQ(os::extension(u"a.b/c"), u"");
    EXPECT_EQ(os::extension(u"a\\c.mp3"), u"mp3");
    EXPECT_EQ(os::extension(u"a\\c.tar.GZ"), u"GZ");
    EXPECT_EQ(os::extension(u"noext"), u"");
    EXPECT_EQ(os::extension(u"trailing."), u"");
    EXPECT_EQ(os::without_extension(u"a.b\\c"), u"a.b\\c");
    EXPECT_EQ(os::without_extension(u"a\\c.mp3"), u"a\\c");
    EXPECT_EQ(os::without_extension(u"x.tar.gz"), u"x.tar");
}

TEST(Path, same_path_ignores_case_separator_kind_and_one_trailing_separator)
{
    EXPECT_TRUE(os::same_path(u"/Music/Album/", u"/music\\ALBUM"));
    EXPECT_TRUE(os::same_path(u"%app_path%/x", os::expand_path(u"%app_path%") + u"/X"));
    EXPECT_TRUE(os::same_path(u"\u00C9t\u00E9", u"\u00E9T\u00C9"));
    EXPECT_FALSE(os::same_path(u"/music/album", u"/music/albums"));
    EXPECT_FALSE(os::same_path(u"/music//", u"/music"));
}

TEST(Path, path_starts_with_is_a_character_prefix)
{
    EXPECT_TRUE(os::path_starts_with(u"Storage Card", u"Storage Card/Music"));
    EXPECT_TRUE(os::path_starts_with(u"storage card\\", u"Storage Card/Music"));
    EXPECT_TRUE(os::path_starts_with(u"Storage Card", u"Storage Card2/Music"));
    EXPECT_TRUE(os::path_starts_with(u"Storage Card", u"Storage Card"));
    EXPECT_FALSE(os::path_starts_with(u"Storage Card", u"Storage"));
    EXPECT_FALSE(os::path_starts_with(u"/media/card", u"/home/user/Documents"));
}

namespace {

// Sets an environment variable for one scope (unset when value is null), then puts it back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* previous = std::getenv(name))
            m_previous = previous;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_previous ? ::setenv(m_name, m_previous->c_str(), 1) : ::unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_previous;
};

} // namespace

TEST(Path, xdg_folders_fall_back_below_the_home_folder_and_the_home_folder_to_the_account)
{
    {
        ScopedEnv home("HOME", "/home/someone");
        for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/config"}) {
            ScopedEnv config("XDG_CONFIG_HOME", ignored);
            EXPECT_EQ(os::xdg_folder("XDG_CONFIG_HOME", ".config"), "/home/someone/.config");
        }
        ScopedEnv config("XDG_CONFIG_HOME", "/elsewhere");
        EXPECT_EQ(os::xdg_folder("XDG_CONFIG_HOME", ".config"), "/elsewhere");
    }
    ScopedEnv home("HOME", nullptr);
    const passwd* account = ::getpwuid(::getuid());
    EXPECT_EQ(os::home_folder(), account && account->pw_dir && *account->pw_dir ? account->pw_dir : "/");
}
