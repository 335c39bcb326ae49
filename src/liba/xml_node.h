#pragma once

// A nullable, counted handle on a node of an XML document (pugixml underneath). Copying shares the
// node and its document; the last handle on any node of a document frees the document. Every
// operation accepts a null handle and then does nothing and returns null, false or 0, so a chain
// such as doc.child(u"Settings").child(u"Sound") is null when any link is missing.
//
// Element and attribute names are compared exactly (code unit by code unit). Attribute values are
// text; the typed accessors use the fixed formats of the xml_read_* and xml_write_* functions
// below. Documents keep every node kind of the text they were parsed from: white-space text
// between elements, comments, processing instructions and the declaration are children too.
// Handles are not synchronised: one thread uses a document at a time.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace pugi {
class xml_document;
struct xml_node_struct;
} // namespace pugi

namespace liba {

class XmlNode {
public:
    // The null handle.
    XmlNode() = default;

    // A new empty document, or null when none can be made.
    static XmlNode create();
    // The document held in bytes (UTF-8, or UTF-16/32 with a byte-order mark), or null when they
    // are not well-formed XML with exactly one root element.
    static XmlNode parse(std::string_view bytes);
    // A document as UTF-8 text with declaration and tab indentation; empty for anything else.
    std::string serialise() const;

    bool is_null() const { return m_node == nullptr; }
    explicit operator bool() const { return m_node != nullptr; }
    bool is_document() const;
    bool is_element() const;
    // The element's name; empty for the document, text and comment nodes.
    std::u16string name() const;

    // The first child element called name, in document order.
    XmlNode child(std::u16string_view name) const;
    // Child nodes of every kind (elements, text including white space, comments...).
    uint32_t child_count() const;
    // The child at a zero-based index in document order, of whatever kind.
    XmlNode child_at(uint32_t index) const;
    // Appends a new element as the last child of a document or element and returns it. Null when
    // the name is no XML name, or when the node is a document that has its root element already.
    XmlNode add_child(std::u16string_view name);

    // Reads the attribute into the target and returns true. Missing attribute: false, target
    // unchanged. Typed reads convert with xml_read_int / xml_read_real / xml_read_bool and return
    // their result (a failed conversion may still set the target, as those functions say).
    bool get_attribute(std::u16string_view name, std::u16string& text) const;
    bool get_attribute(std::u16string_view name, int32_t& value) const;
    bool get_attribute(std::u16string_view name, double& value) const;
    bool get_attribute(std::u16string_view name, bool& value) const;
    // Creates or replaces an attribute of an element; false for any other node or a name that is
    // no XML name. XML cannot hold a zero character: text is cut at the first one.
    bool set_attribute(std::u16string_view name, std::u16string_view text);
    bool set_attribute(std::u16string_view name, const char16_t* text)
    {
        return set_attribute(name, std::u16string_view(text ? text : u""));
    }
    bool set_attribute(std::u16string_view name, int32_t value);
    bool set_attribute(std::u16string_view name, double value);
    bool set_attribute(std::u16string_view name, bool value);

private:
    XmlNode(std::shared_ptr<pugi::xml_document> document, pugi::xml_node_struct* node);

    std::shared_ptr<pugi::xml_document> m_document;
    pugi::xml_node_struct* m_node = nullptr;
};

// Integer text: white space skipped, an optional '+' or '-', then decimal digits accumulated with
// wrap-around at 32 bits; whatever follows the digits is ignored. Nothing but white space, or a
// sign with nothing after it: false, value unchanged. No digit: value set to 0, false.
bool xml_read_int(std::u16string_view text, int32_t& value);
// Real text: white space, an optional sign, digits, an optional '.' with fraction digits, an
// optional exponent ('e' or 'E', optional sign, digits); whatever follows is ignored. Empty and
// sign-only texts and digit-less texts are treated as for integers. A value too large for a
// double is a failed read with the value unchanged; one too small reads as zero.
bool xml_read_real(std::u16string_view text, double& value);
// Exactly one of "true", "True", "TRUE", "1" (true) or "false", "False", "FALSE", "0" (false);
// anything else: false, value unchanged.
bool xml_read_bool(std::u16string_view text, bool& value);

// printf "%d", "%f" (six decimals, whatever the process locale) and "true" / "false".
std::u16string xml_write_int(int32_t value);
std::u16string xml_write_real(double value);
std::u16string xml_write_bool(bool value);

// An XML 1.0 name (element or attribute): a letter, '_' or ':' first, then also digits, '-', '.'.
bool is_xml_name(std::u16string_view name);

} // namespace liba
