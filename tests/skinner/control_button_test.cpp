#include "control_test_support.h"
#include "skinner/control_button.h"
#include "skinner/control_check_box.h"
#include "skinner/control_layout.h"
#include "skinner/key_codes.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using skinner::ButtonAction;
using skinner::ControlButton;
using skinner::ControlCheckBox;
using skinner::DeviceKind;
using skinner::LookupMode;
using skinner::Point;
using skinner::Rect;
using test::SkinContainer;

namespace {

constexpr uint32_t s_red = 0xFFE00040u;
constexpr uint32_t s_green = 0xFF00E040u;
constexpr uint32_t s_blue = 0xFF000040u;
constexpr uint32_t s_white = 0xFFE0E040u;

Point centre(const ControlButton& button)
{
    return {button.rect().left() + button.rect().size.width / 2,
        button.rect().top() + button.rect().size.height / 2};
}

// The colour a button shows at its centre, painted alone.
uint32_t shown(SkinContainer& form, const ControlButton& button)
{
    form.window.paint_all(form.container);
    return form.window.pixel(centre(button));
}

void tap(SkinContainer& form, Point down, Point up)
{
    form.container.mouse_down(skinner::ButtonTap, down, false);
    form.container.mouse_up(skinner::ButtonTap, up);
}

// Whether any pixel inside rect differs from the paper.
bool inked(const test::TestControlWindow& window, const Rect& rect)
{
    for (int32_t y = rect.top(); y < rect.bottom(); ++y) {
        for (int32_t x = rect.left(); x < rect.right(); ++x) {
            if (window.pixel({x, y}) != test::TestControlWindow::s_paper)
                return true;
        }
    }
    return false;
}

} // namespace

// Styles -----------------------------------------------------------------------------------------

TEST(ButtonStyles, each_state_draws_its_own_picture)
{
    SkinContainer form(u"FormTest");
    ControlButton button(form.container, u"btnStates", LookupMode::named);
    EXPECT_EQ(shown(form, button), s_red);
    form.container.mouse_move(centre(button));
    EXPECT_EQ(button.state(), skinner::StateHighlighted);
    EXPECT_EQ(shown(form, button), s_blue);
    form.container.mouse_down(skinner::ButtonTap, centre(button), false);
    EXPECT_EQ(shown(form, button), s_green);
    button.set_enabled(false);
    EXPECT_EQ(shown(form, button), s_white) << "disabled wins over held";
    EXPECT_EQ(button.state_styles()[skinner::StatePressed].color, (skinner::Color {4, 5, 6, 0}));
    EXPECT_EQ(button.state_styles()[skinner::StateHighlighted].color, (skinner::Color {1, 2, 3, 0}))
        << "a state without its own colour takes Normal's";
}

TEST(ButtonStyles, without_pressed_highlighted_or_disabled_pictures_normal_shows_in_every_state)
{
    SkinContainer form(u"FormTest");
    ControlButton button(form.container, u"btnPlain", LookupMode::named);
    const skinner::StateStyles& styles = button.state_styles();
    for (const skinner::StateStyle& style : styles) {
        EXPECT_EQ(style.picture.frame(), styles[0].picture.frame());
        EXPECT_EQ(style.font.rep(), styles[0].font.rep());
        EXPECT_EQ(style.color, (skinner::Color {10, 11, 12, 0}));
    }
    EXPECT_EQ(shown(form, button), s_red);
    form.container.mouse_move(centre(button));
    EXPECT_EQ(shown(form, button), s_red) << "highlighted";
    form.container.mouse_down(skinner::ButtonTap, centre(button), false);
    EXPECT_EQ(shown(form, button), s_red) << "pressed";
    button.set_enabled(false);
    EXPECT_EQ(shown(form, button), s_red) << "disabled";
}

