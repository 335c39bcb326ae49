// Form windows: placement, work area, settings, keys, taps, paints, timers and modal loops.

#include "fake_form_events.h"

#include "os/keys.h"
#include "os/shell.h"
#include "os/switches.h"
#include "skinner/form_placement.h"
#include "skinner/form_workarea.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

using namespace skinner;
using test::DeviceScope;
using test::FakeForm;
using test::show;

namespace {

using Calls = std::vector<std::string>;

// A screen of 240 x 320 with one form shown at 240 x 268.
struct Shown {
    os::HeadlessScreen screen {{240, 320}};
    FakeForm form;
    Shown() { show(form, {240, 268}); }
};

} // namespace

TEST(FormPlacement, start_positions_in_a_240x268_work_area)
{
    const os::Rect work {{0, 26}, {240, 268}};
    const auto none = std::nullopt;
    struct Case {
        int32_t mode;
        std::optional<os::Point> position;
        std::optional<os::Rect> parent;
        os::Rect expected; // empty: no place
        os::Size size = {100, 50};
        os::Size extent = {10, 10};
    };
    const Case cases[] = {
        {0, none, none, {{7, 9}, {100, 50}}}, // stays where it is
        {-1, os::Point {30, 40}, none, {{30, 40}, {100, 50}}},
        {1, os::Point {30, 40}, none, {{70, 135}, {100, 50}}},
        {2, none, os::Rect {{10, 100}, {200, 100}}, {{60, 125}, {100, 50}}},
        {2, none, none, {{70, 135}, {100, 50}}}, {3, none, none, {{0, 26}, {240, 268}}},
        {5, none, none, {{0, 26}, {300, 268}}, {100, 50}, {300, 100}}, // grows to hold controls
        {1, none, none, {{-30, 10}, {300, 300}}, {300, 300}}, // overhangs evenly
        {1, none, none, {}, {0, 0}}, // no size, no place
    };
    for (const Case& c : cases) {
        FormPlacement placement {c.size, c.mode, c.position, c.extent, c.parent};
        EXPECT_EQ(place_form_window(placement, {{7, 9}, {1, 1}}, work).value_or(os::Rect {}), c.expected)
            << "mode " << c.mode;
    }
}

TEST(FormWorkarea, bars_of_both_kinds_of_device_and_the_input_panel)
{
    const os::InputPanelInfo panel {true, {{0, 26}, {240, 190}}};
    const os::InputPanelInfo off {false, {{0, 26}, {240, 190}}};
    struct Case {
        os::Size screen;
        bool smartphone;
        const os::InputPanelInfo* panel;
        os::Rect expected;
    };
    const Case cases[] = {{{240, 320}, false, nullptr, {{0, 26}, {240, 268}}},
        {{176, 220}, true, nullptr, {{0, 20}, {176, 180}}},
        {{480, 640}, true, nullptr, {{0, 54}, {480, 532}}}, {{320, 240}, true, nullptr, {{0, 0}, {320, 240}}},
        {{240, 40}, false, nullptr, {{0, 26}, {240, 0}}}, // too small for the bars
        {{240, 320}, false, &panel, {{0, 26}, {240, 190}}}, // a shown panel ends the area
        {{240, 320}, false, &off, {{0, 26}, {240, 268}}}, {{176, 220}, true, &panel, {{0, 20}, {176, 180}}}};
    for (const Case& c : cases)
        EXPECT_EQ(c.panel ? form_workarea(c.screen, c.smartphone, *c.panel)
                          : form_workarea(c.screen, c.smartphone, false),
            c.expected)
            << c.screen.width << "x" << c.screen.height << " " << c.smartphone;
    // This screen has no input panel: asking for it gives the plain area.
    EXPECT_EQ(form_workarea({240, 320}, false, true), (os::Rect {{0, 26}, {240, 268}}));
    EXPECT_FALSE(is_smartphone_type(u"SmartPhone "));
    EXPECT_FALSE(is_smartphone_type(std::u16string(200, u' ') + u"smartphone")) << "only 200 read";
    DeviceScope device(os::PlatformKind::pocket_pc);
    EXPECT_TRUE(static_capability_has_soft_keys()) << "version 5 devices have soft keys as well";
}

