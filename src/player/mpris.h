#pragma once

// The player on the desktop's session bus as an MPRIS media player (the interfaces
// org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player at /org/mpris/MediaPlayer2), under the
// bus name "org.mpris.MediaPlayer2.melodeck" (".instance<pid>" appended when another player holds
// it), so that media keys, desktop widgets and playerctl see the track's title, length, position
// and play state and can play, pause, stop, seek and go to the next or previous track.
//
// What they see: PlaybackStatus "Playing", "Paused" or "Stopped" (no play chain); Metadata with
// mpris:trackid /org/melodeck/track/<playlist index> (the NoTrack path while stopped),
// xesam:title (the play panel's title) and mpris:length; Position and lengths in microseconds;
// Volume as the volume bar (writable). What they do is what the main form's commands do: Play
// resumes, or plays the browser's selection as "Play" does when stopped; Next and Previous as
// "Next" and "Prev"; Seek past the end goes to the next track; Raise brings the form to the front
// and Quit is "Exit". PropertiesChanged follows every change of track or play state (one signal
// for all that one action changed), Seeked every jump of the position.
//
// Threads: the bus belongs to the user-interface thread, which alone reads and answers it, acts on
// the form and emits; an os::DescriptorWatch waits for the bus's descriptor so that an idle player
// is not woken. No session bus, or one that fails later, only costs a log line.

#include "liba/nocopy.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct sd_bus;
struct sd_bus_slot;

namespace os {
class DescriptorWatch;
class Screen;
} // namespace os

namespace player {

class FormMain;

class Mpris : private liba::Nocopy {
public:
    static constexpr std::string_view s_bus_name = "org.mpris.MediaPlayer2.melodeck";
    static constexpr std::string_view s_object_path = "/org/mpris/MediaPlayer2";

    // On the session bus, or null (logged) when there is none. The form and the screen must outlive
    // the result; the form's playback listener is its own until then.
    static std::unique_ptr<Mpris> connect(os::Screen& screen, FormMain& form);
    ~Mpris();

    const std::string& bus_name() const { return m_bus_name; }

    // What the Player interface shows; public for its callbacks.
    std::string playback_status() const;
    std::string track_id() const;
    int64_t position_us() const;
    int64_t length_us() const;
    FormMain& form() { return m_form; }

    // The Player interface's actions.
    void play();
    void pause();
    void command_while_playing(std::u16string_view command);
    void seek_to_us(int64_t position);

private:
    Mpris(os::Screen& screen, FormMain& form, sd_bus* bus);

    bool add_objects();
    bool take_name();
    // Reads and answers everything waiting; false when the bus is gone.
    bool process();
    // PropertiesChanged, once for what the actions now in the loop changed.
    void changed_soon();
    void emit_changed();
    void emit_seeked();

    os::Screen& m_screen;
    FormMain& m_form;
    sd_bus* m_bus;
    sd_bus_slot* m_root_slot = nullptr;
    sd_bus_slot* m_player_slot = nullptr;
    std::string m_bus_name;
    std::unique_ptr<os::DescriptorWatch> m_watch;
    // What the last PropertiesChanged told (status, track, title).
    std::string m_told;
    bool m_change_pending = false;
    // Posted callbacks see through it whether this object still exists.
    std::shared_ptr<Mpris*> m_self;
};

} // namespace player
