// The whole player under strain: a long scripted soak, kills in the middle of saving, a sound output
// that goes away and comes back, a crowd of copies started at once and a folder of hostile files.

#include "player_run.h"

#include "player/settings.h"

#include <csignal>
#include <functional>
#include <random>
#include <spawn.h>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using test::AppCopy;

// gcc marks the sanitizers with macros, clang with features.
#ifndef __has_feature
#define __has_feature(feature) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || __has_feature(address_sanitizer)        \
    || __has_feature(thread_sanitizer)
constexpr bool s_sanitized = true;
#else
constexpr bool s_sanitized = false;
#endif

// The state lines of its stdout until it closes, then its exit status (-1 when it did not exit).
int states_of(
    FILE* out, std::vector<std::string>& states, const std::function<void(size_t)>& on_state = nullptr)
{
    char buffer[4096];
    while (out && std::fgets(buffer, sizeof buffer, out)) {
        if (std::string_view(buffer).starts_with("mode=")) {
            states.emplace_back(buffer);
            if (on_state)
                on_state(states.size());
        }
    }
    std::string rest;
    return test::read_to_end(out, rest);
}

// A copy started in the background, stdout to /dev/null; exec keeps the pid the player's.
pid_t spawn_player(const AppCopy& app, const std::string& script)
{
    std::string file = (app.dir.path() / "kill.txt").string();
    test::write_text(file, script);
    std::string command = "exec env MELODECK_AUDIO=null " + app.environment() + " "
        + (app.app() / "melodeck").string() + " --headless --script " + file + " >/dev/null";
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    pid_t pid = -1;
    int failed = ::posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char* const*>(argv), environ);
    return failed ? -1 : pid;
}

// The demo music (every format the player reads) and the ADPCM and GSM fixtures.
void copy_every_format(const fs::path& to)
{
    for (const fs::directory_entry& entry :
        fs::directory_iterator(fs::path(MELODECK_SOURCE_DIR) / "data/music")) {
        std::string extension = entry.path().extension().string();
        if (extension == ".mp3" || extension == ".wav" || extension == ".ogg" || extension == ".mpc")
            fs::copy_file(entry.path(), to / entry.path().filename());
    }
    for (const char* name : {"adpcm_gsm/adpcm_stereo_sox.wav", "adpcm_gsm/gsm_sox.wav"})
        fs::copy_file(test::fixture(name), to / fs::path(name).filename());
}

// ---- soak ----

TEST(Soak, track_changes_seeks_pauses_and_menus_keep_memory_flat)
{
    // MELODECK_SOAK_CYCLES sets the length of the run; under the sanitizers a shorter run finds the
    // same leaks and races.
    const char* given = std::getenv("MELODECK_SOAK_CYCLES");
    const int cycles = given ? std::atoi(given) : s_sanitized ? 250 : 1000;
    ASSERT_GT(cycles, 100);
    AppCopy app;
    copy_every_format(app.music());
    std::string script = "open " + app.music().string() + "\nselect \"Lazy Walk.wav\"\ncommand Play\n";
    // Every cycle changes track and then seeks, pauses and resumes, or opens the menu (which
    // flips the order between sorted and shuffled, so both orders are walked).
    const char* actions[] = {"tap pbPosition\n", "command Pause\nwait 5\ncommand Resume\n", "menu Shuffle\n",
        "tap btnRight\n", "tap btnLeft\n"};
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        script += (cycle % 7 == 0 ? "command Prev\n" : "command Next\n");
        script += actions[cycle % std::size(actions)];
        if (cycle == 100 || cycle == cycles)
            script += "rss\nstate\n";
    }
    test::PlayerRun run = test::run_player(app, script);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<long> rss;
    for (size_t at = 0; (at = run.out.find("rss=", at)) != std::string::npos; at += 4)
        rss.push_back(std::strtol(run.out.c_str() + at + 4, nullptr, 10));
    ASSERT_EQ(rss.size(), 2u) << run.out;
    EXPECT_EQ(run.out.compare(run.out.rfind("mode="), 18, "mode=play paused=0"), 0) << run.out;
    EXPECT_GT(rss[0], 0);
    // The sanitizers keep freed memory in quarantine and shadow: only a plain build measures.
    EXPECT_TRUE(s_sanitized || rss[1] - rss[0] <= 1024)
        << "KiB after cycle 100: " << rss[0] << ", at the end: " << rss[1];
}

// ---- kill -9 while saving ----

// The bookmarks with a place in the settings file as it is now (a broken file reads as none).
int bookmark_count(const AppCopy& app)
{
    return int(std::ranges::count_if(player::load_settings_file(test::u16(app.settings())).bookmarks,
        [](const player::Bookmark& b) { return b.position > 0; }));
}

