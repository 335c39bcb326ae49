#include "on_screen.h"
#include "os/keys.h"

#include <gtest/gtest.h>
#include <thread>

using namespace os;
using test::PlatformScope;
using test::Recorded;
using test::TestWindow;

namespace {

std::vector<uint32_t> pointer_ids(const test::WindowRecorder& recorder)
{
    std::vector<uint32_t> result;
    for (const Recorded& r : recorder.log) {
        if (r.id >= WM_MOUSEMOVE && r.id <= WM_LBUTTONDBLCLK)
            result.push_back(r.id);
    }
    return result;
}

Point point_of(const Recorded& r)
{
    return {lparam_low(r.lparam), lparam_high(r.lparam)};
}

// A window that takes the capture on a stylus down and asks the screen about a hold, as a form's
// window procedure does; it records what it decided.
struct HoldWindow {
    HoldWindow(HeadlessScreen& screen, Rect rect)
        : screen(screen)
        , window(screen, recorder)
    {
        window.move(rect);
        window.show(ShowMode::show);
        recorder.react = [this](Window& w, const WindowMessage& m) {
            if (m.id == WM_LBUTTONDOWN) {
                w.set_capture();
                held.push_back(this->screen.recognise_hold(m));
            } else if (m.id == WM_LBUTTONUP) {
                w.release_capture();
            }
            return 0;
        };
    }

    HeadlessScreen& screen;
    std::vector<bool> held;
    test::WindowRecorder recorder;
    Window window;
};

} // namespace

using ScreenInput = test::OnScreen;
using ScreenHold = test::OnScreen;
using ScreenKeys = test::OnScreen;
using ScreenBar = test::OnScreen;

