// The player as its users start it: the built melodeck, copied with its app folder into a
// temporary folder, run headless by script.

#include "player_run.h"

#include "player/script_runner.h"

#include "liba/xml_node.h"
#include "os/xml_file.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

using test::AppCopy;
using test::PlayerRun;
using test::run_player;

std::string line_with(const std::string& text, const std::string& start)
{
    size_t at = text.find(start);
    if (at == std::string::npos)
        return {};
    return text.substr(at, text.find('\n', at) - at);
}

TEST(ScriptedRun, every_byte_of_a_two_track_playlist_reaches_the_device_in_order)
{
    AppCopy app;
    test::write_tone(app.music() / "a.wav", 0.5, 0);
    test::write_tone(app.music() / "b.wav", 0.5, 20000);
    test::write_settings(app, "<Playback Random=\"false\" Repeat=\"false\"/>");
    std::string out = (app.dir.path() / "played.wav").string();
    PlayerRun run = run_player(app,
        "open " + app.music().string() + "\nselect a.wav\ncommand Play\nuntil-end 20000\nstate\n",
        "MELODECK_AUDIO=file:" + out + ",fast");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("mode=browse"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("track=2/2"), std::string::npos) << run.out;
    test::Bytes played = test::read_file(out);
    test::Bytes expected = test::tone_data(0.5, 0);
    test::Bytes second = test::tone_data(0.5, 20000);
    expected.insert(expected.end(), second.begin(), second.end());
    ASSERT_GE(played.size(), 44u);
    EXPECT_TRUE(test::Bytes(played.begin() + 44, played.end()) == expected)
        << "played " << played.size() - 44 << " bytes of " << expected.size();
}

TEST(ScriptedRun, without_skins_the_warning_goes_to_stderr_and_the_player_exits_0)
{
    AppCopy app(false);
    PlayerRun run = run_player(app, "state\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("Default skin not found or it is incompatible with this version of Melodeck"),
        std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(std::filesystem::exists(app.settings()));
}

TEST(ScriptedRun, only_an_alternative_skin_that_is_there_and_does_not_serve_gets_a_warning)
{
    AppCopy app;
    PlayerRun plain = run_player(app, "state\n");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err, "");
    std::filesystem::create_directories(app.app() / "skins/alternative");
    test::write_text(app.app() / "skins/alternative/alternative.skin", "not a skin");
    PlayerRun warned = run_player(app, "state\n");
    EXPECT_EQ(warned.status, 0);
    EXPECT_NE(
        warned.err.find("Alternative skin is incompatible with this version of Melodeck"), std::string::npos)
        << warned.err;
    EXPECT_NE(warned.out.find("mode=browse"), std::string::npos) << "the default skin runs";
}

