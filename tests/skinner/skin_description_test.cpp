// Skin descriptions: the writer, the reader's checks, and the skin handle over them.

#include "liba/little_endian.h"
#include "os/zip_writer.h"
#include "skin_samples.h"
#include "skinner/font_rep.h"
#include "skinner/picture_rep.h"
#include "skinner/properties.h"
#include "skinner/skin_client.h"
#include "skinner/skin_description.h"
#include "support/scoped_config.h"

#include <algorithm>

using namespace skinner::skin_layout;
using skinner::DeviceKind;
using skinner::Point;
using skinner::Properties;
using skinner::PropertyType;
using skinner::Size;
using skinner::SkinDescription;
using skinner::SkinModel;
using skinner::SkinWriter;
using test::point;
using test::prop;
using test::record;
using test::sized_form;

namespace {

uint32_t word_at(const test::Bytes& bytes, uint32_t at)
{
    return liba::load_le32(&bytes[at]);
}

struct Patch {
    uint32_t at, value;
    int width = 4; // bytes
};

bool valid_with(test::Bytes bytes, std::initializer_list<Patch> patches)
{
    for (const Patch& patch : patches)
        for (int i = 0; i < patch.width; ++i)
            bytes[patch.at + uint32_t(i)] = uint8_t(patch.value >> (8 * i));
    return SkinDescription(bytes).valid();
}

// One form "Main" with a control "btn" holding a property of every type, a kind, two pictures and a
// font; the auto control names "btn".
skinner::SkinModel full_model()
{
    skinner::SkinModel model;
    model.version = u"Melodeck_1.00";
    model.devices = u"PS";
    model.sizes = {{240, 320, 0}, {480, 640, 7}};
    model.pictures = {{u"back"}, {u"panel"}};
    model.fonts = {{u"12 0 0 0 Tahoma"}};
    skinner::SkinRecord control = record(u"btn",
        {prop(u"Margin", int32_t(-5)), prop(u"Position", point(-3, 7)),
            prop(u"Caption", std::u16string(u"Menu_Play")),
            prop(u"Frame", skinner::PictureEntry {1, 2, 3, 4, 5, 6, 7, 8, 1, 1}),
            prop(u"Color", skinner::ColourEntry {{1, 2, 3, 4}}), prop(u"Font", skinner::FontEntry {0})});
    model.forms
        = {test::form(u"Main", {prop(u"Size", point(240, 268))}, {control}, {{u"btn", u"Auto.Button", 0}})};
    model.kinds = {record(u"Auto.Button", {prop(u"AnchorX", int32_t(1))})};
    return model;
}

// The errors as "line: message" lines.
std::string errors_of(const SkinModel& model)
{
    SkinWriter writer(model);
    std::string text;
    for (const auto& error : writer.errors())
        text += std::to_string(error.line) + ": " + liba::to_utf8(error.message) + "\n";
    EXPECT_EQ(writer.good(), text.empty());
    EXPECT_EQ(writer.bytes().empty(), !writer.good());
    return text;
}

constexpr Size s_qvga {240, 320};

struct SkinFiles : test::TempDir {
    std::u16string write(std::string_view name, const test::Bytes& bytes)
    {
        test::write_file(native(name), bytes);
        return file(name);
    }
    std::u16string plain(const SkinModel& model, std::string_view name = "plain.skin")
    {
        return write(name, test::describe(model));
    }
    std::u16string language(std::string_view text)
    {
        return write("lang.lng", test::Bytes(text.begin(), text.end()));
    }
};

SkinModel with_main(std::u16string version = u"Melodeck_1.00")
{
    SkinModel model = test::model_with_forms({sized_form(u"FormMain", 1, 1)});
    model.version = std::move(version);
    return model;
}

std::u16string chosen(Properties& properties, std::u16string_view form)
{
    uint32_t record = properties.impl().choose_form(form);
    return record ? properties.impl().description().name(record) : u"(none)";
}

SkinModel query_model()
{
    SkinModel model = test::model_with_forms({test::form(u"FormMain",
        {prop(u"Size", point(100, 100)), prop(u"StartPosition", int32_t(2)), prop(u"Devices", u"P")},
        {record(u"btn",
             {prop(u"Position", point(-7, 9)), prop(u"Width", int32_t(30)),
                 prop(u"Huge", int32_t(0x7FFFFFF0)), prop(u"Caption", u"Menu_Play"),
                 prop(u"Plain", u"No_Key"), prop(u"Cursor", u"HAND"), prop(u"BadCursor", u"hand"),
                 prop(u"KeyCursor", u"Cursor_Key"), prop(u"Color", skinner::ColourEntry {{10, 20, 30, 40}})}),
            record(u"lbl")},
        {{u"lbl", u"Auto.Frame", 0}, {u"btn", u"Auto.Button", 0}})});
    model.sizes = {{240, 320, 0}};
    model.kinds = {record(u"Auto.Button", {prop(u"Width", int32_t(12))})};
    return model;
}

// A form stand-in: counts its reloads and reads a value during each.
struct Client : skinner::SkinClient {
    explicit Client(Properties& skin)
        : skin(skin)
    {
    }
    const Properties* skin_handle() const override { return &skin; }
    void reload_properties() override
    {
        ++reloads;
        width = skin.is_valid() ? skin.get_int(u"FormMain", u"btn", u"Width", -1) : -1;
    }
    Properties& skin;
    int reloads = 0;
    int32_t width = 0;
};

} // namespace

