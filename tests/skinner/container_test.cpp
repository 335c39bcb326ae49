#include "control_test_support.h"
#include "skinner/control_button.h"
#include "skinner/control_panel.h"
#include "support/test_support.h"

using namespace skinner;
using namespace test;

namespace {

constexpr uint32_t s_grey = 0xFFC0D0E0u;

std::string focused_name(const Container& container)
{
    return container.focused() ? RecordingListener::name_of(*container.focused()) : "(none)";
}

} // namespace

TEST(ContainerOrder, z_order_and_the_control_records_decide_painting_hit_testing_properties_and_anchors)
{
    SkinContainer form(u"FormTest");
    ControlButton a(form.container, u"btnA", LookupMode::named);
    ControlButton b(form.container, u"btnB", LookupMode::named);
    ControlButton low(form.container, u"btnLow", LookupMode::named);
    EXPECT_EQ(names(form.container.controls()), "btnLow btnA btnB");
    EXPECT_EQ(form.container.control_at({35, 35}), &b) << "both at z 5: the later one is on top";
    EXPECT_EQ(form.container.control_at({25, 25}), &a) << "above the lower z-order";
    form.window.paint_all(form.container);
    EXPECT_EQ(form.window.pixel({35, 35}), s_green);
    EXPECT_EQ(form.window.pixel({25, 25}), s_red);
    // Controls without a name never clash and read the kind record.
    ControlButton one(form.container, u"Kind.Button", LookupMode::kind);
    ControlButton two(form.container, u"Kind.Button", LookupMode::kind);
    EXPECT_TRUE(one.name().empty());
    EXPECT_EQ(one.rect(), (Rect {{5, 6}, {7, 8}}));

    ControlButton hand(form.container, u"btnHand", LookupMode::named); // no gestures
    EXPECT_EQ(hand.cursor(), os::Cursor::hand);
    EXPECT_EQ(ControlButton(form.container, u"btnBadCursor", LookupMode::named).cursor(), std::nullopt)
        << "cursor names are matched exactly";
    ControlButton gesture(form.container, u"btnGesture", LookupMode::named);
    ControlButton hidden(form.container, u"btnHidden", LookupMode::named);
    ControlButton top(form.container, u"btnTop", LookupMode::named);
    EXPECT_FALSE(hidden.is_visible() || top.is_enabled());
    // The topmost control under a point decides about gestures.
    EXPECT_TRUE(form.container.wants_gesture({95, 125}));
    EXPECT_FALSE(form.container.wants_gesture({65, 125}));
    gesture.set_visible(false);
    EXPECT_FALSE(form.container.wants_gesture({95, 125}));
    // A control missing from the skin reads its defaults.
    RecordingControl free(form.container, u"notInTheSkin", {{1, 2}, {3, 4}});
    EXPECT_EQ(free.get_int(u"ZOrder", 77), 77);
    EXPECT_EQ(free.get_cursor(u"Cursor", os::Cursor::wait), os::Cursor::wait);

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
    EXPECT_EQ(SkinContainer(u"FormSizes", DeviceKind::smartphone).container.design_size(), (Size {100, 120}))
        << "a smartphone designs for SizeNoButtons";
}

