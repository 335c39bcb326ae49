// The whole player under strain: a long scripted soak, kills in the middle of saving, a sound
// output that goes away and comes back, a crowd of copies started at once and a folder of hostile
// files. Each run is the built melodeck on a private copy of its app folder.

#include "player_run.h"

#include "liba/xml_node.h"
#include "os/xml_file.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using test::AppCopy;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool s_sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool s_sanitized = true;
#else
constexpr bool s_sanitized = false;
#endif
#else
constexpr bool s_sanitized = false;
#endif

// The player started on the script in the background with its stdout to read (stderr goes to
// stderr.txt in the app copy's folder); pclose gives its wait status. A copy still running after two
// minutes is killed, so that a hang fails the test instead of stopping the suite.
FILE* open_player(const AppCopy& app, const fs::path& script, const std::string& environment = "")
{
    std::string command = "exec env MELODECK_AUDIO=null " + app.environment() + " " + environment
        + " timeout -s KILL 120 " + (app.app() / "melodeck").string() + " --headless --script "
        + script.string() + " 2>" + (app.dir.path() / "stderr.txt").string() + " </dev/null";
    return ::popen(command.c_str(), "r");
}

// The lines of its stdout that are state lines, until it closes.
std::vector<std::string> states_of(FILE* out, const std::function<void(size_t)>& on_state = nullptr)
{
    std::vector<std::string> states;
    char buffer[4096];
    while (out && std::fgets(buffer, sizeof buffer, out)) {
        if (std::string_view(buffer).starts_with("mode=")) {
            states.emplace_back(buffer);
            if (on_state)
                on_state(states.size());
        }
    }
    return states;
}

