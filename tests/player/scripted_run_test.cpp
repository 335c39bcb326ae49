// The built melodeck run headless by script as users start it: with a path, as a second copy, installed.

#include "player_run.h"

#include "player/script_runner.h"
#include "player/start_up.h"

#include <regex>
#include <thread>

#include <unistd.h>

namespace {

using test::AppCopy;
using test::PlayerRun;
using test::run_player;
using Words = std::vector<std::string>;

namespace fs = std::filesystem;
constexpr size_t npos = std::string::npos;

TEST(ScriptedRun, every_byte_of_a_two_track_playlist_reaches_the_device_in_order)
{
    AppCopy app;
    test::write_tone(app.music() / "a.wav", 0.5, 0);
    test::write_tone(app.music() / "b.wav", 0.5, 20000);
    test::write_settings(app.settings(), "<Playback Random=\"false\" Repeat=\"false\"/>");
    std::string out = (app.dir.path() / "played.wav").string();
    PlayerRun run = run_player(app,
        "open " + app.music().string() + "\nselect a.wav\ncommand Play\nuntil-end 20000\nstate\n",
        "MELODECK_AUDIO=file:" + out + ",fast");
    ASSERT_EQ((std::tuple {run.status, run.err}), (std::tuple {0, ""})); // nothing to warn of
    EXPECT_NE(run.out.find("mode=browse"), npos) << run.out;
    EXPECT_NE(run.out.find("track=2/2"), npos) << run.out;
    // a.wav's samples 0 to 3999, then b.wav's 20000 to 23999.
    test::Bytes played = test::read_file(out), expected = test::ramp16(4000), second = test::ramp16(24000);
    expected.insert(expected.end(), second.begin() + 40000, second.end());
    ASSERT_GE(played.size(), 44u);
    EXPECT_TRUE(test::Bytes(played.begin() + 44, played.end()) == expected)
        << "played " << played.size() - 44 << " bytes of " << expected.size();
}

TEST(ScriptedRun, only_missing_skins_and_an_alternative_skin_that_does_not_serve_get_a_warning)
{
    AppCopy bare(false), app;
    PlayerRun run = run_player(bare, "state\n");
    EXPECT_EQ((std::tuple {run.status, run.err, run.out, fs::exists(bare.settings())}),
        (std::tuple {0,
            "Warning: Default skin not found or it is incompatible with this version of Melodeck\n", "",
            false}));
    fs::create_directories(app.app() / "skins/alternative");
    test::write_text(app.app() / "skins/alternative/alternative.skin", "not a skin");
    run = run_player(app, "state\n");
    EXPECT_EQ((std::tuple {run.status, run.err}),
        (std::tuple {0, "Warning: Alternative skin is incompatible with this version of Melodeck\n"}));
    EXPECT_NE(run.out.find("mode=browse"), npos) << "the default skin runs";
}

// A language made from English.lng with every text marked, so that any translated text shows it.
void write_marked_language(const AppCopy& app)
{
    std::string english = test::read_text(app.app() / "English.lng");
    test::write_text(app.app() / "Marked.lng",
        std::regex_replace(english, std::regex("(^|\n)([^/\\s]\\S*)[ \t]+"), "$1$2 ZZ"));
}

// A run as a user makes it: Settings.xml, a path on the command line, the script ("$M" stands for the music
// folder, which holds a.wav, b.wav and c.wav of two seconds each), the texts its output shows in this order,
// and texts the settings file keeps afterwards.
struct UserRun {
    const char* name;
    const char* settings;
    const char* path;
    const char* script;
    std::vector<std::string> shown;
    std::vector<std::string> saved = {};
};

class UserRuns : public testing::TestWithParam<UserRun> { };

TEST_P(UserRuns, show_and_keep_what_the_user_expects)
{
    const UserRun& user = GetParam();
    AppCopy app;
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        test::write_tone(app.music() / name, 2);
    write_marked_language(app);
    if (*user.settings)
        test::write_settings(app.settings(), user.settings);
    auto expand = [&app](std::string text) {
        for (size_t at; (at = text.find("$M")) != npos;)
            text.replace(at, 2, app.music().string());
        return text;
    };
    PlayerRun run
        = run_player(app, expand(user.script), "", *user.path ? "\"" + expand(user.path) + "\"" : "");
    ASSERT_EQ(run.status, 0) << run.err;
    size_t at = 0;
    for (const std::string& text : user.shown) {
        at = run.out.find(expand(text), at);
        ASSERT_NE(at, npos) << "no " << text << " in\n" << run.out;
    }
    std::string settings = test::read_text(app.settings());
    for (const std::string& text : user.saved)
        EXPECT_NE(settings.find(text), npos) << settings;
}

const char* const s_sorted = "<Playback Random=\"false\" Repeat=\"true\"/>";

INSTANTIATE_TEST_SUITE_P(Runs, UserRuns,
    testing::Values(
        // Play on the up entry plays the whole folder, its subfolders included; without repeat the first
        // track's Prev and the last one's Next go back to browsing.
        UserRun {"the_ends_of_the_list_wrap_with_repeat_and_stop_without", s_sorted, "",
            "open $M\nselect ...\ncommand Play\nstate\ncommand Prev\nstate\nmenu Repeat\ncommand "
            "Stop\nselect a.wav\ncommand Play\ncommand Prev\nstate\nselect c.wav\ncommand Play\ncommand "
            "Next\nstate\n",
            {"mode=play", "track=1/3 path=$M/a.wav", "mode=play", "track=3/3 path=$M/c.wav", "mode=browse",
                "mode=browse", "track=3/3"}},
        // Track keys do nothing while nothing plays; play starts what the play soft key would.
        UserRun {"media_keys_drive_the_player", "<Sound Volume=\"0.5\"/><Playback Random=\"false\"/>", "",
            "open $M\nselect a.wav\nkey NextTrack\nstate\nkey PlayPause\nstate\nkey PlayPause\nstate\nkey "
            "PlayPause\nkey NextTrack\nstate\nkey PrevTrack\nstate\nkey VolumeUp\nstate\nkey VolumeDown\nkey "
            "VolumeDown\nstate\nkey MediaStop\nstate\n",
            {"mode=browse", "mode=play paused=0", "track=1/3", "paused=1", "paused=0", "track=2/3",
                "track=1/3", "volume=0.550", "volume=0.450", "mode=browse"}},
        UserRun {"the_pick_menu_plays_as_chosen_and_cancel_changes_nothing", "", "",
            "open $M\nselect b.wav\nkey Enter\npick Cancel\nstate\nkey Enter\npick \"Play this "
            "file\"\nstate\n",
            {"mode=browse paused=0 folder=$M selected=b.wav track=0/0",
                "mode=play paused=0 folder=$M selected=b.wav track=1/1"}},
        UserRun {"the_menu_switches_modes_and_the_settings_keep_them", "", "",
            "menu Shuffle\nmenu Repeat\nmenu Equalizer\nmenu \"Screen off\" \"After 30 "
            "seconds\"\nstate\nquit\n",
            {"random=0 repeat=0 eq=1", "screenoff=2"},
            {"Random=\"false\" Repeat=\"false\"", "ScreenOff=\"2\""}},
        // Shuffle switched off while playing: the playing file stays current in the sorted order.
        UserRun {"shuffle_switched_off_keeps_the_playing_file_current", "", "",
            "open $M\nselect b.wav\ncommand Play\nmenu Shuffle\nstate\n",
            {"mode=play", "track=2/3 path=$M/b.wav"}},
        // Odd values are taken as the bars and tables say and written back so; duplicate bookmarks
        // stay until the next bookmark of the path replaces the last of them.
        UserRun {"odd_settings_are_taken_as_the_bars_say_and_written_back",
            "<Sound Volume=\"2.5\" EqualizerOn=\"TRUE\"/>"
            "<Playback ScreenOff=\"7\" Random=\"yes\" Repeat=\"0\"/><Bookmarks><Bookmark Path=\"a.wav\" "
            "Pos=\"1\"/>"
            "<Bookmark Path=\"a.wav\" Pos=\"2\"/></Bookmarks>",
            "", "state\n", {"random=1 repeat=0 eq=1 volume=1.000 screenoff=7"},
            {"Volume=\"1.000000\" EqualizerOn=\"true\"", "ScreenOff=\"7\" Random=\"true\" Repeat=\"false\"",
                "Pos=\"1\"", "Pos=\"2\""}},
        UserRun {"a_file_on_the_command_line_plays_in_its_folder", s_sorted, "$M/b.wav",
            "state\nwait 300\ntext frmInfo\n",
            {"mode=play", "track=2/3 path=$M/b.wav", "8kHz 16bit 128kbps"}},
        UserRun {
            "a_folder_on_the_command_line_opens", "", "$M", "state\n", {"mode=browse paused=0 folder=$M "}},
        // The language switch translates the menu and the about form, and back.
        UserRun {"a_language_switch_translates_the_menu_and_the_about_form", "", "",
            "menu Language Marked\nstate\nmenu \"ZZLanguage\" English\nstate\nmenu Language Marked\ncommand "
            "About\ntext frmProduct\ntext frmCopyright\ntap btnOk\nstate\n",
            {"language=Marked.lng", "language=English.lng", "MOSK Melodeck v1.0", "\nZZ"}, {"Marked.lng"}}),
    [](const testing::TestParamInfo<UserRun>& info) { return std::string(info.param.name); });

TEST(ScriptedRun, later_copies_hand_their_command_line_to_the_running_player_and_exit_0_without_a_form)
{
    AppCopy app;
    // A name with a blank and a letter outside ASCII (the hand-over is UTF-16).
    test::write_tone(app.music() / "my söng.wav", 5);
    FILE* first = test::open_player(app, "wait 2500\nstate\n");
    // The first copy holds the start-up lock once its file is there.
    for (int i = 0; i < 2000 && fs::is_empty(app.run_dir()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // A copy started while the first is still starting shows no form (its script would print).
    PlayerRun during = run_player(app, "state\n");
    EXPECT_EQ((std::tuple {during.status, during.out}), (std::tuple {0, ""})) << during.err;
    // One started in the music folder hands over its path, given relative to that folder.
    std::string second = "cd " + app.music().string() + " && env " + app.environment() + " "
        + (app.app() / "melodeck").string() + " \"my söng.wav\"";
    EXPECT_EQ(std::system(second.c_str()), 0);
    // The first copy goes on to the end of its own script.
    std::string out;
    EXPECT_EQ(test::read_to_end(first, out), 0);
    EXPECT_NE(out.find("mode=play"), npos) << out;
    EXPECT_NE(out.find("path=" + (app.music() / "my söng.wav").string()), npos) << out;
}

TEST(ScriptedRun, words_are_split_at_blanks_and_kept_whole_in_quotes_and_a_bad_line_ends_the_run_with_1)
{
    EXPECT_EQ(player::split_words(" select\t\"\" "), (Words {"select", ""}));
    EXPECT_EQ(player::split_words(""), Words {});
    AppCopy app;
    for (auto [line, reason] :
        {std::pair {"tap lstNothing", "no visible control"}, {"key Hyper", "unknown key"},
            {"select nothing.wav", "no entry"}, {"menu Nonsense", "no entry \"Nonsense\""},
            {"menu Language Klingon", "no entry \"Klingon\""}, {"open /no/such/folder", "no such folder"},
            {"wait soon", "a time"}, {"dance", "unknown command"}, {"until-end -5", "a time"}}) {
        PlayerRun run = run_player(app, std::string("state\n") + line + "\nstate\n");
        EXPECT_EQ(run.status, 1) << line;
        EXPECT_NE(run.err.find(std::string("script line 2: ") + line + ": " + reason), npos) << run.err;
        // The run stops there: one state line only.
        EXPECT_EQ(run.out.find("mode=", run.out.find("mode=") + 1), npos) << run.out;
    }
}

TEST(CommandLine, a_path_reaches_the_running_copy_whole_and_settings_leave_a_read_only_app_folder)
{
    // (A writable app folder keeps them: every run of a copy.)
    EXPECT_EQ(player::settings_path(u"/usr/lib/melodeck", false, u"/home/u/.config"),
        u"/home/u/.config/melodeck/Settings.xml");
    std::string cwd = fs::current_path().string();
    const std::pair<Words, std::string> cases[] = {
        {{"--headless", "music"}, cwd + "/music"},
        {{"./a b/../say \"hi\".wav", "--script", "s t.txt"}, cwd + "/say \"hi\".wav"},
        {{"//x//y/", "--platform", "smartphone"}, "/x/y"},
        {{"///"}, "/"},
        {{"--headless"}, ""},
        // The path's text also given before it as an option's value (a fuzz finding).
        {{"--script", "g", "--script", "t", "g"}, cwd + "/g"},
        {{"--screenshot", "g.png", "g.png"}, cwd + "/g.png"},
    };
    std::string error;
    for (const auto& [args, path] : cases) {
        std::optional<player::CommandLine> given = player::parse_command_line(args, error);
        ASSERT_TRUE(given) << error;
        EXPECT_EQ(given->path, path);
        std::optional<player::CommandLine> handed
            = player::parse_command_line(player::split_command_line(given->text), error);
        ASSERT_TRUE(handed) << liba::to_utf8(given->text);
        EXPECT_EQ(std::tie(handed->path, handed->script), std::tie(path, given->script))
            << liba::to_utf8(given->text);
    }
    EXPECT_FALSE(player::parse_command_line({"a", "b"}, error));
}

// The installed player: its link starts it with a desktop entry and an icon beside it; settings go
// into the app folder, or under XDG_CONFIG_HOME when the user may not write there.
TEST(CommandLine, the_installed_player_runs_from_its_link_with_a_desktop_entry_and_an_icon)
{
    test::TempDir prefix;
    std::string install = "cmake --install " + fs::path(MELODECK_BIN_DIR).parent_path().string()
        + " --prefix " + prefix.path().string() + " >/dev/null";
    ASSERT_EQ(std::system(install.c_str()), 0);
    std::string desktop = test::read_text(prefix.path() / "share/applications/melodeck.desktop");
    EXPECT_NE(desktop.find("Exec=" + (prefix.path() / "bin/melodeck").string() + " %f\n"), npos) << desktop;
    EXPECT_TRUE(fs::exists(prefix.path() / "share/icons/hicolor/scalable/apps/melodeck.svg"));
    test::TempDir run;
    test::write_text(prefix.path() / "s.txt", "state\n");
    std::string command = "env MELODECK_AUDIO=null XDG_RUNTIME_DIR=" + run.path().string() + " "
        + (prefix.path() / "bin/melodeck").string() + " --headless --script "
        + (prefix.path() / "s.txt").string() + " >" + (prefix.path() / "out.txt").string() + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_NE(test::read_text(prefix.path() / "out.txt").find("mode=browse"), npos);
    fs::path app = prefix.path() / "lib/melodeck";
    EXPECT_TRUE(fs::exists(app / "Settings.xml"));
    if (::geteuid() == 0) // root may write anywhere
        return;
    fs::remove(app / "Settings.xml");
    fs::permissions(app, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(
        std::system(("env XDG_CONFIG_HOME=" + prefix.path().string() + "/config " + command).c_str()), 0);
    fs::permissions(app, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(fs::exists(prefix.path() / "config/melodeck/Settings.xml"));
    EXPECT_FALSE(fs::exists(app / "Settings.xml"));
}

} // namespace
