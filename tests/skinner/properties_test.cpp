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

SkinModel with_sizes(std::vector<std::pair<uint32_t, uint32_t>> sizes)
{
    SkinModel model = test::model_with_forms({test::sized_form(u"FormMain", 1, 1)});
    for (auto [w, h] : sizes)
        model.sizes.push_back({w, h, 0});
    return model;
}

std::u16string chosen(Properties& properties, std::u16string_view form)
{
    uint32_t record = properties.impl().choose_form(form);
    return record ? properties.impl().description().name(record) : u"(none)";
}

// The screen sizes of a Pocket PC whose work area is 240 x height: bars of 26 above and below.
Size pocket_screen_for_workarea(int32_t height)
{
    return {240, height + 52};
}

} // namespace

// Loading ----------------------------------------------------------------------------------------

TEST(PropertiesLoading, a_plain_description_file_loads_directly)
{
    SkinFiles files;
    Properties properties(files.plain(with_sizes({})), s_qvga);
    EXPECT_TRUE(properties.is_valid());
    EXPECT_TRUE(properties.check_version(u"Melodeck_1.00", s_qvga));
    EXPECT_FALSE(properties.check_version(u"Melodeck_1.01", s_qvga));
}

TEST(PropertiesLoading, reads_the_first_entry_whose_extension_is_skin_in_any_case)
{
    SkinModel first = with_sizes({});
    first.version = u"First";
    SkinModel second = with_sizes({});
    second.version = u"Second";
    SkinModel decoy = with_sizes({});
    decoy.version = u"Decoy";
    os::ZipWriter zip;
    zip.add("notes.txt", {'h', 'i'});
    zip.add("skin", test::describe(decoy));
    zip.add("x.skinny", test::describe(decoy));
    zip.add("Default.SKIN", test::describe(first));
    zip.add("later.skin", test::describe(second));
    SkinFiles files;
    Properties properties(files.file("archive.skin", zip.finish()), s_qvga);
    ASSERT_TRUE(properties.is_valid());
    EXPECT_TRUE(properties.check_version(u"First", s_qvga));
    EXPECT_FALSE(properties.check_version(u"Second", s_qvga));
    EXPECT_FALSE(properties.check_version(u"Decoy", s_qvga));
}

TEST(PropertiesLoading, an_invalid_first_skin_entry_is_not_replaced_by_a_later_one)
{
    os::ZipWriter zip;
    zip.add("broken.skin", test::Bytes(600, 0));
    zip.add("good.skin", test::describe(with_sizes({})));
    SkinFiles files;
    Properties properties(files.file("archive.skin", zip.finish()), s_qvga);
    EXPECT_FALSE(properties.is_valid());
    EXPECT_FALSE(properties.check_version(u"", {0, 0}));
}

TEST(PropertiesLoading, a_cut_archive_entry_is_logged_and_gives_an_invalid_skin)
{
    test::ScopedConfig config;
    config.set_logging(true);
    os::ZipWriter zip;
    zip.add("cut.skin", test::describe(with_sizes({})));
    test::Bytes archive = zip.finish();
    // Only the local header and part of the data remain.
    archive.resize(30 + 8 + 300);
    SkinFiles files;
    std::u16string path = files.file("cut.skin", archive);
    Properties properties(path, s_qvga);
    EXPECT_FALSE(properties.is_valid());
    EXPECT_NE(
        test::ScopedConfig::log_text().find(u"Error: skin [" + path + u"] failed to load from archive\n"),
        std::u16string::npos)
        << liba::to_utf8(test::ScopedConfig::log_text());
}

TEST(PropertiesLoading, missing_and_garbage_files_give_invalid_skins)
{
    SkinFiles files;
    Properties missing(files.dir().file("nothing-here.skin"), s_qvga);
    EXPECT_FALSE(missing.is_valid());
    EXPECT_FALSE(missing.check_version(u"", {0, 0}));
    test::Bytes garbage(5000);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = uint8_t(i * 7 + 3);
    Properties noise(files.file("noise.skin", garbage), s_qvga);
    EXPECT_FALSE(noise.is_valid());
}

TEST(PropertiesLoading, a_picture_without_its_bitmap_makes_the_skin_invalid_and_is_logged)
{
    test::ScopedConfig config;
    config.set_logging(true);
    SkinModel model = with_sizes({});
    model.pictures = {{u"nowhere"}};
    SkinFiles files;
    Properties properties(files.plain(model), s_qvga);
    EXPECT_FALSE(properties.is_valid());
    EXPECT_NE(test::ScopedConfig::log_text().find(
                  u"PropertiesImpl::PropertiesImpl picture failed to load {nowhere}\n"),
        std::u16string::npos);
}

