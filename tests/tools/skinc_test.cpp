// skinc: its errors and warnings with their lines, its limits, the archive it writes, dumps and
// round trips, and its command line.

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
class Source {
public:
    Source& bitmap(const std::string& name, int32_t width = 4, int32_t height = 4)
    {
        test::write_file(m_dir.native(name),
            test::make_bmp24(width, height, std::vector<uint32_t>(size_t(width * height), 0x808080)));
        return *this;
    }
    // Builds a source made of body inside <skin>, on lines from 2 on.
    bool build(const std::string& body, const std::string& skin_attributes = "version=\"V\"")
    {
        return build_raw("<skin " + skin_attributes + ">\n" + body + "</skin>\n");
    }
    bool build_raw(const std::string& xml)
    {
        test::write_file(m_dir.native("skin.xml"), test::Bytes(xml.begin(), xml.end()));
        messages.clear();
        return skinc::build_skin(m_dir.native("skin.xml"), m_dir.native("out.skin"), messages);
    }
    // The messages without the file name, one per line.
    std::string errors() const
    {
        std::string prefix = m_dir.native("skin.xml").string() + ":";
        std::string text;
        for (const std::string& message : messages)
            text += (message.starts_with(prefix) ? message.substr(prefix.size()) : message) + "\n";
        return text;
    }
    // Whether the messages hold each of the texts.
    testing::AssertionResult reports(const std::vector<std::string>& texts) const
    {
        for (const std::string& text : texts)
            if (errors().find(text) == std::string::npos)
                return testing::AssertionFailure() << "no {" << text << "} in\n" << errors();
        return testing::AssertionSuccess();
    }
    test::Bytes description() const { return skinner::read_skin_description(m_dir.file("out.skin")); }
    bool built() const { return std::filesystem::exists(m_dir.native("out.skin")); }
    const test::TempDir& dir() const { return m_dir; }

    std::vector<std::string> messages;

private:
    test::TempDir m_dir;
};

std::vector<std::string> entry_names(const std::u16string& archive)
{
    std::vector<std::string> names;
    std::unique_ptr<liba::ZipFile> zip = os::open_zip(archive);
    for (std::u16string name = zip->next_entry(); !name.empty(); name = zip->next_entry())
        names.push_back(liba::to_utf8(name));
    return names;
}

} // namespace

struct ErrorCase {
    const char* body; // inside <skin version="V">, from line 2 on; a whole source if it starts with "<?"
    std::vector<std::string> errors; // each found in the messages (without the file name)
};

class SkincErrors : public testing::TestWithParam<ErrorCase> { };

TEST_P(SkincErrors, name_their_line_and_nothing_is_written)
{
    Source source;
    source.bitmap("here.bmp").bitmap("mask.bmp", 4, 4).bitmap("mask_1.bmp", 4, 5).bitmap("p.bmp", 20, 10);
    test::write_file(source.dir().native("bad.bmp"), test::Bytes {'B', 'M', 0, 0});
    std::string body = GetParam().body;
    EXPECT_FALSE(body.starts_with("<?") ? source.build_raw(body.substr(2)) : source.build(body));
    const std::vector<std::string>& texts = GetParam().errors;
    EXPECT_TRUE(source.reports(texts));
    std::string errors = source.errors();
    EXPECT_EQ(size_t(std::count(errors.begin(), errors.end(), '\n')), texts.size()) << errors;
    EXPECT_FALSE(source.built());
}

