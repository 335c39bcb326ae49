// The skins and the language file that the build lays out in the app folder (build/app): every
// layout is accepted for "Melodeck_1.00" on the screens the player runs on, holds every control
// the player binds by name, places the controls of each mode inside the form without overlaps, and
// every text the player or a skin asks for has an English translation.

#include "liba/string_translator.h"
#include "liba/text.h"
#include "os/file.h"
#include "skinner/properties.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using skinner::Point;
using skinner::Properties;
using skinner::Size;

const std::string s_app = std::string(MELODECK_BIN_DIR) + "/../app";

struct Screen {
    Size size;
    os::PlatformKind kind;
    const char* name;
};

void PrintTo(const Screen& screen, std::ostream* out)
{
    *out << screen.name;
}

const Screen s_screens[] = {
    {{480, 640}, os::PlatformKind::pocket_pc, "480x640"},
    {{240, 320}, os::PlatformKind::pocket_pc, "240x320"},
    {{320, 240}, os::PlatformKind::pocket_pc, "320x240"},
    {{640, 480}, os::PlatformKind::pocket_pc, "640x480"},
    {{480, 800}, os::PlatformKind::pocket_pc, "480x800"},
    {{800, 480}, os::PlatformKind::pocket_pc, "800x480"},
    {{176, 220}, os::PlatformKind::smartphone, "176x220_smartphone"},
    {{240, 320}, os::PlatformKind::smartphone, "240x320_smartphone"},
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

// Loads a skin of the app folder for the screen, checking what the player checks at start-up.
std::unique_ptr<Properties> load(const std::string& file, const Screen& screen)
{
    auto skin = std::make_unique<Properties>(liba::from_utf8(s_app + "/" + file), screen.size, screen.kind);
    EXPECT_TRUE(skin->is_valid()) << file << " missing or broken: build the app_data target";
    EXPECT_TRUE(skin->check_version(u"Melodeck_1.00", screen.size)) << file << " on " << screen.name;
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
        EXPECT_TRUE(boxes[i].inside(area) && boxes[i].w > 0 && boxes[i].h > 0)
            << where << ": " << text(boxes[i].name) << " at " << boxes[i].x << "," << boxes[i].y << " "
            << boxes[i].w << "x" << boxes[i].h << " outside " << area.width << "x" << area.height;
        for (size_t j = i + 1; j < boxes.size(); ++j)
            EXPECT_FALSE(boxes[i].overlaps(boxes[j]))
                << where << ": " << text(boxes[i].name) << " overlaps " << text(boxes[j].name);
    }
}

// A panel's controls live in the form its "FormTemplate" names.
struct Panel {
    const char16_t* name;
    std::vector<std::vector<std::u16string>> controls; // groups that may share a place
};

const Panel s_panels[] = {
    {u"panelDisplay", {{u"frmClock"}, {u"frmTitle"}, {u"frmInfo"}}},
    {u"panelLevels", {{u"pbLeft"}, {u"pbRight"}, {u"pbVolume"}, {u"chkVolume", u"chkVAS"}}},
    {u"panelPosition", {{u"btnLeft"}, {u"btnRight"}, {u"pbPosition"}}},
};

class DefaultSkin : public testing::TestWithParam<Screen> { };

