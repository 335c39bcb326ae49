// Settings.xml: the defaults, the text forms of its values, the exact text written, bookmarks.

#include "player/settings.h"

#include "player_run.h"

#include <cstdio>

namespace {

using test::read_text;
using test::write_text;

// Bookmarks as "path=position " one after another.
std::string listed(const std::vector<player::Bookmark>& bookmarks)
{
    std::string text;
    for (const player::Bookmark& b : bookmarks)
        text += liba::to_utf8(b.path) + "=" + std::to_string(b.position) + " ";
    return text;
}

// What settings hold, one "name=value " after another, the bookmarks last.
std::string summary(const player::Settings& s)
{
    char numbers[128];
    std::snprintf(numbers, sizeof numbers, "volume=%g eq=%d screenoff=%d random=%d repeat=%d ", s.volume,
        s.equalizer_on, s.screen_off, s.random, s.repeat);
    return "folder=" + liba::to_utf8(s.current_folder) + " selected=" + liba::to_utf8(s.selected_path) + " "
        + numbers + "language=" + liba::to_utf8(s.language) + " bookmarks=" + listed(s.bookmarks);
}

TEST(Settings, a_file_gives_its_values_or_the_defaults_its_bookmarks_as_listed_and_saving_writes_it_in_order)
{
    const std::string defaults = "folder= selected= volume=1 eq=0 screenoff=0 random=1 repeat=1 ";
    test::TempDir folder;
    std::u16string path = folder.file("Settings.xml");
    EXPECT_EQ(summary(player::load_settings_file(path)),
        defaults + "language=" + liba::to_utf8(player::Settings().language) + " bookmarks=");
    // (the file, what the settings read from it show); a scripted run reads TRUE, 7, yes and 0.
    const std::pair<const char*, std::string> cases[] = {
        // Broken or foreign files, and files without values, give the defaults.
        {"<Settings><General Language=\"x\"", defaults},
        {"<Options><General Language=\"x\"/></Options>", defaults},
        {"<Settings/>", defaults},
        {"<Settings><Sound Volume=\"1.5e2\"/></Settings>", "volume=1.5 "}, // no exponent after a fraction
        {"<Settings><General Language=\" /x/Deutsch.lng \"/></Settings>", "language= /x/Deutsch.lng "},
        {"<Settings><Filelist SelectedPath=\"/m/&amp;\xc3\xa9.mp3\"/></Settings>",
            "selected=/m/&\xc3\xa9.mp3 "},
    };
    for (const auto& [text, shown] : cases) {
        write_text(folder.native("Settings.xml"), text);
        std::string read = summary(player::load_settings_file(path));
        EXPECT_NE(read.find(shown), std::string::npos) << text << " gives " << read;
    }
    EXPECT_EQ(player::read_language_setting(path), u"");
    // Language, folder, selected path, volume, equalizer, screen off, random, repeat, bookmarks.
    player::Settings out {u"/app/Deutsch.lng", u"/music/Books", u"/music/Books/a \"b\" <c>.mp3", 2.5, true, 7,
        false, false, {{u"/music/Books/a.mp3", 5000}, {u"/music/x.ogg", -1}, {u"/music/Books/a.mp3", 9000}}};
    ASSERT_TRUE(player::save_settings_file(path, out));
    EXPECT_EQ(read_text(folder.native("Settings.xml")),
        "<?xml version=\"1.0\"?>\n"
        "<Settings>\n"
        "\t<General Language=\"/app/Deutsch.lng\" />\n"
        "\t<Filelist CurrentFolder=\"/music/Books\" SelectedPath=\"/music/Books/a &quot;b&quot; &lt;c>.mp3\" "
        "/>\n"
        "\t<Sound Volume=\"2.500000\" EqualizerOn=\"true\" />\n"
        "\t<Playback ScreenOff=\"7\" Random=\"false\" Repeat=\"false\" />\n"
        "\t<Bookmarks>\n"
        "\t\t<Bookmark Path=\"/music/Books/a.mp3\" Pos=\"5000\" />\n"
        "\t\t<Bookmark Path=\"/music/x.ogg\" Pos=\"-1\" />\n"
        "\t\t<Bookmark Path=\"/music/Books/a.mp3\" Pos=\"9000\" />\n"
        "\t</Bookmarks>\n"
        "</Settings>\n");
    EXPECT_EQ(summary(player::load_settings_file(path)), summary(out));
    EXPECT_EQ(player::read_language_setting(path), u"/app/Deutsch.lng");
    // Bookmarks load from any child, keep duplicates and skip broken records.
    write_text(folder.native("Settings.xml"),
        "<Settings><Bookmarks>\n"
        "  <Bookmark Path=\"/b/a.mp3\" Pos=\"100\"/>\n"
        "  <!-- a comment -->\n"
        "  <Mark Path=\"/b/c.mp3\" Pos=\" 12abc\"/>\n"
        "  <Bookmark Pos=\"5\"/>\n"
        "  <Bookmark Path=\"/b/d.mp3\" Pos=\"x\"/>\n"
        "  <Bookmark Path=\"/b/e.mp3\" Pos=\"  \"/>\n"
        "  <Bookmark Path=\"/b/a.mp3\" Pos=\"200\"/>\n"
        "  <Bookmark Path=\"/b/f.mp3\" Pos=\"7\"/>\n"
        "</Bookmarks></Settings>");
    player::Bookmarks bookmarks;
    for (const player::Bookmark& bookmark : player::load_settings_file(path).bookmarks)
        bookmarks.append(bookmark);
    EXPECT_EQ(listed(bookmarks.list()), "/b/a.mp3=100 /b/c.mp3=12 /b/a.mp3=200 /b/f.mp3=7 ");
    EXPECT_EQ(bookmarks.resume_position(u"/b/a.mp3"), 200);
    EXPECT_EQ(bookmarks.resume_position(u"/B/A.mp3"), 0); // exact comparison
    // Storing removes the last record of the path only, then appends.
    bookmarks.store(u"/b/a.mp3", 9000);
    EXPECT_EQ(listed(bookmarks.list()), "/b/a.mp3=100 /b/c.mp3=12 /b/f.mp3=7 /b/a.mp3=9000 ");
    bookmarks.clear();
    EXPECT_EQ(listed(bookmarks.list()), "");
}

} // namespace
