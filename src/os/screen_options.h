#pragma once

// The command-line options every executable with a screen shares:
//   --screen WxH        the device screen in pixels (default 480x640; each side 64..4096)
//   --platform KIND     pocketpc or smartphone (default pocketpc)
//   --headless          no display: frames stay in memory (also chosen by --screenshot)
//   --screenshot FILE   run headless until the first idle moment, write the frame as PNG, quit
// Both "--opt value" and "--opt=value" are accepted.

#include "os/geometry.h"
#include "os/platform.h"

#include <string>
#include <vector>

namespace os {

struct ScreenOptions {
    Size size {480, 640};
    PlatformKind kind = PlatformKind::pocket_pc;
    bool headless = false;
    std::string screenshot; // empty: none
};

inline constexpr int32_t s_min_screen_side = 64;
inline constexpr int32_t s_max_screen_side = 4096;

struct ScreenOptionsResult {
    ScreenOptions options;
    // The arguments that are not screen options, in their order.
    std::vector<std::string> rest;
    // Where each of rest stands in the arguments given.
    std::vector<size_t> rest_at;
    // Empty when every screen option was valid; else a message naming the option.
    std::string error;
};

ScreenOptionsResult parse_screen_options(const std::vector<std::string>& args);
// argv[0], the program, is not an argument.
ScreenOptionsResult parse_screen_options(int argc, const char* const* argv);

// "WxH" with both sides in range; false on anything else.
bool parse_screen_size(std::string_view text, Size& size);

} // namespace os
