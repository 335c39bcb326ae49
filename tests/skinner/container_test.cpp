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
using Events = std::vector<std::string>;

namespace {

constexpr uint32_t s_red = 0xFFE00040u;
constexpr uint32_t s_green = 0xFF00E040u;
constexpr uint32_t s_white = 0xFFE0E040u;
constexpr uint32_t s_grey = 0xFFC0D0E0u;

std::string focused_name(const Container& container)
{
    return container.focused() ? test::RecordingListener::name_of(*container.focused()) : "(none)";
}

void tap(Container& container, Point point)
{
    container.mouse_down(skinner::ButtonTap, point, false);
    container.mouse_up(skinner::ButtonTap, point);
}

} // namespace

TEST(ContainerOrder, z_order_decides_painting_and_hit_testing_and_ties_follow_registration)
{
    SkinContainer form(u"FormTest");
    ControlButton a(form.container, u"btnA", LookupMode::named);
    ControlButton b(form.container, u"btnB", LookupMode::named);
    ControlButton low(form.container, u"btnLow", LookupMode::named);
    EXPECT_EQ(test::names(form.container.controls()), "btnLow btnA btnB");
    EXPECT_EQ(form.container.control_at({35, 35}), &b) << "both at z 5: the later one is on top";
    EXPECT_EQ(form.container.control_at({25, 25}), &a) << "above the lower z-order";
    EXPECT_EQ(form.container.control_at({5, 5}), nullptr);
    form.window.paint_all(form.container);
    EXPECT_EQ(form.window.pixel({35, 35}), s_green);
    EXPECT_EQ(form.window.pixel({25, 25}), s_red);
    // Controls without a name never clash and read the kind record.
    ControlButton one(form.container, u"Kind.Button", LookupMode::kind);
    ControlButton two(form.container, u"Kind.Button", LookupMode::kind);
    EXPECT_TRUE(one.name().empty());
    EXPECT_EQ(one.kind_name(), u"Kind.Button");
    EXPECT_EQ(one.rect(), (Rect {{5, 6}, {7, 8}}));

    BareContainer bare;
    RecordingControl x(bare.container, u"a", {}, 5);
    RecordingControl y(bare.container, u"b", {}, 5);
    RecordingControl z(bare.container, u"c", {}, 1);
    x.set_z_order(9);
    EXPECT_EQ(test::names(bare.container.controls()), "c b a");
    x.set_z_order(5);
    EXPECT_EQ(test::names(bare.container.controls()), "c a b") << "a was registered before b";
    z.set_z_order(-3);
    y.set_z_order(-3);
    EXPECT_EQ(test::names(bare.container.controls()), "b c a");
}

TEST(ContainerOrder, destroyed_controls_leave_the_list_the_focus_and_the_capture)
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
    EXPECT_FALSE(bare.container.is_focused(nullptr));
    bare.container.activate(false);
    bare.container.activate(false);
    EXPECT_EQ(keep.events, (Events {"gained", "lost"})) << "deactivating without a focus tells nobody";
    bare.container.mouse_up(skinner::ButtonTap, {5, 5});
    EXPECT_EQ(keep.count("up0 5 5"), 0u);
    EXPECT_EQ(bare.container.find_control(u"gone"), nullptr);
}

TEST(ContainerDeathTest, a_second_control_with_the_same_name_ends_the_program)
{
    BareContainer bare;
    RecordingControl first(bare.container, u"btnPlay");
    EXPECT_EXIT(RecordingControl(bare.container, u"btnPlay"), test::failed_exit,
        "Container::register_control: control with id \\{btnPlay\\} already exists in container");
}

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
    EXPECT_EQ(hand.rect(), (Rect {{60, 120}, {20, 20}}));
    // A control missing from the skin reads its defaults.
    RecordingControl free(form.container, u"notInTheSkin", {{1, 2}, {3, 4}});
    EXPECT_EQ(free.get_int(u"ZOrder", 77), 77);
    EXPECT_EQ(free.get_string(u"Text", u"plain"), u"plain");
    EXPECT_EQ(free.get_cursor(u"Cursor", os::Cursor::wait), os::Cursor::wait);
    EXPECT_EQ(free.rect(), (Rect {{1, 2}, {3, 4}}));

    // The topmost control under a point decides about gestures.
    EXPECT_TRUE(form.container.wants_gesture({95, 125}));
    EXPECT_FALSE(form.container.wants_gesture({65, 125}));
    gesture.set_visible(false);
    EXPECT_FALSE(form.container.wants_gesture({95, 125}));
}

