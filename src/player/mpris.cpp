#include "player/mpris.h"

#include "liba/text.h"
#include "os/descriptor_watch.h"
#include "os/log.h"
#include "os/screen.h"
#include "player/form_main.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace player {

namespace {

constexpr const char* s_root_interface = "org.mpris.MediaPlayer2";
constexpr const char* s_player_interface = "org.mpris.MediaPlayer2.Player";
constexpr const char* s_no_track = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

// libsystemd's bus functions, loaded when a session bus is there (most of the player's runs on a
// handheld have none, and the library with the five it loads costs a millisecond and over a
// megabyte of the resident memory at every start).
#define MELODECK_BUS_FUNCTIONS(X)                                                                            \
    X(sd_bus_add_object_vtable)                                                                              \
    X(sd_bus_emit_properties_changed)                                                                        \
    X(sd_bus_emit_signal)                                                                                    \
    X(sd_bus_error_set_const)                                                                                \
    X(sd_bus_flush)                                                                                          \
    X(sd_bus_flush_close_unref)                                                                              \
    X(sd_bus_get_fd)                                                                                         \
    X(sd_bus_is_open)                                                                                        \
    X(sd_bus_message_append)                                                                                 \
    X(sd_bus_message_close_container)                                                                        \
    X(sd_bus_message_open_container)                                                                         \
    X(sd_bus_message_read)                                                                                   \
    X(sd_bus_open_user)                                                                                      \
    X(sd_bus_process)                                                                                        \
    X(sd_bus_reply_method_return)                                                                            \
    X(sd_bus_request_name)                                                                                   \
    X(sd_bus_slot_unref)

// The vtables' start entries point at the library's vtable format, as its header's macro does; the
// value is copied from the library when it is loaded.
unsigned s_vtable_format = 0;
#define MELODECK_BUS_VTABLE_START                                                                            \
    {                                                                                                        \
        .type = _SD_BUS_VTABLE_START, .flags = 0,                                                            \
        .x = {.start = {.element_size = sizeof(sd_bus_vtable),                                               \
                  .features = _SD_BUS_VTABLE_PARAM_NAMES,                                                    \
                  .vtable_format_reference = &s_vtable_format}},                                             \
    }

struct BusLibrary {
#define MELODECK_BUS_POINTER(name) decltype(&::name) name = nullptr;
    MELODECK_BUS_FUNCTIONS(MELODECK_BUS_POINTER)
#undef MELODECK_BUS_POINTER
};

// Loaded once for the process; null (logged) when the library or one of its functions is missing.
const BusLibrary* load_bus_library()
{
    static const BusLibrary* s_library = []() -> const BusLibrary* {
        void* handle = ::dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            os::log() << u"No bus library {" << liba::from_utf8(::dlerror()) << u"}: no MPRIS player\n";
            return nullptr;
        }
        static BusLibrary library;
        bool complete = true;
#define MELODECK_BUS_LOAD(name)                                                                              \
    library.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));                              \
    complete = complete && library.name;
        MELODECK_BUS_FUNCTIONS(MELODECK_BUS_LOAD)
#undef MELODECK_BUS_LOAD
        const auto* format = static_cast<const unsigned*>(::dlsym(handle, "sd_bus_object_vtable_format"));
        if (format)
            s_vtable_format = *format;
        if (!complete || !format) {
            os::log() << u"The bus library lacks functions: no MPRIS player\n";
            return nullptr;
        }
        return &library;
    }();
    return s_library;
}

// Used only once connect() has loaded it.
const BusLibrary& bus_library()
{
    return *load_bus_library();
}

// Whether a session bus may be there, as sd_bus_open_user() looks for it: an address in the
// environment, or the bus socket in the runtime folder.
bool session_bus_named()
{
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime && ::access((std::string(runtime) + "/bus").c_str(), F_OK) == 0;
}

Mpris& of(void* userdata)
{
    return *static_cast<Mpris*>(userdata);
}

std::u16string error_text(int error)
{
    return liba::from_utf8(std::strerror(-error));
}

// A method without arguments or results.
template<auto act> int method(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    act(of(userdata));
    return bus_library().sd_bus_reply_method_return(message, "");
}

void play_pause(Mpris& mpris)
{
    if (mpris.form().is_playing())
        mpris.form().toggle_pause();
    else
        mpris.play();
}

