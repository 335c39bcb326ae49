#include "fake_form_events.h"

#include "os/keys.h"
#include "os/screen/headless_screen.h"
#include "os/shell.h"
#include "os/switches.h"
#include "skinner/form_placement.h"
#include "skinner/menu_manager_impl.h"
#include "support/scoped_config.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace skinner;
using test::DeviceScope;
using test::FakeForm;
using test::show;

namespace {

using Calls = std::vector<std::string>;

uint32_t pixel(const os::Surface& surface, int32_t x, int32_t y)
{
    return surface.at(x, y);
}

// Lets the fake paint: the form on a 240 x 320 screen, shown at 240 x 268 and painted once.
struct Shown {
    explicit Shown(os::Rect control = {})
    {
        form.control = control;
        show(form, {240, 268});
        screen.dispatch_pending();
        form.paints.clear();
    }
    os::HeadlessScreen screen {{240, 320}};
    FakeForm form;
};

} // namespace

TEST(FormPlacement, start_positions_in_a_240x268_work_area)
{
    const os::Rect work {{0, 26}, {240, 268}};
    const os::Rect current {{7, 9}, {1, 1}};
    struct Case {
        int32_t mode;
        std::optional<os::Point> position;
        std::optional<os::Rect> parent;
        os::Rect expected; // empty: no place
        os::Size size = {100, 50};
        os::Size extent = {10, 10};
    };
    const Case cases[] = {
        {0, std::nullopt, std::nullopt, {{7, 9}, {100, 50}}},
        {0, os::Point {30, 40}, std::nullopt, {{30, 40}, {100, 50}}},
        {1, os::Point {30, 40}, std::nullopt, {{70, 135}, {100, 50}}},
        {2, std::nullopt, os::Rect {{10, 100}, {200, 100}}, {{60, 125}, {100, 50}}},
        {2, std::nullopt, std::nullopt, {{70, 135}, {100, 50}}},
        {3, std::nullopt, std::nullopt, {{0, 26}, {240, 268}}},
        {4, std::nullopt, std::nullopt, {{0, 26}, {240, 268}}},
        {5, std::nullopt, std::nullopt, {{0, 26}, {240, 268}}},
        {6, os::Point {1, 2}, std::nullopt, {{1, 2}, {100, 50}}},
        {-1, std::nullopt, std::nullopt, {{7, 9}, {100, 50}}},
        {3, std::nullopt, std::nullopt, {{0, 26}, {300, 268}}, {100, 50},
            {300, 100}}, // grows to hold controls
        {3, std::nullopt, std::nullopt, {{0, 26}, {240, 400}}, {100, 50}, {10, 400}},
        {1, std::nullopt, std::nullopt, {{0, 26}, {241, 269}}, {241, 269}}, // overhangs evenly
        {1, std::nullopt, std::nullopt, {{-30, 10}, {300, 300}}, {300, 300}},
        {1, std::nullopt, std::nullopt, {}, {0, 0}}, // no size, no place
    };
    for (const Case& c : cases) {
        FormPlacement placement {c.size, c.mode, c.position, c.extent, c.parent};
        EXPECT_EQ(place_form_window(placement, current, work).value_or(os::Rect {}), c.expected)
            << "mode " << c.mode;
    }
}

