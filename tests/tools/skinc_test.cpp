// skinc: its errors and warnings with their lines, its limits, the archive it writes, dumps and round trips.

#include "liba/text.h"
#include "liba/zip_file.h"
#include "os/zip_open.h"
#include "os/zip_writer.h"
#include "skinc/skin_compiler.h"
#include "skinner/skin_description.h"
#include "skinner/skin_file.h"
#include "skinner/skin_samples.h"
#include "skinner/skin_writer.h"
#include "support/bmp_writer.h"
#include "tool_run.h"

#include <gtest/gtest.h>

namespace {

// A skin source folder: the XML and its bitmaps.
struct Source {
    Source& bitmap(const std::string& name, int32_t width = 4, int32_t height = 4)
    {
        test::write_file(dir.native(name),
            test::make_bmp24(width, height, std::vector<uint32_t>(size_t(width * height), 0x808080)));
        return *this;
    }
    // Builds body inside <skin> (on lines from 2 on), or a whole source starting with "<?".
    bool build(const std::string& body)
    {
        test::write_text(dir.native("skin.xml"),
            body.starts_with("<?") ? body.substr(2) : "<skin version=\"V\">\n" + body + "</skin>\n");
        messages.clear();
        return skinc::build_skin(dir.native("skin.xml"), dir.native("out.skin"), messages);
    }
    // The messages without the file name, one per line.
    std::string errors() const
    {
        std::string prefix = dir.native("skin.xml").string() + ":", text;
        for (const std::string& message : messages)
            text += (message.starts_with(prefix) ? message.substr(prefix.size()) : message) + "\n";
        return text;
    }
    test::Bytes description() const { return skinner::read_skin_description(dir.file("out.skin")); }

    std::vector<std::string> messages;
    test::TempDir dir;
};

} // namespace

struct ErrorCase {
    const char* body; // inside <skin version="V">, from line 2 on; a whole source if it starts with "<?"
    std::vector<std::string> errors; // each found in the messages (without the file name)
    bool builds = false; // warnings only
};