// One lane of kill runs on its own copy of the app folder; what went wrong, one line each.
std::string kill_runs(int runs, int books, uint32_t seed)
{
    std::ostringstream faults;
    AppCopy app;
    for (int book = 0; book < books; ++book)
        test::write_tone(app.music() / ("book" + std::to_string(book) + ".wav"), 6.0);
    std::mt19937 random(seed);
    int saved = 0; // bookmarks in the last save seen complete
    auto written
        = [&app, error = std::error_code()]() mutable { return fs::last_write_time(app.settings(), error); };
    for (int run = 0; run < runs; ++run) {
        // Each run stores and saves the bookmarks of a few books, starting one book further on.
        std::string script = "open " + app.music().string() + "\n";
        for (int step = 0; step < 6; ++step)
            script += "select book" + std::to_string((run + step) % books)
                + ".wav\ncommand PlayAudiobook\ncommand Stop\n";
        auto before = written();
        pid_t player = spawn_player(app, script);
        // Killed at a random moment once this run has begun saving: during a save, between two
        // saves, or (rarely) after the end of its script.
        bool saving = player > 0 && test::wait_until([&] { return written() != before; });
        if (saving)
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        // What is there now is a completed save: it must survive the kill.
        int before_kill = bookmark_count(app);
        if (player > 0 && ::kill(player, SIGKILL) == 0)
            ::waitpid(player, nullptr, 0);
        int count = bookmark_count(app);
        if (!saving || count < before_kill || count < saved) {
            faults << "run " << run << (saving ? "" : " never saved") << ": " << count << " bookmarks after "
                   << before_kill << " and " << saved << " in:\n"
                   << test::read_text(app.settings()) << "\n";
            break;
        }
        saved = std::max(saved, count);
    }
    // Nearly every run saves a bookmark of a book the runs before did not reach (a Stop that
    // comes before the first block was read stores none).
    if (saved < std::min(runs, books) / 2)
        faults << "only " << saved << " bookmarks were ever saved\n";
    // Temporary files of killed saves are cleared by the next save: at most the last one is left.
    int temporaries = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(app.app()))
        temporaries += entry.path().filename().string().starts_with(".Settings.xml.tmp.") ? 1 : 0;
    if (temporaries > 1)
        faults << temporaries << " temporary files left\n";
    return faults.str();
}

TEST(KilledWhileSaving, two_hundred_runs_keep_every_completed_save)
{
    // Two lanes side by side, each its own player copy; fewer runs under the sanitizers, whose
    // start-up is several times slower.
    constexpr int s_runs = s_sanitized ? 40 : 200;
    std::string second_faults;
    std::thread second([&second_faults] { second_faults = kill_runs(s_runs / 2, 60, 2); });
    EXPECT_EQ(kill_runs(s_runs / 2, 60, 1), "");
    second.join();
    EXPECT_EQ(second_faults, "");
}

// ---- the sound output goes away and comes back ----

TEST(DeviceLost, playing_stops_quietly_and_plays_again_once_the_device_is_back)
{
    // SDL's disk output on a file that refuses writes, and the null device's switch file.
    for (bool sdl : {false, true}) {
        AppCopy app;
        copy_every_format(app.music());
        fs::path switch_file = app.dir.path() / "lost.png", sdl_out = app.dir.path() / "sdl.raw";
        // The disk output reports its device removed when a write fails, as /dev/full makes it.
        if (sdl)
            fs::create_symlink("/dev/full", sdl_out);
        std::string script = "open " + app.music().string()
            + "\nselect \"Lazy Walk.wav\"\ncommand Play\nwait 300\n"
            + (sdl ? "" : "screenshot " + switch_file.string() + "\n")
            // Lost: playing ends by itself, and a new start fails quietly while the device is away.
            + "until-end 5000\nstate\ncommand Play\nwait 300\nstate\n"
            // The device comes back while the player waits here (the test restores it on that line).
            + "wait 1500\ncommand Play\nwait 500\nstate\ncommand Stop\n";
        std::string environment = sdl
            ? "MELODECK_AUDIO=sdl SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" + sdl_out.string()
            : "MELODECK_AUDIO_FAIL=" + switch_file.string();
        std::vector<std::string> states;
        int status = states_of(test::open_player(app, script, environment), states, [&](size_t count) {
            if (count == 2 && fs::remove(sdl ? sdl_out : switch_file) && sdl)
                test::write_text(sdl_out, "");
        });
        EXPECT_EQ(status, 0) << test::read_text(app.dir.path() / "stderr.txt");
        ASSERT_EQ(states.size(), 3u);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_TRUE(states[i].starts_with(i < 2 ? "mode=browse paused=0" : "mode=play paused=0"))
                << states[i];
        EXPECT_GT(std::atol(states[2].c_str() + states[2].find(" pos=") + 5), 0) << states[2];
        EXPECT_TRUE(!sdl || fs::file_size(sdl_out) > 0) << "nothing reached the device that came back";
    }
}

// ---- a crowd of copies ----

TEST(Crowd, ten_copies_started_at_once_make_one_form_and_nine_exit_0)
{
    AppCopy app;
    std::vector<FILE*> copies;
    for (int i = 0; i < 10; ++i)
        copies.push_back(test::open_player(app, "wait 1500\nstate\n"));
    std::vector<std::string> states;
    for (FILE* copy : copies)
        EXPECT_EQ(states_of(copy, states), 0);
    EXPECT_EQ(states.size(), 1u);
}

