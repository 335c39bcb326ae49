#include "os/backlight.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

void write_file(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path) << text << "\n";
}

std::string read_file(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::string text;
    in >> text;
    return text;
}

} // namespace

TEST(Backlight, switches_to_zero_and_back_twice_is_once_and_folders_that_are_no_device_are_refused)
{
    test::TempDir dir;
    write_file(dir.native("brightness"), "120");
    write_file(dir.native("max_brightness"), "255");
    std::optional<os::Backlight> device = os::Backlight::open(dir.path().string());
    ASSERT_TRUE(device);
    EXPECT_TRUE(device->switch_off());
    EXPECT_TRUE(device->switch_off()); // already off: the saved value stays 120
    EXPECT_EQ(read_file(dir.native("brightness")), "0");
    EXPECT_TRUE(device->is_off());
    EXPECT_TRUE(device->switch_on());
    EXPECT_EQ(read_file(dir.native("brightness")), "120");
    write_file(dir.native("brightness"), "0"); // a dark device comes back at its maximum
    device = os::Backlight::open(dir.path().string());
    device->switch_off();
    device->switch_on();
    EXPECT_EQ(read_file(dir.native("brightness")), "255");
    test::TempDir empty; // folders that are no device are refused
    EXPECT_FALSE(os::Backlight::open(empty.path().string()));
    write_file(empty.native("brightness"), "5");
    EXPECT_FALSE(os::Backlight::open(empty.path().string())); // no maximum
    write_file(empty.native("max_brightness"), "x");
    EXPECT_FALSE(os::Backlight::open(empty.path().string()));
}
