#include "player/settings.h"

#include "liba/text.h"
#include "os/path.h"
#include "support/test_support.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

void write_text(const std::filesystem::path& path, std::string_view text)
{
    test::write_file(path, test::Bytes(text.begin(), text.end()));
}

std::string read_text(const std::filesystem::path& path)
{
    test::Bytes bytes = test::read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

void expect_defaults(const player::Settings& s)
{
    EXPECT_EQ(s.language, os::expand_path(u"%app_path%/English.lng"));
    EXPECT_EQ(s.current_folder, u"");
    EXPECT_EQ(s.selected_path, u"");
    EXPECT_EQ(s.volume, 1.0);
    EXPECT_FALSE(s.equalizer_on);
    EXPECT_EQ(s.screen_off, 0);
    EXPECT_TRUE(s.random);
    EXPECT_TRUE(s.repeat);
    EXPECT_TRUE(s.bookmarks.empty());
}

TEST(Settings, missing_broken_or_foreign_file_gives_the_defaults)
{
    test::TempDir folder;
    expect_defaults(player::load_settings_file(folder.file("Settings.xml")));
    EXPECT_EQ(player::read_language_setting(folder.file("Settings.xml")), u"");
    for (const char* text : {"", "<Settings><General Language=\"x\"",
             "<Options><General Language=\"x\"/></Options>", "<Settings/>"}) {
        write_text(folder.native("Settings.xml"), text);
        expect_defaults(player::load_settings_file(folder.file("Settings.xml")));
        EXPECT_EQ(player::read_language_setting(folder.file("Settings.xml")), u"") << text;
    }
}

// One attribute's text and what it leaves in the settings.
struct ValueCase {
    const char* element;
    const char* attribute;
    const char* text;
    std::function<bool(const player::Settings&)> holds;
    const char* expected;
};

TEST(Settings, value_text_forms)
{
    using S = const player::Settings&;
    const ValueCase cases[] = {
        {"Sound", "Volume", "2.5", [](S s) { return s.volume == 2.5; }, "2.5 kept for the bar to clamp"},
        {"Sound", "Volume", "abc", [](S s) { return s.volume == 0.0; }, "no digit: 0"},
        {"Sound", "Volume", "  ", [](S s) { return s.volume == 1.0; }, "white space: default"},
        {"Sound", "Volume", " +0.25xyz", [](S s) { return s.volume == 0.25; }, "0.25"},
        {"Sound", "Volume", "1.5e2", [](S s) { return s.volume == 1.5; },
            "exponent after a fraction ignored"},
        {"Sound", "Volume", "25E-2", [](S s) { return s.volume == 0.25; }, "exponent without fraction"},
        {"Sound", "Volume", ".5", [](S s) { return s.volume == 0.0; }, "no leading digit: 0"},
        {"Sound", "EqualizerOn", "1", [](S s) { return s.equalizer_on; }, "true"},
        {"Sound", "EqualizerOn", "TRUE", [](S s) { return s.equalizer_on; }, "true"},
        {"Sound", "EqualizerOn", "on", [](S s) { return !s.equalizer_on; }, "default false"},
        {"Playback", "ScreenOff", "7", [](S s) { return s.screen_off == 7; }, "7 stored"},
        {"Playback", "ScreenOff", " 12abc", [](S s) { return s.screen_off == 12; }, "12"},
        {"Playback", "ScreenOff", "-2", [](S s) { return s.screen_off == -2; }, "-2"},
        {"Playback", "Random", "yes", [](S s) { return s.random; }, "not in the table: stays true"},
        {"Playback", "Random", "False", [](S s) { return !s.random; }, "false"},
        {"Playback", "Random", "false ", [](S s) { return s.random; }, "whole text compared"},
        {"Playback", "Repeat", "0", [](S s) { return !s.repeat; }, "false"},
        {"General", "Language", " /x/Deutsch.lng ", [](S s) { return s.language == u" /x/Deutsch.lng "; },
            "unchanged text"},
        {"Filelist", "SelectedPath", "/m/&amp;\xc3\xa9.mp3",
            [](S s) { return s.selected_path == u"/m/&\u00e9.mp3"; }, "text"},
    };
    test::TempDir folder;
    for (const ValueCase& c : cases) {
        write_text(folder.native("Settings.xml"),
            std::string("<Settings><") + c.element + " " + c.attribute + "=\"" + c.text + "\"/></Settings>");
        EXPECT_TRUE(c.holds(player::load_settings_file(folder.file("Settings.xml"))))
            << c.element << "/" << c.attribute << "=\"" << c.text << "\": expected " << c.expected;
    }
}

TEST(Settings, round_trip_writes_elements_and_attributes_in_order)
{
    test::TempDir folder;
    player::Settings out;
    out.language = u"/app/Deutsch.lng";
    out.current_folder = u"/music/Books";
    out.selected_path = u"/music/Books/a \"b\" <c>.mp3";
    out.volume = 2.5;
    out.equalizer_on = true;
    out.screen_off = 7;
    out.random = false;
    out.repeat = false;
    out.bookmarks = {{u"/music/Books/a.mp3", 5000}, {u"/music/x.ogg", -1}, {u"/music/Books/a.mp3", 9000}};
    ASSERT_TRUE(player::save_settings_file(folder.file("Settings.xml"), out));
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
    player::Settings in = player::load_settings_file(folder.file("Settings.xml"));
    EXPECT_EQ(in.language, out.language);
    EXPECT_EQ(in.current_folder, out.current_folder);
    EXPECT_EQ(in.selected_path, out.selected_path);
    EXPECT_EQ(in.volume, 2.5);
    EXPECT_EQ(in.equalizer_on, true);
    EXPECT_EQ(in.screen_off, 7);
    EXPECT_EQ(in.random, false);
    EXPECT_EQ(in.repeat, false);
    ASSERT_EQ(in.bookmarks.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(in.bookmarks[i].path, out.bookmarks[i].path);
        EXPECT_EQ(in.bookmarks[i].position, out.bookmarks[i].position);
    }
    EXPECT_EQ(player::read_language_setting(folder.file("Settings.xml")), u"/app/Deutsch.lng");

    // A file name may hold line breaks, control characters and markup; they come back as they were.
    const std::u16string odd = u"/m/a\nb\tc\rd\u0001e\u007f \U0001F3B5]]>'&\"<  j.mp3";
    out.bookmarks = {{odd, 1}};
    ASSERT_TRUE(player::save_settings_file(folder.file("Settings.xml"), out));
    in = player::load_settings_file(folder.file("Settings.xml"));
    ASSERT_EQ(in.bookmarks.size(), 1u);
    EXPECT_EQ(liba::to_utf8(in.bookmarks[0].path), liba::to_utf8(odd));
}

TEST(Settings, bookmarks_load_from_any_child_keep_duplicates_and_skip_broken_records)
{
    test::TempDir folder;
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
    player::Settings settings = player::load_settings_file(folder.file("Settings.xml"));
    player::Bookmarks bookmarks;
    for (const player::Bookmark& bookmark : settings.bookmarks)
        bookmarks.append(bookmark);
    auto listed = [&] {
        std::string out;
        for (const player::Bookmark& b : bookmarks.list())
            out += liba::to_utf8(b.path) + "=" + std::to_string(b.position) + " ";
        return out;
    };
    EXPECT_EQ(listed(), "/b/a.mp3=100 /b/c.mp3=12 /b/a.mp3=200 /b/f.mp3=7 ");
    EXPECT_EQ(bookmarks.resume_position(u"/b/a.mp3"), 200);
    EXPECT_EQ(bookmarks.resume_position(u"/B/A.mp3"), 0); // exact comparison
    EXPECT_TRUE(bookmarks.has(u"/b/c.mp3"));
    EXPECT_FALSE(bookmarks.has(u"/b/d.mp3"));
    // Storing removes the last record of the path only, then appends.
    bookmarks.store(u"/b/a.mp3", 9000);
    EXPECT_EQ(listed(), "/b/a.mp3=100 /b/c.mp3=12 /b/f.mp3=7 /b/a.mp3=9000 ");
    bookmarks.store(u"/b/new.mp3", 1);
    EXPECT_EQ(listed(), "/b/a.mp3=100 /b/c.mp3=12 /b/f.mp3=7 /b/a.mp3=9000 /b/new.mp3=1 ");
    bookmarks.clear();
    EXPECT_EQ(bookmarks.resume_position(u"/b/a.mp3"), 0);
}

// A settings document whose every bookmark carries the generation that wrote it.
player::Settings generation(int32_t number)
{
    player::Settings settings;
    for (int i = 0; i < 400; ++i)
        settings.bookmarks.push_back({u"/music/book " + liba::to_text(int64_t(i)) + u".mp3", number});
    return settings;
}

ino_t inode(const std::filesystem::path& file)
{
    struct stat status { };
    return ::stat(file.c_str(), &status) == 0 ? status.st_ino : 0;
}

TEST(Settings, a_save_killed_at_any_moment_leaves_the_old_or_the_new_file)
{
    test::TempDir folder;
    std::u16string path = folder.file("Settings.xml");
    const player::Settings first = generation(0);
    ASSERT_TRUE(player::save_settings_file(path, first));
    std::mt19937 random(12345);
    std::set<int32_t> seen;
    const std::filesystem::path file = folder.path() / "Settings.xml";
    for (int run = 0; run < 30; ++run) {
        const ino_t before = inode(file);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int32_t number = (run + 1) * 100000;; ++number)
                player::save_settings_file(path, generation(number));
        }
        // Each save replaces the file: once the child has saved, kill it at a random moment.
        for (int i = 0; i < 5000 && inode(file) == before; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        player::Settings settings = player::load_settings_file(path);
        ASSERT_EQ(settings.bookmarks.size(), 400u) << "run " << run;
        int32_t number = settings.bookmarks[0].position;
        for (size_t i = 0; i < settings.bookmarks.size(); ++i) {
            ASSERT_EQ(settings.bookmarks[i].position, number) << "run " << run;
            ASSERT_EQ(settings.bookmarks[i].path, first.bookmarks[i].path);
        }
        seen.insert(number);
    }
    // The children did replace the file, so the kills fell on real saves.
    EXPECT_GT(seen.size(), 10u);
}

} // namespace
