#include "os/search.h"

#include "liba/text.h"
#include "os/finder.h"
#include "support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Records every callback as "file <path>" or "folder <path>", paths relative to the root.
struct Recorder final : os::Finder {
    explicit Recorder(std::u16string root)
        : root(std::move(root))
    {
    }
    bool on_file(const std::u16string& path) override
    {
        return note("file " + relative(path) + (sizes ? " " + std::to_string(listed_size()) : ""));
    }
    bool on_folder(const std::u16string& path) override { return note("folder " + relative(path)); }
    bool note(const std::string& event)
    {
        events.push_back(event);
        return event != stop_at;
    }
    std::string relative(const std::u16string& path) const
    {
        return path.starts_with(root) ? liba::to_utf8(path.substr(root.size())) : "?" + liba::to_utf8(path);
    }

    std::u16string root;
    std::vector<std::string> events;
    std::string stop_at; // the event whose callback answers "stop"
    bool sizes = false; // adds the listed size to each file
};

void touch(const std::filesystem::path& path)
{
    std::filesystem::create_directories(path.parent_path());
    test::write_file(path, {});
}

using Events = std::vector<std::string>;

} // namespace

TEST(Search, order_masks_recursion_stops_dots_bad_names_links_and_the_order_of_names)
{
    // What, the file and folder masks, recursion, the event whose callback answers "stop", the events.
    const std::tuple<const char*, std::u16string_view, std::u16string_view, bool, std::string, Events> cases[]
        = {{"files first, then folders, each in name order", u"*", u"*", false, "",
               {"file /a.mp3", "file /B.MP3", "file /c.txt", "file /noext", "folder /Music", "folder /sub1",
                   "folder /sub2"}},
            {"recursion descends right after each folder", u"*.mp3", u"*", true, "",
                {"file /a.mp3", "file /B.MP3", "folder /Music", "folder /sub1", "file /sub1/x.mp3",
                    "file /sub1/y.mp3", "folder /sub1/deep", "file /sub1/deep/z.mp3", "folder /sub2",
                    "file /sub2/w.mp3"}},
            {"a stop in a subfolder goes on with the next sibling", u"*.mp3", u"*", true, "file /sub1/x.mp3",
                {"file /a.mp3", "file /B.MP3", "folder /Music", "folder /sub1", "file /sub1/x.mp3",
                    "folder /sub2", "file /sub2/w.mp3"}},
            {"a stop on a file at the top ends the search", u"*", u"*", true, "file /a.mp3", {"file /a.mp3"}},
            {"a stop on a folder at the top ends the search without descent", u"none", u"*", true,
                "folder /sub1", {"folder /Music", "folder /sub1"}},
            {"the folder mask chooses folders, the file mask files", u"?.*", u"SUB?", true, "",
                {"file /a.mp3", "file /B.MP3", "file /c.txt", "folder /sub1", "file /sub1/x.mp3",
                    "file /sub1/y.mp3", "folder /sub2", "file /sub2/w.mp3"}}};
    test::TempDir dir; // tree/ a.mp3 B.MP3 c.txt noext sub1/{x.mp3 y.mp3 deep/z.mp3} sub2/w.mp3 Music/
    for (const char* name :
        {"a.mp3", "B.MP3", "c.txt", "noext", "sub1/x.mp3", "sub1/y.mp3", "sub1/deep/z.mp3", "sub2/w.mp3"})
        touch(dir.native("tree") / name);
    std::filesystem::create_directory(dir.native("tree/Music"));
    for (const auto& [what, files, folders, recursive, stop_at, expected] : cases) {
        Recorder finder(dir.file("tree"));
        finder.stop_at = stop_at;
        os::search(finder, dir.file("tree"), files, folders, recursive);
        EXPECT_EQ(finder.events, expected) << what;
    }

    // Dot names, names not UTF-8, missing folders, the folder as given, links and a mixed folder.
    for (const char* name : {".hidden", "sub/f.mp3", "bad\xFF.mp3", ".config/inside"})
        touch(dir.path() / name);
    std::filesystem::create_directory(dir.native("mixed"));
    Recorder finder(test::u16(dir.path()));
    os::search(finder, test::u16(dir.path()), u"*", u".*", false); // "." and ".." never, hidden names yes
    os::search(finder, dir.file("absent"), u"*", u"*", true);
    os::search(finder, dir.file(".hidden"), u"*", u"*", true);
    EXPECT_EQ(finder.events, (Events {"file /.hidden", "folder /.config"}));
    Recorder as_given(u"");
    os::search(as_given, test::u16(dir.path()) + u"\\sub\\", u"*", u"*", false);
    EXPECT_EQ(as_given.events, (Events {"file " + dir.path().string() + "\\sub/f.mp3"}));
    // An empty folder is the current folder, with bare names.
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.native("sub"));
    Recorder bare(u"");
    os::search(bare, u"", u"*.mp3", u"*", false);
    std::filesystem::current_path(previous);
    EXPECT_EQ(bare.events, (Events {"file f.mp3"}));

    // Link loops end and links elsewhere are followed: "up" (the tree's parent) never enters "tree" again.
    touch(dir.native("links/tree/a.mp3"));
    touch(dir.native("links/other/b.mp3"));
    std::filesystem::create_directory_symlink("..", dir.native("links/tree/up"));
    std::filesystem::create_directory_symlink("../other", dir.native("links/tree/other"));
    std::filesystem::create_symlink("nowhere", dir.native("links/tree/dangling.mp3"));
    Recorder linked(dir.file("links/tree"));
    os::search(linked, dir.file("links/tree"), u"*", u"*", true);
    EXPECT_EQ(linked.events,
        (Events {"file /a.mp3", "folder /other", "file /other/b.mp3", "folder /up", "folder /up/other",
            "file /up/other/b.mp3", "folder /up/tree"}));

    // A mixed folder comes in name order without case: lower-cased names by code unit ('-' < '.' <
    // digits < '_' < letters < accented letters), names equal that way by their own code units.
    for (const char* name : {"b.mp3", "B.mp3", "a-1.mp3", "a_1.mp3", "a.mp3", "a9.mp3",
             "\xC3\x89t\xC3\xA9.mp3", "\xC3\xA9t\xC3\xA9.mp3", "Z.mp3"})
        test::write_file(
            dir.native("mixed") / name, test::Bytes(std::string_view(name) == "a9.mp3" ? 2048 : 0));
    test::write_file(dir.native("mixed/b.mp3"), {1, 2, 3});
    Recorder mixed(dir.file("mixed/"));
    mixed.sizes = true; // with the listed sizes
    os::search(mixed, dir.file("mixed"), u"*", u"*", false);
    EXPECT_EQ(mixed.events,
        (Events {"file a-1.mp3 0", "file a.mp3 0", "file a9.mp3 2048", "file a_1.mp3 0", "file B.mp3 0",
            "file b.mp3 3", "file Z.mp3 0", "file \xC3\x89t\xC3\xA9.mp3 0", "file \xC3\xA9t\xC3\xA9.mp3 0"}));
}

// Permissions do not stop the superuser from reading, so as root the search runs in a child
// process that has given up its rights.
TEST(SearchDeathTest, unreadable_folder_gives_no_callbacks)
{
    test::TempDir dir;
    touch(dir.native("locked/inside.mp3"));
    touch(dir.native("open/inside.mp3"));
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    std::filesystem::permissions(dir.native("open"), std::filesystem::perms::all);
    std::filesystem::permissions(dir.native("locked"), std::filesystem::perms::none);
    const Events expected = {"folder /locked", "folder /open", "file /open/inside.mp3"};
    auto search_as_nobody = [&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            std::_Exit(2);
        Recorder finder(test::u16(dir.path()));
        os::search(finder, test::u16(dir.path()), u"*", u"*", true);
        for (const std::string& event : finder.events)
            std::fprintf(stderr, "%s\n", event.c_str());
        std::_Exit(finder.events == expected ? 0 : 1);
    };
    EXPECT_EXIT(search_as_nobody(), testing::ExitedWithCode(0), "");
    std::filesystem::permissions(dir.native("locked"), std::filesystem::perms::owner_all);
}
