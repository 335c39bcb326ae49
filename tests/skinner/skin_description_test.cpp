#include "skinner/skin_description.h"

#include "liba/little_endian.h"
#include "liba/text.h"
#include "skin_samples.h"
#include "skinner/skin_writer.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using skinner::PropertyType;
using skinner::SkinDescription;
using skinner::SkinModel;
using skinner::SkinWriter;
using namespace skinner::skin_layout;

namespace {

uint32_t word_at(const test::Bytes& bytes, uint32_t at)
{
    return liba::load_le32(&bytes[at]);
}

void set_word(test::Bytes& bytes, uint32_t at, uint32_t value)
{
    liba::store_le32(&bytes[at], value);
}

void set_half(test::Bytes& bytes, uint32_t at, uint16_t value)
{
    liba::store_le16(&bytes[at], value);
}

bool valid(const test::Bytes& bytes)
{
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
    skinner::SkinRecord control = test::record(u"btn",
        {test::prop(u"Margin", int32_t(-5)), test::prop(u"Position", test::point(-3, 7)),
            test::prop(u"Caption", std::u16string(u"Menu_Play")),
            test::prop(u"Frame", skinner::PictureEntry {1, 2, 3, 4, 5, 6, 7, 8, 1, 1}),
            test::prop(u"Color", skinner::ColourEntry {{1, 2, 3, 4}}),
            test::prop(u"Font", skinner::FontEntry {0})});
    model.forms = {test::form(
        u"Main", {test::prop(u"Size", test::point(240, 268))}, {control}, {{u"btn", u"Auto.Button", 0}})};
    model.kinds = {test::record(u"Auto.Button", {test::prop(u"AnchorX", int32_t(1))})};
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

SkinModel shuffled(SkinModel model, unsigned seed)
{
    std::mt19937 random(seed);
    std::shuffle(model.forms.begin(), model.forms.end(), random);
    std::shuffle(model.kinds.begin(), model.kinds.end(), random);
    for (skinner::SkinForm& form : model.forms) {
        std::shuffle(form.controls.begin(), form.controls.end(), random);
        std::shuffle(form.record.properties.begin(), form.record.properties.end(), random);
        for (skinner::SkinRecord& control : form.controls)
            std::shuffle(control.properties.begin(), control.properties.end(), random);
    }
    return model;
}

} // namespace

TEST(SkinDescription, reads_back_every_field_the_writer_wrote)
{
    skinner::SkinModel model = full_model();
    SkinDescription description(test::describe(model));
    ASSERT_TRUE(description.valid());
    EXPECT_EQ(description.version(), u"Melodeck_1.00");
    EXPECT_EQ(description.devices(), u"PS");
    EXPECT_EQ(description.size_entry(1).reserved, 7u);
    EXPECT_EQ(description.size_entry(2), skinner::SkinSize {});
    EXPECT_EQ(description.picture_names(), (std::vector<std::u16string> {u"back", u"panel"}));
    EXPECT_EQ(description.font_descriptions(), std::vector<std::u16string> {u"12 0 0 0 Tahoma"});
    EXPECT_EQ(description.to_model(), model);
    EXPECT_EQ(test::describe(description.to_model()), test::describe(model));
}

TEST(SkinWriter, layout_follows_names_not_the_source_order_but_keeps_the_orders_that_carry_meaning)
{
    SkinModel model = full_model();
    std::vector<skinner::SkinRecord> controls;
    for (int c = 0; c < 7; ++c)
        controls.push_back(test::record(u"ctl" + liba::to_text(int64_t(c)),
            {test::prop(u"Width", int32_t(c)), test::prop(u"Text", u"t"), test::prop(u"X", int32_t(1))}));
    for (int f = 0; f < 4; ++f)
        model.forms.push_back(test::form(u"Form" + liba::to_text(int64_t(f)),
            {test::prop(u"Size", test::point(240, int16_t(200 + f))), test::prop(u"Devices", u"P")}, controls,
            {{u"ctl1", u"Auto.Button", 0}, {u"ctl0", u"Auto.Frame", 0}}));
    model.kinds.push_back(test::record(u"Auto.Frame"));
    const test::Bytes reference = test::describe(model);
    for (unsigned seed = 1; seed <= 5; ++seed)
        EXPECT_EQ(test::describe(shuffled(model, seed)), reference) << "seed " << seed;
    SkinModel changed = model;
    std::swap(changed.pictures[0], changed.pictures[1]);
    EXPECT_NE(test::describe(changed), reference);
    changed = model;
    for (size_t f = 1; f < changed.forms.size(); ++f)
        std::swap(changed.forms[f].auto_controls[0], changed.forms[f].auto_controls[1]);
    EXPECT_NE(test::describe(changed), reference);
    for (const skinner::SkinForm& form : SkinDescription(test::describe(changed)).to_model().forms)
        EXPECT_EQ(form.auto_controls[0].control, form.auto_controls.size() == 2 ? u"ctl0" : u"btn");
}

TEST(SkinDescription, header_of_exactly_540_bytes_is_valid_and_every_magic_unit_is_checked)
{
    test::Bytes bytes = test::describe(skinner::SkinModel {});
    ASSERT_EQ(bytes.size(), 540u);
    EXPECT_TRUE(valid(bytes));
    for (uint32_t unit = 0; unit < 4; ++unit) {
        test::Bytes changed = bytes;
        changed[2 * unit] ^= 1;
        EXPECT_FALSE(valid(changed)) << "unit " << unit;
    }
    bytes.pop_back();
    EXPECT_FALSE(valid(bytes)) << "539 bytes";
}

TEST(SkinDescription, text_fields_need_a_terminator_within_32_units_and_zeros_after_it)
{
    for (uint32_t field : {s_version, s_devices}) {
        test::Bytes bytes = test::describe(skinner::SkinModel {});
        for (uint32_t i = 0; i < 31; ++i)
            set_half(bytes, field + 2 * i, u'A');
        EXPECT_TRUE(valid(bytes)) << "31 units and the terminator fill the field";
        set_half(bytes, field + 62, u'A');
        EXPECT_FALSE(valid(bytes)) << "no terminator in 32 units";

        bytes = test::describe(skinner::SkinModel {});
        set_half(bytes, field, u'A');
        set_half(bytes, field + 62, u'B');
        EXPECT_FALSE(valid(bytes)) << "a unit after the terminator";
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
        uint32_t at;
        uint32_t value;
        bool valid = false;
    };
    const Case cases[] = {
        {"record name past the end", form + 4 * s_word_name, size},
        {"name list on the last byte", s_name_list, size - 1},
        {"more pictures than names", s_picture_count, 0xFFFFFFFF},
        {"more fonts than names", s_font_count, 0x7FFFFFFF},
        {"record inside the header", s_kind_root, 100},
        {"record cut by the end", s_kind_root, size - s_record_size + 1},
        {"record far past the end", s_kind_root, 0xFFFFFFF0},
        {"no kinds at all", s_kind_root, 0, true},
        {"auto-control entries past the end", form + 4 * s_word_auto_count, 0x40000000},
        {"a record its own child", form + 4 * s_word_left, form},
        {"one record in two trees", s_kind_root, form},
        {"a loop in a control tree", control + 4 * s_word_right, control},
    };
    for (const Case& c : cases) {
        test::Bytes changed = bytes;
        set_word(changed, c.at, c.value);
        EXPECT_EQ(valid(changed), c.valid) << c.what;
    }
    // The last two bytes hold no terminator when they are made non-zero.
    test::Bytes cut = bytes;
    cut.push_back('x');
    cut.push_back('y');
    set_word(cut, form + 4 * s_word_name, size);
    EXPECT_FALSE(valid(cut)) << "record name without a terminator";
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

        test::Bytes changed = bytes;
        set_word(changed, begin_at + 4, end - 1);
        EXPECT_FALSE(valid(changed)) << "part of an entry, type " << type;

        changed = bytes;
        set_word(changed, begin_at + 4, begin - s_entry_size[type]);
        EXPECT_FALSE(valid(changed)) << "end before begin, type " << type;

        changed = bytes;
        set_word(changed, begin_at, uint32_t(bytes.size()));
        set_word(changed, begin_at + 4, uint32_t(bytes.size() + s_entry_size[type]));
        EXPECT_FALSE(valid(changed)) << "past the end, type " << type;

        changed = bytes;
        set_word(changed, begin_at, 0xFFFFFFFF);
        set_word(changed, begin_at + 4, 0xFFFFFFFF);
        EXPECT_TRUE(valid(changed)) << "begin = end is empty wherever it points, type " << type;
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

    test::Bytes changed = bytes;
    changed[picture + 18] = 2; // two pictures in the list
    EXPECT_FALSE(valid(changed));
    changed[picture + 18] = 1;
    EXPECT_TRUE(valid(changed));
    changed = bytes;
    set_word(changed, font + 4, 1); // one font in the list
    EXPECT_FALSE(valid(changed));

    // An odd offset just before the end leaves a single byte: no room for a terminator.
    for (uint32_t at : {caption + 2, form + s_form_record_size + 2}) {
        changed = bytes;
        changed.resize(0x10000, 0xAA);
        set_half(changed, at, 0xFFFF);
        EXPECT_FALSE(valid(changed)) << (at == caption + 2 ? "string value" : "auto-control kind");
    }
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
        model.kinds.push_back(test::record(u"k" + liba::to_text(int64_t(100000 + i))));
    test::Bytes bytes = test::describe(model);
    SkinDescription balanced(bytes);
    std::vector<uint32_t> records = balanced.preorder(balanced.kind_root());
    ASSERT_EQ(records.size(), 20000u);
    std::sort(records.begin(), records.end(),
        [&](uint32_t a, uint32_t b) { return balanced.name(a) < balanced.name(b); });
    for (size_t i = 0; i < records.size(); ++i) {
        set_word(bytes, records[i] + 4 * s_word_left, 0);
        set_word(bytes, records[i] + 4 * s_word_right, i + 1 < records.size() ? records[i + 1] : 0);
    }
    set_word(bytes, s_kind_root, records.front());
    SkinDescription chained(bytes);
    ASSERT_TRUE(chained.valid());
    uint64_t comparisons = 0;
    EXPECT_NE(chained.find_record(chained.kind_root(), u"k119999", comparisons), 0u);
    EXPECT_EQ(chained.preorder(chained.kind_root()).size(), 20000u);
}

TEST(SkinDescription, trees_and_tables_out_of_name_order_are_refused)
{
    std::vector<skinner::SkinRecord> controls = {test::record(u"a"), test::record(u"b"), test::record(u"c")};
    skinner::SkinModel model = test::model_with_forms({test::form(u"F",
        {test::prop(u"x", int32_t(1)), test::prop(u"y", int32_t(2)), test::prop(u"z", int32_t(3))},
        controls)});
    test::Bytes bytes = test::describe(model);
    ASSERT_TRUE(valid(bytes));
    uint32_t form = word_at(bytes, s_form_root);
    uint32_t root = word_at(bytes, form + 4 * s_word_control_root);

    test::Bytes changed = bytes;
    uint32_t left = word_at(bytes, root + 4 * s_word_left);
    set_word(changed, root + 4 * s_word_left, word_at(bytes, root + 4 * s_word_right));
    set_word(changed, root + 4 * s_word_right, left);
    EXPECT_FALSE(valid(changed)) << "children swapped";

    // "c" below "b" on the left is out of order even though it is a leaf.
    changed = bytes;
    uint32_t right = word_at(bytes, root + 4 * s_word_right);
    set_word(changed, root + 4 * s_word_right, 0);
    set_word(changed, left + 4 * s_word_right, right);
    EXPECT_FALSE(valid(changed)) << "a grandchild on the wrong side of the root";

    // Swap the names of the first two integer entries.
    changed = bytes;
    uint32_t begin = word_at(bytes, form + 4 * s_word_tables);
    uint16_t first = uint16_t(changed[begin] | changed[begin + 1] << 8);
    uint16_t second = uint16_t(changed[begin + 8] | changed[begin + 9] << 8);
    set_half(changed, begin, second);
    set_half(changed, begin + 8, first);
    EXPECT_FALSE(valid(changed)) << "table entries swapped";
    set_half(changed, begin, first);
    EXPECT_TRUE(valid(changed)) << "equal neighbours keep the order";
}

TEST(SkinWriter, refuses_duplicate_names_with_their_lines)
{
    // Forms, controls and a kind's properties are checked through skinc's own suite.
    SkinModel model = test::model_with_forms({});
    model.kinds = {test::record(u"K"), test::record(u"K")};
    EXPECT_NE(errors_of(model).find("duplicate kind {K}"), std::string::npos);

    model = test::model_with_forms(
        {test::form(u"A", {test::prop(u"Size", test::point(1, 1)), test::prop(u"Size", test::point(2, 2))})});
    model.forms[0].record.properties[1].line = 9;
    EXPECT_EQ(errors_of(model), "9: duplicate point property {Size} in {A}\n");

    model = test::model_with_forms(
        {test::form(u"A", {test::prop(u"Size", test::point(1, 1)), test::prop(u"Size", int32_t(2))})});
    EXPECT_EQ(errors_of(model), "") << "one name in two tables is allowed";

    model = test::model_with_forms({});
    model.pictures = {{u"x", 3}, {u"x", 5}};
    EXPECT_EQ(errors_of(model), "5: duplicate picture {x}\n");
}

TEST(SkinWriter, at_most_256_pictures_and_32_sizes)
{
    SkinModel model = test::model_with_forms({});
    for (int i = 0; i < 256; ++i)
        model.pictures.push_back({u"p" + liba::to_text(int64_t(i)), i + 1});
    EXPECT_EQ(errors_of(model), "");
    model.pictures.push_back({u"extra", 300});
    EXPECT_EQ(errors_of(model), "300: more than 256 pictures\n");

    model = test::model_with_forms({});
    for (int i = 0; i < 32; ++i)
        model.sizes.push_back({uint32_t(i + 1), 1, 0, i + 1});
    EXPECT_EQ(errors_of(model), "");
    model.sizes.push_back({99, 99, 0, 40});
    EXPECT_EQ(errors_of(model), "40: more than 32 sizes\n");
}

TEST(SkinWriter, indices_must_name_list_entries)
{
    SkinModel model = test::model_with_forms(
        {test::form(u"A", {test::prop(u"P", skinner::PictureEntry {0, 0, 0, 0, 0, 0, 0, 0, 1, 0})})});
    model.pictures = {{u"only"}};
    model.forms[0].record.properties[0].line = 6;
    EXPECT_EQ(errors_of(model), "6: picture index 1 is not in the picture list\n");
    model.forms[0].record.properties[0].value = skinner::FontEntry {0};
    EXPECT_EQ(errors_of(model), "6: font index 0 is not in the font list\n");
}

TEST(SkinWriter, names_must_be_present_and_free_of_zero_characters)
{
    EXPECT_NE(
        errors_of(test::model_with_forms({test::form(u"")})).find("form without a name"), std::string::npos);
    SkinModel model = test::model_with_forms({test::form(u"A", {test::prop(u"", int32_t(1))})});
    EXPECT_NE(errors_of(model).find("property without a name"), std::string::npos);
    model = test::model_with_forms({test::form(u"A", {test::prop(u"S", std::u16string(u"a\0b", 3))})});
    EXPECT_NE(errors_of(model).find("string {S} holds a zero character"), std::string::npos);
}

TEST(SkinWriter, auto_controls_must_name_controls_of_their_form)
{
    SkinModel model = test::model_with_forms(
        {test::form(u"A", {}, {test::record(u"btn")}, {{u"btm", u"Auto.Button", 8}})});
    EXPECT_EQ(errors_of(model), "8: auto control {btm} has no control in form {A}\n");
}

TEST(SkinWriter, version_and_device_texts_fit_31_characters)
{
    SkinModel model = test::model_with_forms({});
    model.line = 2;
    model.version = std::u16string(31, u'v');
    model.devices = std::u16string(31, u'P');
    EXPECT_EQ(errors_of(model), "");
    model.version += u'v';
    EXPECT_NE(errors_of(model).find("2: version {"), std::string::npos);
    model.version = u"ok";
    model.devices = std::u16string(u"P\0S", 3);
    EXPECT_EQ(errors_of(model), "2: device list holds a zero character\n");
}
