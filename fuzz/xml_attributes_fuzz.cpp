// The attribute text readers on arbitrary text, and arbitrary bytes parsed as a document, walked,
// changed and written again. No crash, no hang, and written values read back as they were.

#include "liba/text.h"
#include "liba/xml_node.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void read_as_values(std::u16string_view text)
{
    int32_t integer = 0;
    if (liba::xml_read_int(text, integer)) {
        // Any value other than integer, without overflowing at the ends of the range.
        int32_t back = ~integer;
        check(liba::xml_read_int(liba::xml_write_int(integer), back) && back == integer);
    }
    double real = 0.0;
    if (liba::xml_read_real(text, real)) {
        check(std::isfinite(real));
        double back = 0.0;
        check(liba::xml_read_real(liba::xml_write_real(real), back));
        check(std::fabs(back - real) <= 5.000001e-7 + std::fabs(real) * 1e-15);
    }
    bool flag = false;
    if (liba::xml_read_bool(text, flag)) {
        check(text.size() <= 5);
        bool back = !flag;
        check(liba::xml_read_bool(liba::xml_write_bool(flag), back) && back == flag);
    }
}

// Visits at most a few thousand nodes, with an explicit stack: deep nesting costs no recursion.
void walk(const liba::XmlNode& document)
{
    std::vector<liba::XmlNode> stack {document};
    for (int visited = 0; !stack.empty() && visited < 4000; ++visited) {
        liba::XmlNode node = stack.back();
        stack.pop_back();
        std::u16string text;
        node.get_attribute(u"Path", text);
        int32_t integer = 0;
        node.get_attribute(u"Pos", integer);
        node.child(node.name());
        uint32_t count = node.child_count();
        for (uint32_t i = 0; i < count && i < 32; ++i)
            stack.push_back(node.child_at(i));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    read_as_values(liba::from_utf8(bytes));
    std::u16string units(size / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
    read_as_values(units);

    liba::XmlNode document = liba::XmlNode::parse(bytes);
    if (!document)
        return 0;
    walk(document);
    liba::XmlNode added = document.add_child(u"Extra");
    check(added.is_null());
    for (uint32_t i = 0; i < document.child_count(); ++i) {
        liba::XmlNode child = document.child_at(i);
        if (child.is_element())
            child.add_child(u"Added").set_attribute(u"Value", liba::from_utf8(bytes.substr(0, 64)));
    }
    // What was parsed and changed must parse again.
    check(!liba::XmlNode::parse(document.serialise()).is_null());
    return 0;
}