TEST(ControlState, hiding_showing_and_moving_repaint_the_areas_and_the_container_flags_count)
{
    BareContainer bare;
    RecordingControl control(bare.container, u"c", {{10, 10}, {20, 20}});
    bare.window.clean();
    control.set_visible(false);
    EXPECT_TRUE(bare.window.was_invalidated({{10, 10}, {20, 20}})) << "what was under it shows again";
    bare.window.clean();
    control.invalidate();
    EXPECT_TRUE(bare.window.invalidations.empty()) << "a hidden control has nothing to repaint";
    control.set_visible(false);
    control.set_visible(true);
    EXPECT_EQ(control.events, (Events {"hide", "show"})) << "no change, no event";
    bare.window.clean();
    control.set_rect({{50, 60}, {5, 5}});
    control.set_rect({{50, 60}, {5, 5}});
    EXPECT_EQ(bare.window.invalidations, (std::vector<Rect> {{{10, 10}, {20, 20}}, {{50, 60}, {5, 5}}}));

    RecordingControl hidden(bare.container, u"hidden");
    hidden.set_visible(false);
    control.events.clear();
    hidden.events.clear();
    bare.container.set_visible(false);
    EXPECT_EQ(control.events, Events {"hide"});
    hidden.set_visible(true);
    EXPECT_TRUE(hidden.events.empty()) << "its own flag alone does not show it";
    EXPECT_FALSE(hidden.is_visible());
    bare.container.set_enabled(false);
    EXPECT_FALSE(control.is_enabled());
    EXPECT_EQ(control.events.back(), "disable");
}

TEST(ContainerFocus, tab_follows_tab_order_and_reports_false_when_wrapping)
{
    SkinContainer form(u"FormTest");
    ControlButton first(form.container, u"tab1", LookupMode::named); // TabOrder 3
    ControlButton second(form.container, u"tab2", LookupMode::named); // TabOrder 1
    ControlButton third(form.container, u"tab3", LookupMode::named); // TabOrder 2
    ControlButton none(form.container, u"tabNo", LookupMode::named); // WantFocus 0
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
    RecordingControl late(bare.container, u"a", {}, 2);
    RecordingControl b(bare.container, u"b", {}, -1);
    RecordingControl c(bare.container, u"c", {}, 3);
    RecordingControl hidden(bare.container, u"hidden");
    RecordingControl disabled(bare.container, u"disabled");
    hidden.set_visible(false);
    disabled.set_enabled(false);
    EXPECT_EQ(test::names(bare.container.focus_order()), "b a c");
    bare.container.activate(true);
    EXPECT_EQ(focused_name(bare.container), "b");
    bare.window.keys_down = {skinner::KeyShift};
    EXPECT_FALSE(bare.container.on_key_down(skinner::KeyTab)) << "backward from the first wraps";
    EXPECT_EQ(focused_name(bare.container), "c");
    EXPECT_TRUE(bare.container.on_key_down(skinner::KeyUp));
    EXPECT_EQ(focused_name(bare.container), "a");
    EXPECT_TRUE(bare.container.on_key_down(skinner::KeyDown));
    EXPECT_EQ(focused_name(bare.container), "c");
    for (int32_t modifier : {skinner::KeyControl, skinner::KeyAlt}) {
        bare.window.keys_down = {modifier};
        EXPECT_FALSE(bare.container.on_key_down(skinner::KeyTab));
        EXPECT_EQ(focused_name(bare.container), "c");
    }
    bare.window.keys_down = {};
    EXPECT_FALSE(bare.container.on_key_down(skinner::KeyEnter)) << "nothing takes Enter here";
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
    c.set_visible(false);
    c.set_visible(true);
    EXPECT_EQ(focused_name(bare.container), "a") << "hiding another leaves the focus";
    a.set_enabled(false);
    EXPECT_EQ(focused_name(bare.container), "c");
    c.set_want_focus(false);
    EXPECT_EQ(bare.container.focused(), nullptr) << "no control can take it any more";
    EXPECT_FALSE(bare.container.on_key_down(skinner::KeyEnter));
    EXPECT_EQ(c.count("key 9"), 0u) << "keys do not reach a control that refused the focus";
}

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
    EXPECT_EQ(bare.window.cursor, os::Cursor::hand);
    EXPECT_TRUE(b.has_capture());
    bare.container.mouse_move({10, 10});
    bare.container.mouse_up(skinner::ButtonTap, {10, 10});
    EXPECT_EQ(b.events, (Events {"gained", "down0 70 10", "move 10 10", "up0 10 10"}))
        << "the captured control gets everything, wherever the pointer goes";
    EXPECT_EQ(a.count("move 10 10"), 0u);
    EXPECT_EQ(bare.container.captured(), nullptr);
}