TEST(FormWindow, settings_copies_of_the_program_and_detaching)
{
    Shown shown;
    FakeForm& form = shown.form;
    os::Window& window = form.impl.window();
    form.placement.start_position = 3;
    form.impl.place();
    ASSERT_EQ(window.rect(), (os::Rect {{0, 26}, {240, 268}}));
    form.calls.clear();
    shown.screen.resize({480, 640});
    test::deliver(shown.screen);
    EXPECT_EQ(form.taken(), (Calls {"command #ScreenResolution#", "size 480x536"}));
    EXPECT_EQ(window.rect(), (os::Rect {{0, 52}, {480, 536}}));
    window.send(os::WM_SETTINGCHANGE, os::SPI_SETWORKAREA);
    EXPECT_EQ(form.taken(), (Calls {"command #ScreenResolution#"}));
    window.move({{0, 0}, {10, 10}});
    form.calls.clear();
    window.send(os::WM_SETTINGCHANGE, os::SPI_SETSIPINFO);
    EXPECT_EQ(form.taken(), (Calls {"size 480x536"})) << "the input panel only moves the form";
    window.move({{0, 0}, {10, 10}});
    window.send(WM_FORM_PLACE);
    EXPECT_EQ(window.rect(), (os::Rect {{0, 52}, {480, 536}}));
    form.calls.clear();
    window.send(os::WM_SETTINGCHANGE, 12345);
    EXPECT_TRUE(form.calls.empty());

    // Copy data 0 is the command line of another copy; an odd last byte is no character.
    shown.screen.copy_data(FormImpl::window_class_name(), 0, {'a', 0, '/', 0, 'b', 0, 'x'});
    shown.screen.copy_data(FormImpl::window_class_name(), 1, {'n', 0});
    shown.screen.copy_data(FormImpl::window_class_name(), 0, {});
    test::deliver(shown.screen);
    EXPECT_EQ(form.taken(), (Calls {"command_line a/b", "command_line "}));

    // Messages for a detached form are dropped.
    form.impl.detach();
    window.send(os::WM_TIMER, 5);
    window.send(os::WM_KEYUP, os::VK_A);
    window.move({{0, 0}, {10, 10}});
    EXPECT_TRUE(form.calls.empty() && form.timers.empty());
}

TEST(FormWindow, a_user_types_taps_and_closes_the_form_on_a_pocket_pc)
{
    DeviceScope device(os::PlatformKind::pocket_pc);
    Shown shown;
    FakeForm& form = shown.form;
    os::HeadlessScreen& screen = shown.screen;
    os::Window& window = form.impl.window();
    auto delivered = [&] {
        test::deliver(screen);
        return form.taken();
    };
    screen.key_down(os::VK_A);
    screen.type(u"a");
    screen.key_up(os::VK_A);
    EXPECT_EQ(delivered(), (Calls {"char a", "key_down 20", "key_up 20"}));
    form.chars = true;
    screen.key_down(os::VK_A);
    screen.type(u"A");
    EXPECT_EQ(delivered(), (Calls {"char A"})) << "a handled character hides its key";
    // Characters below 32 are no characters: Enter (whose "\r" the screen adds) comes as the key.
    screen.key_down(os::VK_RETURN);
    EXPECT_EQ(delivered(), (Calls {"key_down 9"}));
    // A key without a character waits for the character typed with it.
    form.chars = false;
    screen.key_down(os::VK_DOWN);
    screen.type(u"Q");
    EXPECT_EQ(delivered(), (Calls {"char Q", "key_down 7"})) << "'Q' follows Down directly";
    screen.key(os::VK_DOWN);
    screen.type(u"B");
    EXPECT_EQ(delivered(), (Calls {"key_down 7", "key_up 7", "char B", "key_down 21"})) << "B is its own key";

    // Taps come as button 0 in client pixels, with the capture held between.
    screen.press({10, 40});
    test::deliver(screen);
    EXPECT_TRUE(window.has_capture() && form.impl.is_button_down(0));
    screen.move_to({300, 400});
    screen.release({300, 400});
    EXPECT_EQ(delivered(), (Calls {"down 0 10,14", "move 300,374", "up 0 300,374"}));
    EXPECT_FALSE(window.has_capture() || form.impl.is_button_down(0));
    // A double tap says so (a second later, the first tap is no double of the press above).
    screen.advance(1000);
    screen.tap({10, 40});
    screen.tap({11, 41});
    EXPECT_EQ(delivered(), (Calls {"down 0 10,14", "up 0 10,14", "down 0 11,15 double", "up 0 11,15"}));

    test::TestWindow other(screen, {}, nullptr, false);
    screen.press({10, 40});
    screen.move_to({12, 44});
    delivered();
    other.window.set_capture();
    EXPECT_EQ(form.taken(), (Calls {"up 0 12,18"})) << "losing the capture lets the buttons up";

    FakeForm popup(&form, FormWindowKind::popup);
    show(popup, {50, 50});
    popup.impl.window().set_capture();
    screen.tap({100, 200});
    test::deliver(screen);
    EXPECT_EQ(popup.calls, (Calls {"can_close", "deactivate"}));
    EXPECT_FALSE(popup.impl.window().is_visible());
    popup.impl.window().show(os::ShowMode::show);
    popup.impl.close();
    EXPECT_TRUE(popup.impl.window().is_visible()) << "a popup closes from the loop";
    test::deliver(screen);
    EXPECT_FALSE(popup.impl.window().is_visible());

    // Closing asks the form; a refusal keeps it open.
    form.calls.clear();
    form.can_close = false;
    form.impl.close();
    EXPECT_EQ(form.calls, (Calls {"can_close"}));
    EXPECT_TRUE(window.is_visible());
    EXPECT_FALSE(screen.peek_message(os::PeekMode::keep)) << "no end of loop was posted";
    form.can_close = true;
    window.enable(false);
    form.impl.close();
    EXPECT_FALSE(window.is_visible());
    EXPECT_TRUE(window.is_enabled());
    std::optional<os::WindowMessage> end = screen.peek_message(os::PeekMode::keep);
    ASSERT_TRUE(end);
    EXPECT_EQ(std::pair(end->id, end->window), std::pair(WM_FORM_END_MODAL, window.id()));
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
    form.calls.clear();
    form.impl.window().send(WM_FORM_KEY, os::VK_A, 'a');
    EXPECT_TRUE(form.calls.empty()) << "the Pocket PC's joined message means nothing here";
}