TEST(ButtonStyles, a_button_without_properties_uses_the_window_font_and_no_picture)
{
    SkinContainer form(u"FormTest");
    ControlButton button(form.container, u"notInTheSkin", LookupMode::none);
    EXPECT_EQ(button.action(), ButtonAction::nothing);
    EXPECT_TRUE(button.behaviour().shown());
    EXPECT_EQ(button.state_styles()[0].font.rep(), form.window.font.rep());
    EXPECT_FALSE(button.state_styles()[0].picture.has_image());
    button.set_design_rect({0, 0}, {10, 10});
    EXPECT_TRUE(button.hit_test({9, 9})) << "no picture: the whole rectangle";
    EXPECT_FALSE(button.hit_test({10, 9}));
}

// Text -------------------------------------------------------------------------------------------

TEST(ButtonText, text_goes_inside_the_borders_with_the_alignments)
{
    SkinContainer form(u"FormTest");
    ControlButton text(form.container, u"btnText", LookupMode::named);
    ControlButton borders(form.container, u"btnBorders", LookupMode::named);
    EXPECT_EQ(text.text(), u"Menu_Play") << "no language: the key itself";
    EXPECT_EQ(text.horizontal_alignment(), skinner::AlignNear);
    EXPECT_EQ(text.vertical_alignment(), skinner::AlignFar);
    EXPECT_EQ(text.border_min(), (Point {2, 3}));
    EXPECT_EQ(text.border_max(), (Point {2, 3})) << "BorderMax defaults to BorderMin";
    EXPECT_EQ(borders.border_max(), (Point {3, 4}));
    EXPECT_EQ(borders.horizontal_alignment(), skinner::AlignCentre) << "\"right\" is not a name";
    EXPECT_EQ(borders.vertical_alignment(), skinner::AlignNear);

    text.set_text(u"Ab");
    form.window.paint_all(form.container);
    Rect inside = skinner::inset_rect(text.rect(), text.border_min(), text.border_max());
    EXPECT_TRUE(inked(form.window, inside));
    EXPECT_FALSE(inked(form.window, {text.rect().position, {2, 20}})) << "left border";
    EXPECT_FALSE(inked(form.window, {text.rect().position, {60, 3}})) << "top border";
    EXPECT_FALSE(inked(form.window, {{text.rect().left(), inside.bottom()}, {60, 3}})) << "bottom border";
    int32_t width = text.state_styles()[0].font.measure(text.text()).width;
    ASSERT_LT(width + 4, inside.size.width) << "the text leaves room on its right";
    EXPECT_FALSE(inked(form.window,
        {{inside.left() + width + 2, inside.top()},
            {inside.right() - inside.left() - width - 2, inside.size.height}}))
        << "aligned left, the right end stays empty";
}

TEST(ButtonText, set_text_repaints_only_for_a_new_text_and_the_language_comes_through_a_refresh)
{
    test::TempDir folder;
    std::string language = "Menu_Play Play\n";
    test::write_file(folder.native("lang.lng"), test::Bytes(language.begin(), language.end()));
    SkinContainer form(u"FormTest");
    ControlButton button(form.container, u"btnText", LookupMode::named);
    form.window.clean();
    button.set_text(u"Menu_Play");
    EXPECT_TRUE(form.window.invalidations.empty());
    button.set_text(u"Stop");
    EXPECT_TRUE(form.window.was_invalidated(button.rect()));

    ASSERT_TRUE(form.properties.set_language(folder.file("lang.lng")));
    form.container.on_skin_changed();
    EXPECT_EQ(button.text(), u"Play");
}

// Stylus -----------------------------------------------------------------------------------------

TEST(ButtonStylus, a_tap_fires_once_with_the_release_point_but_not_released_outside_or_disabled)
{
    SkinContainer form(u"FormTest");
    ControlButton button(form.container, u"btnStates", LookupMode::named);
    tap(form, {12, 82}, {20, 90});
    EXPECT_EQ(form.listener.log, (std::vector<std::string> {"focused", "click btnStates 20 90"}));
    EXPECT_FALSE(button.is_held());

    tap(form, centre(button), {100, 200});
    EXPECT_EQ(form.listener.count("click"), 1u) << "released outside";
    EXPECT_FALSE(button.is_held());
    form.container.mouse_down(skinner::ButtonTap, centre(button), false);
    button.set_enabled(false);
    form.container.mouse_up(skinner::ButtonTap, centre(button));
    EXPECT_EQ(form.listener.count("click"), 1u) << "disabled while held";
    EXPECT_FALSE(button.is_held());
}

