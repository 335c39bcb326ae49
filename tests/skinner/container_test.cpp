#include "control_test_support.h"
#include "skinner/auto_controls.h"
#include "skinner/control_button.h"
#include "skinner/control_frame.h"
#include "skinner/control_panel.h"
#include "skinner/key_codes.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using skinner::Container;
using skinner::Control;
using skinner::ControlButton;
using skinner::ControlPanel;
using skinner::LookupMode;
using skinner::Point;
using skinner::Rect;
using skinner::Size;
using test::BareContainer;
using test::RecordingControl;
using test::SkinContainer;

namespace {

constexpr uint32_t s_red = 0xFFE00040u;
constexpr uint32_t s_green = 0xFF00E040u;
constexpr uint32_t s_white = 0xFFE0E040u;
constexpr uint32_t s_grey = 0xFFC0D0E0u;

std::string focused_name(const Container& container)
{
    return container.focused() ? test::RecordingListener::name_of(*container.focused()) : "(none)";
}

} // namespace

// Registration and z-order ------------------------------------------------------------------------

TEST(ContainerOrder, equal_z_orders_paint_in_registration_order_and_hit_test_the_other_way_names_may_be_empty)
{
    SkinContainer form(u"FormTest");
    ControlButton a(form.container, u"btnA", LookupMode::named);
    ControlButton b(form.container, u"btnB", LookupMode::named);
    ControlButton low(form.container, u"btnLow", LookupMode::named);
    EXPECT_EQ(test::names(form.container.controls()), "btnLow btnA btnB");

    EXPECT_EQ(form.container.control_at({35, 35}), &b) << "both at z 5: the later one is on top";
    EXPECT_EQ(form.container.control_at({15, 15}), &a);
    EXPECT_EQ(form.container.control_at({25, 25}), &a) << "above the lower z-order";
    EXPECT_EQ(form.container.control_at({5, 5}), nullptr);

    form.window.paint_all(form.container);
    EXPECT_EQ(form.window.pixel({35, 35}), s_green);
    EXPECT_EQ(form.window.pixel({25, 25}), s_red);
    EXPECT_EQ(form.window.pixel({55, 55}), s_green);

    // Controls without a name never clash.
    ControlButton one(form.container, u"Kind.Button", LookupMode::kind);
    ControlButton two(form.container, u"Kind.Button", LookupMode::kind);
    EXPECT_TRUE(one.name().empty());
    EXPECT_EQ(one.kind_name(), u"Kind.Button");
    EXPECT_EQ(form.container.controls().size(), 5u);
    EXPECT_EQ(one.rect(), (Rect {{5, 6}, {7, 8}})) << "properties come from the kind record";
}

TEST(ContainerOrder, changing_a_z_order_sorts_again_and_ties_follow_registration)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a", {}, 5);
    RecordingControl b(bare.container, u"b", {}, 5);
    RecordingControl c(bare.container, u"c", {}, 1);
    EXPECT_EQ(test::names(bare.container.controls()), "c a b");
    a.set_z_order(9);
    EXPECT_EQ(test::names(bare.container.controls()), "c b a");
    a.set_z_order(5);
    EXPECT_EQ(test::names(bare.container.controls()), "c a b") << "a was registered before b";
    c.set_z_order(-3);
    b.set_z_order(-3);
    EXPECT_EQ(test::names(bare.container.controls()), "b c a") << "b was registered before c";
}

TEST(ContainerOrder, destroyed_controls_leave_the_list_and_the_focus)
{
    BareContainer bare;
    RecordingControl keep(bare.container, u"keep", {{0, 0}, {10, 10}});
    {
        RecordingControl gone(bare.container, u"gone", {{0, 0}, {10, 10}});
        bare.container.activate(true);
        bare.container.set_focus(&gone);
        bare.container.mouse_down(skinner::ButtonTap, {5, 5}, false);
        EXPECT_EQ(bare.container.captured(), &gone);
    }
    EXPECT_EQ(test::names(bare.container.controls()), "keep");
    EXPECT_EQ(bare.container.focused(), nullptr);
    EXPECT_EQ(bare.container.captured(), nullptr);
    EXPECT_EQ(bare.container.hover(), nullptr);
    bare.container.mouse_up(skinner::ButtonTap, {5, 5});
    EXPECT_EQ(keep.count("up0 5 5"), 0u) << "the release of a lost capture goes nowhere";
    EXPECT_EQ(bare.container.find_control(u"gone"), nullptr);
    EXPECT_EQ(bare.container.find_control(u"keep"), &keep);
}