TEST(SkinDescription, reads_back_every_field_the_writer_wrote)
{
    skinner::SkinModel model = full_model();
    SkinDescription description(test::describe(model));
    ASSERT_TRUE(description.valid());
    EXPECT_EQ(description.size_entry(2), skinner::SkinSize {});
    EXPECT_EQ(description.to_model(), model);
    EXPECT_EQ(test::describe(description.to_model()), test::describe(model));
}

TEST(SkinDescription, header_of_exactly_540_bytes_is_valid_and_every_magic_unit_is_checked)
{
    test::Bytes bytes = test::describe(skinner::SkinModel {});
    ASSERT_EQ(bytes.size(), 540u);
    EXPECT_TRUE(valid_with(bytes, {}));
    for (uint32_t unit = 0; unit < 4; ++unit)
        EXPECT_FALSE(valid_with(bytes, {{2 * unit, bytes[2 * unit] ^ 1u, 1}})) << "unit " << unit;
    bytes.pop_back();
    EXPECT_FALSE(valid_with(bytes, {})) << "539 bytes";
}

TEST(SkinDescription, text_fields_need_a_terminator_within_32_units_and_zeros_after_it)
{
    const test::Bytes empty = test::describe(skinner::SkinModel {});
    for (uint32_t field : {s_version, s_devices}) {
        test::Bytes bytes = empty;
        for (uint32_t i = 0; i < 31; ++i)
            liba::store_le16(&bytes[field + 2 * i], u'A');
        EXPECT_TRUE(valid_with(bytes, {})) << "31 units and the terminator fill the field";
        EXPECT_FALSE(valid_with(bytes, {{field + 62, u'A', 2}})) << "no terminator in 32 units";
        EXPECT_FALSE(valid_with(empty, {{field, u'A', 2}, {field + 62, u'B', 2}})) << "a unit after it";
    }
}

TEST(SkinDescription, offsets_counts_and_links_out_of_place_are_refused)
{
    const test::Bytes bytes = test::describe(full_model());
    const uint32_t size = uint32_t(bytes.size());
    const uint32_t form = word_at(bytes, s_form_root);
    const uint32_t control = word_at(bytes, form + 4 * s_word_control_root);
    struct Case {
        const char* what;
        uint32_t at, value;
        bool valid = false;
    };
    const Case cases[] = {{"record name past the end", form + 4 * s_word_name, size},
        {"name list on the last byte", s_name_list, size - 1},
        {"more pictures than names", s_picture_count, 0xFFFFFFFF},
        {"more fonts than names", s_font_count, 0x7FFFFFFF}, {"record inside the header", s_kind_root, 100},
        {"record cut by the end", s_kind_root, size - s_record_size + 1},
        {"record far past the end", s_kind_root, 0xFFFFFFF0}, {"no kinds at all", s_kind_root, 0, true},
        {"auto-control entries past the end", form + 4 * s_word_auto_count, 0x40000000},
        {"a record its own child", form + 4 * s_word_left, form},
        {"one record in two trees", s_kind_root, form},
        {"a loop in a control tree", control + 4 * s_word_right, control}};
    for (const Case& c : cases)
        EXPECT_EQ(valid_with(bytes, {{c.at, c.value}}), c.valid) << c.what;
    // The last two bytes hold no terminator when they are made non-zero.
    test::Bytes cut = bytes;
    cut.insert(cut.end(), {'x', 'y'});
    EXPECT_FALSE(valid_with(cut, {{form + 4 * s_word_name, size}})) << "record name without a terminator";
}

