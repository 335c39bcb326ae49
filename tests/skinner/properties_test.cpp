#include "skinner/properties.h"

#include "liba/text.h"
#include "os/zip_writer.h"
#include "skin_samples.h"
#include "skinner/font_rep.h"
#include "skinner/picture_rep.h"
#include "skinner/skin_client.h"
#include "support/scoped_config.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using skinner::DeviceKind;
using skinner::Point;
using skinner::Properties;
using skinner::Size;
using skinner::SkinModel;

namespace {

constexpr Size s_qvga {240, 320};

// Description files in a fresh folder.
class SkinFiles {
public:
    std::u16string plain(const SkinModel& model, std::string_view name = "plain.skin")
    {
        test::write_file(m_dir.native(name), test::describe(model));
        return m_dir.file(name);
    }
    std::u16string file(std::string_view name, const test::Bytes& bytes)
    {
        test::write_file(m_dir.native(name), bytes);
        return m_dir.file(name);
    }
    std::u16string language(std::string_view text)
    {
        test::write_file(m_dir.native("lang.lng"), test::Bytes(text.begin(), text.end()));
        return m_dir.file("lang.lng");
    }
    const test::TempDir& dir() const { return m_dir; }

private:
    test::TempDir m_dir;
};

SkinModel with_main(std::u16string version = u"Melodeck_1.00")
{
    SkinModel model = test::model_with_forms({test::sized_form(u"FormMain", 1, 1)});
    model.version = std::move(version);
    return model;
}

std::u16string chosen(Properties& properties, std::u16string_view form)
{
    uint32_t record = properties.impl().choose_form(form);
    return record ? properties.impl().description().name(record) : u"(none)";
}

} // namespace

TEST(PropertiesLoading, archives_take_their_first_skin_entry_and_bad_files_give_invalid_skins)
{
    test::ScopedConfig config;
    config.set_logging(true);
    SkinFiles files;
    Properties plain(files.plain(with_main()), s_qvga);
    EXPECT_TRUE(plain.check_version(u"Melodeck_1.00", s_qvga));
    EXPECT_FALSE(plain.check_version(u"Melodeck_1.01", s_qvga));

    os::ZipWriter zip;
    zip.add("notes.txt", {'h', 'i'});
    zip.add("skin", test::describe(with_main(u"Decoy")));
    zip.add("x.skinny", test::describe(with_main(u"Decoy")));
    zip.add("Default.SKIN", test::describe(with_main(u"First")));
    zip.add("later.skin", test::describe(with_main(u"Second")));
    Properties archive(files.file("archive.skin", zip.finish()), s_qvga);
    EXPECT_TRUE(archive.check_version(u"First", s_qvga));

    os::ZipWriter broken;
    broken.add("broken.skin", test::Bytes(600, 0));
    broken.add("good.skin", test::describe(with_main()));
    EXPECT_FALSE(Properties(files.file("broken.skin", broken.finish()), s_qvga).is_valid())
        << "an invalid first entry is not replaced by a later one";

    os::ZipWriter cut;
    cut.add("cut.skin", test::describe(with_main()));
    test::Bytes bytes = cut.finish();
    bytes.resize(30 + 8 + 300);
    std::u16string cut_path = files.file("cut.skin", bytes);
    EXPECT_FALSE(Properties(cut_path, s_qvga).is_valid());

    Properties missing(files.dir().file("nothing-here.skin"), s_qvga);
    EXPECT_FALSE(missing.check_version(u"", {0, 0}));
    test::Bytes garbage(5000);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = uint8_t(i * 7 + 3);
    EXPECT_FALSE(Properties(files.file("noise.skin", garbage), s_qvga).is_valid());

    SkinModel no_bitmap = with_main();
    no_bitmap.pictures = {{u"nowhere"}};
    EXPECT_FALSE(Properties(files.plain(no_bitmap, "pic.skin"), s_qvga).is_valid());
    std::u16string log = test::ScopedConfig::log_text();
    EXPECT_NE(
        log.find(u"Error: skin [" + cut_path + u"] failed to load from archive\n"), std::u16string::npos);
    EXPECT_NE(
        log.find(u"PropertiesImpl::PropertiesImpl picture failed to load {nowhere}\n"), std::u16string::npos);
}

struct FormCase {
    std::vector<skinner::SkinForm> forms;
    Size screen;
    DeviceKind kind;
    const char16_t* query;
    const char16_t* chosen;
};

