#include "fake_form_events.h"

#include "os/keys.h"
#include "os/screen/headless_screen.h"
#include "skinner/control_subclass.h"
#include "skinner/form.h"
#include "skinner/key_codes.h"
#include "skinner/power_manager_impl_pocket.h"
#include "skinner/properties.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace skinner;
using Device = test::FormsDevice;
using test::deliver;
using test::KeyForm;
using test::show;

namespace {

// Moves the clock in steps of 100 ms (every timer falls due on its own) up to ms in all.
void pass(os::HeadlessScreen& screen, int64_t ms)
{
    for (int64_t done = 0; done < ms; done += 100) {
        screen.advance(100);
        screen.dispatch_pending();
    }
}

// Sets MELODECK_BACKLIGHT for one scope.
struct EnvScope {
    explicit EnvScope(const std::string& value) { ::setenv("MELODECK_BACKLIGHT", value.c_str(), 1); }
    ~EnvScope() { ::unsetenv("MELODECK_BACKLIGHT"); }
};

std::string read_file(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::string text;
    in >> text;
    return text;
}

void write_file(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path) << text << "\n";
}

} // namespace

TEST(PowerManager, switches_off_within_the_interval_and_a_second_and_on_at_the_first_key)
{
    Device device;
    KeyForm form(device.skin);
    std::unique_ptr<PowerManagerImpl> manager = create_power_manager(form);
    ASSERT_NE(dynamic_cast<PowerManagerImplPocket*>(manager.get()), nullptr);
    show(form);
    manager->set_interval(10);
    manager->reset();
    pass(device.screen, 10000);
    EXPECT_TRUE(device.screen.power()); // not beyond the interval yet
    pass(device.screen, 1000);
    EXPECT_FALSE(device.screen.power());
    EXPECT_FALSE(manager->is_display_on());

    // The first key switches on and still reaches the form; a full interval follows.
    device.screen.key(os::VK_DOWN);
    deliver(device.screen);
    EXPECT_TRUE(device.screen.power());
    EXPECT_EQ(form.keys, (std::vector<int32_t> {KeyDown}));
    pass(device.screen, 10000);
    EXPECT_TRUE(device.screen.power());
    pass(device.screen, 1000);
    EXPECT_FALSE(device.screen.power());

    // A tap wakes it too.
    device.screen.tap({100, 100});
    device.screen.dispatch_pending();
    EXPECT_TRUE(manager->is_display_on());

    // Input and reset restart the count; an interval of 0 or less never switches.
    pass(device.screen, 8000);
    device.screen.key(os::VK_UP);
    device.screen.dispatch_pending();
    pass(device.screen, 8000);
    manager->reset();
    pass(device.screen, 8000);
    EXPECT_TRUE(device.screen.power());
    manager->set_interval(0);
    pass(device.screen, 60000);
    manager->set_interval(-5);
    pass(device.screen, 20000);
    EXPECT_TRUE(device.screen.power());

    // Time with another window in front does not count; a dialog the form owns keeps it in front.
    manager->set_interval(5);
    manager->reset();
    KeyForm other(device.skin);
    show(other);
    pass(device.screen, 30000);
    EXPECT_TRUE(device.screen.power());
    KeyForm dialog(device.skin, &form);
    form.impl().window().bring_to_front();
    show(dialog);
    pass(device.screen, 6000);
    EXPECT_FALSE(device.screen.power());
}

TEST(PowerManager, a_backlight_device_goes_to_zero_and_back_to_its_brightness)
{
    test::TempDir dir;
    write_file(dir.native("brightness"), "37");
    write_file(dir.native("max_brightness"), "255");
    EnvScope env(dir.path().string());
    Device device;
    KeyForm form(device.skin);
    std::unique_ptr<PowerManagerImpl> manager = create_power_manager(form);
    ASSERT_TRUE(dynamic_cast<PowerManagerImplPocket&>(*manager).has_backlight());
    show(form);
    manager->set_interval(2);
    manager->reset();
    pass(device.screen, 3000);
    EXPECT_EQ(read_file(dir.native("brightness")), "0");
    EXPECT_FALSE(manager->is_display_on());
    device.screen.key(os::VK_RETURN);
    deliver(device.screen);
    EXPECT_EQ(read_file(dir.native("brightness")), "37");
    EXPECT_TRUE(manager->is_display_on());

    manager.reset();
    pass(device.screen, 5000);
    EXPECT_EQ(read_file(dir.native("brightness")), "37") << "destroyed, it leaves the display alone";
    device.screen.key(os::VK_UP);
    deliver(device.screen);
    EXPECT_EQ(form.keys.size(), 2u);
}

namespace {

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

TEST(ControlSubclass, hooks_run_last_installed_first_and_may_keep_a_message_from_the_window)
{
    Device device({176, 220}, os::PlatformKind::smartphone);
    KeyForm form(device.skin);
    show(form);
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
    EXPECT_EQ(log.back(), "first");
    EXPECT_EQ(form.keys.size(), 2u);

    // A window that goes takes its hooks along.
    os::WindowId gone_id = 0;
    {
        KeyForm gone(device.skin);
        gone_id = gone.impl().window().id();
        second.install(gone_id);
    }
    EXPECT_EQ(second.hooked_window(), 0u);
    bool pass_on = false;
    os::WindowMessage message;
    message.id = os::WM_KEYDOWN;
    EXPECT_EQ(ControlSubclass::run_hooks(gone_id, message, pass_on), 0);
    EXPECT_TRUE(pass_on);
    EXPECT_EQ(log.size(), 4u);
}

TEST(PowerManager, a_smartphone_gets_the_plain_manager_that_never_switches)
{
    Device device({176, 220}, os::PlatformKind::smartphone);
    Form form(nullptr, &device.skin, u"FormMain", nullptr);
    std::unique_ptr<PowerManagerImpl> manager = create_power_manager(form);
    EXPECT_EQ(dynamic_cast<PowerManagerImplPocket*>(manager.get()), nullptr);
    manager->set_interval(1);
    show(form);
    pass(device.screen, 5000);
    manager->set_display(false);
    EXPECT_TRUE(manager->is_display_on());
    EXPECT_TRUE(device.screen.power());
}
