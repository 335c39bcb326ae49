#include "liba/text.h"
#include "liba/xml_node.h"

#include <gtest/gtest.h>
#include <limits>

using liba::XmlNode;

namespace {

constexpr std::string_view s_settings = "<?xml version=\"1.0\"?>\n"
                                        "<!-- written by hand -->\n"
                                        "<Settings>\n"
                                        "  <Sound Volume=\"0.75\" EqualizerOn=\"TRUE\"/>\n"
                                        "  <Bookmarks>\n"
                                        "    <Bookmark Path=\"a.mp3\" Pos=\"12abc\"/>\n"
                                        "    <Bookmark Path=\"b.mp3\" Pos=\"7\"/>\n"
                                        "  </Bookmarks>\n"
                                        "</Settings>\n";

} // namespace

TEST(XmlNode, a_parsed_document_keeps_white_space_and_comments_and_reads_typed_attributes)
{
    XmlNode null; // does nothing and propagates
    EXPECT_TRUE(null.child(u"a").child(u"b").child_at(0).add_child(u"a").is_null());
    EXPECT_FALSE(null.set_attribute(u"a", u"b"));
    EXPECT_EQ(null.serialise(), "");
    for (std::string_view bad : {"   ", "<a></b>", "<a/><b/>", "<a x='1></a>", "\xFF\xFE\x00"})
        EXPECT_TRUE(XmlNode::parse(bad).is_null()) << bad;
    std::string utf16; // UTF-16 with its mark
    for (char16_t c : std::u16string(u"\uFEFF<E A=\"\u00E9t\u00E9\"/>"))
        utf16 += {char(c & 0xFF), char(c >> 8)};
    std::u16string value;
    EXPECT_TRUE(XmlNode::parse(utf16).child(u"E").get_attribute(u"A", value) && value == u"\u00E9t\u00E9");

    XmlNode document = XmlNode::parse(s_settings);
    EXPECT_EQ(document.child_count(), 3u); // declaration, comment, root: no text at document level
    XmlNode settings = document.child(u"Settings");
    EXPECT_EQ(settings.child_count(), 5u); // text, Sound, text, Bookmarks, text
    EXPECT_EQ(settings.child_at(3).name(), u"Bookmarks");
    EXPECT_TRUE(settings.child_at(5).is_null());
    EXPECT_FALSE(settings.child_at(0).set_attribute(u"Path", u"x")); // white-space text: no attributes
    EXPECT_TRUE(settings.child_at(0).add_child(u"x").is_null());
    EXPECT_EQ(XmlNode::parse("<a><b/><!--c--><b/>text</a>").child(u"a").child_count(), 4u);
    EXPECT_TRUE(document.child(u"settings").is_null()); // names are case-sensitive

    int32_t position = -1; // from the first of two namesakes
    EXPECT_TRUE(
        settings.child(u"Bookmarks").child(u"Bookmark").get_attribute(u"Pos", position) && position == 12);

    XmlNode sound = settings.child(u"Sound"); // copies share the node, which keeps its document alive
    document = settings = XmlNode();
    XmlNode copy = sound;
    copy.set_attribute(u"Volume", 0.25);
    double volume = 0.75; // from the file, unless the copy's change shows
    EXPECT_TRUE(sound.get_attribute(u"Volume", volume) && volume == 0.25);
    EXPECT_TRUE(sound.add_child(u"Extra") && copy.child(u"Extra"));
}