// Scale and compatibility -----------------------------------------------------------------------

TEST(PropertiesScale, a_skin_without_sizes_passes_every_screen_at_scale_1)
{
    SkinFiles files;
    std::u16string path = files.plain(with_sizes({}));
    for (Size screen : {Size {240, 320}, Size {480, 640}, Size {800, 480}, Size {1, 1}}) {
        Properties properties(path, screen);
        EXPECT_TRUE(properties.check_version(u"Melodeck_1.00", screen));
        EXPECT_EQ(properties.impl().scale(), 1);
    }
}

TEST(PropertiesScale, an_exact_multiple_of_a_listed_size_passes_with_that_scale)
{
    SkinFiles files;
    std::u16string path = files.plain(with_sizes({{176, 220}, {240, 320}}));
    Properties properties(path, {480, 640});
    EXPECT_TRUE(properties.check_version(u"Melodeck_1.00", {480, 640}));
    EXPECT_EQ(properties.impl().scale(), 2);
    skinner::VersionCheck check = properties.impl().check_version(u"", {720, 960});
    EXPECT_TRUE(check.passed);
    EXPECT_EQ(check.scale, 3);
    EXPECT_EQ(check.matched, (Size {240, 320}));
    EXPECT_FALSE(properties.impl().check_version(u"", {1200, 1600}).passed) << "scale 5 is beyond the range";
    EXPECT_TRUE(properties.impl().check_version(u"", {960, 1280}).passed);
}

TEST(PropertiesScale, without_a_match_the_best_fit_chooses_the_scale)
{
    SkinFiles files;
    std::u16string path = files.plain(with_sizes({{240, 240}, {240, 320}}));
    Properties properties(path, {480, 800});
    EXPECT_FALSE(properties.check_version(u"Melodeck_1.00", {480, 800}));
    EXPECT_EQ(properties.impl().scale(), 2);

    Properties too_small(files.plain(with_sizes({{500, 500}}), "big.skin"), {480, 640});
    EXPECT_EQ(too_small.impl().scale(), 1) << "nothing fits";

    // Slack in width counts before slack in height: 160x100 at scale 3 fills the width and leaves
    // 340 down; 110x300 at scale 2 leaves only 40 down but 260 across.
    Properties width_first(files.plain(with_sizes({{110, 300}, {160, 100}}), "wide.skin"), {480, 640});
    EXPECT_EQ(width_first.impl().scale(), 3);
    // On a tie the earliest candidate wins: scale 1 is tried before scale 2.
    Properties tie(files.plain(with_sizes({{120, 160}, {240, 320}}), "tie.skin"), {300, 400});
    EXPECT_EQ(tie.impl().scale(), 1);
}

TEST(PropertiesScale, an_unknown_screen_size_keeps_scale_1_and_passes)
{
    SkinFiles files;
    Properties properties(files.plain(with_sizes({{240, 320}})), {0, 0});
    EXPECT_EQ(properties.impl().scale(), 1);
    EXPECT_TRUE(properties.check_version(u"Melodeck_1.00", {0, 0}));
    EXPECT_FALSE(properties.check_version(u"Melodeck_1.00", {480, 800}));
}

TEST(PropertiesScale, the_skin_device_list_must_admit_the_device)
{
    SkinFiles files;
    SkinModel model = with_sizes({});
    model.devices = u"S";
    std::u16string path = files.plain(model);
    EXPECT_FALSE(Properties(path, s_qvga, DeviceKind::pocket_pc).check_version(u"", s_qvga));
    EXPECT_TRUE(Properties(path, s_qvga, DeviceKind::smartphone).check_version(u"", s_qvga));
    // Refused by the device check, the scale comes from the best fit.
    model = with_sizes({{240, 320}});
    model.devices = u"S";
    Properties scaled(files.plain(model, "s.skin"), {480, 640}, DeviceKind::pocket_pc);
    EXPECT_EQ(scaled.impl().scale(), 2);
}

// Form choice -----------------------------------------------------------------------------------

