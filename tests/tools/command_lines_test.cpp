// The tools as a user runs them: exit status, output, screenshot pixels, and the WAV data decoded.

#include "tool_run.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

constexpr uint32_t s_title_bar = 0x1B3E8C, s_bottom_bar = 0x122A60; // the shell's bars

// Pixels of the screenshot's bottom bar, between x from and to, that are not the bar's colour.
int inked(const test::Png& png, int32_t from, int32_t to)
{
    int count = 0;
    for (int32_t y = 296; y < 320; ++y)
        for (int32_t x = from; x < to; ++x)
            count += png.at(x, y) != s_bottom_bar;
    return count;
}

struct Command {
    const char* tool;
    const char* arguments; // $D: a folder of inputs, $S: the forms skin, $T: the test skin's source
    const char* environment;
    int status;
    const char* shown; // in stdout or stderr
    int soft_keys = -1; // 1: both halves of the bottom bar carry a soft key's label, 0: the bar is bare
    std::vector<std::tuple<int32_t, int32_t, uint32_t>> pixels = {}; // x, y, 0xRRGGBB
    int32_t width = 240, height = 320;
};

TEST(CommandLines, give_their_status_and_output)
{
    test::TempDir dir;
    test::write_file(dir.native("in.wav"), // 0.2 s
        test::make_wav({.channels = 1, .sample_rate = 8000, .data = test::ramp16(1600)}));
    test::write_file(dir.native("noise.bin"), test::Bytes(100, 0x11));
    // built.skin: a skin whose bitmap is gone from the archive (its entry renamed) and from beside it.
    for (auto [name, text] : {std::pair {"bad.skin", "not a skin"}, {"bad.xml", "<skin>\n<x/></skin>"},
             {"warn.xml",
                 "<skin>\n<form name=\"F\"><control name=\"b\">\n<string name=\"Captoin\" value=\"x\"/>"
                 "</control></form></skin>\n"},
             {"other.xml", "<skin version=\"Other_2\" devices=\"S\"><form name=\"FormA\"/></skin>"},
             {"built.xml",
                 "<skin version=\"Melodeck_1.00\"><form name=\"FormA\"><picture name=\"Background\" "
                 "bitmap=\"back\"/></form></skin>"}})
        test::write_text(dir.native(name), text);
    std::filesystem::copy_file(test::fixture("skins/back.bmp"), dir.native("back.bmp"));
    std::string built = dir.native("built.skin").string();
    ASSERT_EQ(
        test::run_tool("skinc", "build " + dir.native("built.xml").string() + " " + built, dir).status, 0);
    std::filesystem::remove(dir.native("back.bmp"));
    std::string archive = test::read_text(built);
    for (size_t at; (at = archive.find("back.bmp")) != std::string::npos;)
        archive[at] = 'x';
    test::write_text(built, archive);

    const char* version = "skin-preview: the skin's version is {Other_2}, the player needs {Melodeck_1.00}\n";
    const Command commands[] = {
        {"skinc", "build $T $D/t.skin", "", 0, ""},
        {"skinc", "dump $D/t.skin", "", 0, "<form name=\"FormMain2\">"},
        {"skinc", "build $D/bad.xml $D/bad2.skin", "", 1, "$D/bad.xml:2: error: unknown element <x>\n"},
        // Warnings go to standard error and the status stays 0.
        {"skinc", "build $D/warn.xml $D/w.skin", "", 0,
            "$D/warn.xml:3: warning: property {Captoin} is read by no control\n"},
        {"skinc", "compile a b", "", 2, ""},
        {"skinc", "build $D/other.xml $D/other.skin", "", 0, ""},
        {"melodeck-decode", "$D/noise.bin", "", 1, "melodeck-decode: no reader accepts $D/noise.bin\n"},
        // No device to play on: the tool plays silence.
        {"melodeck-decode", "$D/in.wav --play", "SDL_AUDIODRIVER=no_such_driver", 0, "played position=3200"},
        {"melodeck-decode", "$D/in.wav --play", "MELODECK_AUDIO=file:$D/none/x.wav", 1, "did not open"},
        {"melodeck-decode", "$D/in.wav --eq 500,1", "", 2, "usage:"},
        {"melodeck-decode", "$D/in.wav --play -o $D/x.wav", "", 2, "usage:"},
        {"melodeck-decode", "", "", 2, ""},
        // The layout and the scale follow the screen and the device; without a form name the first
        // fitting form in name order is shown.
        {"skin-preview", "$S --form FormMain", "", 0,
            "form FormMain (layout FormMain) at scale 2 on 480x640 Pocket PC\n", -1,
            {{216, 52 + 216, 0xE02020u}, {201, 52 + 201, 0x000040u}}, 480, 640},
        {"skin-preview", "$S --form FormMain --screen 320x240", "", 0,
            "form FormMain (layout FormMainWide) at scale 1 on 320x240 Pocket PC\n", -1,
            {{160, 26 + 100, 0x00E040u}}, 320, 240},
        {"skin-preview", "$S --form FormMain --platform smartphone --screen 176x220", "", 0,
            "form FormMain (layout FormMainPhone) at scale 1 on 176x220 Smartphone\n", -1,
            {{10, 20 + 10, 0xE00040u}}, 176, 220},
        {"skin-preview", "$S --screen 240x320", "", 0,
            "form FormDialog (layout FormDialog) at scale 1 on 240x320 Pocket PC\n", -1,
            {{60, 120, 0x204060u}, {59, 120, 0x303030u}}},
        {"skin-preview", "$C --form PreviewLists --screen 240x320", "", 0,
            "menu: Play on the left soft key, Menu on the right", 1},
        {"skin-preview", "$S --form FormMain --screen 240x320", "", 0,
            "form FormMain (layout FormMain) at scale 1 on 240x320 Pocket PC\n", 0,
            {{230, 2, s_title_bar}, {230, 318, s_bottom_bar}, {108, 26 + 108, 0xE02020u},
                {100, 26 + 100, 0x000040u}}},
        {"skin-preview", "$D/bad.skin", "", 1, "holds no valid skin description"},
        {"skin-preview", "$D/missing.skin", "", 1, "cannot be read"},
        {"skin-preview", "$D/built.skin", "", 1, "names pictures that cannot be loaded: back"},
        {"skin-preview", "$D/other.skin", "", 1,
            "{Melodeck_1.00}\nthe skin's devices {S} leave out the Pocket PC\n"},
        {"skin-preview", "$D/other.skin --platform smartphone", "", 1, version}, // the version alone is wrong
        {"skin-preview", "$S --screen 800x600", "", 1,
            "laid out for 240x320, 320x240, 176x220, none of which times 1 to 4 is 800x600"},
        {"skin-preview", "$S --form FormNothing", "", 1, "the skin has no form {FormNothing}"},
        // The landscape layout is wider than a portrait screen's work area.
        {"skin-preview", "$S --form FormMainWide --screen 240x320", "", 1,
            "no layout of form {FormMainWide} fits the work area 240x268"},
        {"skin-preview", "$S --form", "", 2, "usage: skin-preview"},
        {"skin-preview", "$S --screen 10x10", "", 2, "usage: skin-preview"},
        {"skin-preview", "", "", 2, "usage: skin-preview"},
    };
    auto expand = [&](std::string text) {
        for (auto [mark, value] : {std::pair<std::string, std::string> {"$D", dir.path().string()},
                 {"$S", std::string(MELODECK_FORMS_SKINS) + "/forms_skin.skin"},
                 {"$C", std::string(MELODECK_FORMS_SKINS) + "/controls_lists.skin"},
                 {"$T", test::fixture("skins/test_skin.xml").string()}})
            for (size_t at; (at = text.find(mark)) != std::string::npos;)
                text.replace(at, 2, value);
        return text;
    };
    std::filesystem::path shot = dir.native("shot.png");
    for (const Command& c : commands) {
        std::string arguments = expand(c.arguments);
        if (std::string(c.tool) == "skin-preview" && *c.arguments)
            arguments += " --screenshot " + shot.string();
        test::ToolRun run = test::run_tool(c.tool, arguments, dir, expand(c.environment));
        EXPECT_EQ(run.status, c.status) << c.tool << " " << arguments << ": " << run.err;
        EXPECT_NE((run.out + run.err).find(expand(c.shown)), std::string::npos)
            << arguments << ": " << run.err;
        test::Png png;
        EXPECT_EQ(test::read_png(shot, png), c.status == 0 && std::string(c.tool) == "skin-preview")
            << arguments;
        std::filesystem::remove(shot);
        EXPECT_EQ(png.width * png.height, png.rgb.empty() ? 0 : c.width * c.height) << arguments;
        for (auto [x, y, colour] : c.pixels)
            EXPECT_EQ(png.at(x, y), colour) << arguments << " at " << x << "," << y;
        if (c.soft_keys >= 0) {
            EXPECT_EQ(inked(png, 0, 120) > 20 && inked(png, 120, 240) > 20, c.soft_keys == 1) << arguments;
            EXPECT_EQ(inked(png, 0, 240) == 0, c.soft_keys == 0) << arguments;
        }
    }
    EXPECT_EQ(
        test::run_tool("skin-preview", expand("$D/other.skin --platform smartphone --headless"), dir).err,
        version);
}