TEST(SkinDescription, table_ranges_must_be_inside_and_whole)
{
    test::Bytes bytes = test::describe(full_model());
    uint32_t form = word_at(bytes, s_form_root);
    uint32_t control = word_at(bytes, form + 4 * s_word_control_root);
    for (size_t type = 0; type < skinner::s_property_type_count; ++type) {
        uint32_t begin_at = control + 4 * (s_word_tables + 2 * uint32_t(type));
        uint32_t begin = word_at(bytes, begin_at);
        uint32_t end = word_at(bytes, begin_at + 4);
        ASSERT_EQ(end - begin, s_entry_size[type]) << "one entry of each type";

        const uint32_t size = uint32_t(bytes.size());
        EXPECT_FALSE(valid_with(bytes, {{begin_at + 4, end - 1}})) << "part of an entry, type " << type;
        EXPECT_FALSE(valid_with(bytes, {{begin_at + 4, begin - s_entry_size[type]}})) << "end before begin";
        EXPECT_FALSE(valid_with(bytes, {{begin_at, size}, {begin_at + 4, size + s_entry_size[type]}}))
            << "past the end, type " << type;
        EXPECT_TRUE(valid_with(bytes, {{begin_at, 0xFFFFFFFF}, {begin_at + 4, 0xFFFFFFFF}}))
            << "begin = end is empty wherever it points, type " << type;
    }
}

TEST(SkinDescription, picture_font_and_string_references_are_checked)
{
    test::Bytes bytes = test::describe(full_model());
    SkinDescription description(bytes);
    uint64_t comparisons = 0;
    uint32_t form = description.form_root();
    uint32_t control = description.find_record(description.control_root(form), u"btn", comparisons);
    uint32_t picture = description.find_property(control, PropertyType::picture, u"Frame", comparisons);
    uint32_t font = description.find_property(control, PropertyType::font, u"Font", comparisons);
    uint32_t caption = description.find_property(control, PropertyType::string, u"Caption", comparisons);
    ASSERT_TRUE(picture && font && caption);

    EXPECT_FALSE(valid_with(bytes, {{picture + 18, 2, 1}})) << "two pictures in the list";
    EXPECT_TRUE(valid_with(bytes, {{picture + 18, 1, 1}}));
    EXPECT_FALSE(valid_with(bytes, {{font + 4, 1}})) << "one font in the list";
    // An odd offset just before the end leaves a single byte: no room for a terminator.
    test::Bytes long_bytes = bytes;
    long_bytes.resize(0x10000, 0xAA);
    EXPECT_FALSE(valid_with(long_bytes, {{caption + 2, 0xFFFF, 2}})) << "string value";
    EXPECT_FALSE(valid_with(long_bytes, {{form + s_form_record_size + 2, 0xFFFF, 2}})) << "auto-control kind";
}

TEST(SkinDescription, every_single_byte_change_gives_a_description_that_reads_safely)
{
    // Run under the sanitizers this shows that validation guards every later read.
    test::Bytes bytes = test::describe(full_model());
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t value : {uint8_t(0), uint8_t(0xFF), uint8_t(bytes[at] + 1)}) {
            test::Bytes changed = bytes;
            changed[at] = value;
            SkinDescription description(changed);
            if (!description.valid())
                continue;
            skinner::SkinModel model = description.to_model();
            uint64_t comparisons = 0;
            for (uint32_t form : description.preorder(description.form_root())) {
                uint32_t control
                    = description.find_record(description.control_root(form), u"btn", comparisons);
                for (size_t type = 0; type < skinner::s_property_type_count; ++type)
                    description.find_property(control, PropertyType(type), u"Margin", comparisons);
            }
        }
    }
}