TEST(PropertiesForms, the_largest_layout_that_fits_the_work_area_is_chosen)
{
    SkinFiles files;
    std::u16string path = files.plain(test::model_with_forms(
        {test::sized_form(u"FormMain", 240, 268), test::sized_form(u"FormMain2", 240, 294)}));
    Properties tall(path, pocket_screen_for_workarea(294));
    EXPECT_EQ(tall.impl().workarea_size(), (Size {240, 294}));
    EXPECT_EQ(chosen(tall, u"FormMain"), u"FormMain2");
    Properties short_screen(path, pocket_screen_for_workarea(270));
    EXPECT_EQ(chosen(short_screen, u"FormMain"), u"FormMain");
    EXPECT_EQ(chosen(short_screen, u"FormMain2"), u"(none)") << "the name is a prefix, not a pattern";
}

TEST(PropertiesForms, a_fullscreen_layout_is_measured_against_the_whole_screen)
{
    SkinFiles files;
    std::u16string path = files.plain(test::model_with_forms(
        {test::sized_form(u"FormMain", 240, 268), test::sized_form(u"FormMain2", 240, 294, u"", 1)}));
    Properties properties(path, s_qvga);
    EXPECT_EQ(properties.impl().workarea_size(), (Size {240, 268}));
    EXPECT_EQ(chosen(properties, u"FormMain"), u"FormMain2");
}

TEST(PropertiesForms, devices_text_admits_or_excludes_a_layout)
{
    SkinFiles files;
    std::u16string path = files.plain(test::model_with_forms(
        {test::sized_form(u"FormMain", 100, 100), test::sized_form(u"FormMainP", 176, 180, u"P")}));
    Properties phone(path, {176, 220}, DeviceKind::smartphone);
    EXPECT_EQ(chosen(phone, u"FormMain"), u"FormMain") << "P excludes a Smartphone; empty admits it";
    Properties pocket(path, {176, 232}, DeviceKind::pocket_pc);
    EXPECT_EQ(chosen(pocket, u"FormMain"), u"FormMainP");
}

TEST(PropertiesForms, width_counts_before_height_and_the_last_visited_wins_a_tie)
{
    SkinFiles files;
    Properties wide(files.plain(test::model_with_forms(
                        {test::sized_form(u"FormA", 200, 260), test::sized_form(u"FormB", 220, 10)})),
        s_qvga);
    EXPECT_EQ(chosen(wide, u"Form"), u"FormB");

    // Visited FormX2 (the root) first, then FormX1: the latter takes the tie.
    Properties tie(files.plain(test::model_with_forms({test::sized_form(u"FormX1", 100, 100),
                                   test::sized_form(u"FormX2", 100, 100)}),
                       "tie.skin"),
        s_qvga);
    EXPECT_EQ(chosen(tie, u"FormX"), u"FormX1");
}

TEST(PropertiesForms, a_layout_without_size_fits_any_screen)
{
    SkinFiles files;
    Properties properties(files.plain(test::model_with_forms({test::form(u"FormAbout")})), {176, 220});
    EXPECT_EQ(chosen(properties, u"FormAbout"), u"FormAbout");
    EXPECT_EQ(chosen(properties, u""), u"(none)");
}

TEST(PropertiesForms, the_trace_lists_every_record_looked_at)
{
    SkinFiles files;
    Properties properties(
        files.plain(test::model_with_forms({test::sized_form(u"About", 10, 10),
            test::sized_form(u"FormMain", 240, 268, u"P"), test::sized_form(u"FormMain2", 240, 300, u"S")})),
        {480, 640});
    chosen(properties, u"FormMain");
    // Pre-order of About, FormMain, FormMain2: FormMain is the root.
    EXPECT_EQ(properties.impl().form_trace(),
        u"+FormMain Size=240 268 Devices=P good_for_device\n"
        u"-About\n"
        u"+FormMain2 Size=240 300 Devices=S\n");
}

TEST(PropertiesForms, sizes_in_the_choice_and_trace_are_scaled)
{
    SkinFiles files;
    SkinModel model = test::model_with_forms({test::sized_form(u"FormMain", 240, 268)});
    model.sizes = {{240, 320, 0}};
    Properties properties(files.plain(model), {480, 640});
    ASSERT_EQ(properties.impl().scale(), 2);
    EXPECT_EQ(chosen(properties, u"FormMain"), u"FormMain") << "480x536 fills the 480x536 work area";
    EXPECT_EQ(properties.impl().form_trace(), u"+FormMain Size=480 536 Devices= good_for_device\n");
    EXPECT_EQ(properties.get_form_point(u"FormMain", u"Size", {}), (Point {480, 536}));
}

// Queries ---------------------------------------------------------------------------------------

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

