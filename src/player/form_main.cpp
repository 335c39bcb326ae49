#include "player/form_main.h"

#include "audio/equalizer_settings.h"
#include "os/path.h"
#include "os/screen.h"
#include "player/about_form.h"
#include "player/language_finder.h"
#include "player/player_texts.h"
#include "player/resume_rewind.h"
#include "player/settings.h"
#include "player/start_up.h"
#include "skinner/button_behaviour.h"
#include "skinner/device_capability.h"
#include "skinner/form_impl.h"
#include "skinner/menu_entry.h"
#include "skinner/properties.h"

#include <array>
#include <utility>

namespace player {

namespace {

using skinner::LookupMode;

constexpr std::u16string_view s_english = u"%app_path%/English.lng";
constexpr std::u16string_view s_language_prefix = u"Language_";

struct ScreenOffMode {
    std::u16string_view command;
    std::u16string_view caption;
    double seconds;
};

constexpr std::array<ScreenOffMode, 5> s_screen_off_modes {{
    {u"ScreenOff_never", u"Menu_ScreenOff_never", 0.0},
    {u"ScreenOff_10sec", u"Menu_ScreenOff_10sec", 10.0},
    {u"ScreenOff_30sec", u"Menu_ScreenOff_30sec", 30.0},
    {u"ScreenOff_1min", u"Menu_ScreenOff_1min", 60.0},
    {u"ScreenOff_2min", u"Menu_ScreenOff_2min", 120.0},
}};

// The wait cursor on the screen for as long as it lives; the previous cursor comes back after.
class WaitCursor {
public:
    WaitCursor()
        : m_screen(os::Screen::current())
    {
        if (m_screen) {
            m_previous = m_screen->cursor();
            m_screen->set_cursor(os::Cursor::wait);
        }
    }
    ~WaitCursor()
    {
        if (m_screen)
            m_screen->set_cursor(m_previous);
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    os::Screen* m_screen;
    os::Cursor m_previous = os::Cursor::arrow;
};

skinner::MenuEntry menu_entry(
    std::u16string_view id, std::u16string text, bool checked = false, bool separator_after = false)
{
    skinner::MenuEntry entry;
    entry.id = id;
    entry.text = std::move(text);
    entry.checked = checked;
    entry.separator_after = separator_after;
    return entry;
}

} // namespace

double FormMain::screen_off_interval(int32_t mode)
{
    if (mode < 0 || mode >= int32_t(s_screen_off_modes.size()))
        return 0.0;
    return s_screen_off_modes[size_t(mode)].seconds;
}

FormMain::FormMain(skinner::Form* parent, skinner::Properties* skin, os::WaveOutFactory factory)
    : Form(parent, skin, u"FormMain", nullptr)
    , m_menu_main(*this)
    , m_menu(*this, u"Menu", u":)", skinner::s_soft_key_menu, LookupMode::named)
    , m_play(*this, u"Play", u":)", skinner::s_soft_key_ok, LookupMode::named)
    , m_pause(*this, u"Pause", u":)", skinner::s_soft_key_ok, LookupMode::named)
    , m_resume(*this, u"Resume", u":)", skinner::s_soft_key_ok, LookupMode::named)
    , m_folder(*this, u"frmFolder", LookupMode::named)
    , m_status(*this, u"frmStatus", LookupMode::named)
    , m_play_size(*this, u"lstFiles_playsize", LookupMode::named)
    , m_big_size(*this, u"lstFiles_bigsize", LookupMode::named)
    , m_files(*this, m_bookmarks)
    , m_panel(*this)
    , m_power(skinner::create_power_manager(*this))
    , m_media_keys(*this)
{
    read_soft_key_texts();
    m_equalizer = std::make_unique<audio::EqualizerPCM>();
    m_player = std::make_unique<audio::PlayerPCM>(std::move(factory));
    apply_mode_layout_for(false);
    m_equalizer->connect(m_player.get());
    m_status_timer = start_timer(0.2);
    m_activity = std::make_unique<UserActivityHook>(impl().window().id(), [this] { on_user_activity(); });
    update_folder_caption();
    // A skin may name the window through a caption button; otherwise the title bar names the player.
    if (impl().window().caption() == u"Loading...")
        impl().set_title(u"Melodeck");
}

FormMain::~FormMain()
{
    kill_timer(m_status_timer);
    stop_playback();
    m_equalizer->connect(nullptr);
    m_player.reset();
    m_equalizer.reset();
    m_chain.reset();
}

int32_t FormMain::on_command(std::u16string_view command)
{
    if (command == u"Play" || command == u"PlaySubfolder" || command == u"PlayAudiobook"
        || command == u"PlaySingle") {
        start_from_browser(command);
    } else if (command == u"Pause" || command == u"Resume") {
        toggle_pause();
    } else if (command == u"Stop") {
        store_bookmark();
        enter_browse_mode();
        stop_playback();
    } else if (command == u"Prev" || command == u"Next") {
        play_next(command == u"Next" ? Playlist::Direction::forward : Playlist::Direction::back);
    } else if (command == u"PickUp") {
        pick_up();
    } else if (command == u"PickFolder") {
        open_folder(m_files.selected_path());
    } else if (command == u"RefreshList") {
        refresh_list();
    } else if (command == u"Random") {
        toggle_random();
    } else if (command == u"Repeat") {
        m_playlist.set_repeat(!m_playlist.repeat());
        update_status_line();
    } else if (command == u"Equalizer") {
        set_equalizer(!m_equalizer_on);
    } else if (command == u"About") {
        show_about();
    } else if (command == u"Exit") {
        store_bookmark();
        close();
    } else if (command.starts_with(s_language_prefix)) {
        m_language = command.substr(s_language_prefix.size());
        apply_language();
    } else if (const SleepChoice* sleep = find_sleep_choice(command)) {
        set_sleep(sleep->mode);
    } else {
        for (size_t mode = 0; mode < s_screen_off_modes.size(); ++mode) {
            if (command == s_screen_off_modes[mode].command)
                set_screen_off(int32_t(mode));
        }
    }
    return 0;
}

int32_t FormMain::on_value_changed(skinner::Control& control)
{
    if (&control == &m_panel.levels().volume())
        on_volume_changed();
    else if (&control == &m_panel.position().position() && !m_refreshing)
        on_position_changed();
    return 0;
}

int32_t FormMain::on_selection_changed(skinner::Control& control)
{
    if (&control != &m_files || m_panel.visible_flag())
        return 0;
    FileEntry entry = m_files.entry_at(m_files.selected_row());
    m_status.set_text(entry.kind == FileEntry::audio ? entry.size_text : std::u16string());
    return 0;
}

int32_t FormMain::on_menu(skinner::MenuEntry& menu)
{
    if (menu.id != u"Menu")
        return 0;
    skinner::Properties& skin = *properties();
    auto& items = menu.children;
    if (m_chain)
        items.push_back(menu_entry(u"Stop", skin.translate(u"Menu_Stop"), false, true));
    else
        items.push_back(menu_entry(u"RefreshList", skin.translate(u"Menu_RefreshList"), false, true));
    items.push_back(menu_entry(u"Random", skin.translate(u"Menu_Random"), m_playlist.random()));
    items.push_back(menu_entry(u"Repeat", skin.translate(u"Menu_Repeat"), m_playlist.repeat()));
    items.push_back(menu_entry(u"Equalizer", skin.translate(u"Menu_Equalizer"), m_equalizer_on, true));
    skinner::MenuEntry sleep = menu_entry(u"Sleep", skin.translate(u"Menu_Sleep"));
    for (const SleepChoice& choice : s_sleep_choices) {
        sleep.children.push_back(
            menu_entry(choice.command, skin.translate(choice.caption), choice.mode == m_sleep.mode()));
    }
    items.push_back(std::move(sleep));
    if (!skinner::static_capability_is_smartphone()) {
        skinner::MenuEntry screen_off = menu_entry(u"ScreenOff", skin.translate(u"Menu_ScreenOff"));
        for (size_t mode = 0; mode < s_screen_off_modes.size(); ++mode) {
            screen_off.children.push_back(menu_entry(s_screen_off_modes[mode].command,
                skin.translate(s_screen_off_modes[mode].caption), int32_t(mode) == m_screen_off));
        }
        items.push_back(std::move(screen_off));
    }
    std::vector<std::u16string> languages = find_language_files(os::expand_path(u"%app_path%"));
    if (languages.size() > 1) {
        skinner::MenuEntry language = menu_entry(u"Language", skin.translate(u"Menu_Language"));
        for (const std::u16string& path : languages) {
            language.children.push_back(menu_entry(std::u16string(s_language_prefix) + path,
                os::without_extension(os::file_name(path)), path == m_language));
        }
        items.push_back(std::move(language));
    }
    items.back().separator_after = true;
    items.push_back(menu_entry(u"About", skin.translate(u"Menu_About")));
    items.push_back(menu_entry(u"Exit", skin.translate(u"Menu_Exit")));
    return 0;
}

void FormMain::on_timer(uint32_t id)
{
    if (id == m_status_timer) {
        // The sound output went away: back to browsing as "Stop" does (an audiobook keeps its
        // place); playing again once a device is there needs no restart.
        if (m_chain && m_player->device_failed()) {
            on_command(u"Stop");
        } else if (refresh_status() && m_chain) {
            if (m_sleep.mode() == SleepMode::end_of_track) {
                set_sleep(SleepMode::off);
                on_command(u"Stop");
            } else {
                play_next(Playlist::Direction::forward);
            }
        }
        run_sleep_timer();
        save_audiobook_periodically();
    }
    Form::on_timer(id);
}

void FormMain::on_command_line(std::u16string_view text)
{
    bring_to_front();
    open_handed_over_path(*this, text);
}

void FormMain::load_settings(std::u16string_view path)
{
    m_settings_path = path;
    Settings settings = load_settings_file(path);
    m_language = settings.language;
    open_folder(settings.current_folder);
    m_files.select_path(settings.selected_path);
    m_panel.levels().volume().set_value(settings.volume);
    on_volume_changed();
    m_equalizer_on = false;
    set_equalizer(settings.equalizer_on);
    m_screen_off = settings.screen_off;
    m_playlist.set_random(settings.random);
    m_playlist.set_repeat(settings.repeat);
    m_bookmarks.clear();
    for (Bookmark& bookmark : settings.bookmarks)
        m_bookmarks.append(std::move(bookmark));
}

void FormMain::save_settings(std::u16string_view path)
{
    Settings settings;
    settings.language = m_language;
    settings.current_folder = m_files.current_folder();
    settings.selected_path = m_files.selected_path();
    settings.volume = m_sleep_volume.value_or(volume());
    settings.equalizer_on = m_equalizer_on;
    settings.screen_off = m_screen_off;
    settings.random = m_playlist.random();
    settings.repeat = m_playlist.repeat();
    settings.bookmarks = m_bookmarks.list();
    save_settings_file(path, settings);
}

void FormMain::open_folder(std::u16string_view path)
{
    std::u16string previous = m_files.current_folder();
    m_files.open_folder(path);
    m_files.select_path(previous);
    update_folder_caption();
}

void FormMain::play_file(std::u16string_view path)
{
    if (!os::same_path(os::parent_folder(path), m_files.current_folder()))
        open_folder(os::parent_folder(path));
    m_files.select_path(path);
    m_pause.set_visible(true);
    m_resume.set_visible(false);
    if (std::unique_ptr<audio::PlayChain> chain = audio::create_play_chain(path)) {
        stop_playback();
        m_chain = std::move(chain);
        m_chain->get_provider().connect(m_equalizer.get());
        audio::FileReader& reader = m_chain->get_reader();
        int32_t start = resume_position(path);
        if (start > 0) {
            double rest = rest_since_saved(m_bookmarks.saved_time(path), utc_seconds());
            start = rewound_position(reader, start, rewind_seconds(rest));
        }
        reader.seek_position(start);
        m_equalizer->reset();
        m_paused = false;
        m_last_audiobook_save_ms = now_ms();
        if (m_player->play()) {
            refresh_status();
            tell_playback(PlaybackEvent::changed);
            return;
        }
    }
    enter_browse_mode();
    stop_playback();
}

void FormMain::play_next(Playlist::Direction direction)
{
    store_bookmark();
    if (m_playlist.advance(direction)) {
        play_file(m_playlist.current_path());
        return;
    }
    enter_browse_mode();
    stop_playback();
}

void FormMain::store_bookmark()
{
    if (!m_audiobook || !m_chain)
        return;
    std::u16string path = m_playlist.current_path();
    audio::FileReader& reader = m_chain->get_reader();
    int32_t position = reader.position();
    if (path.empty() || position <= 0 || position >= reader.length())
        return;
    // A paused book has rested since its pause began, not since now.
    int64_t saved = utc_seconds();
    if (m_paused)
        saved -= (now_ms() - m_paused_at_ms) / 1000;
    m_bookmarks.store(path, position, saved);
    save_settings_now();
}

int32_t FormMain::resume_position(std::u16string_view path) const
{
    return m_audiobook ? m_bookmarks.resume_position(path) : 0;
}

bool FormMain::has_bookmark(std::u16string_view path) const
{
    return m_bookmarks.has(path);
}

void FormMain::toggle_pause()
{
    if (!m_chain)
        return;
    m_paused = !m_paused;
    m_pause.set_visible(!m_paused);
    m_resume.set_visible(m_paused);
    if (m_paused) {
        m_paused_at_ms = now_ms();
        m_player->pause();
    } else {
        if (m_audiobook) {
            audio::FileReader& reader = m_chain->get_reader();
            int32_t position = reader.position();
            int32_t back = rewound_position(
                reader, position, rewind_seconds(double(now_ms() - m_paused_at_ms) / 1000));
            if (back != position) {
                reader.seek_position(back);
                m_end_reached_ms = -1;
            }
        }
        m_player->play();
    }
    tell_playback(PlaybackEvent::changed);
}

void FormMain::apply_language()
{
    skinner::Properties& skin = *properties();
    if (!skin.set_language(m_language)) {
        m_language = os::expand_path(s_english);
        skin.set_language(m_language);
    }
    read_soft_key_texts();
    apply_mode_layout();
    update_folder_caption();
    if (m_chain) {
        m_files.select_path(m_playlist.current_path());
        // The skin was read again: every text and bar of the play panel shows the track again.
        refresh_status();
    } else {
        on_selection_changed(m_files);
    }
}

void FormMain::set_equalizer(bool on)
{
    m_equalizer_on = on;
    if (on)
        audio::load_equalizer_settings().apply_to(*m_equalizer);
    else
        m_equalizer->set_amplitude(0.0);
}

bool FormMain::refresh_status()
{
    if (!m_chain)
        return false;
    audio::FileReader& reader = m_chain->get_reader();
    int32_t position = reader.position();
    int32_t length = reader.length();
    update_status_line();
    PanelDisplay& display = m_panel.display();
    display.clock().set_text(clock_text(reader.position_to_time(position)));
    display.title().set_text(m_chain->get_title());
    display.info().set_text(info_text(
        int32_t(reader.sample_rate()), int32_t(reader.bits_per_sample()), int32_t(reader.bitrate())));
    m_refreshing = true;
    PanelLevels& levels = m_panel.levels();
    levels.volume().set_value(m_player->get_volume());
    levels.left().set_value(m_player->get_level(0));
    levels.right().set_value(m_player->get_level(1));
    m_panel.position().position().set_value(length > 0 ? double(position) / double(length) : 0.0);
    m_refreshing = false;
    return track_ended(position, length);
}

double FormMain::volume() const
{
    return const_cast<PanelPlay&>(m_panel).levels().volume().value();
}

void FormMain::start_from_browser(std::u16string_view command)
{
    WaitCursor wait;
    FileEntry entry = m_files.entry_at(m_files.selected_row());
    m_audiobook = command == u"PlayAudiobook";
    bool started = false;
    if (entry.kind != FileEntry::audio) {
        std::u16string folder = entry.kind == FileEntry::folder ? entry.path : m_files.current_folder();
        // The root holds the whole system: searching all of it for a playlist would hang the player.
        if (os::strip_separator(folder).empty())
            return;
        m_playlist.set_subfolders(true);
        m_playlist.build(folder);
        started = m_playlist.set_current(0);
    } else if (command == u"PlaySingle") {
        m_playlist.set_subfolders(false);
        m_playlist.build_single(entry.path);
        started = m_playlist.set_current(0);
    } else {
        m_playlist.set_subfolders(command == u"PlaySubfolder");
        m_playlist.build(m_files.current_folder());
        started = m_playlist.set_current_path(entry.path);
    }
    if (!started)
        return;
    enter_play_mode();
    play_file(m_playlist.current_path());
}

void FormMain::pick_up()
{
    if (!m_files.is_top_level())
        open_folder(m_files.entry_at(0).path);
}

void FormMain::stop_playback()
{
    m_player->stop();
    if (m_chain)
        m_chain->get_provider().connect(nullptr);
    m_chain.reset();
    m_paused = false;
    m_end_reached_ms = -1;
    on_selection_changed(m_files);
    tell_playback(PlaybackEvent::changed);
}

void FormMain::enter_play_mode()
{
    apply_mode_layout_for(true);
    refresh_status();
    m_power->set_interval(screen_off_interval(m_screen_off));
    m_power->reset();
}

void FormMain::enter_browse_mode()
{
    m_power->set_interval(0.0);
    apply_mode_layout_for(false);
}

void FormMain::apply_mode_layout()
{
    apply_mode_layout_for(m_chain != nullptr);
}

void FormMain::apply_mode_layout_for(bool playing)
{
    if (playing) {
        m_files.set_enabled(false);
        m_files.set_rect(m_play_size.rect());
        m_panel.set_visible(true);
        m_panel.inner().set_focus(&m_panel.levels());
        set_focus(&m_panel);
        m_play.set_visible(false);
        m_pause.set_visible(!m_paused);
        m_resume.set_visible(m_paused);
        return;
    }
    m_files.set_enabled(true);
    m_files.set_rect(m_big_size.rect());
    m_panel.set_visible(false);
    // The keys browse: on a keypad device they are the only way to.
    set_focus(&m_files);
    m_play.set_visible(true);
    m_pause.set_visible(false);
    m_resume.set_visible(false);
}

void FormMain::update_folder_caption()
{
    m_folder.set_text(folder_caption(
        m_folder, m_files.current_folder(), m_files.is_top_level(), properties()->translator()));
}

void FormMain::set_screen_off(int32_t mode)
{
    m_screen_off = mode;
    m_power->set_interval(screen_off_interval(mode));
    m_power->reset();
}

void FormMain::toggle_random()
{
    WaitCursor wait;
    std::u16string path = m_playlist.current_path();
    m_playlist.set_random(!m_playlist.random());
    m_playlist.reorder();
    m_playlist.set_current_path(path);
    update_status_line();
}

void FormMain::refresh_list()
{
    WaitCursor wait;
    std::u16string path = m_playlist.current_path();
    std::u16string selected = m_files.selected_path();
    m_files.refresh();
    m_files.select_path(path.empty() ? selected : path);
    m_playlist.build(m_files.current_folder());
    m_playlist.set_current_path(path);
}

void FormMain::show_about()
{
    os::Size screen = impl().screen().size();
    skinner::Properties skin(u"%app_path%/skins/settings/settings.skin", {screen.width, screen.height});
    if (!skin.is_valid())
        return;
    skin.set_language(m_language);
    // The about form in the main skin's look; a settings skin without that form gets the default.
    std::u16string form = properties()->get_string(
        u"FormMain", m_menu_main.name(), AboutForm::s_about_form_property, AboutForm::s_default_form);
    if (skin.impl().choose_form(form) == 0)
        form = AboutForm::s_default_form;
    AboutForm about(this, &skin, AboutForm::s_product, form);
    about.do_modal();
}

void FormMain::on_volume_changed()
{
    PanelLevels& levels = m_panel.levels();
    double value = levels.volume().value();
    m_player->set_volume(value);
    levels.volume_check().set_checked(value > 0.0);
}

void FormMain::on_position_changed()
{
    if (m_chain)
        seek_position(
            int32_t(double(m_chain->get_reader().length()) * m_panel.position().position().value()));
}

void FormMain::seek_position(int32_t position)
{
    if (!m_chain)
        return;
    m_chain->get_reader().seek_position(position);
    m_end_reached_ms = -1;
    tell_playback(PlaybackEvent::seeked);
}

void FormMain::update_status_line()
{
    if (!m_chain)
        return;
    const liba::StringTranslator& translator = properties()->translator();
    std::optional<std::u16string> lead;
    if (m_sleep.mode() != SleepMode::off)
        lead = sleep_status(translator, m_sleep.minutes_left(now_ms()));
    m_status.set_text(status_line(translator, m_playlist.random(), m_playlist.repeat(),
        m_playlist.current_index(), m_playlist.size(), std::move(lead)));
}

void FormMain::save_settings_now()
{
    if (!m_settings_path.empty())
        save_settings(m_settings_path);
}

void FormMain::save_audiobook_periodically()
{
    if (!m_audiobook || !m_chain || m_paused)
        return;
    int64_t now = now_ms();
    if (now - m_last_audiobook_save_ms < s_audiobook_save_ms)
        return;
    m_last_audiobook_save_ms = now;
    store_bookmark();
}

bool FormMain::track_ended(int32_t position, int32_t length)
{
    if (m_player->open_failed())
        return true;
    if (position < length) {
        m_end_reached_ms = -1;
        return false;
    }
    if (m_player->is_drained())
        return true;
    // A paused device holds what it has; its end has not been heard.
    int64_t now = now_ms();
    if (m_paused || m_end_reached_ms < 0) {
        m_end_reached_ms = now;
        return false;
    }
    return now - m_end_reached_ms >= s_drain_timeout_ms;
}

void FormMain::read_soft_key_texts()
{
    for (skinner::MenuMainButton* key :
        {static_cast<skinner::MenuMainButton*>(&m_menu), &m_play, &m_pause, &m_resume}) {
        key->set_text(key->get_string(u"Text", key->text()));
        key->set_image_index(key->get_int(u"ImageIndex", -1));
    }
}

int64_t FormMain::now_ms() const
{
    return impl().screen().now();
}

void FormMain::set_sleep(SleepMode mode)
{
    m_sleep.start(mode, now_ms());
    end_sleep_fade();
    update_status_line();
}

void FormMain::run_sleep_timer()
{
    SleepTimer::Step step = m_sleep.step(now_ms());
    bool sounding = m_chain && !m_paused;
    if (step.kind == SleepTimer::Step::fade && sounding) {
        if (!m_sleep_volume)
            m_sleep_volume = volume();
        m_panel.levels().volume().set_value(*m_sleep_volume * step.volume);
        return;
    }
    if (step.kind == SleepTimer::Step::run_out && sounding) {
        // Silence is held first; the bar goes back for the next play; then the place is kept.
        toggle_pause();
        end_sleep_fade();
        store_bookmark();
        update_status_line();
        return;
    }
    // Nothing sounds to fade (or the timer went off while nothing did): the volume comes back.
    end_sleep_fade();
    if (step.kind == SleepTimer::Step::run_out)
        update_status_line();
}

void FormMain::on_user_activity()
{
    int64_t now = now_ms();
    if (!m_sleep.is_fading(now))
        return;
    m_sleep.restart(now);
    end_sleep_fade();
    update_status_line();
}

void FormMain::end_sleep_fade()
{
    if (!m_sleep_volume)
        return;
    double volume = *m_sleep_volume;
    m_sleep_volume.reset();
    m_panel.levels().volume().set_value(volume);
    on_volume_changed();
}

} // namespace player
