// melodeck PATH: the command line, what the player does with PATH at start and when a later copy
// hands it over, where the settings go, and the installed player.

#include "player_run.h"

#include "liba/text.h"
#include "player/start_up.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

using test::AppCopy;
using test::PlayerRun;

TEST(CommandLine, a_path_reaches_the_running_copy_absolute_and_whole)
{
    std::string cwd = std::filesystem::current_path().string();
    struct Case {
        std::vector<std::string> args;
        std::string path;
    } cases[] = {
        {{"--headless", "music"}, cwd + "/music"},
        {{"./a b/../say \"hi\".wav", "--script", "s t.txt"}, cwd + "/say \"hi\".wav"},
        {{"//x//y/", "--platform", "smartphone"}, "/x/y"},
        {{"///"}, "/"},
        {{"--headless"}, ""},
    };
    for (const Case& c : cases) {
        std::string error;
        std::optional<player::CommandLine> given = player::parse_command_line(c.args, error);
        ASSERT_TRUE(given) << error;
        EXPECT_EQ(given->path, c.path);
        std::optional<player::CommandLine> handed
            = player::parse_command_line(player::split_command_line(given->text), error);
        ASSERT_TRUE(handed) << liba::to_utf8(given->text);
        EXPECT_EQ(handed->path, c.path) << liba::to_utf8(given->text);
        EXPECT_EQ(handed->script, given->script);
    }
    std::string error;
    EXPECT_FALSE(player::parse_command_line({"a", "b"}, error));
}

TEST(CommandLine, settings_stay_in_the_app_folder_unless_it_is_read_only)
{
    EXPECT_EQ(player::settings_path(u"/opt/app", true, u"/home/u/.config"), u"/opt/app/Settings.xml");
    EXPECT_EQ(player::settings_path(u"/usr/lib/melodeck", false, u"/home/u/.config"),
        u"/home/u/.config/melodeck/Settings.xml");
}

TEST(CommandLine, a_file_plays_in_its_folder_and_a_folder_opens)
{
    AppCopy app;
    for (const char* name : {"a.wav", "b.wav"})
        test::write_tone(app.music() / name, 2);
    test::write_settings(app, "<Playback Random=\"false\"/>");
    std::string file = (app.music() / "b.wav").string();
    PlayerRun played = test::run_player(app, "state\n", "", "\"" + file + "\"");
    EXPECT_EQ(played.status, 0) << played.err;
    EXPECT_NE(played.out.find("mode=play"), std::string::npos) << played.out;
    EXPECT_NE(played.out.find("track=2/2 path=" + file), std::string::npos) << played.out;
    PlayerRun opened = test::run_player(app, "state\n", "", app.music().string());
    EXPECT_NE(opened.out.find("mode=browse paused=0 folder=" + app.music().string() + " "), std::string::npos)
        << opened.out;
}

TEST(CommandLine, a_second_copy_hands_its_path_to_the_running_player)
{
    AppCopy app;
    test::write_tone(app.music() / "my song.wav", 5);
    std::string first = "env MELODECK_AUDIO=null " + app.environment() + " "
        + (app.app() / "melodeck").string() + " --headless --script "
        + (app.dir.path() / "first.txt").string() + " >" + (app.dir.path() / "first.out").string()
        + " 2>&1 &";
    test::write_text(app.dir.path() / "first.txt", "wait 1500\nstate\n");
    ASSERT_EQ(std::system(first.c_str()), 0);
    // Once the first copy holds its start-up lock, the second waits for it and then hands over.
    for (int i = 0; i < 2000 && std::filesystem::is_empty(app.run_dir()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // Given relative to the second copy's folder.
    std::string second = "cd " + app.music().string() + " && env " + app.environment() + " "
        + (app.app() / "melodeck").string() + " \"my song.wav\"";
    EXPECT_EQ(std::system(second.c_str()), 0);
    for (int i = 0; i < 300 && !std::filesystem::exists(app.settings()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::string out = test::read_text(app.dir.path() / "first.out");
    EXPECT_NE(out.find("mode=play"), std::string::npos) << out;
    EXPECT_NE(out.find("path=" + (app.music() / "my song.wav").string()), std::string::npos) << out;
}

TEST(CommandLine, the_installed_player_runs_from_its_link_with_a_desktop_entry_and_an_icon)
{
    test::TempDir prefix;
    std::filesystem::path build = std::filesystem::path(MELODECK_BIN_DIR).parent_path();
    std::string install
        = "cmake --install " + build.string() + " --prefix " + prefix.path().string() + " >/dev/null";
    ASSERT_EQ(std::system(install.c_str()), 0);
    std::string desktop = test::read_text(prefix.path() / "share/applications/melodeck.desktop");
    EXPECT_NE(desktop.find("Exec=" + (prefix.path() / "bin/melodeck").string() + " %f\n"), std::string::npos)
        << desktop;
    EXPECT_TRUE(std::filesystem::exists(prefix.path() / "share/icons/hicolor/scalable/apps/melodeck.svg"));
    test::TempDir run;
    test::write_text(prefix.path() / "s.txt", "state\n");
    std::string command = "env MELODECK_AUDIO=null XDG_RUNTIME_DIR=" + run.path().string() + " "
        + (prefix.path() / "bin/melodeck").string() + " --headless --script "
        + (prefix.path() / "s.txt").string() + " >" + (prefix.path() / "out.txt").string() + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::string out = test::read_text(prefix.path() / "out.txt");
    EXPECT_NE(out.find("mode=browse"), std::string::npos) << out;
    EXPECT_NE(out.find("language=English.lng"), std::string::npos) << out;
    EXPECT_TRUE(std::filesystem::exists(prefix.path() / "lib/melodeck/Settings.xml"));

    // An app folder the user may not write to (root may write anywhere: only for other users).
    if (::geteuid() == 0)
        return;
    std::filesystem::path app = prefix.path() / "lib/melodeck";
    std::filesystem::remove(app / "Settings.xml");
    std::filesystem::permissions(
        app, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    EXPECT_EQ(
        std::system(("env XDG_CONFIG_HOME=" + prefix.path().string() + "/config " + command).c_str()), 0);
    std::filesystem::permissions(
        app, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_TRUE(std::filesystem::exists(prefix.path() / "config/melodeck/Settings.xml"));
    EXPECT_FALSE(std::filesystem::exists(app / "Settings.xml"));
}

} // namespace
