// The skin author's guide (docs/skin-format.md) against the program: its property reference is
// the table skinc warns with, the shipped skins build without a warning, and its example builds
// and its button works as the text says.

#include "skinc/property_reference.h"
#include "skinc/skin_compiler.h"

#include "liba/text.h"
#include "os/screen/headless_screen.h"
#include "skinner/form.h"
#include "skinner/properties.h"
#include "support/bmp_writer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <set>
#include <sstream>

namespace {

using skinc::PropertyScope;
using skinner::PropertyType;

const std::filesystem::path s_source_dir = MELODECK_SOURCE_DIR;

std::string guide()
{
    test::Bytes bytes = test::read_file(s_source_dir / "docs/skin-format.md");
    return std::string(bytes.begin(), bytes.end());
}

std::string trimmed(std::string text)
{
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) || c == '`'; };
    while (!text.empty() && blank(text.back()))
        text.pop_back();
    return text.substr(size_t(std::find_if_not(text.begin(), text.end(), blank) - text.begin()));
}

// "level reader name type", one per type a row names: the keys the doc and the code must share.
using Keys = std::set<std::string>;

std::string key(std::string_view scope, std::string_view reader, std::string_view name, std::string_view type)
{
    return std::string(scope) + " " + std::string(reader) + " " + std::string(name) + " " + std::string(type);
}

// The rows of the table under the heading, as keys.
Keys guide_table(const std::string& text, const std::string& heading, std::string_view scope)
{
    Keys keys;
    size_t at = text.find("\n" + heading + "\n");
    EXPECT_NE(at, std::string::npos) << heading;
    if (at == std::string::npos)
        return keys;
    size_t end = text.find("\n#", at + 1);
    std::istringstream lines(text.substr(at, end - at));
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("| `"))
            continue;
        std::vector<std::string> cells;
        std::istringstream row(line.substr(1));
        for (std::string cell; std::getline(row, cell, '|');)
            cells.push_back(trimmed(cell));
        EXPECT_GE(cells.size(), 5u) << line;
        if (cells.size() < 5)
            continue;
        std::istringstream types(cells[2]);
        for (std::string type; std::getline(types, type, ',');)
            keys.insert(key(scope, cells[0], cells[1], trimmed(type)));
    }
    return keys;
}

Keys code_table()
{
    Keys keys;
    for (const skinc::PropertyReading& reading : skinc::property_readings()) {
        for (size_t type = 0; type < skinner::s_property_type_count; ++type) {
            if (reading.types & (1u << type))
                keys.insert(key(reading.scope == PropertyScope::form ? "form" : "control",
                    liba::to_utf8(reading.reader), liba::to_utf8(reading.name),
                    liba::to_utf8(skinc::type_element(PropertyType(type)))));
        }
    }
    return keys;
}

std::string missing(const Keys& from, const Keys& in)
{
    std::string text;
    for (const std::string& k : from)
        text += in.contains(k) ? "" : "  " + k + "\n";
    return text;
}

TEST(SkinGuide, the_property_reference_is_the_table_skinc_warns_with)
{
    std::string text = guide();
    Keys doc = guide_table(text, "### Form properties", "form");
    Keys control = guide_table(text, "### Control properties", "control");
    doc.insert(control.begin(), control.end());
    Keys code = code_table();
    EXPECT_EQ(missing(code, doc), "") << "read by the code, missing from the guide";
    EXPECT_EQ(missing(doc, code), "") << "in the guide, read by no code";
}

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

// The guide's one example (the fenced block marked "```xml skin minimal.xml") with the bitmaps its
// text describes, built in dir into example.skin.
void build_example(const test::TempDir& dir)
{
    std::string text = guide();
    const std::string mark = "```xml skin minimal.xml\n";
    size_t at = text.find(mark);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(text.find("```xml skin ", at + 1), std::string::npos) << "each example has its bitmaps here";
    at += mark.size();
    std::string source = text.substr(at, text.find("\n```", at) - at + 1);
    test::write_file(dir.native("minimal.xml"), test::Bytes(source.begin(), source.end()));
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
}

TEST(SkinGuide, the_example_builds_and_its_button_shows_its_right_half_and_the_hand_while_held)
{
    test::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(build_example(dir));
    os::HeadlessScreen screen({240, 320});
    skinner::Properties skin(dir.file("example.skin"), {240, 320});
    skinner::Form form(nullptr, &skin, u"FormMain", nullptr);
    // The button lies at (168, 34) on the screen, 64x24; its left border is 4 pixels wide.
    const os::Point border {170, 46};
    const os::Point inside {200, 46};
    auto shown = [&] { return screen.frame().at(border.x, border.y) & 0xFFFFFF; };
    std::vector<uint32_t> colours;
    os::Cursor cursor = os::Cursor::arrow;
    int step = 0;
    screen.set_idle_handler([&] {
        switch (step++) {
        case 0:
            colours.push_back(shown());
            screen.press(inside);
            return true;
        case 1:
            colours.push_back(shown());
            cursor = screen.shown_cursor();
            screen.release({100, 200}); // away from the button: it rests again without firing
            return true;
        default:
            colours.push_back(shown());
            return false;
        }
    });
    form.do_modal();
    EXPECT_EQ(colours, (std::vector<uint32_t> {s_rest_border, s_pressed_border, s_rest_border}));
    EXPECT_EQ(cursor, os::Cursor::hand);
}

} // namespace
