#include "os/screen_options.h"

#include <gtest/gtest.h>

using namespace os;

TEST(ScreenOptions, defaults_both_spellings_the_rest_in_order_and_bad_values_reported_by_name)
{
    ScreenOptionsResult result = parse_screen_options({"song.mp3", "-x", "--other=1"});
    EXPECT_EQ(result.options.size, (Size {480, 640}));
    EXPECT_FALSE(result.options.headless);
    EXPECT_EQ(result.rest, (std::vector<std::string> {"song.mp3", "-x", "--other=1"}));
    // "--screen 240x320", "--platform smartphone" and "--headless" come in the tools' and player's runs.
    result = parse_screen_options(
        {"--screen=176x220", "a", "--platform", "pocketpc", "b", "--screenshot", "s.png"});
    EXPECT_EQ(std::tuple(result.options.size, result.options.kind, result.options.screenshot,
                  result.options.headless),
        std::tuple(Size {176, 220}, PlatformKind::pocket_pc, std::string("s.png"), true));
    EXPECT_EQ(result.rest, (std::vector<std::string> {"a", "b"}));
    EXPECT_EQ(parse_screen_options({"--platform=smartphone"}).options.kind, PlatformKind::smartphone);

    // Sizes beyond the limits and bad values are reported by name.
    Size size;
    EXPECT_TRUE(parse_screen_size("64x4096", size));
    EXPECT_EQ(size, (Size {64, 4096}));
    for (const char* bad :
        {"63x100", "100x4097", "-240x320", "240x", "x320", "240x320x1", "+240x320", "99999999999x1"}) {
        Size untouched {1, 2};
        EXPECT_FALSE(parse_screen_size(bad, untouched)) << bad;
        EXPECT_EQ(untouched, (Size {1, 2})) << bad;
    }
    EXPECT_NE(parse_screen_options({"--screen", "big"}).error.find("--screen"), std::string::npos);
    EXPECT_NE(parse_screen_options({"--platform=palm"}).error.find("palm"), std::string::npos);
    EXPECT_NE(parse_screen_options({"--screen"}).error.find("wants a value"), std::string::npos);
    EXPECT_FALSE(parse_screen_options({"--screenshot="}).error.empty());
}