TEST(ContainerDeathTest, a_second_control_with_the_same_name_ends_the_program)
{
    BareContainer bare;
    RecordingControl first(bare.container, u"btnPlay");
    EXPECT_EXIT(RecordingControl(bare.container, u"btnPlay"), test::failed_exit,
        "Container::register_control: control with id \\{btnPlay\\} already exists in container");
}

// Common properties -------------------------------------------------------------------------------

TEST(ControlProperties, common_properties_come_from_the_control_record)
{
    SkinContainer form(u"FormTest");
    ControlButton hand(form.container, u"btnHand", LookupMode::named);
    ControlButton bad(form.container, u"btnBadCursor", LookupMode::named);
    ControlButton gesture(form.container, u"btnGesture", LookupMode::named);
    ControlButton hidden(form.container, u"btnHidden", LookupMode::named);
    ControlButton top(form.container, u"btnTop", LookupMode::named);
    ControlButton third(form.container, u"tab1", LookupMode::named);
    ControlButton no_focus(form.container, u"tabNo", LookupMode::named);

    EXPECT_EQ(hand.cursor(), os::Cursor::hand);
    EXPECT_EQ(bad.cursor(), std::nullopt) << "cursor names are matched exactly";
    EXPECT_TRUE(gesture.wants_gestures({0, 0}));
    EXPECT_FALSE(hand.wants_gestures({0, 0}));
    EXPECT_FALSE(hidden.is_visible());
    EXPECT_FALSE(top.is_enabled());
    EXPECT_EQ(top.z_order(), 10);
    EXPECT_EQ(third.tab_order(), 3);
    EXPECT_FALSE(no_focus.want_focus());
    EXPECT_TRUE(hand.want_focus());
    EXPECT_EQ(hand.design_position(), (Point {60, 120}));
    EXPECT_EQ(hand.design_size(), (Size {20, 20}));
    // The skin has no such control: asking for it would end the program.
    RecordingControl free(form.container, u"notInTheSkin", {{1, 2}, {3, 4}});
    EXPECT_EQ(free.get_int(u"ZOrder", 77), 77);
    EXPECT_EQ(free.get_string(u"Text", u"plain"), u"plain");
    EXPECT_EQ(free.get_cursor(u"Cursor", std::nullopt), std::nullopt);
    EXPECT_EQ(free.rect(), (Rect {{1, 2}, {3, 4}}));
}

TEST(ControlProperties, focus_picture_shows_only_while_the_container_is_active)
{
    SkinContainer form(u"FormTest");
    ControlButton button(form.container, u"btnFocusPic", LookupMode::named);
    form.container.set_focus(&button);
    form.window.paint_all(form.container);
    EXPECT_EQ(form.window.pixel({130, 130}), s_red) << "focused but not active";
    form.container.activate(true);
    EXPECT_TRUE(form.window.was_invalidated(button.rect()));
    form.window.paint_all(form.container);
    EXPECT_EQ(form.window.pixel({130, 130}), s_grey);
}

// Visibility, enabling and invalidation -----------------------------------------------------------

TEST(ControlState, hiding_showing_and_moving_repaint_the_areas_once)
{
    BareContainer bare;
    RecordingControl control(bare.container, u"c", {{10, 10}, {20, 20}});
    bare.window.clean();
    control.set_visible(false);
    EXPECT_EQ(control.events, std::vector<std::string> {"hide"});
    EXPECT_TRUE(bare.window.was_invalidated({{10, 10}, {20, 20}})) << "what was under it shows again";
    bare.window.clean();
    control.invalidate();
    EXPECT_TRUE(bare.window.invalidations.empty()) << "a hidden control has nothing to repaint";
    control.set_visible(false);
    EXPECT_EQ(control.events.size(), 1u) << "no change, no event";
    control.set_visible(true);
    EXPECT_EQ(control.events.back(), "show");
    bare.window.clean();
    control.set_rect({{50, 60}, {5, 5}});
    EXPECT_EQ(bare.window.invalidations, (std::vector<Rect> {{{10, 10}, {20, 20}}, {{50, 60}, {5, 5}}}));
    bare.window.clean();
    control.set_rect({{50, 60}, {5, 5}});
    EXPECT_TRUE(bare.window.invalidations.empty());
}

