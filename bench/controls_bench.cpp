// The cost of building a form's controls from a skin and of re-reading them in place
// (refresh_skin), for a container of 50 controls: 20 buttons, 18 frames, 10 check boxes and two
// auto controls, each with the common properties, pictures, fonts, colours and texts that real
// skins give. The skin is a description written by SkinWriter with its bitmap beside it, in a
// temporary folder; the goal is a refresh well under 2 ms.

#include "skinner/auto_controls.h"
#include "skinner/container.h"
#include "skinner/control_button.h"
#include "skinner/control_check_box.h"
#include "skinner/control_frame.h"
#include "skinner/control_window.h"
#include "skinner/properties.h"
#include "skinner/shell_hooks.h"
#include "skinner/skin_writer.h"

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace skinner;

constexpr int s_buttons = 20;
constexpr int s_frames = 18;
constexpr int s_check_boxes = 10;

SkinProperty prop(std::u16string name, PropertyValue value)
{
    return {std::move(name), std::move(value), 0};
}

PictureEntry picture(uint16_t left, uint16_t top)
{
    return {left, top, uint16_t(left + 2), uint16_t(top + 2), uint16_t(left + 6), uint16_t(top + 6),
        uint16_t(left + 8), uint16_t(top + 8), 0, 1};
}

std::u16string numbered(std::u16string_view stem, int n)
{
    std::string digits = std::to_string(n);
    return std::u16string(stem) + std::u16string(digits.begin(), digits.end());
}

// The common properties of control number n.
std::vector<SkinProperty> common(int n)
{
    return {prop(u"Position", PointEntry {int16_t(n % 5 * 48), int16_t(n / 5 * 26)}),
        prop(u"Size", PointEntry {44, 24}), prop(u"AnchorX", std::u16string(n % 2 ? u"RATIO" : u"MIN_SIDE")),
        prop(u"TabOrder", int32_t(n)), prop(u"Cursor", std::u16string(u"HAND")),
        prop(u"Focus", picture(8, 8))};
}

SkinRecord button_record(std::u16string name, int n, bool check_box)
{
    std::vector<SkinProperty> properties = common(n);
    for (const char16_t* state : {u"Normal", u"Pressed", u"Highlighted"}) {
        properties.push_back(prop(state, picture(0, 0)));
        properties.push_back(prop(state, FontEntry {0}));
        properties.push_back(prop(state, ColourEntry {{10, 20, 30, 0}}));
    }
    if (check_box)
        properties.push_back(prop(u"CheckedNormal", picture(8, 0)));
    properties.push_back(prop(u"Text", numbered(u"Menu_", n)));
    properties.push_back(prop(u"BorderMin", PointEntry {2, 2}));
    properties.push_back(prop(u"HAlignment", std::u16string(u"LEFT")));
    return {std::move(name), std::move(properties), 0};
}

SkinRecord frame_record(std::u16string name, int n)
{
    std::vector<SkinProperty> properties = common(n);
    properties.push_back(prop(u"Normal", picture(0, 8)));
    properties.push_back(prop(u"Normal", FontEntry {0}));
    properties.push_back(prop(u"Normal", ColourEntry {{0, 0, 0, 0}}));
    properties.push_back(prop(u"Text", std::u16string(u"Status line with a few words to wrap")));
    properties.push_back(prop(u"Wrap", int32_t(n % 2)));
    properties.push_back(prop(u"AutoSize", int32_t(1)));
    return {std::move(name), std::move(properties), 0};
}

SkinModel bench_model()
{
    SkinModel model;
    model.version = u"Melodeck_1.00";
    model.pictures = {{u"bench", 0}};
    model.fonts = {{u"12 0 0 0 Tahoma", 0}};
    SkinForm form;
    form.record = {u"FormBench", {prop(u"Size", PointEntry {240, 268})}, 0};
    int n = 0;
    for (int i = 0; i < s_buttons; ++i)
        form.controls.push_back(button_record(numbered(u"btn", i), n++, false));
    for (int i = 0; i < s_frames; ++i)
        form.controls.push_back(frame_record(numbered(u"frm", i), n++));
    for (int i = 0; i < s_check_boxes; ++i)
        form.controls.push_back(button_record(numbered(u"chk", i), n++, true));
    form.controls.push_back(button_record(u"autoBtn", n++, false));
    form.controls.push_back(frame_record(u"autoFrm", n++));
    form.auto_controls = {{u"autoBtn", u"Auto.Button", 0}, {u"autoFrm", u"Auto.Frame", 0}};
    model.forms.push_back(std::move(form));
    return model;
}

struct Skin {
    std::filesystem::path folder;
    std::u16string path;

    Skin()
    {
        char pattern[] = "/tmp/melodeck-controls-bench-XXXXXX";
        folder = ::mkdtemp(pattern);
        bench::write_bmp(folder / "bench.bmp", 16, 16,
            [](int32_t x, int32_t y) { return uint32_t(x * 7 + y * 131) * 0x010101u; });
        SkinWriter writer(bench_model());
        if (!writer.good()) {
            std::fprintf(stderr, "the bench skin cannot be written\n");
            std::exit(1);
        }
        std::ofstream(folder / "bench.skin", std::ios::binary)
            .write(
                reinterpret_cast<const char*>(writer.bytes().data()), std::streamsize(writer.bytes().size()));
        path = (folder / "bench.skin").u16string();
    }
    ~Skin() { std::filesystem::remove_all(folder); }
};

const Skin& skin()
{
    static Skin s_skin;
    return s_skin;
}

// A form's container with its 50 controls.
struct Form {
    bench::BenchWindow window;
    Container container;
    std::vector<std::unique_ptr<Control>> controls;

    explicit Form(Properties& properties)
        : container(window, &properties, u"FormBench", LookupMode::named, nullptr)
    {
        for (int i = 0; i < s_buttons; ++i)
            controls.push_back(
                std::make_unique<ControlButton>(container, numbered(u"btn", i), LookupMode::named));
        for (int i = 0; i < s_frames; ++i)
            controls.push_back(
                std::make_unique<ControlFrame>(container, numbered(u"frm", i), LookupMode::named));
        for (int i = 0; i < s_check_boxes; ++i)
            controls.push_back(
                std::make_unique<ControlCheckBox>(container, numbered(u"chk", i), LookupMode::named));
        container.create_auto_controls(make_auto_control);
    }
};

void BM_BuildContainer(benchmark::State& state)
{
    Properties properties(skin().path, {240, 320});
    for (auto _ : state) {
        Form form(properties);
        benchmark::DoNotOptimize(form.container.controls().data());
    }
    state.counters["controls"] = double(Form(properties).container.controls().size());
}
BENCHMARK(BM_BuildContainer)->Unit(benchmark::kMicrosecond);

void BM_RefreshSkin(benchmark::State& state)
{
    Properties properties(skin().path, {240, 320});
    Form form(properties);
    properties.impl().reset_counters();
    form.container.on_skin_changed();
    state.counters["lookups"] = double(properties.impl().counters().lookups);
    state.counters["comparisons"] = double(properties.impl().counters().comparisons);
    for (auto _ : state)
        form.container.on_skin_changed();
}
BENCHMARK(BM_RefreshSkin)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
