// Real forms of the forms skin: painting, gestures, failures, menus, refresh, power and window hooks.

#include "control_test_support.h"
#include "fake_form_events.h"

#include "os/keys.h"
#include "os/message_box.h"
#include "skinner/control_subclass.h"
#include "skinner/power_manager_impl_pocket.h"
#include "support/scoped_env.h"

#include <gtest/gtest.h>

using namespace skinner;
using Device = test::FormsDevice;
using test::deliver;
using test::KeyForm;
using test::script;
using test::show;

namespace {

std::filesystem::path skin_file(const char* name)
{
    return std::filesystem::path(MELODECK_FORMS_SKINS) / name;
}

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

// Advances the clock by ms, 100 ms at a time so that each timer falls due alone; whether the display is on.
bool on_after(os::HeadlessScreen& screen, int64_t ms)
{
    for (int64_t done = 0; done < ms; done += 100) {
        screen.advance(100);
        screen.dispatch_pending();
    }
    return screen.power();
}

// A hook that writes down the key-downs it saw, and may keep them from the window.
struct Recorder : ControlSubclass {
    Recorder(std::vector<std::string>& log, std::string name)
        : log(log)
        , name(std::move(name))
    {
    }
    intptr_t on_hooked_message(const os::WindowMessage& message, bool& pass_on) override
    {
        if (message.id != os::WM_KEYDOWN)
            return 0;
        log.push_back(name);
        pass_on = !swallow_keys;
        return 7;
    }
    std::vector<std::string>& log;
    std::string name;
    bool swallow_keys = false;
};

} // namespace

TEST(Form, paints_through_the_back_buffer_and_a_hold_becomes_button_2_on_a_control_that_wants_gestures)
{
    Device device({240, 320});
    test::RecordingListener clicks;
    clicks.note_focus = false;
    Form form(nullptr, &device.skin, u"FormMain", &clicks);
    show(form);
    ASSERT_TRUE(form.impl().has_back_buffer());
    const os::Surface& frame = device.screen.frame();
    const int32_t top = 26;
    // The title frame is a nine-part panel (dark border, light centre) stretched over 240x40; the
    // disc is masked; the glow's alpha map hides its corner.
    const std::tuple<int32_t, int32_t, uint32_t, const char*> pixels[]
        = {{120, 220, 0x000040u, "background"}, {1, 1, 0x204060u, "title border"},
            {238, 38, 0x204060u, "title border"}, {12, 20, 0xC0D0E0u, "title"}, {108, 108, 0xE02020u, "disc"},
            {100, 100, 0x000040u, "disc corner"}, {150, 150, 0x000040u, "glow corner"}};
    for (const auto& [x, y, colour, what] : pixels)
        EXPECT_EQ(rgb_at(frame, x, top + y), colour) << what;
    // Nearly opaque blue in the middle of the glow.
    uint32_t middle = rgb_at(frame, 155, top + 155);
    EXPECT_GT(middle & 0xFF, 0xF0u);
    EXPECT_GT((middle >> 8) & 0xFF, 0x30u);
    EXPECT_EQ(form.impl().window().surface().pixels, form.impl().back_buffer().pixels);

    // btnOk has "Gestures": the hold is a button-2 press, which a button does not fire on.
    device.screen.hold({108, 26 + 108});
    device.screen.dispatch_pending();
    EXPECT_TRUE(clicks.log.empty());
    // btnPlain has not: the hold is a plain tap.
    device.screen.hold({48, 26 + 108});
    device.screen.dispatch_pending();
    EXPECT_EQ(clicks.log, (test::Events {"click btnPlain 48 108"}));
    device.screen.tap({108, 26 + 108});
    device.screen.dispatch_pending();
    EXPECT_EQ(clicks.log, (test::Events {"click btnPlain 48 108", "click btnOk 108 108"}));
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
    test::write_text(folder.native("en.lng"), "on_picture_failed_to_load Gone\n");
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
    form.impl().window().show(os::ShowMode::show);
    device.screen.dispatch_pending();
    EXPECT_EQ(rgb_at(device.screen.frame(), 100, 200), 0xE0E040u);
}

