#include "skinc/skin_source.h"

#include "liba/text.h"
#include "os/file.h"
#include "skinner/bmp_reader.h"
#include "skinner/font_rep.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <pugixml.hpp>
#include <set>
#include <sstream>

namespace skinc {

using skinner::PropertyType;

namespace {

std::u16string braced(std::u16string_view text)
{
    return u"{" + std::u16string(text) + u"}";
}

std::u16string text_of(const char* utf8)
{
    return liba::from_utf8(utf8);
}

bool is_blank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// One integer in [min, max]: decimal with an optional sign, or "0x" and hexadecimal digits.
std::optional<int64_t> parse_integer(std::u16string_view text, int64_t min, int64_t max)
{
    bool negative = false;
    size_t i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    int base = 10;
    if (text.size() - i > 2 && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        char16_t c = text[i];
        int digit = c >= u'0' && c <= u'9'         ? c - u'0'
            : base == 16 && c >= u'a' && c <= u'f' ? c - u'a' + 10
            : base == 16 && c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                   : -1;
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * base + digit;
        if (value > int64_t(1) << 33)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

// Integers separated by white space; exactly count of them, each in [min, max].
std::optional<std::vector<int64_t>> parse_numbers(
    std::u16string_view text, size_t count, int64_t min, int64_t max)
{
    std::vector<int64_t> numbers;
    size_t i = 0;
    while (true) {
        while (i < text.size() && is_blank(text[i]))
            ++i;
        if (i == text.size())
            break;
        size_t end = i;
        while (end < text.size() && !is_blank(text[end]))
            ++end;
        std::optional<int64_t> number = parse_integer(text.substr(i, end - i), min, max);
        if (!number)
            return std::nullopt;
        numbers.push_back(*number);
        i = end;
    }
    if (numbers.size() != count)
        return std::nullopt;
    return numbers;
}

std::optional<skinner::ColourEntry> parse_colour(std::u16string_view text)
{
    skinner::ColourEntry colour;
    if (!text.empty() && text[0] == u'#') {
        if (text.size() != 7 && text.size() != 9)
            return std::nullopt;
        for (size_t i = 1; i < text.size(); i += 2) {
            std::optional<int64_t> byte = parse_integer(u"0x" + std::u16string(text.substr(i, 2)), 0, 255);
            if (!byte)
                return std::nullopt;
            colour.bytes[(i - 1) / 2] = uint8_t(*byte);
        }
        return colour;
    }
    for (size_t count : {3, 4}) {
        if (auto numbers = parse_numbers(text, count, 0, 255)) {
            for (size_t i = 0; i < count; ++i)
                colour.bytes[i] = uint8_t((*numbers)[i]);
            return colour;
        }
    }
    return std::nullopt;
}

// The picture name of a bitmap: the archive entry name without ".bmp".
std::u16string picture_name(std::u16string name)
{
    if (name.size() > 4 && liba::to_lower(std::u16string_view(name).substr(name.size() - 4)) == u".bmp")
        name.resize(name.size() - 4);
    return name;
}

} // namespace

bool safe_entry_name(std::u16string_view name)
{
    if (name.empty() || name.front() == u'/' || name.front() == u'\\')
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of(u"/\\", start);
        if (end == std::u16string_view::npos)
            end = name.size();
        std::u16string_view part = name.substr(start, end - start);
        if (part.empty() || part == u"." || part == u"..")
            return false;
        start = end + 1;
    }
    return name.find(u':') == std::u16string_view::npos;
}

// An element with its source line, handing out its attributes and checking that no other one is
// there.
struct SkinSource::Element {
    pugi::xml_node node;
    int line = 0;