TEST(FormWindow, setting_changes_place_the_form_again_and_screen_changes_are_announced)
{
    os::HeadlessScreen screen({240, 320});
    FakeForm form;
    form.placement.start_position = 3;
    show(form, {100, 100});
    ASSERT_EQ(form.impl.window().rect(), (os::Rect {{0, 26}, {240, 268}}));

    screen.resize({480, 640});
    test::deliver(screen);
    EXPECT_EQ(form.calls, (Calls {"command #ScreenResolution#", "size 480x536"}));
    EXPECT_EQ(form.impl.window().rect(), (os::Rect {{0, 52}, {480, 536}}));

    form.calls.clear();
    form.impl.window().send(os::WM_SETTINGCHANGE, os::SPI_SETWORKAREA);
    EXPECT_EQ(form.calls, (Calls {"command #ScreenResolution#"}));
    form.calls.clear();
    form.impl.window().move({{0, 0}, {10, 10}});
    form.calls.clear();
    form.impl.window().send(os::WM_SETTINGCHANGE, os::SPI_SETSIPINFO);
    EXPECT_EQ(form.calls, (Calls {"size 480x536"})) << "the input panel only moves the form";
    form.impl.window().move({{0, 0}, {10, 10}});
    form.calls.clear();
    form.impl.window().send(WM_FORM_PLACE);
    EXPECT_EQ(form.impl.window().rect(), (os::Rect {{0, 52}, {480, 536}}));
    form.calls.clear();
    form.impl.window().send(os::WM_SETTINGCHANGE, 12345);
    EXPECT_TRUE(form.calls.empty());
}

TEST(FormWindow, copy_data_zero_is_the_command_line_of_another_copy)
{
    os::HeadlessScreen screen({240, 320});
    FakeForm form;
    show(form, {240, 268});
    screen.copy_data(FormImpl::window_class_name(), 0, {'a', 0, '/', 0, 'b', 0, 'x'});
    screen.copy_data(FormImpl::window_class_name(), 1, {'n', 0});
    screen.copy_data(FormImpl::window_class_name(), 0, {});
    test::deliver(screen);
    // An odd last byte is no character.
    EXPECT_EQ(form.calls, (Calls {"command_line a/b", "command_line "}));
}

TEST(FormWindow, messages_for_a_detached_form_are_dropped)
{
    os::HeadlessScreen screen({240, 320});
    FakeForm form;
    show(form, {240, 268});
    form.impl.detach();
    form.impl.window().send(os::WM_TIMER, 5);
    form.impl.window().send(os::WM_KEYUP, os::VK_A);
    form.impl.window().move({{0, 0}, {10, 10}});
    EXPECT_TRUE(form.calls.empty());
    EXPECT_TRUE(form.timers.empty());
}

TEST(FormWindowKeys, pocket_pc_offers_the_character_first_and_the_key_when_it_is_not_taken)
{
    DeviceScope device(os::PlatformKind::pocket_pc);
    os::HeadlessScreen screen({240, 320});
    FakeForm form;
    show(form, {240, 268});

    screen.key_down(os::VK_A);
    screen.type(u"a");
    screen.key_up(os::VK_A);
    test::deliver(screen);
    EXPECT_EQ(form.calls, (Calls {"char a", "key_down 20", "key_up 20"}));

    form.calls.clear();
    form.handles_chars = true;
    screen.key_down(os::VK_A);
    screen.type(u"A");
    test::deliver(screen);
    EXPECT_EQ(form.calls, (Calls {"char A"})) << "a handled character hides its key";

    // Characters below 32 are no characters: Enter (whose "\r" the screen adds) comes as the key.
    form.calls.clear();
    screen.key_down(os::VK_RETURN);
    test::deliver(screen);
    EXPECT_EQ(form.calls, (Calls {"key_down 9"}));

    // A key without a character, then a character alone (it is its own key too).
    form.calls.clear();
    form.handles_chars = false;
    screen.key_down(os::VK_DOWN);
    screen.type(u"Q");
    test::deliver(screen);
    EXPECT_EQ(form.calls, (Calls {"char Q", "key_down 7"})) << "'Q' follows Down directly";
    form.calls.clear();
    screen.key_down(os::VK_DOWN);
    screen.key_up(os::VK_DOWN);
    screen.type(u"B");
    test::deliver(screen);
    EXPECT_EQ(form.calls, (Calls {"key_down 7", "key_up 7", "char B", "key_down 21"}));
}

