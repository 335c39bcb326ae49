#pragma once

// What the player suites share: a private copy of the app folder (the player writes Settings.xml
// beside itself), a small music folder, Settings.xml texts, and scripted runs of that copy.

#include "support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <string>
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
class AppCopy {
public:
    explicit AppCopy(bool with_skins = true)
    {
        namespace fs = std::filesystem;
        fs::copy(MELODECK_APP_DIR, app(), fs::copy_options::recursive);
        fs::remove(app() / "Settings.xml");
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

// 16-bit mono PCM at 8 kHz: a ramp, so every byte tells where it came from (start offsets the ramp).
inline Bytes tone_data(double seconds, uint16_t start = 0)
{
    Bytes data;
    auto samples = uint32_t(seconds * 8000);
    for (uint32_t i = 0; i < samples; ++i) {
        auto value = uint16_t(start + i);
        data.push_back(uint8_t(value));
        data.push_back(uint8_t(value >> 8));
    }
    return data;
}

inline void write_tone(const std::filesystem::path& path, double seconds, uint16_t start = 0)
{
    WavSpec spec;
    spec.channels = 1;
    spec.sample_rate = 8000;
    spec.data = tone_data(seconds, start);
    write_file(path, make_wav(spec));
}

inline void write_text(const std::filesystem::path& path, const std::string& text)
{
    write_file(path, Bytes(text.begin(), text.end()));
}

inline std::string read_text(const std::filesystem::path& path)
{
    Bytes bytes = read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

// A settings file with the given elements inside Settings.
inline void write_settings_file(const std::filesystem::path& path, const std::string& inside)
{
    write_text(path, "<?xml version=\"1.0\"?>\n<Settings>" + inside + "</Settings>\n");
}

inline void write_settings(const AppCopy& app, const std::string& inside)
{
    write_settings_file(app.settings(), inside);
}

// Runs the copy's melodeck headless with the script; environment holds assignments put before the
// command (MELODECK_AUDIO is null unless it sets it). options go after --headless.
inline PlayerRun run_player(const AppCopy& app, const std::string& script,
    const std::string& environment = "", const std::string& options = "")
{
    std::filesystem::path script_file = app.dir.path() / "script.txt";
    write_text(script_file, script);
    std::string out = (app.dir.path() / "stdout.txt").string();
    std::string err = (app.dir.path() / "stderr.txt").string();
    std::string command = "env MELODECK_AUDIO=null " + app.environment() + " " + environment + " "
        + (app.app() / "melodeck").string() + " --headless " + options + " --script " + script_file.string()
        + " >" + out + " 2>" + err + " </dev/null";
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_text(out), read_text(err)};
}

} // namespace test
