// The main form driven directly on the headless screen, with the default skin of the app folder, a
// music folder the test makes and the silent sound backend: the playlist walk at its ends, the
// audiobook bookmarks, the position bar, the settings round trip and the periodic save.

#include "player_form_support.h"
#include "player_run.h"

#include "audio/scripted_wave_out.h"

#include "os/rand.h"
#include "os/screen/headless_screen.h"
#include "player/form_main.h"
#include "player/resume_rewind.h"
#include "player/settings.h"
#include "skinner/device_capability.h"
#include "skinner/key_codes.h"
#include "skinner/menu_entry.h"
#include "skinner/properties.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

using player::FormMain;

class FormMainTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::make_main_form_surroundings(m_screen, m_skin);
        m_form = std::make_unique<FormMain>(nullptr, m_skin.get());
    }

    void TearDown() override
    {
        m_form.reset();
        m_skin.reset();
        m_screen.reset();
        ::unsetenv("MELODECK_AUDIO");
    }

    // Files named name0.wav, name1.wav, ... of a few seconds, and the browser in their folder.
    std::vector<std::string> make_music(int count, double seconds = 3)
    {
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            names.push_back("track" + std::to_string(i) + ".wav");
            test::write_tone(m_music.path() / names.back(), seconds, uint16_t(i * 1000));
        }
        m_form->open_folder(test::u16(m_music.path()));
        return names;
    }

    void select(const std::string& name) { m_form->files().select_path(m_music.file(name)); }
    std::u16string path(const std::string& name) const { return m_music.file(name); }
    std::u16string playing() const
    {
        return m_form->is_playing() ? m_form->playlist().current_path() : std::u16string();
    }

    // Lets the player's thread run while the screen's clock moves with the wall clock.
    void run_for(int64_t ms)
    {
        for (int64_t spent = 0; spent < ms; spent += 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            m_screen->advance(10);
            m_screen->dispatch_pending();
        }
    }

    void set_modes(bool random, bool repeat)
    {
        if (m_form->playlist().random() != random)
            m_form->on_command(u"Random");
        if (m_form->playlist().repeat() != repeat)
            m_form->on_command(u"Repeat");
    }

    test::TempDir m_music;
    test::TempDir m_folder;
    std::unique_ptr<os::HeadlessScreen> m_screen;
    std::unique_ptr<skinner::Properties> m_skin;
    std::unique_ptr<FormMain> m_form;
};

TEST_F(FormMainTest, repeat_off_the_last_file_goes_back_to_browsing_and_stays_current)
{
    make_music(3);
    set_modes(false, false);
    select("track2.wav");
    m_form->on_command(u"Play");
    EXPECT_EQ(playing(), path("track2.wav"));
    m_form->on_command(u"Next");
    EXPECT_FALSE(m_form->is_playing());
    EXPECT_EQ(m_form->playlist().current_index(), 2);
    EXPECT_FALSE(m_form->panel().visible_flag());
}

TEST_F(FormMainTest, prev_wraps_to_the_last_file_with_repeat_and_stops_without)
{
    make_music(3);
    for (bool repeat : {true, false}) {
        set_modes(false, repeat);
        select("track0.wav");
        m_form->on_command(u"Play");
        ASSERT_EQ(playing(), path("track0.wav"));
        m_form->on_command(u"Prev");
        EXPECT_EQ(playing(), repeat ? path("track2.wav") : std::u16string()) << "repeat " << repeat;
        m_form->on_command(u"Stop");
    }
}

TEST_F(FormMainTest, the_menu_offers_stop_while_playing_and_refresh_otherwise)
{
    auto first_ids = [this] {
        skinner::MenuEntry menu;
        menu.id = u"Menu";
        m_form->on_menu(menu);
        return menu.children.at(0).id;
    };
    make_music(1);
    EXPECT_EQ(first_ids(), u"RefreshList");
    select("track0.wav");
    m_form->on_command(u"Play");
    EXPECT_EQ(first_ids(), u"Stop");
    // The volume keys of the level panel reach the player; the box shows whether any is left.
    player::PanelLevels& levels = m_form->panel().levels();
    levels.volume().set_value(0.02);
    levels.on_key_down(skinner::KeyLeft);
    EXPECT_EQ(levels.volume().value(), 0.0);
    EXPECT_EQ(m_form->player().get_volume(), 0.0);
    EXPECT_FALSE(levels.volume_check().is_checked());
    levels.on_key_down(skinner::KeyRight);
    EXPECT_GT(m_form->player().get_volume(), 0.0);
    EXPECT_TRUE(levels.volume_check().is_checked());
}