TEST(ContainerPointer, a_disabled_control_swallows_the_stylus_and_hides_the_one_below)
{
    BareContainer bare;
    RecordingControl below(bare.container, u"below", {{0, 0}, {50, 50}});
    RecordingControl top(bare.container, u"top", {{0, 0}, {50, 50}}, 10);
    bare.container.activate(true);
    bare.container.set_focus(nullptr);
    top.set_enabled(false);
    below.events.clear();
    top.events.clear();
    bare.container.mouse_move({10, 10});
    EXPECT_EQ(bare.container.hover(), nullptr);
    tap(bare.container, {10, 10});
    EXPECT_TRUE(top.events.empty());
    EXPECT_TRUE(below.events.empty());
    EXPECT_EQ(bare.container.focused(), nullptr);
    top.set_visible(false);
    bare.container.mouse_down(skinner::ButtonTap, {10, 10}, false);
    EXPECT_EQ(bare.container.captured(), &below) << "a hidden control is not hit at all";

    SkinContainer form(u"FormTest");
    ControlButton under(form.container, u"btnBelow", LookupMode::named);
    ControlButton over(form.container, u"btnTop", LookupMode::named);
    form.container.activate(true);
    form.container.set_focus(nullptr);
    form.listener.log.clear();
    tap(form.container, {20, 130});
    EXPECT_TRUE(form.listener.log.empty());
    form.window.paint_all(form.container);
    EXPECT_EQ(form.window.pixel({20, 130}), s_white) << "the disabled button paints on top";
}

TEST(ControlTimer, a_control_hears_its_own_timer_and_replaces_it_when_started_again)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a");
    auto b = std::make_unique<RecordingControl>(bare.container, u"b");
    a.start_timer(0.25);
    uint32_t first = a.timer_id();
    EXPECT_EQ(bare.window.timers.at(first), 0.25);
    b->start_timer(1);
    EXPECT_NE(b->timer_id(), first);
    bare.container.on_timer(first);
    a.start_timer(0.5);
    EXPECT_EQ(bare.window.timers.count(first), 0u) << "the old timer was killed";
    bare.container.on_timer(first);
    bare.container.on_timer(0);
    EXPECT_EQ(a.count("timer"), 1u);
    EXPECT_EQ(b->count("timer"), 0u);
    uint32_t b_timer = b->timer_id();
    b.reset();
    EXPECT_EQ(bare.window.timers.count(b_timer), 0u) << "destroying a control stops its timer";
    a.stop_timer();
    EXPECT_TRUE(bare.window.timers.empty());
}

TEST(ContainerLayout, anchors_follow_a_resize_from_the_design_size)
{
    SkinContainer form(u"FormTest");
    ControlButton max(form.container, u"ancMax", LookupMode::named);
    ControlButton both(form.container, u"ancBoth", LookupMode::named);
    ControlButton ratio(form.container, u"ancRatio", LookupMode::named);
    ControlButton mixed(form.container, u"ancMixed", LookupMode::named);
    EXPECT_EQ(max.rect(), (Rect {{200, 228}, {30, 30}})) << "at the design size";
    form.container.resize({0, 26}, {480, 536});
    EXPECT_EQ(max.rect(), (Rect {{440, 26 + 496}, {30, 30}}));
    EXPECT_EQ(both.rect(), (Rect {{10, 26 + 10}, {460, 516}}));
    EXPECT_EQ(ratio.rect(), (Rect {{120, 26 + 134}, {240, 268}}));
    EXPECT_EQ(mixed.rect(), (Rect {{5, 26 + 273}, {10, 10}})) << "an unknown anchor name is MIN_SIDE";
    form.container.resize({0, 0}, {250, 268});
    max.set_design_rect({100, 100}, {5, 6});
    EXPECT_EQ(max.rect(), (Rect {{110, 100}, {5, 6}}));

    SkinContainer no_size(u"FormNoSize");
    ControlButton ratio0(no_size.container, u"ancRatio0", LookupMode::named);
    no_size.container.resize({0, 0}, {100, 100});
    EXPECT_EQ(ratio0.rect(), (Rect {{10, 12}, {20, 22}})) << "RATIO without a design size is MIN_SIDE";

    EXPECT_EQ(SkinContainer(u"FormSizes").container.size(), (Size {100, 100}));
    EXPECT_EQ(SkinContainer(u"FormSizes", skinner::DeviceKind::smartphone).container.design_size(),
        (Size {100, 120}))
        << "a smartphone designs for SizeNoButtons";
    EXPECT_EQ(SkinContainer(u"PanelTemplate", skinner::DeviceKind::smartphone).container.design_size(),
        (Size {120, 60}));
}