TEST(FormWindowPaint, only_the_dirty_parts_are_drawn_merged_when_they_overlap_and_cut_to_the_window)
{
    Shown shown;
    FakeForm& form = shown.form;
    form.control = {{10, 10}, {20, 20}};
    shown.screen.dispatch_pending();
    form.paints.clear();
    // The control changes colour but only parts away from it are repainted, apart.
    form.control_color = os::rgb(1, 2, 3);
    form.impl.invalidate({100, 100}, {10, 10});
    form.impl.invalidate({120, 90}, {5, 5});
    form.impl.invalidate({0, 0}, {0, 5});
    EXPECT_EQ(form.impl.dirty_rect(), (Rect {{100, 90}, {25, 20}}));
    shown.screen.dispatch_pending();
    EXPECT_EQ(form.paints, (std::vector<Rect> {{{100, 100}, {10, 10}}, {{120, 90}, {5, 5}}}));
    EXPECT_NE(form.impl.window().surface().at(15, 15), os::rgb(1, 2, 3));

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
    Shown shown;
    os::HeadlessScreen& screen = shown.screen;
    FakeForm& a = shown.form;
    FakeForm b;
    show(b, {240, 268});
    auto tick = [&](int64_t ms) {
        screen.advance(ms);
        screen.dispatch_pending();
    };
    uint32_t first = a.impl.start_timer(0.2);
    EXPECT_NE(first, 0u);
    std::vector<uint32_t> ids {first, b.impl.start_timer(0.2), a.impl.start_timer(1.0)};
    EXPECT_EQ(ids, (std::vector<uint32_t> {first, first + 1, first + 2}));
    // Killing one leaves the others; 0 and another form's identifiers are ignored.
    a.impl.kill_timer(first);
    a.impl.kill_timer(0);
    a.impl.kill_timer(first + 1);
    for (int step = 0; step < 5; ++step)
        tick(200);
    EXPECT_EQ(a.timers, (std::vector<uint32_t> {first + 2}));
    EXPECT_EQ(b.timers, std::vector<uint32_t>(5, first + 1));

    // Seconds truncated to milliseconds; nonsense intervals give the shortest timer.
    FakeForm c;
    show(c, {240, 268});
    c.impl.start_timer(0.2509);
    tick(249);
    EXPECT_TRUE(c.timers.empty());
    tick(1);
    EXPECT_EQ(c.timers.size(), 1u);
    c.impl.kill_timer(c.timers[0]);
    for (double nonsense : {-3.0, std::nan(""), 1e300})
        c.impl.start_timer(nonsense);
    tick(10);
    EXPECT_EQ(c.timers.size(), 3u);
}