TEST(ControlState, the_container_flags_are_part_of_the_effective_state)
{
    BareContainer bare;
    RecordingControl shown(bare.container, u"shown");
    RecordingControl hidden(bare.container, u"hidden");
    hidden.set_visible(false);
    hidden.events.clear();
    bare.container.set_visible(false);
    EXPECT_EQ(shown.events, std::vector<std::string> {"hide"});
    EXPECT_TRUE(hidden.events.empty()) << "it was hidden already";
    EXPECT_FALSE(shown.is_visible());
    hidden.set_visible(true);
    EXPECT_TRUE(hidden.events.empty()) << "its own flag alone does not show it";
    EXPECT_FALSE(hidden.is_visible());
    bare.container.set_enabled(false);
    EXPECT_FALSE(shown.is_enabled());
    EXPECT_EQ(shown.events.back(), "disable");
}

// Focus ------------------------------------------------------------------------------------------

TEST(ContainerFocus, tab_follows_tab_order_and_reports_false_when_wrapping)
{
    SkinContainer form(u"FormTest");
    ControlButton first(form.container, u"tab1", LookupMode::named); // TabOrder 3
    ControlButton second(form.container, u"tab2", LookupMode::named); // TabOrder 1
    ControlButton third(form.container, u"tab3", LookupMode::named); // TabOrder 2
    ControlButton none(form.container, u"tabNo", LookupMode::named); // WantFocus 0
    EXPECT_EQ(test::names(form.container.focus_order()), "tab2 tab3 tab1");

    form.container.activate(true);
    EXPECT_EQ(focused_name(form.container), "tab2");
    EXPECT_TRUE(form.container.on_key_down(skinner::KeyTab));
    EXPECT_EQ(focused_name(form.container), "tab3");
    EXPECT_TRUE(form.container.on_key_down(skinner::KeyTab));
    EXPECT_EQ(focused_name(form.container), "tab1");
    EXPECT_FALSE(form.container.on_key_down(skinner::KeyTab)) << "wrapped";
    EXPECT_EQ(focused_name(form.container), "tab2");
    EXPECT_EQ(form.listener.count("focused"), 4u);
}

TEST(ContainerFocus, shift_tab_up_and_down_move_and_control_or_alt_tab_do_not)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a");
    RecordingControl b(bare.container, u"b");
    RecordingControl c(bare.container, u"c");
    bare.container.activate(true);
    EXPECT_EQ(focused_name(bare.container), "a");
    bare.window.keys_down = {skinner::KeyShift};
    EXPECT_FALSE(bare.container.on_key_down(skinner::KeyTab)) << "backward from the first wraps";
    EXPECT_EQ(focused_name(bare.container), "c");
    EXPECT_TRUE(bare.container.on_key_down(skinner::KeyUp));
    EXPECT_EQ(focused_name(bare.container), "b");
    EXPECT_TRUE(bare.container.on_key_down(skinner::KeyDown));
    EXPECT_EQ(focused_name(bare.container), "c");
    for (int32_t modifier : {skinner::KeyControl, skinner::KeyAlt}) {
        bare.window.keys_down = {modifier};
        EXPECT_FALSE(bare.container.on_key_down(skinner::KeyTab));
        EXPECT_EQ(focused_name(bare.container), "c");
    }
    bare.window.keys_down = {};
    EXPECT_FALSE(bare.container.on_key_down(skinner::KeyEnter)) << "nothing takes Enter here";
    EXPECT_FALSE(bare.container.on_key_down(skinner::KeyOther));
}

TEST(ContainerFocus, equal_tab_orders_keep_the_list_order_and_skip_what_cannot_take_the_focus)
{
    BareContainer bare;
    RecordingControl late(bare.container, u"late", {}, 2);
    RecordingControl early(bare.container, u"early", {}, -1);
    RecordingControl hidden(bare.container, u"hidden");
    RecordingControl disabled(bare.container, u"disabled");
    RecordingControl unwilling(bare.container, u"unwilling");
    hidden.set_visible(false);
    disabled.set_enabled(false);
    unwilling.set_want_focus(false);
    EXPECT_EQ(test::names(bare.container.focus_order()), "early late");
}

TEST(ContainerFocus, gained_and_lost_reach_controls_only_while_active)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a");
    RecordingControl b(bare.container, u"b");
    bare.container.set_focus(&a);
    EXPECT_TRUE(a.events.empty());
    EXPECT_FALSE(bare.container.is_focused(&a)) << "not active";
    bare.container.activate(true);
    EXPECT_EQ(a.events, std::vector<std::string> {"gained"});
    EXPECT_TRUE(bare.container.is_focused(&a));
    bare.container.set_focus(&b);
    EXPECT_EQ(a.events.back(), "lost");
    EXPECT_EQ(b.events, std::vector<std::string> {"gained"});
    bare.container.set_focus(&b);
    EXPECT_EQ(b.events.size(), 1u) << "already focused";
    bare.container.activate(false);
    EXPECT_EQ(b.events.back(), "lost");
    bare.container.activate(false);
    EXPECT_EQ(b.events.size(), 2u);
    EXPECT_FALSE(bare.container.is_focused(nullptr));
}

