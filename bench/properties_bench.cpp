// Property lookups per second on a skin of four form layouts with 50 controls each, every control
// holding a dozen properties of all kinds: the pattern of a form refresh (every property of one
// control, then the next control), one property asked again and again (the caches' best case),
// and controls of two forms in turn (each query a new form choice).

#include "skinner/properties.h"
#include "skinner/skin_writer.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using skinner::Point;

std::u16string text(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

skinner::SkinRecord control(int index)
{
    skinner::SkinRecord record;
    record.name = text("control" + std::to_string(100 + index));
    auto add = [&](std::u16string name, skinner::PropertyValue value) {
        record.properties.push_back({std::move(name), std::move(value), 0});
    };
    add(u"AnchorX", std::u16string(u"MIN_SIDE"));
    add(u"AnchorY", std::u16string(u"MAX_SIDE"));
    add(u"Caption", text("Menu_" + std::to_string(index)));
    add(u"Color", skinner::ColourEntry {{10, 20, 30, 0}});
    add(u"ColorDisabled", skinner::ColourEntry {{90, 90, 90, 0}});
    add(u"Cursor", std::u16string(u"HAND"));
    add(u"Enabled", int32_t(1));
    add(u"Font", skinner::FontEntry {uint32_t(index % 2)});
    add(u"Position", skinner::PointEntry {int16_t(index), int16_t(2 * index)});
    add(u"Size", skinner::PointEntry {40, 20});
    add(u"TextAlign", int32_t(index % 3));
    add(u"Visible", int32_t(1));
    return record;
}

skinner::SkinModel model()
{
    skinner::SkinModel model;
    model.version = u"Melodeck_1.00";
    model.sizes = {{240, 320, 0}};
    model.fonts = {{u"12 0 0 0 Tahoma"}, {u"10 1 0 0 Tahoma"}};
    const char* forms[] = {"FormMain", "FormMainWide", "FormSettings", "FormAbout"};
    for (const char* name : forms) {
        skinner::SkinForm form;
        form.record.name = text(name);
        form.record.properties.push_back({u"Size", skinner::PointEntry {240, 268}, 0});
        for (int i = 0; i < 50; ++i)
            form.controls.push_back(control(i));
        model.forms.push_back(std::move(form));
    }
    return model;
}

// The skin, written once to a temporary file and loaded.
skinner::Properties& skin()
{
    static skinner::Properties* s_skin = [] {
        std::string path = (std::filesystem::temp_directory_path() / "melodeck-bench-XXXXXX").string();
        int fd = ::mkstemp(path.data());
        ::close(fd);
        skinner::SkinWriter writer(model());
        std::ofstream(path, std::ios::binary)
            .write(
                reinterpret_cast<const char*>(writer.bytes().data()), std::streamsize(writer.bytes().size()));
        auto* properties = new skinner::Properties(text(path), {240, 320});
        std::filesystem::remove(path);
        return properties;
    }();
    return *s_skin;
}

std::vector<std::u16string> control_names()
{
    std::vector<std::u16string> names;
    for (int i = 0; i < 50; ++i)
        names.push_back(text("control" + std::to_string(100 + i)));
    return names;
}

// What a control reads when a form is built or refreshed: each property with its own getter.
void read_control(skinner::Properties& properties, std::u16string_view form, std::u16string_view control)
{
    benchmark::DoNotOptimize(properties.get_string(form, control, u"AnchorX", u""));
    benchmark::DoNotOptimize(properties.get_string(form, control, u"AnchorY", u""));
    benchmark::DoNotOptimize(properties.get_string(form, control, u"Caption", u""));
    benchmark::DoNotOptimize(properties.get_color(form, control, u"Color", {}));
    benchmark::DoNotOptimize(properties.get_color(form, control, u"ColorDisabled", {}));
    benchmark::DoNotOptimize(properties.get_cursor(form, control, u"Cursor", os::Cursor::arrow));
    benchmark::DoNotOptimize(properties.get_int(form, control, u"Enabled", 0));
    benchmark::DoNotOptimize(properties.get_font(form, control, u"Font", skinner::Font()));
    benchmark::DoNotOptimize(properties.get_point(form, control, u"Position", {}));
    benchmark::DoNotOptimize(properties.get_point(form, control, u"Size", {}));
    benchmark::DoNotOptimize(properties.get_int(form, control, u"TextAlign", 0));
    benchmark::DoNotOptimize(properties.get_int(form, control, u"Visible", 0));
    // Two the skin does not hold: the default applies.
    benchmark::DoNotOptimize(properties.get_int(form, control, u"Margin", 0));
    benchmark::DoNotOptimize(properties.get_picture(form, control, u"Picture", skinner::Picture()));
}
constexpr int64_t s_reads_per_control = 14;

// Times read(properties, control) over every control of the skin, each counted as
// lookups_per_control lookups.
template<typename Read> void time_per_control(benchmark::State& state, int64_t lookups_per_control, Read read)
{
    skinner::Properties& properties = skin();
    std::vector<std::u16string> controls = control_names();
    int64_t lookups = 0;
    for (auto _ : state) {
        for (const std::u16string& control : controls) {
            read(properties, control);
            lookups += lookups_per_control;
        }
    }
    state.SetItemsProcessed(lookups);
}

void refresh_pattern(benchmark::State& state)
{
    time_per_control(
        state, s_reads_per_control, [](skinner::Properties& properties, const std::u16string& control) {
            read_control(properties, u"FormSettings", control);
        });
}
BENCHMARK(refresh_pattern);

void same_property(benchmark::State& state)
{
    skinner::Properties& properties = skin();
    for (auto _ : state)
        benchmark::DoNotOptimize(properties.get_point(u"FormMain", u"control125", u"Position", Point {}));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(same_property);

void alternating_forms(benchmark::State& state)
{
    time_per_control(state, 2, [](skinner::Properties& properties, const std::u16string& control) {
        benchmark::DoNotOptimize(properties.get_point(u"FormAbout", control, u"Position", Point {}));
        benchmark::DoNotOptimize(properties.get_point(u"FormSettings", control, u"Size", Point {}));
    });
}
BENCHMARK(alternating_forms);

void translated_strings(benchmark::State& state)
{
    time_per_control(state, 1, [](skinner::Properties& properties, const std::u16string& control) {
        benchmark::DoNotOptimize(properties.get_string(u"FormMain", control, u"Caption", u""));
    });
}
BENCHMARK(translated_strings);

} // namespace

BENCHMARK_MAIN();