// ---- a folder of hostile files ----

// Every file of the shared corpus (when it is there), cut and empty and unreadable copies, huge
// sparse ones, names no encoding likes, names as long as the file system takes, a folder with an
// audio extension, a FIFO and symbolic links that go round in circles; gives the number of entries,
// an upper bound of the rows the browser lists.
size_t make_hostile_folder(const fs::path& folder)
{
    fs::create_directories(folder);
    test::Bytes good = test::read_file(fs::path(MELODECK_SOURCE_DIR) / "data/music/Lazy Walk.wav");
    test::Bytes mp3 = test::read_file(fs::path(MELODECK_SOURCE_DIR) / "data/music/Raindrops.mp3");
    fs::path corpus = test::corpus_dir();
    if (!corpus.empty() && fs::is_directory(corpus)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(corpus)) {
            test::Bytes bytes = test::read_file(entry.path());
            std::string name = entry.path().filename().string();
            test::write_file(folder / name, bytes);
            test::write_file(folder / ("cut_" + name),
                test::Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(bytes.size() / 3)));
        }
    }
    std::string long_utf8;
    while (long_utf8.size() < 240)
        long_utf8 += "\xd0\x96\xe2\x99\xab";
    // With the longest name a folder takes, and (below) a path of more than 300 characters.
    for (const auto& [name, bytes] :
        std::vector<std::pair<std::string, test::Bytes>> {{"good.wav", good}, {"empty.mp3", {}},
            {"empty.wav", {}}, {"header_only.wav", test::Bytes(good.begin(), good.begin() + 44)},
            {"cut.mp3", test::Bytes(mp3.begin(), mp3.begin() + 700)}, {"unreadable.ogg", good},
            {"huge.wav", good}, {"huge.mp3", mp3}, {"bad_utf8_\xff\xfe\xc3_caf\xe9.mp3", mp3},
            {long_utf8 + ".mp3", mp3}, {std::string(251, 'n') + ".wav", good}})
        test::write_file(folder / name, bytes);
    ::chmod((folder / "unreadable.ogg").c_str(), 0);
    // 5 GiB of nothing behind a real header: sizes beyond 32 bits.
    for (const char* huge : {"huge.wav", "huge.mp3"})
        fs::resize_file(folder / huge, uint64_t(5) << 30);
    fs::path deep = folder / std::string(200, 'd') / std::string(200, 'e');
    fs::create_directories(deep);
    test::write_file(deep / (std::string(240, 'p') + ".wav"), good);
    fs::create_directory(folder / "folder.mp3");
    ::mkfifo((folder / "fifo.wav").c_str(), 0644);
    for (auto [target, link] : {std::pair {".", "loop"}, {"loop", "loop2"}, {"ring_b.mp3", "ring_a.mp3"},
             {"ring_a.mp3", "ring_b.mp3"}, {"/no/such/file.mp3", "dangling.mp3"}})
        fs::create_symlink(target, folder / link);
    return size_t(std::distance(fs::directory_iterator(folder), {})) + 1;
}

TEST(HostileFolder, browsing_and_playing_everything_neither_crashes_nor_hangs)
{
    AppCopy app;
    fs::path folder = app.music() / "hostile";
    size_t files = make_hostile_folder(folder);
    test::write_settings(app.settings(), "<Playback Random=\"0\" Repeat=\"1\"/>");
    std::string script = "open " + folder.string() + "\n";
    // The whole list, drawn row by row.
    for (size_t row = 0; row < files + 4; ++row)
        script += "key Down\n";
    // Files that cannot play, each alone: playing ends at once, quietly, in browse mode.
    const std::vector<std::string> refused = {"empty.mp3", "empty.wav", "fifo.wav", "folder.mp3"};
    for (const std::string& name : refused)
        script += "select " + name + "\ncommand PlaySingle\nwait 50\nstate\n";
    script += "select good.wav\ncommand PlaySingle\nwait 100\nstate\ncommand Stop\n";
    // Everything below the folder, the loops included, in order and round again; each refused
    // file ends playing and the next "Next" goes on from there.
    script += "select good.wav\ncommand PlaySubfolder\n";
    for (size_t track = 0; track < files + 8; ++track)
        script += "wait 20\ncommand Next\n";
    script += "state\nopen " + folder.string() + "/loop/loop/loop\nstate\n";
    std::vector<std::string> states;
    int status = states_of(test::open_player(app, script), states);
    std::string errors = test::read_text(app.dir.path() / "stderr.txt");
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(errors.find("Gluck"), std::string::npos) << errors;
    ASSERT_EQ(states.size(), refused.size() + 3);
    for (size_t i = 0; i < refused.size(); ++i)
        EXPECT_TRUE(states[i].starts_with("mode=browse paused=0")
            && states[i].find(" selected=" + refused[i] + " ") != std::string::npos)
            << states[i];
    EXPECT_TRUE(states[refused.size()].starts_with("mode=play paused=0")) << states[refused.size()];
    EXPECT_NE(states[refused.size() + 1].find(" paused=0 "), std::string::npos) << states[refused.size() + 1];
}

} // namespace