int seek(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    int64_t offset = 0;
    int result = bus_library().sd_bus_message_read(message, "x", &offset);
    if (result < 0)
        return result;
    Mpris& mpris = of(userdata);
    if (mpris.form().is_playing()) {
        int64_t position = mpris.position_us();
        // Far jumps either way end at the start or past the end, never wrap.
        int64_t target = offset < -position ? 0
            : offset > mpris.length_us()    ? mpris.length_us()
                                            : position + offset;
        mpris.seek_to_us(target);
    }
    return bus_library().sd_bus_reply_method_return(message, "");
}

int set_position(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    const char* track = nullptr;
    int64_t position = 0;
    int result = bus_library().sd_bus_message_read(message, "ox", &track, &position);
    if (result < 0)
        return result;
    Mpris& mpris = of(userdata);
    // A position meant for another track, or outside this one, is ignored.
    if (mpris.form().is_playing() && mpris.track_id() == track && position >= 0
        && position <= mpris.length_us())
        mpris.seek_to_us(position);
    return bus_library().sd_bus_reply_method_return(message, "");
}

int open_uri(sd_bus_message*, void*, sd_bus_error* error)
{
    return bus_library().sd_bus_error_set_const(
        error, "org.freedesktop.DBus.Error.NotSupported", "Melodeck opens files from its browser");
}

int append(sd_bus_message* reply, bool value)
{
    return bus_library().sd_bus_message_append(reply, "b", int(value));
}

int append(sd_bus_message* reply, double value)
{
    return bus_library().sd_bus_message_append(reply, "d", value);
}

int append(sd_bus_message* reply, int64_t value)
{
    return bus_library().sd_bus_message_append(reply, "x", value);
}

int append(sd_bus_message* reply, const std::string& value)
{
    return bus_library().sd_bus_message_append(reply, "s", value.c_str());
}

// A property read from the player.
template<auto read>
int get(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata, sd_bus_error*)
{
    return append(reply, read(of(userdata)));
}

constexpr auto s_true = [](Mpris&) { return true; };
constexpr auto s_rate = [](Mpris&) { return 1.0; };
constexpr auto s_playing = [](Mpris& mpris) { return mpris.form().is_playing(); };

int get_mime_types(
    sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*)
{
    return bus_library().sd_bus_message_append(
        reply, "as", 5, "audio/mpeg", "audio/x-wav", "audio/ogg", "audio/x-vorbis+ogg", "audio/x-musepack");
}

int get_no_schemes(
    sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*)
{
    return bus_library().sd_bus_message_append(reply, "as", 0);
}

int set_volume(
    sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void* userdata, sd_bus_error*)
{
    double volume = 0.0;
    int result = bus_library().sd_bus_message_read(value, "d", &volume);
    if (result < 0)
        return result;
    // The bar clamps it and the player follows, as when the user moves it.
    of(userdata).form().panel().levels().volume().set_value(volume);
    return 0;
}

int get_metadata(
    sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata, sd_bus_error*)
{
    Mpris& mpris = of(userdata);
    int result = bus_library().sd_bus_message_open_container(reply, 'a', "{sv}");
    if (result >= 0)
        result = bus_library().sd_bus_message_append(
            reply, "{sv}", "mpris:trackid", "o", mpris.track_id().c_str());
    if (result >= 0 && mpris.form().is_playing()) {
        std::string title = liba::to_utf8(mpris.form().chain()->get_title());
        result = bus_library().sd_bus_message_append(
            reply, "{sv}{sv}", "xesam:title", "s", title.c_str(), "mpris:length", "x", mpris.length_us());
    }
    if (result >= 0)
        result = bus_library().sd_bus_message_close_container(reply);
    return result;
}

constexpr uint64_t s_emits = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;
constexpr uint64_t s_const = SD_BUS_VTABLE_PROPERTY_CONST;
constexpr uint64_t s_anyone = SD_BUS_VTABLE_UNPRIVILEGED;

const sd_bus_vtable s_root_vtable[] = {
    MELODECK_BUS_VTABLE_START,
    SD_BUS_METHOD("Raise", "", "", method<[](Mpris& mpris) { mpris.form().bring_to_front(); }>, s_anyone),
    SD_BUS_METHOD("Quit", "", "", method<[](Mpris& mpris) { mpris.form().on_command(u"Exit"); }>, s_anyone),
    SD_BUS_PROPERTY("CanQuit", "b", get<s_true>, 0, s_const),
    SD_BUS_PROPERTY("CanRaise", "b", get<s_true>, 0, s_const),
    SD_BUS_PROPERTY("HasTrackList", "b", get<[](Mpris&) { return false; }>, 0, s_const),
    SD_BUS_PROPERTY("Identity", "s", get<[](Mpris&) { return std::string("Melodeck"); }>, 0, s_const),
    SD_BUS_PROPERTY("DesktopEntry", "s", get<[](Mpris&) { return std::string("melodeck"); }>, 0, s_const),
    SD_BUS_PROPERTY("SupportedUriSchemes", "as", get_no_schemes, 0, s_const),
    SD_BUS_PROPERTY("SupportedMimeTypes", "as", get_mime_types, 0, s_const),
    SD_BUS_VTABLE_END,
};