TEST(PowerManager, display_and_backlight_go_off_within_the_interval_and_a_second_and_on_at_the_first_key)
{
    test::TempDir dir;
    test::write_text(dir.native("brightness"), "37\n");
    test::write_text(dir.native("max_brightness"), "255\n");
    test::ScopedEnv env("MELODECK_BACKLIGHT", dir.path().c_str());
    Device device;
    KeyForm form(device.skin);
    std::unique_ptr<PowerManagerImpl> manager = create_power_manager(form);
    ASSERT_TRUE(dynamic_cast<PowerManagerImplPocket&>(*manager).has_backlight());
    show(form);
    manager->set_interval(10);
    manager->reset();
    EXPECT_TRUE(on_after(device.screen, 10000)) << "not beyond the interval yet";
    EXPECT_FALSE(on_after(device.screen, 1000) || manager->is_display_on());
    EXPECT_EQ(test::read_text(dir.native("brightness")), "0\n");

    // The first key switches on and still reaches the form; a full interval follows.
    device.screen.key(os::VK_DOWN);
    deliver(device.screen);
    EXPECT_TRUE(device.screen.power());
    EXPECT_EQ(test::read_text(dir.native("brightness")), "37\n");
    EXPECT_EQ(form.keys, (std::vector<int32_t> {KeyDown}));
    EXPECT_TRUE(on_after(device.screen, 10000));
    EXPECT_FALSE(on_after(device.screen, 1000));

    device.screen.tap({100, 100});
    device.screen.dispatch_pending();
    EXPECT_TRUE(manager->is_display_on());

    // A reset restarts the count (input does, as above); an interval of 0 or less never switches.
    on_after(device.screen, 8000);
    manager->reset();
    EXPECT_TRUE(on_after(device.screen, 8000));
    for (int32_t never : {0, -5}) {
        manager->set_interval(never);
        EXPECT_TRUE(on_after(device.screen, 60000)) << never;
    }

    // Time with another window in front does not count; a dialog the form owns keeps it in front.
    manager->set_interval(5);
    manager->reset();
    KeyForm other(device.skin);
    show(other);
    EXPECT_TRUE(on_after(device.screen, 30000));
    KeyForm dialog(device.skin, &form);
    form.impl().window().bring_to_front();
    show(dialog);
    EXPECT_FALSE(on_after(device.screen, 6000));

    manager->set_display(true);
    manager.reset();
    on_after(device.screen, 10000);
    EXPECT_EQ(test::read_text(dir.native("brightness")), "37\n") << "destroyed, it leaves the display alone";
    form.impl().window().send(WM_FORM_KEY, os::VK_UP, 0);
    EXPECT_EQ(form.keys.size(), 2u) << "and its hook";
}

TEST(SmartphoneForm, gets_the_plain_power_manager_that_never_switches_and_hooks_run_last_installed_first)
{
    Device device({176, 220}, os::PlatformKind::smartphone);
    KeyForm form(device.skin);
    std::unique_ptr<PowerManagerImpl> manager = create_power_manager(form);
    EXPECT_EQ(dynamic_cast<PowerManagerImplPocket*>(manager.get()), nullptr);
    manager->set_interval(1);
    show(form);
    EXPECT_TRUE(on_after(device.screen, 5000));
    manager->set_display(false);
    EXPECT_TRUE(manager->is_display_on() && device.screen.power());

    // Window hooks: the last installed runs first and may keep a message from the window.
    std::vector<std::string> log;
    os::WindowId id = form.impl().window().id();
    Recorder first(log, "first");
    Recorder second(log, "second");
    first.install(id);
    second.install(id);
    form.impl().window().send(os::WM_KEYDOWN, os::VK_UP);
    EXPECT_EQ(log, (std::vector<std::string> {"second", "first"}));
    EXPECT_EQ(form.keys.size(), 1u);

    second.swallow_keys = true;
    EXPECT_EQ(form.impl().window().send(os::WM_KEYDOWN, os::VK_UP), 7);
    EXPECT_EQ(log.size(), 3u); // the first hook never saw it
    EXPECT_EQ(form.keys.size(), 1u);

    second.remove();
    form.impl().window().send(os::WM_KEYDOWN, os::VK_UP);
    EXPECT_EQ((std::pair {log.back(), form.keys.size()}), (std::pair {std::string("first"), size_t(2)}));

    // A window that goes takes its hooks along.
    auto gone = std::make_unique<KeyForm>(device.skin);
    os::WindowId gone_id = gone->impl().window().id();
    second.install(gone_id);
    gone.reset();
    EXPECT_EQ(second.hooked_window(), 0u);
    bool pass_on = false;
    os::WindowMessage message;
    message.id = os::WM_KEYDOWN;
    EXPECT_EQ(ControlSubclass::run_hooks(gone_id, message, pass_on), 0);
    EXPECT_TRUE(pass_on);
    EXPECT_EQ(log.size(), 4u);
}
