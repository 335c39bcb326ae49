// The cost of forms as the player uses them, on a 480 x 744 Pocket PC screen whose work area is
// 480 x 640: a full repaint of a 480 x 640 form (background, 25 masked nine-part buttons with
// text, 25 text frames over alpha-mapped pictures) through the back buffer, and building such a
// form of 50 auto controls from its skin. The skin (at scale 2) and its bitmaps are written to a
// temporary folder at start-up. Targets: a repaint under 4 ms, a build under 2 ms.

#include "os/screen/headless_screen.h"
#include "skinner/form.h"
#include "skinner/properties.h"
#include "skinner/skin_writer.h"

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using bench::write_bmp;

using namespace skinner;

constexpr int32_t s_columns = 5;
constexpr int32_t s_rows = 10;

std::u16string text(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

void write_bitmaps(const std::filesystem::path& folder)
{
    write_bmp(folder / "back.bmp", 32, 32,
        [](int32_t x, int32_t y) { return uint32_t(x * 8) << 16 | uint32_t(y * 8); });
    auto round = [](int32_t x, int32_t y) {
        return (x - 15) * (x - 15) + (y - 15) * (y - 15) < 14 * 14 || (x > 4 && x < 27);
    };
    write_bmp(folder / "button.bmp", 32, 32,
        [&](int32_t x, int32_t y) { return round(x, y) ? 0xC02020u : 0xFFFFFFu; });
    write_bmp(
        folder / "button_1.bmp", 32, 32, [&](int32_t x, int32_t y) { return round(x, y) ? 0xFFFFFFu : 0u; });
    write_bmp(folder / "glow.bmp", 24, 24, [](int32_t, int32_t) { return 0x2040FFu; });
    write_bmp(folder / "glow_8.bmp", 24, 24,
        [](int32_t x, int32_t y) { return uint32_t((x + y) * 5) * 0x010101u; });
}

PictureEntry picture(uint8_t index, uint16_t size, uint16_t border, uint8_t stretch)
{
    return {
        0, 0, border, border, uint16_t(size - border), uint16_t(size - border), size, size, index, stretch};
}

SkinRecord cell(const std::string& name, int32_t index, bool button)
{
    SkinRecord record;
    record.name = text(name);
    auto add = [&](std::u16string property, PropertyValue value) {
        record.properties.push_back({std::move(property), std::move(value), 0});
    };
    int16_t x = int16_t(index % s_columns * 48);
    int16_t y = int16_t(index / s_columns * 32);
    add(u"Position", PointEntry {int16_t(x + 2), int16_t(y + 2)});
    add(u"Size", PointEntry {44, 28});
    add(u"Normal", button ? picture(1, 32, 10, 1) : picture(2, 24, 0, 1));
    add(u"Normal", ColourEntry {{255, 255, 255, 0}});
    add(u"Normal", FontEntry {0});
    add(u"Text", text(button ? "Play " + std::to_string(index) : "Track " + std::to_string(index)));
    add(u"AnchorX", std::u16string(u"RATIO"));
    add(u"AnchorY", std::u16string(u"RATIO"));
    return record;
}

SkinModel model()
{
    SkinModel model;
    model.version = u"Melodeck_1.00";
    model.sizes = {{240, 372, 0}};
    model.pictures = {{u"back"}, {u"button"}, {u"glow"}};
    model.fonts = {{u"9 0 0 0 Tahoma"}};
    SkinForm form;
    form.record.name = u"FormBench";
    form.record.properties.push_back({u"Size", PointEntry {240, 320}, 0});
    form.record.properties.push_back({u"StartPosition", int32_t(3), 0});
    form.record.properties.push_back({u"Background", picture(0, 32, 8, 0), 0});
    for (int32_t i = 0; i < s_columns * s_rows; ++i) {
        bool button = i % 2 == 0;
        std::string name = (button ? "btn" : "frm") + std::to_string(100 + i);
        form.controls.push_back(cell(name, i, button));
        form.auto_controls.push_back({text(name), button ? u"Auto.Button" : u"Auto.Frame", 0});
    }
    model.forms.push_back(std::move(form));
    return model;
}

// The screen and the skin, made once for every benchmark.
struct Setup {
    Setup()
        : folder(
            std::filesystem::temp_directory_path() / ("melodeck-form-bench-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(folder);
        write_bitmaps(folder);
        SkinWriter writer(model());
        std::ofstream(folder / "bench.skin", std::ios::binary)
            .write(
                reinterpret_cast<const char*>(writer.bytes().data()), std::streamsize(writer.bytes().size()));
        skin = std::make_unique<Properties>(text((folder / "bench.skin").string()), Size {480, 744});
    }
    ~Setup() { std::filesystem::remove_all(folder); }

    std::filesystem::path folder;
    os::HeadlessScreen screen {{480, 744}};
    std::unique_ptr<Properties> skin;
};

Setup& setup()
{
    static Setup s_setup;
    return s_setup;
}

void full_repaint(benchmark::State& state)
{
    Setup& s = setup();
    if (!s.skin->is_valid()) {
        state.SkipWithError("the bench skin did not load");
        return;
    }
    Form form(nullptr, s.skin.get(), u"FormBench", nullptr);
    form.impl().window().show(os::ShowMode::show);
    s.screen.dispatch_pending();
    for (auto _ : state) {
        form.impl().invalidate_all();
        form.impl().window().update();
    }
    os::Size size = form.impl().window().size();
    state.counters["width"] = size.width;
    state.counters["height"] = size.height;
    state.counters["controls"] = double(form.controls().size());
}
BENCHMARK(full_repaint)->Unit(benchmark::kMillisecond);

void build_form(benchmark::State& state)
{
    Setup& s = setup();
    if (!s.skin->is_valid()) {
        state.SkipWithError("the bench skin did not load");
        return;
    }
    std::optional<Form> form;
    size_t controls = 0;
    for (auto _ : state) {
        form.emplace(nullptr, s.skin.get(), u"FormBench", nullptr);
        state.PauseTiming();
        controls = form->controls().size();
        form.reset();
        state.ResumeTiming();
    }
    state.counters["controls"] = double(controls);
}
BENCHMARK(build_form)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
