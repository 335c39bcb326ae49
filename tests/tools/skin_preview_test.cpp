// skin-preview run as a skin author runs it: screenshots of the whole device screen, the form
// choice, and refusals with their reasons.

#include "png_read.h"
#include "tool_run.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

std::string forms_skin()
{
    return (std::filesystem::path(MELODECK_FORMS_SKINS) / "forms_skin.skin").string();
}

test::ToolRun preview(const std::string& arguments, const test::TempDir& dir)
{
    return test::run_tool("skin-preview", arguments, dir);
}

// Builds the skin source xml into a.skin (in folder, under dir) with skinc.
void build_skin(const test::TempDir& dir, const std::string& xml, const std::string& folder = "")
{
    test::write_file(dir.native("a.xml"), test::Bytes(xml.begin(), xml.end()));
    if (!folder.empty())
        std::filesystem::create_directory(dir.native(folder));
    test::ToolRun run = test::run_tool("skinc",
        "build " + dir.native("a.xml").string() + " " + (dir.path() / folder / "a.skin").string(), dir);
    ASSERT_EQ(run.status, 0) << run.err;
}

constexpr uint32_t s_title_bar = 0x1B3E8C; // the shell's title bar
constexpr uint32_t s_bottom_bar = 0x122A60; // the shell's command bar

class SkinPreview : public testing::Test {
protected:
    // Runs skin-preview writing a screenshot (option spelled as given) and reads the shot into png.
    testing::AssertionResult shoot(const std::string& arguments, const std::string& option = " --screenshot ")
    {
        run = preview(arguments + option + shot, dir);
        if (run.status != 0)
            return testing::AssertionFailure() << "status " << run.status << ": " << run.err;
        if (!test::read_png(shot, png))
            return testing::AssertionFailure() << "no readable screenshot";
        return testing::AssertionSuccess();
    }

    test::TempDir dir;
    std::string shot = dir.native("shot.png").string();
    test::ToolRun run;
    test::Png png;
};

} // namespace

struct ShotCase {
    const char* arguments; // after the forms skin
    const char* out;
    int32_t width, height;
    std::vector<std::tuple<int32_t, int32_t, uint32_t>> pixels; // x, y, 0xRRGGBB
};

class SkinPreviewShots : public SkinPreview, public testing::WithParamInterface<ShotCase> { };

// The whole device screen with the form in its work area: the layout and the scale follow the
// screen and the device, and without a form name the first fitting form in name order is shown.
TEST_P(SkinPreviewShots, show_the_chosen_layout_at_its_scale)
{
    ASSERT_TRUE(shoot(forms_skin() + GetParam().arguments));
    EXPECT_EQ(run.out, GetParam().out);
    EXPECT_EQ(png.width, GetParam().width);
    EXPECT_EQ(png.height, GetParam().height);
    for (auto [x, y, colour] : GetParam().pixels)
        EXPECT_EQ(png.at(x, y), colour) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Screens, SkinPreviewShots,
    testing::Values(ShotCase {" --form FormMain --screen 240x320",
                        "form FormMain (layout FormMain) at scale 1 on 240x320 Pocket PC\n", 240, 320,
                        {{230, 2, s_title_bar}, {230, 318, s_bottom_bar}, {108, 26 + 108, 0xE02020u},
                            {100, 26 + 100, 0x000040u}}},
        ShotCase {" --form FormMain", "form FormMain (layout FormMain) at scale 2 on 480x640 Pocket PC\n",
            480, 640, {{216, 52 + 216, 0xE02020u}, {201, 52 + 201, 0x000040u}}},
        ShotCase {" --form FormMain --screen 320x240",
            "form FormMain (layout FormMainWide) at scale 1 on 320x240 Pocket PC\n", 320, 240,
            {{160, 26 + 100, 0x00E040u}}},
        ShotCase {" --form FormMain --platform smartphone --screen 176x220",
            "form FormMain (layout FormMainPhone) at scale 1 on 176x220 Smartphone\n", 176, 220,
            {{10, 20 + 10, 0xE00040u}}},
        ShotCase {" --screen 240x320",
            "form FormDialog (layout FormDialog) at scale 1 on 240x320 Pocket PC\n", 240, 320,
            {{60, 120, 0x204060u}, {59, 120, 0x303030u}}}));