TEST(ContainerFocus, activating_focuses_the_first_willing_control_and_hiding_another_leaves_it)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a");
    a.set_want_focus(false);
    RecordingControl b(bare.container, u"b");
    RecordingControl c(bare.container, u"c");
    bare.container.activate(true);
    EXPECT_EQ(bare.container.focused(), &b);
    EXPECT_EQ(b.events, std::vector<std::string> {"gained"});
    EXPECT_EQ(bare.listener.count("focused"), 1u);
    c.set_visible(false);
    EXPECT_EQ(bare.container.focused(), &b) << "c did not hold the focus";
    EXPECT_EQ(b.count("lost"), 0u);
}

TEST(ContainerFocus, hiding_disabling_or_refusing_the_focused_control_moves_the_focus_on)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a");
    RecordingControl b(bare.container, u"b");
    RecordingControl c(bare.container, u"c");
    bare.container.activate(true);
    bare.container.set_focus(&b);
    b.set_visible(false);
    EXPECT_EQ(b.events.back(), "lost");
    EXPECT_EQ(focused_name(bare.container), "a") << "b left the order: forward from outside it is the first";
    a.set_enabled(false);
    EXPECT_EQ(focused_name(bare.container), "c");
    c.set_want_focus(false);
    EXPECT_EQ(bare.container.focused(), nullptr) << "no control can take it any more";
    EXPECT_EQ(c.events.back(), "lost");
    EXPECT_FALSE(bare.container.on_key_down(skinner::KeyEnter));
    EXPECT_EQ(c.count("key 9"), 0u) << "keys do not reach a control that refused the focus";
}

TEST(ContainerFocus, keys_and_characters_go_to_the_focused_control_first)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a");
    RecordingControl b(bare.container, u"b");
    EXPECT_FALSE(bare.container.on_char(u"x")) << "no focused control";
    EXPECT_FALSE(bare.container.on_key_up(skinner::KeyEnter));
    bare.container.activate(true);
    a.handles_keys = true;
    EXPECT_TRUE(bare.container.on_key_down(skinner::KeyTab));
    EXPECT_EQ(bare.container.focused(), &a) << "a took the Tab itself";
    EXPECT_TRUE(bare.container.on_key_up(skinner::KeyTab));
    EXPECT_TRUE(bare.container.on_char(u"q"));
    EXPECT_EQ(a.events, (std::vector<std::string> {"gained", "key 18", "keyup 18", "char q"}));
    EXPECT_TRUE(b.events.empty());
}

// Pointer ----------------------------------------------------------------------------------------

TEST(ContainerPointer, a_tap_captures_hovers_focuses_and_releases)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a", {{0, 0}, {50, 50}});
    RecordingControl b(bare.container, u"b", {{60, 0}, {50, 50}});
    b.shape = os::Cursor::hand;
    bare.container.activate(true);
    bare.container.mouse_down(skinner::ButtonTap, {70, 10}, false);
    EXPECT_EQ(bare.container.captured(), &b);
    EXPECT_EQ(bare.container.hover(), &b);
    EXPECT_EQ(bare.container.focused(), &b);
    EXPECT_EQ(bare.window.cursor, os::Cursor::hand);
    EXPECT_TRUE(b.has_capture());
    bare.container.mouse_move({10, 10});
    bare.container.mouse_up(skinner::ButtonTap, {10, 10});
    EXPECT_EQ(b.events, (std::vector<std::string> {"gained", "down0 70 10", "move 10 10", "up0 10 10"}))
        << "the captured control gets everything, wherever the pointer goes";
    EXPECT_EQ(std::count(a.events.begin(), a.events.end(), "move 10 10"), 0);
    EXPECT_EQ(bare.container.captured(), nullptr);
    EXPECT_EQ(bare.container.last_point(), (Point {10, 10}));
}

