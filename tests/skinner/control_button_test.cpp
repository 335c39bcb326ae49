#include "control_test_support.h"
#include "skinner/control_button.h"
#include "skinner/control_check_box.h"
#include "skinner/control_layout.h"

using namespace skinner;
using namespace test;

namespace {

// The colour a button shows at its centre, painted alone.
uint32_t shown(SkinContainer& form, const ControlButton& button)
{
    form.window.paint_all(form.container);
    return form.window.pixel(centre(button.rect()));
}

} // namespace

TEST(ButtonPainting, each_state_draws_its_own_picture_and_the_text_goes_inside_the_borders)
{
    struct Case {
        const char16_t* name;
        uint32_t normal, highlighted, pressed, disabled;
    };
    for (const Case& c : {Case {u"btnStates", s_red, s_blue, s_green, s_white},
             Case {u"btnPlain", s_red, s_red, s_red, s_red}}) {
        SCOPED_TRACE(liba::to_utf8(c.name));
        SkinContainer form(u"FormTest");
        ControlButton button(form.container, c.name, LookupMode::named);
        EXPECT_EQ(shown(form, button), c.normal);
        form.container.mouse_move(centre(button.rect()));
        EXPECT_EQ(shown(form, button), c.highlighted);
        form.container.mouse_down(ButtonTap, centre(button.rect()), false);
        EXPECT_EQ(shown(form, button), c.pressed);
        button.set_enabled(false);
        EXPECT_EQ(shown(form, button), c.disabled) << "disabled wins over held";
    }
    SkinContainer form(u"FormTest");
    ControlButton button(form.container, u"btnStates", LookupMode::named);
    ControlButton text(form.container, u"btnText", LookupMode::named);
    ControlButton borders(form.container, u"btnBorders", LookupMode::named);
    EXPECT_EQ(button.state_styles()[StatePressed].color, (Color {4, 5, 6, 0}));
    EXPECT_EQ(button.state_styles()[StateHighlighted].color, (Color {1, 2, 3, 0}))
        << "a state without its own colour takes Normal's";
    ControlButton bare(form.container, u"notInTheSkin", LookupMode::none);
    EXPECT_EQ(bare.state_styles()[0].font.rep(), form.window.font.rep()) << "no properties: the window font";
    bare.set_design_rect({0, 0}, {10, 10});
    EXPECT_TRUE(bare.hit_test({9, 9})) << "no picture: the whole rectangle";
    EXPECT_FALSE(bare.hit_test({10, 9}));
    EXPECT_EQ(text.text(), u"Menu_Play") << "no language: the key itself";
    EXPECT_EQ(text.border_max(), (Point {2, 3})) << "BorderMax defaults to BorderMin";
    EXPECT_EQ(borders.border_max(), (Point {3, 4}));
    EXPECT_EQ(borders.horizontal_alignment(), AlignCentre) << "\"right\" is not a name";

    text.set_text(u"Ab");
    form.window.paint_all(form.container);
    Rect inside = inset_rect(text.rect(), text.border_min(), text.border_max());
    EXPECT_TRUE(form.window.inked(inside));
    EXPECT_FALSE(form.window.inked({text.rect().position, {2, 20}})) << "left border";
    EXPECT_FALSE(form.window.inked({{text.rect().left(), inside.bottom()}, {60, 3}})) << "bottom border";
    int32_t width = text.state_styles()[0].font.measure(text.text()).width;
    ASSERT_LT(width + 4, inside.size.width) << "the text leaves room on its right";
    EXPECT_FALSE(form.window.inked({{inside.left() + width + 2, inside.top()},
        {inside.right() - inside.left() - width - 2, inside.size.height}}))
        << "aligned left, the right end stays empty";
}

