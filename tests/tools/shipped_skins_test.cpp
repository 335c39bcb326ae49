// The skins and language files that the build lays out in the app folder (build/app): on each screen
// the skins are drawn for, every skin is accepted for "Melodeck_1.00" at scale 1 and chooses the
// layout made for that screen; that layout holds every control the player binds by name, inside the
// work area, with no two controls of a mode over each other; the longest texts of every language
// fit their frames and buttons (measured with the skin's own fonts); every language file has the
// keys of the English one; and the art generator draws the committed skins again byte for byte.

#include "liba/string_translator.h"
#include "liba/text.h"
#include "os/file.h"
#include "skinner/properties.h"
#include "skinner/text_wrap.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

using skinner::Point;
using skinner::Properties;
using skinner::Size;

const std::string s_app = std::string(MELODECK_BIN_DIR) + "/../app";
const char* const s_languages[] = {"English", "German", "French", "Spanish", "Russian"};

struct Screen {
    Size size;
    os::PlatformKind kind;
    const char* name;
};

void PrintTo(const Screen& screen, std::ostream* out)
{
    *out << screen.name;
}

// The screens data/skins/make_skins.py draws a layout for.
const Screen s_screens[] = {
    {{240, 320}, os::PlatformKind::pocket_pc, "P240x320"},
    {{480, 640}, os::PlatformKind::pocket_pc, "P480x640"},
    {{320, 240}, os::PlatformKind::pocket_pc, "P320x240"},
    {{640, 480}, os::PlatformKind::pocket_pc, "P640x480"},
    {{240, 240}, os::PlatformKind::pocket_pc, "P240x240"},
    {{720, 720}, os::PlatformKind::pocket_pc, "P720x720"},
    {{480, 800}, os::PlatformKind::pocket_pc, "P480x800"},
    {{720, 1280}, os::PlatformKind::pocket_pc, "P720x1280"},
    {{1280, 720}, os::PlatformKind::pocket_pc, "P1280x720"},
    {{176, 220}, os::PlatformKind::smartphone, "S176x220"},
    {{240, 320}, os::PlatformKind::smartphone, "S240x320"},
};

struct Box {
    std::u16string name;
    int32_t x, y, w, h;

    bool inside(Size size) const { return x >= 0 && y >= 0 && x + w <= size.width && y + h <= size.height; }
    bool overlaps(const Box& other) const
    {
        return x < other.x + other.w && other.x < x + w && y < other.y + other.h && other.y < y + h;
    }
};

std::string text(std::u16string_view value)
{
    return liba::to_utf8(value);
}

