#include "os/screen_options.h"

#include <gtest/gtest.h>

using namespace os;

TEST(ScreenOptions, defaults_both_spellings_the_rest_in_order_and_bad_values_reported_by_name)
{
    ScreenOptionsResult result = parse_screen_options({"song.mp3", "-x", "--other=1"});
    EXPECT_EQ(result.options.size, (Size {480, 640}));
    EXPECT_FALSE(result.options.headless);
    EXPECT_EQ(result.rest, (std::vector<std::string> {"song.mp3", "-x", "--other=1"}));
    result = parse_screen_options({"--screen", "240x320", "a", "--platform=smartphone", "--headless", "b"});
    EXPECT_EQ(result.options.size, (Size {240, 320}));
    EXPECT_EQ(result.options.kind, PlatformKind::smartphone);
    EXPECT_TRUE(result.options.headless);
    EXPECT_EQ(result.rest, (std::vector<std::string> {"a", "b"}));
    result = parse_screen_options({"--screen=176x220", "--platform", "pocketpc", "--screenshot", "shot.png"});
    EXPECT_EQ(result.options.kind, PlatformKind::pocket_pc);
    EXPECT_EQ(result.options.screenshot, "shot.png");
    EXPECT_TRUE(result.options.headless);

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
