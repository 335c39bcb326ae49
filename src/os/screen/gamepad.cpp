#include "os/screen/gamepad.h"

#include "liba/text.h"
#include "os/descriptor_watch.h"
#include "os/keys.h"
#include "os/log.h"
#include "os/screen.h"
#include "os/screen/sdl_library.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <string>
#include <string_view>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace os {

namespace {

constexpr const char* s_input_folder = "/dev/input";

struct SourceKey {
    uint32_t virtual_key;
    bool repeats;
};

// Indexed by Gamepads::Source.
constexpr SourceKey s_source_keys[] = {
    {VK_UP, true},
    {VK_DOWN, true},
    {VK_LEFT, true},
    {VK_RIGHT, true},
    {VK_UP, true},
    {VK_DOWN, true},
    {VK_LEFT, true},
    {VK_RIGHT, true},
    {VK_RETURN, false},
    {VK_ESCAPE, false},
    {VK_MEDIA_PLAY_PAUSE, false},
    {VK_APPS, false},
    {VK_MEDIA_PREV_TRACK, false},
    {VK_MEDIA_NEXT_TRACK, false},
    {VK_VOLUME_DOWN, true},
    {VK_VOLUME_UP, true},
};

// SDL_GAMECONTROLLERCONFIG holds mappings, which SDL reads itself; it may also name a file of
// them, which SDL does not.
void add_mappings_from_named_file()
{
    const char* value = std::getenv("SDL_GAMECONTROLLERCONFIG");
    if (!value || !*value || std::strchr(value, ',') || access(value, R_OK) != 0)
        return;
    if (sdl().SDL_GameControllerAddMappingsFromRW(sdl().SDL_RWFromFile(value, "rb"), 1) < 0)
        log() << u"Gamepad mappings not read from {" << liba::from_utf8(value) << u"}: "
              << liba::from_utf8(sdl().SDL_GetError()) << u"\n";
}

// The subsystem stays open for the rest of the process once opened: opening it scans the input
// devices, which every screen made after the first would pay again.
bool open_sdl_subsystem(Gamepads::Signals signals)
{
    static bool s_open = [signals] {
        const char* why = nullptr;
        if (!load_sdl(&why)) {
            log() << u"No gamepads: " << liba::from_utf8(why) << u"\n";
            return false;
        }
        if (signals == Gamepads::Signals::default_handling)
            sdl().SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (sdl().SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
            log() << u"No gamepads: " << liba::from_utf8(sdl().SDL_GetError()) << u"\n";
            return false;
        }
        add_mappings_from_named_file();
        return true;
    }();
    return s_open;
}

bool has_bit(const unsigned long* bits, unsigned bit)
{
    constexpr unsigned per_word = 8 * sizeof(unsigned long);
    return (bits[bit / per_word] >> (bit % per_word)) & 1;
}

bool has_bit_in(const unsigned long* bits, unsigned first, unsigned last)
{
    for (unsigned bit = first; bit <= last; ++bit) {
        if (has_bit(bits, bit))
            return true;
    }
    return false;
}

// An event device with joystick or gamepad buttons, or the axes only joysticks and wheels have.
// Devices this user cannot open are passed over: SDL could not open them either.
bool joystick_event_device(const std::string& path)
{
    int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    unsigned long keys[KEY_MAX / (8 * sizeof(unsigned long)) + 1] {};
    unsigned long axes[ABS_MAX / (8 * sizeof(unsigned long)) + 1] {};
    bool read = ::ioctl(descriptor, EVIOCGBIT(EV_KEY, sizeof keys), keys) >= 0
        && ::ioctl(descriptor, EVIOCGBIT(EV_ABS, sizeof axes), axes) >= 0;
    ::close(descriptor);
    return read
        && (has_bit_in(keys, BTN_JOYSTICK, BTN_THUMBR)
            || has_bit_in(keys, BTN_TRIGGER_HAPPY, BTN_TRIGGER_HAPPY40)
            || has_bit_in(axes, ABS_THROTTLE, ABS_BRAKE));
}

// Whether a controller may be plugged in: a legacy joystick node, or an event device that looks
// like one. Permissive on purpose: a wrong guess only opens the subsystem, which then decides.
bool input_devices_have_joystick()
{
    DIR* folder = ::opendir(s_input_folder);
    if (!folder)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(folder)) {
        std::string_view name = entry->d_name;
        found = name.starts_with("js")
            || (name.starts_with("event")
                && joystick_event_device(std::string(s_input_folder) + "/" + entry->d_name));
        if (found)
            break;
    }
    ::closedir(folder);
    return found;
}

} // namespace