TEST(SkinDescription, a_deep_degenerate_tree_is_walked_without_recursion)
{
    // 20000 kind records chained by their right children: a list-shaped tree.
    skinner::SkinModel model;
    for (int i = 0; i < 20000; ++i)
        model.kinds.push_back(record(u"k" + liba::to_text(int64_t(100000 + i))));
    test::Bytes bytes = test::describe(model);
    SkinDescription balanced(bytes);
    std::vector<uint32_t> records = balanced.preorder(balanced.kind_root());
    ASSERT_EQ(records.size(), 20000u);
    std::sort(records.begin(), records.end(),
        [&](uint32_t a, uint32_t b) { return balanced.name(a) < balanced.name(b); });
    for (size_t i = 0; i < records.size(); ++i) {
        liba::store_le32(&bytes[records[i] + 4 * s_word_left], 0);
        liba::store_le32(&bytes[records[i] + 4 * s_word_right], i + 1 < records.size() ? records[i + 1] : 0);
    }
    liba::store_le32(&bytes[s_kind_root], records.front());
    SkinDescription chained(bytes);
    ASSERT_TRUE(chained.valid());
    uint64_t comparisons = 0;
    EXPECT_NE(chained.find_record(chained.kind_root(), u"k119999", comparisons), 0u);
    EXPECT_EQ(chained.preorder(chained.kind_root()).size(), 20000u);
}

TEST(SkinDescription, trees_and_tables_out_of_name_order_are_refused)
{
    std::vector<skinner::SkinRecord> controls = {record(u"a"), record(u"b"), record(u"c")};
    skinner::SkinModel model = test::model_with_forms({test::form(
        u"F", {prop(u"x", int32_t(1)), prop(u"y", int32_t(2)), prop(u"z", int32_t(3))}, controls)});
    test::Bytes bytes = test::describe(model);
    ASSERT_TRUE(valid_with(bytes, {}));
    uint32_t form = word_at(bytes, s_form_root);
    uint32_t root = word_at(bytes, form + 4 * s_word_control_root);

    const uint32_t left = word_at(bytes, root + 4 * s_word_left);
    const uint32_t right = word_at(bytes, root + 4 * s_word_right);
    EXPECT_FALSE(valid_with(bytes, {{root + 4 * s_word_left, right}, {root + 4 * s_word_right, left}}))
        << "children swapped";
    // "c" below "b" on the left is out of order even though it is a leaf.
    EXPECT_FALSE(valid_with(bytes, {{root + 4 * s_word_right, 0}, {left + 4 * s_word_right, right}}))
        << "a grandchild on the wrong side of the root";
    // The names of the first two integer entries.
    const uint32_t begin = word_at(bytes, form + 4 * s_word_tables);
    const uint32_t first = liba::load_le16(&bytes[begin]);
    const uint32_t second = liba::load_le16(&bytes[begin + 8]);
    EXPECT_FALSE(valid_with(bytes, {{begin, second, 2}, {begin + 8, first, 2}})) << "table entries swapped";
    EXPECT_TRUE(valid_with(bytes, {{begin + 8, first, 2}})) << "equal neighbours keep the order";
}

TEST(SkinWriter, reports_every_fault_with_its_line_and_accepts_what_is_at_the_limits)
{
    // Duplicate forms, controls and kind properties, and the 257th picture, are refused in skinc's suite.
    SkinModel limits
        = test::model_with_forms({test::form(u"A", {prop(u"S", point(1, 1)), prop(u"S", int32_t(2))})});
    limits.line = 2;
    limits.version = std::u16string(31, u'v');
    limits.devices = std::u16string(31, u'P');
    for (int i = 0; i < 32; ++i)
        limits.sizes.push_back({uint32_t(i + 1), 1, 0, i + 1});
    EXPECT_EQ(errors_of(limits), "") << "one name in two tables is allowed";
    limits.version += u'v';
    limits.sizes.push_back({99, 99, 0, 40});
    EXPECT_EQ(errors_of(limits),
        "2: version {" + std::string(32, 'v') + "} is longer than 31 characters\n40: more than 32 sizes\n");

    SkinModel faults
        = test::model_with_forms({test::form(u"A", {}, {record(u"btn")}, {{u"btm", u"Auto.Button", 8}}),
            test::form(u"B",
                {prop(u"P", skinner::PictureEntry {0, 0, 0, 0, 0, 0, 0, 0, 2, 0}),
                    prop(u"F", skinner::FontEntry {0}), prop(u"", int32_t(1)),
                    prop(u"S", std::u16string(u"a\0b", 3))}),
            test::form(u"")});
    faults.line = 2;
    faults.devices = std::u16string(u"P\0S", 3);
    faults.forms[1].record.properties[0].line = 6;
    faults.forms[1].record.properties[1].line = 7;
    faults.pictures = {{u"x", 3}, {u"x", 5}};
    faults.kinds = {record(u"K"), record(u"K")};
    EXPECT_EQ(errors_of(faults),
        "2: device list holds a zero character\n5: duplicate picture {x}\n"
        "8: auto control {btm} has no control in form {A}\n6: picture index 2 is not in the picture list\n"
        "7: font index 0 is not in the font list\n0: property without a name\n"
        "0: string {S} holds a zero character\n0: form without a name\n0: duplicate kind {K}\n");
}