// Next, Previous, Pause and Stop do nothing while nothing plays, as their keys and menu items.
const sd_bus_vtable s_player_vtable[] = {
    MELODECK_BUS_VTABLE_START,
    SD_BUS_METHOD(
        "Next", "", "", method<[](Mpris& mpris) { mpris.command_while_playing(u"Next"); }>, s_anyone),
    SD_BUS_METHOD(
        "Previous", "", "", method<[](Mpris& mpris) { mpris.command_while_playing(u"Prev"); }>, s_anyone),
    SD_BUS_METHOD("Pause", "", "", method<[](Mpris& mpris) { mpris.pause(); }>, s_anyone),
    SD_BUS_METHOD("PlayPause", "", "", method<play_pause>, s_anyone),
    SD_BUS_METHOD(
        "Stop", "", "", method<[](Mpris& mpris) { mpris.command_while_playing(u"Stop"); }>, s_anyone),
    SD_BUS_METHOD("Play", "", "", method<[](Mpris& mpris) { mpris.play(); }>, s_anyone),
    SD_BUS_METHOD("Seek", "x", "", seek, s_anyone),
    SD_BUS_METHOD("SetPosition", "ox", "", set_position, s_anyone),
    SD_BUS_METHOD("OpenUri", "s", "", open_uri, s_anyone),
    SD_BUS_SIGNAL("Seeked", "x", 0),
    SD_BUS_PROPERTY(
        "PlaybackStatus", "s", get<[](Mpris& mpris) { return mpris.playback_status(); }>, 0, s_emits),
    SD_BUS_PROPERTY("Rate", "d", get<s_rate>, 0, s_const),
    SD_BUS_PROPERTY("Metadata", "a{sv}", get_metadata, 0, s_emits),
    SD_BUS_WRITABLE_PROPERTY(
        "Volume", "d", get<[](Mpris& mpris) { return mpris.form().volume(); }>, set_volume, 0, 0),
    SD_BUS_PROPERTY("Position", "x", get<[](Mpris& mpris) { return mpris.position_us(); }>, 0, 0),
    SD_BUS_PROPERTY("MinimumRate", "d", get<s_rate>, 0, s_const),
    SD_BUS_PROPERTY("MaximumRate", "d", get<s_rate>, 0, s_const),
    SD_BUS_PROPERTY("CanGoNext", "b", get<s_playing>, 0, s_emits),
    SD_BUS_PROPERTY("CanGoPrevious", "b", get<s_playing>, 0, s_emits),
    SD_BUS_PROPERTY("CanPlay", "b", get<s_true>, 0, s_const),
    SD_BUS_PROPERTY("CanPause", "b", get<s_playing>, 0, s_emits),
    SD_BUS_PROPERTY("CanSeek", "b", get<s_playing>, 0, s_emits),
    SD_BUS_PROPERTY("CanControl", "b", get<s_true>, 0, s_const),
    SD_BUS_VTABLE_END,
};

} // namespace

std::unique_ptr<Mpris> Mpris::connect(os::Screen& screen, FormMain& form)
{
    if (!session_bus_named()) {
        os::log() << u"No session bus: no MPRIS player\n";
        return nullptr;
    }
    if (!load_bus_library())
        return nullptr;
    sd_bus* bus = nullptr;
    int result = bus_library().sd_bus_open_user(&bus);
    if (result < 0) {
        os::log() << u"No session bus {" << error_text(result) << u"}: no MPRIS player\n";
        return nullptr;
    }
    std::unique_ptr<Mpris> mpris(new Mpris(screen, form, bus));
    if (!mpris->add_objects() || !mpris->take_name() || !mpris->process())
        return nullptr;
    Mpris* self = mpris.get();
    mpris->m_watch = std::make_unique<os::DescriptorWatch>(
        screen, bus_library().sd_bus_get_fd(bus), [self] { return self->process(); });
    form.set_playback_listener([self](FormMain::PlaybackEvent event) {
        if (event == FormMain::PlaybackEvent::seeked)
            self->emit_seeked();
        else
            self->changed_soon();
    });
    mpris->m_told = mpris->playback_status() + '\n' + mpris->track_id();
    return mpris;
}

