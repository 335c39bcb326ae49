#pragma once

// The player's entry point: one copy per user (a second copy hands its command line to the first,
// which comes to the front, and exits), the skin that fits (the alternative skin when it is there
// and serves this version, else the default one), the language Settings.xml names (else
// English.lng), the main form with the saved settings applied, its loop, and the settings saved
// at the end.
//
// Command line:
//   melodeck [--screen WxH] [--platform pocketpc|smartphone] [--headless] [--screenshot F.png]
//            [--script FILE] [PATH]
// PATH, a folder, opens in the browser instead of the remembered folder; a file plays as "Play" on
// it in its folder does. Given to a second copy, PATH goes to the running player, which acts on it
// in the same way. --script runs a script (script_runner.h) on the running player; --screenshot
// (without a script) writes the first screen as PNG and ends.
//
// Settings.xml lives in the app folder when the player may write there (as when it runs from its
// build or an unpacked folder), else in $XDG_CONFIG_HOME/melodeck/ (an installed player).

#include "os/screen_options.h"

#include <string_view>

#include <optional>
#include <string>
#include <vector>

namespace player {

inline constexpr std::u16string_view s_application_name = u"Melodeck";
inline constexpr std::u16string_view s_skin_version = u"Melodeck_1.00";
inline constexpr std::u16string_view s_alternative_skin = u"%app_path%/skins/alternative/alternative.skin";
inline constexpr std::u16string_view s_default_skin = u"%app_path%/skins/default/default.skin";
inline constexpr std::u16string_view s_english_file = u"%app_path%/English.lng";

class FormMain;

struct CommandLine {
    os::ScreenOptions screen;
    std::string script; // empty: none
    std::string path; // absolute; empty: the remembered folder
    // What a second copy hands to the first: the arguments, PATH made absolute, each in double
    // quotes when it holds a blank or a quote (a quote doubled inside), joined by blanks.
    std::u16string text;
};

// The command line, or nothing with the reason in error. A relative PATH is taken from the current
// folder.
std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args, std::string& error);
// The arguments of a command line text as CommandLine::text quotes them.
std::vector<std::string> split_command_line(std::u16string_view text);

// A folder opens in the browser; an audio file plays as "Play" on it does (its folder opens, it is
// selected and plays, the rest of its folder after it). Anything else opens nothing but its folder.
void open_path(FormMain& form, std::u16string_view path);
// What a running player does with the command line a later copy handed over: open_path with its
// PATH, if it has one.
void open_handed_over_path(FormMain& form, std::u16string_view text);

// Where Settings.xml is read and written: in app_folder when it is writable, else in
// config_folder/melodeck.
std::u16string settings_path(
    std::u16string_view app_folder, bool app_folder_writable, std::u16string_view config_folder);

// Runs the player; the process's exit status.
int start_up(const CommandLine& command_line);

} // namespace player