TEST(PropertiesQueries, auto_controls_come_in_their_stored_order)
{
    SkinFiles files;
    Properties properties(files.plain(query_model()), s_qvga);
    ASSERT_EQ(properties.auto_control_count(u"FormMain"), 2u);
    EXPECT_EQ(properties.auto_control(u"FormMain", 0),
        (std::pair<std::u16string, std::u16string> {u"lbl", u"Auto.Frame"}));
    EXPECT_EQ(properties.auto_control(u"FormMain", 1).second, u"Auto.Button");
    EXPECT_EQ(properties.auto_control(u"FormMain", 2), (std::pair<std::u16string, std::u16string> {}));
    EXPECT_EQ(properties.auto_control_count(u"FormNone"), 0u);
    Properties invalid(files.dir().file("absent.skin"), s_qvga);
    EXPECT_EQ(invalid.auto_control_count(u"FormMain"), 0u);
}

// Caches and counters ---------------------------------------------------------------------------

TEST(PropertiesCaches, a_new_form_name_clears_the_form_and_control_caches)
{
    SkinFiles files;
    Properties properties(
        files.plain(test::model_with_forms(
            {test::form(u"A", {}, {test::record(u"x", {test::prop(u"V", int32_t(1))})}),
                test::form(u"B", {}, {test::record(u"x", {test::prop(u"V", int32_t(2))})})})),
        s_qvga);
    EXPECT_EQ(properties.get_int(u"A", u"x", u"V", 0), 1);
    EXPECT_EQ(properties.get_int(u"B", u"x", u"V", 0), 2) << "same control name, other form";
    EXPECT_NE(properties.impl().form_trace().find(u"-A\n"), std::u16string::npos)
        << "the trace is of the last choice";
    EXPECT_EQ(properties.get_int(u"A", u"x", u"V", 0), 1);
    EXPECT_NE(properties.impl().form_trace().find(u"+A Size=0 0"), std::u16string::npos);
}

// Refresh and reload ----------------------------------------------------------------------------

namespace {

// A form stand-in: counts its reloads and records their order.
class Client : public skinner::SkinClient {
public:
    Client(const Properties* skin, std::vector<std::string>& order, std::string name)
        : m_skin(skin)
        , m_order(order)
        , m_name(std::move(name))
    {
    }
    const Properties* skin_handle() const override { return m_skin; }
    void reload_properties() override
    {
        m_order.push_back(m_name);
        if (on_reload)
            on_reload();
    }
    std::function<void()> on_reload;

private:
    const Properties* m_skin;
    std::vector<std::string>& m_order;
    std::string m_name;
};

} // namespace

TEST(PropertiesRefresh, every_form_of_this_handle_reloads_in_creation_order)
{
    SkinFiles files;
    std::u16string path = files.plain(query_model());
    Properties mine(path, s_qvga);
    Properties other(path, s_qvga);
    std::vector<std::string> order;
    Client first(&mine, order, "first");
    Client stranger(&other, order, "stranger");
    auto third = std::make_unique<Client>(&mine, order, "third");
    Client second(&mine, order, "second");
    third.reset();
    mine.refresh_skin();
    EXPECT_EQ(order, (std::vector<std::string> {"first", "second"}));
}

TEST(PropertiesRefresh, a_form_destroyed_during_the_refresh_is_skipped)
{
    SkinFiles files;
    Properties skin(files.plain(query_model()), s_qvga);
    std::vector<std::string> order;
    Client first(&skin, order, "first");
    auto doomed = std::make_unique<Client>(&skin, order, "doomed");
    first.on_reload = [&] { doomed.reset(); };
    skin.refresh_skin();
    EXPECT_EQ(order, std::vector<std::string> {"first"});
}

TEST(PropertiesRefresh, reload_replaces_the_skin_and_refreshes_the_forms)
{
    SkinFiles files;
    SkinModel before = query_model();
    SkinModel after = query_model();
    after.forms[0].controls[0].properties[1].value = int32_t(99);
    Properties skin(files.plain(before, "before.skin"), s_qvga);
    std::vector<std::string> order;
    int32_t seen = 0;
    Client form(&skin, order, "form");
    form.on_reload = [&] { seen = skin.get_int(u"FormMain", u"btn", u"Width", -1); };
    EXPECT_EQ(skin.get_int(u"FormMain", u"btn", u"Width", -1), 30);
    skin.reload(files.plain(after, "after.skin"), s_qvga);
    EXPECT_EQ(seen, 99);
    EXPECT_EQ(skin.impl().path(), files.dir().file("after.skin"));

    form.on_reload = nullptr;
    skin.reload(files.dir().file("missing.skin"), s_qvga);
    EXPECT_FALSE(skin.is_valid()) << "an invalid skin replaces the old one too; the caller checks";
}