TEST(ButtonStylus, transparent_pixels_pass_taps_to_the_control_below_and_releases_on_them_do_not_fire)
{
    SkinContainer form(u"FormTest");
    ControlButton under(form.container, u"btnUnder", LookupMode::named);
    ControlButton round(form.container, u"btnRound", LookupMode::named);
    EXPECT_FALSE(round.hit_test({100, 10})) << "outside the disc";
    EXPECT_TRUE(round.hit_test({108, 18}));
    tap(form, {100, 10}, {100, 10});
    tap(form, {108, 18}, {108, 18});
    EXPECT_EQ(form.listener.count("click btnUnder 100 10"), 1u);
    EXPECT_EQ(form.listener.count("click btnRound 108 18"), 1u);
    EXPECT_EQ(form.listener.count("click"), 2u);
    tap(form, {108, 18}, {115, 25});
    EXPECT_EQ(form.listener.count("click"), 2u) << "a release on a transparent pixel does not fire";
}

// Keys and commands ------------------------------------------------------------------------------

TEST(ButtonKeys, enter_presses_at_the_centre_when_released_and_losing_the_focus_lets_go)
{
    SkinContainer form(u"FormTest");
    ControlButton button(form.container, u"btnStates", LookupMode::named);
    form.container.activate(true);
    EXPECT_TRUE(form.container.on_key_down(skinner::KeyEnter));
    EXPECT_TRUE(button.held_by_key());
    EXPECT_EQ(button.state(), skinner::StatePressed);
    EXPECT_TRUE(form.container.on_key_up(skinner::KeyEnter));
    EXPECT_EQ(form.listener.log.back(), "click btnStates 25 90");
    EXPECT_FALSE(button.on_key_down(skinner::KeySpace));
    EXPECT_FALSE(button.on_key_up(skinner::KeySpace));
    EXPECT_TRUE(button.on_key_up(skinner::KeyEnter)) << "a stray key-up is taken";
    EXPECT_EQ(form.listener.count("click"), 1u) << "but fires nothing";

    ControlButton other(form.container, u"btnPlain", LookupMode::named);
    form.container.on_key_down(skinner::KeyEnter);
    form.container.set_focus(&other);
    EXPECT_FALSE(button.held_by_key()) << "losing the focus ends the hold";
    EXPECT_EQ(form.listener.count("click"), 1u) << "without firing";
}

TEST(ButtonKeys, holding_enter_and_tapping_fires_once_when_the_last_hold_ends)
{
    SkinContainer form(u"FormTest");
    ControlButton button(form.container, u"btnStates", LookupMode::named);
    form.container.activate(true);
    form.container.on_key_down(skinner::KeyEnter);
    tap(form, centre(button), centre(button));
    EXPECT_EQ(form.listener.count("click"), 0u) << "Enter still holds it";
    form.container.on_key_up(skinner::KeyEnter);
    EXPECT_EQ(form.listener.count("click"), 1u);

    form.container.on_key_down(skinner::KeyEnter);
    form.container.mouse_down(skinner::ButtonTap, {12, 82}, false);
    form.container.on_key_up(skinner::KeyEnter);
    EXPECT_EQ(form.listener.count("click"), 1u) << "the stylus still holds it";
    form.container.mouse_up(skinner::ButtonTap, {13, 83});
    EXPECT_EQ(form.listener.count("click"), 2u);
    EXPECT_EQ(form.listener.log.back(), "click btnStates 13 83");
}

