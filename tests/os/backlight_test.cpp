#include "os/backlight.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fstream>

TEST(Backlight, switches_to_zero_and_back_twice_is_once_and_folders_that_are_no_device_are_refused)
{
    test::TempDir dir;
    auto brightness = [&] { return test::read_text(dir.native("brightness")); };
    std::ofstream(dir.native("brightness")) << "120\n";
    std::ofstream(dir.native("max_brightness")) << "255\n";
    std::optional<os::Backlight> device = os::Backlight::open(dir.path().string());
    ASSERT_TRUE(device);
    EXPECT_TRUE(device->switch_off());
    EXPECT_TRUE(device->switch_off()); // already off: the saved value stays 120
    EXPECT_EQ(brightness(), "0\n");
    EXPECT_TRUE(device->is_off());
    EXPECT_TRUE(device->switch_on());
    EXPECT_EQ(brightness(), "120\n");
    std::ofstream(dir.native("brightness")) << "0\n"; // a dark device comes back at its maximum
    device = os::Backlight::open(dir.path().string());
    device->switch_off();
    device->switch_on();
    EXPECT_EQ(brightness(), "255\n");
    test::TempDir empty; // folders that are no device are refused
    EXPECT_FALSE(os::Backlight::open(empty.path().string()));
    std::ofstream(empty.native("brightness")) << "5\n";
    EXPECT_FALSE(os::Backlight::open(empty.path().string())); // no maximum
    std::ofstream(empty.native("max_brightness")) << "x\n";
    EXPECT_FALSE(os::Backlight::open(empty.path().string()));
}
