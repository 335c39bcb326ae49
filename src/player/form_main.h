#pragma once

// The player's main form ("FormMain"): the file browser, the play panel, the status line, the menu
// and soft keys, the playlist, the audiobook bookmarks, the equalizer and the PCM player. It owns
// every object of the running player.
//
// Two layouts: browse mode (the list fills the rectangle of "lstFiles_bigsize", the play panel is
// hidden, the play soft key shows) and play mode (while a play chain exists: the list, disabled,
// takes the rectangle of "lstFiles_playsize", the play panel shows and the pause or resume soft
// key stands in for play).
//
// The status timer (0.2 s) refreshes the play panel and the status line, touching only what
// changed, and moves on when a track has ended: when the reader has reached its length and the
// PCM player reports that everything pulled has been heard (is_drained), when the sound device
// failed to open, or 2 s after the reader reached its length when the device never reports drained.
//
// Settings (Settings.xml) are read by load_settings after construction and written by
// save_settings at exit; besides, whenever an audiobook bookmark is stored, and every 30 s while an
// audiobook plays (its position stored first), the file is written again (atomically), so that a
// killed process or a flat battery loses at most 30 s of an audiobook's place.
//
// The sleep timer (sleep_timer.h) is stepped by the status timer: it fades the volume bar, then
// pauses (storing an audiobook's bookmark) and puts the bar back; or, at the end of a track, stops
// as "Stop" does. In audiobook mode a resume after a pause and a start from a bookmark go back a
// little (resume_rewind.h).
//
// Only a change of "pbPosition" that the user makes (dragging it, its step buttons, its keys)
// seeks the reader; the status refresh moving the bar never does.
//
// User-interface thread only.

#include "audio/equalizer_pcm.h"
#include "audio/play_chain.h"
#include "audio/player_pcm.h"
#include "player/bookmarks.h"
#include "player/control_files.h"
#include "player/media_keys.h"
#include "player/panel_play.h"
#include "player/playlist.h"
#include "player/sleep_timer.h"
#include "skinner/control_frame.h"
#include "skinner/control_menu_main.h"
#include "skinner/form.h"
#include "skinner/menu_main_button.h"
#include "skinner/power_manager_impl.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace player {

class FormMain : public skinner::Form {
public:
    // Screen-off modes 0..4 and the seconds each waits; any other mode behaves as 0.
    static double screen_off_interval(int32_t mode);
    // How long after the reader's end a device that never reports drained is waited for.
    static constexpr int64_t s_drain_timeout_ms = 2000;
    // How often the settings are written while an audiobook plays.
    static constexpr int64_t s_audiobook_save_ms = 30000;

    // parent: null for the main form. skin must outlive the form. The sound device is opened
    // through factory (the backend MELODECK_AUDIO names by default).
    FormMain(skinner::Form* parent, skinner::Properties* skin,
        os::WaveOutFactory factory = os::wave_out_factory());
    ~FormMain() override;

    int32_t on_command(std::u16string_view command) override;
    int32_t on_value_changed(skinner::Control& control) override;
    int32_t on_selection_changed(skinner::Control& control) override;
    int32_t on_menu(skinner::MenuEntry& menu) override;
    void on_timer(uint32_t id) override;
    // Another copy of the player was started: this one comes to the front.
    void on_command_line(std::u16string_view text) override;

    void load_settings(std::u16string_view path);
    void save_settings(std::u16string_view path);

    // The browser opens the folder as "PickFolder" does (the folder left is selected when it is
    // the parent), and the folder frame follows.
    void open_folder(std::u16string_view path);
    void play_file(std::u16string_view path);
    void play_next(Playlist::Direction direction);
    void store_bookmark();
    int32_t resume_position(std::u16string_view path) const;
    bool has_bookmark(std::u16string_view path) const;
    void toggle_pause();
    // Loads the current language path (English when it fails) and lays the form out again.
    void apply_language();
    void set_equalizer(bool on);
    // The status display from the current chain; true when the current track has ended.
    bool refresh_status();

