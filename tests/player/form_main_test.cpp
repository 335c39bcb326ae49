// The main form on the headless screen with the default skin and a sound device that holds every
// buffer until the test hands it back (so the reader rests unless the form moves it): audiobook
// bookmarks and their rewind, the position bar, the periodic save, the ends of tracks, the sleep timer.

#include "player_run.h"

#include "audio/scripted_wave_out.h"

#include "os/keys.h"
#include "player/form_main.h"
#include "player/resume_rewind.h"
#include "player/settings.h"
#include "player/sleep_timer.h"
#include "skinner/control_frame.h"
#include "skinner/form_impl.h"
#include "skinner/key_codes.h"
#include "skinner/menu_entry.h"

#include <cmath>
#include <thread>

namespace {

using player::FormMain;
using player::SleepMode;
using player::SleepTimer;

TEST(ResumeRewind, the_rest_decides_how_far_back_at_each_boundary)
{
    const std::pair<double, double> table[] = {{-5, 0}, {0, 0}, {9.9, 0}, {10, 1}, {60, 1}, {60.1, 2},
        {3600, 2}, {3600.5, 10}, {86400, 10}, {86401, 30}, {1e9, 30}, {NAN, 0}};
    for (auto [rest, back] : table)
        EXPECT_EQ(player::rewind_seconds(rest), back) << "rest " << rest;
    // Unknown, or saved after now: an hour.
    EXPECT_EQ(player::rest_since_saved(-1, 1000), 3600);
    EXPECT_EQ(player::rest_since_saved(2000, 1000), 3600);
    EXPECT_EQ(player::rest_since_saved(1000, 1005), 5);
}

TEST(SleepTimer, rounds_minutes_up_and_runs_out_ten_seconds_after_the_time)
{
    SleepTimer timer;
    timer.start(SleepMode::minutes_15, 1000);
    for (auto [at, minutes] : {std::pair<int64_t, int32_t> {1001, 15}, {61000, 14}, {900999, 1}, {901000, 0}})
        EXPECT_EQ(timer.minutes_left(at), minutes) << at;
    EXPECT_EQ(timer.step(900999).kind, SleepTimer::Step::none);
    EXPECT_EQ(timer.step(910999).kind, SleepTimer::Step::fade);
    EXPECT_EQ(timer.step(911000).kind, SleepTimer::Step::run_out);
    EXPECT_EQ(timer.mode(), SleepMode::off);
    // Untimed: never fades, shows no minutes.
    timer.start(SleepMode::end_of_track, 0);
    EXPECT_EQ(timer.step(int64_t(1) << 40).kind, SleepTimer::Step::none);
    EXPECT_EQ(timer.minutes_left(0), -1);
}

class FormMainTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::make_main_form_surroundings(m_screen, m_skin);
        m_form = std::make_unique<FormMain>(nullptr, m_skin.get(), m_device.factory());
        m_form->impl().window().show(os::ShowMode::show);
        m_screen->dispatch_pending();
        m_form->load_settings(settings_path());
        if (m_form->playlist().random())
            m_form->on_command(u"Random");
    }
    void TearDown() override
    {
        m_form.reset();
        ::unsetenv("MELODECK_AUDIO");
    }

    // track0.wav, track1.wav, ...: 16000 bytes a second, and the browser in their folder.
    void make_music(int count, double seconds)
    {
        for (int i = 0; i < count; ++i)
            test::write_tone(m_music.path() / ("track" + std::to_string(i) + ".wav"), seconds);
        m_form->open_folder(test::u16(m_music.path()));
    }
    std::u16string path(const std::string& name) const { return m_music.file(name); }
    void play(const std::string& name, std::u16string_view command)
    {
        m_form->files().select_path(path(name));
        m_form->on_command(command);
        ASSERT_TRUE(m_form->is_playing());
    }
    int32_t position() { return m_form->chain()->get_reader().position(); }
    std::u16string settings_path() const { return m_folder.file("Settings.xml"); }
    std::u16string playing() const { return m_form->is_playing() ? m_form->playlist().current_path() : u""; }
    // Lets the player's thread run while the screen's clock moves with the wall clock.
    void run_for(int64_t ms)
    {
        for (int64_t spent = 0; spent < ms; spent += 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            m_screen->advance(10);
            m_screen->dispatch_pending();
        }
    }
    // The screen's clock moves on by ms: a long rest in one leap, the last 20 s in steps of 200 ms.
    void advance(int64_t ms)
    {
        int64_t leap = std::max<int64_t>(0, ms - 20000);
        for (int64_t spent = 0, step = leap; spent < ms;
             spent += step, step = std::min<int64_t>(200, ms - spent)) {
            m_screen->advance(step);
            m_screen->dispatch_pending();
        }
    }
    // The place in the file (modulo 131072, read from the ramp) of the sound after mark bytes played.
    int32_t heard_after(size_t mark)
    {
        for (int waited = 0; m_device.played().size() < mark + 2 && waited < 2000; waited += 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            m_device.complete_all();
        }
        std::vector<uint8_t> played = m_device.played();
        return played.size() < mark + 2 ? -1 : int32_t(played[mark] | played[mark + 1] << 8) * 2;
    }
    std::string status()
    {
        return liba::to_utf8(
            dynamic_cast<skinner::ControlFrame&>(*m_form->find_control(u"frmStatus")).text());
    }
    // The main menu as the soft key opens it.
    std::vector<skinner::MenuEntry> menu()
    {
        skinner::MenuEntry menu;
        menu.id = u"Menu";
        m_form->on_menu(menu);
        return menu.children;
    }

    test::TempDir m_music;
    test::TempDir m_folder;
    test::ScriptedWaveOut m_device;
    std::unique_ptr<os::HeadlessScreen> m_screen;
    std::unique_ptr<skinner::Properties> m_skin;
    std::unique_ptr<FormMain> m_form;
};