int exit_status(FILE* out)
{
    int raw = out ? ::pclose(out) : -1;
    return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// A copy started in the background through env, so that the pid is the player's; stdout goes to
// /dev/null.
pid_t spawn_player(const AppCopy& app, const fs::path& script)
{
    std::string environment = app.environment(), program = (app.app() / "melodeck").string();
    std::string file = script.string();
    const char* argv[] = {"env", "MELODECK_AUDIO=null", environment.c_str(), program.c_str(), "--headless",
        "--script", file.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, "env", &actions, nullptr, const_cast<char* const*>(argv), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

fs::path write_script(const AppCopy& app, const std::string& name, const std::string& script)
{
    fs::path path = app.dir.path() / name;
    test::write_text(path, script);
    return path;
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

long value_after(const std::string& line, const std::string& key)
{
    size_t at = line.find(key);
    return at == std::string::npos ? -1 : std::strtol(line.c_str() + at + key.size(), nullptr, 10);
}

// ---- soak ----

TEST(Soak, track_changes_seeks_pauses_and_menus_keep_memory_flat)
{
    // MELODECK_SOAK_CYCLES sets the length of the run.
    const char* cycles_text = std::getenv("MELODECK_SOAK_CYCLES");
    // Under the sanitizers a shorter run finds the same leaks and races.
    const int cycles = cycles_text ? std::atoi(cycles_text) : s_sanitized ? 250 : 1000;
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
    std::vector<std::string> states;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("rss="))
            rss.push_back(value_after(line, "rss="));
        else if (line.starts_with("mode="))
            states.push_back(line);
    }
    ASSERT_EQ(rss.size(), 2u) << run.out;
    ASSERT_EQ(states.size(), 2u);
    EXPECT_TRUE(states[1].starts_with("mode=play paused=0")) << states[1];
    EXPECT_GT(rss[0], 0);
    // The sanitizers keep freed memory in quarantine and shadow: only a plain build measures.
    if (!s_sanitized) {
        EXPECT_LE(rss[1] - rss[0], 1024) << "KiB after cycle 100: " << rss[0] << ", at the end: " << rss[1];
    }
}

// ---- kill -9 while saving ----

liba::XmlNode load_settings(const AppCopy& app)
{
    return os::xml_load(test::u16(app.settings())).child(u"Settings");
}

int bookmark_count(const liba::XmlNode& settings)
{
    int count = 0;
    liba::XmlNode list = settings.child(u"Bookmarks");
    for (uint32_t i = 0; i < list.child_count(); ++i) {
        std::u16string path;
        int32_t position = 0;
        liba::XmlNode element = list.child_at(i);
        if (element.is_element() && element.get_attribute(u"Path", path)
            && element.get_attribute(u"Pos", position) && position > 0)
            ++count;
    }
    return count;
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
    for (int run = 0; run < runs; ++run) {
        // Each run stores and saves the bookmarks of a few books, starting one book further on.
        std::string script = "open " + app.music().string() + "\n";
        for (int step = 0; step < 6; ++step)
            script += "select book" + std::to_string((run + step) % books)
                + ".wav\ncommand PlayAudiobook\ncommand Stop\n";
        fs::path file = write_script(app, "kill.txt", script);
        std::error_code error;
        auto before = fs::last_write_time(app.settings(), error);
        pid_t player = spawn_player(app, file);
        // Killed at a random moment once this run has begun saving: during a save, between two
        // saves, or (rarely) after the end of its script.
        bool saving = player > 0 && test::wait_until([&] {
            std::error_code changed;
            return fs::last_write_time(app.settings(), changed) != before;
        });
        if (!saving) {
            faults << "run " << run << " never saved\n";
            ::kill(player, SIGKILL);
            ::waitpid(player, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        // What is there now is a completed save: it must survive the kill.
        int before_kill = bookmark_count(load_settings(app));
        ::kill(player, SIGKILL);
        ::waitpid(player, nullptr, 0);
        liba::XmlNode settings = load_settings(app);
        int count = bookmark_count(settings);
        if (settings.is_null())
            faults << "run " << run << ": unreadable: " << test::read_text(app.settings()) << "\n";
        else if (count < before_kill || count < saved)
            faults << "run " << run << ": " << count << " bookmarks after " << before_kill << " and " << saved
                   << "\n";
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
    std::string faults[2];
    std::thread second([&faults] { faults[1] = kill_runs(s_runs / 2, 60, 2); });
    faults[0] = kill_runs(s_runs / 2, 60, 1);
    second.join();
    EXPECT_EQ(faults[0], "");
    EXPECT_EQ(faults[1], "");
}

// ---- the sound output goes away and comes back ----

struct LostDevice {
    const char* name;
    bool sdl; // SDL's disk output on a file that refuses writes, else the null device's switch
};

class DeviceLost : public testing::TestWithParam<LostDevice> { };

TEST_P(DeviceLost, playing_stops_quietly_and_plays_again_once_the_device_is_back)
{
    AppCopy app;
    copy_every_format(app.music());
    fs::path switch_file = app.dir.path() / "lost.png";
    fs::path sdl_out = app.dir.path() / "sdl.raw";
    std::string environment, lose;
    if (GetParam().sdl) {
        // The disk output reports its device removed when a write fails, as /dev/full makes it.
        fs::create_symlink("/dev/full", sdl_out);
        environment = "MELODECK_AUDIO=sdl SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" + sdl_out.string();
    } else {
        environment = "MELODECK_AUDIO_FAIL=" + switch_file.string();
        lose = "screenshot " + switch_file.string() + "\n";
    }
    std::string script = "open " + app.music().string()
        + "\nselect \"Lazy Walk.wav\"\ncommand Play\nwait 300\n"
        + lose
        // Lost: playing ends by itself, and a new start fails quietly while the device is away.
        + "until-end 5000\nstate\ncommand Play\nwait 300\nstate\n"
        // The device comes back while the player waits here (the test restores it on that line).
        + "wait 1500\ncommand Play\nwait 500\nstate\ncommand Stop\n";
    FILE* player = open_player(app, write_script(app, "lost.txt", script), environment);
    std::vector<std::string> states = states_of(player, [&](size_t count) {
        if (count == 2 && GetParam().sdl) {
            fs::remove(sdl_out);
            test::write_text(sdl_out, "");
        } else if (count == 2) {
            fs::remove(switch_file);
        }
    });
    EXPECT_EQ(exit_status(player), 0) << test::read_text(app.dir.path() / "stderr.txt");
    ASSERT_EQ(states.size(), 3u);
    EXPECT_TRUE(states[0].starts_with("mode=browse paused=0")) << states[0];
    EXPECT_TRUE(states[1].starts_with("mode=browse paused=0")) << states[1];
    EXPECT_TRUE(states[2].starts_with("mode=play paused=0")) << states[2];
    EXPECT_GT(value_after(states[2], " pos="), 0) << states[2];
    if (GetParam().sdl) {
        EXPECT_GT(fs::file_size(sdl_out), 0u) << "nothing reached the device that came back";
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, DeviceLost,
    testing::Values(LostDevice {"null", false}, LostDevice {"sdl", true}),
    [](const testing::TestParamInfo<LostDevice>& info) { return std::string(info.param.name); });

// ---- a crowd of copies ----

TEST(Crowd, ten_copies_started_at_once_make_one_form_and_nine_exit_0)
{
    AppCopy app;
    fs::path file = write_script(app, "crowd.txt", "wait 1500\nstate\n");
    std::vector<FILE*> copies;
    for (int i = 0; i < 10; ++i)
        copies.push_back(open_player(app, file));
    size_t forms = 0;
    for (FILE* copy : copies) {
        size_t lines = states_of(copy).size();
        EXPECT_EQ(exit_status(copy), 0);
        EXPECT_LE(lines, 1u);
        forms += lines;
    }
    EXPECT_EQ(forms, 1u);
}

// ---- a folder of hostile files ----

// Every file of the shared corpus (when it is there), cut and empty and unreadable copies, a huge
// sparse one, names no encoding likes, names as long as the file system takes, a folder with an
// audio extension, a FIFO and symbolic links that go round in circles.
size_t make_hostile_folder(const fs::path& folder)
{
    fs::create_directories(folder);
    size_t audio = 0;
    auto add = [&](const std::string& name, const test::Bytes& bytes) {
        test::write_file(folder / name, bytes);
        ++audio;
    };
    test::Bytes good = test::read_file(fs::path(MELODECK_SOURCE_DIR) / "data/music/Lazy Walk.wav");
    test::Bytes mp3 = test::read_file(fs::path(MELODECK_SOURCE_DIR) / "data/music/Raindrops.mp3");
    fs::path corpus = test::corpus_dir();
    if (!corpus.empty() && fs::is_directory(corpus)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(corpus)) {
            test::Bytes bytes = test::read_file(entry.path());
            std::string name = entry.path().filename().string();
            add(name, bytes);
            add("cut_" + name, test::Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(bytes.size() / 3)));
        }
    }
    add("good.wav", good);
    add("empty.mp3", {});
    add("empty.wav", {});
    add("header_only.wav", test::Bytes(good.begin(), good.begin() + 44));
    add("cut.mp3", test::Bytes(mp3.begin(), mp3.begin() + 700));
    add("unreadable.ogg", good);
    ::chmod((folder / "unreadable.ogg").c_str(), 0);
    // 5 GiB of nothing behind a real header: sizes beyond 32 bits.
    add("huge.wav", good);
    fs::resize_file(folder / "huge.wav", uint64_t(5) << 30);
    add("huge.mp3", mp3);
    fs::resize_file(folder / "huge.mp3", uint64_t(5) << 30);
    add("bad_utf8_\xff\xfe\xc3.mp3", mp3);
    add("latin1_caf\xe9_na\xefve.wav", good);
    std::string long_utf8;
    while (long_utf8.size() < 240)
        long_utf8 += "\xd0\x96\xe2\x99\xab";
    add(long_utf8 + ".mp3", mp3);
    // The longest name a folder takes, and a path of more than 300 characters below it.
    add(std::string(251, 'n') + ".wav", good);
    fs::path deep = folder / std::string(200, 'd') / std::string(200, 'e');
    fs::create_directories(deep);
    test::write_file(deep / (std::string(240, 'p') + ".wav"), good);
    ++audio;
    fs::create_directory(folder / "folder.mp3");
    ::mkfifo((folder / "fifo.wav").c_str(), 0644);
    ++audio;
    fs::create_directory_symlink(".", folder / "loop");
    fs::create_directory_symlink("loop", folder / "loop2");
    fs::create_symlink("ring_b.mp3", folder / "ring_a.mp3");
    fs::create_symlink("ring_a.mp3", folder / "ring_b.mp3");
    fs::create_symlink("/no/such/file.mp3", folder / "dangling.mp3");
    return audio + 3;
}

TEST(HostileFolder, browsing_and_playing_everything_neither_crashes_nor_hangs)
{
    AppCopy app;
    fs::path folder = app.music() / "hostile";
    size_t files = make_hostile_folder(folder);
    test::write_settings(app, "<Playback Random=\"0\" Repeat=\"1\"/>");
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
    fs::path file = write_script(app, "hostile.txt", script);
    FILE* player = open_player(app, file);
    std::vector<std::string> states = states_of(player);
    int status = exit_status(player);
    std::string errors = test::read_text(app.dir.path() / "stderr.txt");
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(errors.find("Gluck"), std::string::npos) << errors;
    ASSERT_EQ(states.size(), refused.size() + 3);
    for (size_t i = 0; i < refused.size(); ++i) {
        EXPECT_TRUE(states[i].starts_with("mode=browse paused=0")) << states[i];
        EXPECT_NE(states[i].find(" selected=" + refused[i] + " "), std::string::npos) << states[i];
    }
    EXPECT_TRUE(states[refused.size()].starts_with("mode=play paused=0")) << states[refused.size()];
    EXPECT_NE(states[refused.size() + 1].find(" paused=0 "), std::string::npos) << states[refused.size() + 1];
}

} // namespace
