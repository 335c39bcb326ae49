#include "os/path.h"

#include "liba/text.h"
#include "support/scoped_env.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

using test::ScopedEnv;

TEST(Path, only_one_leading_macro_is_replaced_and_backslashes_become_slashes)
{
    const std::u16string executable = liba::from_utf8(std::filesystem::canonical("/proc/self/exe").string());
    const std::u16string folder = os::strip_separator(os::parent_folder(executable));
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"%app_full_name%.txt", executable + u".txt"}, {u"%app_name%", os::file_name(executable)},
        {u"%app_path%\\skins\\default.skin", folder + u"/skins/default.skin"},
        {u"x\\%app_path%\\y", u"x/%app_path%/y"}, {u"%app_path%%app_path%", folder + u"%app_path%"},
        {u"%APP_PATH%/x", u"%APP_PATH%/x"}, // case and spelling matter
        {u"%app_path", u"%app_path"}, {u"%program_files%", u"/usr/local"},
        {u"%windows%/x", u"/x"}, // a folder the platform does not have is empty
    };
    for (const auto& [path, expanded] : cases)
        EXPECT_EQ(os::expand_path(path), expanded) << liba::to_utf8(path);

    for (std::u16string_view macro : {u"%my_documents%", u"%startup%", u"%programs%", u"%start_menu%"}) {
        std::u16string expanded = os::expand_path(macro);
        EXPECT_FALSE(expanded.empty()) << liba::to_utf8(macro);
        EXPECT_EQ(expanded.find(u'%'), std::u16string::npos) << liba::to_utf8(macro);
    }
}

TEST(Path, splitting_and_joining_take_either_separator)
{
    using Op = std::u16string (*)(std::u16string_view);
    const Op parent = os::parent_folder, strip = os::strip_separator, name = os::file_name,
             ext = os::extension, bare = os::without_extension;
    const std::tuple<Op, std::u16string_view, std::u16string_view> cases[]
        = {{parent, u"a/b\\c.mp3", u"a/b\\"}, {parent, u"name", u""}, {strip, u"a\\b\\", u"a\\b"},
            {strip, u"a//", u"a/"}, {strip, u"", u""}, {name, u"a/b\\c.mp3", u"c.mp3"},
            {name, u"c.mp3", u"c.mp3"}, {ext, u"a.b\\c", u""}, {ext, u"a\\c.tar.GZ", u"GZ"},
            {ext, u"noext", u""}, {bare, u"a.b\\c", u"a.b\\c"}, {bare, u"x.tar.gz", u"x.tar"}};
    for (const auto& [op, path, expected] : cases)
        EXPECT_EQ(op(path), expected) << liba::to_utf8(path);
    for (auto [base, leaf, joined] : {std::tuple {u"", u"name", u"name"}, {u"a", u"b", u"a/b"},
             {u"a\\", u"b", u"a/b"}, {u"/", u"media", u"/media"}})
        EXPECT_EQ(os::join(base, leaf), joined);
    // same_path: case, separator kind and one trailing separator aside; path_starts_with: a text prefix.
    EXPECT_TRUE(os::same_path(u"/Music/Album/", u"/music\\ALBUM"));
    EXPECT_TRUE(os::same_path(u"%app_path%/x", os::expand_path(u"%app_path%") + u"/X"));
    EXPECT_TRUE(os::same_path(u"\u00C9t\u00E9", u"\u00E9T\u00C9"));
    EXPECT_FALSE(os::same_path(u"/music/album", u"/music/albums"));
    EXPECT_FALSE(os::same_path(u"/music//", u"/music"));
    EXPECT_TRUE(os::path_starts_with(u"storage card\\", u"Storage Card/Music"));
    EXPECT_TRUE(os::path_starts_with(u"Storage Card", u"Storage Card2/Music"));
    EXPECT_FALSE(os::path_starts_with(u"Storage Card", u"Storage"));
}

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
