// The skin author's guide (docs/skin-format.md) against the program: its property reference is
// the table skinc warns with, and the shipped skins build without a warning.

#include "skinc/property_reference.h"
#include "skinc/skin_compiler.h"

#include "liba/text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cctype>
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

} // namespace