TEST_P(DefaultSkin, FormMainHasEveryControlInPlace)
{
    const Screen& screen = GetParam();
    std::unique_ptr<Properties> skin = load("skins/default/default.skin", screen);
    if (!skin->is_valid())
        return;
    const std::u16string form = u"FormMain";
    for (const char16_t* name :
        {u"MenuMain", u"Menu", u"Play", u"Pause", u"Resume", u"frmFolder", u"frmStatus", u"lstFiles_playsize",
            u"lstFiles_bigsize", u"lstFiles", u"panelPlay", u"menuSoftButtonOk", u"menuSoftButtonMenu"})
        EXPECT_TRUE(has_control(*skin, form, name)) << text(name) << " on " << screen.name;
    for (const char16_t* name : {u"Menu", u"Play", u"Pause", u"Resume"})
        EXPECT_FALSE(skin->get_string(form, name, u"Text", u"").empty()) << text(name);
    for (const char16_t* icon : {u"IconUp", u"IconFolder", u"IconAudioFile"})
        EXPECT_TRUE(skin->get_picture(form, u"lstFiles", icon, {}).has_image()) << text(icon);
    EXPECT_GT(skin->get_int(form, u"lstFiles", u"IconWidth", 0), 0);

    // Positions are read scaled: the form's area is the chosen layout's size.
    Point layout = skin->get_form_point(form, u"Size", {0, 0});
    Size area {layout.x, layout.y};
    Size workarea = skin->impl().workarea_size();
    EXPECT_TRUE(area.width <= workarea.width && area.height <= workarea.height) << screen.name;
    auto main_box = [&](std::u16string_view name) { return box_of(*skin, form, name); };
    expect_tiled({main_box(u"frmFolder"), main_box(u"lstFiles_bigsize"), main_box(u"frmStatus")}, area,
        std::string(screen.name) + " browse");
    expect_tiled({main_box(u"frmFolder"), main_box(u"lstFiles_playsize"), main_box(u"panelPlay"),
                     main_box(u"frmStatus")},
        area, std::string(screen.name) + " play");

    std::u16string play = skin->get_string(form, u"panelPlay", u"FormTemplate", u"");
    ASSERT_FALSE(play.empty());
    Box play_box = main_box(u"panelPlay");
    std::vector<Box> panels;
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
        expect_tiled(
            controls, {panels.back().w, panels.back().h}, std::string(screen.name) + " " + text(panel.name));
    }
    expect_tiled(panels, {play_box.w, play_box.h}, std::string(screen.name) + " panelPlay");
}

TEST_P(DefaultSkin, AboutFormHasEveryControl)
{
    const Screen& screen = GetParam();
    std::unique_ptr<Properties> skin = load("skins/settings/settings.skin", screen);
    if (!skin->is_valid())
        return;
    for (const char16_t* name : {u"MenuMain", u"frmProduct", u"frmCopyright", u"btnLink", u"btnOk",
             u"menuSoftButtonOk", u"menuSoftButtonMenu"})
        EXPECT_TRUE(has_control(*skin, u"About", name)) << text(name) << " on " << screen.name;
    // btnOk is made by the form itself, from the skin's list of auto controls.
    bool auto_ok = false;
    for (uint32_t i = 0; i < skin->auto_control_count(u"About"); ++i)
        auto_ok |= skin->auto_control(u"About", i)
            == std::pair<std::u16string, std::u16string>(u"btnOk", u"Auto.Button");
    EXPECT_TRUE(auto_ok) << screen.name;
    // On a Smartphone the soft key "Ok" closes the form; the button is for the touch screen.
    EXPECT_EQ(
        skin->get_int(u"About", u"btnOk", u"Visible", 1) != 0, screen.kind == os::PlatformKind::pocket_pc);

    ASSERT_TRUE(skin->set_language(liba::from_utf8(s_app + "/English.lng")));
    for (const char16_t* name : {u"frmCopyright", u"btnLink", u"btnOk"}) {
        std::u16string shown = skin->get_string(u"About", name, u"Text", u"");
        EXPECT_FALSE(shown.empty() || shown.find(u'_') != std::u16string::npos)
            << text(name) << ": " << text(shown);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, DefaultSkin, testing::ValuesIn(s_screens),
    [](const testing::TestParamInfo<Screen>& info) { return std::string(info.param.name); });

TEST(EnglishLanguage, TranslatesEveryKeyOfThePlayerAndTheSkins)
{
    os::File file(liba::from_utf8(s_app + "/English.lng"), os::FileMode::Read);
    liba::StringTranslator english;
    ASSERT_TRUE(liba::load_language(file, english));
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
}

} // namespace
