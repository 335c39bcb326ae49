// The skin author's guide (docs/skin-format.md) against the program: the shipped skins build without
// a warning, and the guide's example builds and its button works as the text says.

#include "skinc/skin_compiler.h"

#include "liba/text.h"
#include "os/screen/headless_screen.h"
#include "skinner/form.h"
#include "skinner/properties.h"
#include "support/bmp_writer.h"
#include "tool_run.h"

#include <gtest/gtest.h>

namespace {

const std::filesystem::path s_source_dir = MELODECK_SOURCE_DIR;

TEST(SkinGuide, the_shipped_skins_hold_no_property_that_nothing_reads)
{
    for (std::string skin : {"default", "alternative", "settings"}) {
        test::TempDir dir;
        std::vector<std::string> messages;
        EXPECT_TRUE(skinc::build_skin(
            s_source_dir / "data/skins" / skin / (skin + ".xml"), dir.native("out.skin"), messages));
        EXPECT_EQ(messages, std::vector<std::string>()) << skin;
    }
}

constexpr uint32_t s_rest_border = 0x80C0FF, s_pressed_border = 0xFFC080, s_white = 0xFFFFFF;

TEST(SkinGuide, the_example_builds_and_its_button_shows_its_right_half_and_the_hand_while_held)
{
    // The guide's one example (the fenced block marked "```xml skin minimal.xml") with the bitmaps its
    // text describes.
    std::string text = test::read_text(s_source_dir / "docs/skin-format.md");
    const std::string mark = "```xml skin minimal.xml\n";
    size_t at = text.find(mark);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(text.find("```xml skin ", at + 1), std::string::npos) << "each example has its bitmaps here";
    at += mark.size();
    test::TempDir dir;
    test::write_text(dir.native("minimal.xml"), text.substr(at, text.find("\n```", at) - at + 1));
    // 32x16, the left half at rest and the right half pressed, 4-pixel borders; the corners black in
    // the mask (and white in the colour bitmap, as they must be).
    std::vector<uint32_t> button, mask;
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 32; ++x) {
            bool corner = (x % 16 == 0 || x % 16 == 15) && (y == 0 || y == 15);
            bool border = x % 16 < 4 || x % 16 >= 12 || y < 4 || y >= 12;
            button.push_back(corner ? s_white
                    : x < 16        ? (border ? s_rest_border : 0x2060A0u)
                                    : (border ? s_pressed_border : 0xA06020u));
            mask.push_back(corner ? 0u : s_white);
        }
    test::write_file(dir.native("back.bmp"), test::make_bmp24(8, 8, std::vector<uint32_t>(64, 0x203040)));
    test::write_file(dir.native("button.bmp"), test::make_bmp24(32, 16, button));
    test::write_file(dir.native("button_1.bmp"), test::make_bmp24(32, 16, mask));
    std::vector<std::string> messages;
    ASSERT_TRUE(skinc::build_skin(dir.native("minimal.xml"), dir.native("example.skin"), messages));
    EXPECT_EQ(messages, std::vector<std::string>());

    os::HeadlessScreen screen({240, 320});
    skinner::Properties skin(dir.file("example.skin"), {240, 320});
    skinner::Form form(nullptr, &skin, u"FormMain", nullptr);
    // The button lies at (168, 34) on the screen, 64x24; its left border is 4 pixels wide.
    std::vector<uint32_t> colours;
    os::Cursor cursor = os::Cursor::arrow;
    int step = 0;
    screen.set_idle_handler([&] {
        colours.push_back(screen.frame().at(170, 46) & 0xFFFFFF);
        if (step == 0)
            screen.press({200, 46});
        if (step == 1) {
            cursor = screen.shown_cursor();
            screen.release({100, 200}); // away from the button: it rests again without firing
        }
        return step++ < 2;
    });
    form.do_modal();
    EXPECT_EQ(colours, (std::vector<uint32_t> {s_rest_border, s_pressed_border, s_rest_border}));
    EXPECT_EQ(cursor, os::Cursor::hand);
}

} // namespace