TEST(PropertiesLoading, archives_take_their_first_skin_entry_and_bad_files_give_invalid_skins)
{
    test::ScopedConfig config;
    config.set_logging(true);
    SkinFiles files;
    Properties plain(files.plain(with_main()), s_qvga);
    EXPECT_TRUE(plain.check_version(u"Melodeck_1.00", s_qvga));
    EXPECT_FALSE(plain.check_version(u"Melodeck_1.01", s_qvga));

    auto zip = [](std::vector<std::pair<std::string, test::Bytes>> entries) {
        os::ZipWriter writer;
        for (const auto& [name, bytes] : entries)
            writer.add(name, bytes);
        return writer.finish();
    };
    auto loads = [&](std::string_view name, const test::Bytes& bytes) {
        return Properties(files.write(name, bytes), s_qvga).is_valid();
    };
    const test::Bytes main = test::describe(with_main());
    Properties archive(files.write("archive.skin",
                           zip({{"notes.txt", {'h', 'i'}}, {"x.skinny", test::describe(with_main(u"Decoy"))},
                               {"Default.SKIN", test::describe(with_main(u"First"))},
                               {"later.skin", test::describe(with_main(u"Second"))}})),
        s_qvga);
    EXPECT_TRUE(archive.check_version(u"First", s_qvga));
    EXPECT_FALSE(loads("broken.skin", zip({{"broken.skin", test::Bytes(600, 0)}, {"good.skin", main}})))
        << "an invalid first entry is not replaced by a later one";
    test::Bytes cut = zip({{"cut.skin", main}});
    cut.resize(30 + 8 + 300);
    EXPECT_FALSE(loads("cut.skin", cut));
    EXPECT_NE(test::ScopedConfig::log_text().find(
                  u"Error: skin [" + files.file("cut.skin") + u"] failed to load from archive\n"),
        std::u16string::npos);
}

struct FormCase {
    std::vector<skinner::SkinForm> forms;
    Size screen;
    DeviceKind kind;
    std::u16string_view query, chosen;
};

TEST(PropertiesForms, the_largest_layout_for_the_device_that_fits_the_work_area_is_chosen)
{
    const DeviceKind pocket = DeviceKind::pocket_pc;
    auto two = [&](int32_t fullscreen) {
        return std::vector {
            sized_form(u"FormMain", 240, 268), sized_form(u"FormMain2", 240, 294, u"", fullscreen)};
    };
    const std::vector<skinner::SkinForm> by_device {
        sized_form(u"FormMain", 100, 100), sized_form(u"FormMainP", 176, 180, u"P")};
    const std::vector<FormCase> cases {{two(0), {240, 346}, pocket, u"FormMain", u"FormMain2"},
        {two(0), {240, 322}, pocket, u"FormMain", u"FormMain"},
        {two(0), {240, 322}, pocket, u"FormMain2", u"(none)"}, // the name is a prefix, not a pattern
        {two(1), {240, 320}, pocket, u"FormMain", u"FormMain2"}, // full screen: against the screen
        {by_device, {176, 220}, DeviceKind::smartphone, u"FormMain", u"FormMain"},
        {by_device, {176, 232}, pocket, u"FormMain", u"FormMainP"},
        {{sized_form(u"FormA", 200, 260), sized_form(u"FormB", 220, 10)}, s_qvga, pocket, u"Form", u"FormB"},
        // Visited FormX2 (the root) first, then FormX1: the latter takes the tie.
        {{sized_form(u"FormX1", 100, 100), sized_form(u"FormX2", 100, 100)}, s_qvga, pocket, u"FormX",
            u"FormX1"},
        {{test::form(u"FormAbout")}, {176, 220}, pocket, u"FormAbout", u"FormAbout"}};
    SkinFiles files;
    int row = 0;
    for (const FormCase& c : cases) {
        Properties properties(
            files.plain(test::model_with_forms(c.forms), "f" + std::to_string(row) + ".skin"), c.screen,
            c.kind);
        EXPECT_EQ(chosen(properties, c.query), c.chosen) << "row " << row++;
    }
}