TEST(ContainerOrder, a_control_repaints_what_it_leaves_and_goes_from_the_list_focus_capture_and_timers)
{
    BareContainer bare;
    RecordingControl x(bare.container, u"a", {{10, 10}, {20, 20}}, 9);
    RecordingControl y(bare.container, u"b", {}, 5);
    auto z = std::make_unique<RecordingControl>(bare.container, u"c", Rect {{0, 0}, {10, 10}}, 1);
    x.set_z_order(5);
    EXPECT_EQ(names(bare.container.controls()), "c a b") << "ties follow registration";
    y.set_z_order(-3);
    EXPECT_EQ(names(bare.container.controls()), "b c a");

    bare.window.clean();
    x.set_visible(false);
    EXPECT_TRUE(bare.window.was_invalidated({{10, 10}, {20, 20}})) << "what was under it shows again";
    bare.window.clean();
    x.invalidate();
    EXPECT_TRUE(bare.window.invalidations.empty()) << "a hidden control has nothing to repaint";
    x.set_visible(false);
    x.set_visible(true);
    EXPECT_EQ(x.events, (Events {"hide", "show"})) << "no change, no event";
    bare.window.clean();
    x.set_rect({{50, 60}, {5, 5}});
    x.set_rect({{50, 60}, {5, 5}});
    EXPECT_EQ(bare.window.invalidations, (std::vector<Rect> {{{10, 10}, {20, 20}}, {{50, 60}, {5, 5}}}));

    x.start_timer(0.25);
    uint32_t first = x.timer_id();
    EXPECT_EQ(bare.window.timers.at(first), 0.25);
    z->start_timer(1);
    bare.container.on_timer(first);
    x.start_timer(0.5);
    EXPECT_EQ(bare.window.timers.count(first), 0u) << "the old timer was killed";
    bare.container.on_timer(first);
    bare.container.on_timer(0);
    EXPECT_EQ((std::pair {x.count("timer"), z->count("timer")}), (std::pair {size_t(1), size_t(0)}));

    bare.container.activate(true);
    bare.container.set_focus(z.get());
    bare.container.mouse_down(ButtonTap, {5, 5}, false);
    EXPECT_EQ(bare.container.captured(), z.get());
    uint32_t z_timer = z->timer_id();
    z.reset();
    EXPECT_EQ(bare.window.timers.count(z_timer), 0u) << "destroying a control stops its timer";
    EXPECT_EQ(names(bare.container.controls()), "b a");
    for (Control* gone : {bare.container.focused(), bare.container.captured(), bare.container.hover(),
             bare.container.find_control(u"c")})
        EXPECT_EQ(gone, nullptr);
    bare.container.mouse_up(ButtonTap, {5, 5});
    x.events.clear();
    bare.container.activate(false);
    EXPECT_TRUE(x.events.empty()) << "deactivating without a focus tells nobody";
    x.stop_timer();
    EXPECT_TRUE(bare.window.timers.empty());

    RecordingControl hidden(bare.container, u"hidden");
    hidden.set_visible(false);
    x.events.clear();
    hidden.events.clear();
    bare.container.set_visible(false);
    EXPECT_EQ(x.events, Events {"hide"});
    hidden.set_visible(true);
    EXPECT_TRUE(hidden.events.empty() && !hidden.is_visible()) << "its own flag alone does not show it";
    bare.container.set_enabled(false);
    EXPECT_FALSE(x.is_enabled());
    EXPECT_EQ(x.events.back(), "disable");
}

TEST(ContainerDeathTest, a_second_control_with_the_same_name_ends_the_program)
{
    BareContainer bare;
    RecordingControl first(bare.container, u"btnPlay");
    EXPECT_EXIT(RecordingControl(bare.container, u"btnPlay"), test::failed_exit,
        "Container::register_control: control with id \\{btnPlay\\} already exists in container");
}

TEST(ContainerFocus, tab_follows_tab_order_and_wraps_and_a_focused_control_that_goes_passes_it_on)
{
    SkinContainer form(u"FormTest");
    ControlButton first(form.container, u"tab1", LookupMode::named); // TabOrder 3
    ControlButton second(form.container, u"tab2", LookupMode::named); // TabOrder 1
    ControlButton third(form.container, u"tab3", LookupMode::named); // TabOrder 2
    ControlButton none(form.container, u"tabNo", LookupMode::named); // WantFocus 0
    form.container.activate(true);
    std::string order = focused_name(form.container);
    std::vector<bool> taken;
    for (int step = 0; step < 3; ++step) {
        taken.push_back(form.container.on_key_down(KeyTab));
        order += " " + focused_name(form.container);
    }
    EXPECT_EQ(order, "tab2 tab3 tab1 tab2");
    EXPECT_EQ(taken, (std::vector<bool> {true, true, false})) << "false when wrapping";

    BareContainer bare;
    RecordingControl a(bare.container, u"a", {}, 2);
    RecordingControl b(bare.container, u"b", {}, -1);
    RecordingControl c(bare.container, u"c", {}, 3);
    RecordingControl hidden(bare.container, u"hidden");
    hidden.set_visible(false);
    EXPECT_EQ(names(bare.container.focus_order()), "b a c");
    bare.container.activate(true);
    bare.window.keys_down = {KeyShift};
    EXPECT_FALSE(bare.container.on_key_down(KeyTab)) << "backward from the first wraps";
    EXPECT_EQ(focused_name(bare.container), "c");
    EXPECT_TRUE(bare.container.on_key_down(KeyUp));
    EXPECT_EQ(focused_name(bare.container), "a");
    EXPECT_TRUE(bare.container.on_key_down(KeyDown));
    for (int32_t modifier : {KeyControl, KeyAlt}) {
        bare.window.keys_down = {modifier};
        EXPECT_FALSE(bare.container.on_key_down(KeyTab));
    }
    EXPECT_EQ(focused_name(bare.container), "c");
    bare.window.keys_down = {};
    b.set_visible(false);
    b.set_visible(true);
    EXPECT_EQ(focused_name(bare.container), "c") << "hiding another leaves the focus";
    c.set_visible(false);
    EXPECT_EQ(c.events.back(), "lost");
    EXPECT_EQ(focused_name(bare.container), "b") << "c left the order: forward from outside it is the first";
    b.set_enabled(false);
    EXPECT_EQ(focused_name(bare.container), "a");
    a.set_want_focus(false);
    EXPECT_EQ(bare.container.focused(), nullptr) << "no control can take it any more";
    EXPECT_FALSE(bare.container.on_key_down(KeyEnter));
    EXPECT_EQ(a.count("key 9"), 0u) << "keys do not reach a control that refused the focus";
}

