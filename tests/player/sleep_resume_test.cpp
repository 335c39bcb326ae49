// The sleep timer and the rewind of an audiobook taken up again: the clock arithmetic as tables,
// then the main form on the headless screen, its clock driven by the test and the sound device
// holding every buffer, so the reader stands still unless the form moves it.

#include "player_form_support.h"
#include "player_run.h"

#include "audio/scripted_wave_out.h"

#include "liba/text.h"
#include "os/keys.h"
#include "os/screen/headless_screen.h"
#include "os/window.h"
#include "player/form_main.h"
#include "player/resume_rewind.h"
#include "player/settings.h"
#include "player/sleep_timer.h"
#include "skinner/control_frame.h"
#include "skinner/device_capability.h"
#include "skinner/form_impl.h"
#include "skinner/menu_entry.h"
#include "skinner/properties.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
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

class SleepResumeTest : public testing::Test {
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
        // 40 s of 8 kHz mono 16-bit: 16000 bytes a second.
        for (const char* name : {"book0.wav", "book1.wav"})
            test::write_tone(m_music.path() / name, 40);
        m_form->open_folder(test::u16(m_music.path()));
    }

    void TearDown() override
    {
        m_form.reset();
        ::unsetenv("MELODECK_AUDIO");
    }

    std::u16string settings_path() const { return test::u16(m_folder.path() / "Settings.xml"); }
    std::u16string path(const char* name) const { return m_music.file(name); }
    void play(const char* name, std::u16string_view command)
    {
        m_form->files().select_path(path(name));
        m_form->on_command(command);
        ASSERT_TRUE(m_form->is_playing());
        // The player's thread fills the device, which keeps every buffer: the reader then rests.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    int32_t position() { return m_form->chain()->get_reader().position(); }
    // The place of the first sound the device gets after mark bytes, in bytes of the file, read
    // from the ramp the files hold (so modulo 131072).
    int32_t heard_after(size_t mark)
    {
        for (int waited = 0; m_device.played().size() < mark + 2 && waited < 2000; waited += 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            m_device.complete_all();
        }
        std::vector<uint8_t> played = m_device.played();
        return played.size() < mark + 2 ? -1 : int32_t(played[mark] | played[mark + 1] << 8) * 2;
    }
    // The screen's clock moves on by ms: a long rest in one leap, the last seconds in steps of the
    // status timer.
    void advance(int64_t ms)
    {
        int64_t leap = std::max<int64_t>(0, ms - 20000);
        m_screen->advance(leap);
        m_screen->dispatch_pending();
        for (int64_t spent = leap; spent < ms; spent += 200) {
            m_screen->advance(std::min<int64_t>(200, ms - spent));
            m_screen->dispatch_pending();
        }
    }
    std::string status()
    {
        return liba::to_utf8(
            dynamic_cast<skinner::ControlFrame&>(*m_form->find_control(u"frmStatus")).text());
    }

    test::TempDir m_music;
    test::TempDir m_folder;
    test::ScriptedWaveOut m_device;
    std::unique_ptr<os::HeadlessScreen> m_screen;
    std::unique_ptr<skinner::Properties> m_skin;
    std::unique_ptr<FormMain> m_form;
};

TEST_F(SleepResumeTest, a_timer_fades_pauses_keeps_the_place_and_gives_the_volume_back)
{
    m_form->panel().levels().volume().set_value(0.8);
    play("book0.wav", u"PlayAudiobook");
    m_form->on_command(u"Sleep_15min");
    EXPECT_EQ(status(), "Sleep 15 (repeat) 1 / 2");
    skinner::MenuEntry menu;
    menu.id = u"Menu";
    m_form->on_menu(menu);
    auto sleep
        = std::find_if(menu.children.begin(), menu.children.end(), [](auto& e) { return e.id == u"Sleep"; });
    ASSERT_NE(sleep, menu.children.end());
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
    EXPECT_LE(m_form->bookmarks().saved_time(path("book0.wav")), player::utc_seconds() - 119);
    // Outside audiobook mode a long pause resumes where it was.
    play("book1.wav", u"Play");
    m_form->on_command(u"Pause");
    m_form->chain()->get_reader().seek_position(320000);
    advance(120000);
    m_form->on_command(u"Resume");
    EXPECT_EQ(position(), 320000);
}

TEST_F(SleepResumeTest, end_of_track_stops_where_the_track_ends_instead_of_going_on)
{
    play("book0.wav", u"Play");
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
    EXPECT_EQ(m_form->playlist().current_path(), path("book0.wav"));
    EXPECT_EQ(m_form->sleep_timer().mode(), SleepMode::off);
}

TEST_F(SleepResumeTest, a_bookmark_of_an_older_file_goes_back_two_seconds_and_keeps_having_no_time)
{
    test::write_settings_file(m_folder.path() / "Settings.xml",
        "<Bookmarks><Bookmark Path=\"" + m_music.native("book0.wav").string()
            + "\" Pos=\"320000\"/><Bookmark Path=\"" + m_music.native("book1.wav").string()
            + "\" Pos=\"320000\" Saved=\"" + std::to_string(player::utc_seconds() - 2 * 86400)
            + "\"/><Bookmark Path=\"elsewhere.wav\" Pos=\"77\"/></Bookmarks>");
    m_form->load_settings(settings_path());
    m_form->open_folder(test::u16(m_music.path()));
    m_form->files().select_path(path("book0.wav"));
    m_form->on_command(u"PlayAudiobook");
    EXPECT_EQ(heard_after(0), (320000 - 32000) % 131072);
    m_form->on_command(u"Stop");
    // Two days of rest: 30 s back; 20 s in, never before the start. (The stop is let through to
    // the device first, so that nothing of the first book follows the mark.)
    for (int waited = 0; !m_form->player().is_drained() && waited < 2000; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    size_t mark = m_device.played().size();
    m_form->files().select_path(path("book1.wav"));
    m_form->on_command(u"PlayAudiobook");
    EXPECT_EQ(heard_after(mark), 0);
    m_form->save_settings(settings_path());
    std::string text = test::read_text(m_folder.path() / "Settings.xml");
    EXPECT_NE(text.find("Path=\"elsewhere.wav\" Pos=\"77\" />"), std::string::npos) << text;
}

} // namespace

// As a user sets it: through the menu by its captions, on the built player.
TEST(SleepScriptedRun, the_menu_sets_the_end_of_track_timer_and_the_player_stops_after_the_first_track)
{
    test::AppCopy app;
    test::write_tone(app.music() / "a.wav", 2);
    test::write_tone(app.music() / "b.wav", 2);
    test::write_settings(app, "<Playback Random=\"false\" Repeat=\"true\"/>");
    test::PlayerRun run = test::run_player(app,
        "open " + app.music().string()
            + "\nselect a.wav\ncommand Play\nmenu \"Sleep timer\" \"At the end of the track\"\ntext "
              "frmStatus\n"
              "until-end 20000\nstate\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Sleep (repeat) 1 / 2"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("mode=browse"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("track=1/2"), std::string::npos) << run.out;
}
