#include "liba/xml_node.h"

#include "liba/text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <new>
#include <pugixml.hpp>
#include <utility>

namespace liba {

namespace {

// Every node kind of the text is kept, white-space text between elements included.
constexpr unsigned s_parse_options = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_comments
    | pugi::parse_pi | pugi::parse_declaration | pugi::parse_doctype;

pugi::xml_node node_of(pugi::xml_node_struct* node)
{
    return pugi::xml_node(node);
}

bool is_space(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool is_digit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Moves past white space and one optional sign. False when nothing but those is left.
bool start_number(std::u16string_view text, size_t& i, bool& negative)
{
    while (i < text.size() && is_space(text[i]))
        ++i;
    if (i == text.size())
        return false;
    negative = text[i] == u'-';
    if (text[i] == u'+' || text[i] == u'-')
        ++i;
    return i < text.size();
}

size_t skip_digits(std::u16string_view text, size_t i)
{
    while (i < text.size() && is_digit(text[i]))
        ++i;
    return i;
}

// The end of the exponent that starts at i, or i when no complete exponent stands there.
size_t skip_exponent(std::u16string_view text, size_t i)
{
    if (i >= text.size() || (text[i] != u'e' && text[i] != u'E'))
        return i;
    size_t j = i + 1;
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
        ++j;
    size_t end = skip_digits(text, j);
    return end > j ? end : i;
}

// Decimal exponent of the leading significant digit of a real text (digits, fraction, exponent),
// saturating; only its sign matters, to tell overflow from underflow.
int64_t magnitude(std::string_view number)
{
    size_t point = number.find('.');
    size_t exponent_at = number.find_first_of("eE");
    int64_t exponent = 0;
    if (exponent_at != std::string_view::npos) {
        std::string_view e = number.substr(exponent_at + 1);
        bool negative = !e.empty() && e[0] == '-';
        for (char c : e)
            if (c >= '0' && c <= '9')
                exponent = std::min<int64_t>(exponent * 10 + (c - '0'), 1'000'000'000);
        exponent = negative ? -exponent : exponent;
        number = number.substr(0, exponent_at);
    }
    size_t integer_digits = point == std::string_view::npos ? number.size() : point;
    size_t first = number.find_first_of("123456789");
    if (first == std::string_view::npos)
        return std::numeric_limits<int64_t>::min();
    int64_t position
        = first < integer_digits ? int64_t(integer_digits - first - 1) : -int64_t(first - integer_digits);
    return position + exponent;
}

constexpr std::array<std::pair<std::u16string_view, bool>, 8> s_booleans = {{
    {u"true", true},
    {u"false", false},
    {u"True", true},
    {u"False", false},
    {u"TRUE", true},
    {u"FALSE", false},
    {u"1", true},
    {u"0", false},
}};

bool is_name_start(char32_t c)
{
    return c == U':' || (c >= U'A' && c <= U'Z') || c == U'_' || (c >= U'a' && c <= U'z')
        || (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF)
        || (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D)
        || (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF)
        || (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool is_name_char(char32_t c)
{
    return is_name_start(c) || c == U'-' || c == U'.' || (c >= U'0' && c <= U'9') || c == 0xB7
        || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// The code point at i (a surrogate pair counts as one), or 0 for a lone surrogate.
char32_t code_point_at(std::u16string_view text, size_t& i)
{
    char16_t c = text[i++];
    if (c < 0xD800 || c > 0xDFFF)
        return c;
    if (c > 0xDBFF || i == text.size() || text[i] < 0xDC00 || text[i] > 0xDFFF)
        return 0;
    char16_t low = text[i++];
    return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (low - 0xDC00);
}

struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};

} // namespace

bool xml_read_int(std::u16string_view text, int32_t& value)
{
    size_t i = 0;
    bool negative = false;
    if (!start_number(text, i, negative))
        return false;
    uint32_t accumulated = 0;
    size_t end = skip_digits(text, i);
    if (end == i) {
        value = 0;
        return false;
    }
    for (; i < end; ++i)
        accumulated = accumulated * 10u + uint32_t(text[i] - u'0');
    value = static_cast<int32_t>(negative ? 0u - accumulated : accumulated);
    return true;
}

bool xml_read_real(std::u16string_view text, double& value)
{
    size_t i = 0;
    bool negative = false;
    if (!start_number(text, i, negative))
        return false;
    size_t start = i;
    size_t end = skip_digits(text, i);
    if (end == start) {
        value = 0.0;
        return false;
    }
    if (end < text.size() && text[end] == u'.')
        end = skip_digits(text, end + 1);
    end = skip_exponent(text, end);
    // Only ASCII digits, '.', 'e', 'E' and signs remain: the narrowing is exact.
    std::string number(text.begin() + std::ptrdiff_t(start), text.begin() + std::ptrdiff_t(end));
    double parsed = 0.0;
    auto [stop, error] = std::from_chars(number.data(), number.data() + number.size(), parsed);
    if (error == std::errc::result_out_of_range) {
        if (magnitude(number) > 0)
            return false;
        parsed = 0.0;
    } else if (error != std::errc() || stop != number.data() + number.size()) {
        return false;
    }
    value = negative ? -parsed : parsed;
    return true;
}

bool xml_read_bool(std::u16string_view text, bool& value)
{
    for (const auto& [word, meaning] : s_booleans) {
        if (text == word) {
            value = meaning;
            return true;
        }
    }
    return false;
}

std::u16string xml_write_int(int32_t value)
{
    return to_text(int64_t(value));
}

std::u16string xml_write_real(double value)
{
    // to_chars is printf "%f" in the C locale: a decimal comma of the process locale cannot slip in.
    std::array<char, 512> buffer;
    auto [end, error]
        = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 6);
    if (error != std::errc())
        return to_text(value);
    return from_utf8(std::string_view(buffer.data(), size_t(end - buffer.data())));
}

std::u16string xml_write_bool(bool value)
{
    // The first table entry with the wanted meaning.
    return std::u16string(value ? s_booleans[0].first : s_booleans[1].first);
}

bool is_xml_name(std::u16string_view name)
{
    if (name.empty())
        return false;
    for (size_t i = 0; i < name.size();) {
        bool first = i == 0;
        char32_t c = code_point_at(name, i);
        if (first ? !is_name_start(c) : !is_name_char(c))
            return false;
    }
    return true;
}

XmlNode::XmlNode(std::shared_ptr<pugi::xml_document> document, pugi::xml_node_struct* node)
    : m_document(std::move(document))
    , m_node(node)
{
}

XmlNode XmlNode::create()
{
    try {
        auto document = std::make_shared<pugi::xml_document>();
        pugi::xml_node_struct* root = document->internal_object();
        return XmlNode(std::move(document), root);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

XmlNode XmlNode::parse(std::string_view bytes)
{
    XmlNode document = create();
    if (!document)
        return {};
    pugi::xml_parse_result result
        = document.m_document->load_buffer(bytes.data(), bytes.size(), s_parse_options, pugi::encoding_auto);
    if (!result)
        return {};
    // The parser takes several root elements; a well-formed document has exactly one.
    uint32_t roots = 0;
    for (pugi::xml_node node : document.m_document->children())
        roots += node.type() == pugi::node_element ? 1 : 0;
    return roots == 1 ? document : XmlNode();
}

std::string XmlNode::serialise() const
{
    if (!is_document())
        return {};
    StringWriter writer;
    m_document->save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
    return std::move(writer.text);
}

bool XmlNode::is_document() const
{
    return m_node && node_of(m_node).type() == pugi::node_document;
}

bool XmlNode::is_element() const
{
    return m_node && node_of(m_node).type() == pugi::node_element;
}

std::u16string XmlNode::name() const
{
    return is_element() ? from_utf8(node_of(m_node).name()) : std::u16string();
}

XmlNode XmlNode::child(std::u16string_view name) const
{
    if (!m_node)
        return {};
    for (pugi::xml_node node : node_of(m_node).children()) {
        if (node.type() == pugi::node_element && from_utf8(node.name()) == name)
            return XmlNode(m_document, node.internal_object());
    }
    return {};
}

uint32_t XmlNode::child_count() const
{
    if (!m_node)
        return 0;
    uint32_t count = 0;
    for (pugi::xml_node node = node_of(m_node).first_child(); node; node = node.next_sibling())
        ++count;
    return count;
}

XmlNode XmlNode::child_at(uint32_t index) const
{
    if (!m_node)
        return {};
    pugi::xml_node node = node_of(m_node).first_child();
    for (uint32_t i = 0; node && i < index; ++i)
        node = node.next_sibling();
    return node ? XmlNode(m_document, node.internal_object()) : XmlNode();
}

XmlNode XmlNode::add_child(std::u16string_view name)
{
    if (!(is_document() || is_element()) || !is_xml_name(name))
        return {};
    pugi::xml_node parent = node_of(m_node);
    if (is_document() && parent.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; }))
        return {};
    pugi::xml_node element = parent.append_child(to_utf8(name).c_str());
    return element ? XmlNode(m_document, element.internal_object()) : XmlNode();
}

bool XmlNode::get_attribute(std::u16string_view name, std::u16string& text) const
{
    if (!is_element())
        return false;
    for (pugi::xml_attribute attribute : node_of(m_node).attributes()) {
        if (from_utf8(attribute.name()) == name) {
            text = from_utf8(attribute.value());
            return true;
        }
    }
    return false;
}

bool XmlNode::get_attribute(std::u16string_view name, int32_t& value) const
{
    std::u16string text;
    return get_attribute(name, text) && xml_read_int(text, value);
}

bool XmlNode::get_attribute(std::u16string_view name, double& value) const
{
    std::u16string text;
    return get_attribute(name, text) && xml_read_real(text, value);
}

bool XmlNode::get_attribute(std::u16string_view name, bool& value) const
{
    std::u16string text;
    return get_attribute(name, text) && xml_read_bool(text, value);
}

bool XmlNode::set_attribute(std::u16string_view name, std::u16string_view text)
{
    if (!is_element() || !is_xml_name(name))
        return false;
    pugi::xml_node element = node_of(m_node);
    std::string key = to_utf8(name);
    pugi::xml_attribute attribute = element.attribute(key.c_str());
    if (!attribute)
        attribute = element.append_attribute(key.c_str());
    return attribute && attribute.set_value(to_utf8(text).c_str());
}

bool XmlNode::set_attribute(std::u16string_view name, int32_t value)
{
    return set_attribute(name, xml_write_int(value));
}

bool XmlNode::set_attribute(std::u16string_view name, double value)
{
    return set_attribute(name, xml_write_real(value));
}

bool XmlNode::set_attribute(std::u16string_view name, bool value)
{
    return set_attribute(name, xml_write_bool(value));
}

} // namespace liba