TEST(FormModal, a_modal_child_disables_the_other_forms_and_closing_it_brings_the_parent_back)
{
    Shown shown;
    os::HeadlessScreen& screen = shown.screen;
    FakeForm& parent = shown.form;
    FakeForm bystander;
    show(bystander, {100, 100});
    FakeForm already_disabled;
    show(already_disabled, {50, 50});
    already_disabled.impl.window().enable(false);
    FakeForm popup(&parent, FormWindowKind::popup);
    FakeForm child(&parent);
    child.placement = {{200, 100}, 2, std::nullopt, {}, parent.impl.window().rect()};
    child.impl.place();
    auto menu = std::make_unique<test::CountingMenu>();
    const int& rebuilds = menu->rebuilds;
    parent.impl.set_menu_manager(std::move(menu));

    std::vector<std::string> seen;
    bool child_ended = false;
    parent.impl.window().post(os::WM_USER + 9);
    screen.post_callback([&] {
        seen.push_back("child starts");
        child_ended = child.impl.do_modal();
        seen.push_back("child ended");
        EXPECT_TRUE(parent.impl.window().is_enabled() && bystander.impl.window().is_enabled());
        EXPECT_FALSE(already_disabled.impl.window().is_enabled()) << "only what the child disabled";
        EXPECT_FALSE(child.impl.window().is_visible());
        EXPECT_EQ(screen.active_window(), &parent.impl.window());
        const std::vector<os::Window*>& order = screen.windows();
        EXPECT_GT(std::find(order.begin(), order.end(), &parent.impl.window()),
            std::find(order.begin(), order.end(), &bystander.impl.window()))
            << "the parent came to the front";
        EXPECT_EQ(FormImpl::modal(), &parent.impl);
        EXPECT_EQ(rebuilds, 1) << "the parent's bar is registered again";
    });
    test::script(screen,
        {[&] {
             EXPECT_EQ(FormImpl::modal(), &child.impl);
             EXPECT_TRUE(child.impl.is_modal() && parent.impl.is_modal() && child.impl.window().is_visible()
                 && child.impl.window().is_enabled());
             EXPECT_FALSE(parent.impl.window().is_enabled() || bystander.impl.window().is_enabled());
             EXPECT_TRUE(popup.impl.window().is_enabled()) << "popups stay usable";
             EXPECT_EQ(screen.active_window(), &child.impl.window());
             seen.push_back("closing child");
             child.impl.close();
         },
            [&] {
                seen.push_back("closing parent");
                parent.impl.close();
            }});
    EXPECT_TRUE(parent.impl.do_modal());
    EXPECT_EQ(
        seen, (std::vector<std::string> {"child starts", "closing child", "child ended", "closing parent"}));
    EXPECT_TRUE(child_ended);
    EXPECT_EQ(FormImpl::modal(), nullptr);
    EXPECT_FALSE(parent.impl.is_modal() || parent.impl.window().is_visible() || screen.quitting());
    EXPECT_EQ(child.calls.back(), "deactivate");
}

// A child's loop inside the parent's; each says how it ended, then whether the screen quits.
std::vector<std::string> nested_loops(std::vector<std::function<void(FakeForm&, FakeForm&)>> steps)
{
    Shown shown;
    FakeForm& parent = shown.form;
    FakeForm child(&parent);
    std::vector<std::string> seen;
    shown.screen.post_callback([&] {
        child.placement.size = {100, 100};
        child.impl.place();
        seen.push_back(child.impl.do_modal() ? "child ended" : "child quit");
        EXPECT_TRUE(parent.impl.window().is_enabled()) << "a quit still re-enables";
    });
    std::vector<std::function<void()>> bound;
    for (auto& step : steps)
        bound.push_back([&, step] { step(parent, child); });
    test::script(shown.screen, std::move(bound));
    seen.push_back(parent.impl.do_modal() ? "parent ended" : "parent quit");
    EXPECT_EQ(FormImpl::modal(), nullptr);
    if (shown.screen.quitting())
        seen.push_back("quitting");
    return seen;
}

TEST(FormModal, the_outer_form_closed_first_waits_for_the_inner_loop_and_quitting_ends_both)
{
    // The parent is disabled, so its close comes straight from code, then the child's.
    EXPECT_EQ(nested_loops({[](FakeForm& parent, FakeForm& child) {
        parent.impl.close();
        child.impl.close();
    }}),
        (std::vector<std::string> {"child ended", "parent ended"}));
    EXPECT_EQ(nested_loops({}), (std::vector<std::string> {"child quit", "parent quit", "quitting"}));

    Shown shown;
    bool again = true;
    shown.screen.post_callback([&] { again = shown.form.impl.do_modal(); });
    test::script(shown.screen, {[&] { shown.form.impl.close(); }});
    EXPECT_TRUE(shown.form.impl.do_modal());
    EXPECT_FALSE(again) << "a form already in its loop does not start another";
}