TEST(ContainerPointer, the_capture_lasts_until_the_last_button_is_up_and_unknown_buttons_are_ignored)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a", {{0, 0}, {50, 50}});
    bare.container.mouse_down(skinner::ButtonTap, {1, 1}, true);
    bare.container.mouse_down(skinner::ButtonHold, {2, 2}, false);
    bare.container.mouse_down(skinner::ButtonSecond, {3, 3}, false);
    EXPECT_TRUE(bare.container.is_down(skinner::ButtonHold));
    bare.container.mouse_up(skinner::ButtonTap, {4, 4});
    EXPECT_EQ(bare.container.captured(), &a);
    bare.container.mouse_up(skinner::ButtonSecond, {5, 5});
    bare.container.mouse_up(skinner::ButtonHold, {6, 6});
    EXPECT_EQ(bare.container.captured(), nullptr);
    EXPECT_EQ(a.events,
        (std::vector<std::string> {
            "down0 double 1 1", "down2 2 2", "down1 3 3", "up0 double 4 4", "up1 5 5", "up2 6 6"}))
        << "an up carries the double-click flag of its own press";
    a.events.clear();
    bare.container.mouse_down(-1, {1, 1}, false);
    bare.container.mouse_down(3, {1, 1}, false);
    bare.container.mouse_up(7, {1, 1});
    EXPECT_TRUE(a.events.empty()) << "buttons outside the table are ignored";
    EXPECT_EQ(bare.container.captured(), nullptr);
    EXPECT_FALSE(bare.container.is_down(3));
}

TEST(ContainerPointer, a_disabled_control_swallows_the_stylus_and_hides_the_one_below)
{
    BareContainer bare;
    RecordingControl below(bare.container, u"below", {{0, 0}, {50, 50}});
    RecordingControl top(bare.container, u"top", {{0, 0}, {50, 50}}, 10);
    bare.container.activate(true);
    bare.container.set_focus(nullptr);
    below.events.clear();
    top.set_enabled(false);
    top.events.clear();
    bare.container.mouse_move({10, 10});
    EXPECT_EQ(bare.container.hover(), nullptr);
    bare.container.mouse_down(skinner::ButtonTap, {10, 10}, false);
    bare.container.mouse_up(skinner::ButtonTap, {10, 10});
    EXPECT_TRUE(top.events.empty()) << "a disabled control gets no events";
    EXPECT_TRUE(below.events.empty()) << "and the enabled one below is hidden by it";
    EXPECT_EQ(bare.container.focused(), nullptr) << "nothing took the focus";
    EXPECT_EQ(bare.container.captured(), nullptr);

    top.set_visible(false);
    bare.container.mouse_down(skinner::ButtonTap, {10, 10}, false);
    EXPECT_EQ(bare.container.captured(), &below) << "a hidden control is not hit at all";
}

TEST(ContainerPointer, disabled_buttons_from_the_skin_hide_the_button_below)
{
    SkinContainer form(u"FormTest");
    ControlButton below(form.container, u"btnBelow", LookupMode::named);
    ControlButton top(form.container, u"btnTop", LookupMode::named);
    form.container.activate(true);
    form.container.set_focus(nullptr);
    form.listener.log.clear();
    form.container.mouse_down(skinner::ButtonTap, {20, 130}, false);
    form.container.mouse_up(skinner::ButtonTap, {20, 130});
    EXPECT_TRUE(form.listener.log.empty());
    EXPECT_EQ(form.container.focused(), nullptr);
    form.window.paint_all(form.container);
    EXPECT_EQ(form.window.pixel({20, 130}), s_white) << "the disabled button paints on top";
}

TEST(ContainerPointer, hover_follows_the_pointer_with_leave_repaint_and_cursor)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a", {{0, 0}, {50, 50}});
    RecordingControl b(bare.container, u"b", {{60, 0}, {50, 50}});
    a.shape = os::Cursor::ibeam;
    bare.container.mouse_move({10, 10});
    EXPECT_EQ(bare.container.hover(), &a);
    EXPECT_EQ(bare.window.cursor, os::Cursor::ibeam);
    bare.window.clean();
    EXPECT_FALSE(bare.container.set_hover(&a)) << "no change";
    bare.container.mouse_move({70, 10});
    EXPECT_EQ(a.events, (std::vector<std::string> {"move 10 10", "leave"}));
    EXPECT_EQ(b.events, (std::vector<std::string> {"move 70 10"}));
    EXPECT_TRUE(bare.window.was_invalidated(a.rect()));
    EXPECT_TRUE(bare.window.was_invalidated(b.rect()));
    EXPECT_EQ(bare.window.cursor, std::nullopt) << "b has no cursor: the default arrow";
    bare.container.mouse_move({200, 200});
    EXPECT_EQ(bare.container.hover(), nullptr);
    EXPECT_EQ(b.events.back(), "leave");
}

