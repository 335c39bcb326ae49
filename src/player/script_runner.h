#pragma once

// Runs a script on the running player, one command a line, for tests, demonstrations and anyone
// checking the player (melodeck --script FILE):
//   tap NAME | tap X Y       a tap at the centre of the visible control of that skin name (searched
//                            through panels, in the innermost modal form) or at a screen point
//   hold NAME | hold X Y     a tap-and-hold there
//   key NAME                 Left, Right, Up, Down, Enter, Escape, Space, Tab, Backspace, Delete,
//                            Insert, Home, End, PageUp, PageDown, F1, F2, a letter or a digit;
//                            Apps and the media keys PlayPause, MediaStop, NextTrack, PrevTrack,
//                            VolumeUp, VolumeDown (what a gamepad's buttons give)
//   menu CAPTION...          opens the soft-key menu (F2) and chooses entries by their shown
//                            captions, one per submenu level
//   pick CAPTION...          chooses in the pop-up menu that is open
//   command NAME             raises the command to the main form
//   open FOLDER              the browser opens the folder, as "PickFolder" does
//   select NAME              selects the browser's entry of that display name
//   wait MS                  lets the player run for MS milliseconds of wall time
//   until-end [MS]           waits until the player is back in browse mode (default at most 60 s;
//                            still playing then is a failure)
//   screenshot FILE.png      writes the device screen
//   text NAME                prints the text of a frame or button
//   state                    prints one line: mode=browse|play paused=0|1 folder=... selected=...
//                            track=N/M path=... pos=P len=L random=0|1 repeat=0|1 eq=0|1
//                            volume=V screenoff=K language=...
//   rss                      prints one line: rss=KIB, the player's resident memory in KiB
//   quit                     the command "Exit" (so does the end of the script)
// Words are separated by blanks; a word with blanks goes in double quotes. Blank lines and lines
// starting with "#" are skipped. A command that cannot be carried out prints
// "melodeck: script line N: LINE: reason" on stderr and ends the run with status 1.
//
// The script is driven from the screen's loop, never from its own call stack: the first commands
// run as soon as the loop first runs out of work (the first frame presented), then a hidden
// window's 20 ms timer runs the next ones, and each command that hands something to the loop (input,
// a command, a menu) lets the loop run before the next line. So menus, pop-ups and modal forms,
// which run nested loops, are scripted from inside those loops. On the headless screen the
// screen's clock follows the wall clock, so timers and sound keep their real pace.
//
// User-interface thread only.

#include "os/window.h"
#include "os/window_handler.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace os {
class Screen;
}
namespace skinner {
class Control;
class MenuPopup;
struct MenuPopupItem;
} // namespace skinner

namespace player {

class FormMain;

// The lines of a script file, or nothing with the reason in error.
std::optional<std::vector<std::string>> read_script(const std::string& path, std::string& error);
// The words of a line: blank-separated, double quotes keep blanks inside a word.
std::vector<std::string> split_words(const std::string& line);

class ScriptRunner final : private os::WindowHandler {
public:
    static constexpr int64_t s_tick_ms = 20;
    // Headless, the longest the loop sleeps at once when it has nothing to do before its next timer.
    static constexpr int64_t s_max_idle_sleep_ms = 1000;
    // Headless, a timer due within this many milliseconds fires without a sleep first.
    static constexpr int64_t s_timer_slack_ms = 2;
    static constexpr int64_t s_until_end_ms = 60000;
    // How long a menu may take to open.
    static constexpr int64_t s_menu_open_ms = 2000;

    // screen and form must outlive the runner.
    ScriptRunner(os::Screen& screen, FormMain& form, std::vector<std::string> lines);
    ~ScriptRunner();

    // Starts the ticks (and, headless, the clock following the wall clock; the first command then
    // runs as soon as the first frame is presented).
    void start();
    // 0 once the script ran to its end, 1 after a failed command.
    int exit_status() const { return m_status; }
    bool finished() const { return m_finished; }

private:
    using Clock = std::chrono::steady_clock;
    using Words = std::vector<std::string>;

    enum class Outcome {
        next, // go on with the next line at once
        yield, // let the loop run first
        failed,
    };
    enum class Wait { none, until, until_end, menu };

    intptr_t on_message(os::Window& window, const os::WindowMessage& message) override;
    bool on_idle();
    void catch_up_clock();
    void schedule_tick();
    void step();
    // Whether the current wait is over (false: keep waiting); may fail the script.
    bool wait_over();
    Outcome execute(const Words& words, std::string& error);
    void fail(const std::string& reason);
    // Ends the run: the player exits (or, when a modal form still runs, the screen quits).
    void finish(int status);

    Outcome tap(const Words& words, bool hold, std::string& error);
    Outcome key(const Words& words, std::string& error);
    Outcome menu(const Words& words, bool open_soft_key_menu, std::string& error);
    Outcome select(const Words& words, std::string& error);
    Outcome text(const Words& words, std::string& error);
    Outcome until(const Words& words, Wait wait, std::string& error);
    // Taps the next caption of the menu path in the innermost pop-up; false with error when it
    // is not there.
    bool choose_in_menu(std::string& error);
    void print_state();
    void print_rss();
    skinner::Control* find_control(const std::string& name, bool visible_only) const;
    void post_command(const std::string& command);

    os::Screen& m_screen;
    FormMain& m_form;
    std::vector<std::string> m_lines;
    size_t m_next = 0;
    int32_t m_line_number = 0;
    std::string m_line;
    int m_status = 0;
    bool m_finished = false;
    bool m_in_step = false;
    os::Window m_window;

    Wait m_wait = Wait::none;
    Clock::time_point m_deadline;
    Clock::time_point m_wall_origin;
    int64_t m_clock_origin = 0;
    int64_t m_tick_interval = 0;
    // The captions still to choose, the pop-up they are looked for in, and its entries.
    std::vector<std::string> m_menu_path;
    size_t m_menu_step = 0;
    const skinner::MenuPopup* m_menu_popup = nullptr;
};

} // namespace player