TEST_F(FormMainTest, the_menu_offers_stop_while_playing_and_the_volume_keys_and_position_bar_reach_the_player)
{
    make_music(1, 10);
    EXPECT_EQ(menu().at(0).id, u"RefreshList");
    play("track0.wav", u"Play");
    EXPECT_EQ(menu().at(0).id, u"Stop");
    // The box of the level panel shows whether any volume is left.
    player::PanelLevels& levels = m_form->panel().levels();
    levels.volume().set_value(0.02);
    levels.on_key_down(skinner::KeyLeft);
    EXPECT_EQ(m_form->player().get_volume(), 0.0);
    EXPECT_FALSE(levels.volume_check().is_checked());
    levels.on_key_down(skinner::KeyRight);
    EXPECT_GT(m_form->player().get_volume(), 0.0);
    EXPECT_TRUE(levels.volume_check().is_checked());
    // Only the user moving the position bar seeks.
    m_form->on_command(u"Pause");
    run_for(100);
    audio::FileReader& reader = m_form->chain()->get_reader();
    int32_t length = reader.length();
    // A place where length x (place / length) truncates below it: a refresh that seeks shows.
    int32_t place = 2;
    while (place < length && int32_t(double(length) * (double(place) / double(length))) >= place)
        place += 2;
    ASSERT_LT(place, length);
    reader.seek_position(place);
    for (int i = 0; i < 3; ++i)
        m_form->refresh_status();
    EXPECT_EQ(reader.position(), place);
    // The step button is the user's: it seeks to the truncated product.
    double value = m_form->panel().position().position().value();
    m_form->panel().position().step_right().press();
    int32_t target = int32_t(double(length) * std::min(1.0, value + 0.05));
    EXPECT_NEAR(reader.position(), target, 1);
}

TEST_F(FormMainTest, an_audiobook_resumes_at_its_bookmark_and_stopping_replaces_it)
{
    // Saved a moment ago: the book did not rest long enough to go back.
    int64_t now = player::utc_seconds();
    test::write_settings(m_folder.path() / "Settings.xml",
        "<Bookmarks><Bookmark Path=\"" + m_music.native("track0.wav").string() + "\" Pos=\"5000\" Saved=\""
            + std::to_string(now) + "\"/>" + "<Bookmark Path=\"elsewhere.wav\" Pos=\"77\"/></Bookmarks>");
    m_form->load_settings(settings_path());
    make_music(2, 10);
    play("track0.wav", u"PlayAudiobook");
    EXPECT_EQ(m_form->resume_position(path("track0.wav")), 5000);
    EXPECT_GE(position(), 5000);
    m_form->on_command(u"Pause");
    run_for(100);
    m_form->chain()->get_reader().seek_position(9000);
    m_form->on_command(u"Stop");
    const std::vector<player::Bookmark>& list = m_form->bookmarks().list();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.back().path, path("track0.wav"));
    EXPECT_EQ(list.back().position, 9000);
    // Stopping at the start stores nothing; outside audiobook mode nothing resumes.
    play("track1.wav", u"PlayAudiobook");
    m_form->on_command(u"Pause");
    run_for(100);
    m_form->chain()->get_reader().seek_position(0);
    m_form->on_command(u"Stop");
    EXPECT_EQ(m_form->bookmarks().list().size(), 2u);
    EXPECT_FALSE(m_form->has_bookmark(path("track1.wav")));
    play("track0.wav", u"PlaySingle");
    EXPECT_EQ(m_form->resume_position(path("track0.wav")), 0);
    // The stored bookmark reached the file at once.
    player::Settings saved = player::load_settings_file(settings_path());
    ASSERT_EQ(saved.bookmarks.size(), 2u);
    EXPECT_EQ(saved.bookmarks.back().position, 9000);
    EXPECT_GE(saved.bookmarks.back().saved, now);
}