TEST(ContainerPointer,
    the_captured_control_gets_every_button_until_the_last_is_up_and_hover_follows_the_pointer)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a", {{0, 0}, {50, 50}});
    RecordingControl b(bare.container, u"b", {{60, 0}, {50, 50}});
    a.shape = os::Cursor::ibeam;
    b.shape = os::Cursor::hand;
    bare.container.activate(true);
    bare.container.mouse_move({10, 10});
    EXPECT_EQ(bare.window.cursor, os::Cursor::ibeam);
    bare.window.clean();
    EXPECT_FALSE(bare.container.set_hover(&a)) << "no change";
    bare.container.mouse_move({70, 10});
    bare.container.mouse_down(ButtonTap, {70, 10}, true);
    EXPECT_EQ(bare.container.hover(), &b);
    EXPECT_TRUE(bare.window.was_invalidated(a.rect())) << "the one left repaints";
    EXPECT_TRUE(bare.window.was_invalidated(b.rect()));
    EXPECT_EQ(bare.window.cursor, os::Cursor::hand);
    bare.container.mouse_down(ButtonHold, {2, 2}, false);
    bare.container.mouse_down(ButtonSecond, {3, 3}, false);
    bare.container.mouse_move({10, 10});
    bare.container.mouse_up(ButtonTap, {4, 4});
    EXPECT_TRUE(b.has_capture());
    bare.container.mouse_up(ButtonSecond, {5, 5});
    bare.container.mouse_up(ButtonHold, {6, 6});
    EXPECT_EQ(bare.container.captured(), nullptr);
    EXPECT_EQ(b.events,
        (Events {"move 70 10", "gained", "down0 double 70 10", "down2 2 2", "down1 3 3", "move 10 10",
            "up0 double 4 4", "up1 5 5", "up2 6 6"}))
        << "wherever the pointer goes; an up carries the double-click flag of its own press";
    EXPECT_EQ((std::pair {a.count("move 10 10"), a.count("leave")}), (std::pair {size_t(1), size_t(1)}));
    b.events.clear();
    bare.container.mouse_down(-1, {70, 1}, false);
    bare.container.mouse_down(3, {70, 1}, false);
    bare.container.mouse_up(7, {70, 1});
    EXPECT_TRUE(b.events.empty()) << "buttons outside the table are ignored";
    EXPECT_FALSE(bare.container.is_down(3));
    bare.container.mouse_move({200, 200});
    EXPECT_EQ(bare.container.hover(), nullptr);
    EXPECT_EQ(bare.window.cursor, std::nullopt) << "nothing under it: the default arrow";

    // A disabled control swallows the stylus and hides the one below; a hidden one is not hit at all.
    RecordingControl top(bare.container, u"top", {{0, 0}, {50, 50}}, 10);
    bare.container.set_focus(nullptr);
    top.set_enabled(false);
    a.events.clear();
    top.events.clear();
    bare.container.mouse_move({10, 10});
    tap(bare.container, {10, 10});
    EXPECT_TRUE(top.events.empty() && a.events.empty());
    EXPECT_EQ(bare.container.hover(), nullptr);
    EXPECT_EQ(bare.container.focused(), nullptr);
    top.set_visible(false);
    bare.container.mouse_down(ButtonTap, {10, 10}, false);
    EXPECT_EQ(bare.container.captured(), &a);
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
    form.container.mouse_down(ButtonTap, {5, 205}, false);
    EXPECT_EQ(panel.inner().captured(), &first);
    form.container.mouse_up(ButtonTap, {6, 206});
    EXPECT_EQ(form.listener.log, (Events {"focused", "focused", "click pbtn1 6 206"}));
    panel.set_design_rect({10, 150}, {160, 60});
    EXPECT_EQ(second.rect(), (Rect {{10 + 30 + 40, 150}, {20, 20}})) << "MAX_SIDE inside the wider panel";
}

TEST(ControlNotifications, a_control_passes_what_it_does_not_handle_up_to_a_listener_if_there_is_one)
{
    BareContainer bare;
    RecordingControl a(bare.container, u"a");
    GridClick header;
    header.column = 3;
    a.on_header_hold(a, header);
    a.on_child_value(a, 0.5);
    a.on_value_changed(a);
    a.on_selection_changed(a);
    a.on_scroll(a, 7);
    EXPECT_EQ(a.on_child_focused(), 0);
    EXPECT_EQ(
        bare.listener.log, (Events {"hold a 3", "value a 0.5", "changed a", "selection a", "scroll a 7"}));
    Container orphan(bare.window, nullptr, u"", LookupMode::none, nullptr);
    RecordingControl child(orphan, u"a");
    EXPECT_EQ(child.on_command(u"Play"), 0) << "a container without a listener drops events";
}