TEST_F(FormMainTest, random_with_repeat_shuffles_again_at_the_end_and_goes_on_at_the_first)
{
    os::seed_rand(7);
    make_music(6);
    set_modes(true, true);
    m_form->files().select_path(u"");
    m_form->on_command(u"Play");
    ASSERT_TRUE(m_form->is_playing());
    ASSERT_EQ(m_form->playlist().current_index(), 0);
    std::vector<std::u16string> first = m_form->playlist().files();
    for (int i = 0; i < 5; ++i)
        m_form->on_command(u"Next");
    ASSERT_EQ(m_form->playlist().current_index(), 5);
    m_form->on_command(u"Next");
    std::vector<std::u16string> second = m_form->playlist().files();
    EXPECT_EQ(m_form->playlist().current_index(), 0);
    EXPECT_EQ(playing(), second[0]);
    EXPECT_NE(first, second);
    std::sort(first.begin(), first.end());
    std::sort(second.begin(), second.end());
    EXPECT_EQ(first, second);
    // Random switched off while playing: the playing file stays current in the sorted order.
    std::u16string current = playing();
    m_form->on_command(u"Random");
    EXPECT_EQ(m_form->playlist().files(), first);
    EXPECT_EQ(m_form->playlist().current_path(), current);
    EXPECT_EQ(playing(), current);
}

TEST_F(FormMainTest, an_audiobook_resumes_at_its_bookmark_and_stopping_replaces_it)
{
    // Saved a moment ago: the book did not rest long enough to go back.
    int64_t now = player::utc_seconds();
    test::write_settings_file(m_folder.path() / "Settings.xml",
        "<Bookmarks><Bookmark Path=\"" + m_music.native("track0.wav").string() + "\" Pos=\"5000\" Saved=\""
            + std::to_string(now) + "\"/>" + "<Bookmark Path=\"elsewhere.wav\" Pos=\"77\"/></Bookmarks>");
    m_form->load_settings(test::u16(m_folder.path() / "Settings.xml"));
    make_music(2, 10);
    select("track0.wav");
    m_form->on_command(u"PlayAudiobook");
    ASSERT_TRUE(m_form->is_playing());
    audio::FileReader& reader = m_form->chain()->get_reader();
    EXPECT_EQ(m_form->resume_position(path("track0.wav")), 5000);
    EXPECT_GE(reader.position(), 5000);
    m_form->on_command(u"Pause");
    run_for(100);
    reader.seek_position(9000);
    m_form->on_command(u"Stop");
    const std::vector<player::Bookmark>& list = m_form->bookmarks().list();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.back().path, path("track0.wav"));
    EXPECT_EQ(list.back().position, 9000);
    // Stopping at the start stores nothing; outside audiobook mode nothing resumes.
    select("track1.wav");
    m_form->on_command(u"PlayAudiobook");
    m_form->on_command(u"Pause");
    run_for(100);
    m_form->chain()->get_reader().seek_position(0);
    m_form->on_command(u"Stop");
    EXPECT_EQ(m_form->bookmarks().list().size(), 2u);
    EXPECT_FALSE(m_form->has_bookmark(path("track1.wav")));
    select("track0.wav");
    m_form->on_command(u"PlaySingle");
    EXPECT_EQ(m_form->resume_position(path("track0.wav")), 0);
    // The stored bookmark reached the file at once.
    player::Settings saved = player::load_settings_file(test::u16(m_folder.path() / "Settings.xml"));
    ASSERT_EQ(saved.bookmarks.size(), 2u);
    EXPECT_EQ(saved.bookmarks.back().position, 9000);
    EXPECT_GE(saved.bookmarks.back().saved, now);
}

