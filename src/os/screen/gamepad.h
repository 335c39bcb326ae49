#pragma once

// Game controllers as the handheld's keys, for Linux handhelds that have a gamepad and nothing
// else. SDL's game-controller layer names the buttons (its community mapping database, added to
// from SDL_GAMECONTROLLERCONFIG, a mapping or the name of a mapping file, and from the file named
// by SDL_GAMECONTROLLERCONFIG_FILE); the screen then gets the key events a keypad would give:
//
//     D-pad, left stick          arrows (repeating while held)
//     A / B                      Enter / Escape (the Back key)
//     X                          VK_MEDIA_PLAY_PAUSE
//     Y                          VK_APPS, the context menu of the selection
//     Select / Start             F1 / F2, the left and right soft keys
//     left / right shoulder      VK_MEDIA_PREV_TRACK / VK_MEDIA_NEXT_TRACK
//     left / right trigger       VK_VOLUME_DOWN / VK_VOLUME_UP (repeating while held)
//
// Start and Select act when they are released, and only when the other one was not pressed
// meanwhile: handheld launchers end the running program on Start+Select, and the player must not
// open a menu on its way out. A stick or trigger presses its key past s_press_threshold and
// releases it below s_release_threshold, so a resting stick never moves anything. Several
// controllers may be plugged in; one held key counts once however many buttons hold it. A
// controller comes and goes with SDL's device events; one that goes releases what it held.
//
// SDL's game-controller subsystem (its mapping database and device scan, 1.5 MiB and a few
// milliseconds, and a device poll at every turn of the loop) is opened only once a controller may
// be there: an input device with joystick or gamepad buttons (or a legacy joystick node) that this
// user can open, found at the start or when /dev/input changes (watched with inotify, which costs
// nothing while nothing changes), or a joystick the program made itself (SDL's virtual joysticks,
// seen by poll()). Once open it stays open and SDL follows the devices.
//
// UI thread only (the screen's thread), like SDL's event queue.

#include "liba/nocopy.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

union SDL_Event;
struct _SDL_GameController;

namespace os {

class DescriptorWatch;
class Screen;

class Gamepads : private liba::Nocopy {
public:
    // A held arrow or volume key repeats like a held keyboard key.
    static constexpr int64_t s_repeat_delay_ms = 400;
    static constexpr int64_t s_repeat_interval_ms = 100;
    // Of SDL's axis range, -32768..32767 (triggers 0..32767).
    static constexpr int32_t s_press_threshold = 16000;
    static constexpr int32_t s_release_threshold = 12000;

    enum class Signals {
        sdl, // SDL may turn SIGINT and SIGTERM into its quit event (a desktop window handles it)
        default_handling, // no SDL quit event is read: the signals must keep ending the process
    };

    // Opens SDL's game-controller subsystem (once per process; a failure is logged and leaves no
    // controllers) and every controller already plugged in, or watches for one to come.
    Gamepads(Screen& screen, Signals signals);
    ~Gamepads();

    // An event taken from SDL's queue; anything but a controller event is ignored.
    void handle(const SDL_Event& event);
    // Takes every event waiting in SDL's queue, for a screen that has no other reader of it; while
    // the subsystem is closed, only looks whether the program made a joystick of its own.
    void poll();
    // Delivers the repeat of the held key when it has fallen due.
    void repeat(int64_t now_ms);
    // When the next repeat falls due; -1 when no key repeats.
    int64_t next_deadline() const;

private:
    enum Source : uint8_t {
        dpad_up,
        dpad_down,
        dpad_left,
        dpad_right,
        stick_up,
        stick_down,
        stick_left,
        stick_right,
        button_a,
        button_b,
        button_x,
        button_y,
        shoulder_left,
        shoulder_right,
        trigger_left,
        trigger_right,
        source_count,
    };
    struct Controller {
        int32_t instance = 0;
        _SDL_GameController* handle = nullptr;
        std::array<bool, source_count> active {};
        bool start_down = false;
        bool select_down = false;
        // Spoilt by the other soft-key button: no key on release.
        bool start_spoilt = false;
        bool select_spoilt = false;
    };
    struct Repeat {
        uint32_t virtual_key;
        int64_t due;
    };

    // Opens the subsystem and the controllers there; false when it cannot be opened.
    bool open_subsystem();
    // The watch's handler: true to go on watching.
    bool on_input_devices_changed();
    void open(int32_t device_index);
    void close(int32_t instance);
    Controller* find(int32_t instance);
    void on_button(Controller& controller, uint8_t button, bool down);
    void on_axis(Controller& controller, uint8_t axis, int32_t value);
    void on_soft_key_button(Controller& controller, bool start, bool down);
    void set_source(Controller& controller, Source source, bool on);
    void press(uint32_t virtual_key, bool repeats);
    void release(uint32_t virtual_key);

    Screen* m_screen;
    Signals m_signals;
    bool m_subsystem = false;
    // While the subsystem is closed: /dev/input watched (inotify), or -1.
    int m_inotify = -1;
    std::unique_ptr<DescriptorWatch> m_watch;
    std::vector<Controller> m_controllers;
    // How many sources hold each virtual key down.
    std::map<uint32_t, int32_t> m_held;
    std::optional<Repeat> m_repeat;
};

} // namespace os