// melodeck-decode on the WAV that wav describes; the data of the WAV it wrote (by -o, or the file backend
// with --play).
test::Bytes decode(const test::TempDir& dir, const test::WavSpec& wav, const std::string& arguments,
    std::string* printed = nullptr)
{
    test::write_file(dir.native("in.wav"), test::make_wav(wav));
    bool play = arguments.starts_with("--play");
    std::string to = dir.native("out.wav").string();
    test::ToolRun run = test::run_tool("melodeck-decode",
        dir.native("in.wav").string() + " " + arguments + (play ? "" : " -o " + to), dir,
        play ? "MELODECK_AUDIO='file:" + to + (arguments.find("max") == std::string::npos ? ",fast'" : "'")
             : "");
    EXPECT_EQ(run.status, 0) << arguments << ": " << run.err;
    if (printed)
        *printed = run.out;
    test::Bytes bytes = test::read_file(to);
    return bytes.size() < 44 ? test::Bytes {} : test::Bytes(bytes.begin() + 44, bytes.end());
}

TEST(MelodeckDecode, decodes_plays_seeks_stops_and_equalizes_the_data_chunk)
{
    test::TempDir dir;
    test::WavSpec spec {.chunks_before_data = {{"LIST", test::Bytes(9, 'i')}}}; // odd-sized, before the data
    spec.data = test::ramp16(2 * 40000);
    std::string printed;
    EXPECT_EQ(decode(dir, spec, "", &printed), spec.data);
    for (const char* shown :
        {"codec=PCM channels=2 rate=44100 bits=16 bitrate=1411200 length=160000 duration=0.907",
            "title=in.wav"})
        EXPECT_NE(printed.find(shown), std::string::npos) << printed;
    // Played to the end through the file backend: an odd tail must not be cut.
    spec.data = test::ramp16(44100 * 2 * 2 + 6);
    EXPECT_TRUE(decode(dir, spec, "--play", &printed) == spec.data);
    EXPECT_NE(printed.find("played position=352812 time=2.000"), std::string::npos) << printed;

    // 10001 bytes is not a frame boundary: the reader lands on byte 10000.
    spec = {.channels = 1, .sample_rate = 8000, .data = test::ramp16(8000 * 3)};
    EXPECT_EQ(decode(dir, spec, "--seek 10001"), test::Bytes(spec.data.begin() + 10000, spec.data.end()));
    // In real time, stopped early: what was played is a prefix of the file.
    test::Bytes played = decode(dir, spec, "--play --max-seconds 0.2");
    EXPECT_LT(played.size(), spec.data.size());
    EXPECT_TRUE(std::equal(played.begin(), played.end(), spec.data.begin()));

    // The equalizer delays by 100 ms (800 frames) and shapes the sound.
    test::ByteWriter tone;
    for (int i = 0; i < 8000; ++i)
        tone.u16(uint16_t(int16_t(i % 16 < 8 ? 8000 : -8000)));
    spec.data = tone.bytes;
    test::Bytes out = decode(dir, spec, "--eq 500,1,6");
    ASSERT_EQ(out.size(), spec.data.size());
    EXPECT_EQ(test::Bytes(out.begin(), out.begin() + 1600), test::Bytes(1600, 0));
    EXPECT_NE(
        test::Bytes(out.begin() + 1600, out.end()), test::Bytes(spec.data.begin(), spec.data.end() - 1600));
}

} // namespace