TEST(ControlPanel, children_come_from_the_template_paint_over_it_and_their_clicks_climb_to_the_form)
{
    SkinContainer form(u"FormTest");
    ControlPanel panel(form.container, u"pnlMain", LookupMode::named);
    ControlPanel bare(form.container, u"pnlBare", LookupMode::named);
    ControlButton first(panel.inner(), u"pbtn1", LookupMode::named);
    ControlButton second(panel.inner(), u"pbtn2", LookupMode::named);
    EXPECT_EQ(first.rect(), (Rect {{0, 200}, {20, 20}}));
    EXPECT_NE(panel.inner().find_control(u"pAuto"), nullptr) << "the template's auto controls";
    EXPECT_EQ(form.container.find_control(u"pbtn1"), nullptr) << "children belong to the panel";
    form.window.paint_all(form.container);
    EXPECT_EQ(form.window.pixel({25, 225}), s_white) << "the template's Background";
    EXPECT_EQ(form.window.pixel({5, 205}), s_red) << "children paint over it";
    EXPECT_EQ(form.window.pixel({150, 230}), s_grey) << "no template: the panel's own Background";
    form.container.mouse_down(skinner::ButtonTap, {5, 205}, false);
    EXPECT_EQ(panel.inner().captured(), &first);
    form.container.mouse_up(skinner::ButtonTap, {6, 206});
    EXPECT_EQ(form.listener.log, (Events {"focused", "focused", "click pbtn1 6 206"}));
    panel.set_design_rect({10, 150}, {160, 60});
    EXPECT_EQ(second.rect(), (Rect {{10 + 30 + 40, 150}, {20, 20}})) << "MAX_SIDE inside the wider panel";
}

TEST(ContainerPointer, the_capture_lasts_until_the_last_button_is_up_and_unknown_buttons_are_ignored)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a", {{0, 0}, {50, 50}});
    bare.container.mouse_down(skinner::ButtonTap, {1, 1}, true);
    bare.container.mouse_down(skinner::ButtonHold, {2, 2}, false);
    bare.container.mouse_down(skinner::ButtonSecond, {3, 3}, false);
    bare.container.mouse_up(skinner::ButtonTap, {4, 4});
    EXPECT_EQ(bare.container.captured(), &a);
    bare.container.mouse_up(skinner::ButtonSecond, {5, 5});
    bare.container.mouse_up(skinner::ButtonHold, {6, 6});
    EXPECT_EQ(bare.container.captured(), nullptr);
    EXPECT_EQ(a.events,
        (Events {"down0 double 1 1", "down2 2 2", "down1 3 3", "up0 double 4 4", "up1 5 5", "up2 6 6"}))
        << "an up carries the double-click flag of its own press";
    a.events.clear();
    bare.container.mouse_down(-1, {1, 1}, false);
    bare.container.mouse_down(3, {1, 1}, false);
    bare.container.mouse_up(7, {1, 1});
    EXPECT_TRUE(a.events.empty()) << "buttons outside the table are ignored";
    EXPECT_FALSE(bare.container.is_down(3));
}

TEST(ContainerPointer, hover_follows_the_pointer_with_leave_repaint_and_cursor)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a", {{0, 0}, {50, 50}});
    RecordingControl b(bare.container, u"b", {{60, 0}, {50, 50}});
    a.shape = os::Cursor::ibeam;
    bare.container.mouse_move({10, 10});
    EXPECT_EQ(bare.window.cursor, os::Cursor::ibeam);
    bare.window.clean();
    EXPECT_FALSE(bare.container.set_hover(&a)) << "no change";
    bare.container.mouse_move({70, 10});
    EXPECT_EQ(a.events, (Events {"move 10 10", "leave"}));
    EXPECT_TRUE(bare.window.was_invalidated(a.rect()));
    EXPECT_TRUE(bare.window.was_invalidated(b.rect()));
    EXPECT_EQ(bare.window.cursor, std::nullopt) << "b has no cursor: the default arrow";
    bare.container.mouse_move({200, 200});
    EXPECT_EQ(bare.container.hover(), nullptr);
    EXPECT_EQ(b.events, (Events {"move 70 10", "leave"}));
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
        (Events {"command Play", "value a 0.500000", "changed a", "selection a", "scroll a 7",
            "header hold a 3"}));
    Container orphan(bare.window, nullptr, u"", LookupMode::none, nullptr);
    RecordingControl child(orphan, u"a");
    EXPECT_EQ(child.on_command(u"Play"), 0) << "a container without a listener drops events";
}