TEST_F(FormMainTest, an_audiobook_playing_for_30_seconds_is_saved_with_its_place)
{
    make_music(1, 40);
    play("track0.wav", u"PlayAudiobook");
    // A busy machine may start the player's thread late: a book at 0 has no place to keep.
    for (int i = 0; i < 500 && position() == 0; ++i)
        run_for(10);
    EXPECT_FALSE(std::filesystem::exists(m_folder.path() / "Settings.xml"));
    m_screen->advance(FormMain::s_audiobook_save_ms);
    run_for(300);
    player::Settings saved = player::load_settings_file(settings_path());
    ASSERT_EQ(saved.bookmarks.size(), 1u);
    EXPECT_EQ(saved.bookmarks[0].path, path("track0.wav"));
    EXPECT_GT(saved.bookmarks[0].position, 0);
}

TEST_F(FormMainTest, a_track_ends_when_the_device_has_played_it_or_two_seconds_after_a_device_that_never_does)
{
    make_music(2, 0.25);
    m_form->on_command(u"Repeat");
    play("track0.wav", u"Play");
    // The device holds every header: the reader is at its end long before the sound is.
    run_for(300);
    ASSERT_EQ(position(), m_form->chain()->get_reader().length());
    EXPECT_EQ(playing(), path("track0.wav"));
    // Played out: the next tick moves on.
    m_device.complete_all();
    run_for(300);
    EXPECT_EQ(playing(), path("track1.wav"));
    // Never played out: 2 s after the reader's end (on the screen's clock), the last track ends all the same.
    run_for(300);
    advance(1000);
    EXPECT_EQ(playing(), path("track1.wav"));
    advance(FormMain::s_drain_timeout_ms);
    EXPECT_FALSE(m_form->is_playing());
}

TEST_F(FormMainTest, a_device_that_does_not_open_ends_playing_at_that_file)
{
    m_device.fail_opens(100);
    make_music(3, 5);
    m_form->on_command(u"Repeat");
    m_form->files().select_path(path("track0.wav"));
    m_form->on_command(u"Play");
    run_for(800);
    EXPECT_FALSE(m_form->is_playing());
    EXPECT_EQ(m_form->playlist().current_index(), 0);
    // The stop and the play of that start, no more.
    EXPECT_LE(m_device.open_attempts(), 2);
}