TEST(ButtonKeys, a_hold_by_the_owner_keeps_the_others_from_firing)
{
    SkinContainer form(u"FormTest");
    ControlButton button(form.container, u"btnStates", LookupMode::named);
    button.set_held_by_other(true);
    EXPECT_EQ(shown(form, button), s_green);
    tap(form, centre(button), centre(button));
    form.container.activate(true);
    form.container.on_key_down(skinner::KeyEnter);
    form.container.on_key_up(skinner::KeyEnter);
    EXPECT_EQ(form.listener.count("click"), 0u);
    button.set_held_by_other(false);
    EXPECT_EQ(form.listener.count("click"), 0u) << "ending the owner's hold fires nothing";
    EXPECT_EQ(shown(form, button), s_blue) << "under the pointer, not held";
}

TEST(ButtonCommands, the_command_with_the_button_name_presses_it_at_its_centre)
{
    SkinContainer form(u"FormTest");
    ControlButton button(form.container, u"btnStates", LookupMode::named);
    EXPECT_EQ(button.on_command(u"btnStates"), 1);
    EXPECT_EQ(form.listener.log, (std::vector<std::string> {"click btnStates 25 90"}));
    button.on_command(u"btnstates");
    EXPECT_EQ(form.listener.log.back(), "command btnstates") << "other commands climb";
    ControlButton nameless(form.container, u"Kind.Button", LookupMode::kind);
    nameless.on_command(u"");
    EXPECT_EQ(form.listener.log.back(), "command ") << "an empty command presses no nameless button";
}

// Check boxes ------------------------------------------------------------------------------------

TEST(CheckBox, tapped_twice_returns_to_its_state_and_checked_styles_default_to_checked_normal_then_normal)
{
    SkinContainer form(u"FormTest");
    ControlCheckBox box(form.container, u"chk", LookupMode::named);
    EXPECT_FALSE(box.is_checked());
    EXPECT_EQ(shown(form, box), s_red);
    tap(form, centre(box), centre(box));
    EXPECT_TRUE(box.is_checked()) << "toggled before the click is raised";
    form.container.mouse_move({0, 0});
    EXPECT_EQ(shown(form, box), s_green) << "CheckedNormal";
    form.container.mouse_down(skinner::ButtonTap, centre(box), false);
    EXPECT_EQ(shown(form, box), s_blue) << "CheckedPressed";
    form.container.mouse_up(skinner::ButtonTap, centre(box));
    EXPECT_FALSE(box.is_checked());
    EXPECT_EQ(form.listener.count("click chk"), 2u);
    form.container.mouse_move({0, 0});
    EXPECT_EQ(shown(form, box), s_red);
    ControlCheckBox on(form.container, u"chkOn", LookupMode::named);
    EXPECT_TRUE(on.is_checked()) << "\"Checked\" 1";
    EXPECT_EQ(shown(form, on), s_red) << "no checked pictures: the unchecked Normal";
    box.set_checked(true);
    box.set_enabled(false);
    EXPECT_EQ(shown(form, box), s_green) << "CheckedDisabled defaults to CheckedNormal";
    form.window.clean();
    box.set_checked(true);
    EXPECT_TRUE(form.window.invalidations.empty()) << "no change, no repaint";
}

// Behaviours -------------------------------------------------------------------------------------

TEST(ButtonBehaviour, a_caption_button_gives_the_window_its_title_and_stays_out_of_sight)
{
    SkinContainer form(u"FormTest");
    ControlButton caption(form.container, u"btnCaption", LookupMode::named);
    EXPECT_EQ(caption.action(), ButtonAction::caption);
    EXPECT_EQ(form.window.titles, std::vector<std::u16string> {u"Title_Main"});
    EXPECT_FALSE(caption.behaviour().shown());
    EXPECT_FALSE(caption.want_focus());
    EXPECT_FALSE(caption.hit_test(caption.rect().position));
    caption.set_text(u"Playing");
    EXPECT_EQ(form.window.titles.back(), u"Playing");
    EXPECT_EQ(form.window.title_bar_refreshes, 0);
}