    // Desktop controls follow playback through this: told when the track or the play state changed
    // (changed) or the position jumped (seeked).
    enum class PlaybackEvent { changed, seeked };
    void set_playback_listener(std::function<void(PlaybackEvent)> listener)
    {
        m_playback_listener = std::move(listener);
    }
    // Moves the current track to the position (the reader's unit) as the position bar does.
    void seek_position(int32_t position);

    bool is_playing() const { return m_chain != nullptr; }
    bool is_paused() const { return m_paused; }
    bool is_audiobook() const { return m_audiobook; }
    bool equalizer_on() const { return m_equalizer_on; }
    int32_t screen_off() const { return m_screen_off; }
    const SleepTimer& sleep_timer() const { return m_sleep; }
    double volume() const;
    const std::u16string& language_path() const { return m_language; }
    const Playlist& playlist() const { return m_playlist; }
    const Bookmarks& bookmarks() const { return m_bookmarks; }
    ControlFiles& files() { return m_files; }
    PanelPlay& panel() { return m_panel; }
    audio::PlayChain* chain() const { return m_chain.get(); }
    audio::PlayerPCM& player() { return *m_player; }

private:
    void start_from_browser(std::u16string_view command);
    void pick_up();
    void stop_playback();
    void enter_play_mode();
    void enter_browse_mode();
    // The layout of the current mode again (after the skin was re-read).
    void apply_mode_layout();
    void apply_mode_layout_for(bool playing);
    void update_folder_caption();
    void set_screen_off(int32_t mode);
    void toggle_random();
    void refresh_list();
    void show_about();
    void on_volume_changed();
    void on_position_changed();
    void update_status_line();
    // Writes the settings when a file is known (after load_settings), off the audio path.
    void save_settings_now();
    void save_audiobook_periodically();
    bool track_ended(int32_t position, int32_t length);
    void read_soft_key_texts();
    int64_t now_ms() const;
    void set_sleep(SleepMode mode);
    void run_sleep_timer();
    void on_user_activity();
    // The volume bar back where it was before the sleep fade, if one was under way.
    void end_sleep_fade();

    skinner::ControlMenuMain m_menu_main;
    skinner::MenuMainSubMenu m_menu;
    skinner::MenuMainButton m_play;
    skinner::MenuMainButton m_pause;
    skinner::MenuMainButton m_resume;
    skinner::ControlFrame m_folder;
    skinner::ControlFrame m_status;
    skinner::ControlFrame m_play_size;
    skinner::ControlFrame m_big_size;
    ControlFiles m_files;
    PanelPlay m_panel;
    std::unique_ptr<skinner::PowerManagerImpl> m_power;
    MediaKeys m_media_keys;

    uint32_t m_status_timer = 0;
    int32_t m_screen_off = 0;
    bool m_equalizer_on = false;
    bool m_audiobook = false;
    std::u16string m_language;
    Playlist m_playlist;
    Bookmarks m_bookmarks;
    std::unique_ptr<audio::PlayChain> m_chain;
    std::unique_ptr<audio::EqualizerPCM> m_equalizer;
    std::unique_ptr<audio::PlayerPCM> m_player;
    bool m_paused = false;

    // The settings file named by load_settings; empty before (nothing is written then).
    std::u16string m_settings_path;
    // Set while the form itself moves the bars, so that their change is not taken as the user's.
    bool m_refreshing = false;
    // When the reader of the current track first stood at its end (-1: not there).
    int64_t m_end_reached_ms = -1;
    int64_t m_last_audiobook_save_ms = 0;
    std::function<void(PlaybackEvent)> m_playback_listener;
    void tell_playback(PlaybackEvent event)
    {
        if (m_playback_listener)
            m_playback_listener(event);
    }
    // When the current pause began, for the rewind on resume.
    int64_t m_paused_at_ms = 0;
    SleepTimer m_sleep;
    // The volume bar's value before the sleep fade began; empty while not fading.
    std::optional<double> m_sleep_volume;
    std::unique_ptr<UserActivityHook> m_activity;
};

} // namespace player