TEST(ContainerPointer, the_topmost_control_under_the_point_decides_about_gestures)
{
    SkinContainer form(u"FormTest");
    ControlButton gesture(form.container, u"btnGesture", LookupMode::named);
    ControlButton hand(form.container, u"btnHand", LookupMode::named);
    EXPECT_TRUE(form.container.wants_gesture({95, 125}));
    EXPECT_FALSE(form.container.wants_gesture({65, 125}));
    EXPECT_FALSE(form.container.wants_gesture({5, 5})) << "nothing there";
    gesture.set_visible(false);
    EXPECT_FALSE(form.container.wants_gesture({95, 125}));
}

// Painting ---------------------------------------------------------------------------------------

TEST(ContainerPaint, only_visible_controls_in_the_dirty_area_paint_lowest_first)
{
    BareContainer bare;
    RecordingControl under(bare.container, u"under", {{0, 0}, {40, 40}});
    RecordingControl over(bare.container, u"over", {{20, 20}, {40, 40}}, 3);
    RecordingControl away(bare.container, u"away", {{100, 100}, {10, 10}});
    RecordingControl hidden(bare.container, u"hidden", {{0, 0}, {40, 40}});
    under.fill = 0xFF0000FFu;
    over.fill = 0xFF00FF00u;
    hidden.set_visible(false);
    bare.window.dirty = {{0, 0}, {50, 50}};
    bare.window.paint(bare.container);
    EXPECT_EQ(under.count("paint"), 1u);
    EXPECT_EQ(over.count("paint"), 1u);
    EXPECT_EQ(away.count("paint"), 0u);
    EXPECT_EQ(hidden.count("paint"), 0u);
    EXPECT_EQ(bare.window.pixel({30, 30}), 0xFF00FF00u);
    EXPECT_EQ(bare.window.pixel({10, 10}), 0xFF0000FFu);
}

// Timers and notifications -----------------------------------------------------------------------

TEST(ControlTimer, a_control_hears_its_own_timer_and_replaces_it_when_started_again)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a");
    auto b = std::make_unique<RecordingControl>(bare.container, u"b");
    a.start_timer(0.25);
    uint32_t first = a.timer_id();
    ASSERT_NE(first, 0u);
    EXPECT_EQ(bare.window.timers.at(first), 0.25);
    b->start_timer(1);
    EXPECT_NE(b->timer_id(), first) << "ids are unique";
    bare.container.on_timer(first);
    EXPECT_EQ(a.count("timer"), 1u);
    EXPECT_EQ(b->count("timer"), 0u);
    a.start_timer(0.5);
    EXPECT_NE(a.timer_id(), first);
    EXPECT_EQ(bare.window.timers.count(first), 0u) << "the old timer was killed";
    bare.container.on_timer(first);
    EXPECT_EQ(a.count("timer"), 1u);
    bare.container.on_timer(0);
    uint32_t b_timer = b->timer_id();
    b.reset();
    EXPECT_EQ(bare.window.timers.count(b_timer), 0u) << "destroying a control stops its timer";
    a.stop_timer();
    EXPECT_EQ(a.timer_id(), 0u);
    EXPECT_TRUE(bare.window.timers.empty());
}

TEST(ControlNotifications, forwarded_slots_climb_to_the_listener_and_the_others_stop)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a");
    a.on_command(u"Play");
    a.on_child_value(a, 0.5);
    a.on_value_changed(a);
    a.on_selection_changed(a);
    a.on_scroll(a, 7);
    skinner::GridClick header;
    header.column = 3;
    a.on_header_hold(a, header);
    EXPECT_EQ(a.on_child_focused(), 0);
    EXPECT_EQ(bare.listener.log,
        (std::vector<std::string> {"command Play", "value a 0.500000", "changed a", "selection a",
            "scroll a 7", "header hold a 3"}));

    Container orphan(bare.window, nullptr, u"", LookupMode::none, nullptr);
    RecordingControl child(orphan, u"a");
    EXPECT_EQ(child.on_command(u"Play"), 0) << "a container without a listener drops events";
    EXPECT_EQ(orphan.on_child_focused(), 0);
}

// Anchors ----------------------------------------------------------------------------------------