TEST(ButtonBehaviour, a_smartphone_caption_also_refreshes_the_title_bar)
{
    SkinContainer form(u"FormTest", DeviceKind::smartphone);
    ControlButton caption(form.container, u"btnCaption", LookupMode::named);
    EXPECT_EQ(form.window.titles, std::vector<std::u16string> {u"Title_Main"});
    EXPECT_EQ(form.window.title_bar_refreshes, 1);
}

TEST(ButtonBehaviour, a_close_button_posts_the_close_request_when_fired)
{
    SkinContainer form(u"FormTest");
    ControlButton close(form.container, u"btnClose", LookupMode::named);
    EXPECT_TRUE(close.behaviour().shown());
    EXPECT_EQ(form.window.closes, 0);
    tap(form, centre(close), centre(close));
    EXPECT_EQ(form.window.closes, 1);
    EXPECT_EQ(form.listener.count("click btnClose"), 1u);
    EXPECT_TRUE(form.window.hooks.soft_key_items().empty());
}

TEST(ButtonBehaviour, a_smartphone_close_button_is_also_a_soft_key_under_its_name)
{
    SkinContainer form(u"FormTest", DeviceKind::smartphone);
    {
        ControlButton close(form.container, u"btnClose", LookupMode::named);
        EXPECT_EQ(form.window.hooks.soft_keys(u"btnClose"), std::vector<ControlButton*> {&close});
        close.press();
        EXPECT_EQ(form.window.closes, 1);
    }
    EXPECT_TRUE(form.window.hooks.soft_key_items().empty()) << "destroying the button unregisters it";
}

TEST(ButtonBehaviour, ok_and_yes_are_soft_keys_on_a_smartphone_whose_showing_or_hiding_is_marked)
{
    SkinContainer form(u"FormTest", DeviceKind::smartphone);
    ControlButton ok(form.container, u"btnOk", LookupMode::named);
    EXPECT_EQ(form.window.hooks.soft_keys(skinner::s_soft_key_ok), std::vector<ControlButton*> {&ok});
    EXPECT_TRUE(ok.behaviour().shown());
    EXPECT_TRUE(form.window.hooks.ok_watchers().empty());
    EXPECT_FALSE(form.window.hooks.done_button_shown());
    ControlButton yes(form.container, u"btnYes", LookupMode::named);
    EXPECT_TRUE(form.window.hooks.take_changed());
    EXPECT_FALSE(form.window.hooks.take_changed());
    yes.set_visible(false);
    EXPECT_TRUE(form.window.hooks.take_changed());
}

TEST(ButtonBehaviour, ok_on_a_version_5_pocket_pc_is_a_hidden_soft_key_pressed_by_the_ok_command)
{
    SkinContainer form(u"FormTest", DeviceKind::pocket_pc, 5);
    ControlButton ok(form.container, u"btnOk", LookupMode::named);
    EXPECT_EQ(form.window.hooks.soft_keys(skinner::s_soft_key_ok), std::vector<ControlButton*> {&ok});
    EXPECT_FALSE(ok.behaviour().shown());
    EXPECT_FALSE(ok.want_focus());
    EXPECT_FALSE(form.window.hooks.on_command(2));
    EXPECT_TRUE(form.window.hooks.on_command(skinner::ShellHooks::s_ok_command));
    EXPECT_EQ(form.listener.log, (std::vector<std::string> {"click btnOk 210 50"}));
}

TEST(ButtonBehaviour, ok_before_version_5_shows_the_done_button_while_it_lives)
{
    SkinContainer form(u"FormTest", DeviceKind::pocket_pc, 4);
    {
        ControlButton ok(form.container, u"btnOk", LookupMode::named);
        EXPECT_TRUE(form.window.hooks.done_button_shown());
        EXPECT_TRUE(form.window.hooks.soft_key_items().empty());
        EXPECT_FALSE(ok.behaviour().shown());
        EXPECT_TRUE(form.window.hooks.on_command(skinner::ShellHooks::s_ok_command));
        EXPECT_EQ(form.listener.count("click btnOk"), 1u);
    }
    EXPECT_FALSE(form.window.hooks.done_button_shown());
    EXPECT_TRUE(form.window.hooks.ok_watchers().empty());
    EXPECT_FALSE(form.window.hooks.on_command(skinner::ShellHooks::s_ok_command));
}

