// The skins and language files that the build lays out in the app folder (build/app): on each screen
// the skins are drawn for, every skin is accepted for "Melodeck_1.00" at scale 1 and chooses the
// layout made for that screen, the status line's longest text fits it in every language, each skin
// draws, and every language file has the keys of the English one.

#include "liba/string_translator.h"
#include "liba/text.h"
#include "os/file.h"
#include "skinner/properties.h"
#include "tool_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

using skinner::Point;

const std::string s_app = std::string(MELODECK_BIN_DIR) + "/../app";
const char* const s_languages[] = {"English", "German", "French", "Spanish", "Russian"};
const char* const s_skins[] = {"default", "alternative", "settings"};

std::string skin_file(const std::string& skin)
{
    return s_app + "/skins/" + skin + "/" + skin + ".skin";
}

TEST(ShippedSkins, LoadWithTheLayoutOfEachScreenAndTheStatusLineFitsInEveryLanguage)
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
                const liba::StringTranslator& t = skin.translator();
                std::u16string shown = t.translate(u"Status_Sleep") + u" 60 " + t.translate(u"Status_Repeat")
                    + u" 123 " + t.translate(u"Status_From") + u" 456";
                EXPECT_LE(font.measure(shown).width, box.x - border_min.x - border_max.x)
                    << language << ": " << liba::to_utf8(shown);
            }
        }
}

// Each skin draws its form, and every language file has the keys of the English one.
TEST(ShippedSkins, EachDrawsItsFormAndEveryLanguageHasTheKeysOfEnglish)
{
    test::TempDir dir;
    for (std::string skin : s_skins) {
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

} // namespace