    std::u16string tag() const { return text_of(node.name()); }
    std::optional<std::u16string> attribute(const char* name) const
    {
        pugi::xml_attribute a = node.attribute(name);
        if (!a)
            return std::nullopt;
        return text_of(a.value());
    }
};

SkinSource::SkinSource(const std::filesystem::path& xml)
    : m_folder(xml.parent_path())
{
    std::ifstream in(xml, std::ios::binary);
    if (!in) {
        error(0, u"cannot read " + braced(liba::from_utf8(xml.string())));
        return;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string source = buffer.str();
    m_line_starts.push_back(0);
    for (size_t i = 0; i < source.size(); ++i) {
        if (source[i] == '\n')
            m_line_starts.push_back(i + 1);
    }
    pugi::xml_document document;
    pugi::xml_parse_result result = document.load_buffer(source.data(), source.size());
    if (!result) {
        error(line_of(result.offset), u"malformed XML: " + text_of(result.description()));
        return;
    }
    pugi::xml_node root = document.document_element();
    if (std::string_view(root.name()) != "skin") {
        error(line_of(root.offset_debug()), u"the root element must be <skin>");
        return;
    }
    read_skin({root, line_of(root.offset_debug())});
}

int SkinSource::line_of(ptrdiff_t offset) const
{
    if (offset < 0)
        return 0;
    auto at = std::upper_bound(m_line_starts.begin(), m_line_starts.end(), size_t(offset));
    return int(at - m_line_starts.begin());
}

void SkinSource::error(int line, std::u16string message)
{
    m_errors.push_back({line, std::move(message)});
}

namespace {

// Children that are elements; text other than white space is reported.
template<typename Visit> void for_each_child(pugi::xml_node node, Visit visit)
{
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_element || child.type() == pugi::node_pcdata
            || child.type() == pugi::node_cdata)
            visit(child);
    }
}

} // namespace

void SkinSource::read_skin(const Element& skin)
{
    m_model.line = skin.line;
    m_model.version = skin.attribute("version").value_or(u"");
    m_model.devices = skin.attribute("devices").value_or(u"");
    for (pugi::xml_attribute a : skin.node.attributes()) {
        if (std::string_view(a.name()) != "version" && std::string_view(a.name()) != "devices")
            error(skin.line, u"unknown attribute " + braced(text_of(a.name())) + u" of <skin>");
    }
    for_each_child(skin.node, [&](pugi::xml_node node) {
        Element child {node, line_of(node.offset_debug())};
        std::string_view tag = node.name();
        if (node.type() != pugi::node_element)
            error(child.line, u"unexpected text");
        else if (tag == "size")
            read_size(child);
        else if (tag == "bitmaps")
            read_bitmap_list(child);
        else if (tag == "fonts")
            read_font_list(child);
        else if (tag == "kind")
            m_model.kinds.push_back(read_record(child, false));
        else if (tag == "form")
            read_form(child);
        else
            error(child.line, u"unknown element <" + child.tag() + u">");
    });
}

namespace {

// The attributes an element may have; the others are named in errors.
std::vector<std::u16string> unknown_attributes(
    pugi::xml_node node, std::initializer_list<std::string_view> known)
{
    std::vector<std::u16string> unknown;
    for (pugi::xml_attribute a : node.attributes()) {
        if (std::find(known.begin(), known.end(), std::string_view(a.name())) == known.end())
            unknown.push_back(text_of(a.name()));
    }
    return unknown;
}

} // namespace

void SkinSource::read_size(const Element& element)
{
    for (const std::u16string& name : unknown_attributes(element.node, {"width", "height", "reserved"}))
        error(element.line, u"unknown attribute " + braced(name) + u" of <size>");
    skinner::SkinSize size;
    size.line = element.line;
    const std::pair<const char*, uint32_t*> fields[]
        = {{"width", &size.width}, {"height", &size.height}, {"reserved", &size.reserved}};
    for (auto [name, field] : fields) {
        std::optional<std::u16string> text = element.attribute(name);
        if (!text) {
            if (std::string_view(name) != "reserved")
                error(element.line, u"<size> needs " + liba::from_utf8(name));
            continue;
        }
        std::optional<int64_t> value = parse_integer(*text, 0, std::numeric_limits<uint32_t>::max());
        if (!value)
            error(element.line,
                u"size " + liba::from_utf8(name) + u" " + braced(*text)
                    + u" is not a number from 0 to 4294967295");
        else
            *field = uint32_t(*value);
    }
    m_model.sizes.push_back(size);
}

void SkinSource::read_list(const Element& element, const char* item, const char* attribute,
    const std::function<void(const std::u16string& value, int line)>& take)
{
    const std::u16string tag = u"<" + liba::from_utf8(item) + u">";
    for_each_child(element.node, [&](pugi::xml_node node) {
        Element child {node, line_of(node.offset_debug())};
        if (node.type() != pugi::node_element || std::string_view(node.name()) != item) {
            error(child.line, u"<" + liba::from_utf8(item) + u"s> holds only " + tag + u" elements");
            return;
        }
        for (const std::u16string& name : unknown_attributes(node, {attribute}))
            error(child.line, u"unknown attribute " + braced(name) + u" of " + tag);
        std::optional<std::u16string> value = child.attribute(attribute);
        if (!value) {
            error(child.line, tag + u" needs a " + liba::from_utf8(attribute));
            return;
        }
        take(*value, child.line);
    });
}

void SkinSource::read_bitmap_list(const Element& element)
{
    read_list(element, "bitmap", "name", [&](const std::u16string& name, int line) {
        std::u16string picture = picture_name(name);
        if (m_picture_indices.contains(picture))
            error(line, u"duplicate picture " + braced(picture));
        else
            picture_index(picture, line);
    });
}

void SkinSource::read_font_list(const Element& element)
{
    read_list(element, "font", "value", [&](const std::u16string& value, int line) {
        if (m_font_indices.contains(value))
            error(line, u"duplicate font " + braced(value));
        else
            font_index(value, line);
    });
}

void SkinSource::read_form(const Element& element)
{
    skinner::SkinForm form;
    form.record = read_record(element, true);
    for_each_child(element.node, [&](pugi::xml_node node) {
        Element child {node, line_of(node.offset_debug())};
        std::string_view tag = node.name();
        if (node.type() != pugi::node_element)
            return;
        if (tag == "control") {
            form.controls.push_back(read_record(child, false));
        } else if (tag == "auto") {
            for (const std::u16string& name : unknown_attributes(node, {"control", "kind"}))
                error(child.line, u"unknown attribute " + braced(name) + u" of <auto>");
            std::optional<std::u16string> control = child.attribute("control");
            std::optional<std::u16string> kind = child.attribute("kind");
            if (!control || !kind)
                error(child.line, u"<auto> needs a control and a kind");
            else
                form.auto_controls.push_back({*control, *kind, child.line});
        }
    });
    m_model.forms.push_back(std::move(form));
}

skinner::SkinRecord SkinSource::read_record(const Element& element, bool form)
{
    skinner::SkinRecord record;
    record.line = element.line;
    for (const std::u16string& name : unknown_attributes(element.node, {"name"}))
        error(element.line, u"unknown attribute " + braced(name) + u" of <" + element.tag() + u">");
    std::optional<std::u16string> name = element.attribute("name");
    if (!name)
        error(element.line, u"<" + element.tag() + u"> needs a name");
    record.name = name.value_or(u"");
    for_each_child(element.node, [&](pugi::xml_node node) {
        Element child {node, line_of(node.offset_debug())};
        std::string_view tag = node.name();
        if (node.type() != pugi::node_element) {
            error(child.line, u"unexpected text");
            return;
        }
        if (form && (tag == "control" || tag == "auto"))
            return;
        std::optional<std::u16string> property = child.attribute("name");
        std::optional<skinner::PropertyValue> value = read_value(child);
        if (!value)
            return;
        if (!property) {
            error(child.line, u"<" + child.tag() + u"> needs a name");
            return;
        }
        record.properties.push_back({*property, std::move(*value), child.line});
    });
    return record;
}

std::optional<skinner::PropertyValue> SkinSource::read_value(const Element& element)
{
    std::string_view tag = element.node.name();
    if (tag == "picture")
        return read_picture(element);
    bool known = tag == "int" || tag == "point" || tag == "string" || tag == "colour" || tag == "color"
        || tag == "font";
    if (!known) {
        error(element.line, u"unknown property type <" + element.tag() + u">");
        return std::nullopt;
    }
    for (const std::u16string& name : unknown_attributes(element.node, {"name", "value"}))
        error(element.line, u"unknown attribute " + braced(name) + u" of <" + element.tag() + u">");
    std::optional<std::u16string> value = element.attribute("value");
    if (!value) {
        error(element.line, u"<" + element.tag() + u"> needs a value");
        return std::nullopt;
    }
    if (tag == "string")
        return *value;
    if (tag == "int") {
        std::optional<int64_t> number = parse_integer(
            *value, std::numeric_limits<int32_t>::min(), std::numeric_limits<uint32_t>::max());
        if (number
            && (*number <= std::numeric_limits<int32_t>::max() || value->find(u'x') != std::u16string::npos
                || value->find(u'X') != std::u16string::npos))
            return int32_t(uint32_t(*number));
        error(element.line, u"int value " + braced(*value) + u" is not a 32-bit integer");
        return std::nullopt;
    }
    if (tag == "point") {
        if (auto numbers = parse_numbers(*value, 2, -32768, 32767))
            return skinner::PointEntry {int16_t((*numbers)[0]), int16_t((*numbers)[1])};
        error(element.line, u"point value " + braced(*value) + u" is not two integers from -32768 to 32767");
        return std::nullopt;
    }
    if (tag == "font") {
        std::optional<uint32_t> index = font_index(*value, element.line);
        if (!index)
            return std::nullopt;
        return skinner::FontEntry {*index};
    }
    if (auto colour = parse_colour(*value))
        return *colour;
    error(element.line,
        u"colour value " + braced(*value) + u" is neither #RRGGBB, #RRGGBBXX nor 3 or 4 numbers");
    return std::nullopt;
}

std::optional<skinner::PictureEntry> SkinSource::read_picture(const Element& element)
{
    int line = element.line;
    for (const std::u16string& name :
        unknown_attributes(element.node, {"name", "bitmap", "rect", "inner", "border", "stretch"}))
        error(line, u"unknown attribute " + braced(name) + u" of <picture>");
    std::optional<std::u16string> bitmap = element.attribute("bitmap");
    if (!bitmap) {
        error(line, u"<picture> needs a bitmap");
        return std::nullopt;
    }
    std::optional<uint32_t> index = picture_index(picture_name(*bitmap), line);
    if (!index)
        return std::nullopt;
    const BitmapFiles& files = m_bitmaps[*index];
    // Reads the attribute's four numbers into numbers, left as they are without the attribute;
    // false after reporting a value that is not four numbers.
    auto read_four = [&](const char* name, std::vector<int64_t>& numbers) {
        std::optional<std::u16string> text = element.attribute(name);
        if (!text)
            return true;
        auto parsed = parse_numbers(*text, 4, 0, 65535);
        if (!parsed) {
            error(line,
                liba::from_utf8(name) + u" " + braced(*text)
                    + u" is not four numbers from 0 to 65535: left top right bottom");
            return false;
        }
        numbers = *parsed;
        return true;
    };
    std::vector<int64_t> rect = {0, 0, files.width, files.height};
    if (!read_four("rect", rect))
        return std::nullopt;
    std::vector<int64_t> inner = rect;
    if (element.attribute("inner") && element.attribute("border")) {
        error(line, u"<picture> takes inner or border, not both");
        return std::nullopt;
    }
    std::vector<int64_t> border = {0, 0, 0, 0};
    if (!read_four("inner", inner) || !read_four("border", border))
        return std::nullopt;
    if (element.attribute("border"))
        inner = {rect[0] + border[0], rect[1] + border[1], rect[2] - border[2], rect[3] - border[3]};
    bool ordered = rect[0] <= inner[0] && inner[0] <= inner[2] && inner[2] <= rect[2] && rect[1] <= inner[1]
        && inner[1] <= inner[3] && inner[3] <= rect[3];
    if (!ordered) {
        error(line,
            u"the inner rectangle of picture " + braced(element.attribute("name").value_or(u""))
                + u" is not inside its rectangle");
        return std::nullopt;
    }
    if (rect[2] > files.width || rect[3] > files.height) {
        error(line,
            u"the rectangle of picture " + braced(element.attribute("name").value_or(u""))
                + u" runs past its " + liba::to_text(int64_t(files.width)) + u"x"
                + liba::to_text(int64_t(files.height)) + u" bitmap");
        return std::nullopt;
    }
    uint8_t stretch = 0;
    if (auto text = element.attribute("stretch")) {
        std::optional<int64_t> value = parse_integer(*text, 0, 255);
        if (!value) {
            error(line, u"stretch " + braced(*text) + u" is not a number from 0 to 255");
            return std::nullopt;
        }
        stretch = uint8_t(*value);
    }
    return skinner::PictureEntry {uint16_t(rect[0]), uint16_t(rect[1]), uint16_t(inner[0]),
        uint16_t(inner[1]), uint16_t(inner[2]), uint16_t(inner[3]), uint16_t(rect[2]), uint16_t(rect[3]),
        uint8_t(*index), stretch};
}

std::optional<uint32_t> SkinSource::picture_index(const std::u16string& name, int line)
{
    if (auto at = m_picture_indices.find(name); at != m_picture_indices.end())
        return at->second;
    if (!safe_entry_name(name + u".bmp")) {
        error(line, u"bitmap name " + braced(name) + u" must be a relative path without \".\" or \"..\"");
        return std::nullopt;
    }
    BitmapFiles files;
    if (!load_bitmap(name, line, files))
        return std::nullopt;
    uint32_t index = uint32_t(m_model.pictures.size());
    m_model.pictures.push_back({name, line});
    m_bitmaps.push_back(std::move(files));
    m_picture_indices[name] = index;
    return index;
}

bool SkinSource::load_bitmap(const std::u16string& name, int line, BitmapFiles& files)
{
    auto decode = [&](const std::u16string& entry, os::Surface& image, bool required) {
        std::filesystem::path file = m_folder / liba::to_utf8(entry);
        if (!std::filesystem::exists(file)) {
            if (required)
                error(line,
                    u"missing bitmap " + braced(entry) + u" (looked for " + liba::from_utf8(file.string())
                        + u")");
            return false;
        }
        os::File stream(liba::from_utf8(file.string()), os::FileMode::Read);
        std::u16string problem;
        if (!skinner::read_bmp(stream, image, problem)) {
            error(line, u"bitmap " + braced(entry) + u" is unusable: " + problem);
            return false;
        }
        files.entries.push_back({entry, file});
        return true;
    };
    os::Surface colour;
    if (!decode(name + u".bmp", colour, true))
        return false;
    files.width = colour.width;
    files.height = colour.height;
    for (const char16_t* suffix : {u"_1.bmp", u"_8.bmp"}) {
        os::Surface companion;
        if (decode(name + suffix, companion, false)
            && (companion.width != colour.width || companion.height != colour.height))
            error(
                line, u"bitmap " + braced(name + suffix) + u" is not the size of " + braced(name + u".bmp"));
    }
    return true;
}

std::optional<uint32_t> SkinSource::font_index(const std::u16string& description, int line)
{
    if (auto at = m_font_indices.find(description); at != m_font_indices.end())
        return at->second;
    skinner::FontDescription parsed;
    if (!skinner::parse_font_description(description, parsed)) {
        error(line, u"font " + braced(description) + u" is not \"height bold italic underline face\"");
        return std::nullopt;
    }
    uint32_t index = uint32_t(m_model.fonts.size());
    m_model.fonts.push_back({description, line});
    m_font_indices[description] = index;
    return index;
}

} // namespace skinc