TEST(PropertiesForms, the_largest_layout_for_the_device_that_fits_the_work_area_is_chosen)
{
    using test::sized_form;
    const DeviceKind pocket = DeviceKind::pocket_pc;
    auto two = [&](int32_t fullscreen) {
        return std::vector {
            sized_form(u"FormMain", 240, 268), sized_form(u"FormMain2", 240, 294, u"", fullscreen)};
    };
    const std::vector<FormCase> cases {
        {two(0), {240, 346}, pocket, u"FormMain", u"FormMain2"},
        {two(0), {240, 322}, pocket, u"FormMain", u"FormMain"},
        {two(0), {240, 322}, pocket, u"FormMain2", u"(none)"}, // the name is a prefix, not a pattern
        {two(1), {240, 320}, pocket, u"FormMain", u"FormMain2"}, // full screen: against the screen
        {{sized_form(u"FormMain", 100, 100), sized_form(u"FormMainP", 176, 180, u"P")}, {176, 220},
            DeviceKind::smartphone, u"FormMain", u"FormMain"},
        {{sized_form(u"FormMain", 100, 100), sized_form(u"FormMainP", 176, 180, u"P")}, {176, 232}, pocket,
            u"FormMain", u"FormMainP"},
        {{sized_form(u"FormA", 200, 260), sized_form(u"FormB", 220, 10)}, s_qvga, pocket, u"Form", u"FormB"},
        // Visited FormX2 (the root) first, then FormX1: the latter takes the tie.
        {{sized_form(u"FormX1", 100, 100), sized_form(u"FormX2", 100, 100)}, s_qvga, pocket, u"FormX",
            u"FormX1"},
        {{test::form(u"FormAbout")}, {176, 220}, pocket, u"FormAbout", u"FormAbout"},
        {{test::form(u"FormAbout")}, {176, 220}, pocket, u"", u"(none)"},
    };
    SkinFiles files;
    int row = 0;
    for (const FormCase& c : cases) {
        Properties properties(
            files.plain(test::model_with_forms(c.forms), "f" + std::to_string(row) + ".skin"), c.screen,
            c.kind);
        EXPECT_EQ(chosen(properties, c.query), c.chosen) << "row " << row++;
    }
}

namespace {

SkinModel query_model()
{
    SkinModel model = test::model_with_forms({test::form(u"FormMain",
        {test::prop(u"Size", test::point(100, 100)), test::prop(u"StartPosition", int32_t(2)),
            test::prop(u"Devices", u"P")},
        {test::record(u"btn",
             {test::prop(u"Position", test::point(-7, 9)), test::prop(u"Width", int32_t(30)),
                 test::prop(u"Huge", int32_t(0x7FFFFFF0)), test::prop(u"Caption", u"Menu_Play"),
                 test::prop(u"Plain", u"No_Key"), test::prop(u"Cursor", u"HAND"),
                 test::prop(u"BadCursor", u"hand"), test::prop(u"KeyCursor", u"Cursor_Key"),
                 test::prop(u"Color", skinner::ColourEntry {{10, 20, 30, 40}})}),
            test::record(u"lbl")},
        {{u"lbl", u"Auto.Frame", 0}, {u"btn", u"Auto.Button", 0}})});
    model.sizes = {{240, 320, 0}};
    model.kinds = {test::record(u"Auto.Button", {test::prop(u"Width", int32_t(12))})};
    return model;
}

} // namespace

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
    skinner::Color color = properties.get_color(u"FormMain", u"btn", u"Color", {});
    EXPECT_EQ(color, (skinner::Color {10, 20, 30, 40}));
    // A missing property gives the default exactly as given.
    EXPECT_EQ(properties.get_point(u"FormMain", u"btn", u"Nothing", {3, 4}), (Point {3, 4}));
    EXPECT_EQ(properties.get_int_scaled(u"FormMain", u"btn", u"Nothing", 5), 5);
    EXPECT_EQ(properties.get_string(u"FormMain", u"btn", u"Nothing", u"Menu_Play"), u"Menu_Play");
    EXPECT_EQ(properties.get_form_point(u"FormMain", u"Nothing", {7, 8}), (Point {7, 8}));
    EXPECT_EQ(properties.get_int(u"FormMain", u"btn", u"Position", -1), -1) << "a point is not an integer";
    skinner::Color fallback {1, 2, 3, 4};
    EXPECT_EQ(properties.get_color(u"FormMain", u"lbl", u"Color", fallback), fallback);
    EXPECT_FALSE(properties.get_picture(u"FormMain", u"btn", u"Nothing", skinner::Picture()).has_image());
    EXPECT_EQ(properties.get_font(u"FormMain", u"btn", u"Nothing", skinner::Font(3)).scale(), 3);
    EXPECT_EQ(properties.get_cursor(u"FormMain", u"btn", u"Nothing", os::Cursor::wait), os::Cursor::wait);
    // An empty form name reads the kind record.
    EXPECT_EQ(properties.get_int(u"", u"Auto.Button", u"Width", 0), 12);
    EXPECT_EQ(properties.get_int_scaled(u"", u"Auto.Button", u"Width", 0), 24);
    EXPECT_EQ(properties.get_int(u"", u"", u"Width", 77), 77) << "no kind name, no record";
    EXPECT_EQ(chosen(properties, u""), u"(none)");
}

