#pragma once

// Runs one of the built tools as a separate process, the way a user runs it from a shell.

#include "support/test_support.h"

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace test {

struct ToolRun {
    int status = -1; // the exit status, -1 when the tool did not exit by itself
    std::string out;
    std::string err;
};

// tool and arguments are shell words; environment holds assignments put before the command. The
// outputs pass through files in dir. MELODECK_AUDIO is cleared unless environment sets it.
inline ToolRun run_tool(const std::string& tool, const std::string& arguments, const TempDir& dir,
    const std::string& environment = "")
{
    std::string out = dir.native("stdout.txt").string();
    std::string err = dir.native("stderr.txt").string();
    std::string command = "env -u MELODECK_AUDIO " + environment + " " + MELODECK_BIN_DIR + "/" + tool + " "
        + arguments + " >" + out + " 2>" + err + " </dev/null";
    int raw = std::system(command.c_str());
    auto text = [](const std::filesystem::path& path) {
        Bytes bytes = read_file(path);
        return std::string(bytes.begin(), bytes.end());
    };
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text(out), text(err)};
}

// The bytes after the 44-byte header of a canonical WAV (what the tools and the file backend write).
inline Bytes wav_data(const std::filesystem::path& wav)
{
    Bytes bytes = read_file(wav);
    return bytes.size() < 44 ? Bytes {} : Bytes(bytes.begin() + 44, bytes.end());
}

} // namespace test
