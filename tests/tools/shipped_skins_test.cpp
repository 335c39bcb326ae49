// The skins and language files of the app folder, and the example of docs/skin-format.md working as it says.

#include "liba/string_translator.h"
#include "liba/text.h"
#include "os/file.h"
#include "os/screen/headless_screen.h"
#include "skinc/skin_compiler.h"
#include "skinner/form.h"
#include "skinner/properties.h"
#include "support/bmp_writer.h"
#include "tool_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

using skinner::Point;

const std::string s_app = std::string(MELODECK_BIN_DIR) + "/../app";
const char* const s_languages[] = {"English", "German", "French", "Spanish", "Russian"};
const char* const s_skins[] = {"default", "alternative", "settings"};
const std::filesystem::path s_source_dir = MELODECK_SOURCE_DIR;

std::string skin_file(const std::string& skin)
{
    return s_app + "/skins/" + skin + "/" + skin + ".skin";
}

TEST(ShippedSkins, FitEachScreenAndLanguageBuildWithoutAWarningDrawAndEveryLanguageHasTheKeysOfEnglish)
{
    // The screens data/skins/make_skins.py draws a layout for.
    constexpr os::PlatformKind P = os::PlatformKind::pocket_pc, S = os::PlatformKind::smartphone;
    const std::pair<skinner::Size, os::PlatformKind> screens[] = {{{240, 320}, P}, {{480, 640}, P},
        {{320, 240}, P}, {{640, 480}, P}, {{240, 240}, P}, {{720, 720}, P}, {{480, 800}, P}, {{720, 1280}, P},
        {{1280, 720}, P}, {{176, 220}, S}, {{240, 320}, S}};
    for (std::string name : s_skins)
        for (auto [size, kind] : screens) {
            SCOPED_TRACE(name + " on " + std::to_string(size.width) + "x" + std::to_string(size.height));
            skinner::Properties skin(liba::from_utf8(skin_file(name)), size, kind);
            ASSERT_TRUE(skin.is_valid()) << "missing or broken: build the app_data target";
            EXPECT_TRUE(skin.check_version(u"Melodeck_1.00", size));
            EXPECT_EQ(skin.impl().scale(), 1);
            bool main = name != "settings";
            for (const char16_t* form :
                main ? std::vector {u"FormMain"} : std::vector {u"About", u"LightAbout"}) {
                Point layout = skin.get_form_point(form, u"Size", {0, 0});
                skinner::Size work = skin.impl().workarea_size();
                EXPECT_TRUE(layout.x == work.width && layout.y == work.height)
                    << liba::to_utf8(form) << ": layout " << layout.x << "x" << layout.y << "\n"
                    << liba::to_utf8(skin.impl().form_trace());
            }
            if (!main)
                continue;
            // The longest status line the player writes: "Sleep 60 (repeat) 123 / 456".
            skinner::Font font = skin.get_font(u"FormMain", u"frmStatus", u"Normal", skinner::Font {});
            Point box = skin.get_point(u"FormMain", u"frmStatus", u"Size", {0, 0});
            Point border_min = skin.get_point(u"FormMain", u"frmStatus", u"BorderMin", {0, 0});
            Point border_max = skin.get_point(u"FormMain", u"frmStatus", u"BorderMax", border_min);
            for (const char* language : s_languages) {
                ASSERT_TRUE(skin.set_language(liba::from_utf8(s_app + "/" + language + ".lng")));
                auto t = [&](const char16_t* key) { return skin.translator().translate(key); };
                std::u16string shown = t(u"Status_Sleep") + u" 60 " + t(u"Status_Repeat") + u" 123 "
                    + t(u"Status_From") + u" 456";
                EXPECT_LE(font.measure(shown).width, box.x - border_min.x - border_max.x)
                    << language << ": " << liba::to_utf8(shown);
            }
        }
    // Each skin builds without a warning and draws its form; every language has the keys of English.
    test::TempDir dir;
    for (std::string skin : s_skins) {
        std::vector<std::string> messages;
        EXPECT_TRUE(skinc::build_skin(
            s_source_dir / "data/skins" / skin / (skin + ".xml"), dir.native("out.skin"), messages));
        EXPECT_EQ(messages, std::vector<std::string>()) << skin;
        std::string shot = dir.native(skin + ".png").string();
        test::ToolRun run = test::run_tool("skin-preview",
            skin_file(skin) + " --form " + (skin == "settings" ? "About" : "FormMain")
                + " --screen 240x320 --headless --screenshot " + shot,
            dir);
        test::Png png;
        ASSERT_TRUE(run.status == 0 && test::read_png(shot, png)) << skin << ": " << run.err;
        std::set<uint32_t> colours;
        for (int32_t y = 26; y < 296; ++y)
            for (int32_t x = 0; x < 240; ++x)
                colours.insert(png.at(x, y));
        EXPECT_GT(colours.size(), 8u) << skin << " draws next to nothing in the work area";
    }
    auto load = [](const std::string& language) {
        liba::StringTranslator translator;
        os::File file(liba::from_utf8(s_app + "/" + language + ".lng"), os::FileMode::Read);
        EXPECT_TRUE(liba::load_language(file, translator)) << language;
        return translator;
    };
    liba::StringTranslator english = load("English");
    ASSERT_GT(english.size(), 30u);
    for (const char* language : s_languages) {
        liba::StringTranslator other = load(language);
        EXPECT_EQ(other.size(), english.size()) << language;
        for (const char16_t* key :
            {u"Status_Play", u"Status_Sleep", u"Status_Repeat", u"My_device", u"About_Link"})
            EXPECT_TRUE(other.find(key) != nullptr && !other.find(key)->empty())
                << language << " lacks " << liba::to_utf8(key);
    }
}

constexpr uint32_t s_rest_border = 0x80C0FF, s_pressed_border = 0xFFC080, s_white = 0xFFFFFF;

TEST(SkinGuide, the_example_builds_and_its_button_shows_its_right_half_and_the_hand_while_held)
{
    // The guide's one example (the fenced block "```xml skin minimal.xml") and the bitmaps it describes.
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
