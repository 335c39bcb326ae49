#include "liba/memory_reader.h"
#include "liba/text.h"
#include "liba/zip_file.h"
#include "support/test_support.h"

#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr uint16_t s_deflate = 8;
constexpr uint16_t s_data_descriptor_flag = 0x0008;

test::ByteWriter& local_header(test::ByteWriter& w, std::string_view name, uint32_t compressed, uint32_t size,
    uint16_t method = 0, std::string_view extra = {}, uint16_t flags = 0)
{
    w.u32(0x04034B50).u16(10).u16(flags).u16(method).u16(0).u16(0).u32(0xDEADBEEF);
    w.u32(compressed).u32(size).u16(uint16_t(name.size())).u16(uint16_t(extra.size()));
    return w.raw(name).raw(extra);
}

void stored(test::ByteWriter& w, std::string_view name, std::string_view data, std::string_view extra = {})
{
    local_header(w, name, uint32_t(data.size()), uint32_t(data.size()), 0, extra).raw(data);
}

std::unique_ptr<liba::ZipFile> open(const test::Bytes& bytes)
{
    return std::make_unique<liba::ZipFile>(std::make_unique<liba::MemoryReader>(bytes));
}

std::string read_text(liba::ZipFile& zip, uint32_t count = 1000)
{
    std::string out(count, '\0');
    out.resize(zip.read(out.data(), count));
    return out;
}

} // namespace

TEST(ZipFile, walks_stored_entries_in_file_order_until_a_deflated_one_or_the_central_directory)
{
    test::ByteWriter w;
    stored(w, "default.skin", "SKIN");
    stored(w, "Pics/Back_1.bmp", "BM0123", std::string("\x55\x54\x05\x00\x01\x02\x03\x04\x05", 9));
    stored(w, "Caf\xE9 \x80.bmp", "1252"); // names are Windows-1252 unless valid UTF-8
    stored(w, "Stra\xC3\x9F\x65.bmp", "utf8"); // \x65: an "e" after the hex escape
    stored(w, std::string("cut\0garbage", 11), "zero");
    local_header(w, "odd.bin", 3, 3, s_deflate).raw("xyz"); // equal sizes mark it stored, whatever the method
    local_header(w, "deflated.bmp", 5, 9, s_deflate).raw("zzzzz");
    stored(w, "hidden.bmp", "three");
    w.u32(0x02014B50).raw(std::string(42, '\0')); // central directory
    w.u32(0x06054B50).raw(std::string(18, '\0'));
    auto zip = open(w.bytes);

    const std::pair<std::u16string_view, std::string_view> walk[]
        = {{u"default.skin", "SKIN"}, {u"Pics/Back_1.bmp", "BM0123"}, {u"Caf\u00E9 \u20AC.bmp", "1252"},
            {u"Stra\u00DFe.bmp", "utf8"}, {u"cut", "zero"}, {u"odd.bin", "xyz"}};
    for (const auto& [name, data] : walk) {
        ASSERT_EQ(zip->next_entry(), name);
        EXPECT_EQ(read_text(*zip), data);
    }
    EXPECT_EQ(zip->next_entry(), u"");
    EXPECT_TRUE(zip->good());
    EXPECT_FALSE(zip->find(u"hidden.bmp"));
    EXPECT_TRUE(zip->find(u"CAF\u00C9 \u20AC.BMP"));
    EXPECT_EQ(read_text(*zip), "1252");

    // A missing or failed archive stream ends the walk at once.
    EXPECT_FALSE(liba::ZipFile(nullptr).find(u"x"));
    auto failed = std::make_unique<liba::MemoryReader>(w.bytes);
    failed->add_error(u"can't open file");
    EXPECT_EQ(liba::ZipFile(std::move(failed)).next_entry(), u"");
}