TEST(PropertiesQueries, lengths_are_scaled_defaults_come_as_given_and_an_empty_form_reads_the_kind)
{
    SkinFiles files;
    Properties properties(files.plain(query_model()), {480, 640});
    ASSERT_EQ(properties.impl().scale(), 2);
    EXPECT_EQ(properties.get_point(u"FormMain", u"btn", u"Position", {}), (Point {-14, 18}));
    EXPECT_EQ(properties.get_int(u"FormMain", u"btn", u"Width", 0), 30);
    EXPECT_EQ(properties.get_int_scaled(u"FormMain", u"btn", u"Width", 0), 60);
    EXPECT_EQ(properties.get_int_scaled(u"FormMain", u"btn", u"Huge", 0), INT32_MAX)
        << "held at the range end";
    EXPECT_EQ(properties.get_form_int(u"FormMain", u"StartPosition", 0), 2);
    EXPECT_EQ(properties.get_form_point(u"FormMain", u"Size", {}), (Point {200, 200}));
    EXPECT_EQ(properties.get_color(u"FormMain", u"btn", u"Color", {}), (skinner::Color {10, 20, 30, 40}));
    // A missing property gives the default exactly as given.
    EXPECT_EQ(properties.get_point(u"FormMain", u"btn", u"Nothing", {3, 4}), (Point {3, 4}));
    EXPECT_EQ(properties.get_int_scaled(u"FormMain", u"btn", u"Nothing", 5), 5);
    EXPECT_EQ(properties.get_form_point(u"FormMain", u"Nothing", {7, 8}), (Point {7, 8}));
    EXPECT_EQ(properties.get_int(u"FormMain", u"btn", u"Position", -1), -1) << "a point is not an integer";
    EXPECT_FALSE(properties.get_picture(u"FormMain", u"btn", u"Nothing", skinner::Picture()).has_image());
    EXPECT_EQ(properties.get_font(u"FormMain", u"btn", u"Nothing", skinner::Font(3)).scale(), 3);
    EXPECT_EQ(properties.get_cursor(u"FormMain", u"btn", u"Nothing", os::Cursor::wait), os::Cursor::wait);
    EXPECT_EQ(
        properties.get_color(u"FormMain", u"lbl", u"Color", {1, 2, 3, 4}), (skinner::Color {1, 2, 3, 4}));
    // An empty form name reads the kind record.
    EXPECT_EQ(properties.get_int(u"", u"Auto.Button", u"Width", 0), 12);
    EXPECT_EQ(properties.get_int(u"", u"", u"Width", 77), 77) << "no kind name, no record";
    EXPECT_EQ(chosen(properties, u""), u"(none)");
}

TEST(PropertiesQueries, strings_are_translated_but_devices_and_cursors_never)
{
    SkinFiles files;
    Properties properties(files.plain(query_model()), s_qvga);
    ASSERT_TRUE(
        properties.set_language(files.language("Menu_Play Play now\nP S\nHAND WAIT\nCursor_Key HAND\n")));
    EXPECT_EQ(properties.get_string(u"FormMain", u"btn", u"Caption", u""), u"Play now");
    EXPECT_EQ(properties.get_string(u"FormMain", u"btn", u"Plain", u""), u"No_Key")
        << "falls back to the value";
    EXPECT_EQ(properties.get_string(u"FormMain", u"btn", u"Gone", u"Menu_Play"), u"Menu_Play")
        << "defaults are not translated";
    EXPECT_EQ(properties.get_cursor(u"FormMain", u"btn", u"Cursor", os::Cursor::arrow), os::Cursor::hand);
    EXPECT_EQ(properties.get_cursor(u"FormMain", u"btn", u"KeyCursor", os::Cursor::arrow), os::Cursor::arrow);
    EXPECT_EQ(properties.get_cursor(u"FormMain", u"btn", u"BadCursor", os::Cursor::no), os::Cursor::no);
    // "Devices" P, translated, would read S and exclude the form on a Pocket PC; a new name makes
    // a new choice, under the new language.
    EXPECT_EQ(chosen(properties, u"Form"), u"FormMain");
}

