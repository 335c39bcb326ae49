// The MPRIS player against a private session bus (dbus-daemon, started here; skipped without it):
// what a desktop client reads and what its calls do to the main form, driven on the headless
// screen while the client runs on a thread of its own.

#include "player/form_main.h"
#include "player/mpris.h"
#include "player_run.h"

#include <csignal>
#include <future>
#include <systemd/sd-bus.h>

namespace {

using player::FormMain;
using player::Mpris;

constexpr const char* s_path = "/org/mpris/MediaPlayer2";
constexpr const char* s_player = "org.mpris.MediaPlayer2.Player";

// A value as text: strings and object paths as they are, int64 in decimal, a dictionary of variants
// as "key=value;" pairs; other types are skipped.
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

// A desktop client: calls, property reads and the signals it heard ("Seeked", "changed " and the
// properties changed).
struct Client {
    Client()
    {
        EXPECT_GE(sd_bus_open_user(&m_bus), 0);
        sd_bus_match_signal(m_bus, nullptr, nullptr, s_path, nullptr, nullptr, &Client::on_signal, this);
    }
    ~Client() { sd_bus_flush_close_unref(m_bus); }

    void call(const char* method, const char* types = "", int64_t a = 0, const char* track = nullptr)
    {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        int result = track
            ? sd_bus_call_method(m_bus, name(), s_path, s_player, method, &error, nullptr, types, track, a)
            : sd_bus_call_method(m_bus, name(), s_path, s_player, method, &error, nullptr, types, a);
        EXPECT_GE(result, 0) << method << ": " << (error.message ? error.message : "");
        sd_bus_error_free(&error);
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

class MprisTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (std::system("command -v dbus-daemon >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "no dbus-daemon";
        std::string address = "unix:path=" + (m_folder.path() / "bus").string();
        FILE* daemon
            = ::popen(("dbus-daemon --session --fork --print-pid --address=" + address).c_str(), "r");
        ASSERT_NE(daemon, nullptr);
        if (std::fscanf(daemon, "%d", &m_daemon) != 1)
            m_daemon = 0;
        ::pclose(daemon);
        ASSERT_GT(m_daemon, 0);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        test::make_main_form_surroundings(m_screen, m_skin);
        m_form = std::make_unique<FormMain>(nullptr, m_skin.get());
        for (int i = 0; i < 3; ++i)
            test::write_tone(m_music.path() / ("track" + std::to_string(i) + ".wav"), 10, uint16_t(i * 1000));
        m_form->open_folder(test::u16(m_music.path()));
        m_form->on_command(u"Random");
        m_form->on_command(u"Repeat");
    }

    void TearDown() override
    {
        m_form.reset();
        m_skin.reset();
        m_screen.reset();
        if (m_daemon > 0)
            ::kill(m_daemon, SIGTERM);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        ::unsetenv("MELODECK_AUDIO");
    }

    // Runs what the client does on a thread of its own while this thread runs the player's loop.
    template<class Action> auto client(Action action)
    {
        auto done = std::async(std::launch::async, [&] { return action(*m_client); });
        while (done.wait_for(std::chrono::milliseconds(2)) != std::future_status::ready)
            m_screen->dispatch_pending();
        return done.get();
    }

    test::TempDir m_folder;
    test::TempDir m_music;
    pid_t m_daemon = 0;
    std::unique_ptr<os::HeadlessScreen> m_screen;
    std::unique_ptr<skinner::Properties> m_skin;
    std::unique_ptr<FormMain> m_form;
    std::unique_ptr<Client> m_client;
};

TEST_F(MprisTest, a_desktop_client_sees_the_track_and_its_calls_act_on_the_form)
{
    // Without a session bus there is no MPRIS player and no complaint.
    std::string address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (m_folder.path() / "none").string()).c_str(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Mpris::connect(*m_screen, *m_form), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);

    m_form->files().select_path(m_music.file("track0.wav"));
    m_form->on_command(u"Play");
    std::unique_ptr<Mpris> mpris = Mpris::connect(*m_screen, *m_form);
    ASSERT_NE(mpris, nullptr);
    EXPECT_EQ(mpris->bus_name(), Mpris::s_bus_name);
    m_client = std::make_unique<Client>();
    auto metadata = [](Client& c) { return c.get("Metadata", "a{sv}"); };

    std::string track = client(metadata);
    EXPECT_NE(track.find("mpris:length=10000000;"), std::string::npos) << track;
    EXPECT_NE(track.find("xesam:title=track0"), std::string::npos) << track;
    EXPECT_EQ(client([](Client& c) { return c.get("Identity", "s", "org.mpris.MediaPlayer2"); }), "Melodeck");
    EXPECT_EQ(client([](Client& c) { return c.get("PlaybackStatus"); }), "Playing");

    // Paused, the device takes nothing more: the reader stays where the seeks put it.
    EXPECT_TRUE(client([](Client& c) {
        c.call("PlayPause");
        return c.heard("PlaybackStatus=Paused;");
    }));
    EXPECT_TRUE(m_form->is_paused());
    int64_t before = client([](Client& c) { return c.position(); });
    EXPECT_TRUE(client([](Client& c) {
        c.call("Seek", "x", 1500000);
        return c.heard("Seeked");
    }));
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
    EXPECT_TRUE(client([](Client& c) {
        c.call("Stop");
        return c.heard("PlaybackStatus=Stopped;");
    }));
    EXPECT_FALSE(m_form->is_playing());
    EXPECT_NE(
        client(metadata).find("mpris:trackid=/org/mpris/MediaPlayer2/TrackList/NoTrack;"), std::string::npos);
    EXPECT_TRUE(client([](Client& c) {
        c.call("Play");
        return c.heard("PlaybackStatus=Playing;");
    }));
    EXPECT_EQ(m_form->playlist().current_path(), m_music.file("track2.wav"));
}

} // namespace