TEST(ZipFile, find_compares_names_like_paths_shares_its_index_and_reads_stay_inside_the_entry)
{
    test::ByteWriter w;
    stored(w, "Skin/Main.SKIN", "main");
    stored(w, "Pics/Caf\xC3\xA9.bmp", "cafe");
    stored(w, "\xC3\x84lt//", "");
    stored(w, "B/", "");
    stored(w, "b", "");
    stored(w, "digits", "0123456789");
    auto zip = open(w.bytes);
    // find rewinds; a name ending in two separators (accented or not) loses one; a miss leaves no entry.
    const std::pair<std::u16string_view, const char*> cases[]
        = {{u"skin\\main.skin", "main"}, {u"pics/CAF\u00C9.BMP/", "cafe"}, {u"Skin/Main.skin", "main"},
            {u"\u00C4LT//", ""}, {u"\u00C4lt", nullptr}, {u"skin/main.ski", nullptr}, {u"pics//", nullptr}};
    for (const auto& [name, data] : cases) {
        EXPECT_EQ(zip->find(name), data != nullptr) << liba::to_utf8(name);
        EXPECT_EQ(read_text(*zip), data ? data : "") << liba::to_utf8(name);
    }
    EXPECT_TRUE(liba::same_entry_name(u"\u0416\\X", u"\u0436/x/"));
    EXPECT_FALSE(liba::same_entry_name(u"/a", u"a"));

    // An index made once leaves the walk where it was; a reader given it finds what its own walk
    // would, first of equal names included.
    zip = open(w.bytes);
    ASSERT_EQ(zip->next_entry(), u"Skin/Main.SKIN");
    std::shared_ptr<const liba::ZipIndex> index = zip->index();
    EXPECT_EQ(zip->next_entry(), u"Pics/Caf\u00E9.bmp");
    liba::ZipFile second(std::make_unique<liba::MemoryReader>(w.bytes), index);
    ASSERT_TRUE(second.find(u"b"));
    EXPECT_EQ(second.next_entry(), u"b") << "the folder entry comes first";

    ASSERT_TRUE(second.find(u"digits"));
    EXPECT_EQ(read_text(second, 100), "0123456789") << "never past the entry";
    EXPECT_EQ(read_text(second, 0), "");
    liba::ResourceWriter& writer = second; // writes nothing and shares the reader's positions
    EXPECT_EQ(writer.write("xyz", 3), 0u);
    EXPECT_EQ(writer.size(), 10u);
    EXPECT_TRUE(writer.seek(3));
    EXPECT_EQ(second.skip(-100), -3); // never before the start of the entry
    EXPECT_EQ(second.skip(100), 10); // never past its end
    EXPECT_EQ(second.tell(), 10u);
    // A seek past the end is kept, but nothing of the next entry is read from there.
    EXPECT_TRUE(second.seek(12));
    EXPECT_EQ(read_text(second), "");
    EXPECT_EQ(second.skip(-4), -4);
    EXPECT_EQ(read_text(second), "89");
    EXPECT_EQ(second.skip(std::numeric_limits<int32_t>::min()), -10);
    EXPECT_FALSE(second.find(u"c"));

    zip = open(test::Bytes(w.bytes.begin(), w.bytes.end() - 4)); // a cut archive gives short reads
    ASSERT_TRUE(zip->find(u"digits"));
    EXPECT_EQ(read_text(*zip, 100), "012345");
    EXPECT_EQ(zip->next_entry(), u"");

    test::ByteWriter h; // huge declared sizes are bounded by the archive
    zip = open(local_header(h, "huge", 0xFFFFFFF0u, 0xFFFFFFF0u).raw("tail").bytes);
    ASSERT_TRUE(zip->find(u"huge"));
    EXPECT_EQ(read_text(*zip, 1u << 20), "tail");
    EXPECT_TRUE(zip->seek(0xFFFFFF00u));
    EXPECT_EQ(read_text(*zip), "");
    EXPECT_EQ(zip->next_entry(), u"");
}

// Archives whose walk ends early: the entries before the fault are found, none after it.
TEST(ZipFile, the_walk_ends_at_what_it_cannot_read)
{
    auto around = [](const std::function<void(test::ByteWriter&)>& fault) {
        test::ByteWriter w;
        stored(w, "first", "11111");
        fault(w);
        stored(w, "later", "later");
        return w.bytes;
    };
    test::ByteWriter w; // cut inside the signature, the sizes, the name and the extra field of a header
    stored(w, "first", "11111");
    size_t second = w.bytes.size();
    stored(w, "second.bmp", "22222", "EXTRA");
    std::vector<test::Bytes> cases {
        around([](test::ByteWriter& w) { w.tag("RIFF").u32(40).tag("WAVE").raw(std::string(40, '\0')); }),
        around([](test::ByteWriter& w) { stored(w, "", "anonymous"); }),
        around([](test::ByteWriter& w) { // a data descriptor
            local_header(w, "streamed.bmp", 0, 0, 0, {}, s_data_descriptor_flag).raw("BMdata");
            w.u32(0x08074B50).u32(0x12345678).u32(6).u32(6);
        }),
        // Its data starts at 71: with 32-bit offsets a size of 2^32 - 71 would lead back to the start.
        around([](test::ByteWriter& w) { local_header(w, "a", 0u - 71u, 0u - 71u); })};
    for (size_t at : {2u, 29u, 42u})
        cases.emplace_back(w.bytes.begin(), w.bytes.begin() + long(second + at));
    for (size_t at : {26u, 28u}) { // a name or extra length past the end
        cases.push_back(around([at](test::ByteWriter& w) {
            size_t header = w.bytes.size();
            local_header(w, "n", 0, 0);
            w.bytes[header + at] = w.bytes[header + at + 1] = 0xFF;
        }));
    }
    for (const test::Bytes& bytes : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes.size()));
        auto zip = open(bytes);
        EXPECT_EQ(zip->next_entry(), u"first");
        EXPECT_EQ(read_text(*zip), "11111");
        std::u16string next = zip->next_entry();
        EXPECT_TRUE(next.empty() || next == u"streamed.bmp" || next == u"a") << liba::to_utf8(next);
        EXPECT_EQ(next.empty() ? 0u : zip->size(), next == u"a" ? 0u - 71u : 0u);
        EXPECT_EQ(zip->next_entry(), u"");
        EXPECT_FALSE(zip->find(u"later"));
    }
}
