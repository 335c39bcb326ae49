// The skin author's guide (docs/skin-format.md) against the program: its property reference is
// the table skinc warns with, that table is what the sources read, and its examples build without
// a warning and draw what the text says they draw.

#include "skinc/property_reference.h"
#include "skinc/skin_compiler.h"

#include "liba/text.h"
#include "os/screen/headless_screen.h"
#include "png_read.h"
#include "skinner/form.h"
#include "skinner/properties.h"
#include "support/bmp_writer.h"
#include "tool_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <set>

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

// Source scanning -----------------------------------------------------------------------------

// The arguments of the call whose "(" is at open, split at the top-level commas.
std::vector<std::string> call_arguments(const std::string& text, size_t open)
{
    std::vector<std::string> arguments(1);
    int depth = 0;
    bool quoted = false;
    for (size_t i = open + 1; i < text.size(); ++i) {
        char c = text[i];
        if (quoted) {
            quoted = !(c == '"' && text[i - 1] != '\\');
        } else if (c == '"') {
            quoted = true;
        } else if (c == '(' || c == '{' || c == '[') {
            ++depth;
        } else if (c == ')' || c == '}' || c == ']') {
            if (depth-- == 0)
                break;
        } else if (c == ',' && depth == 0) {
            arguments.emplace_back();
            continue;
        }
        arguments.back() += c;
    }
    return arguments;
}

bool name_character(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

// The name of a literal u"Name" argument; empty for anything else.
std::string literal(const std::string& argument)
{
    size_t begin = argument.find_first_not_of(" \t\r\n");
    size_t end = argument.find_last_not_of(" \t\r\n");
    if (begin == std::string::npos || end - begin < 3 || argument.compare(begin, 2, "u\"") != 0
        || argument[end] != '"')
        return {};
    std::string name = argument.substr(begin + 2, end - begin - 2);
    return std::all_of(name.begin(), name.end(), name_character) ? name : std::string();
}

// Each "word(" of the text whose word starts with prefix: the rest of the word and where "(" is.
std::vector<std::pair<std::string, size_t>> calls(const std::string& text, const std::string& prefix)
{
    std::vector<std::pair<std::string, size_t>> found;
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
        if (at > 0 && (std::isalnum(static_cast<unsigned char>(text[at - 1])) || text[at - 1] == '_'))
            continue;
        size_t end = at + prefix.size();
        while (end < text.size() && name_character(text[end]))
            ++end;
        if (end < text.size() && text[end] == '(')
            found.emplace_back(text.substr(at + prefix.size(), end - at - prefix.size()), end);
    }
    return found;
}

struct SourceReads {
    Keys reads; // "level name type" of each name a property query asks for
    std::set<std::string> literals; // every u"..." literal of the sources
    std::map<std::string, std::string> constants; // identifier = u"Name"
};

// The identifier a literal at the text's offset at is assigned to ("s_x = u\"Name\""); empty if none.
std::string assigned_to(const std::string& text, size_t at)
{
    size_t end = text.find_last_not_of(" \t\r\n", at - 1);
    if (end == std::string::npos || text[end] != '=')
        return {};
    end = text.find_last_not_of(" \t\r\n", end - 1);
    size_t begin = end;
    while (begin > 0 && name_character(text[begin - 1]))
        --begin;
    return end == std::string::npos ? std::string() : text.substr(begin, end + 1 - begin);
}

// The property name an argument gives: a literal, or a named constant (s_...) holding one.
std::string name_of(const SourceReads& found, const std::string& argument)
{
    if (std::string name = literal(argument); !name.empty())
        return name;
    std::string word = trimmed(argument);
    word = word.substr(word.rfind(':') == std::string::npos ? 0 : word.rfind(':') + 1);
    auto constant = found.constants.find(word);
    return constant == found.constants.end() ? std::string() : constant->second;
}