INSTANTIATE_TEST_SUITE_P(Sources, SkincErrors,
    testing::Values(
        ErrorCase {"<form name=\"F\">\n<integer name=\"A\" value=\"1\"/>\n<int name=\"B\" value=\"1\" "
                   "unit=\"px\"/>\n</form>\n<skins/>\n",
            {"3: error: unknown property type <integer>\n", "4: error: unknown attribute {unit} of <int>\n",
                "6: error: unknown element <skins>\n"}},
        ErrorCase {"<?<skin>\n<form name=\"F\">\n<int name=\"A\" value=\"1\">\n</form>\n</skin>\n",
            {"4: error: malformed XML"}},
        ErrorCase {"<?<theme/>\n", {"1: error: the root element must be <skin>\n"}},
        ErrorCase {"<kind name=\"K\">\n<int name=\"A\" value=\"2147483648\"/>\n"
                   "<int name=\"B\" value=\"-2147483649\"/>\n<point name=\"C\" value=\"32768 0\"/>\n"
                   "<point name=\"D\" value=\"1\"/>\n<colour name=\"E\" value=\"#12345\"/>\n"
                   "<colour name=\"F\" value=\"256 0 0\"/>\n<font name=\"G\" value=\"Tahoma 12\"/>\n"
                   "<int name=\"H\" value=\"12px\"/>\n</kind>\n",
            {"3: error: int value {2147483648}", "4: error: int value {-2147483649}",
                "5: error: point value {32768 0}", "6: error: point value {1}",
                "7: error: colour value {#12345}", "8: error: colour value {256 0 0}",
                "9: error: font {Tahoma 12}", "10: error: int value {12px}"}},
        ErrorCase {
            "<form name=\"F\"/>\n<form name=\"F\">\n<control name=\"c\"/>\n<control name=\"c\"/>\n"
            "</form>\n<kind name=\"K\"><int name=\"v\" value=\"1\"/>\n<int name=\"v\" value=\"2\"/></kind>\n",
            {"3: error: duplicate form {F}\n", "5: error: duplicate control {c} in form {F}\n",
                "8: error: duplicate int property {v} in {K}\n"}},
        ErrorCase {"<kind name=\"K\">\n<picture name=\"A\" bitmap=\"here\"/>\n"
                   "<picture name=\"B\" bitmap=\"gone\"/>\n</kind>\n",
            {"4: error: missing bitmap {gone.bmp}"}},
        ErrorCase {"<bitmaps>\n<bitmap name=\"bad\"/>\n<bitmap name=\"mask\"/>\n</bitmaps>\n",
            {"3: error: bitmap {bad.bmp} is unusable",
                "4: error: bitmap {mask_1.bmp} is not the size of {mask.bmp}"}},
        ErrorCase {"<bitmaps><bitmap name=\"../up\"/><bitmap name=\"c:x\"/></bitmaps>\n",
            {"{../up} must be a relative path", "{c:x} must be a relative path"}},
        ErrorCase {"<kind name=\"K\">\n<picture name=\"A\" bitmap=\"p\" rect=\"0 0 21 10\"/>\n"
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
        ErrorCase {
            "<?<skin version=\"vvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvv\">\n</skin>\n", {"1: error: version {"}}));

TEST(SkincLimits, the_257th_picture_and_a_string_beyond_64_kib_are_refused_alone_and_boundaries_accepted)
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
    EXPECT_TRUE(source.reports({"error: string {", "would start beyond the first 64 KiB"}));

    std::filesystem::create_directory(source.dir().native("dir"));
    source.bitmap("dir/pic.bmp");
    ASSERT_TRUE(source.build(
        "<bitmaps><bitmap name=\"dir/pic\"/></bitmaps>\n<kind name=\"K\">\n"
        "<int name=\"A\" value=\"2147483647\"/><int name=\"B\" value=\"-2147483648\"/>\n"
        "<int name=\"C\" value=\"0xFFFFFFFF\"/><point name=\"D\" value=\" -32768\t32767 \"/>\n"
        "<colour name=\"E\" value=\"#A0B0C0D0\"/><colour name=\"F\" value=\"255 0 1\"/></kind>\n",
        "version=\"" + std::string(31, 'v') + "\""))
        << source.errors();
    skinner::SkinModel model = skinner::SkinDescription(source.description()).to_model();
    ASSERT_EQ(model.kinds.size(), 1u);
    const auto& p = model.kinds[0].properties;
    ASSERT_EQ(p.size(), 6u);
    EXPECT_EQ(std::get<int32_t>(p[0].value), INT32_MAX);
    EXPECT_EQ(std::get<int32_t>(p[1].value), INT32_MIN);
    EXPECT_EQ(std::get<int32_t>(p[2].value), -1);
    EXPECT_EQ(std::get<skinner::PointEntry>(p[3].value), (skinner::PointEntry {-32768, 32767}));
    EXPECT_EQ(
        std::get<skinner::ColourEntry>(p[4].value).bytes, (std::array<uint8_t, 4> {0xA0, 0xB0, 0xC0, 0xD0}));
    EXPECT_EQ(std::get<skinner::ColourEntry>(p[5].value).bytes, (std::array<uint8_t, 4> {255, 0, 1, 0}));
}

