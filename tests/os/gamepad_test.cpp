// Game controllers as keys: SDL's virtual joystick stands in for a handheld's gamepad.

#include "on_screen.h"

#include "os/keys.h"
#include "os/screen/gamepad.h"

#include <SDL2/SDL.h>

using namespace os;
using Keys = std::vector<std::string>;

namespace {

// SDL maps a joystick axis of -32768..32767 to a trigger of 0..32767.
constexpr int16_t s_trigger_rest = -32768;
constexpr auto s_start = SDL_CONTROLLER_BUTTON_START;
constexpr auto s_select = SDL_CONTROLLER_BUTTON_BACK;

// A window over a virtual gamepad with every button and axis SDL's game controllers name.
class GamepadKeys : public test::OnScreen {
protected:
    static std::string down(uint32_t key) { return "+" + std::to_string(key); }
    static std::string up(uint32_t key) { return "-" + std::to_string(key); }
    static std::string again(uint32_t key) { return "*" + std::to_string(key); }

    void SetUp() override { plug_in(); }
    void TearDown() override { unplug(); }

    void plug_in()
    {
        SDL_VirtualJoystickDesc desc {};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        m_index = SDL_JoystickAttachVirtualEx(&desc);
        m_joystick = SDL_JoystickOpen(m_index);
        ASSERT_NE(m_joystick, nullptr) << SDL_GetError();
        // The controller's arrival; its triggers rest at the bottom of the joystick's range.
        axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, s_trigger_rest);
        axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, s_trigger_rest);
        keys();
    }
    void unplug()
    {
        SDL_JoystickClose(std::exchange(m_joystick, nullptr));
        SDL_JoystickDetachVirtual(m_index);
    }
    void button(int button, bool on) { SDL_JoystickSetVirtualButton(m_joystick, button, on ? 1 : 0); }
    void axis(int axis, int16_t value) { SDL_JoystickSetVirtualAxis(m_joystick, axis, value); }

    // The keys that reached the window since last asked, after the clock ran on by ms: "+" down,
    // "*" repeat, "-" up, then the key.
    Keys keys(int64_t ms = 0)
    {
        pass(ms);
        Keys found;
        for (const test::Recorded& e : window.recorder.log)
            if (e.id == WM_KEYUP || e.id == WM_KEYDOWN) // bit 30: the key was down already
                found.push_back(
                    "+*-"[e.id == WM_KEYUP ? 2 : (e.lparam >> 30) & 1] + std::to_string(e.wparam));
        window.recorder.log.clear();
        return found;
    }

    test::TestWindow window {screen, {{0, 26}, {240, 268}}};

private:
    int m_index = -1;
    SDL_Joystick* m_joystick = nullptr;
};

} // namespace

TEST_F(GamepadKeys, each_button_and_axis_gives_its_key_and_start_with_select_never_acts)
{
    // A button, or an axis when the value is not 0 (and its resting value), and the key.
    const std::tuple<int, int16_t, int16_t, uint32_t> rows[] = {{SDL_CONTROLLER_BUTTON_A, 0, 0, VK_RETURN},
        {SDL_CONTROLLER_BUTTON_B, 0, 0, VK_ESCAPE}, {SDL_CONTROLLER_BUTTON_X, 0, 0, VK_MEDIA_PLAY_PAUSE},
        {SDL_CONTROLLER_BUTTON_Y, 0, 0, VK_APPS},
        {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 0, 0, VK_MEDIA_NEXT_TRACK},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 0, 0, VK_MEDIA_PREV_TRACK},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, 0, 0, VK_UP}, {SDL_CONTROLLER_BUTTON_DPAD_DOWN, 0, 0, VK_DOWN},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, 0, 0, VK_LEFT}, {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0, 0, VK_RIGHT},
        {SDL_CONTROLLER_AXIS_LEFTX, -32768, 0, VK_LEFT}, {SDL_CONTROLLER_AXIS_LEFTY, 20000, 0, VK_DOWN},
        {SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767, s_trigger_rest, VK_VOLUME_UP},
        {s_start, 0, 0, VK_F2}, // start and select act on release
        {s_select, 0, 0, VK_F1}};
    for (auto [control, value, rest, key] : rows) {
        value ? axis(control, value) : button(control, true);
        screen.dispatch_pending();
        value ? axis(control, rest) : button(control, false);
        EXPECT_EQ(keys(), (Keys {down(key), up(key)})) << control;
    }
    // Nothing for the guide button, a trigger inside its dead zone (8384 of its range), the right stick.
    button(SDL_CONTROLLER_BUTTON_GUIDE, true);
    axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, -16000);
    axis(SDL_CONTROLLER_AXIS_RIGHTY, 32767);
    EXPECT_EQ(keys(), Keys {});
    // Start and select released in the order pressed: neither acts; a lone start afterwards does.
    for (auto [which, pressed] : {std::pair {s_start, true}, {s_select, true}, {s_start, false},
             {s_select, false}, {s_start, true}, {s_start, false}}) {
        button(which, pressed);
        screen.dispatch_pending();
    }
    EXPECT_EQ(keys(), (Keys {down(VK_F2), up(VK_F2)}));
}

TEST_F(GamepadKeys, a_held_direction_repeats_and_counts_once_however_many_hold_it)
{
    axis(SDL_CONTROLLER_AXIS_LEFTY, 32767);
    EXPECT_EQ(keys(), Keys {down(VK_DOWN)});
    EXPECT_EQ(keys(Gamepads::s_repeat_delay_ms - 1), Keys {});
    EXPECT_EQ(keys(1), Keys {again(VK_DOWN)});
    // A late loop gets one repeat, not a burst.
    EXPECT_EQ(keys(5 * Gamepads::s_repeat_interval_ms), Keys {again(VK_DOWN)});
    // The d-pad joins in and the stick eases back between the thresholds: still one held key.
    button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
    axis(SDL_CONTROLLER_AXIS_LEFTY, Gamepads::s_release_threshold + 1000);
    EXPECT_EQ(keys(), Keys {});
    axis(SDL_CONTROLLER_AXIS_LEFTY, 0);
    EXPECT_EQ(keys(), Keys {});
    button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, false);
    EXPECT_EQ(keys(), Keys {up(VK_DOWN)});
    EXPECT_EQ(keys(10 * Gamepads::s_repeat_delay_ms), Keys {});

    // A controller unplugged lets go of its keys; start goes too, but was not pressed and released.
    button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    button(s_start, true);
    EXPECT_EQ(keys(), Keys {down(VK_UP)});
    unplug();
    EXPECT_EQ(keys(), Keys {up(VK_UP)});
    plug_in();
    screen.set_power(false);
    button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(keys(), Keys {down(VK_RETURN)});
    EXPECT_TRUE(screen.power()) << "a button wakes the display as a key does";
}