TEST(PropertiesRefresh, a_language_that_cannot_be_read_keeps_the_old_one)
{
    SkinFiles files;
    Properties skin(files.plain(query_model()), s_qvga);
    std::vector<std::string> order;
    Client form(&skin, order, "form");
    ASSERT_TRUE(skin.set_language(files.language("Menu_Play= Spielen")));
    EXPECT_EQ(order.size(), 1u);
    EXPECT_FALSE(skin.set_language(files.dir().file("absent.lng")));
    EXPECT_EQ(order.size(), 1u) << "no refresh after a failure";
    EXPECT_EQ(skin.get_string(u"FormMain", u"btn", u"Caption", u""), u" Spielen");
    EXPECT_EQ(skin.translate(u"Menu_Play"), u" Spielen");
}

TEST(PropertiesRefresh, reload_with_a_language_takes_both)
{
    SkinFiles files;
    Properties skin(files.dir().file("absent.skin"), s_qvga);
    EXPECT_FALSE(skin.is_valid());
    skin.reload(files.plain(query_model()), files.language("Menu_Play Abspielen\n"), s_qvga);
    EXPECT_TRUE(skin.is_valid());
    EXPECT_EQ(skin.get_string(u"FormMain", u"btn", u"Caption", u""), u"Abspielen");
    skin.reload(skin.impl().path(), files.dir().file("absent.lng"), s_qvga);
    EXPECT_EQ(skin.get_string(u"FormMain", u"btn", u"Caption", u""), u"Menu_Play")
        << "an unreadable language leaves no translations";
}

// Fatal reports ---------------------------------------------------------------------------------

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
}

