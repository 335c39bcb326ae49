// Game controllers as keys: SDL's virtual joystick stands in for a handheld's gamepad.

#include "on_screen.h"

#include "os/keys.h"
#include "os/screen/gamepad.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace os;

namespace {

// A gamepad with every button and axis SDL's game controllers name, mapped one to one.
class VirtualPad {
public:
    VirtualPad() { plug_in(); }
    ~VirtualPad() { unplug(); }

    void plug_in()
    {
        SDL_VirtualJoystickDesc desc {};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        m_index = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(m_index, 0) << SDL_GetError();
        m_joystick = SDL_JoystickOpen(m_index);
        ASSERT_NE(m_joystick, nullptr) << SDL_GetError();
    }
    void unplug()
    {
        if (!m_joystick)
            return;
        SDL_JoystickClose(m_joystick);
        SDL_JoystickDetachVirtual(m_index);
        m_joystick = nullptr;
    }
    void button(SDL_GameControllerButton button, bool down)
    {
        SDL_JoystickSetVirtualButton(m_joystick, button, down ? 1 : 0);
    }
    void axis(SDL_GameControllerAxis axis, int16_t value)
    {
        SDL_JoystickSetVirtualAxis(m_joystick, axis, value);
    }

private:
    int m_index = -1;
    SDL_Joystick* m_joystick = nullptr;
};

class GamepadKeys : public test::OnScreen {
protected:
    // SDL maps a joystick axis of -32768..32767 to a trigger of 0..32767.
    static constexpr int16_t s_trigger_rest = -32768;

    // The keys that reached the window since last asked: "+" down, "*" repeat, "-" up, then the key.
    std::vector<std::string> keys()
    {
        screen.dispatch_pending();
        std::vector<std::string> found;
        for (const test::Recorded& entry : window.recorder.log) {
            if (entry.id != WM_KEYDOWN && entry.id != WM_KEYUP)
                continue;
            bool repeat = entry.id == WM_KEYDOWN && (entry.lparam & (intptr_t(1) << 30));
            std::string sign = entry.id == WM_KEYUP ? "-" : repeat ? "*" : "+";
            found.push_back(sign + std::to_string(entry.wparam));
        }
        window.recorder.log.clear();
        return found;
    }
    static std::string down(uint32_t key) { return "+" + std::to_string(key); }
    static std::string up(uint32_t key) { return "-" + std::to_string(key); }
    static std::string again(uint32_t key) { return "*" + std::to_string(key); }
    static std::vector<std::string> none() { return {}; }

    test::TestWindow window {screen, {{0, 26}, {240, 268}}};
    VirtualPad pad;

    void SetUp() override
    {
        // The controller's arrival; its triggers rest at the bottom of the joystick's range.
        pad.axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, s_trigger_rest);
        pad.axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, s_trigger_rest);
        screen.dispatch_pending();
        window.recorder.log.clear();
    }
};

TEST_F(GamepadKeys, each_button_and_axis_gives_its_key)
{
    struct Row {
        const char* name;
        int control; // a button, or an axis when axis_value is not 0
        int16_t axis_value;
        uint32_t key;
    };
    const Row rows[] = {
        {"A", SDL_CONTROLLER_BUTTON_A, 0, VK_RETURN},
        {"B", SDL_CONTROLLER_BUTTON_B, 0, VK_ESCAPE},
        {"X", SDL_CONTROLLER_BUTTON_X, 0, VK_MEDIA_PLAY_PAUSE},
        {"Y", SDL_CONTROLLER_BUTTON_Y, 0, VK_APPS},
        {"right shoulder", SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 0, VK_MEDIA_NEXT_TRACK},
        {"d-pad down", SDL_CONTROLLER_BUTTON_DPAD_DOWN, 0, VK_DOWN},
        {"d-pad left", SDL_CONTROLLER_BUTTON_DPAD_LEFT, 0, VK_LEFT},
        {"d-pad right", SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0, VK_RIGHT},
        {"left shoulder", SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 0, VK_MEDIA_PREV_TRACK},
        {"d-pad up", SDL_CONTROLLER_BUTTON_DPAD_UP, 0, VK_UP},
        {"stick left", SDL_CONTROLLER_AXIS_LEFTX, -32768, VK_LEFT},
        {"stick down", SDL_CONTROLLER_AXIS_LEFTY, 20000, VK_DOWN},
        {"right trigger", SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767, VK_VOLUME_UP},
        // Start and Select act on release.
        {"start", SDL_CONTROLLER_BUTTON_START, 0, VK_F2},
        {"select", SDL_CONTROLLER_BUTTON_BACK, 0, VK_F1},
    };
    for (const Row& row : rows) {
        bool trigger = row.control == SDL_CONTROLLER_AXIS_TRIGGERRIGHT;
        auto press = [&](bool down) {
            if (row.axis_value == 0)
                pad.button(SDL_GameControllerButton(row.control), down);
            else
                pad.axis(SDL_GameControllerAxis(row.control),
                    down          ? row.axis_value
                        : trigger ? s_trigger_rest
                                  : 0);
        };
        press(true);
        std::vector<std::string> seen = keys();
        press(false);
        for (const std::string& key : keys())
            seen.push_back(key);
        EXPECT_EQ(seen, (std::vector<std::string> {down(row.key), up(row.key)})) << row.name;
    }
    // Nothing for the guide button, a stick inside its dead zone, or the right stick.
    pad.button(SDL_CONTROLLER_BUTTON_GUIDE, true);
    pad.axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, -16000); // 8384 of the trigger's range
    pad.axis(SDL_CONTROLLER_AXIS_RIGHTY, 32767);
    EXPECT_EQ(keys(), none());
}