TEST(ButtonPress, taps_enter_and_its_command_press_it_and_the_last_hold_ends_the_press)
{
    SkinContainer form(u"FormTest");
    ControlButton button(form.container, u"btnStates", LookupMode::named);
    ControlButton under(form.container, u"btnUnder", LookupMode::named);
    ControlButton round(form.container, u"btnRound", LookupMode::named);
    tap(form.container, {12, 82}, {20, 90});
    EXPECT_EQ(form.listener.log, (std::vector<std::string> {"focused", "click btnStates 20 90"}));
    tap(form.container, centre(button.rect()), {100, 200});
    form.container.mouse_down(ButtonTap, centre(button.rect()), false);
    button.set_enabled(false);
    form.container.mouse_up(ButtonTap, centre(button.rect()));
    EXPECT_EQ(form.listener.count("click"), 1u) << "released outside, or disabled while held";
    EXPECT_FALSE(button.is_held());

    tap(form.container, {100, 10}, {100, 10}); // outside the disc
    tap(form.container, {108, 18}, {108, 18});
    tap(form.container, {108, 18}, {115, 25});
    EXPECT_EQ(form.listener.count("click btnUnder 100 10"), 1u);
    EXPECT_EQ(form.listener.count("click btnRound 108 18"), 1u);
    EXPECT_EQ(form.listener.count("click"), 3u) << "a release on a transparent pixel does not fire";

    button.set_enabled(true);
    ControlButton other(form.container, u"btnPlain", LookupMode::named);
    form.listener.log.clear();
    form.container.activate(true);
    form.container.set_focus(&button);
    EXPECT_TRUE(form.container.on_key_down(KeyEnter));
    EXPECT_EQ(button.state(), StatePressed);
    tap(form.container, centre(button.rect()), centre(button.rect()));
    EXPECT_EQ(form.listener.count("click"), 0u) << "Enter still holds it";
    EXPECT_TRUE(form.container.on_key_up(KeyEnter));
    EXPECT_EQ(form.listener.log.back(), "click btnStates 25 90") << "at its centre";
    EXPECT_FALSE(button.on_key_down(KeySpace));
    EXPECT_TRUE(button.on_key_up(KeyEnter)) << "a stray key-up is taken but fires nothing";
    form.container.on_key_down(KeyEnter);
    form.container.mouse_down(ButtonTap, {12, 82}, false);
    form.container.on_key_up(KeyEnter);
    EXPECT_EQ(form.listener.count("click"), 1u) << "the stylus still holds it";
    form.container.mouse_up(ButtonTap, {13, 83});
    EXPECT_EQ(form.listener.log.back(), "click btnStates 13 83");
    form.container.on_key_down(KeyEnter);
    form.container.set_focus(&other);
    EXPECT_FALSE(button.held_by_key()) << "losing the focus ends the hold without firing";

    // A hold by the owner keeps the others from firing.
    button.set_held_by_other(true);
    EXPECT_EQ(shown(form, button), s_green);
    tap(form.container, centre(button.rect()), centre(button.rect()));
    button.set_held_by_other(false);
    EXPECT_EQ(form.listener.count("click"), 2u) << "ending the owner's hold fires nothing";

    EXPECT_EQ(button.on_command(u"btnStates"), 1);
    EXPECT_EQ(form.listener.log.back(), "click btnStates 25 90");
    button.on_command(u"btnstates");
    EXPECT_EQ(form.listener.log.back(), "command btnstates") << "other commands climb";
    ControlButton nameless(form.container, u"Kind.Button", LookupMode::kind);
    nameless.on_command(u"");
    EXPECT_EQ(form.listener.log.back(), "command ") << "an empty command presses no nameless button";
}

TEST(CheckBox, tapped_twice_returns_to_its_state_and_checked_styles_default_to_checked_normal_then_normal)
{
    SkinContainer form(u"FormTest");
    ControlCheckBox box(form.container, u"chk", LookupMode::named);
    ControlCheckBox on(form.container, u"chkOn", LookupMode::named);
    EXPECT_EQ(shown(form, box), s_red);
    tap(form.container, centre(box.rect()), centre(box.rect()));
    EXPECT_TRUE(box.is_checked()) << "toggled before the click is raised";
    form.container.mouse_move({0, 0});
    EXPECT_EQ(shown(form, box), s_green) << "CheckedNormal";
    form.container.mouse_down(ButtonTap, centre(box.rect()), false);
    EXPECT_EQ(shown(form, box), s_blue) << "CheckedPressed";
    form.container.mouse_up(ButtonTap, centre(box.rect()));
    EXPECT_FALSE(box.is_checked());
    EXPECT_EQ(form.listener.count("click chk"), 2u);
    EXPECT_TRUE(on.is_checked()) << "\"Checked\" 1";
    EXPECT_EQ(shown(form, on), s_red) << "no checked pictures: the unchecked Normal";
    box.set_checked(true);
    box.set_enabled(false);
    EXPECT_EQ(shown(form, box), s_green) << "CheckedDisabled defaults to CheckedNormal";
    form.window.clean();
    box.set_checked(true);
    EXPECT_TRUE(form.window.invalidations.empty()) << "no change, no repaint";
}

