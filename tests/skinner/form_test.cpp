#include "fake_form_events.h"

#include "liba/text.h"
#include "os/keys.h"
#include "os/message_box.h"
#include "os/screen/headless_screen.h"
#include "skinner/control_button.h"
#include "skinner/control_frame.h"
#include "skinner/form.h"
#include "skinner/properties.h"
#include "support/scoped_config.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace skinner;
using Device = test::FormsDevice;
using test::script;
using test::show;

namespace {

std::filesystem::path skin_file(const char* name)
{
    return std::filesystem::path(MELODECK_FORMS_SKINS) / name;
}

struct Clicks : Listener {
    int32_t on_child_click(Control& control, Point) override
    {
        names.push_back(test::narrow(control.name()));
        return 0;
    }
    std::vector<std::string> names;
};

// The opaque colour of a frame pixel, without its alpha byte.
uint32_t rgb_at(const os::Surface& surface, int32_t x, int32_t y)
{
    return surface.at(x, y) & 0x00FFFFFFu;
}

std::vector<std::string> auto_names(const Form& form)
{
    std::vector<std::string> names;
    for (const auto& control : form.auto_controls())
        names.push_back(test::narrow(control->name()));
    return names;
}

} // namespace

TEST(Form, paints_its_background_and_controls_through_the_back_buffer)
{
    Device device({240, 320});
    Form form(nullptr, &device.skin, u"FormMain", nullptr);
    show(form);
    ASSERT_TRUE(form.impl().has_back_buffer());
    const os::Surface& frame = device.screen.frame();
    const int32_t top = 26;
    EXPECT_EQ(rgb_at(frame, 120, top + 220), 0x000040u) << "background";
    // The title frame: nine-part panel, dark border and light centre, stretched over 240x40.
    EXPECT_EQ(rgb_at(frame, 1, top + 1), 0x204060u);
    EXPECT_EQ(rgb_at(frame, 238, top + 38), 0x204060u);
    EXPECT_EQ(rgb_at(frame, 12, top + 20), 0xC0D0E0u);
    // The masked disc: red inside, the background through its corners.
    EXPECT_EQ(rgb_at(frame, 108, top + 108), 0xE02020u);
    EXPECT_EQ(rgb_at(frame, 100, top + 100), 0x000040u);
    // The alpha-mapped glow: nearly opaque blue in the middle, invisible at its corner.
    uint32_t middle = rgb_at(frame, 155, top + 155);
    EXPECT_GT(middle & 0xFF, 0xF0u);
    EXPECT_GT((middle >> 8) & 0xFF, 0x30u);
    EXPECT_EQ(rgb_at(frame, 150, top + 150), 0x000040u);
    // The window shows exactly what the back buffer holds.
    EXPECT_EQ(form.impl().window().surface().pixels, form.impl().back_buffer().pixels);
}

TEST(Form, a_hold_becomes_button_2_only_on_a_control_that_wants_gestures)
{
    Device device({240, 320});
    Clicks clicks;
    Form form(nullptr, &device.skin, u"FormMain", &clicks);
    show(form);
    // btnOk has "Gestures": the hold is a button-2 press, which a button does not fire on.
    device.screen.hold({108, 26 + 108});
    device.screen.dispatch_pending();
    EXPECT_TRUE(clicks.names.empty());
    // btnPlain has not: the hold is a plain tap.
    device.screen.hold({48, 26 + 108});
    device.screen.dispatch_pending();
    EXPECT_EQ(clicks.names, (std::vector<std::string> {"btnPlain"}));
    device.screen.tap({108, 26 + 108});
    device.screen.dispatch_pending();
    EXPECT_EQ(clicks.names, (std::vector<std::string> {"btnPlain", "btnOk"}));
}

