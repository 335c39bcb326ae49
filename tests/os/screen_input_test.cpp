#include "on_screen.h"
#include "os/keys.h"

#include <optional>
#include <thread>

using namespace os;
using test::Recorded;
using test::TestWindow;

namespace {

std::vector<uint32_t> pointer_ids(const test::WindowRecorder& recorder)
{
    std::vector<uint32_t> ids = recorder.ids();
    std::erase_if(ids, [](uint32_t id) { return id < WM_MOUSEMOVE || id > WM_LBUTTONDBLCLK; });
    return ids;
}

// A window that takes the capture on a stylus down and asks the screen about a hold, as a form's
// window procedure does; it records what it decided.
struct HoldWindow : TestWindow {
    HoldWindow(HeadlessScreen& screen, Rect rect)
        : TestWindow(screen, rect)
    {
        recorder.react = [this, &screen](Window& w, const WindowMessage& m) {
            if (m.id == WM_LBUTTONDOWN) {
                w.set_capture();
                held.push_back(screen.recognise_hold(m));
            } else if (m.id == WM_LBUTTONUP) {
                w.release_capture();
            }
            return 0;
        };
    }
    std::vector<bool> held;
};

} // namespace

using ScreenInput = test::OnScreen;
using ScreenKeys = test::OnScreen;