TEST(FormWindowPointer,
    taps_come_as_button_0_in_client_pixels_with_the_capture_held_between_and_doubles_say_so)
{
    os::HeadlessScreen screen({240, 320});
    FakeForm form;
    show(form, {240, 268});
    screen.press({10, 40});
    test::deliver(screen);
    EXPECT_TRUE(form.impl.window().has_capture());
    EXPECT_TRUE(form.impl.is_button_down(0));
    screen.move_to({300, 400});
    screen.release({300, 400});
    test::deliver(screen);
    EXPECT_EQ(form.calls, (Calls {"down 0 10,14", "move 300,374", "up 0 300,374"}));
    EXPECT_FALSE(form.impl.window().has_capture());
    EXPECT_FALSE(form.impl.is_button_down(0));
    // A double tap says so (a second later, the first tap is no double of the press above).
    form.calls.clear();
    screen.advance(1000);
    screen.tap({10, 40});
    screen.tap({11, 41});
    test::deliver(screen);
    EXPECT_EQ(form.calls, (Calls {"down 0 10,14", "up 0 10,14", "down 0 11,15 double", "up 0 11,15"}));
}

TEST(FormWindowPointer, a_popup_closes_when_the_capture_leaves_it_or_a_tap_falls_outside)
{
    os::HeadlessScreen screen({240, 320});
    FakeForm form;
    show(form, {240, 268});
    test::TestWindow other(screen, {}, nullptr, false);
    screen.press({10, 40});
    screen.move_to({12, 44});
    test::deliver(screen);
    form.calls.clear();
    other.window.set_capture();
    EXPECT_EQ(form.calls, (Calls {"up 0 12,18"})) << "losing the capture lets the buttons up";
    EXPECT_TRUE(form.impl.window().is_visible()) << "a form is no popup";

    FakeForm popup(&form, FormWindowKind::popup);
    show(popup, {50, 50});
    popup.impl.window().set_capture();
    screen.tap({100, 200});
    test::deliver(screen);
    EXPECT_EQ(popup.calls, (Calls {"can_close", "deactivate"}));
    EXPECT_FALSE(popup.impl.window().is_visible());

    popup.impl.window().show(os::ShowMode::show);
    popup.calls.clear();
    popup.impl.close();
    EXPECT_TRUE(popup.impl.window().is_visible()) << "a popup closes from the loop";
    test::deliver(screen);
    EXPECT_FALSE(popup.impl.window().is_visible());
}

TEST(FormWindow, close_asks_the_form_and_a_refusal_keeps_it_open)
{
    os::HeadlessScreen screen({240, 320});
    FakeForm form;
    show(form, {240, 268});
    form.can_close = false;
    form.impl.close();
    EXPECT_EQ(form.calls, (Calls {"can_close"}));
    EXPECT_TRUE(form.impl.window().is_visible());
    EXPECT_FALSE(screen.peek_message(os::PeekMode::keep)) << "no end of loop was posted";

    form.can_close = true;
    form.impl.window().enable(false);
    form.impl.close();
    EXPECT_FALSE(form.impl.window().is_visible());
    EXPECT_TRUE(form.impl.window().is_enabled());
    std::optional<os::WindowMessage> end = screen.peek_message(os::PeekMode::keep);
    ASSERT_TRUE(end);
    EXPECT_EQ(end->id, WM_FORM_END_MODAL);
    EXPECT_EQ(end->window, form.impl.window().id());
}