TEST(PropertiesQueries, strings_are_translated_but_devices_and_cursors_never)
{
    SkinFiles files;
    Properties properties(files.plain(query_model()), s_qvga);
    EXPECT_EQ(properties.get_string(u"FormMain", u"btn", u"Caption", u""), u"Menu_Play");
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

namespace {

// A form stand-in: counts its reloads and reads a value during each.
class Client : public skinner::SkinClient {
public:
    explicit Client(Properties& skin)
        : m_skin(skin)
    {
    }
    const Properties* skin_handle() const override { return &m_skin; }
    void reload_properties() override
    {
        ++reloads;
        width = m_skin.is_valid() ? m_skin.get_int(u"FormMain", u"btn", u"Width", -1) : -1;
    }
    int reloads = 0;
    int32_t width = 0;

private:
    Properties& m_skin;
};

} // namespace

TEST(PropertiesRefresh, reloads_and_languages_refresh_the_forms_and_failures_say_so)
{
    SkinFiles files;
    SkinModel after = query_model();
    after.forms[0].controls[0].properties[1].value = int32_t(99);
    Properties skin(files.plain(query_model(), "before.skin"), s_qvga);
    Client form(skin);
    skin.reload(files.plain(after, "after.skin"), s_qvga);
    EXPECT_EQ(form.width, 99);
    EXPECT_EQ(skin.impl().path(), files.dir().file("after.skin"));

    ASSERT_TRUE(skin.set_language(files.language("Menu_Play= Spielen")));
    EXPECT_EQ(form.reloads, 2);
    EXPECT_FALSE(skin.set_language(files.dir().file("absent.lng")));
    EXPECT_EQ(form.reloads, 2) << "no refresh after a failure; the old language stays";
    EXPECT_EQ(skin.get_string(u"FormMain", u"btn", u"Caption", u""), u" Spielen");
    EXPECT_EQ(skin.translate(u"Menu_Play"), u" Spielen");

    skin.reload(files.dir().file("missing.skin"), s_qvga);
    EXPECT_FALSE(skin.is_valid()) << "an invalid skin replaces the old one too; the caller checks";
    skin.reload(files.plain(query_model()), files.language("Menu_Play Abspielen\n"), s_qvga);
    EXPECT_TRUE(skin.is_valid());
    EXPECT_EQ(skin.get_string(u"FormMain", u"btn", u"Caption", u""), u"Abspielen");
    skin.reload(skin.impl().path(), files.dir().file("absent.lng"), s_qvga);
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
    Properties invalid(files.dir().file("absent.skin"), s_qvga);
    EXPECT_EXIT(invalid.get_int(u"FormMain", u"btn", u"Width", 0), test::failed_exit,
        "report_no_skin: Skin file \\{.*absent.skin\\} was invalid, but no check_version performed");
}

TEST(PropertiesDeathTest, no_fitting_form_reports_the_work_area_and_the_trace)
{
    test::ScopedConfig config;
    config.set_logging(true);
    SkinFiles files;
    Properties skin(files.plain(test::model_with_forms(
                        {test::sized_form(u"FormMain", 240, 300), test::sized_form(u"Other", 1, 1)})),
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

TEST(SkinDevice, work_area_rule_and_device_letters)
{
    EXPECT_EQ(skinner::workarea_size({480, 640}, DeviceKind::pocket_pc), (Size {480, 536}));
    EXPECT_EQ(skinner::workarea_size({176, 220}, DeviceKind::smartphone), (Size {176, 180}));
    EXPECT_TRUE(skinner::good_for_device(u"", DeviceKind::smartphone));
    EXPECT_TRUE(skinner::good_for_device(u"PS", DeviceKind::smartphone));
    EXPECT_FALSE(skinner::good_for_device(u"s", DeviceKind::smartphone));
    EXPECT_TRUE(skinner::good_for_device(u"xPx", DeviceKind::pocket_pc));
}