TEST_F(GamepadKeys, start_and_select_together_never_act)
{
    using Step = std::pair<SDL_GameControllerButton, bool>;
    constexpr auto start = SDL_CONTROLLER_BUTTON_START;
    constexpr auto select = SDL_CONTROLLER_BUTTON_BACK;
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::string> keys;
    };
    const Case cases[] = {
        {"released in the order pressed", {{start, true}, {select, true}, {start, false}, {select, false}},
            {}},
        {"a lone start afterwards", {{start, true}, {start, false}}, {down(VK_F2), up(VK_F2)}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> seen;
        for (const Step& step : c.steps) {
            pad.button(step.first, step.second);
            for (const std::string& key : keys())
                seen.push_back(key);
        }
        EXPECT_EQ(seen, c.keys) << c.name;
    }
}

TEST_F(GamepadKeys, a_held_direction_repeats_and_counts_once_however_many_hold_it)
{
    pad.axis(SDL_CONTROLLER_AXIS_LEFTY, 32767);
    EXPECT_EQ(keys(), std::vector<std::string> {down(VK_DOWN)});
    screen.advance(Gamepads::s_repeat_delay_ms - 1);
    EXPECT_EQ(keys(), none());
    screen.advance(1);
    EXPECT_EQ(keys(), std::vector<std::string> {again(VK_DOWN)});
    // A late loop gets one repeat, not a burst.
    screen.advance(5 * Gamepads::s_repeat_interval_ms);
    EXPECT_EQ(keys(), std::vector<std::string> {again(VK_DOWN)});

    // The d-pad joins in and the stick eases back between the thresholds: still one held key.
    pad.button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
    pad.axis(SDL_CONTROLLER_AXIS_LEFTY, Gamepads::s_release_threshold + 1000);
    EXPECT_EQ(keys(), none());
    pad.axis(SDL_CONTROLLER_AXIS_LEFTY, 0);
    EXPECT_EQ(keys(), none());
    pad.button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, false);
    EXPECT_EQ(keys(), std::vector<std::string> {up(VK_DOWN)});
    screen.advance(10 * Gamepads::s_repeat_delay_ms);
    EXPECT_EQ(keys(), none());
}

TEST_F(GamepadKeys, a_controller_unplugged_lets_go_of_its_keys_and_one_plugged_in_works)
{
    pad.button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    pad.button(SDL_CONTROLLER_BUTTON_START, true);
    EXPECT_EQ(keys(), std::vector<std::string> {down(VK_UP)});
    // Start is let go of as the controller goes, but it was not pressed and released.
    pad.unplug();
    EXPECT_EQ(keys(), std::vector<std::string> {up(VK_UP)});

    pad.plug_in();
    screen.dispatch_pending();
    screen.set_power(false);
    pad.button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(keys(), std::vector<std::string> {down(VK_RETURN)});
    // A button wakes the display as a key does.
    EXPECT_TRUE(screen.power());
}

} // namespace
