#include "os/switches.h"

#include "support/scoped_config.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

static const std::u16string_view s_key = os::s_switches_key;

TEST(Switches, the_store_is_made_on_the_first_write_and_values_read_back_replaced_in_two_bases)
{
    test::ScopedConfig config;
    EXPECT_EQ(std::filesystem::path(os::switches_file()), config.folder().path() / "melodeck/switches.ini");
    uint32_t value = 77;
    EXPECT_TRUE(os::read_registry_flag(s_key, u"Log", value)) << "a missing file opens the key";
    EXPECT_EQ(value, 77u);
    for (std::u16string_view key : {u"HKEY_NOWHERE\\Software\\MOSK", u"Software\\MOSK", u"HKEY_CURRENT"}) {
        EXPECT_FALSE(os::read_registry_flag(key, u"Log", value))
            << testing::PrintToString(std::u16string(key));
        EXPECT_FALSE(os::write_registry_value(key, u"Log", 1));
    }
    EXPECT_EQ(value, 77u);
    EXPECT_FALSE(std::filesystem::exists(os::switches_file()));
    std::filesystem::path nested = config.folder().path() / "a" / "b";
    ::setenv("XDG_CONFIG_HOME", nested.c_str(), 1); // missing folders are made
    for (std::u16string_view root : {u"HKEY_CLASSES_ROOT", u"HKEY_CURRENT_CONFIG", u"HKEY_USERS"}) {
        std::u16string key = std::u16string(root) + u"\\Software\\X";
        ASSERT_TRUE(os::write_registry_value(key, u"Flag", 3));
        value = 0;
        EXPECT_TRUE(os::read_registry_flag(key, u"Flag", value));
        EXPECT_EQ(value, 3u);
    }
    EXPECT_TRUE(std::filesystem::exists(nested / "melodeck/switches.ini"));
    EXPECT_FALSE(std::filesystem::exists(nested / "melodeck/switches.ini.tmp"));

    // Written values read back and replace earlier ones.
    std::filesystem::remove(os::switches_file());
    ASSERT_TRUE(os::write_registry_value(s_key, u"Log", 1));
    ASSERT_TRUE(os::write_registry_value(s_key, u"Flicker", 0xFFFFFFFF));
    ASSERT_TRUE(os::write_registry_value(s_key, u"Log", 0));
    uint32_t log = 9, flicker = 9;
    // Key paths and value names ignore case: one section, one value.
    ASSERT_TRUE(os::write_registry_value(u"hkey_current_user\\SOFTWARE\\mosk", u"Log", 2));
    EXPECT_TRUE(os::read_registry_flag(s_key, u"log", log));
    EXPECT_EQ(log, 2u);
    EXPECT_EQ(test::read_text(os::switches_file()),
        "[HKEY_CURRENT_USER\\Software\\MOSK]\nLog=2\nFlicker=4294967295\n");
    // Writing leaves other sections and lines untouched.
    test::write_text(os::switches_file(),
        "; switches\n[HKEY_USERS\\Other]\nLog=5\nOther=3\n\n[HKEY_CURRENT_USER\\Software\\MOSK]\n"
        "Flicker=1\n\n[HKEY_LOCAL_MACHINE\\Third]\nx = 2\n");
    ASSERT_TRUE(os::write_registry_value(s_key, u"Log", 1));
    EXPECT_EQ(test::read_text(os::switches_file()),
        "; switches\n[HKEY_USERS\\Other]\nLog=5\nOther=3\n\n[HKEY_CURRENT_USER\\Software\\MOSK]\nFlicker=1\n"
        "Log=1\n\n[HKEY_LOCAL_MACHINE\\Third]\nx = 2\n");
    EXPECT_TRUE(os::read_registry_flag(u"HKEY_USERS\\Other", u"Log", log));
    EXPECT_TRUE(os::read_registry_flag(u"HKEY_LOCAL_MACHINE\\Third", u"X", flicker));
    EXPECT_EQ(std::pair(log, flicker), std::pair(5u, 2u));
    uint32_t elsewhere = 0; // only in another section
    EXPECT_TRUE(os::read_registry_flag(s_key, u"Other", elsewhere));
    EXPECT_EQ(elsewhere, 0u);

    // Numbers are decimal, or hexadecimal after 0x; other text leaves the value.
    const uint32_t untouched = 123;
    const std::pair<const char*, uint32_t> cases[] = {{"08", 8}, {" 7 \r", 7}, {"0XfF", 255},
        {"4294967295", 0xFFFFFFFF}, {"abc", untouched}, {"", untouched}, {"-1", untouched}, {"1x", untouched},
        {"4294967296", untouched}, {"99999999999999999999", untouched}, {"0x", untouched}};
    for (auto [text, expected] : cases) {
        test::write_text(
            os::switches_file(), std::string("[HKEY_CURRENT_USER\\Software\\MOSK]\nLog=") + text + "\n");
        uint32_t value = untouched;
        EXPECT_TRUE(os::read_registry_flag(s_key, u"Log", value));
        EXPECT_EQ(value, expected) << "Log=" << text;
    }
}