TEST(ButtonBehaviour, cancel_and_yes_are_soft_keys_from_version_5_and_plain_before)
{
    for (int32_t version : {4, 5}) {
        SCOPED_TRACE(version);
        SkinContainer form(u"FormTest", DeviceKind::pocket_pc, version);
        ControlButton cancel(form.container, u"btnCancel", LookupMode::named);
        ControlButton yes(form.container, u"btnYes", LookupMode::named);
        size_t expected = version >= 5 ? 1 : 0;
        EXPECT_EQ(form.window.hooks.soft_keys(skinner::s_soft_key_menu).size(), expected);
        EXPECT_EQ(form.window.hooks.soft_keys(skinner::s_soft_key_ok).size(), expected);
        EXPECT_TRUE(cancel.behaviour().shown() && cancel.want_focus());
        EXPECT_TRUE(yes.behaviour().shown() && yes.want_focus());
    }
    SkinContainer phone(u"FormTest", DeviceKind::smartphone, 4);
    ControlButton cancel(phone.container, u"btnCancel", LookupMode::named);
    EXPECT_EQ(phone.window.hooks.soft_keys(skinner::s_soft_key_menu), std::vector<ControlButton*> {&cancel});
}

TEST(ButtonBehaviour, sysmenu_and_unknown_actions_behave_as_plain_buttons)
{
    SkinContainer form(u"FormTest", DeviceKind::smartphone);
    ControlButton sys(form.container, u"btnSys", LookupMode::named);
    ControlButton bad(form.container, u"btnBadAction", LookupMode::named);
    EXPECT_EQ(sys.action(), ButtonAction::button_sysmenu);
    EXPECT_EQ(bad.action(), ButtonAction::nothing);
    for (const ControlButton* button : {&sys, &bad}) {
        EXPECT_TRUE(button->behaviour().shown());
        EXPECT_TRUE(button->want_focus());
    }
    EXPECT_TRUE(form.window.hooks.soft_key_items().empty());
    EXPECT_TRUE(form.window.titles.empty());
}

TEST(ShellHooks, registering_again_moves_the_item_an_empty_tag_answers_to_the_name_done_requests_count)
{
    SkinContainer form(u"FormTest");
    ControlButton a(form.container, u"btnA", LookupMode::named);
    ControlButton b(form.container, u"btnB", LookupMode::named);
    skinner::ShellHooks hooks;
    hooks.add_soft_key(u"#smartphone_ok#", a);
    hooks.add_soft_key(u"", b);
    hooks.add_soft_key(u"#smartphone_ok#", a);
    EXPECT_EQ(hooks.soft_key_items().size(), 2u);
    EXPECT_EQ(hooks.soft_key_items().back().button, &a);
    EXPECT_EQ(hooks.soft_keys(u"btnB"), std::vector<ControlButton*> {&b});
    EXPECT_TRUE(hooks.soft_keys(u"").empty()) << "an empty tag is not a name";
    hooks.remove_soft_key(a);
    hooks.remove_soft_key(a);
    EXPECT_EQ(hooks.soft_key_items().size(), 1u);

    // The done button counts requests and never goes below none.
    hooks.request_done_button(false);
    hooks.request_done_button(true);
    EXPECT_TRUE(hooks.done_button_shown());
    hooks.request_done_button(true);
    hooks.request_done_button(false);
    EXPECT_TRUE(hooks.done_button_shown()) << "one request is still standing";
    hooks.request_done_button(false);
    EXPECT_FALSE(hooks.done_button_shown());
}