SourceReads scan_sources()
{
    static const std::map<std::string, std::string> s_types
        = {{"int", "int"}, {"int_scaled", "int"}, {"point", "point"}, {"string", "string"},
            {"cursor", "string"}, {"color", "colour"}, {"picture", "picture"}, {"font", "font"},
            {"PropertyType::integer", "int"}, {"PropertyType::point", "point"},
            {"PropertyType::string", "string"}, {"PropertyType::picture", "picture"},
            {"PropertyType::colour", "colour"}, {"PropertyType::font", "font"}};
    SourceReads found;
    std::vector<std::string> texts;
    for (const char* folder : {"src", "tools/skin-preview"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(s_source_dir / folder)) {
            std::string extension = entry.path().extension().string();
            if (extension == ".cpp" || extension == ".h")
                texts.push_back(read_text(entry.path()));
        }
    }
    for (const std::string& text : texts) {
        for (size_t at = text.find("u\""); at != std::string::npos; at = text.find("u\"", at + 1)) {
            size_t end = text.find('"', at + 2);
            if (end == std::string::npos)
                continue;
            std::string name = text.substr(at + 2, end - at - 2);
            found.literals.insert(name);
            // Named constants (s_...) stand for their literal where a query takes them.
            if (std::string constant = assigned_to(text, at); constant.starts_with("s_") && !constant.empty()
                && !literal(text.substr(at, end + 1 - at)).empty())
                found.constants[constant] = name;
        }
    }
    for (const std::string& text : texts) {
        for (const auto& [word, open] : calls(text, "get_")) {
            bool form = word.starts_with("form_");
            auto type = s_types.find(form ? word.substr(5) : word);
            if (type == s_types.end())
                continue;
            // Control::get_x(name, default), Properties::get_form_x(form, name, default),
            // Properties::get_x(form, control, name, default...).
            std::vector<std::string> arguments = call_arguments(text, open);
            size_t at = form ? 1 : arguments.size() == 2 ? 0 : 2;
            if (at < arguments.size() && !name_of(found, arguments[at]).empty())
                found.reads.insert(std::string(form ? "form " : "control ") + name_of(found, arguments[at])
                    + " " + type->second);
        }
        // The form choice: find_property(record, PropertyType::x, u"Name", ...).
        for (const auto& [word, open] : calls(text, "find_property")) {
            std::vector<std::string> arguments = call_arguments(text, open);
            if (!word.empty() || arguments.size() < 3)
                continue;
            auto type = s_types.find(trimmed(arguments[1]));
            if (type != s_types.end() && !name_of(found, arguments[2]).empty())
                found.reads.insert("form " + name_of(found, arguments[2]) + " " + type->second);
        }
    }
    return found;
}

