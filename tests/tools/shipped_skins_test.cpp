// The skins and language files that the build lays out in the app folder (build/app): on each screen
// the skins are drawn for, every skin is accepted for "Melodeck_1.00" at scale 1 and chooses the
// layout made for that screen, the status line's longest text fits it in every language, each skin
// draws, and every language file has the keys of the English one.

#include "liba/string_translator.h"
#include "liba/text.h"
#include "os/file.h"
#include "png_read.h"
#include "skinner/properties.h"
#include "tool_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

using skinner::Point;
using skinner::Properties;
using skinner::Size;

const std::string s_app = std::string(MELODECK_BIN_DIR) + "/../app";
const char* const s_languages[] = {"English", "German", "French", "Spanish", "Russian"};
const char* const s_skins[] = {"default", "alternative", "settings"};

struct Screen {
    Size size;
    os::PlatformKind kind;
    const char* name;
};

// The screens data/skins/make_skins.py draws a layout for.
constexpr os::PlatformKind P = os::PlatformKind::pocket_pc, S = os::PlatformKind::smartphone;
const Screen s_screens[] = {{{240, 320}, P, "P240x320"}, {{480, 640}, P, "P480x640"},
    {{320, 240}, P, "P320x240"}, {{640, 480}, P, "P640x480"}, {{240, 240}, P, "P240x240"},
    {{720, 720}, P, "P720x720"}, {{480, 800}, P, "P480x800"}, {{720, 1280}, P, "P720x1280"},
    {{1280, 720}, P, "P1280x720"}, {{176, 220}, S, "S176x220"}, {{240, 320}, S, "S240x320"}};

std::string skin_file(const std::string& skin)
{
    return s_app + "/skins/" + skin + "/" + skin + ".skin";
}

class ShippedSkin : public testing::TestWithParam<std::tuple<const char*, Screen>> { };

TEST_P(ShippedSkin, LoadsWithTheLayoutOfItsScreenAndTheStatusLineFitsInEveryLanguage)
{
    auto [name, screen] = GetParam();
    Properties skin(liba::from_utf8(skin_file(name)), screen.size, screen.kind);
    ASSERT_TRUE(skin.is_valid()) << "missing or broken: build the app_data target";
    EXPECT_TRUE(skin.check_version(u"Melodeck_1.00", screen.size));
    EXPECT_EQ(skin.impl().scale(), 1);
    bool main = std::string(name) != "settings";
    for (const char16_t* form : main ? std::vector {u"FormMain"} : std::vector {u"About", u"LightAbout"}) {
        Point layout = skin.get_form_point(form, u"Size", {0, 0});
        Size work = skin.impl().workarea_size();
        EXPECT_TRUE(layout.x == work.width && layout.y == work.height)
            << liba::to_utf8(form) << ": layout " << layout.x << "x" << layout.y << " for work area "
            << work.width << "x" << work.height << "\n"
            << liba::to_utf8(skin.impl().form_trace());
    }
    if (!main)
        return;
    // The longest status line the player writes: "Sleep 60 (repeat) 123 / 456".
    skinner::Font font = skin.get_font(u"FormMain", u"frmStatus", u"Normal", skinner::Font {});
    Point size = skin.get_point(u"FormMain", u"frmStatus", u"Size", {0, 0});
    Point border_min = skin.get_point(u"FormMain", u"frmStatus", u"BorderMin", {0, 0});
    Point border_max = skin.get_point(u"FormMain", u"frmStatus", u"BorderMax", border_min);
    for (const char* language : s_languages) {
        ASSERT_TRUE(skin.set_language(liba::from_utf8(s_app + "/" + language + ".lng")));
        const liba::StringTranslator& t = skin.translator();
        std::u16string shown = t.translate(u"Status_Sleep") + u" 60 " + t.translate(u"Status_Repeat")
            + u" 123 " + t.translate(u"Status_From") + u" 456";
        EXPECT_LE(font.measure(shown).width, size.x - border_min.x - border_max.x)
            << language << ": " << liba::to_utf8(shown);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, ShippedSkin,
    testing::Combine(testing::ValuesIn(s_skins), testing::ValuesIn(s_screens)), [](const auto& info) {
        return std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name;
    });

TEST(ShippedSkins, EachDrawsItsForm)
{
    test::TempDir dir;
    for (const char* skin : s_skins) {
        std::string form = std::string(skin) == "settings" ? "About" : "FormMain";
        std::string shot = dir.native(std::string(skin) + ".png").string();
        test::ToolRun run = test::run_tool("skin-preview",
            skin_file(skin) + " --form " + form + " --screen 240x320 --headless --screenshot " + shot, dir);
        ASSERT_EQ(run.status, 0) << skin << ": " << run.err;
        test::Png png;
        ASSERT_TRUE(test::read_png(shot, png)) << skin;
        std::set<uint32_t> colours;
        for (int32_t y = 26; y < 296; ++y)
            for (int32_t x = 0; x < 240; ++x)
                colours.insert(png.at(x, y));
        EXPECT_GT(colours.size(), 8u) << skin << " draws next to nothing in the work area";
    }
}

TEST(LanguageFiles, EveryLanguageHasTheKeysOfEnglish)
{
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

} // namespace