TEST_F(FormMainTest, a_sleep_timer_fades_pauses_keeps_the_place_and_gives_the_volume_back)
{
    make_music(2, 40);
    m_form->panel().levels().volume().set_value(0.8);
    play("track0.wav", u"PlayAudiobook");
    // The player's thread fills the device, which keeps every buffer: the reader then rests.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    m_form->on_command(u"Sleep_15min");
    EXPECT_EQ(status(), "Sleep 15 (repeat) 1 / 2");
    std::vector<skinner::MenuEntry> entries = menu();
    auto sleep = std::find_if(entries.begin(), entries.end(), [](auto& e) { return e.id == u"Sleep"; });
    ASSERT_NE(sleep, entries.end());
    EXPECT_EQ(std::prev(sleep)->id, u"Equalizer");
    ASSERT_EQ(sleep->children.size(), 5u);
    EXPECT_TRUE(sleep->children[1].checked);
    EXPECT_FALSE(sleep->children[0].checked);

    // Halfway through the fade a key starts the same 15 minutes again, at the old volume.
    advance(15 * 60000 + 5000);
    EXPECT_NEAR(m_form->player().get_volume(), 0.4, 0.05);
    EXPECT_EQ(status(), "Sleep 0 (repeat) 1 / 2");
    m_screen->key(os::VK_SHIFT);
    m_screen->dispatch_pending();
    EXPECT_DOUBLE_EQ(m_form->player().get_volume(), 0.8);
    EXPECT_EQ(status(), "Sleep 15 (repeat) 1 / 2");

    // Left to run out: silence, then paused with the volume back and the bookmark in the file.
    advance(15 * 60000 + 9000);
    EXPECT_FALSE(m_form->is_paused());
    EXPECT_LT(m_form->player().get_volume(), 0.1);
    int32_t place = position();
    advance(1200);
    EXPECT_TRUE(m_form->is_paused());
    EXPECT_DOUBLE_EQ(m_form->player().get_volume(), 0.8);
    EXPECT_DOUBLE_EQ(m_form->volume(), 0.8);
    EXPECT_EQ(m_form->sleep_timer().mode(), SleepMode::off);
    EXPECT_EQ(status(), "Playing (repeat) 1 / 2");
    player::Settings saved = player::load_settings_file(settings_path());
    ASSERT_EQ(saved.bookmarks.size(), 1u);
    EXPECT_EQ(saved.bookmarks[0].position, place);
    EXPECT_DOUBLE_EQ(saved.volume, 0.8);

    // Resumed two minutes later: 2 s back, through the reader's time.
    m_form->chain()->get_reader().seek_position(320000);
    advance(120000);
    m_form->on_command(u"Resume");
    EXPECT_EQ(position(), 320000 - 32000);
    // A pause under 10 s goes nowhere.
    m_form->on_command(u"Pause");
    advance(9800);
    m_form->on_command(u"Resume");
    EXPECT_EQ(position(), 320000 - 32000);
    // Stopped two minutes into a pause: the bookmark dates from the pause, for the next start.
    m_form->on_command(u"Pause");
    advance(120000);
    m_form->on_command(u"Stop");
    EXPECT_LE(m_form->bookmarks().saved_time(path("track0.wav")), player::utc_seconds() - 119);
    // Outside audiobook mode a long pause resumes where it was.
    play("track1.wav", u"Play");
    m_form->on_command(u"Pause");
    m_form->chain()->get_reader().seek_position(320000);
    advance(120000);
    m_form->on_command(u"Resume");
    // Not rewound (the player's thread may already have read on from there).
    EXPECT_GE(position(), 320000);
}

TEST_F(FormMainTest, a_sleep_at_the_end_of_the_track_stops_there_instead_of_going_on)
{
    make_music(2, 40);
    play("track0.wav", u"Play");
    m_form->on_command(u"Sleep_end_of_track");
    EXPECT_EQ(status(), "Sleep (repeat) 1 / 2");
    // A track change keeps the timer: it waits for the end of the track playing then.
    m_form->on_command(u"Prev");
    m_form->on_command(u"Next");
    // At its end a device that never reports drained lets the track go after 2 s.
    audio::FileReader& reader = m_form->chain()->get_reader();
    reader.seek_position(reader.length());
    advance(FormMain::s_drain_timeout_ms + 400);
    EXPECT_FALSE(m_form->is_playing());
    EXPECT_EQ(m_form->playlist().current_path(), path("track0.wav"));
    EXPECT_EQ(m_form->sleep_timer().mode(), SleepMode::off);
}

TEST_F(FormMainTest, a_bookmark_of_an_older_file_goes_back_and_never_before_the_start)
{
    make_music(2, 40);
    test::write_settings(m_folder.path() / "Settings.xml",
        "<Bookmarks><Bookmark Path=\"" + m_music.native("track0.wav").string()
            + "\" Pos=\"320000\"/><Bookmark Path=\"" + m_music.native("track1.wav").string()
            + "\" Pos=\"320000\" Saved=\"" + std::to_string(player::utc_seconds() - 2 * 86400)
            + "\"/><Bookmark Path=\"elsewhere.wav\" Pos=\"77\"/></Bookmarks>");
    m_form->load_settings(settings_path());
    m_form->open_folder(test::u16(m_music.path()));
    // No time kept: an hour of rest, 2 s back.
    play("track0.wav", u"PlayAudiobook");
    EXPECT_EQ(heard_after(0), (320000 - 32000) % 131072);
    m_form->on_command(u"Stop");
    // Two days of rest: 30 s back; 20 s in, never before the start. (The stop is let through to the device
    // first, so that nothing of the first book follows the mark.)
    for (int waited = 0; !m_form->player().is_drained() && waited < 2000; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    size_t mark = m_device.played().size();
    play("track1.wav", u"PlayAudiobook");
    EXPECT_EQ(heard_after(mark), 0);
    m_form->save_settings(settings_path());
    std::string text = test::read_text(m_folder.path() / "Settings.xml");
    EXPECT_NE(text.find("Path=\"elsewhere.wav\" Pos=\"77\" />"), std::string::npos) << text;
}

} // namespace