TEST(SkincBuild, the_archive_holds_the_description_then_each_bitmap_with_its_companions)
{
    Source source;
    source.bitmap("a.bmp").bitmap("a_1.bmp").bitmap("b.bmp").bitmap("b_8.bmp").bitmap("unused.bmp");
    ASSERT_TRUE(source.build("<kind name=\"K\">\n<picture name=\"P\" bitmap=\"b.bmp\"/>\n"
                             "<picture name=\"Q\" bitmap=\"a\"/>\n</kind>\n"))
        << source.errors();
    EXPECT_EQ(entry_names(source.dir().file("out.skin")),
        (std::vector<std::string> {"out.skin", "b.bmp", "b_8.bmp", "a.bmp", "a_1.bmp"}));
    skinner::SkinDescription description(source.description());
    ASSERT_TRUE(description.valid());
    EXPECT_EQ(description.picture_names(), (std::vector<std::u16string> {u"b", u"a"}))
        << "order of first use";
}

TEST(SkincBuild, the_test_skin_builds_dumps_and_builds_again_to_the_same_description)
{
    test::TempDir dir;
    std::vector<std::string> messages;
    std::filesystem::path first = dir.native("first.skin");
    ASSERT_TRUE(skinc::build_skin(test::fixture("skins/test_skin.xml"), first, messages));
    std::filesystem::path unpacked = dir.native("unpacked");
    std::string source;
    ASSERT_TRUE(skinc::dump_skin(first, &unpacked, source, messages));
    test::write_file(unpacked / "again.xml", test::Bytes(source.begin(), source.end()));
    std::filesystem::path second = dir.native("second.skin");
    ASSERT_TRUE(skinc::build_skin(unpacked / "again.xml", second, messages)) << messages.front();
    test::Bytes original = skinner::read_skin_description(test::u16(first));
    ASSERT_GT(original.size(), 540u);
    EXPECT_EQ(skinner::read_skin_description(test::u16(second)), original);
    EXPECT_EQ(
        test::read_file(unpacked / "button_1.bmp"), test::read_file(test::fixture("skins/button_1.bmp")));
}

TEST(SkincBuild, texts_with_markup_characters_and_line_ends_survive_the_round_trip)
{
    Source source;
    skinner::SkinModel model;
    model.version = u"V<&>\"'";
    model.kinds = {test::record(u"K&<",
        {test::prop(u"T", std::u16string(u"line\nnext\ttab \"q\" 'a' <b> &amp; \U0001F3B5 \r end  "))})};
    skinner::SkinWriter writer(model);
    ASSERT_TRUE(writer.good());
    test::write_file(source.dir().native("in.skin"), writer.bytes());
    std::string dumped;
    std::vector<std::string> messages;
    ASSERT_TRUE(skinc::dump_skin(source.dir().native("in.skin"), nullptr, dumped, messages));
    ASSERT_TRUE(source.build_raw(dumped)) << source.errors() << dumped;
    EXPECT_EQ(source.description(), writer.bytes()) << dumped;
}

