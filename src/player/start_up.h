#pragma once

// The player's entry point: one copy per user (a second copy hands its command line to the first,
// which comes to the front, and exits), the skin that fits (the alternative skin when it is there
// and serves this version, else the default one), the language Settings.xml names (else
// English.lng), the main form with the saved settings applied, its loop, and the settings saved
// at the end.
//
// Command line:
//   melodeck [--screen WxH] [--platform pocketpc|smartphone] [--headless] [--screenshot F.png]
//            [--script FILE] [FOLDER]
// FOLDER opens in the browser instead of the remembered folder; --script runs a script
// (script_runner.h) on the running player; --screenshot (without a script) writes the first
// screen as PNG and ends.

#include "os/screen_options.h"

#include <optional>
#include <string>
#include <vector>

namespace player {

inline constexpr std::u16string_view s_application_name = u"Melodeck";
inline constexpr std::u16string_view s_skin_version = u"Melodeck_1.00";
inline constexpr std::u16string_view s_alternative_skin = u"%app_path%/skins/alternative/alternative.skin";
inline constexpr std::u16string_view s_default_skin = u"%app_path%/skins/default/default.skin";
inline constexpr std::u16string_view s_settings_file = u"%app_path%/Settings.xml";
inline constexpr std::u16string_view s_english_file = u"%app_path%/English.lng";

struct CommandLine {
    os::ScreenOptions screen;
    std::string script; // empty: none
    std::string folder; // empty: the remembered one
    // What a second copy hands to the first: the arguments, joined by blanks.
    std::u16string text;
};

// The command line, or nothing with the reason in error.
std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args, std::string& error);

// Runs the player; the process's exit status.
int start_up(const CommandLine& command_line);

} // namespace player