TEST(Form, a_failed_picture_is_reported_by_the_top_form_which_closes_when_modal)
{
    Device device({240, 320});
    std::vector<std::u16string> boxes;
    os::MessageBoxHandler previous = os::set_message_box_handler(
        [&](std::u16string_view text, std::u16string_view) { boxes.emplace_back(text); });
    Form main(nullptr, &device.skin, u"FormMain", nullptr);
    Form dialog(&main, &device.skin, u"FormDialog", nullptr);
    Picture button = device.skin.get_picture(u"FormMain", u"btnOk", u"Normal", Picture());
    ASSERT_NE(button.rep(), nullptr);

    dialog.on_picture_failed(button);
    dialog.on_picture_failed(Picture());
    std::u16string path = test::u16(skin_file("forms_skin.skin"));
    EXPECT_EQ(boxes,
        (std::vector<std::u16string> {
            u"Out of memory\nname=button\nscale=1\nbase_path=" + path, u"Out of memory"}));

    // In the current language, and closing the modal form that reports it.
    test::TempDir folder;
    std::string language = "on_picture_failed_to_load Gone\n";
    test::write_file(folder.native("en.lng"), test::Bytes(language.begin(), language.end()));
    ASSERT_TRUE(device.skin.set_language(folder.file("en.lng")));
    script(
        device.screen, {[&] { main.on_picture_failed(Picture()); }, [&] { ADD_FAILURE() << "still open"; }});
    EXPECT_TRUE(main.do_modal());
    EXPECT_EQ(boxes.back(), u"Gone");
    os::set_message_box_handler(std::move(previous));
}

TEST(FormDeathTest, a_form_has_one_main_menu_and_unregisters_only_that_one)
{
    Device device({240, 320});
    Form form(nullptr, &device.skin, u"FormMain", nullptr);
    Control first(form, u"", LookupMode::none);
    Control second(form, u"", LookupMode::none);
    form.register_menu_main(first);
    EXPECT_EQ(form.menu_main(), &first);
    EXPECT_EXIT(form.register_menu_main(second), test::failed_exit,
        "Form::register_menu_main: Menu main is already exists");
    EXPECT_EXIT(form.unregister_menu_main(second), test::failed_exit,
        "Form::unregister_menu_main: Menus do not match");
    form.unregister_menu_main(first);
    EXPECT_EQ(form.menu_main(), nullptr);
    EXPECT_EXIT(form.unregister_menu_main(first), test::failed_exit, "Menus do not match");
    form.register_menu_main(second);
    EXPECT_EQ(form.menu_main(), &second);
    form.unregister_menu_main(second);
}

TEST(Form, refresh_skin_rereads_every_form_of_the_handle)
{
    Device device({240, 320});
    Form form(nullptr, &device.skin, u"FormMain", nullptr);
    Properties other(test::u16(skin_file("forms_skin.skin")), {240, 320}, device_kind());
    Form bystander(nullptr, &other, u"FormDialog", nullptr);
    device.screen.dispatch_pending();

    // The skin of the property suites has a FormMain of the same size with other auto controls.
    device.skin.reload(test::u16(std::filesystem::path(MELODECK_TEST_SKIN)), {240, 320});
    EXPECT_EQ(auto_names(form), (std::vector<std::string> {"btnAuto", "frmAuto"}));
    EXPECT_EQ(form.find_control(u"btnOk"), nullptr);
    EXPECT_EQ(auto_names(bystander), (std::vector<std::string> {"btnClose"})) << "another handle's form";
    EXPECT_EQ(form.impl().window().rect(), (os::Rect {{0, 26}, {240, 268}}));
    EXPECT_EQ(form.impl().dirty_rect(), (Rect {{0, 0}, {240, 268}})) << "repainted whole";

    // A layout of another size: the form takes it and is placed again (centred, as it now asks).
    device.skin.reload(test::u16(skin_file("forms_skin_resized.skin")), {240, 320});
    EXPECT_EQ(form.start_position(), 1);
    EXPECT_EQ(form.impl().window().rect(), (os::Rect {{20, 110}, {200, 100}}));
    EXPECT_EQ(form.size(), (Size {200, 100}));
    form.impl().window().show(os::ShowMode::show);
    device.screen.dispatch_pending();
    EXPECT_EQ(rgb_at(device.screen.frame(), 100, 200), 0xE0E040u);
}