Mpris::Mpris(os::Screen& screen, FormMain& form, sd_bus* bus)
    : m_screen(screen)
    , m_form(form)
    , m_bus(bus)
    , m_self(std::make_shared<Mpris*>(this))
{
}

Mpris::~Mpris()
{
    m_form.set_playback_listener(nullptr);
    m_watch.reset();
    bus_library().sd_bus_slot_unref(m_player_slot);
    bus_library().sd_bus_slot_unref(m_root_slot);
    bus_library().sd_bus_flush_close_unref(m_bus);
}

bool Mpris::add_objects()
{
    const char* path = s_object_path.data();
    int result = bus_library().sd_bus_add_object_vtable(
        m_bus, &m_root_slot, path, s_root_interface, s_root_vtable, this);
    if (result >= 0)
        result = bus_library().sd_bus_add_object_vtable(
            m_bus, &m_player_slot, path, s_player_interface, s_player_vtable, this);
    if (result < 0)
        os::log() << u"MPRIS objects refused {" << error_text(result) << u"}\n";
    return result >= 0;
}

bool Mpris::take_name()
{
    std::string name(s_bus_name);
    int result = bus_library().sd_bus_request_name(m_bus, name.c_str(), 0);
    if (result == -EEXIST) {
        // Another player of ours on the same bus (another user's session shares none).
        name += ".instance" + std::to_string(::getpid());
        result = bus_library().sd_bus_request_name(m_bus, name.c_str(), 0);
    }
    if (result < 0) {
        os::log() << u"MPRIS bus name {" << liba::from_utf8(name) << u"} refused {" << error_text(result)
                  << u"}\n";
        return false;
    }
    m_bus_name = name;
    return true;
}

bool Mpris::process()
{
    for (;;) {
        int result = bus_library().sd_bus_process(m_bus, nullptr);
        if (result < 0) {
            os::log() << u"Session bus lost {" << error_text(result) << u"}: no MPRIS player\n";
            return false;
        }
        if (result == 0)
            break;
    }
    bus_library().sd_bus_flush(m_bus);
    return bus_library().sd_bus_is_open(m_bus) > 0;
}

std::string Mpris::playback_status() const
{
    if (!m_form.is_playing())
        return "Stopped";
    return m_form.is_paused() ? "Paused" : "Playing";
}

std::string Mpris::track_id() const
{
    if (!m_form.is_playing())
        return s_no_track;
    return "/org/melodeck/track/" + std::to_string(m_form.playlist().current_index());
}

int64_t Mpris::position_us() const
{
    audio::PlayChain* chain = m_form.chain();
    return chain ? int64_t(chain->get_reader().time() * 1e6) : 0;
}

int64_t Mpris::length_us() const
{
    audio::PlayChain* chain = m_form.chain();
    return chain ? int64_t(chain->get_reader().duration() * 1e6) : 0;
}

void Mpris::play()
{
    if (!m_form.is_playing())
        m_form.on_command(u"Play");
    else if (m_form.is_paused())
        m_form.toggle_pause();
}

void Mpris::pause()
{
    if (m_form.is_playing() && !m_form.is_paused())
        m_form.toggle_pause();
}

void Mpris::command_while_playing(std::u16string_view command)
{
    if (m_form.is_playing())
        m_form.on_command(command);
}

void Mpris::seek_to_us(int64_t position)
{
    if (position >= length_us()) {
        m_form.on_command(u"Next");
        return;
    }
    audio::FileReader& reader = m_form.chain()->get_reader();
    m_form.seek_position(reader.time_to_position(double(position) / 1e6));
}

void Mpris::changed_soon()
{
    if (m_change_pending)
        return;
    m_change_pending = true;
    std::weak_ptr<Mpris*> self = m_self;
    m_screen.post_callback([self] {
        if (std::shared_ptr<Mpris*> alive = self.lock())
            (*alive)->emit_changed();
    });
}

void Mpris::emit_changed()
{
    m_change_pending = false;
    std::string now = playback_status() + '\n' + track_id();
    if (m_form.is_playing())
        now += '\n' + liba::to_utf8(m_form.chain()->get_title());
    if (now == m_told)
        return;
    m_told = now;
    bus_library().sd_bus_emit_properties_changed(m_bus, s_object_path.data(), s_player_interface,
        "PlaybackStatus", "Metadata", "CanGoNext", "CanGoPrevious", "CanPause", "CanSeek", nullptr);
    bus_library().sd_bus_flush(m_bus);
}

void Mpris::emit_seeked()
{
    bus_library().sd_bus_emit_signal(
        m_bus, s_object_path.data(), s_player_interface, "Seeked", "x", position_us());
    bus_library().sd_bus_flush(m_bus);
}

} // namespace player