TEST(ScriptedRun, a_second_copy_hands_over_its_command_line_and_exits_0_without_a_form)
{
    AppCopy app;
    test::write_text(app.dir.path() / "first.txt", "wait 1500\nstate\n");
    std::string first = "env MELODECK_AUDIO=null " + app.environment() + " "
        + (app.app() / "melodeck").string() + " --headless --script "
        + (app.dir.path() / "first.txt").string() + " >" + (app.dir.path() / "first.out").string()
        + " 2>&1 &";
    ASSERT_EQ(std::system(first.c_str()), 0);
    // The first copy holds the start-up lock once its file is there.
    for (int i = 0; i < 2000 && std::filesystem::is_empty(app.run_dir()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // One copy while the first is still starting, one once it runs: neither shows a form (their
    // scripts would print a state line).
    PlayerRun during = run_player(app, "state\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    PlayerRun after = run_player(app, "state\n");
    EXPECT_EQ(during.status, 0) << during.err;
    EXPECT_EQ(during.out, "");
    EXPECT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(after.out, "");
    // The first copy goes on to the end of its own script.
    for (int i = 0; i < 100 && !std::filesystem::exists(app.settings()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_NE(test::read_text(app.dir.path() / "first.out").find("mode=browse"), std::string::npos);
}

// A language made from English.lng with every text marked, so that any translated text shows it.
void write_marked_language(const AppCopy& app)
{
    std::string english = test::read_text(app.app() / "English.lng");
    std::string marked;
    size_t start = 0;
    while (start < english.size()) {
        size_t end = english.find('\n', start);
        std::string line = english.substr(start, end == std::string::npos ? std::string::npos : end - start);
        size_t blank = line.find_first_of(" \t");
        if (!line.empty() && !line.starts_with("//") && blank != std::string::npos)
            line = line.substr(0, blank) + " ZZ" + line.substr(line.find_first_not_of(" \t", blank));
        marked += line + "\n";
        start = end == std::string::npos ? english.size() : end + 1;
    }
    test::write_text(app.app() / "Marked.lng", marked);
}

TEST(ScriptedRun, a_language_switch_translates_the_menu_and_the_about_form_and_back)
{
    AppCopy app;
    write_marked_language(app);
    PlayerRun run = run_player(app,
        "menu Language Marked\n"
        "state\n"
        "menu \"ZZLanguage\" English\n"
        "state\n"
        "menu Language Marked\n"
        "command About\n"
        "text frmProduct\n"
        "text frmCopyright\n"
        "tap btnOk\n"
        "state\n");
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find("language=Marked.lng"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("language=English.lng"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("MOSK Melodeck v1.0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nZZ"), std::string::npos) << "the about form's skin text in the new language\n"
                                                       << run.out;
    EXPECT_NE(test::read_text(app.settings()).find("Marked.lng"), std::string::npos);
}

TEST(ScriptedRun, the_pick_menu_plays_as_chosen_and_cancel_changes_nothing)
{
    AppCopy app;
    test::write_tone(app.music() / "a.wav", 3);
    test::write_tone(app.music() / "b.wav", 3);
    PlayerRun run = run_player(app,
        "open " + app.music().string()
            + "\nselect b.wav\nkey Enter\npick Cancel\nstate\nkey Enter\npick \"Play this file\"\nstate\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(
        run.out.find("mode=browse paused=0 folder=" + app.music().string() + " selected=b.wav track=0/0"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("mode=play paused=0 folder=" + app.music().string() + " selected=b.wav track=1/1"),
        std::string::npos)
        << run.out;
}

TEST(ScriptedRun, the_menu_switches_modes_and_the_settings_keep_them)
{
    AppCopy app;
    PlayerRun run = run_player(app,
        "menu Shuffle\nmenu Repeat\nmenu Equalizer\nmenu \"Screen off\" \"After 30 seconds\"\nstate\nquit\n");
    ASSERT_EQ(run.status, 0) << run.err;
    std::string state = line_with(run.out, "mode=");
    EXPECT_NE(state.find("random=0 repeat=0 eq=1"), std::string::npos) << state;
    EXPECT_NE(state.find("screenoff=2"), std::string::npos) << state;
    std::string settings = test::read_text(app.settings());
    EXPECT_NE(settings.find("Random=\"false\" Repeat=\"false\""), std::string::npos) << settings;
    EXPECT_NE(settings.find("ScreenOff=\"2\""), std::string::npos) << settings;
}

TEST(ScriptWords, are_split_at_blanks_and_kept_whole_in_quotes)
{
    using Words = std::vector<std::string>;
    EXPECT_EQ(player::split_words("  menu \"Screen off\"\t\"After 30 s\" "),
        (Words {"menu", "Screen off", "After 30 s"}));
    EXPECT_EQ(player::split_words("select \"\""), (Words {"select", ""}));
    EXPECT_EQ(player::split_words("tap 10 20"), (Words {"tap", "10", "20"}));
    EXPECT_EQ(player::split_words(""), Words {});
}

struct BadLine {
    const char* line;
    const char* reason;
};

void PrintTo(const BadLine& bad, std::ostream* out)
{
    *out << bad.line;
}

class ScriptedRunFailure : public testing::TestWithParam<BadLine> { };

TEST_P(ScriptedRunFailure, names_the_line_and_exits_1)
{
    AppCopy app;
    PlayerRun run = run_player(app, std::string("state\n") + GetParam().line + "\nstate\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(std::string("script line 2: ") + GetParam().line + ": " + GetParam().reason),
        std::string::npos)
        << run.err;
    // The run stops there: one state line only.
    EXPECT_EQ(run.out.find("mode=", run.out.find("mode=") + 1), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Lines, ScriptedRunFailure,
    testing::Values(BadLine {"tap lstNothing", "no visible control"}, BadLine {"key Hyper", "unknown key"},
        BadLine {"select nothing.wav", "no entry"}, BadLine {"menu Nonsense", "no entry \"Nonsense\""},
        BadLine {"menu Language Klingon", "no entry \"Klingon\""},
        BadLine {"open /no/such/folder", "no such folder"}, BadLine {"wait soon", "a time"},
        BadLine {"dance", "unknown command"}, BadLine {"until-end -5", "a time"}));

TEST(ScriptedRun, killed_while_saving_bookmarks_leaves_a_settings_file_that_loads)
{
    AppCopy app;
    test::write_tone(app.music() / "book.wav", 30);
    std::string script = "open " + app.music().string() + "\nselect book.wav\ncommand PlayAudiobook\n";
    // Every Pause/Resume pair moves on a little; every Stop and start stores a bookmark and saves.
    for (int i = 0; i < 200; ++i)
        script += "wait 5\ncommand Stop\ncommand PlayAudiobook\n";
    test::write_text(app.dir.path() / "book.txt", script);
    for (int round = 0; round < 3; ++round) {
        auto saved_at = [&app] {
            std::error_code error;
            return std::filesystem::last_write_time(app.settings(), error);
        };
        auto before = saved_at();
        std::string command = "exec env MELODECK_AUDIO=null " + app.environment() + " "
            + (app.app() / "melodeck").string() + " --headless --script "
            + (app.dir.path() / "book.txt").string() + " >/dev/null 2>&1 & echo $!";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        int pid = 0;
        ASSERT_EQ(std::fscanf(pipe, "%d", &pid), 1);
        ::pclose(pipe);
        // Killed once this copy has started saving (start-up takes longer under sanitizers), at a
        // different moment of its saving in each round.
        for (int i = 0; i < 500 && saved_at() == before; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + 85 * round));
        ::kill(pid, SIGKILL);
        // Dead once gone or a zombie (nobody may reap an orphan here).
        auto alive = [pid] {
            std::string stat = test::read_text("/proc/" + std::to_string(pid) + "/stat");
            size_t paren = stat.rfind(')');
            return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
        };
        for (int i = 0; i < 50 && alive(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!std::filesystem::exists(app.settings()))
            continue;
        liba::XmlNode document = os::xml_load(test::u16(app.settings()));
        ASSERT_FALSE(document.is_null()) << "round " << round << ": " << test::read_text(app.settings());
        EXPECT_FALSE(document.child(u"Settings").child(u"Bookmarks").is_null());
    }
    EXPECT_TRUE(std::filesystem::exists(app.settings())) << "no bookmark was ever saved";
}

} // namespace