TEST(PropertiesRefresh, reloads_and_languages_refresh_the_forms_and_failures_say_so)
{
    SkinFiles files;
    SkinModel after = query_model();
    after.forms[0].controls[0].properties[1].value = int32_t(99);
    Properties skin(files.plain(query_model(), "before.skin"), s_qvga);
    Client form(skin);
    skin.reload(files.plain(after, "after.skin"), s_qvga);
    EXPECT_EQ(form.width, 99);
    EXPECT_EQ(skin.impl().path(), files.file("after.skin"));

    ASSERT_TRUE(skin.set_language(files.language("Menu_Play= Spielen")));
    EXPECT_EQ(form.reloads, 2);
    EXPECT_FALSE(skin.set_language(files.file("absent.lng")));
    EXPECT_EQ(form.reloads, 2) << "no refresh after a failure; the old language stays";
    EXPECT_EQ(skin.get_string(u"FormMain", u"btn", u"Caption", u""), u" Spielen");

    skin.reload(files.file("missing.skin"), s_qvga);
    EXPECT_FALSE(skin.is_valid()) << "an invalid skin replaces the old one too; the caller checks";
    skin.reload(files.plain(query_model()), files.language("Menu_Play Abspielen\n"), s_qvga);
    EXPECT_TRUE(skin.is_valid());
    EXPECT_EQ(skin.get_string(u"FormMain", u"btn", u"Caption", u""), u"Abspielen");
    skin.reload(skin.impl().path(), files.file("absent.lng"), s_qvga);
    EXPECT_EQ(skin.get_string(u"FormMain", u"btn", u"Caption", u""), u"Menu_Play")
        << "an unreadable language leaves no translations";
}

TEST(PropertiesDeathTest, a_missing_control_or_kind_ends_the_program_with_its_report)
{
    SkinFiles files;
    Properties skin(files.plain(query_model()), s_qvga);
    EXPECT_EXIT(skin.get_int(u"FormMain", u"nope", u"Width", 0), test::failed_exit,
        "report_no_control: Skin file \\{.*plain.skin\\} form \\{FormMain\\} has no control \\{nope\\}");
    EXPECT_EXIT(skin.get_point(u"FormNone", u"btn", u"Position", {}), test::failed_exit,
        "report_no_control: .* form \\{FormNone\\} has no control \\{btn\\}");
    EXPECT_EXIT(skin.get_int(u"", u"Auto.Nothing", u"Width", 0), test::failed_exit,
        "report_no_form: Skin file \\{.*\\} has no kind \\{Auto.Nothing\\}");
    Properties invalid(files.file("absent.skin"), s_qvga);
    EXPECT_EXIT(invalid.get_int(u"FormMain", u"btn", u"Width", 0), test::failed_exit,
        "report_no_skin: Skin file \\{.*absent.skin\\} was invalid, but no check_version performed");
}

TEST(PropertiesDeathTest, no_fitting_form_reports_the_work_area_and_the_trace)
{
    test::ScopedConfig config;
    config.set_logging(true);
    SkinFiles files;
    Properties skin(
        files.plain(test::model_with_forms({sized_form(u"FormMain", 240, 300), sized_form(u"Other", 1, 1)})),
        s_qvga);
    EXPECT_EXIT(skin.get_form_int(u"FormMain", u"StartPosition", 0), test::failed_exit,
        "report_no_form: Skin file \\{.*\\} has no form \\{FormMain\\} for workarea_size=240 268. list of "
        "all forms:");
    std::u16string log = test::ScopedConfig::log_text();
    EXPECT_NE(log.find(u"has no form {FormMain} for workarea_size=240 268. list of all forms:\n"
                       u"-Other\n+FormMain Size=240 300 Devices= good_for_device\n @ report_no_form\n"),
        std::u16string::npos)
        << liba::to_utf8(log);
}