TEST(ButtonBehaviour, actions_register_soft_keys_show_or_hide_by_device_and_version)
{
    const DeviceKind pocket = DeviceKind::pocket_pc;
    const DeviceKind phone = DeviceKind::smartphone;
    struct Case {
        const char16_t* name;
        DeviceKind kind;
        int32_t version;
        std::optional<std::u16string_view> soft_key; // the tag it registers under
        bool shown, done_button;
    };
    const Case cases[] = {{u"btnClose", pocket, 5, std::nullopt, true, false},
        {u"btnClose", phone, 5, u"btnClose", true, false}, {u"btnOk", phone, 5, s_soft_key_ok, true, false},
        {u"btnOk", pocket, 5, s_soft_key_ok, false, false}, {u"btnOk", pocket, 4, std::nullopt, false, true},
        {u"btnYes", pocket, 5, s_soft_key_ok, true, false}, {u"btnYes", pocket, 4, std::nullopt, true, false},
        {u"btnCancel", pocket, 5, s_soft_key_menu, true, false},
        {u"btnCancel", pocket, 4, std::nullopt, true, false},
        {u"btnCancel", phone, 4, s_soft_key_menu, true, false},
        {u"btnSys", phone, 5, std::nullopt, true, false},
        {u"btnBadAction", phone, 5, std::nullopt, true, false},
        {u"btnCaption", pocket, 5, std::nullopt, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(liba::to_utf8(c.name) + " v" + std::to_string(c.version));
        SkinContainer form(u"FormTest", c.kind, c.version);
        {
            ControlButton button(form.container, c.name, LookupMode::named);
            EXPECT_EQ(form.window.hooks.soft_key_items().size(), c.soft_key ? 1u : 0u);
            EXPECT_EQ(form.window.hooks.soft_keys(c.soft_key.value_or(u"none")),
                c.soft_key ? std::vector<ControlButton*> {&button} : std::vector<ControlButton*> {});
            EXPECT_EQ(button.behaviour().shown(), c.shown);
            EXPECT_EQ(button.want_focus(), c.shown);
            EXPECT_EQ(form.window.hooks.done_button_shown(), c.done_button);
        }
        EXPECT_TRUE(form.window.hooks.soft_key_items().empty()) << "destroying the button unregisters it";
        EXPECT_FALSE(form.window.hooks.done_button_shown());
    }
}

TEST(ButtonBehaviour, caption_sets_the_title_close_posts_the_close_and_ok_answers_the_ok_command)
{
    SkinContainer form(u"FormTest");
    ControlButton caption(form.container, u"btnCaption", LookupMode::named);
    ControlButton close(form.container, u"btnClose", LookupMode::named);
    EXPECT_EQ(form.window.titles, std::vector<std::u16string> {u"Title_Main"});
    EXPECT_FALSE(caption.hit_test(caption.rect().position));
    caption.set_text(u"Playing");
    EXPECT_EQ(form.window.titles.back(), u"Playing");
    EXPECT_EQ(form.window.title_bar_refreshes, 0);
    tap(form.container, centre(close.rect()), centre(close.rect()));
    EXPECT_EQ(form.window.closes, 1);
    EXPECT_EQ(form.listener.count("click btnClose"), 1u);
    SkinContainer phone(u"FormTest", DeviceKind::smartphone);
    ControlButton phone_caption(phone.container, u"btnCaption", LookupMode::named);
    EXPECT_EQ(phone.window.title_bar_refreshes, 1) << "a smartphone also refreshes the title bar";
    ControlButton yes(phone.container, u"btnYes", LookupMode::named);
    EXPECT_TRUE(phone.window.hooks.take_changed());
    EXPECT_FALSE(phone.window.hooks.take_changed());
    yes.set_visible(false);
    EXPECT_TRUE(phone.window.hooks.take_changed()) << "showing or hiding a soft key is marked";

    for (int32_t version : {4, 5}) {
        SkinContainer ok_form(u"FormTest", DeviceKind::pocket_pc, version);
        ControlButton ok(ok_form.container, u"btnOk", LookupMode::named);
        EXPECT_FALSE(ok_form.window.hooks.on_command(2));
        EXPECT_TRUE(ok_form.window.hooks.on_command(ShellHooks::s_ok_command));
        EXPECT_EQ(ok_form.listener.log, (std::vector<std::string> {"click btnOk 210 50"})) << version;
    }
}