TEST(FormWindowPaint, only_the_dirty_parts_are_drawn_merged_when_they_overlap_and_cut_to_the_window)
{
    Shown shown({{10, 10}, {20, 20}});
    FakeForm& form = shown.form;
    // The control changes colour but only parts away from it are repainted, apart.
    form.control_color = os::rgb(1, 2, 3);
    form.impl.invalidate({100, 100}, {10, 10});
    form.impl.invalidate({120, 90}, {5, 5});
    form.impl.invalidate({0, 0}, {0, 5});
    EXPECT_EQ(form.impl.dirty_rect(), (Rect {{100, 90}, {25, 20}}));
    shown.screen.dispatch_pending();
    EXPECT_EQ(form.paints, (std::vector<Rect> {{{100, 100}, {10, 10}}, {{120, 90}, {5, 5}}}));
    EXPECT_NE(pixel(form.impl.window().surface(), 15, 15), os::rgb(1, 2, 3));

    form.impl.invalidate({230, 260}, {50, 50});
    form.impl.invalidate({-20, -20}, {10, 10});
    EXPECT_EQ(form.impl.dirty_rect(), (Rect {{230, 260}, {10, 8}}));
    shown.screen.dispatch_pending();

    form.impl.invalidate({0, 0}, {10, 10});
    form.impl.invalidate({50, 0}, {10, 10});
    form.impl.invalidate({5, 5}, {50, 2}); // overlaps both: the three become one
    EXPECT_EQ(form.impl.dirty_parts(), (std::vector<Rect> {{{0, 0}, {60, 10}}}));
    for (int32_t i = 1; i <= int32_t(s_max_dirty_parts); ++i)
        form.impl.invalidate({0, 20 * i}, {5, 5});
    EXPECT_EQ(
        form.impl.dirty_parts(), (std::vector<Rect> {{{0, 0}, {60, 20 * int32_t(s_max_dirty_parts) + 5}}}))
        << "too many parts become their bounding box";
}

TEST(FormWindowTimers, identifiers_are_unique_across_forms_and_never_0)
{
    os::HeadlessScreen screen({240, 320});
    FakeForm a;
    FakeForm b;
    show(a, {240, 268});
    show(b, {240, 268});
    uint32_t first = a.impl.start_timer(0.2);
    EXPECT_NE(first, 0u);
    std::vector<uint32_t> ids {first, b.impl.start_timer(0.2), a.impl.start_timer(1.0)};
    EXPECT_EQ(ids, (std::vector<uint32_t> {first, first + 1, first + 2}));
    screen.advance(200);
    screen.dispatch_pending();
    EXPECT_EQ(a.timers, (std::vector<uint32_t> {first}));
    EXPECT_EQ(b.timers, (std::vector<uint32_t> {first + 1}));

    // Killing one leaves the others; 0 and unknown identifiers are ignored.
    a.impl.kill_timer(first);
    a.impl.kill_timer(0);
    a.impl.kill_timer(first + 1);
    for (int step = 0; step < 4; ++step) {
        screen.advance(200);
        screen.dispatch_pending();
    }
    EXPECT_EQ(a.timers, (std::vector<uint32_t> {first, first + 2}));
    EXPECT_EQ(b.timers.size(), 5u);

    // Seconds truncated to milliseconds; nonsense intervals give the shortest timer.
    FakeForm c;
    show(c, {240, 268});
    c.impl.start_timer(0.2509);
    screen.advance(249);
    screen.dispatch_pending();
    EXPECT_TRUE(c.timers.empty());
    screen.advance(1);
    screen.dispatch_pending();
    EXPECT_EQ(c.timers.size(), 1u);
    c.impl.kill_timer(c.timers[0]);
    c.impl.start_timer(-3.0);
    c.impl.start_timer(std::nan(""));
    c.impl.start_timer(1e300);
    screen.advance(10);
    screen.dispatch_pending();
    EXPECT_EQ(c.timers.size(), 3u);
}

TEST(FormWindowKeys, smartphone_delivers_keys_and_characters_as_they_come)
{
    DeviceScope device(os::PlatformKind::smartphone);
    os::HeadlessScreen screen({176, 220});
    FakeForm form;
    show(form, {176, 180});
    screen.key_down(os::VK_A);
    screen.type(u"a\t");
    screen.key_up(os::VK_A);
    screen.key(os::VK_0 + 9);
    test::deliver(screen);
    EXPECT_EQ(form.calls, (Calls {"key_down 20", "char a", "key_up 20", "key_down 55", "key_up 55"}));

    // The Pocket PC's joined message means nothing here.
    form.calls.clear();
    form.impl.window().send(WM_FORM_KEY, os::VK_A, 'a');
    EXPECT_TRUE(form.calls.empty());
}