TEST(SkinGuide, the_table_holds_what_the_sources_read_and_nothing_else)
{
    SourceReads sources = scan_sources();
    ASSERT_GT(sources.reads.size(), 50u) << "the scan found the queries";
    Keys table;
    std::string never;
    for (const skinc::PropertyReading& reading : skinc::property_readings()) {
        std::string name = liba::to_utf8(reading.name);
        for (size_t type = 0; type < skinner::s_property_type_count; ++type) {
            if (reading.types & (1u << type))
                table.insert(std::string(reading.scope == PropertyScope::form ? "form " : "control ") + name
                    + " " + liba::to_utf8(skinc::type_element(PropertyType(type))));
        }
        // A name the code makes of a prefix and a state name ("Checked" + "Normal") is spelt in
        // two literals.
        bool spelt = sources.literals.contains(name);
        for (size_t cut = 1; cut < name.size() && !spelt; ++cut)
            spelt = sources.literals.contains(name.substr(0, cut))
                && sources.literals.contains(name.substr(cut));
        if (!spelt)
            never += "  " + name + "\n";
    }
    EXPECT_EQ(missing(sources.reads, table), "") << "read by the sources, missing from the table";
    EXPECT_EQ(never, "") << "in the table, spelt nowhere in the sources";
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

// A rectangle of the screenshot, in screen pixels, and what it must show: every pixel of the
// colour, or at least one.
struct Probe {
    const char* what;
    int32_t left, top, right, bottom;
    uint32_t colour;
    bool every;
};

struct Shot {
    const char* screen;
    const char* form;
    std::vector<Probe> probes;
};

struct Example {
    std::string file;
    std::vector<Bitmap> bitmaps;
    std::vector<Shot> shots;
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

// The button of minimal.xml at (left, top), size 64x24 at scale 1.
std::vector<Probe> button_probes(int32_t left, int32_t top, int32_t scale)
{
    int32_t s = scale;
    return {
        {"the background", 4 * s, top + 40 * s, 100 * s, top + 100 * s, s_back, true},
        {"the left border at rest", left + s, top + 8 * s, left + 3 * s, top + 16 * s, s_rest_border, true},
        {"the centre at rest", left + 6 * s, top + 5 * s, left + 10 * s, top + 8 * s, s_rest_centre, true},
        {"the masked corner", left, top, left + s, top + s, s_back, true},
        {"the white text", left + 8 * s, top + 4 * s, left + 56 * s, top + 20 * s, s_white, false},
    };
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
                {"button_1.bmp", 32, 16, [](int32_t x, int32_t y) { return corner(x, y) ? 0u : s_white; }}},
            {{"240x320", "FormMain", button_probes(168, 26 + 8, 1)},
                {"320x240", "FormMain", button_probes(248, 26 + 8, 1)},
                {"480x640", "FormMain", button_probes(336, 52 + 16, 2)}}},
    };
    return s_examples;
}

std::string check(const test::Png& png, const Probe& probe)
{
    size_t matching = 0;
    size_t count = 0;
    uint32_t other = 0;
    for (int32_t y = probe.top; y < probe.bottom; ++y) {
        for (int32_t x = probe.left; x < probe.right; ++x) {
            ++count;
            if (png.at(x, y) == probe.colour)
                ++matching;
            else
                other = png.at(x, y);
        }
    }
    bool good = probe.every ? matching == count : matching > 0;
    if (good)
        return "";
    char text[160];
    std::snprintf(text, sizeof text, "%s: %zu of %zu pixels are %06X (another is %06X)\n", probe.what,
        matching, count, probe.colour, other);
    return text;
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

TEST(SkinGuide, every_example_builds_without_a_warning_and_draws_what_the_text_says)
{
    std::vector<std::pair<std::string, std::string>> found = guide_examples();
    ASSERT_EQ(found.size(), examples().size()) << "each example of the guide has its checks here";
    for (size_t i = 0; i < found.size(); ++i) {
        const Example& example = examples()[i];
        SCOPED_TRACE(example.file);
        ASSERT_EQ(found[i].first, example.file);
        test::TempDir dir;
        ASSERT_NO_FATAL_FAILURE(build_example(example, found[i].second, dir));
        for (const Shot& shot : example.shots) {
            SCOPED_TRACE(shot.screen);
            std::string png_file = dir.native("shot.png").string();
            test::ToolRun run = test::run_tool("skin-preview",
                dir.native("example.skin").string() + " --form " + shot.form + " --screen " + shot.screen
                    + " --headless --screenshot " + png_file,
                dir);
            ASSERT_EQ(run.status, 0) << run.err;
            test::Png png;
            ASSERT_TRUE(test::read_png(png_file, png));
            std::string wrong;
            for (const Probe& probe : shot.probes)
                wrong += check(png, probe);
            EXPECT_EQ(wrong, "");
        }
    }
}

TEST(SkinGuide, the_small_skins_button_shows_its_right_half_and_the_hand_while_held)
{
    std::vector<std::pair<std::string, std::string>> found = guide_examples();
    ASSERT_FALSE(found.empty());
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