TEST(SkincDump, refuses_what_is_not_a_skin_and_does_not_write_outside_its_folder)
{
    test::TempDir dir;
    test::write_file(dir.native("junk.skin"), test::Bytes(1000, 7));
    std::string source;
    std::vector<std::string> messages;
    EXPECT_FALSE(skinc::dump_skin(dir.native("junk.skin"), nullptr, source, messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("not a skin file with a valid description"), std::string::npos);

    skinner::SkinModel model;
    model.pictures = {{u"../evil"}};
    skinner::SkinWriter writer(model);
    os::ZipWriter zip;
    zip.add("x.skin", writer.bytes());
    zip.add("../evil.bmp", test::make_bmp24(1, 1, {0}));
    test::write_file(dir.native("evil.skin"), zip.finish());
    std::filesystem::path out = dir.native("out/inner");
    messages.clear();
    EXPECT_FALSE(skinc::dump_skin(dir.native("evil.skin"), &out, source, messages));
    EXPECT_FALSE(std::filesystem::exists(dir.native("out/evil.bmp")));
    EXPECT_NE(source.find("<bitmap name=\"../evil\""), std::string::npos) << "the source is still printed";
}

TEST(SkincCommand, builds_dumps_and_reports_with_exit_statuses)
{
    test::TempDir dir;
    std::string skin = dir.native("t.skin").string();
    test::ToolRun run
        = test::run_tool("skinc", "build " + test::fixture("skins/test_skin.xml").string() + " " + skin, dir);
    EXPECT_EQ(run.status, 0) << run.err;
    run = test::run_tool("skinc", "dump " + skin, dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("<form name=\"FormMain2\">"), std::string::npos) << run.out;

    std::string bad = dir.native("bad.xml").string();
    std::string xml = "<skin>\n<x/></skin>";
    test::write_file(bad, test::Bytes(xml.begin(), xml.end()));
    run = test::run_tool("skinc", "build " + bad + " " + dir.native("bad.skin").string(), dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, bad + ":2: error: unknown element <x>\n");
    // Warnings go to standard error and the status stays 0.
    xml = "<skin>\n<form name=\"F\"><control name=\"b\">\n<string name=\"Captoin\" value=\"x\"/>"
          "</control></form></skin>\n";
    test::write_file(bad, test::Bytes(xml.begin(), xml.end()));
    run = test::run_tool("skinc", "build " + bad + " " + dir.native("w.skin").string(), dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, bad + ":3: warning: property {Captoin} is read by no control\n");
    EXPECT_TRUE(std::filesystem::exists(dir.native("w.skin")));
    EXPECT_EQ(test::run_tool("skinc", "compile a b", dir).status, 2);
    EXPECT_EQ(test::run_tool("skinc", "build only-one", dir).status, 2);
}

TEST(SkincWarnings, name_the_line_of_what_nothing_reads_and_the_skin_still_builds)
{
    Source source;
    // A misspelt name on a control and a form, the right name with the wrong type, a form-level
    // name on a control and the reverse, and a kind no Kind... property names.
    ASSERT_TRUE(
        source.build("<form name=\"F\">\n<control name=\"b\">\n<string name=\"Caption\" value=\"x\"/>\n"
                     "<int name=\"Text\" value=\"1\"/>\n<int name=\"StartPosition\" value=\"1\"/>\n"
                     "<string name=\"Text\" value=\"x\"/></control>\n<point name=\"Sise\" value=\"1 1\"/>\n"
                     "<string name=\"Text\" value=\"x\"/><point name=\"Size\" value=\"1 1\"/></form>\n"
                     "<kind name=\"Auto.Button\">\n<string name=\"Cursor\" value=\"HAND\"/></kind>\n"))
        << source.errors();
    EXPECT_TRUE(source.built());
    EXPECT_EQ(source.errors(),
        "4: warning: property {Caption} is read by no control\n"
        "5: warning: property {Text} is read by no control as <int>, only as <string>\n"
        "6: warning: property {StartPosition} is read by no control\n"
        "8: warning: property {Sise} is read by no form\n"
        "9: warning: property {Text} is read by no form\n"
        "10: warning: kind {Auto.Button} is read by no control: no KindScroll, KindHScroll, KindMin, "
        "KindMax, KindSpace, KindTrack or KindEdit names it\n");
}
