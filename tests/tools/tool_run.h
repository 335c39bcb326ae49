#pragma once

// Runs one of the built tools as a user runs it from a shell, and reads the PNG pictures they write.

#include "support/test_support.h"

#include <cstdlib>
#include <png.h>
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
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_text(out), read_text(err)};
}

struct Png {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;

    // 0xRRGGBB of the pixel.
    uint32_t at(int32_t x, int32_t y) const
    {
        size_t i = (size_t(y) * size_t(width) + size_t(x)) * 3;
        return uint32_t(rgb[i]) << 16 | uint32_t(rgb[i + 1]) << 8 | rgb[i + 2];
    }
};

inline bool read_png(const std::filesystem::path& path, Png& png)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    png.rgb.resize(PNG_IMAGE_SIZE(image));
    png.width = int32_t(image.width);
    png.height = int32_t(image.height);
    return png_image_finish_read(&image, nullptr, png.rgb.data(), 0, nullptr);
}

} // namespace test
