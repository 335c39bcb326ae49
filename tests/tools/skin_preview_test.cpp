// skin-preview run as a skin author runs it: screenshots of the whole device screen, the form
// choice, and refusals with their reasons.

#include "png_read.h"
#include "tool_run.h"

#include <gtest/gtest.h>

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

TEST_F(SkinPreview, a_screenshot_is_the_whole_device_screen_with_the_form_in_its_work_area)
{
    ASSERT_TRUE(shoot(forms_skin() + " --form FormMain --screen 240x320"));
    EXPECT_EQ(run.out, "form FormMain (layout FormMain) at scale 1 on 240x320 Pocket PC\n");
    EXPECT_EQ(png.width, 240);
    EXPECT_EQ(png.height, 320);
    EXPECT_EQ(png.at(230, 2), s_title_bar);
    EXPECT_EQ(png.at(230, 318), s_bottom_bar);
    EXPECT_EQ(png.at(120, 26 + 220), 0x000040u) << "the form's background";
    EXPECT_EQ(png.at(1, 26 + 1), 0x204060u) << "the title frame's border";
    EXPECT_EQ(png.at(108, 26 + 108), 0xE02020u) << "the masked button";
    EXPECT_EQ(png.at(100, 26 + 100), 0x000040u) << "through the mask";
}

TEST_F(SkinPreview, the_layout_and_the_scale_follow_the_screen_and_the_device)
{
    ASSERT_TRUE(shoot(forms_skin() + " --form FormMain", " --screenshot="));
    EXPECT_EQ(run.out, "form FormMain (layout FormMain) at scale 2 on 480x640 Pocket PC\n");
    EXPECT_EQ(png.width, 480);
    EXPECT_EQ(png.height, 640);
    EXPECT_EQ(png.at(216, 52 + 216), 0xE02020u) << "the button doubled";
    EXPECT_EQ(png.at(201, 52 + 201), 0x000040u);

    ASSERT_TRUE(shoot(forms_skin() + " --form FormMain --screen 320x240"));
    EXPECT_EQ(run.out, "form FormMain (layout FormMainWide) at scale 1 on 320x240 Pocket PC\n");
    EXPECT_EQ(png.width, 320);
    EXPECT_EQ(png.at(160, 26 + 100), 0x00E040u);

    ASSERT_TRUE(shoot(forms_skin() + " --form FormMain --platform smartphone --screen 176x220"));
    EXPECT_EQ(run.out, "form FormMain (layout FormMainPhone) at scale 1 on 176x220 Smartphone\n");
    EXPECT_EQ(png.width, 176);
    EXPECT_EQ(png.height, 220);
    EXPECT_EQ(png.at(10, 20 + 10), 0xE00040u);
}

TEST_F(SkinPreview, without_a_form_name_the_first_fitting_form_in_name_order)
{
    ASSERT_TRUE(shoot(forms_skin() + " --screen 240x320"));
    EXPECT_EQ(run.out, "form FormDialog (layout FormDialog) at scale 1 on 240x320 Pocket PC\n");
    // The dialog sits centred in the work area: its frame's corner at (60, 120).
    EXPECT_EQ(png.at(60, 120), 0x204060u);
    EXPECT_NE(png.at(59, 120), 0x204060u);
}

TEST_F(SkinPreview, refuses_what_the_player_would_refuse_and_says_why)
{

    test::write_file(dir.native("bad.skin"), {'n', 'o', 't', ' ', 'a', ' ', 's', 'k', 'i', 'n'});
    run = preview(dir.native("bad.skin").string() + " --screenshot " + shot, dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("holds no valid skin description"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(shot));

    run = preview(dir.native("missing.skin").string() + " --headless", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot be read"), std::string::npos) << run.err;

    run = preview(forms_skin() + " --screen 800x600 --screenshot " + shot, dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("laid out for 240x320, 320x240, 176x220, none of which times 1 to 4 is 800x600"),
        std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(shot));

    run = preview(forms_skin() + " --form FormNothing --headless", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("the skin has no form {FormNothing}"), std::string::npos) << run.err;

    // The landscape layout is wider than a portrait screen's work area.
    run = preview(forms_skin() + " --form FormMainWide --screen 240x320 --headless", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no layout of form {FormMainWide} fits the work area 240x268"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("+FormMainWide Size=320 188 Devices=P good_for_device"), std::string::npos)
        << run.err;
}

TEST_F(SkinPreview, a_skin_missing_a_picture_names_it)
{
    // A skin source whose bitmap is there when compiled and gone from the skin file: pictures
    // load from the archive first, then from beside it, so the archive is built without it.
    std::filesystem::copy_file(test::fixture("skins/back.bmp"), dir.native("back.bmp"));
    build_skin(dir,
        "<skin version=\"Melodeck_1.00\"><form name=\"FormA\"><picture name=\"Background\" bitmap=\"back\"/>"
        "</form></skin>",
        "built");
    std::filesystem::remove(dir.native("back.bmp"));
    // The archive names "back.bmp": break that entry's name so that it cannot be found.
    test::Bytes bytes = test::read_file(dir.native("built/a.skin"));
    for (size_t i = 0; i + 8 <= bytes.size(); ++i) {
        if (std::string(bytes.begin() + long(i), bytes.begin() + long(i) + 8) == "back.bmp")
            bytes[i] = 'x';
    }
    test::write_file(dir.native("built/a.skin"), bytes);
    run = preview(dir.native("built/a.skin").string() + " --headless", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("names pictures that cannot be loaded: back"), std::string::npos) << run.err;
}

TEST_F(SkinPreview, wrong_usage_is_told_apart_from_a_refused_skin)
{
    for (const std::string& arguments :
        {std::string(), forms_skin() + " other.skin", forms_skin() + " --bogus", forms_skin() + " --form",
            forms_skin() + " --screen 10x10", forms_skin() + " --platform palm"}) {
        run = preview(arguments, dir);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.err.find("usage: skin-preview"), std::string::npos) << arguments;
    }
}

TEST_F(SkinPreview, a_skin_for_another_program_or_device_gets_every_reason)
{
    build_skin(dir, "<skin version=\"Other_2\" devices=\"S\"><form name=\"FormA\"/></skin>");
    run = preview(dir.native("a.skin").string() + " --headless", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(
        run.err.find("the skin's version is {Other_2}, the player needs {Melodeck_1.00}"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("the skin's devices {S} leave out the Pocket PC"), std::string::npos) << run.err;
    // On a Smartphone only the version stands in the way.
    run = preview(dir.native("a.skin").string() + " --platform smartphone --headless", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "skin-preview: the skin's version is {Other_2}, the player needs {Melodeck_1.00}\n");
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