TEST_F(ScreenInput, a_tap_arrives_in_client_coordinates)
{
    TestWindow a(screen, {{10, 40}, {200, 200}});
    settle(a);
    screen.tap({15, 47});
    screen.dispatch_pending();
    ASSERT_EQ(pointer_ids(a.recorder), (std::vector<uint32_t> {WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_EQ(point_of(a.recorder.only(WM_LBUTTONDOWN)[0]), (Point {5, 7}));
    EXPECT_EQ(a.recorder.only(WM_LBUTTONDOWN)[0].wparam & MK_LBUTTON, MK_LBUTTON);
    EXPECT_EQ(a.recorder.only(WM_LBUTTONUP)[0].wparam & MK_LBUTTON, 0u);
}

TEST_F(ScreenInput, the_pointer_goes_to_the_topmost_visible_window_and_activates_it)
{
    TestWindow below(screen, {{0, 30}, {240, 200}});
    TestWindow above(screen, {{100, 30}, {140, 200}});
    settle(below);
    screen.tap({50, 60});
    screen.dispatch_pending();
    EXPECT_EQ(pointer_ids(below.recorder), (std::vector<uint32_t> {WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_EQ(screen.active_window(), &below.window);
    EXPECT_EQ(screen.windows().back(), &below.window);
    ASSERT_EQ(below.recorder.only(WM_ACTIVATE).size(), 1u);
    EXPECT_EQ(below.recorder.only(WM_ACTIVATE)[0].wparam, WA_CLICKACTIVE);
    // Activation comes before the button.
    EXPECT_EQ(below.recorder.ids().front(), WM_ACTIVATE);
}

TEST_F(ScreenInput, a_disabled_window_swallows_the_stylus_and_hides_those_below)
{
    TestWindow below(screen, {{0, 30}, {240, 200}});
    TestWindow above(screen, {{0, 30}, {100, 100}});
    settle(below, above);
    above.window.enable(false);
    screen.tap({50, 60});
    screen.move_to({60, 60});
    screen.dispatch_pending();
    EXPECT_TRUE(pointer_ids(above.recorder).empty());
    EXPECT_TRUE(pointer_ids(below.recorder).empty());
    screen.tap({150, 60});
    screen.dispatch_pending();
    EXPECT_EQ(pointer_ids(below.recorder).size(), 2u);
}

TEST_F(ScreenInput, the_capture_takes_every_pointer_message)
{
    TestWindow left(screen, {{0, 30}, {100, 100}});
    TestWindow right(screen, {{120, 30}, {100, 100}});
    screen.dispatch_pending();
    left.window.set_capture();
    left.recorder.log.clear();
    screen.press({150, 50});
    screen.move_to({160, 300});
    screen.release({239, 319});
    screen.dispatch_pending();
    EXPECT_TRUE(pointer_ids(right.recorder).empty());
    ASSERT_EQ(
        pointer_ids(left.recorder), (std::vector<uint32_t> {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));
    EXPECT_EQ(point_of(left.recorder.only(WM_MOUSEMOVE)[0]), (Point {160, 270}));
    EXPECT_EQ(left.recorder.only(WM_MOUSEMOVE)[0].wparam & MK_LBUTTON, MK_LBUTTON);
    // The window holding the capture is not activated by the press.
    EXPECT_EQ(screen.active_window(), &right.window);
}

TEST_F(ScreenInput, losing_the_capture_is_announced_every_way)
{
    TestWindow a(screen, {{0, 30}, {100, 100}});
    TestWindow b(screen, {{120, 30}, {100, 100}});
    auto changes = [&](const TestWindow& w) { return w.recorder.only(WM_CAPTURECHANGED); };

    a.window.set_capture();
    b.window.set_capture();
    ASSERT_EQ(changes(a).size(), 1u);
    EXPECT_EQ(WindowId(changes(a)[0].lparam), b.window.id());
    EXPECT_TRUE(b.window.has_capture());

    b.window.release_capture();
    ASSERT_EQ(changes(b).size(), 1u);
    EXPECT_EQ(changes(b)[0].lparam, 0);
    b.window.release_capture(); // not held: nothing
    EXPECT_EQ(changes(b).size(), 1u);

    a.window.set_capture();
    a.window.show(ShowMode::hide);
    EXPECT_EQ(changes(a).size(), 2u);
    EXPECT_EQ(screen.capture_window(), nullptr);

    b.window.set_capture();
    b.window.enable(false);
    EXPECT_EQ(changes(b).size(), 2u);
    b.window.set_capture(); // a disabled window cannot take it
    EXPECT_EQ(screen.capture_window(), nullptr);
}

TEST_F(ScreenInput, capture_changed_lets_a_window_finish_its_buttons)
{
    // The pattern of a form: buttons that are still down get their up when the capture goes.
    TestWindow a(screen, {{0, 30}, {100, 100}});
    TestWindow b(screen, {{120, 30}, {100, 100}});
    bool down = false;
    std::vector<std::string> buttons;
    a.recorder.react = [&](Window& w, const WindowMessage& m) {
        if (m.id == WM_LBUTTONDOWN) {
            down = true;
            w.set_capture();
            buttons.push_back("down");
        } else if (m.id == WM_CAPTURECHANGED && down) {
            down = false;
            buttons.push_back("up on capture changed");
        }
        return 0;
    };
    screen.press({10, 40});
    screen.dispatch_pending();
    EXPECT_TRUE(a.window.has_capture());
    // Another window grabs the capture (a popup): a finishes its press.
    b.window.set_capture();
    EXPECT_EQ(buttons, (std::vector<std::string> {"down", "up on capture changed"}));
}

TEST_F(ScreenInput, only_a_quick_second_tap_nearby_is_a_double_tap)
{
    TestWindow a(screen, {{0, 30}, {240, 200}});
    settle(a);
    screen.tap({50, 60});
    screen.advance(s_double_tap_ms);
    screen.tap({50 + s_double_tap_slop, 60 - s_double_tap_slop});
    screen.tap({50, 60}); // a third tap starts over
    screen.advance(s_double_tap_ms + 1);
    screen.tap({50, 60}); // too late
    screen.tap({50 + s_double_tap_slop + 1, 60}); // too far
    screen.dispatch_pending();
    EXPECT_EQ(pointer_ids(a.recorder),
        (std::vector<uint32_t> {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_LBUTTONDOWN,
            WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST_F(ScreenHold, held_for_half_a_second_is_a_hold)
{
    HoldWindow w(screen, {{0, 30}, {240, 200}});
    screen.hold({50, 60});
    screen.dispatch_pending();
    EXPECT_EQ(w.held, (std::vector<bool> {true}));
}

TEST_F(ScreenHold, released_a_moment_early_is_a_tap)
{
    HoldWindow w(screen, {{0, 30}, {240, 200}});
    screen.press({50, 60});
    screen.advance(s_hold_ms - 1);
    screen.release({50, 60});
    screen.dispatch_pending();
    EXPECT_EQ(w.held, (std::vector<bool> {false}));
    // The release is still delivered.
    EXPECT_EQ(w.recorder.count(WM_LBUTTONUP), 1u);
}

TEST_F(ScreenHold, a_move_beyond_the_slop_cancels_and_a_small_one_does_not)
{
    HoldWindow w(screen, {{0, 30}, {240, 200}});
    screen.press({50, 60});
    screen.advance(100);
    screen.move_to({50 + s_hold_slop, 60 - s_hold_slop});
    screen.advance(s_hold_ms);
    screen.release({50, 60});
    screen.dispatch_pending();

    screen.press({50, 60});
    screen.advance(100);
    screen.move_to({50, 60 + s_hold_slop + 1});
    screen.advance(s_hold_ms);
    screen.release({50, 60});
    screen.dispatch_pending();
    EXPECT_EQ(w.held, (std::vector<bool> {true, false}));
}

TEST_F(ScreenHold, a_key_pressed_meanwhile_does_not_cancel_it)
{
    HoldWindow w(screen, {{0, 30}, {240, 200}});
    screen.press({50, 60});
    screen.advance(100);
    screen.key(VK_DOWN);
    screen.advance(s_hold_ms);
    screen.release({50, 60});
    screen.dispatch_pending();
    EXPECT_EQ(w.held, (std::vector<bool> {true}));
}

TEST_F(ScreenHold, what_other_threads_post_while_it_waits_is_taken_in_on_arrival)
{
    HoldWindow w(screen, {{0, 30}, {240, 200}});
    int idles = 0;
    screen.set_idle_handler([&] {
        if (++idles == 1) // as a sound notice comes
            std::thread([&] { w.window.post(WM_USER); }).join();
        screen.advance(100);
        return idles < 20;
    });
    screen.press({50, 60});
    screen.dispatch_pending();
    EXPECT_EQ(w.held, (std::vector<bool> {true}));
    ASSERT_EQ(w.recorder.count(WM_USER), 1u);
    EXPECT_EQ(w.recorder.only(WM_USER)[0].time, 100) << "stamped when it arrived, not after the hold";
}

TEST_F(ScreenHold, a_move_after_the_deadline_does_not_matter)
{
    HoldWindow w(screen, {{0, 30}, {240, 200}});
    screen.press({50, 60});
    screen.advance(s_hold_ms);
    screen.move_to({150, 160});
    screen.release({150, 160});
    screen.dispatch_pending();
    EXPECT_EQ(w.held, (std::vector<bool> {true}));
}

TEST_F(ScreenHold, the_recogniser_waits_for_the_clock)
{
    // Only the press is known when the window asks; the idle handler moves the clock on.
    HoldWindow w(screen, {{0, 30}, {240, 200}});
    int idles = 0;
    screen.set_idle_handler([&] {
        ++idles;
        screen.advance(100);
        return idles < 20;
    });
    screen.press({50, 60});
    WindowMessage message;
    while (w.held.empty() && screen.get_message(message))
        screen.dispatch(message);
    EXPECT_EQ(w.held, (std::vector<bool> {true}));
    EXPECT_EQ(idles, 5);
    EXPECT_GE(screen.now(), s_hold_ms);
}

TEST_F(ScreenHold, a_script_that_ends_while_waiting_is_no_hold)
{
    HoldWindow w(screen, {{0, 30}, {240, 200}});
    screen.press({50, 60});
    screen.run_until([] { return false; });
    EXPECT_EQ(w.held, (std::vector<bool> {false}));
}

TEST_F(ScreenHold, the_right_button_is_a_hold_at_once)
{
    HoldWindow w(screen, {{0, 30}, {240, 200}});
    screen.right_tap({50, 60});
    screen.dispatch_pending();
    EXPECT_EQ(w.held, (std::vector<bool> {true}));
    auto downs = w.recorder.only(WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].wparam & (MK_LBUTTON | MK_RBUTTON), MK_LBUTTON | MK_RBUTTON);
    EXPECT_EQ(w.recorder.only(WM_LBUTTONUP)[0].wparam & MK_RBUTTON, MK_RBUTTON);
    EXPECT_EQ(screen.now(), 0);
}

TEST_F(ScreenKeys, keys_and_characters_go_to_the_active_window)
{
    TestWindow a(screen, {{0, 30}, {100, 100}});
    TestWindow b(screen, {{0, 30}, {100, 100}});
    settle(a, b);
    screen.key_down(VK_A);
    screen.type(u"a\u00e9");
    screen.key_up(VK_A);
    screen.dispatch_pending();
    EXPECT_TRUE(a.recorder.log.empty());
    EXPECT_EQ(b.recorder.ids(), (std::vector<uint32_t> {WM_KEYDOWN, WM_CHAR, WM_CHAR, WM_KEYUP}));
    EXPECT_EQ(b.recorder.log[0].wparam, VK_A);
    EXPECT_EQ(b.recorder.log[1].wparam, u'a');
    EXPECT_EQ(b.recorder.log[2].wparam, 0xE9u);
}

TEST_F(ScreenKeys, a_key_that_closes_its_window_takes_its_character_along)
{
    // A menu closing on Escape (or choosing on Enter): the window below gets no second key.
    TestWindow below(screen, {{0, 30}, {100, 100}});
    TestWindow menu(screen, {{0, 30}, {100, 100}});
    menu.recorder.react = [](Window& window, const WindowMessage& message) -> intptr_t {
        if (message.id == WM_KEYDOWN)
            window.show(ShowMode::hide);
        return 0;
    };
    settle(below, menu);
    for (uint32_t key : {VK_ESCAPE, VK_RETURN}) {
        menu.window.show(ShowMode::show);
        settle(below, menu);
        screen.key_down(key);
        screen.dispatch_pending();
        EXPECT_TRUE(below.window.is_active()) << key;
        EXPECT_EQ(below.recorder.count(WM_CHAR), 0u) << key;
        screen.key_up(key);
        screen.dispatch_pending();
    }
}

TEST_F(ScreenKeys, control_keys_also_type_their_character)
{
    TestWindow a(screen, {{0, 30}, {100, 100}});
    settle(a);
    screen.key(VK_RETURN);
    screen.key(VK_BACK);
    screen.key_down(VK_CONTROL);
    screen.key(VK_TAB); // Ctrl+Tab types nothing
    screen.key_up(VK_CONTROL);
    screen.dispatch_pending();
    auto chars = a.recorder.only(WM_CHAR);
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].wparam, uintptr_t(u'\r'));
    EXPECT_EQ(chars[1].wparam, 8u);
    // Directly after its key-down, so a pump can pair them.
    EXPECT_EQ(a.recorder.log[0].id, WM_KEYDOWN);
    EXPECT_EQ(a.recorder.log[1].id, WM_CHAR);
}

TEST_F(ScreenKeys, modifier_state_and_pointer_flags)
{
    TestWindow a(screen, {{0, 30}, {100, 100}});
    screen.key_down(VK_SHIFT);
    screen.tap({10, 40});
    screen.dispatch_pending();
    EXPECT_TRUE(screen.is_key_down(VK_SHIFT));
    EXPECT_FALSE(screen.is_key_down(VK_CONTROL));
    EXPECT_EQ(a.recorder.only(WM_LBUTTONDOWN)[0].wparam & MK_SHIFT, MK_SHIFT);
    screen.key_up(VK_SHIFT);
    screen.dispatch_pending();
    EXPECT_FALSE(screen.is_key_down(VK_SHIFT));
}

TEST_F(ScreenKeys, repeats_and_releases_carry_their_bits)
{
    TestWindow a(screen, {{0, 30}, {100, 100}});
    settle(a);
    screen.input_key(VK_DOWN, true);
    screen.input_key(VK_DOWN, true, true);
    screen.input_key(VK_DOWN, false);
    screen.dispatch_pending();
    auto downs = a.recorder.only(WM_KEYDOWN);
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[0].lparam & (intptr_t(1) << 30), 0);
    EXPECT_NE(downs[1].lparam & (intptr_t(1) << 30), 0);
    EXPECT_NE(a.recorder.only(WM_KEYUP)[0].lparam & (intptr_t(1) << 31), 0);
}

TEST_F(ScreenKeys, a_disabled_active_window_gets_no_keys)
{
    TestWindow a(screen, {{0, 30}, {100, 100}});
    settle(a);
    a.window.enable(false);
    screen.key(VK_SPACE);
    screen.type(u"x");
    screen.dispatch_pending();
    EXPECT_TRUE(a.recorder.log.empty());
}

TEST(ScreenBackKey, escape_is_the_back_hot_key_on_a_smartphone)
{
    PlatformScope smartphone(PlatformKind::smartphone);
    HeadlessScreen screen({176, 220});
    TestWindow a(screen, {{0, 20}, {176, 180}});
    screen.dispatch_pending();
    a.recorder.log.clear();
    screen.key(VK_ESCAPE);
    screen.dispatch_pending();
    ASSERT_EQ(a.recorder.ids(), (std::vector<uint32_t> {WM_HOTKEY, WM_HOTKEY}));
    EXPECT_EQ(a.recorder.log[0].wparam, VK_TBACK);
    EXPECT_EQ(uint32_t(lparam_high(a.recorder.log[0].lparam)), VK_TBACK);
    EXPECT_EQ(uintptr_t(lparam_low(a.recorder.log[0].lparam)) & MOD_KEYUP, 0u);
    EXPECT_EQ(uintptr_t(lparam_low(a.recorder.log[1].lparam)) & MOD_KEYUP, MOD_KEYUP);
}

TEST(ScreenBackKey, escape_is_a_plain_key_on_a_pocket_pc)
{
    PlatformScope pocket(PlatformKind::pocket_pc);
    HeadlessScreen screen({240, 320});
    TestWindow a(screen, {{0, 26}, {240, 268}});
    screen.dispatch_pending();
    a.recorder.log.clear();
    screen.key(VK_ESCAPE);
    screen.dispatch_pending();
    EXPECT_EQ(a.recorder.ids(), (std::vector<uint32_t> {WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
}

TEST_F(ScreenBar, soft_keys_and_taps_choose_the_active_windows_items)
{
    std::vector<std::string> chosen;
    std::vector<Rect> where;
    TestWindow a(screen, {{0, 26}, {240, 268}});
    auto item = [&](const char* name, bool enabled = true) {
        return BarItem {std::u16string(name, name + std::char_traits<char>::length(name)), enabled,
            [&chosen, &where, name](const Rect& rect) {
                chosen.push_back(name);
                where.push_back(rect);
            },
            nullptr};
    };
    a.window.set_bar_items({item("left"), item("right"), item("off", false)});
    screen.dispatch_pending();
    a.recorder.log.clear();
    screen.key(VK_F2);
    screen.key(VK_F1);
    screen.tap({10, 310}); // first of three cells, 80 pixels each
    screen.tap({100, 310});
    screen.tap({200, 310}); // disabled
    screen.dispatch_pending();
    EXPECT_EQ(chosen, (std::vector<std::string> {"right", "left", "left", "right"}));
    EXPECT_EQ(where[0], (Rect {{80, 294}, {80, 26}}));
    // Soft keys and bar taps are the shell's: the window sees none of them.
    EXPECT_TRUE(a.recorder.log.empty());
}

TEST_F(ScreenBar, a_tap_that_leaves_the_item_chooses_nothing)
{
    int chosen = 0;
    TestWindow a(screen, {{0, 26}, {240, 268}});
    a.window.set_bar_items({{u"one", true, [&](const Rect&) { ++chosen; }, nullptr}});
    screen.press({10, 310});
    screen.move_to({100, 200});
    screen.release({100, 200});
    screen.dispatch_pending();
    EXPECT_EQ(chosen, 0);
    EXPECT_EQ(a.recorder.count(WM_LBUTTONUP), 0u);
}

TEST_F(ScreenBar, soft_keys_without_items_are_keys)
{
    TestWindow a(screen, {{0, 26}, {240, 268}});
    screen.dispatch_pending();
    a.recorder.log.clear();
    screen.key(VK_F1);
    screen.dispatch_pending();
    EXPECT_EQ(a.recorder.ids(), (std::vector<uint32_t> {WM_KEYDOWN, WM_KEYUP}));
    EXPECT_EQ(a.recorder.log[0].wparam, VK_TSOFT1);
}

TEST_F(ScreenInput, resizing_the_screen_tells_every_window)
{
    TestWindow a(screen, {{0, 26}, {240, 268}});
    TestWindow b(screen, {{0, 26}, {240, 268}}, nullptr, false);
    screen.dispatch_pending();
    screen.resize({320, 240});
    screen.resize({320, 240}); // no change, no message
    screen.dispatch_pending();
    EXPECT_EQ(screen.size(), (Size {320, 240}));
    for (TestWindow* w : {&a, &b}) {
        auto changes = w->recorder.only(WM_SETTINGCHANGE);
        ASSERT_EQ(changes.size(), 1u);
        EXPECT_EQ(changes[0].wparam, SETTINGCHANGE_RESET);
    }
    EXPECT_EQ(screen.frame().width, 320);
    screen.resize({0, 100000});
    EXPECT_EQ(screen.size(), (Size {64, 4096}));
}