TEST_F(ScreenInput, a_tap_goes_to_the_topmost_window_in_client_coordinates_activates_it_and_may_be_double)
{
    TestWindow below(screen, {{10, 40}, {200, 200}});
    TestWindow above(screen, {{110, 40}, {100, 200}});
    settle(below, above);
    screen.tap({15, 47});
    screen.dispatch_pending();
    EXPECT_TRUE(pointer_ids(above.recorder).empty());
    ASSERT_EQ(pointer_ids(below.recorder), (std::vector<uint32_t> {WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_EQ(below.recorder.only(WM_LBUTTONDOWN)[0].lparam, make_lparam(5, 7));
    const Recorded& first = below.recorder.log.front(); // before the button, naming the one it replaced
    EXPECT_EQ(std::tuple(first.id, first.wparam, WindowId(first.lparam)),
        std::tuple(WM_ACTIVATE, uintptr_t(WA_CLICKACTIVE), above.window.id()));
    above.window.bring_to_front();
    above.window.enable(false); // a disabled window swallows the stylus and hides those below
    below.recorder.log.clear();
    screen.tap({150, 60});
    screen.move_to({160, 60});
    screen.dispatch_pending();
    EXPECT_TRUE(pointer_ids(above.recorder).empty());
    EXPECT_TRUE(pointer_ids(below.recorder).empty());

    // Only a quick second tap nearby is a double tap.
    screen.tap({50, 60});
    screen.advance(s_double_tap_ms);
    screen.tap({50 + s_double_tap_slop, 60 - s_double_tap_slop});
    screen.tap({50, 60}); // a third tap starts over
    screen.advance(s_double_tap_ms + 1);
    screen.tap({50, 60}); // too late
    screen.tap({50 + s_double_tap_slop + 1, 60}); // too far
    screen.dispatch_pending();
    EXPECT_EQ(pointer_ids(below.recorder),
        (std::vector<uint32_t> {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_LBUTTONDOWN,
            WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST_F(ScreenInput, the_capture_takes_every_pointer_message_and_losing_it_is_announced)
{
    TestWindow a(screen, {{0, 30}, {100, 100}});
    TestWindow b(screen, {{120, 30}, {100, 100}});
    settle(a, b);
    a.window.set_capture();
    screen.press({150, 50});
    screen.move_to({160, 300});
    screen.release({239, 319});
    screen.dispatch_pending();
    EXPECT_TRUE(pointer_ids(b.recorder).empty());
    ASSERT_EQ(pointer_ids(a.recorder), (std::vector<uint32_t> {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));
    EXPECT_EQ(a.recorder.only(WM_MOUSEMOVE)[0].lparam, make_lparam(160, 270));
    EXPECT_EQ(screen.active_window(), &b.window); // the capture's press activates nothing

    auto changes = [&](const TestWindow& w) { return w.recorder.only(WM_CAPTURECHANGED); };
    b.window.set_capture();
    ASSERT_EQ(changes(a).size(), 1u);
    EXPECT_EQ(WindowId(changes(a)[0].lparam), b.window.id());
    b.window.release_capture();
    b.window.release_capture(); // not held: nothing
    ASSERT_EQ(changes(b).size(), 1u);
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

TEST_F(ScreenInput, holds)
{
    // Press, wait, maybe move or press a key, wait again, release; or a tap of the right button. Each
    // case: its name, the first wait, the move, the key, the second wait, whether it is a hold and
    // whether the right button taps.
    const Point p {50, 60};
    const std::tuple<const char*, int, std::optional<Point>, bool, int, bool, bool> cases[]
        = {{"held half a second", s_hold_ms, {}, false, 0, true, false},
            {"released a moment early", s_hold_ms - 1, {}, false, 0, false, false},
            {"a move within the slop", 100, Point {s_hold_slop, -s_hold_slop}, false, s_hold_ms, true, false},
            {"a move beyond the slop", 100, Point {0, s_hold_slop + 1}, false, s_hold_ms, false, false},
            {"a key meanwhile", 100, {}, true, s_hold_ms, true, false},
            {"the right button", 0, {}, false, 0, true, true}};
    for (const auto& [name, first_wait, move, key, second_wait, held, right] : cases) {
        HeadlessScreen s({240, 320});
        HoldWindow w(s, {{0, 30}, {240, 200}});
        right ? s.right_tap(p) : s.press(p);
        s.advance(first_wait);
        if (move)
            s.move_to(p + *move);
        if (key)
            s.key(VK_DOWN);
        s.advance(second_wait);
        if (!right)
            s.release(p + move.value_or(Point {}));
        s.dispatch_pending();
        EXPECT_EQ(w.held, (std::vector<bool> {held})) << name;
        EXPECT_EQ(w.recorder.count(WM_LBUTTONUP), 1u) << name;
    }
    HoldWindow w(screen, {{0, 30}, {240, 200}});
    screen.press(p); // a script that ends while waiting is no hold
    screen.run_until([] { return false; });
    EXPECT_EQ(w.held, (std::vector<bool> {false}));
}

TEST_F(ScreenInput, a_hold_waits_for_the_clock_and_takes_in_what_other_threads_post_on_arrival)
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

TEST_F(ScreenKeys, keys_and_characters_go_to_the_enabled_active_window)
{
    TestWindow a(screen, {{0, 30}, {100, 100}});
    TestWindow b(screen, {{0, 30}, {100, 100}});
    settle(a, b);
    screen.key_down(VK_SHIFT);
    screen.key_down(VK_A);
    screen.type(u"a\u00e9");
    screen.key_up(VK_A);
    screen.key(VK_RETURN); // control keys type their character too, right after the key-down
    screen.key(VK_BACK);
    screen.key_down(VK_CONTROL);
    screen.key(VK_TAB); // Ctrl+Tab types nothing
    screen.key_up(VK_CONTROL);
    screen.tap({10, 40});
    screen.dispatch_pending();
    EXPECT_TRUE(a.recorder.log.empty());
    EXPECT_FALSE(screen.is_key_down(VK_CONTROL));
    EXPECT_EQ(b.recorder.only(WM_LBUTTONDOWN)[0].wparam & MK_SHIFT, MK_SHIFT);
    std::vector<uintptr_t> chars;
    for (const Recorded& r : b.recorder.only(WM_CHAR))
        chars.push_back(r.wparam);
    EXPECT_EQ(chars, (std::vector<uintptr_t> {u'a', 0xE9, u'\r', u'\b'}));
    screen.key_up(VK_SHIFT);
    b.window.enable(false);
    b.recorder.log.clear();
    screen.key(VK_SPACE);
    screen.type(u"x");
    screen.dispatch_pending();
    EXPECT_FALSE(screen.is_key_down(VK_SHIFT));
    EXPECT_TRUE(b.recorder.log.empty());

    // A key that closes its window (a menu choosing on Enter) takes its character along.
    TestWindow menu(screen, {{0, 30}, {100, 100}});
    menu.recorder.react = [](Window& window, const WindowMessage& message) -> intptr_t {
        if (message.id == WM_KEYDOWN)
            window.show(ShowMode::hide);
        return 0;
    };
    settle(a, menu);
    screen.key_down(VK_RETURN);
    screen.dispatch_pending();
    EXPECT_TRUE(a.window.is_active());
    EXPECT_EQ(a.recorder.count(WM_CHAR), 0u);
}

TEST_F(ScreenInput, soft_keys_and_bar_taps_choose_the_active_windows_enabled_items_and_a_resize_is_told_once)
{
    TestWindow a(screen, {{0, 26}, {240, 268}});
    settle(a);
    screen.key(VK_F1); // without items a soft key is a key
    screen.dispatch_pending();
    EXPECT_EQ(a.recorder.ids(), (std::vector<uint32_t> {WM_KEYDOWN, WM_KEYUP}));
    EXPECT_EQ(a.recorder.log[0].wparam, VK_TSOFT1);
    a.recorder.log.clear();
    std::vector<Rect> chosen; // three cells of 80 pixels, the third disabled
    auto item = [&chosen](bool enabled) {
        return BarItem {u"item", enabled, [&chosen](const Rect& rect) { chosen.push_back(rect); }, nullptr};
    };
    a.window.set_bar_items({item(true), item(true), item(false)});
    screen.key(VK_F2);
    screen.key(VK_F1);
    for (Point tap : {Point {10, 310}, Point {200, 310}})
        screen.tap(tap);
    screen.press({10, 310}); // leaves the item: nothing
    screen.move_to({100, 200});
    screen.release({100, 200});
    screen.dispatch_pending();
    const Rect left {{0, 294}, {80, 26}}, right {{80, 294}, {80, 26}};
    EXPECT_EQ(chosen, (std::vector<Rect> {right, left, left}));
    EXPECT_TRUE(a.recorder.log.empty()); // the shell's, not the window's
    screen.resize({320, 240}); // every window is told, once
    screen.resize({320, 240});
    screen.dispatch_pending();
    EXPECT_EQ(a.recorder.count(WM_SETTINGCHANGE), 1u);
    screen.resize({0, 100000});
    EXPECT_EQ(screen.size(), (Size {64, 4096}));
}