TEST(XmlNode, built_document_takes_one_root_serialises_and_parses_back)
{
    XmlNode document = XmlNode::create();
    ASSERT_TRUE(document.is_document());
    XmlNode settings = document.add_child(u"Settings");
    // One root element only, and the document is no element.
    EXPECT_TRUE(document.add_child(u"Other").is_null());
    EXPECT_FALSE(document.set_attribute(u"A", u"x"));
    EXPECT_TRUE(settings.add_child(u"Playback").set_attribute(u"Random", true));

    EXPECT_EQ(settings.serialise(), "") << "an element's own text is no serialised document";
    XmlNode again = XmlNode::parse(document.serialise());
    // Setting a parsed attribute again replaces its value.
    again.child(u"Settings").child(u"Playback").set_attribute(u"Random", u"new");
    std::string text = again.serialise();
    EXPECT_EQ(text.find("Random="), text.rfind("Random=")) << text;
    EXPECT_NE(text.find("Random=\"new\""), std::string::npos) << text;

    // Attribute text survives exactly, up to a zero character, which XML cannot hold.
    const std::u16string odd = u"  <&>\"' line\nnext\ttab\r Gr\u00F6\u00DFe \u20AC \U0001F3B5 ";
    XmlNode element = again.child(u"Settings").add_child(u"E");
    element.set_attribute(u"v0", odd);
    element.set_attribute(u"v1", std::u16string_view(u"ab\0cd", 5));
    element = XmlNode::parse(again.serialise()).child(u"Settings").child(u"E");
    std::u16string read[2];
    EXPECT_TRUE(element.get_attribute(u"v0", read[0]) && element.get_attribute(u"v1", read[1]));
    EXPECT_EQ(std::pair(read[0], read[1]), std::pair(odd, std::u16string(u"ab")));

    element = XmlNode::create().add_child(u"E");
    for (std::u16string_view bad : {u"", u"1abc", u"a b", u"-x", u"\xD800x"}) {
        EXPECT_TRUE(element.add_child(bad).is_null()) << liba::to_utf8(bad);
        EXPECT_FALSE(element.set_attribute(bad, u"v")) << liba::to_utf8(bad);
    }
    for (std::u16string_view good : {u"_x", u"ns:tag", u"Gr\u00F6\u00DFe", u"a-b.c1", u"\U00010000x"}) {
        EXPECT_TRUE(element.add_child(good)) << liba::to_utf8(good);
        EXPECT_TRUE(element.set_attribute(good, u"v")) << liba::to_utf8(good);
    }
    EXPECT_EQ(element.child_count(), 5u);
}

TEST(XmlText, numbers_and_booleans_read_and_written)
{
    // The text, whether it reads, and the value after the read, starting from 777.
    const std::tuple<std::u16string, bool, int32_t> ints[]
        = {{u"12abc", true, 12}, {u"\t\r\n -42 6", true, -42}, {u"+7", true, 7}, {u"0x10", true, 0},
            {u"2147483648", true, std::numeric_limits<int32_t>::min()}, // wraps at 32 bits
            {u"-4294967295", true, 1}, {u"99999999999999999999", true, 0x630FFFFF}, {u"- 5", false, 0},
            {u"+-5", false, 0}, {u"", false, 777}, {u"  +", false, 777}};
    for (const auto& [text, ok, expected] : ints) {
        int32_t value = 777;
        EXPECT_EQ(liba::xml_read_int(text, value), ok) << liba::to_utf8(text);
        EXPECT_EQ(value, expected) << liba::to_utf8(text);
    }
    const std::tuple<std::u16string, bool, double> reals[] = {{u"  -0.25", true, -0.25},
        {u"+2.5xyz", true, 2.5}, {u"1.5e3", true, 1500.0}, {u"1e+2", true, 100.0}, {u"2E-2", true, 0.02},
        {u"1e+", true, 1.0}, {u"3.", true, 3.0}, {u"1,5", true, 1.0}, {u"1e-999", true, 0.0},
        {u"0." + std::u16string(400, u'0') + u"1", true, 0.0}, {u"1e999", false, 777.0}, {u".5", false, 0.0},
        {u"-e5", false, 0.0}, {u" \t", false, 777.0}, {u"+", false, 777.0},
        {u"1" + std::u16string(400, u'0'), false, 777.0},
        {u"0." + std::u16string(300, u'0') + u"1e300", true, 0.1}, {u"1e99999999999999999999", false, 777.0}};
    for (const auto& [text, ok, expected] : reals) {
        double value = 777.0;
        EXPECT_EQ(liba::xml_read_real(text, value), ok) << liba::to_utf8(text);
        EXPECT_DOUBLE_EQ(value, expected) << liba::to_utf8(text);
    }
    // Booleans read in their spellings only; numbers are written like printf.
    bool value = false;
    EXPECT_TRUE(liba::xml_read_bool(u"TRUE", value) && value);
    EXPECT_TRUE(liba::xml_read_bool(u"0", value) && !value);
    for (std::u16string_view text : {u"tRUE", u"true ", u"01", u""}) {
        EXPECT_FALSE(liba::xml_read_bool(text, value)) << liba::to_utf8(text);
        EXPECT_FALSE(value);
    }
    EXPECT_EQ(liba::xml_write_int(std::numeric_limits<int32_t>::min()), u"-2147483648");
    EXPECT_EQ(liba::xml_write_real(1e20), u"100000000000000000000.000000");
}
