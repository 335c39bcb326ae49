// The cost of painting a full 480 x 640 screen the way skin forms do: a tiled nine-part
// background, masked nine-part buttons, alpha-blended pictures and a few lines of text, all
// through skinner::Canvas, Picture and Font. Pictures come from BMP files written to a temporary
// folder at start-up (the skin-folder fallback of picture loading), at scale 2.

#include "skinner/canvas.h"
#include "skinner/font.h"
#include "skinner/picture.h"

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using bench::write_bmp;

using skinner::Canvas;
using skinner::Color;
using skinner::Font;
using skinner::Picture;
using skinner::Point;
using skinner::Size;

constexpr int32_t s_width = 480;
constexpr int32_t s_height = 640;
constexpr int32_t s_scale = 2;

// A rounded shape: inside a circle of radius r around the cell centre, with rounded corners.
bool inside_round(int32_t x, int32_t y, int32_t w, int32_t h, int32_t r)
{
    int32_t cx = x < r ? r : (x >= w - r ? w - r - 1 : x);
    int32_t cy = y < r ? r : (y >= h - r ? h - r - 1 : y);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
}

struct Scene {
    std::filesystem::path folder;
    std::u16string skin;
    Picture background, button, glow, title;
    Font font {s_scale};
    Font small {s_scale};

    Scene()
    {
        char pattern[] = "/tmp/melodeck-bench-XXXXXX";
        folder = ::mkdtemp(pattern);
        write_bmp(folder / "Back.bmp", 32, 32,
            [](int32_t x, int32_t y) { return 0x102030u + uint32_t(x * 3 + y); });
        write_bmp(folder / "Button.bmp", 64, 24, [](int32_t x, int32_t y) {
            return inside_round(x, y, 64, 24, 8) ? 0x3060A0u + uint32_t(y * 2) : 0xFFFFFFu;
        });
        write_bmp(folder / "Button_1.bmp", 64, 24,
            [](int32_t x, int32_t y) { return inside_round(x, y, 64, 24, 8) ? 0xFFFFFFu : 0u; });
        write_bmp(folder / "Glow.bmp", 48, 48, [](int32_t x, int32_t) { return 0xF0C040u + uint32_t(x); });
        write_bmp(folder / "Glow_8.bmp", 48, 48, [](int32_t x, int32_t y) {
            int32_t d = (x - 24) * (x - 24) + (y - 24) * (y - 24);
            return uint32_t(d >= 576 ? 0 : 255 - d * 255 / 576);
        });
        write_bmp(
            folder / "Title.bmp", 16, 20, [](int32_t, int32_t y) { return 0x202020u * uint32_t(y % 8); });
        write_bmp(folder / "Title_8.bmp", 16, 20, [](int32_t, int32_t) { return 0xC0u; });
        skin = std::filesystem::path(folder / "bench.skin").u16string();

        background = Picture(skin, u"Back", false, s_scale);
        frame(background, 8);
        button = Picture(skin, u"Button", true, s_scale);
        frame(button, 10);
        glow = Picture(skin, u"Glow", true, s_scale);
        title = Picture(skin, u"Title", true, s_scale);
        frame(title, 4);
        font.set(u"12 0 0 0 Tahoma");
        small.set(u"9 1 0 0 Tahoma");
    }
    ~Scene()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // Borders of b scaled pixels on every side.
    static void frame(Picture& p, int32_t b)
    {
        Size s = p.size();
        p.set_inner_left_top({b, b});
        p.set_inner_right_bottom({s.width - b, s.height - b});
    }

    void paint(Canvas& canvas) const
    {
        background.draw(canvas, {0, 0}, {s_width, s_height});
        title.draw(canvas, {0, 0}, {s_width, 52});
        font.draw_text(
            canvas, {255, 255, 255, 0}, u"Melodeck \u2014 Now playing", {8, 0}, {s_width - 16, 52}, 0, 1);
        for (int32_t i = 0; i < 10; ++i) {
            Point at {16 + (i % 2) * 232, 80 + (i / 2) * 96};
            button.draw(canvas, at, {216, 80});
            small.draw_text_ellipsis(canvas, {240, 240, 240, 0},
                u"Track number with a long title " + std::u16string(1, char16_t(u'0' + i)), at, {216, 80}, 1,
                1);
        }
        for (int32_t i = 0; i < 4; ++i)
            glow.draw(canvas, {40 + i * 110, 560}, {96, 96});
    }
};

Scene& scene()
{
    static Scene s_scene;
    return s_scene;
}

// Times draw on a canvas over a screen-sized surface.
template<typename Draw> void time_drawing(benchmark::State& state, Draw draw)
{
    os::Surface surface(s_width, s_height);
    Canvas canvas(surface);
    for (auto _ : state)
        draw(canvas);
}

void BM_FullRepaint(benchmark::State& state)
{
    os::Surface surface(s_width, s_height);
    Canvas canvas(surface);
    for (auto _ : state) {
        scene().paint(canvas);
        benchmark::DoNotOptimize(surface.pixels.data());
    }
    state.counters["repaints/s"]
        = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);

void BM_TiledBackground(benchmark::State& state)
{
    time_drawing(state, [](Canvas& canvas) { scene().background.draw(canvas, {0, 0}, {s_width, s_height}); });
}
BENCHMARK(BM_TiledBackground)->Unit(benchmark::kMicrosecond);

void BM_MaskedButton(benchmark::State& state)
{
    time_drawing(state, [](Canvas& canvas) { scene().button.draw(canvas, {16, 80}, {216, 80}); });
}
BENCHMARK(BM_MaskedButton)->Unit(benchmark::kMicrosecond);

void BM_AlphaPicture(benchmark::State& state)
{
    time_drawing(state, [](Canvas& canvas) { scene().glow.draw(canvas, {40, 560}, {96, 96}); });
}
BENCHMARK(BM_AlphaPicture)->Unit(benchmark::kMicrosecond);

void BM_TextLine(benchmark::State& state)
{
    time_drawing(state, [](Canvas& canvas) {
        scene().font.draw_text(canvas, {0, 0, 0, 0}, u"The quick brown fox jumps over the lazy dog", {0, 0},
            {s_width, 40}, 0, 1);
    });
}
BENCHMARK(BM_TextLine)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