TEST(SkincErrors, name_their_line_and_only_warnings_let_the_skin_be_written)
{
    Source source;
    source.bitmap("here.bmp").bitmap("mask.bmp", 4, 4).bitmap("mask_1.bmp", 4, 5).bitmap("p.bmp", 20, 10);
    test::write_file(source.dir.native("bad.bmp"), test::Bytes {'B', 'M', 0, 0});
    const ErrorCase cases[] = {
        {"<form name=\"F\">\n<integer name=\"A\" value=\"1\"/>\n<int name=\"B\" value=\"1\" "
         "unit=\"px\"/>\n</form>\n<skins/>\n",
            {"3: error: unknown property type <integer>\n", "4: error: unknown attribute {unit} of <int>\n",
                "6: error: unknown element <skins>\n"}},
        {"<?<skin>\n<form name=\"F\">\n<int name=\"A\" value=\"1\">\n</form>\n</skin>\n",
            {"4: error: malformed XML"}},
        {"<?<theme/>\n", {"1: error: the root element must be <skin>\n"}},
        {"<kind name=\"K\">\n<int name=\"A\" value=\"2147483648\"/>\n"
         "<int name=\"B\" value=\"-2147483649\"/>\n<point name=\"C\" value=\"32768 0\"/>\n"
         "<point name=\"D\" value=\"1\"/>\n<colour name=\"E\" value=\"#12345\"/>\n"
         "<colour name=\"F\" value=\"256 0 0\"/>\n<font name=\"G\" value=\"Tahoma 12\"/>\n"
         "<int name=\"H\" value=\"12px\"/>\n</kind>\n",
            {"3: error: int value {2147483648}", "4: error: int value {-2147483649}",
                "5: error: point value {32768 0}", "6: error: point value {1}",
                "7: error: colour value {#12345}", "8: error: colour value {256 0 0}",
                "9: error: font {Tahoma 12}", "10: error: int value {12px}"}},
        {"<form name=\"F\"/>\n<form name=\"F\">\n<control name=\"c\"/>\n<control name=\"c\"/>\n"
         "</form>\n<kind name=\"K\"><int name=\"v\" value=\"1\"/>\n<int name=\"v\" value=\"2\"/></kind>\n",
            {"3: error: duplicate form {F}\n", "5: error: duplicate control {c} in form {F}\n",
                "8: error: duplicate int property {v} in {K}\n"}},
        {"<kind name=\"K\">\n<picture name=\"A\" bitmap=\"here\"/>\n"
         "<picture name=\"B\" bitmap=\"gone\"/>\n</kind>\n",
            {"4: error: missing bitmap {gone.bmp}"}},
        {"<bitmaps>\n<bitmap name=\"bad\"/>\n<bitmap name=\"mask\"/>\n</bitmaps>\n",
            {"3: error: bitmap {bad.bmp} is unusable",
                "4: error: bitmap {mask_1.bmp} is not the size of {mask.bmp}"}},
        {"<bitmaps><bitmap name=\"../up\"/><bitmap name=\"c:x\"/></bitmaps>\n",
            {"{../up} must be a relative path", "{c:x} must be a relative path"}},
        {"<kind name=\"K\">\n<picture name=\"A\" bitmap=\"p\" rect=\"0 0 21 10\"/>\n"
         "<picture name=\"B\" bitmap=\"p\" rect=\"0 0 20 10\" inner=\"5 5 4 6\"/>\n"
         "<picture name=\"C\" bitmap=\"p\" rect=\"2 2 20 10\" inner=\"1 2 3 4\"/>\n"
         "<picture name=\"D\" bitmap=\"p\" border=\"11 0 10 0\"/>\n"
         "<picture name=\"E\" bitmap=\"p\" inner=\"1 1 2 2\" border=\"1 1 1 1\"/>\n"
         "<picture name=\"F\" bitmap=\"p\" stretch=\"256\"/>\n</kind>\n",
            {"3: error: the rectangle of picture {A} runs past its 20x10 bitmap",
                "4: error: the inner rectangle of picture {B}",
                "5: error: the inner rectangle of picture {C}",
                "6: error: the inner rectangle of picture {D}", "7: error: <picture> takes inner or border",
                "8: error: stretch {256}"}},
        // A misspelt name on a control and a form, the right name with the wrong type, a form-level
        // name on a control and the reverse, and a kind no Kind... property names.
        {"<form name=\"F\">\n<control name=\"b\">\n<string name=\"Caption\" value=\"x\"/>\n"
         "<int name=\"Text\" value=\"1\"/>\n<int name=\"StartPosition\" value=\"1\"/>\n"
         "<string name=\"Text\" value=\"x\"/></control>\n<point name=\"Sise\" value=\"1 1\"/>\n"
         "<string name=\"Text\" value=\"x\"/><point name=\"Size\" value=\"1 1\"/></form>\n"
         "<kind name=\"Auto.Button\">\n<string name=\"Cursor\" value=\"HAND\"/></kind>\n",
            {"4: warning: property {Caption} is read by no control\n",
                "5: warning: property {Text} is read by no control as <int>, only as <string>\n",
                "6: warning: property {StartPosition} is read by no control\n",
                "8: warning: property {Sise} is read by no form\n",
                "9: warning: property {Text} is read by no form\n",
                "10: warning: kind {Auto.Button} is read by no control: no KindScroll, KindHScroll, KindMin, "
                "KindMax, KindSpace, KindTrack or KindEdit names it\n"},
            true},
        {"<?<skin version=\"vvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvv\">\n</skin>\n", {"1: error: version {"}}};
    for (const ErrorCase& c : cases) {
        std::filesystem::remove(source.dir.native("out.skin"));
        EXPECT_EQ(source.build(c.body), c.builds) << c.body;
        std::string errors = source.errors();
        for (const std::string& text : c.errors)
            EXPECT_NE(errors.find(text), std::string::npos) << text << " in\n" << errors;
        EXPECT_EQ(size_t(std::count(errors.begin(), errors.end(), '\n')), c.errors.size()) << errors;
        EXPECT_EQ(std::filesystem::exists(source.dir.native("out.skin")), c.builds) << c.body;
    }
}

