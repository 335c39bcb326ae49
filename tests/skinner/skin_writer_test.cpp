#include "skinner/skin_writer.h"

#include "liba/text.h"
#include "skin_samples.h"
#include "skinner/skin_description.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using skinner::SkinModel;
using skinner::SkinWriter;

namespace {

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

SkinModel sample()
{
    SkinModel model = test::model_with_forms({});
    model.pictures = {{u"p0"}, {u"p1"}};
    model.fonts = {{u"12 0 0 0 Tahoma"}, {u"9 1 0 0 Arial"}};
    for (int f = 0; f < 5; ++f) {
        std::vector<skinner::SkinRecord> controls;
        for (int c = 0; c < 7; ++c) {
            std::u16string n = liba::to_text(int64_t(c));
            controls.push_back(test::record(u"ctl" + n,
                {test::prop(u"Position", test::point(int16_t(c), int16_t(f))), test::prop(u"Text", u"t" + n),
                    test::prop(u"Width", int32_t(c * 10)),
                    test::prop(u"Pic", skinner::PictureEntry {0, 0, 1, 1, 2, 2, 3, 3, 1, 0}),
                    test::prop(u"Font", skinner::FontEntry {uint32_t(c % 2)})}));
        }
        model.forms.push_back(test::form(u"Form" + liba::to_text(int64_t(f)),
            {test::prop(u"Size", test::point(240, int16_t(200 + f))), test::prop(u"Devices", u"P")}, controls,
            {{u"ctl1", u"Auto.Button", 0}, {u"ctl0", u"Auto.Frame", 0}}));
    }
    model.kinds
        = {test::record(u"Auto.Button", {test::prop(u"Cursor", u"HAND")}), test::record(u"Auto.Frame")};
    return model;
}

} // namespace

TEST(SkinWriter, layout_does_not_depend_on_the_order_of_the_source)
{
    test::Bytes reference = test::describe(sample());
    for (unsigned seed = 1; seed <= 5; ++seed)
        EXPECT_EQ(test::describe(shuffled(sample(), seed)), reference) << "seed " << seed;
}

TEST(SkinWriter, keeps_the_orders_that_carry_meaning)
{
    SkinModel model = sample();
    test::Bytes reference = test::describe(model);
    SkinModel changed = model;
    std::swap(changed.pictures[0], changed.pictures[1]);
    EXPECT_NE(test::describe(changed), reference);
    changed = model;
    std::swap(changed.forms[0].auto_controls[0], changed.forms[0].auto_controls[1]);
    EXPECT_NE(test::describe(changed), reference);
    skinner::SkinDescription description(test::describe(changed));
    EXPECT_EQ(description.to_model().forms[0].auto_controls[0].control, u"ctl0");
}

TEST(SkinWriter, written_and_read_back_gives_the_same_bytes)
{
    test::Bytes bytes = test::describe(sample());
    skinner::SkinDescription description(bytes);
    ASSERT_TRUE(description.valid());
    EXPECT_EQ(test::describe(description.to_model()), bytes);
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
