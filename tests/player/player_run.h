#pragma once

// What the player suites share: scripted runs of a private copy of the app folder (the player writes
// Settings.xml beside itself), music and settings files, and a main form that writes down what it hears.

#include "liba/text.h"
#include "os/screen/headless_screen.h"
#include "skinner/control.h"
#include "skinner/form.h"
#include "skinner/listener.h"
#include "skinner/properties.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>

namespace test {

struct PlayerRun {
    int status = -1; // the exit status, -1 when the player did not exit by itself
    std::string out;
    std::string err;
};

// A temporary folder holding app/ (a copy of the built app folder, Settings.xml left out), music/
// and run/ (the runtime folder that keeps one copy of the player per user, private to the test).
struct AppCopy {
    explicit AppCopy(bool with_skins = true)
    {
        namespace fs = std::filesystem;
        fs::copy(MELODECK_APP_DIR, app(), fs::copy_options::recursive);
        fs::remove(settings());
        fs::remove_all(app() / "music");
        if (!with_skins)
            fs::remove_all(app() / "skins");
        fs::create_directories(music());
        fs::create_directories(run_dir());
        ::chmod(run_dir().c_str(), 0700);
    }
    std::filesystem::path app() const { return dir.path() / "app"; }
    std::filesystem::path music() const { return dir.path() / "music"; }
    std::filesystem::path run_dir() const { return dir.path() / "run"; }
    std::filesystem::path settings() const { return app() / "Settings.xml"; }
    std::string environment() const { return "XDG_RUNTIME_DIR=" + run_dir().string(); }

    TempDir dir;
};

// 16-bit mono PCM at 8 kHz: samples from, from + 1, ..., so every byte tells where it came from.
inline void write_tone(const std::filesystem::path& path, double seconds, uint32_t from = 0)
{
    WavSpec spec;
    spec.channels = 1;
    spec.sample_rate = 8000;
    spec.data = ramp16(from + uint32_t(seconds * 8000));
    spec.data.erase(spec.data.begin(), spec.data.begin() + 2 * from);
    write_file(path, make_wav(spec));
}

// A settings file with the given elements inside Settings.
inline void write_settings(const std::filesystem::path& path, const std::string& inside)
{
    write_text(path, "<?xml version=\"1.0\"?>\n<Settings>" + inside + "</Settings>\n");
}

// Starts the copy headless on the script: stdout to read, stderr into stderr.txt; environment goes before
// the command (MELODECK_AUDIO=null unless set there). A hang is killed after ten minutes, failing the test.
inline FILE* open_player(const AppCopy& app, const std::string& script, const std::string& environment = "",
    const std::string& options = "")
{
    // Copies on the same script share its file, written once.
    std::filesystem::path file
        = app.dir.path() / ("script" + std::to_string(std::hash<std::string> {}(script)));
    if (!std::filesystem::exists(file))
        write_text(file, script);
    std::string command = "exec env MELODECK_AUDIO=null " + app.environment() + " " + environment
        + " timeout -s KILL 600 " + (app.app() / "melodeck").string() + " --headless " + options
        + " --script " + file.string() + " 2>" + (app.dir.path() / "stderr.txt").string() + " </dev/null";
    return ::popen(command.c_str(), "r");
}

// Reads a copy open_player started to its end: its stdout, then its exit status (-1 when killed).
inline int read_to_end(FILE* player, std::string& out)
{
    char buffer[4096];
    for (size_t read; player && (read = std::fread(buffer, 1, sizeof buffer, player)) > 0;)
        out.append(buffer, read);
    int raw = player ? ::pclose(player) : -1;
    return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Runs the copy's melodeck as open_player starts it, to its end.
inline PlayerRun run_player(const AppCopy& app, const std::string& script,
    const std::string& environment = "", const std::string& options = "")
{
    PlayerRun run;
    run.status = read_to_end(open_player(app, script, environment, options), run.out);
    run.err = read_text(app.dir.path() / "stderr.txt");
    return run;
}

inline std::u16string default_skin_path()
{
    return liba::from_utf8(std::string(MELODECK_APP_DIR) + "/skins/default/default.skin");
}

// The default skin's main form, whose listener writes down what reaches it: "command Play", "changed
// pbVolume".
struct SkinnedForm : skinner::Listener {
    SkinnedForm()
        : screen({480, 640})
        , skin(default_skin_path(), {480, 640})
        , form(nullptr, &skin, u"FormMain", this)
    {
        EXPECT_TRUE(skin.is_valid());
    }
    int32_t on_command(std::u16string_view command) override
    {
        log.push_back("command " + liba::to_utf8(command));
        return 0;
    }
    int32_t on_value_changed(skinner::Control& control) override
    {
        log.push_back("changed " + liba::to_utf8(control.name()));
        return 0;
    }
    void show()
    {
        form.impl().window().show(os::ShowMode::show);
        screen.dispatch_pending();
    }
    // A window point of the form as a point of the device screen.
    os::Point on_screen(skinner::Point point) const
    {
        os::Rect window = form.impl().window().rect();
        return {window.position.x + point.x, window.position.y + point.y};
    }
    void tap(skinner::Point point)
    {
        screen.tap(on_screen(point));
        screen.dispatch_pending();
    }
    // The commands the form heard since the last call.
    std::vector<std::string> commands()
    {
        std::vector<std::string> found;
        for (const std::string& line : std::exchange(log, {}))
            if (line.starts_with("command "))
                found.push_back(line.substr(8));
        return found;
    }

    std::vector<std::string> log;
    os::HeadlessScreen screen;
    skinner::Properties skin;
    skinner::Form form;
};

} // namespace test
