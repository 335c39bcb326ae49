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

std::string read_text(const std::filesystem::path& path)
{
    test::Bytes bytes = test::read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string guide()
{
    return read_text(s_source_dir / "docs/skin-format.md");
}

std::string trimmed(std::string text)
{
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) || c == '`'; };
    while (!text.empty() && blank(text.back()))
        text.pop_back();
    size_t start = 0;
    while (start < text.size() && blank(text[start]))
        ++start;
    return text.substr(start);
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
    for (const std::string& k : from) {
        if (!in.contains(k))
            text += "  " + k + "\n";
    }
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
    size_t sources = 0;
    for (const auto& folder : std::filesystem::directory_iterator(s_source_dir / "data/skins")) {
        if (!folder.is_directory())
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            if (entry.path().extension() != ".xml")
                continue;
            ++sources;
            test::TempDir dir;
            std::vector<std::string> messages;
            EXPECT_TRUE(skinc::build_skin(entry.path(), dir.native("out.skin"), messages));
            EXPECT_EQ(messages, std::vector<std::string>());
        }
    }
    EXPECT_GE(sources, 2u);
}

// Examples ------------------------------------------------------------------------------------

// The examples of the guide: the fenced blocks marked "```xml skin FILE".
std::vector<std::pair<std::string, std::string>> guide_examples()
{
    std::vector<std::pair<std::string, std::string>> examples;
    std::string text = guide();
    const std::string mark = "```xml skin ";
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
        size_t name_end = text.find('\n', at);
        std::string name = text.substr(at + mark.size(), name_end - at - mark.size());
        size_t end = text.find("\n```", name_end);
        examples.emplace_back(name, text.substr(name_end + 1, end - name_end));
        at = end;
    }
    return examples;
}

struct Bitmap {
    std::string file;
    int32_t width;
    int32_t height;
    std::function<uint32_t(int32_t x, int32_t y)> pixel;
};

struct Example {
    std::string file;
    std::vector<Bitmap> bitmaps;
};

constexpr uint32_t s_back = 0x203040;
constexpr uint32_t s_rest_border = 0x80C0FF;
constexpr uint32_t s_rest_centre = 0x2060A0;
constexpr uint32_t s_pressed_border = 0xFFC080;
constexpr uint32_t s_pressed_centre = 0xA06020;
constexpr uint32_t s_white = 0xFFFFFF;

// The button's corners, where the mask is black (and the colour bitmap white, as it must be).
bool corner(int32_t x, int32_t y)
{
    return (x % 16 == 0 || x % 16 == 15) && (y == 0 || y == 15);
}

const std::vector<Example>& examples()
{
    static const std::vector<Example> s_examples = {
        {"minimal.xml",
            {{"back.bmp", 8, 8, [](int32_t, int32_t) { return s_back; }},
                {"button.bmp", 32, 16,
                    [](int32_t x, int32_t y) {
                        bool border = x % 16 < 4 || x % 16 >= 12 || y < 4 || y >= 12;
                        if (corner(x, y))
                            return s_white;
                        if (x < 16)
                            return border ? s_rest_border : s_rest_centre;
                        return border ? s_pressed_border : s_pressed_centre;
                    }},
                {"button_1.bmp", 32, 16, [](int32_t x, int32_t y) { return corner(x, y) ? 0u : s_white; }}}},
    };
    return s_examples;
}

// Writes the example's source and bitmaps into dir and builds them into example.skin.
void build_example(const Example& example, const std::string& source, const test::TempDir& dir)
{
    test::write_file(dir.native(example.file), test::Bytes(source.begin(), source.end()));
    for (const Bitmap& bitmap : example.bitmaps) {
        std::vector<uint32_t> pixels;
        for (int32_t y = 0; y < bitmap.height; ++y) {
            for (int32_t x = 0; x < bitmap.width; ++x)
                pixels.push_back(bitmap.pixel(x, y));
        }
        test::write_file(dir.native(bitmap.file), test::make_bmp24(bitmap.width, bitmap.height, pixels));
    }
    std::vector<std::string> messages;
    ASSERT_TRUE(skinc::build_skin(dir.native(example.file), dir.native("example.skin"), messages));
    EXPECT_EQ(messages, std::vector<std::string>());
}

TEST(SkinGuide, the_example_builds_and_its_button_shows_its_right_half_and_the_hand_while_held)
{
    // Each example of the guide builds without a warning.
    std::vector<std::pair<std::string, std::string>> found = guide_examples();
    ASSERT_EQ(found.size(), examples().size()) << "each example of the guide has its bitmaps here";
    ASSERT_EQ(found[0].first, examples()[0].file);
    test::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(build_example(examples()[0], found[0].second, dir));
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