TEST_F(SkinPreview, refuses_what_the_player_would_refuse_and_tells_wrong_usage_apart)
{
    test::write_file(dir.native("bad.skin"), {'n', 'o', 't', ' ', 'a', ' ', 's', 'k', 'i', 'n'});
    // A skin for another program and device.
    build_skin(dir, "<skin version=\"Other_2\" devices=\"S\"><form name=\"FormA\"/></skin>", "other");
    // A skin whose bitmap was there when compiled and is gone from the archive (its entry renamed)
    // and from beside it.
    std::filesystem::copy_file(test::fixture("skins/back.bmp"), dir.native("back.bmp"));
    build_skin(dir,
        "<skin version=\"Melodeck_1.00\"><form name=\"FormA\"><picture name=\"Background\" bitmap=\"back\"/>"
        "</form></skin>",
        "built");
    std::filesystem::remove(dir.native("back.bmp"));
    test::Bytes bytes = test::read_file(dir.native("built/a.skin"));
    for (size_t i = 0; i + 8 <= bytes.size(); ++i)
        if (std::string(bytes.begin() + long(i), bytes.begin() + long(i) + 8) == "back.bmp")
            bytes[i] = 'x';
    test::write_file(dir.native("built/a.skin"), bytes);
    struct Case {
        std::string arguments;
        int status;
        const char* error;
    };
    const std::string skin = forms_skin(), other = dir.native("other/a.skin").string();
    const std::string version
        = "skin-preview: the skin's version is {Other_2}, the player needs {Melodeck_1.00}\n";
    for (const Case& c :
        std::vector<Case> {{dir.native("bad.skin").string(), 1, "holds no valid skin description"},
            {dir.native("missing.skin").string(), 1, "cannot be read"},
            {dir.native("built/a.skin").string(), 1, "names pictures that cannot be loaded: back"},
            {other, 1, "the skin's devices {S} leave out the Pocket PC"}, {other, 1, version.c_str()},
            {other + " --platform smartphone", 1, version.c_str()}, // the version alone stands in the way
            {skin + " --screen 800x600", 1,
                "laid out for 240x320, 320x240, 176x220, none of which times 1 to 4 is 800x600"},
            {skin + " --form FormNothing", 1, "the skin has no form {FormNothing}"},
            // The landscape layout is wider than a portrait screen's work area.
            {skin + " --form FormMainWide --screen 240x320", 1,
                "no layout of form {FormMainWide} fits the work area 240x268"},
            {"", 2, "usage: skin-preview"}, {skin + " --form", 2, "usage: skin-preview"},
            {skin + " --screen 10x10", 2, "usage: skin-preview"}}) {
        run = preview(c.arguments.empty() ? "" : c.arguments + " --screenshot " + shot, dir);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << c.arguments << ": " << run.err;
        EXPECT_FALSE(std::filesystem::exists(shot)) << c.arguments;
    }
    EXPECT_EQ(preview(other + " --platform smartphone --headless", dir).err, version);
}

TEST_F(SkinPreview, a_form_that_asks_for_the_preview_menu_shows_it_on_the_soft_keys)
{
    std::string skin = (std::filesystem::path(MELODECK_FORMS_SKINS) / "controls_lists.skin").string();
    ASSERT_TRUE(shoot(skin + " --form PreviewLists --screen 240x320"));
    EXPECT_NE(run.out.find("menu: Play on the left soft key, Menu on the right"), std::string::npos)
        << run.out;
    // Text on both halves of the bottom bar: the two soft keys' labels.
    auto inked = [&](int32_t from, int32_t to) {
        int count = 0;
        for (int32_t y = 296; y < 320; ++y)
            for (int32_t x = from; x < to; ++x)
                count += png.at(x, y) != s_bottom_bar;
        return count;
    };
    EXPECT_GT(inked(0, 120), 20);
    EXPECT_GT(inked(120, 240), 20);

    // A form that does not ask for it has a bare bar.
    ASSERT_TRUE(shoot(forms_skin() + " --form FormMain --screen 240x320"));
    EXPECT_EQ(run.out.find("menu:"), std::string::npos);
    EXPECT_EQ(inked(0, 240), 0);
}