TEST(PropertiesDeathTest, a_query_on_an_invalid_skin_reports_no_skin)
{
    SkinFiles files;
    Properties skin(files.dir().file("absent.skin"), s_qvga);
    EXPECT_EXIT(skin.get_int(u"FormMain", u"btn", u"Width", 0), test::failed_exit,
        "report_no_skin: Skin file \\{.*absent.skin\\} was invalid, but no check_version performed");
    EXPECT_EXIT(skin.get_form_int(u"FormMain", u"Width", 0), test::failed_exit, "report_no_skin: ");
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

// The test skin ---------------------------------------------------------------------------------

#ifdef MELODECK_TEST_SKIN

TEST(PropertiesTestSkin, pictures_keep_their_masks_alpha_maps_and_frames_at_scale_2)
{
    Properties skin(liba::from_utf8(MELODECK_TEST_SKIN), {480, 640});
    ASSERT_TRUE(skin.is_valid());
    ASSERT_TRUE(skin.check_version(u"Melodeck_1.00", {480, 640}));
    ASSERT_EQ(skin.impl().scale(), 2);
    ASSERT_EQ(skin.impl().pictures().size(), 4u);

    skinner::Picture button = skin.get_picture(u"FormMain", u"btnPlay", u"Picture", {});
    ASSERT_TRUE(button.has_image());
    EXPECT_TRUE(button.rep()->has_mask());
    EXPECT_FALSE(button.rep()->alpha());
    EXPECT_EQ(button.size(), (Size {32, 32}));

    skinner::Picture glow = skin.get_picture(u"FormMain", u"btnPlay", u"Glow", {});
    ASSERT_TRUE(glow.has_image());
    EXPECT_TRUE(glow.rep()->alpha());
    EXPECT_EQ(glow.frame().left, 4);
    EXPECT_EQ(glow.frame().bottom, 20);

    skinner::Picture frame = skin.get_picture(u"FormMain", u"btnPlay", u"Frame", {});
    EXPECT_FALSE(frame.rep()->has_mask());
    EXPECT_EQ(frame.min_size(), (Size {32, 32})) << "8-pixel borders, doubled";
    EXPECT_FALSE(frame.stretch());

    skinner::Picture background = skin.get_form_picture(u"FormMain", u"Background", {});
    EXPECT_TRUE(background.stretch());
    EXPECT_EQ(background.size(), (Size {16, 16}));
}

TEST(PropertiesTestSkin, every_property_type_reads_back)
{
    Properties skin(liba::from_utf8(MELODECK_TEST_SKIN), s_qvga);
    ASSERT_TRUE(skin.is_valid());
    EXPECT_EQ(skin.get_point(u"FormMain", u"btnPlay", u"Position", {}), (Point {10, 20}));
    EXPECT_EQ(skin.get_point(u"FormMain", u"btnPlay", u"Size", {}), (Point {16, -16}));
    EXPECT_EQ(skin.get_int(u"FormMain", u"btnPlay", u"Margin", 0), -3);
    EXPECT_EQ(skin.get_int(u"FormMain", u"btnPlay", u"Mask", 0), -1);
    EXPECT_EQ(skin.get_string(u"FormMain", u"btnPlay", u"Caption", u""), u"Menu_Play");
    EXPECT_EQ(skinner::anchor_from_name(skin.get_string(u"FormMain", u"btnPlay", u"AnchorX", u"")),
        skinner::AnchorMode::both_side);
    EXPECT_EQ(skin.get_cursor(u"FormMain", u"btnPlay", u"Cursor", os::Cursor::arrow), os::Cursor::ibeam);
    EXPECT_EQ(skin.get_cursor(u"", u"Auto.Button", u"Cursor", os::Cursor::arrow), os::Cursor::hand);
    EXPECT_EQ(skin.get_color(u"FormMain", u"btnPlay", u"Color", {}), (skinner::Color {255, 128, 0, 0}));
    EXPECT_EQ(skin.get_color(u"FormMain", u"btnPlay", u"Shadow", {}), (skinner::Color {1, 2, 3, 4}));
    skinner::Font font = skin.get_font(u"FormMain", u"btnPlay", u"Font", skinner::Font());
    ASSERT_NE(font.rep(), nullptr);
    EXPECT_EQ(font.rep(), skin.impl().fonts()[0].rep());
    EXPECT_NE(skin.get_font(u"", u"Auto.Frame", u"Font", skinner::Font()).rep(), font.rep());
    EXPECT_EQ(skin.auto_control_count(u"FormMain"), 2u);
}

TEST(PropertiesTestSkin, form_layouts_follow_the_device)
{
    Properties pocket(liba::from_utf8(MELODECK_TEST_SKIN), s_qvga, DeviceKind::pocket_pc);
    EXPECT_EQ(pocket.get_point(u"FormMain", u"btnPlay", u"Position", {}), (Point {10, 20}));
    EXPECT_EQ(chosen(pocket, u"FormAbout"), u"FormAbout") << "a full-screen layout";

    Properties phone(liba::from_utf8(MELODECK_TEST_SKIN), {176, 220}, DeviceKind::smartphone);
    EXPECT_EQ(phone.get_point(u"FormMain", u"btnPlay", u"Position", {}), (Point {1, 2}));

    Properties tall(liba::from_utf8(MELODECK_TEST_SKIN), {240, 346}, DeviceKind::pocket_pc);
    EXPECT_EQ(tall.get_point(u"FormMain", u"btnPlay", u"Position", {}), (Point {30, 40}));
}

#endif

// Names and devices -----------------------------------------------------------------------------

TEST(SkinNames, anchors_match_exactly)
{
    EXPECT_EQ(skinner::anchor_from_name(u"MIN_SIDE"), skinner::AnchorMode::min_side);
    EXPECT_EQ(skinner::anchor_from_name(u"RATIO"), skinner::AnchorMode::ratio);
    EXPECT_EQ(skinner::anchor_from_name(u"MAX_SIDE"), skinner::AnchorMode::max_side);
    EXPECT_FALSE(skinner::anchor_from_name(u"ratio"));
    EXPECT_FALSE(skinner::anchor_from_name(u"RATIO "));
}

TEST(SkinDevice, work_area_rule_and_device_letters)
{
    EXPECT_EQ(skinner::workarea_size({480, 640}, DeviceKind::pocket_pc), (Size {480, 536}));
    EXPECT_EQ(skinner::workarea_size({176, 220}, DeviceKind::smartphone), (Size {176, 180}));
    EXPECT_TRUE(skinner::good_for_device(u"", DeviceKind::smartphone));
    EXPECT_TRUE(skinner::good_for_device(u"PS", DeviceKind::smartphone));
    EXPECT_FALSE(skinner::good_for_device(u"P", DeviceKind::smartphone));
    EXPECT_FALSE(skinner::good_for_device(u"s", DeviceKind::smartphone));
    EXPECT_TRUE(skinner::good_for_device(u"xPx", DeviceKind::pocket_pc));
    EXPECT_FALSE(skinner::good_for_device(u"S", DeviceKind::pocket_pc));
}
