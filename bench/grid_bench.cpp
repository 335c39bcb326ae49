// The cost of scrolling a 10,000-row grid list one page at a time on a 480 x 640 screen: each
// iteration moves the vertical scroll bar down one page (back to the top at the end) and paints
// the whole grid into the screen's surface, as the form does after the bar's notification. Cells
// fill their background and draw a line of text with ellipsis in the default font, as the file
// browser's name column does; a second figure leaves the text out to show what the grid costs
// by itself. The target is under 2 ms per page.

#include "skinner/container.h"
#include "skinner/control_grid.h"
#include "skinner/control_window.h"
#include "skinner/grid_selection_strategy_single_row.h"
#include "skinner/shell_hooks.h"

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using skinner::Canvas;
using skinner::Point;
using skinner::Size;

constexpr int32_t s_width = 480;
constexpr int32_t s_height = 640;
constexpr int32_t s_rows = 10000;

// Two columns: a fixed icon column and the name column taking the rest.
class Names : public skinner::ControlGrid, public skinner::GridSelectionStrategySingleRow {
public:
    Names(skinner::Container& container, bool text)
        : ControlGrid(container, u"", skinner::LookupMode::none)
        , m_text(text)
    {
        for (int32_t row = 0; row < s_rows; ++row)
            m_names.push_back(u"Track " + std::u16string(1, char16_t(u'A' + row % 26))
                + u" - a rather long title that needs an ellipsis on a small screen.mp3");
        update_layout();
    }

    int32_t row_count() const override { return s_rows; }
    int32_t column_count() const override { return 2; }
    int32_t column_width(int32_t column) const override { return column == 0 ? 40 : -1; }
    void draw_cell(
        int32_t column, int32_t row, Canvas& canvas, Point position, Size size, bool selected, bool) override
    {
        uint32_t back = selected ? 0xFF3060A0u : (row % 2 ? 0xFF202020u : 0xFF282828u);
        canvas.fill({position, size}, back);
        if (m_text && column == 1)
            window().default_font().draw_text_ellipsis(canvas, {0xF0, 0xF0, 0xF0, 0}, m_names[size_t(row)],
                position, size, skinner::AlignNear, skinner::AlignCentre);
    }

private:
    bool m_text;
    std::vector<std::u16string> m_names;
};

void page_through(benchmark::State& state, bool text)
{
    bench::BenchWindow window(u"16 0 0 0 Tahoma");
    skinner::Container form(window, nullptr, u"", skinner::LookupMode::none, nullptr);
    form.resize({0, 0}, {s_width, s_height});
    Names grid(form, text);
    grid.set_rect({{0, 0}, {s_width, s_height}});
    grid.select_row(3);
    os::Surface surface(s_width, s_height);
    Canvas canvas(surface);
    int32_t page = grid.page_rows();
    for (auto _ : state) {
        int32_t next = grid.first_visible_row() + page;
        grid.vertical_bar().set_position(next > s_rows - page ? 0 : next);
        grid.paint(canvas, {0, 0}, {s_width, s_height});
        benchmark::DoNotOptimize(surface.pixels.data());
    }
    state.counters["rows_per_page"] = page;
    state.SetLabel("time per page");
}

void BM_GridPageWithText(benchmark::State& state)
{
    page_through(state, true);
}

void BM_GridPageWithoutText(benchmark::State& state)
{
    page_through(state, false);
}

} // namespace

BENCHMARK(BM_GridPageWithText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridPageWithoutText)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