Gamepads::Gamepads(Screen& screen, Signals signals)
    : m_screen(&screen)
    , m_signals(signals)
{
    // Open already for an earlier screen, or joysticks the program made itself (SDL's virtual
    // ones), count as plugged in; neither can be when SDL is not even loaded.
    const SdlLibrary* present = sdl_if_present();
    if ((present && (present->SDL_WasInit(SDL_INIT_GAMECONTROLLER) || present->SDL_NumJoysticks() > 0))
        || input_devices_have_joystick()) {
        open_subsystem();
        return;
    }
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0
        || ::inotify_add_watch(m_inotify, s_input_folder, IN_CREATE | IN_ATTRIB | IN_MOVED_TO) < 0) {
        // No input folder at all (a container) has nothing to plug in.
        if (errno != ENOENT)
            log() << u"Gamepads plugged in later go unseen: /dev/input not watched {" << errno << u"}\n";
        return;
    }
    m_watch
        = std::make_unique<DescriptorWatch>(screen, m_inotify, [this] { return on_input_devices_changed(); });
}

bool Gamepads::open_subsystem()
{
    m_subsystem = open_sdl_subsystem(m_signals);
    if (m_subsystem) {
        for (int32_t index = 0; index < sdl().SDL_NumJoysticks(); ++index)
            open(index);
    }
    return m_subsystem;
}

bool Gamepads::on_input_devices_changed()
{
    // Drained before looking, so that a change made while looking wakes the watch again.
    alignas(inotify_event) char events[4096];
    while (::read(m_inotify, events, sizeof events) > 0) { }
    if (m_subsystem)
        return false;
    // Once open, SDL follows the devices itself: the watch stops.
    return !input_devices_have_joystick() || !open_subsystem();
}

Gamepads::~Gamepads()
{
    m_watch.reset();
    if (m_inotify >= 0)
        ::close(m_inotify);
    for (Controller& controller : m_controllers)
        sdl().SDL_GameControllerClose(controller.handle);
}

void Gamepads::poll()
{
    if (!m_subsystem) {
        const SdlLibrary* loaded = sdl_if_loaded();
        if (!loaded || loaded->SDL_NumJoysticks() <= 0 || !open_subsystem())
            return;
    }
    SDL_Event event;
    while (sdl().SDL_PollEvent(&event))
        handle(event);
}

void Gamepads::handle(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
        open(event.cdevice.which);
        return;
    case SDL_CONTROLLERDEVICEREMOVED:
        close(event.cdevice.which);
        return;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        if (Controller* controller = find(event.cbutton.which))
            on_button(*controller, event.cbutton.button, event.type == SDL_CONTROLLERBUTTONDOWN);
        return;
    case SDL_CONTROLLERAXISMOTION:
        if (Controller* controller = find(event.caxis.which))
            on_axis(*controller, event.caxis.axis, event.caxis.value);
        return;
    default:
        return;
    }
}

void Gamepads::open(int32_t device_index)
{
    if (!sdl().SDL_IsGameController(device_index)) {
        const char* name = sdl().SDL_JoystickNameForIndex(device_index);
        log() << u"Joystick {" << liba::from_utf8(name ? name : "")
              << u"} has no game-controller mapping (SDL_GAMECONTROLLERCONFIG adds one)\n";
        return;
    }
    SDL_JoystickID instance = sdl().SDL_JoystickGetDeviceInstanceID(device_index);
    // Controllers plugged in before the subsystem opened come both ways: listed and as an event.
    if (instance < 0 || find(instance))
        return;
    SDL_GameController* handle = sdl().SDL_GameControllerOpen(device_index);
    if (!handle) {
        log() << u"Gamepad not opened: " << liba::from_utf8(sdl().SDL_GetError()) << u"\n";
        return;
    }
    const char* name = sdl().SDL_GameControllerName(handle);
    log() << u"Gamepad {" << liba::from_utf8(name ? name : "") << u"} plugged in\n";
    Controller controller;
    controller.instance = instance;
    controller.handle = handle;
    m_controllers.push_back(controller);
}

void Gamepads::close(int32_t instance)
{
    Controller* controller = find(instance);
    if (!controller)
        return;
    for (uint8_t source = 0; source < source_count; ++source)
        set_source(*controller, Source(source), false);
    sdl().SDL_GameControllerClose(controller->handle);
    std::erase_if(m_controllers, [instance](const Controller& c) { return c.instance == instance; });
    log() << u"Gamepad unplugged\n";
}

Gamepads::Controller* Gamepads::find(int32_t instance)
{
    auto it = std::find_if(m_controllers.begin(), m_controllers.end(),
        [instance](const Controller& controller) { return controller.instance == instance; });
    return it == m_controllers.end() ? nullptr : &*it;
}