TEST(ContainerLayout, anchors_follow_a_resize_from_the_design_size_and_a_new_design_rect)
{
    SkinContainer form(u"FormTest");
    ControlButton max(form.container, u"ancMax", LookupMode::named);
    ControlButton both(form.container, u"ancBoth", LookupMode::named);
    ControlButton ratio(form.container, u"ancRatio", LookupMode::named);
    ControlButton mixed(form.container, u"ancMixed", LookupMode::named);
    EXPECT_EQ(form.container.design_size(), (Size {240, 268}));
    EXPECT_EQ(max.rect(), (Rect {{200, 228}, {30, 30}})) << "at the design size";

    form.container.resize({0, 26}, {480, 536});
    EXPECT_EQ(max.rect(), (Rect {{440, 26 + 496}, {30, 30}})) << "keeps 10 px to the right and bottom";
    EXPECT_EQ(both.rect(), (Rect {{10, 26 + 10}, {460, 516}})) << "keeps both distances";
    EXPECT_EQ(ratio.rect(), (Rect {{120, 26 + 134}, {240, 268}})) << "scaled by two";
    EXPECT_EQ(mixed.rect(), (Rect {{5, 26 + 273}, {10, 10}})) << "an unknown anchor name is MIN_SIDE";
    form.container.resize({0, 0}, {250, 268});
    max.set_design_rect({100, 100}, {5, 6});
    EXPECT_EQ(max.rect(), (Rect {{110, 100}, {5, 6}}));
}

TEST(ContainerLayout, ratio_in_a_container_designed_without_size_acts_as_min_side)
{
    SkinContainer form(u"FormNoSize");
    ControlButton ratio(form.container, u"ancRatio0", LookupMode::named);
    EXPECT_EQ(form.container.design_size(), (Size {0, 0}));
    form.container.resize({0, 0}, {100, 100});
    EXPECT_EQ(ratio.rect(), (Rect {{10, 12}, {20, 22}}));
}

TEST(ContainerLayout, a_smartphone_designs_for_the_size_without_buttons)
{
    SkinContainer pocket(u"FormSizes");
    EXPECT_EQ(pocket.container.design_size(), (Size {100, 100}));
    EXPECT_EQ(pocket.container.size(), (Size {100, 100}));
    SkinContainer phone(u"FormSizes", skinner::DeviceKind::smartphone);
    EXPECT_EQ(phone.container.design_size(), (Size {100, 120}));
    SkinContainer plain(u"PanelTemplate", skinner::DeviceKind::smartphone);
    EXPECT_EQ(plain.container.design_size(), (Size {120, 60})) << "no SizeNoButtons: Size stands";
}

// Auto controls and skin changes -----------------------------------------------------------------

TEST(ContainerAuto, buttons_and_frames_are_made_for_their_kinds_only_and_never_without_a_skin)
{
    SkinContainer form(u"FormAuto");
    form.container.create_auto_controls(skinner::make_auto_control);
    ASSERT_EQ(form.container.auto_controls().size(), 2u);
    auto* button = dynamic_cast<ControlButton*>(form.container.find_control(u"btnAuto"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), u"Auto");
    EXPECT_EQ(button->rect(), (Rect {{4, 4}, {20, 20}}));
    auto* frame = dynamic_cast<skinner::ControlFrame*>(form.container.find_control(u"frmAuto2"));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->text(), u"Label");
    EXPECT_EQ(form.container.find_control(u"xOther"), nullptr) << "Auto.Other makes nothing";
    BareContainer bare;
    int calls = 0;
    bare.container.create_auto_controls([&](Container&, std::u16string_view, std::u16string_view) {
        ++calls;
        return std::unique_ptr<Control>();
    });
    EXPECT_EQ(calls, 0);
}

TEST(ContainerSkin, reloading_reads_everything_again_and_makes_new_auto_controls)
{
    SkinContainer form(u"FormReload");
    ControlButton move(form.container, u"btnMove", LookupMode::named);
    ControlButton lo(form.container, u"lo", LookupMode::named);
    ControlButton hi(form.container, u"hi", LookupMode::named);
    form.container.create_auto_controls(skinner::make_auto_control);
    EXPECT_EQ(test::names(form.container.controls()), "btnMove lo aBtn hi");
    EXPECT_EQ(move.text(), u"Before");

    form.properties.reload(test::controls_skin("controls_skin_moved"), test::s_screen);
    ASSERT_TRUE(form.properties.is_valid());
    form.container.on_skin_changed();

    EXPECT_EQ(test::names(form.container.controls()), "btnMove aFrame aBtn2 hi lo");
    EXPECT_EQ(form.container.find_control(u"aBtn"), nullptr);
    EXPECT_EQ(form.container.design_size(), (Size {200, 200}));
    EXPECT_EQ(form.container.size(), (Size {240, 268})) << "the window decides the current size";
    EXPECT_EQ(move.text(), u"After");
    EXPECT_FALSE(move.is_visible());
    EXPECT_EQ(move.rect(), (Rect {{50, 60}, {30, 30}})) << "laid out again at once";
    EXPECT_EQ(form.container.find_control(u"aBtn2")->rect(), (Rect {{1, 1}, {5, 5}}));
}

// Panels -----------------------------------------------------------------------------------------

