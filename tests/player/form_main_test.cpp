// The main form with a sound device that holds every buffer until the test hands it back (so the reader
// rests unless the form moves it), and the MPRIS player on a private session bus.

#include "player_run.h"

#include "audio/scripted_wave_out.h"

#include "os/keys.h"
#include "os/platform.h"
#include "player/form_main.h"
#include "player/mpris.h"
#include "player/resume_rewind.h"
#include "player/settings.h"
#include "player/sleep_timer.h"
#include "skinner/control_frame.h"
#include "skinner/device_capability.h"
#include "skinner/form_impl.h"
#include "skinner/key_codes.h"
#include "skinner/menu_entry.h"

#include <cmath>
#include <csignal>
#include <future>
#include <systemd/sd-bus.h>
#include <thread>

namespace {

using player::FormMain;
using player::Mpris;
using player::SleepMode;

TEST(ResumeRewind, the_rest_decides_how_far_back_at_each_boundary)
{
    for (auto [rest, back] : {std::pair {-5.0, 0}, {0, 0}, {9.9, 0}, {10, 1}, {60, 1}, {60.1, 2}, {3600, 2},
             {3600.5, 10}, {86400, 10}, {86401, 30}, {1e9, 30}, {NAN, 0}})
        EXPECT_EQ(player::rewind_seconds(rest), back) << "rest " << rest;
    // (saved, now, the rest): unknown, or saved after now, is an hour.
    for (auto [saved, now, rest] : {std::tuple {-1, 1000, 3600}, {2000, 1000, 3600}, {1000, 1005, 5}})
        EXPECT_EQ(player::rest_since_saved(saved, now), rest) << saved;
}

constexpr const char* s_path = "/org/mpris/MediaPlayer2";
constexpr const char* s_player = "org.mpris.MediaPlayer2.Player";

// A value as text (a dictionary of variants as "key=value;" pairs); types not read here give "".
std::string read_contents(sd_bus_message* message, const std::string& type)
{
    const char* text = nullptr;
    int64_t value = 0;
    if (type == "s" || type == "o")
        return sd_bus_message_read_basic(message, type[0], &text) > 0 ? text : "";
    if (type == "x")
        return sd_bus_message_read_basic(message, 'x', &value) > 0 ? std::to_string(value) : "";
    if (type != "a{sv}") {
        sd_bus_message_skip(message, type.c_str());
        return "";
    }
    std::string dict;
    sd_bus_message_enter_container(message, 'a', "{sv}");
    while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
        const char* contents = nullptr;
        sd_bus_message_read(message, "s", &text);
        dict += std::string(text) + "=";
        sd_bus_message_peek_type(message, nullptr, &contents);
        sd_bus_message_enter_container(message, 'v', contents);
        dict += read_contents(message, contents ? contents : "") + ";";
        sd_bus_message_exit_container(message);
        sd_bus_message_exit_container(message);
    }
    sd_bus_message_exit_container(message);
    return dict;
}

// The private session bus's daemon, stopped at the end.
struct Bus {
    ~Bus()
    {
        if (daemon > 0)
            ::kill(daemon, SIGTERM);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    pid_t daemon = 0;
};

// A desktop client: calls, property reads and the signals it heard ("Seeked", "changed a=b;...").
struct Client {
    Client()
    {
        EXPECT_GE(sd_bus_open_user(&m_bus), 0);
        sd_bus_match_signal(m_bus, nullptr, nullptr, s_path, nullptr, nullptr, &Client::on_signal, this);
    }
    ~Client() { sd_bus_flush_close_unref(m_bus); }

    Client& call(const char* method, const char* types = "", int64_t a = 0, const char* track = nullptr)
    {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        int result = track
            ? sd_bus_call_method(m_bus, name(), s_path, s_player, method, &error, nullptr, types, track, a)
            : sd_bus_call_method(m_bus, name(), s_path, s_player, method, &error, nullptr, types, a);
        EXPECT_GE(result, 0) << method << ": " << (error.message ? error.message : "");
        sd_bus_error_free(&error);
        return *this;
    }
    std::string get(const char* property, const char* type = "s", const char* interface = s_player)
    {
        sd_bus_message* reply = nullptr;
        std::string text = "?";
        if (sd_bus_get_property(m_bus, name(), s_path, interface, property, nullptr, &reply, type) >= 0)
            text = read_contents(reply, type);
        sd_bus_message_unref(reply);
        return text;
    }
    int64_t position() { return std::stoll(get("Position", "x")); }
    // Waits (at most 2 s) until a signal with this text was heard; true when it was, taking it.
    bool heard(const std::string& signal)
    {
        for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
             std::chrono::steady_clock::now() < end;) {
            for (auto it = m_heard.begin(); it != m_heard.end(); ++it) {
                if (it->find(signal) != std::string::npos) {
                    m_heard.erase(m_heard.begin(), it + 1);
                    return true;
                }
            }
            if (sd_bus_process(m_bus, nullptr) == 0)
                sd_bus_wait(m_bus, 100000);
        }
        return false;
    }
    static const char* name() { return Mpris::s_bus_name.data(); }
    static int on_signal(sd_bus_message* message, void* userdata, sd_bus_error*)
    {
        auto& heard = static_cast<Client*>(userdata)->m_heard;
        if (sd_bus_message_is_signal(message, s_player, "Seeked")) {
            heard.push_back("Seeked");
        } else if (sd_bus_message_is_signal(
                       message, "org.freedesktop.DBus.Properties", "PropertiesChanged")) {
            const char* interface = nullptr;
            sd_bus_message_read(message, "s", &interface);
            heard.push_back("changed " + read_contents(message, "a{sv}"));
        }
        return 0;
    }