std::string read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::u16string> split_lines(std::u16string_view text)
{
    std::vector<std::u16string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(u"\r\n", start);
        if (end == std::u16string_view::npos)
            end = text.size();
        if (end > start)
            lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

liba::StringTranslator load_translator(const std::string& language)
{
    liba::StringTranslator translator;
    os::File file(liba::from_utf8(s_app + "/" + language + ".lng"), os::FileMode::Read);
    EXPECT_TRUE(liba::load_language(file, translator)) << language;
    return translator;
}

// Loads a skin of the app folder for the screen, checking what the player checks at start-up.
std::unique_ptr<Properties> load(const std::string& file, const Screen& screen)
{
    auto skin = std::make_unique<Properties>(liba::from_utf8(s_app + "/" + file), screen.size, screen.kind);
    EXPECT_TRUE(skin->is_valid()) << file << " missing or broken: build the app_data target";
    EXPECT_TRUE(skin->check_version(u"Melodeck_1.00", screen.size)) << file << " on " << screen.name;
    EXPECT_EQ(skin->impl().scale(), 1) << file << " on " << screen.name;
    return skin;
}

bool has_control(Properties& skin, std::u16string_view form, std::u16string_view control)
{
    return skin.impl().choose_form(form) != 0 && skin.impl().choose_control(form, control) != 0;
}

Box box_of(Properties& skin, std::u16string_view form, std::u16string_view control)
{
    Point at = skin.get_point(form, control, u"Position", {-1000, -1000});
    Point size = skin.get_point(form, control, u"Size", {0, 0});
    return {std::u16string(control), at.x, at.y, size.x, size.y};
}

// The controls of one mode: each inside the area, none over another.
void expect_tiled(const std::vector<Box>& boxes, Size area, const std::string& where)
{
    for (size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_TRUE(boxes[i].inside(area) && boxes[i].w > 0 && boxes[i].h >= 0)
            << where << ": " << text(boxes[i].name) << " at " << boxes[i].x << "," << boxes[i].y << " "
            << boxes[i].w << "x" << boxes[i].h << " outside " << area.width << "x" << area.height;
        for (size_t j = i + 1; j < boxes.size(); ++j)
            EXPECT_FALSE(boxes[i].overlaps(boxes[j]))
                << where << ": " << text(boxes[i].name) << " overlaps " << text(boxes[j].name);
    }
}

// The chosen layout is the one drawn for this screen: its size is the screen's whole work area.
void expect_native_layout(Properties& skin, std::u16string_view form, const Screen& screen)
{
    Point layout = skin.get_form_point(form, u"Size", {0, 0});
    Size work = skin.impl().workarea_size();
    EXPECT_TRUE(layout.x == work.width && layout.y == work.height)
        << text(form) << " on " << screen.name << ": layout " << layout.x << "x" << layout.y
        << " for work area " << work.width << "x" << work.height << "\n"
        << text(skin.impl().form_trace());
}

// Text of a frame or button in the translator's language: one line within the room left by the
// frame's borders, or, with "Wrap", lines whose total height fits.
void expect_fits(Properties& skin, std::u16string_view form, std::u16string_view control,
    std::u16string_view shown, const std::string& where, int32_t margin = -1)
{
    skinner::Font font = skin.get_font(form, control, u"Normal", skinner::Font {});
    Box box = box_of(skin, form, control);
    Point border_min = skin.get_point(form, control, u"BorderMin", {0, 0});
    Point border_max = skin.get_point(form, control, u"BorderMax", border_min);
    if (margin >= 0)
        border_min = border_max = {margin, 0};
    int32_t room = box.w - border_min.x - border_max.x;
    std::string what = where + " " + text(control) + " \"" + text(shown) + "\"";
    if (skin.get_int(form, control, u"Wrap", 0) != 0) {
        auto lines = skinner::wrap_text(
            shown, room, [&](std::u16string_view line) { return font.measure(line).width; });
        int32_t height = int32_t(lines.size()) * font.measure(u"Ag").height;
        EXPECT_LE(height, box.h - border_min.y - border_max.y) << what << ": " << lines.size() << " lines";
        for (const std::u16string& line : lines)
            EXPECT_LE(font.measure(line).width, room) << what << ": a word wider than the frame";
    } else {
        Size size = font.measure(shown);
        EXPECT_LE(size.width, room) << what;
        EXPECT_LE(size.height, box.h) << what;
    }
}

struct Panel {
    const char16_t* name;
    std::vector<std::vector<std::u16string>> controls; // groups that may share a place
};

const Panel s_panels[] = {
    {u"panelDisplay", {{u"frmClock"}, {u"frmTitle"}, {u"frmInfo"}}},
    {u"panelLevels", {{u"pbLeft"}, {u"pbRight"}, {u"pbVolume"}, {u"chkVolume", u"chkVAS"}}},
    {u"panelPosition", {{u"btnLeft"}, {u"btnRight"}, {u"pbPosition"}}},
};

struct MainCase {
    Screen screen;
    const char* skin;
};

void PrintTo(const MainCase& c, std::ostream* out)
{
    *out << c.skin << "_" << c.screen.name;
}

std::vector<MainCase> main_cases()
{
    std::vector<MainCase> cases;
    for (const char* skin : {"default", "alternative"})
        for (const Screen& screen : s_screens)
            cases.push_back({screen, skin});
    return cases;
}

class MainSkin : public testing::TestWithParam<MainCase> { };

TEST_P(MainSkin, NativeLayoutHoldsEveryControlInPlaceAndEveryTextFits)
{
    const Screen& screen = GetParam().screen;
    std::string file = std::string("skins/") + GetParam().skin + "/" + GetParam().skin + ".skin";
    std::unique_ptr<Properties> skin = load(file, screen);
    if (!skin->is_valid())
        return;
    const std::u16string form = u"FormMain";
    expect_native_layout(*skin, form, screen);
    for (const char16_t* name :
        {u"MenuMain", u"Menu", u"Play", u"Pause", u"Resume", u"frmFolder", u"frmStatus", u"lstFiles_playsize",
            u"lstFiles_bigsize", u"lstFiles", u"panelPlay", u"menuSoftButtonOk", u"menuSoftButtonMenu"})
        EXPECT_TRUE(has_control(*skin, form, name)) << text(name) << " on " << screen.name;
    for (const char16_t* name : {u"Menu", u"Play", u"Pause", u"Resume"})
        EXPECT_FALSE(skin->get_string(form, name, u"Text", u"").empty()) << text(name);
    for (const char16_t* icon : {u"IconUp", u"IconFolder", u"IconAudioFile"})
        EXPECT_TRUE(skin->get_picture(form, u"lstFiles", icon, {}).has_image()) << text(icon);
    EXPECT_GT(skin->get_int(form, u"lstFiles", u"IconWidth", 0), 0);

    Point layout = skin->get_form_point(form, u"Size", {0, 0});
    Size area {layout.x, layout.y};
    auto main_box = [&](std::u16string_view name) { return box_of(*skin, form, name); };
    std::string where = std::string(GetParam().skin) + " " + screen.name;
    expect_tiled({main_box(u"frmFolder"), main_box(u"lstFiles_bigsize"), main_box(u"frmStatus")}, area,
        where + " browse");
    expect_tiled({main_box(u"frmFolder"), main_box(u"lstFiles_playsize"), main_box(u"panelPlay"),
                     main_box(u"frmStatus")},
        area, where + " play");

    std::u16string play = skin->get_string(form, u"panelPlay", u"FormTemplate", u"");
    ASSERT_FALSE(play.empty());
    Box play_box = main_box(u"panelPlay");
    std::vector<Box> panels;
    std::vector<std::pair<std::u16string, std::u16string>> frames; // (template form, control)
    for (const Panel& panel : s_panels) {
        ASSERT_TRUE(has_control(*skin, play, panel.name)) << text(panel.name) << " on " << screen.name;
        panels.push_back(box_of(*skin, play, panel.name));
        std::u16string inner = skin->get_string(play, panel.name, u"FormTemplate", u"");
        ASSERT_FALSE(inner.empty()) << text(panel.name);
        std::vector<Box> controls;
        for (const std::vector<std::u16string>& group : panel.controls) {
            for (const std::u16string& name : group)
                ASSERT_TRUE(has_control(*skin, inner, name)) << text(name) << " on " << screen.name;
            controls.push_back(box_of(*skin, inner, group.front()));
            for (const std::u16string& name : group) {
                Box same = box_of(*skin, inner, name);
                EXPECT_TRUE(same.x == controls.back().x && same.y == controls.back().y) << text(name);
            }
        }
        expect_tiled(controls, {panels.back().w, panels.back().h}, where + " " + text(panel.name));
        if (std::u16string_view(panel.name) == u"panelDisplay")
            for (const char16_t* name : {u"frmClock", u"frmInfo"})
                frames.emplace_back(inner, name);
    }
    expect_tiled(panels, {play_box.w, play_box.h}, where + " panelPlay");

    // The longest texts the player puts in the frames, in every language.
    expect_fits(*skin, frames[0].first, frames[0].second, u"9:59:59", where);
    expect_fits(*skin, frames[1].first, frames[1].second, u"48kHz 16bit 1411kbps", where);
    for (const char* language : s_languages) {
        ASSERT_TRUE(skin->set_language(liba::from_utf8(s_app + "/" + language + ".lng")));
        const liba::StringTranslator& translator = skin->translator();
        std::string in = where + " " + language;
        expect_fits(*skin, form, u"frmFolder", translator.translate(u"My_device"), in);
        // as the player writes it: shuffled "Playing (shuffle) / 456", else "Playing (repeat) 123 / 456"
        std::u16string playing = translator.translate(u"Status_Play", u"") + u" ";
        std::u16string from = u" " + translator.translate(u"Status_From") + u" 456";
        expect_fits(*skin, form, u"frmStatus", playing + translator.translate(u"Status_Random") + from, in);
        expect_fits(
            *skin, form, u"frmStatus", playing + translator.translate(u"Status_Repeat") + u" 123" + from, in);
        // with the sleep timer's text in place of "Playing": "Sleep 60 (repeat) 123 / 456"
        std::u16string sleep = translator.translate(u"Status_Sleep") + u" 60 ";
        expect_fits(*skin, form, u"frmStatus", sleep + translator.translate(u"Status_Random") + from, in);
        expect_fits(
            *skin, form, u"frmStatus", sleep + translator.translate(u"Status_Repeat") + u" 123" + from, in);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, MainSkin, testing::ValuesIn(main_cases()), [](const testing::TestParamInfo<MainCase>& info) {
        return std::string(info.param.skin) + "_" + info.param.screen.name;
    });

class AboutSkin : public testing::TestWithParam<Screen> { };

TEST_P(AboutSkin, BothLooksHaveEveryControlInPlaceAndEveryTextFits)
{
    const Screen& screen = GetParam();
    std::unique_ptr<Properties> skin = load("skins/settings/settings.skin", screen);
    if (!skin->is_valid())
        return;
    // Each main skin names the look of its about form.
    for (const char* main : {"default", "alternative"}) {
        std::unique_ptr<Properties> main_skin
            = load(std::string("skins/") + main + "/" + main + ".skin", screen);
        std::u16string look = main_skin->get_string(u"FormMain", u"MenuMain", u"AboutForm", u"About");
        EXPECT_EQ(look, std::string(main) == "default" ? u"About" : u"LightAbout");
    }
    for (const char16_t* form : {u"About", u"LightAbout"}) {
        std::string where = text(form) + " " + screen.name;
        expect_native_layout(*skin, form, screen);
        for (const char16_t* name : {u"MenuMain", u"frmProduct", u"frmCopyright", u"btnLink", u"btnOk",
                 u"menuSoftButtonOk", u"menuSoftButtonMenu"})
            EXPECT_TRUE(has_control(*skin, form, name)) << text(name) << " on " << where;
        // btnOk is made by the form itself, from the skin's list of auto controls.
        bool auto_ok = false;
        for (uint32_t i = 0; i < skin->auto_control_count(form); ++i)
            auto_ok |= skin->auto_control(form, i)
                == std::pair<std::u16string, std::u16string>(u"btnOk", u"Auto.Button");
        EXPECT_TRUE(auto_ok) << where;
        // On a Smartphone the soft key "Ok" closes the form; the button is for the touch screen.
        bool touch = screen.kind == os::PlatformKind::pocket_pc;
        EXPECT_EQ(skin->get_int(form, u"btnOk", u"Visible", 1) != 0, touch) << where;
        Point layout = skin->get_form_point(form, u"Size", {0, 0});
        std::vector<Box> boxes;
        for (const char16_t* name : {u"frmLogo", u"frmProduct", u"frmCopyright", u"btnLink"})
            boxes.push_back(box_of(*skin, form, name));
        if (touch)
            boxes.push_back(box_of(*skin, form, u"btnOk"));
        expect_tiled(boxes, {layout.x, layout.y}, where);

        for (const char* language : s_languages) {
            ASSERT_TRUE(skin->set_language(liba::from_utf8(s_app + "/" + language + ".lng")));
            std::string in = where + " " + language;
            expect_fits(*skin, form, u"frmProduct", u"MOSK Melodeck v1.0", in);
            for (const char16_t* name : {u"frmCopyright", u"btnLink", u"btnOk"}) {
                std::u16string shown = skin->get_string(form, name, u"Text", u"");
                EXPECT_FALSE(shown.empty() || shown.find(u'_') != std::u16string::npos)
                    << in << " " << text(name) << ": " << text(shown);
                // a button keeps clear of its rounded ends
                expect_fits(
                    *skin, form, name, shown, in, name[0] == u'b' ? box_of(*skin, form, name).h / 4 : -1);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, AboutSkin, testing::ValuesIn(s_screens),
    [](const testing::TestParamInfo<Screen>& info) { return std::string(info.param.name); });

TEST(LanguageFiles, EveryLanguageHasTheKeysOfEnglishAndBothEncodingsAreShipped)
{
    liba::StringTranslator english = load_translator("English");
    for (const char16_t* key :
        {u"Menu_Stop", u"Menu_RefreshList", u"Menu_Random", u"Menu_Repeat", u"Menu_Equalizer",
            u"Menu_ScreenOff", u"Menu_ScreenOff_never", u"Menu_ScreenOff_10sec", u"Menu_ScreenOff_30sec",
            u"Menu_ScreenOff_1min", u"Menu_ScreenOff_2min", u"Menu_Language", u"Menu_About", u"Menu_Exit",
            u"Menu_Play_single", u"Menu_Play_audiobook", u"Menu_Resume_audiobook", u"Menu_Play_folder",
            u"Menu_Play_subfolder", u"Menu_Cancel", u"Status_Play", u"Status_Random", u"Status_Repeat",
            u"Status_From", u"My_device", u"Title_Main", u"Softkey_Menu", u"Softkey_Play", u"Softkey_Pause",
            u"Softkey_Resume", u"Softkey_Ok", u"About_Title", u"About_Copyright", u"Ok", u"About_Link"}) {
        const std::u16string* found = english.find(key);
        EXPECT_TRUE(found != nullptr && !found->empty()) << text(key);
    }
    // The keys of the English file, as its lines name them.
    std::vector<std::u16string> keys;
    for (const std::u16string& line : split_lines(liba::decode_language(read_file(s_app + "/English.lng")))) {
        std::u16string key = line.substr(0, line.find_first_of(u" \t"));
        if (!key.empty() && key.rfind(u"//", 0) != 0)
            keys.push_back(key.back() == u'=' ? key.substr(0, key.size() - 1) : key);
    }
    EXPECT_EQ(keys.size(), english.size());
    std::set<bool> utf16;
    for (const char* language : s_languages) {
        liba::StringTranslator other = load_translator(language);
        EXPECT_EQ(other.size(), english.size()) << language;
        for (const std::u16string& key : keys) {
            const std::u16string* found = other.find(key);
            EXPECT_TRUE(found != nullptr && !found->empty()) << language << " lacks " << text(key);
        }
        utf16.insert(read_file(s_app + "/" + language + ".lng").rfind("\xFF\xFE", 0) == 0);
    }
    EXPECT_EQ(utf16.size(), 2u) << "both the UTF-16 and the 8-bit reading of language files are in use";
}

// The committed bitmaps and XML are what data/skins/make_skins.py draws: run it into a temporary
// folder and compare every file.
TEST(SkinGenerator, DrawsTheCommittedSkinsByteForByte)
{
    if (std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-pil is not installed";
    test::TempDir dir;
    std::string source = std::string(MELODECK_SOURCE_DIR) + "/data/skins";
    std::string command = "/usr/bin/python3 '" + source + "/make_skins.py' '" + dir.path().string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    namespace fs = std::filesystem;
    for (const char* skin : {"default", "alternative", "settings"}) {
        std::set<std::string> committed, drawn;
        for (const auto& entry : fs::directory_iterator(fs::path(source) / skin))
            committed.insert(entry.path().filename().string());
        for (const auto& entry : fs::directory_iterator(dir.path() / skin))
            drawn.insert(entry.path().filename().string());
        EXPECT_EQ(committed, drawn) << skin;
        for (const std::string& name : drawn) {
            if (committed.count(name) != 0) {
                EXPECT_TRUE(read_file(fs::path(source) / skin / name) == read_file(dir.path() / skin / name))
                    << skin << "/" << name << " differs from what make_skins.py draws";
            }
        }
    }
}

} // namespace