TEST(ControlPanel, children_come_from_the_template_paint_over_it_and_their_clicks_climb_to_the_form)
{
    SkinContainer form(u"FormTest");
    ControlPanel panel(form.container, u"pnlMain", LookupMode::named);
    ControlPanel bare(form.container, u"pnlBare", LookupMode::named);
    ControlButton first(panel.inner(), u"pbtn1", LookupMode::named);
    ControlButton second(panel.inner(), u"pbtn2", LookupMode::named);
    EXPECT_EQ(panel.form_template(), u"PanelTemplate");
    EXPECT_TRUE(bare.form_template().empty());
    EXPECT_EQ(panel.inner().design_size(), (Size {120, 60}));
    EXPECT_EQ(first.rect(), (Rect {{0, 200}, {20, 20}}));
    EXPECT_NE(panel.inner().find_control(u"pAuto"), nullptr) << "the template's auto controls";
    EXPECT_EQ(form.container.find_control(u"pbtn1"), nullptr) << "children belong to the panel";

    form.window.paint_all(form.container);
    EXPECT_EQ(form.window.pixel({25, 225}), s_white) << "the template's Background";
    EXPECT_EQ(form.window.pixel({5, 205}), s_red) << "children paint over it";
    EXPECT_EQ(form.window.pixel({150, 230}), s_grey) << "no template: the panel's own Background";

    form.container.mouse_down(skinner::ButtonTap, {5, 205}, false);
    EXPECT_EQ(form.container.captured(), &panel);
    EXPECT_EQ(panel.inner().captured(), &first);
    EXPECT_TRUE(first.held_by_stylus());
    form.container.mouse_up(skinner::ButtonTap, {6, 206});
    EXPECT_EQ(form.listener.log, (std::vector<std::string> {"focused", "focused", "click pbtn1 6 206"}))
        << "the panel took the focus, then its child did, and the click climbed";

    panel.set_design_rect({10, 150}, {160, 60});
    EXPECT_EQ(first.rect(), (Rect {{10, 150}, {20, 20}}));
    EXPECT_EQ(second.rect(), (Rect {{10 + 30 + 40, 150}, {20, 20}})) << "MAX_SIDE inside the wider panel";
}

TEST(ControlPanel, focusing_a_nested_child_focuses_every_enclosing_panel)
{
    SkinContainer form(u"FormTest");
    RecordingControl other(form.container, u"other");
    ControlPanel outer(form.container, u"pnlMain", LookupMode::named);
    ControlPanel inner(outer.inner(), u"pnlInner", LookupMode::named);
    ControlButton leaf(inner.inner(), u"ibtn2", LookupMode::named);
    form.container.activate(true);
    EXPECT_EQ(form.container.focused(), &other);

    form.container.mouse_down(skinner::ButtonTap, {95, 205}, false);
    EXPECT_EQ(form.container.focused(), &outer);
    EXPECT_EQ(outer.inner().focused(), &inner);
    EXPECT_EQ(inner.inner().focused(), &leaf);
    EXPECT_TRUE(inner.inner().is_focused(&leaf)) << "every container on the way is active";
    EXPECT_FALSE(form.container.is_focused(&other));
}

TEST(ControlPanel, tab_past_the_last_child_moves_on_timers_reach_children_and_hiding_hides_them)
{
    SkinContainer form(u"FormTest");
    ControlPanel panel(form.container, u"pnlBare", LookupMode::named);
    RecordingControl one(panel.inner(), u"one");
    RecordingControl two(panel.inner(), u"two");
    RecordingControl after(form.container, u"after");
    form.container.activate(true);
    EXPECT_EQ(form.container.focused(), &panel);
    EXPECT_TRUE(panel.inner().is_focused(&one));
    EXPECT_TRUE(form.container.on_key_down(skinner::KeyTab));
    EXPECT_TRUE(panel.inner().is_focused(&two));
    EXPECT_TRUE(form.container.on_key_down(skinner::KeyTab)) << "the panel wrapped; the form moved on";
    EXPECT_EQ(form.container.focused(), &after);
    EXPECT_EQ(one.events.back(), "lost") << "the panel lost the focus, and with it its child";
    RecordingControl child(panel.inner(), u"child", {{0, 0}, {10, 10}});
    child.start_timer(0.1);
    form.container.on_timer(child.timer_id());
    EXPECT_EQ(child.count("timer"), 1u);
    panel.set_visible(false);
    EXPECT_FALSE(child.is_visible());
    EXPECT_EQ(child.events.back(), "hide");
    panel.set_enabled(false);
    EXPECT_FALSE(child.is_enabled());
}