    sd_bus* m_bus = nullptr;
    std::vector<std::string> m_heard;
};

class FormMainTest : public testing::Test {
protected:
    // The null sound backend and the default skin in English on a 480x640 Pocket PC.
    void SetUp() override
    {
        ::setenv("MELODECK_AUDIO", "null", 1);
        os::set_platform_kind(os::PlatformKind::pocket_pc);
        skinner::forget_static_capabilities();
        m_screen = std::make_unique<os::HeadlessScreen>(os::Size {480, 640});
        m_skin = std::make_unique<skinner::Properties>(test::default_skin_path(), skinner::Size {480, 640});
        m_skin->set_language(liba::from_utf8(std::string(MELODECK_APP_DIR) + "/English.lng"));
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
    audio::FileReader& reader() { return m_form->chain()->get_reader(); }
    int32_t position() { return reader().position(); }
    void pause_at(int32_t place)
    {
        m_form->on_command(u"Pause");
        run_for(100);
        reader().seek_position(place);
    }
    std::u16string settings_path() const { return m_folder.file("Settings.xml"); }
    player::Settings saved() const { return player::load_settings_file(settings_path()); }
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

TEST_F(FormMainTest, an_audiobook_resumes_back_by_its_rest_never_before_the_start_and_stopping_replaces_it)
{
    // Rests: none for track0, two days for track1, and an hour for track2 (saved at a time not kept).
    int64_t now = player::utc_seconds();
    std::string bookmarks;
    for (auto [name, place, saved] : {std::tuple {"track0.wav", 5000, now},
             {"track1.wav", 320000, now - 2 * 86400}, {"track2.wav", 320000, int64_t(-1)}})
        bookmarks += "<Bookmark Path=\"" + m_music.native(name).string() + "\" Pos=\"" + std::to_string(place)
            + (saved < 0 ? "" : "\" Saved=\"" + std::to_string(saved)) + "\"/>";
    test::write_settings(m_folder.path() / "Settings.xml",
        "<Bookmarks>" + bookmarks + "<Bookmark Path=\"elsewhere.wav\" Pos=\"77\"/></Bookmarks>");
    m_form->load_settings(settings_path());
    make_music(4, 40);
    // An hour: 2 s back.
    play("track2.wav", u"PlayAudiobook");
    EXPECT_EQ(heard_after(0), (320000 - 32000) % 131072);
    m_form->on_command(u"Stop");
    // Two days: 30 s back, from 20 s in to the start. (The stop is let through to the device first, so
    // that nothing of the first book follows the mark.)
    for (int waited = 0; !m_form->player().is_drained() && waited < 2000; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    size_t mark = m_device.played().size();
    play("track1.wav", u"PlayAudiobook");
    EXPECT_EQ(heard_after(mark), 0);
    m_form->on_command(u"Stop");
    play("track0.wav", u"PlayAudiobook");
    EXPECT_EQ(m_form->resume_position(path("track0.wav")), 5000);
    EXPECT_GE(position(), 5000);
    pause_at(9000);
    m_form->on_command(u"Stop");
    const std::vector<player::Bookmark>& list = m_form->bookmarks().list();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_TRUE(list.back().path == path("track0.wav") && list.back().position == 9000);
    // Stopping at the start stores nothing; outside audiobook mode nothing resumes.
    play("track3.wav", u"PlayAudiobook");
    pause_at(0);
    m_form->on_command(u"Stop");
    EXPECT_EQ((std::tuple {m_form->bookmarks().list().size(), m_form->has_bookmark(path("track3.wav"))}),
        (std::tuple {4u, false}));
    play("track0.wav", u"PlaySingle");
    EXPECT_EQ(m_form->resume_position(path("track0.wav")), 0);
    // The stored bookmark reached the file at once, the one of a file elsewhere kept as it was.
    ASSERT_EQ(saved().bookmarks.size(), 4u);
    EXPECT_EQ(saved().bookmarks.back().position, 9000);
    EXPECT_GE(saved().bookmarks.back().saved, now);
    std::string text = test::read_text(m_folder.path() / "Settings.xml");
    EXPECT_NE(text.find("Path=\"elsewhere.wav\" Pos=\"77\" />"), std::string::npos) << text;
}

TEST_F(FormMainTest, a_track_ends_when_the_device_has_played_it_or_two_seconds_after_and_a_sleep_stops_there)
{
    make_music(2, 0.25);
    m_form->on_command(u"Repeat");
    play("track0.wav", u"Play");
    run_for(300);
    ASSERT_EQ(position(), reader().length());
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
    // A sleep at the end of the track stops there, also after a track change, instead of going on.
    play("track0.wav", u"Play");
    m_form->on_command(u"Sleep_end_of_track");
    EXPECT_EQ(status(), "Sleep 1 / 2");
    m_form->on_command(u"Next");
    m_form->on_command(u"Prev");
    reader().seek_position(reader().length());
    advance(FormMain::s_drain_timeout_ms + 400);
    EXPECT_EQ(
        (std::tuple {m_form->is_playing(), m_form->playlist().current_path(), m_form->sleep_timer().mode()}),
        (std::tuple {false, path("track0.wav"), SleepMode::off}));
}

TEST_F(FormMainTest, an_audiobook_is_saved_every_30_s_and_a_sleep_timer_fades_pauses_and_keeps_the_place)
{
    make_music(2, 40);
    m_form->panel().levels().volume().set_value(0.8);
    play("track0.wav", u"PlayAudiobook");
    // A busy machine may start the player's thread late: a book at 0 has no place to keep. The thread
    // then fills the device, which keeps every buffer: the reader rests.
    for (int i = 0; i < 500 && position() == 0; ++i)
        run_for(10);
    EXPECT_FALSE(std::filesystem::exists(m_folder.path() / "Settings.xml"));
    m_screen->advance(FormMain::s_audiobook_save_ms);
    run_for(300);
    ASSERT_EQ(saved().bookmarks.size(), 1u);
    EXPECT_TRUE(saved().bookmarks[0].path == path("track0.wav") && saved().bookmarks[0].position > 0);

    m_form->on_command(u"Sleep_15min");
    EXPECT_EQ(status(), "Sleep 15 (repeat) 1 / 2");
    // The sleep menu after the equalizer's shows the mode chosen.
    std::vector<skinner::MenuEntry> entries = menu();
    auto sleep = std::find_if(entries.begin(), entries.end(), [](auto& e) { return e.id == u"Sleep"; });
    ASSERT_TRUE(
        sleep != entries.end() && std::prev(sleep)->id == u"Equalizer" && sleep->children.size() == 5u);
    EXPECT_TRUE(sleep->children[1].checked && !sleep->children[0].checked);

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
    EXPECT_EQ((std::tuple {m_form->is_paused(), m_form->player().get_volume(), m_form->volume(),
                  m_form->sleep_timer().mode(), status()}),
        (std::tuple {true, 0.8, 0.8, SleepMode::off, "Playing (repeat) 1 / 2"}));
    ASSERT_EQ(saved().bookmarks.size(), 1u);
    EXPECT_EQ((std::tuple {saved().bookmarks[0].position, saved().volume}), (std::tuple {place, 0.8}));

    // Resumed two minutes later: 2 s back, through the reader's time.
    reader().seek_position(320000);
    advance(120000);
    m_form->on_command(u"Resume");
    EXPECT_EQ(position(), 320000 - 32000);
    // Stopped two minutes into a pause: the bookmark dates from the pause, for the next start.
    m_form->on_command(u"Pause");
    advance(120000);
    m_form->on_command(u"Stop");
    EXPECT_LE(m_form->bookmarks().saved_time(path("track0.wav")), player::utc_seconds() - 119);
}

TEST_F(FormMainTest, the_menu_volume_keys_position_bar_and_a_desktop_client_on_the_bus_reach_the_player)
{
    make_music(3, 10);
    EXPECT_EQ(menu().at(0).id, u"RefreshList");
    play("track0.wav", u"Play");
    EXPECT_EQ(menu().at(0).id, u"Stop");
    // The box of the level panel shows whether any volume is left.
    player::PanelLevels& levels = m_form->panel().levels();
    levels.volume().set_value(0.02);
    levels.on_key_down(skinner::KeyLeft);
    EXPECT_EQ((std::tuple {m_form->player().get_volume(), levels.volume_check().is_checked()}),
        (std::tuple {0.0, false}));
    levels.on_key_down(skinner::KeyRight);
    EXPECT_GT(m_form->player().get_volume(), 0.0);
    EXPECT_TRUE(levels.volume_check().is_checked());
    // Only the user moving the position bar seeks: at a place where length x (place / length)
    // truncates below it, a refresh that seeks shows.
    int32_t length = reader().length(), place = 2;
    while (place < length && int32_t(double(length) * (double(place) / double(length))) >= place)
        place += 2;
    ASSERT_LT(place, length);
    pause_at(place);
    for (int i = 0; i < 3; ++i)
        m_form->refresh_status();
    EXPECT_EQ(reader().position(), place);
    // The step button is the user's: it seeks to the truncated product.
    double value = m_form->panel().position().position().value();
    m_form->panel().position().step_right().press();
    EXPECT_NEAR(reader().position(), int32_t(double(length) * std::min(1.0, value + 0.05)), 1);
    m_form->on_command(u"Resume");
    if (std::system("command -v dbus-daemon >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no dbus-daemon";
    // Without a session bus there is no MPRIS player and no complaint.
    Bus bus;
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (m_folder.path() / "none").string()).c_str(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Mpris::connect(*m_screen, *m_form), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // On a private bus, a desktop client calls from a thread of its own while this one runs the loop.
    std::string address = "unix:path=" + (m_folder.path() / "bus").string();
    FILE* daemon = ::popen(("dbus-daemon --session --fork --print-pid --address=" + address).c_str(), "r");
    ASSERT_NE(daemon, nullptr);
    EXPECT_EQ(std::fscanf(daemon, "%d", &bus.daemon), 1);
    ::pclose(daemon);
    ASSERT_GT(bus.daemon, 0);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    std::unique_ptr<Mpris> mpris = Mpris::connect(*m_screen, *m_form);
    ASSERT_NE(mpris, nullptr);
    Client on_bus;
    auto client = [&](auto action) {
        auto done = std::async(std::launch::async, [&] { return action(on_bus); });
        while (done.wait_for(std::chrono::milliseconds(2)) != std::future_status::ready)
            m_screen->dispatch_pending();
        return done.get();
    };
    auto metadata = [](Client& c) { return c.get("Metadata", "a{sv}"); };

    std::string track = client(metadata);
    EXPECT_NE(track.find("mpris:length=10000000;"), std::string::npos) << track;
    EXPECT_NE(track.find("xesam:title=track0"), std::string::npos) << track;
    EXPECT_EQ(client([](Client& c) { return c.get("Identity", "s", "org.mpris.MediaPlayer2"); }), "Melodeck");

    // Paused, the device takes nothing more: the reader stays where the seeks put it.
    EXPECT_TRUE(client([](Client& c) { return c.call("PlayPause").heard("PlaybackStatus=Paused;"); }));
    EXPECT_TRUE(m_form->is_paused());
    int64_t before = client([](Client& c) { return c.position(); });
    EXPECT_TRUE(client([](Client& c) { return c.call("Seek", "x", 1500000).heard("Seeked"); }));
    EXPECT_NEAR(double(client([](Client& c) { return c.position(); })), double(before + 1500000), 1000.0);
    size_t id_at = track.find("mpris:trackid=") + 14;
    std::string id = track.substr(id_at, track.find(';', id_at) - id_at);
    EXPECT_EQ(client([&](Client& c) {
        c.call("SetPosition", "ox", 500000, "/org/melodeck/track/7");
        c.call("SetPosition", "ox", -1, id.c_str());
        c.call("SetPosition", "ox", 500000, id.c_str());
        return c.position();
    }),
        500000);

    // Next, and a seek past the end, each go one track on; Stop ends playback and Play starts it.
    client([](Client& c) { c.call("Next"); });
    EXPECT_EQ(m_form->playlist().current_index(), 1);
    EXPECT_NE(client(metadata).find("xesam:title=track1"), std::string::npos);
    client([](Client& c) { c.call("Seek", "x", 60000000); });
    EXPECT_EQ(m_form->playlist().current_index(), 2);
    EXPECT_TRUE(client([](Client& c) { return c.call("Stop").heard("PlaybackStatus=Stopped;"); }));
    EXPECT_FALSE(m_form->is_playing());
    EXPECT_NE(
        client(metadata).find("mpris:trackid=/org/mpris/MediaPlayer2/TrackList/NoTrack;"), std::string::npos);
    EXPECT_TRUE(client([](Client& c) { return c.call("Play").heard("PlaybackStatus=Playing;"); }));
    EXPECT_EQ(m_form->playlist().current_path(), path("track2.wav"));
}

} // namespace