void Gamepads::on_button(Controller& controller, uint8_t button, bool down)
{
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        return set_source(controller, dpad_up, down);
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        return set_source(controller, dpad_down, down);
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        return set_source(controller, dpad_left, down);
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        return set_source(controller, dpad_right, down);
    case SDL_CONTROLLER_BUTTON_A:
        return set_source(controller, button_a, down);
    case SDL_CONTROLLER_BUTTON_B:
        return set_source(controller, button_b, down);
    case SDL_CONTROLLER_BUTTON_X:
        return set_source(controller, button_x, down);
    case SDL_CONTROLLER_BUTTON_Y:
        return set_source(controller, button_y, down);
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
        return set_source(controller, shoulder_left, down);
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
        return set_source(controller, shoulder_right, down);
    case SDL_CONTROLLER_BUTTON_START:
        return on_soft_key_button(controller, true, down);
    case SDL_CONTROLLER_BUTTON_BACK:
        return on_soft_key_button(controller, false, down);
    default:
        // Guide and the rest belong to the system or have no use here.
        return;
    }
}

void Gamepads::on_axis(Controller& controller, uint8_t axis, int32_t value)
{
    // Past the press threshold to start, below the release threshold to stop.
    auto beyond = [&](Source source, int32_t signed_value) {
        return signed_value > (controller.active[source] ? s_release_threshold : s_press_threshold);
    };
    switch (axis) {
    case SDL_CONTROLLER_AXIS_LEFTX:
        set_source(controller, stick_left, beyond(stick_left, -value));
        set_source(controller, stick_right, beyond(stick_right, value));
        return;
    case SDL_CONTROLLER_AXIS_LEFTY: // down is positive
        set_source(controller, stick_up, beyond(stick_up, -value));
        set_source(controller, stick_down, beyond(stick_down, value));
        return;
    case SDL_CONTROLLER_AXIS_TRIGGERLEFT:
        set_source(controller, trigger_left, beyond(trigger_left, value));
        return;
    case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
        set_source(controller, trigger_right, beyond(trigger_right, value));
        return;
    default:
        return;
    }
}

void Gamepads::on_soft_key_button(Controller& controller, bool start, bool down)
{
    bool& own = start ? controller.start_down : controller.select_down;
    bool& own_spoilt = start ? controller.start_spoilt : controller.select_spoilt;
    bool other = start ? controller.select_down : controller.start_down;
    if (down == own)
        return;
    own = down;
    if (down) {
        if (other) {
            controller.start_spoilt = true;
            controller.select_spoilt = true;
        }
        return;
    }
    bool spoilt = own_spoilt;
    own_spoilt = false;
    // A controller pulled out lets go of its buttons before it is gone: not a press to act on.
    if (spoilt || !sdl().SDL_GameControllerGetAttached(controller.handle))
        return;
    uint32_t key = start ? VK_F2 : VK_F1;
    m_screen->input_key(key, true);
    m_screen->input_key(key, false);
}

void Gamepads::set_source(Controller& controller, Source source, bool on)
{
    if (controller.active[source] == on)
        return;
    controller.active[source] = on;
    const SourceKey& key = s_source_keys[source];
    if (on)
        press(key.virtual_key, key.repeats);
    else
        release(key.virtual_key);
}

void Gamepads::press(uint32_t virtual_key, bool repeats)
{
    if (++m_held[virtual_key] > 1)
        return;
    m_screen->input_key(virtual_key, true);
    // The key pressed last repeats, as on a keyboard.
    if (repeats)
        m_repeat = Repeat {virtual_key, m_screen->now() + s_repeat_delay_ms};
    else
        m_repeat.reset();
}

void Gamepads::release(uint32_t virtual_key)
{
    auto held = m_held.find(virtual_key);
    if (held == m_held.end())
        return;
    if (--held->second > 0)
        return;
    m_held.erase(held);
    if (m_repeat && m_repeat->virtual_key == virtual_key)
        m_repeat.reset();
    m_screen->input_key(virtual_key, false);
}

void Gamepads::repeat(int64_t now_ms)
{
    if (!m_repeat || now_ms < m_repeat->due)
        return;
    m_screen->input_key(m_repeat->virtual_key, true, true);
    // One repeat however late the loop came back: a stalled loop must not fire a burst.
    m_repeat->due = now_ms + s_repeat_interval_ms;
}

int64_t Gamepads::next_deadline() const
{
    return m_repeat ? m_repeat->due : -1;
}

} // namespace os