TEST_F(FormMainTest, only_the_user_moving_the_position_bar_seeks)
{
    make_music(1, 10);
    select("track0.wav");
    m_form->on_command(u"Play");
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

TEST_F(FormMainTest, odd_settings_are_taken_as_the_bars_and_tables_say_and_written_back)
{
    struct Case {
        std::string volume;
        double bar;
        std::string written;
    };
    for (const Case& c : {Case {"2.5", 1.0, "1.000000"}, Case {"abc", 0.0, "0.000000"}}) {
        std::filesystem::path file = m_folder.path() / "odd.xml";
        test::write_settings_file(file,
            "<Sound Volume=\"" + c.volume
                + "\" EqualizerOn=\"TRUE\"/><Playback ScreenOff=\"7\" Random=\"yes\" "
                  "Repeat=\"0\"/><Bookmarks><Bookmark Path=\"a.wav\" Pos=\"1\"/><Bookmark Path=\"a.wav\" "
                  "Pos=\"2\"/>"
                  "<Bookmark Path=\"b.wav\"/></Bookmarks>");
        m_form->load_settings(test::u16(file));
        EXPECT_EQ(m_form->volume(), c.bar) << c.volume;
        EXPECT_EQ(m_form->panel().levels().volume_check().is_checked(), c.bar > 0.0);
        EXPECT_TRUE(m_form->playlist().random());
        EXPECT_FALSE(m_form->playlist().repeat());
        EXPECT_TRUE(m_form->equalizer_on());
        EXPECT_EQ(m_form->screen_off(), 7);
        EXPECT_EQ(m_form->bookmarks().list().size(), 2u);
        skinner::MenuEntry menu;
        menu.id = u"Menu";
        m_form->on_menu(menu);
        auto screen_off = std::find_if(
            menu.children.begin(), menu.children.end(), [](auto& e) { return e.id == u"ScreenOff"; });
        ASSERT_NE(screen_off, menu.children.end());
        EXPECT_TRUE(std::none_of(
            screen_off->children.begin(), screen_off->children.end(), [](auto& e) { return e.checked; }));

        m_form->save_settings(test::u16(file));
        std::string text = test::read_text(file);
        EXPECT_NE(text.find("Volume=\"" + c.written + "\" EqualizerOn=\"true\""), std::string::npos) << text;
        EXPECT_NE(text.find("ScreenOff=\"7\" Random=\"true\" Repeat=\"false\""), std::string::npos) << text;
        // Duplicates stay until the next bookmark of the path replaces the last of them.
        EXPECT_NE(text.find("Pos=\"1\""), std::string::npos);
        EXPECT_NE(text.find("Pos=\"2\""), std::string::npos);
    }
}

TEST_F(FormMainTest, an_audiobook_playing_for_30_seconds_is_saved_with_its_place)
{
    std::filesystem::path file = m_folder.path() / "Settings.xml";
    m_form->load_settings(test::u16(file));
    make_music(1, 40);
    select("track0.wav");
    m_form->on_command(u"PlayAudiobook");
    // A busy machine may start the player's thread late: a book at 0 has no place to keep.
    for (int i = 0; i < 500 && m_form->chain()->get_reader().position() == 0; ++i)
        run_for(10);
    EXPECT_FALSE(std::filesystem::exists(file));
    m_screen->advance(FormMain::s_audiobook_save_ms);
    run_for(300);
    player::Settings saved = player::load_settings_file(test::u16(file));
    ASSERT_EQ(saved.bookmarks.size(), 1u) << test::read_text(file);
    EXPECT_EQ(saved.bookmarks[0].path, path("track0.wav"));
    EXPECT_GT(saved.bookmarks[0].position, 0);
}

TEST_F(FormMainTest, a_track_ends_when_the_device_has_played_it_or_two_seconds_after_a_device_that_never_does)
{
    m_form.reset();
    test::ScriptedWaveOut device;
    m_form = std::make_unique<FormMain>(nullptr, m_skin.get(), device.factory());
    make_music(2, 0.25);
    set_modes(false, false);
    select("track0.wav");
    m_form->on_command(u"Play");
    // The device holds every header: the reader is at its end long before the sound is.
    run_for(300);
    audio::FileReader& reader = m_form->chain()->get_reader();
    ASSERT_EQ(reader.position(), reader.length());
    EXPECT_EQ(playing(), path("track0.wav"));
    // Played out: the next tick moves on.
    device.complete_all();
    run_for(300);
    EXPECT_EQ(playing(), path("track1.wav"));
    // Never played out: 2 s after the reader's end (on the screen's clock), the last track ends
    // all the same.
    run_for(300);
    m_screen->advance(1000);
    m_screen->dispatch_pending();
    EXPECT_EQ(playing(), path("track1.wav"));
    m_screen->advance(FormMain::s_drain_timeout_ms);
    m_screen->dispatch_pending();
    EXPECT_FALSE(m_form->is_playing());
    m_form.reset();
}

TEST_F(FormMainTest, a_device_that_does_not_open_ends_playing_at_that_file)
{
    m_form.reset();
    test::ScriptedWaveOut device;
    device.fail_opens(100);
    m_form = std::make_unique<FormMain>(nullptr, m_skin.get(), device.factory());
    make_music(3, 5);
    set_modes(false, false);
    select("track0.wav");
    m_form->on_command(u"Play");
    run_for(800);
    EXPECT_FALSE(m_form->is_playing());
    EXPECT_EQ(m_form->playlist().current_index(), 0);
    EXPECT_LE(device.open_attempts(), 2); // the stop and the play of that start, no more
    m_form.reset();
}

} // namespace