TEST(SkincBuild, refuses_the_257th_picture_and_a_string_beyond_64_kib_and_orders_the_archive_by_first_use)
{
    Source source;
    std::string list = "<bitmaps>\n";
    for (int i = 0; i < 257; ++i) {
        source.bitmap("b" + std::to_string(i) + ".bmp", 1, 1);
        list += "<bitmap name=\"b" + std::to_string(i) + "\"/>\n";
    }
    EXPECT_FALSE(source.build(list + "</bitmaps>\n"));
    EXPECT_EQ(source.errors(), "259: error: more than 256 pictures\n");
    list.erase(list.rfind("<bitmap "));
    EXPECT_TRUE(source.build(list + "</bitmaps>\n")) << source.errors();
    std::string body = "<kind name=\"K\">\n"; // 40 values of 1000 characters: some 80 KiB of pool
    for (int i = 0; i < 40; ++i)
        body += "<string name=\"s" + std::to_string(100 + i) + "\" value=\""
            + std::string(1000, char('a' + i % 26)) + std::to_string(i) + "\"/>\n";
    EXPECT_FALSE(source.build(body + "</kind>\n"));
    EXPECT_EQ(source.errors().find('\n'), source.errors().size() - 1) << "one error";
    EXPECT_NE(source.errors().find("would start beyond the first 64 KiB"), std::string::npos)
        << source.errors();
    // The archive holds the description, then each bitmap with its companions in the order of first use.
    source.bitmap("a.bmp").bitmap("a_1.bmp").bitmap("b.bmp").bitmap("b_8.bmp").bitmap("unused.bmp");
    ASSERT_TRUE(source.build("<kind name=\"K\">\n<picture name=\"P\" bitmap=\"b.bmp\"/>\n"
                             "<picture name=\"Q\" bitmap=\"a\"/>\n</kind>\n"))
        << source.errors();
    std::vector<std::string> names;
    std::unique_ptr<liba::ZipFile> zip = os::open_zip(source.dir.file("out.skin"));
    for (std::u16string name = zip->next_entry(); !name.empty(); name = zip->next_entry())
        names.push_back(liba::to_utf8(name));
    EXPECT_EQ(names, (std::vector<std::string> {"out.skin", "b.bmp", "b_8.bmp", "a.bmp", "a_1.bmp"}));
    EXPECT_EQ(skinner::SkinDescription(source.description()).picture_names(),
        (std::vector<std::u16string> {u"b", u"a"}));
}

TEST(SkincDump, round_trips_to_the_same_description_and_refuses_what_is_not_a_safe_skin)
{
    Source source;
    std::vector<std::string> messages;
    std::filesystem::path first = source.dir.native("first.skin"), unpacked = source.dir.path();
    std::string dumped;
    ASSERT_TRUE(skinc::build_skin(test::fixture("skins/test_skin.xml"), first, messages)
        && skinc::dump_skin(first, &unpacked, dumped, messages));
    ASSERT_TRUE(source.build("<?" + dumped)) << source.errors();
    test::Bytes original = skinner::read_skin_description(test::u16(first));
    ASSERT_GT(original.size(), 540u);
    EXPECT_EQ(source.description(), original);
    EXPECT_EQ(
        test::read_file(unpacked / "button_1.bmp"), test::read_file(test::fixture("skins/button_1.bmp")));

    // Texts with markup characters and line ends come back as they were.
    skinner::SkinModel model;
    model.version = u"V<&>\"'";
    model.kinds = {test::record(u"K&<",
        {test::prop(u"T", std::u16string(u"line\nnext\ttab \"q\" 'a' <b> &amp; \U0001F3B5 \r end  "))})};
    skinner::SkinWriter writer(model);
    ASSERT_TRUE(writer.good());
    test::write_file(source.dir.native("in.skin"), writer.bytes());
    ASSERT_TRUE(skinc::dump_skin(source.dir.native("in.skin"), nullptr, dumped, messages)
        && source.build("<?" + dumped))
        << source.errors() << dumped;
    EXPECT_EQ(source.description(), writer.bytes()) << dumped;

    test::write_file(source.dir.native("junk.skin"), test::Bytes(1000, 7));
    messages.clear();
    EXPECT_FALSE(skinc::dump_skin(source.dir.native("junk.skin"), nullptr, dumped, messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("not a skin file with a valid description"), std::string::npos);
    // A picture named out of the folder is not written there, and the source is still printed.
    model.pictures = {{u"../evil"}};
    os::ZipWriter zip;
    zip.add("x.skin", skinner::SkinWriter(model).bytes());
    zip.add("../evil.bmp", test::make_bmp24(1, 1, {0}));
    test::write_file(source.dir.native("evil.skin"), zip.finish());
    std::filesystem::path out = source.dir.native("out/inner");
    EXPECT_FALSE(skinc::dump_skin(source.dir.native("evil.skin"), &out, dumped, messages));
    EXPECT_FALSE(std::filesystem::exists(source.dir.native("out/evil.bmp")));
    EXPECT_NE(dumped.find("<bitmap name=\"../evil\""), std::string::npos);
}
