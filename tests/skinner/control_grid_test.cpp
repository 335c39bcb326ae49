#include "skinner/control_grid.h"

#include "control_test_support.h"
#include "skinner/grid_selection_strategy_single_row.h"
#include "skinner/grid_selection_strategy_with_highlight.h"

using namespace skinner;
using namespace test;

using Offsets = std::vector<int32_t>;

namespace {

// A cell (or a header cell: row -1) as drawn.
struct Drawn {
    int32_t column, row;
    Point position;
    Size size;
    bool highlighted;
};

// lstGrid: 240 x 140 at (0, 120), rows 20 high, a 12-pixel vertical bar: 7 rows a page.
template<class Strategy> class Songs : public ControlGrid, public Strategy {
public:
    Songs(Container& container, int32_t rows, Offsets widths = {-1}, int32_t header = 0)
        : ControlGrid(container, u"lstGrid", LookupMode::named)
        , rows(rows)
        , widths(std::move(widths))
        , header(header)
    {
        update_layout();
    }

    int32_t row_count() const override { return rows; }
    int32_t column_count() const override { return int32_t(widths.size()); }
    int32_t column_width(int32_t column) const override { return widths[size_t(column)]; }
    int32_t header_height() const override { return header; }
    int32_t row_indent(int32_t) const override { return indent; }
    int32_t on_indent_click(const GridClick&) override
    {
        ++indent_clicks;
        return 0;
    }
    void draw_cell(int32_t column, int32_t row, Canvas& canvas, Point position, Size size, bool selected,
        bool highlighted) override
    {
        drawn.push_back({column, row, position, size, highlighted});
        draw_cell_text(canvas, grid_cell_style(selected, highlighted), u"", position, size);
    }
    void draw_header(int32_t column, Canvas&, Point position, Size size) override
    {
        drawn.push_back({column, -1, position, size, false});
    }
    void set_rows(int32_t count)
    {
        rows = count;
        update_layout();
    }

    int32_t rows;
    Offsets widths;
    int32_t header;
    int32_t indent = 0;
    int32_t indent_clicks = 0;
    std::vector<Drawn> drawn;
};

using List = Songs<GridSelectionStrategySingleRow>;
using HighlightList = Songs<GridSelectionStrategyWithHighlight>;

// The centre of a row's first column, when the grid shows rows from first on.
Point row_point(int32_t row, int32_t first = 0)
{
    return {30, 120 + (row - first) * 20 + 10};
}

os::Surface paint(Control& control)
{
    os::Surface surface(240, 268, 0xFF808080u);
    Canvas canvas(surface);
    control.paint(canvas, control.rect().position, control.rect().size);
    return surface;
}

} // namespace

TEST(ControlGrid, columns_share_the_client_width_and_bars_come_when_rows_or_columns_overflow)
{
    struct Case {
        int32_t rows;
        Offsets widths, offsets;
        bool vertical, horizontal;
    };
    const Case cases[] = {
        {5, {20, -1, -2}, {0, 20, 93, 240}, false, false}, {7, {-1}, {0, 240}, false, false},
        {8, {-1}, {0, 228}, true, false}, // a default column fills the width beside the bar
        {5, {300, -1}, {0, 300, 300}, false, true}, // fixed columns wider than the grid
        {7, {300, -1}, {0, 300, 300}, true, true}, // the horizontal bar leaves room for 6 rows
        {8, {230}, {0, 230}, true, true}, // 230 fits only without the vertical bar
    };
    for (const Case& c : cases) {
        ListsForm f;
        List grid(f.container, c.rows, c.widths);
        EXPECT_EQ(grid.column_offsets(), c.offsets) << c.rows;
        EXPECT_EQ(grid.vertical_bar().is_visible(), c.vertical) << c.rows;
        EXPECT_EQ(grid.horizontal_bar().is_visible(), c.horizontal) << c.rows;
    }
    ListsForm f;
    List grid(f.container, 100);
    EXPECT_EQ(grid.vertical_bar().rect(), (Rect {{228, 120}, {12, 140}}));
    EXPECT_EQ(grid.vertical_bar().maximum(), 100);
    EXPECT_EQ(grid.vertical_bar().page(), 7);
    EXPECT_EQ(grid.horizontal_bar().page(), 228);
    ListsForm g;
    List wide(g.container, 5, {300, -1});
    EXPECT_EQ(wide.painter().rect().size, (Size {240, 128}));
    wide.horizontal_bar().set_position(500);
    EXPECT_EQ(wide.scroll_offset(), 60);
    tap(g.container, {10, 130});
    EXPECT_EQ(g.listener.log, (Events {"selection lstGrid", "cell 0 0 70 10 10 130 single"}))
        << "70 pixels into the first column";
}

TEST(ControlGrid, paints_the_visible_rows_in_their_style_with_the_header_above)
{
    ListsForm f;
    List headed(f.container, 100, {20, -1}, 20);
    EXPECT_EQ(headed.page_rows(), 6);
    headed.vertical_bar().set_position(10);
    paint(headed);
    ASSERT_EQ(headed.drawn.size(), 2u + 6 * 2);
    EXPECT_EQ(headed.drawn[1].position, (Point {20, 120})) << "the header's second column";
    EXPECT_EQ(headed.drawn[1].size, (Size {208, 20}));
    EXPECT_EQ(headed.drawn[2].row, 10);
    EXPECT_EQ(headed.drawn[2].position, (Point {0, 140}));
    EXPECT_EQ(headed.drawn.back().row, 15);

    ListsForm g;
    List few(g.container, 5);
    few.select_row(1);
    os::Surface surface = paint(few);
    EXPECT_EQ(few.drawn.back().row, 4) << "never past the last";
    EXPECT_EQ(surface.at(50, 125), 0xFF000040u) << "row 0: ItemNormal";
    EXPECT_EQ(surface.at(50, 145), 0xFF00E040u) << "row 1: ItemSelection";
    EXPECT_EQ(surface.at(50, 230), 0xFF204060u) << "below the rows: the grid's background";
}

TEST(ControlGrid, taps_select_and_click_rows_and_headers_and_a_drag_moves_the_selection)
{
    struct Case {
        const char* name;
        int32_t rows, header;
        Point down, up;
        int32_t selected; // after the release
        std::string told; // the notification the release gives, if any
    };
    const Case cases[] = {{"top pixel without a header", 100, 0, {30, 120}, {30, 120}, 0, "cell 0 1"},
        {"released just below", 100, 0, row_point(3), {30, 260}, 3, ""},
        {"released above", 100, 0, row_point(3), {30, 100}, 3, ""},
        {"below the last row", 3, 0, row_point(5), row_point(5), -1, "cell 5 1"},
        {"header", 100, 20, {50, 125}, {50, 125}, -1, "header 1"},
        {"header to row", 100, 20, {50, 125}, {50, 170}, -1, ""},
        {"first pixel under the header", 100, 20, {50, 140}, {50, 140}, 0, "cell 0 1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListsForm f;
        List grid(f.container, c.rows, {20, -1}, c.header);
        f.container.mouse_down(0, c.down, false);
        f.container.mouse_up(0, c.up);
        EXPECT_EQ(grid.selected_row(), c.selected);
        EXPECT_EQ(f.listener.count("cell") + f.listener.count("header"), c.told.empty() ? 0u : 1u);
        EXPECT_EQ(f.listener.count(c.told.empty() ? "-" : c.told), c.told.empty() ? 0u : 1u);
    }
    ListsForm f;
    List grid(f.container, 100);
    tap(f.container, {37, 166});
    tap(f.container, {37, 166}, true);
    EXPECT_EQ(f.listener.log,
        (Events {"selection lstGrid", "cell 2 0 37 6 37 166 single", "cell 2 0 37 6 37 166 double"}))
        << "the same row again is no change";
    f.container.mouse_down(0, row_point(1), false);
    f.container.mouse_move(row_point(4));
    EXPECT_EQ(grid.selected_row(), 4);
    f.container.mouse_up(0, row_point(4));
    f.container.mouse_move(row_point(6));
    EXPECT_EQ(grid.selected_row(), 4) << "moves without a press select nothing";
    grid.indent = 12;
    tap(f.container, {5, 130});
    EXPECT_EQ(grid.indent_clicks, 1) << "a press within the indent goes to the indent handler";
    EXPECT_EQ(grid.selected_row(), 4);
}

TEST(ControlGrid, the_highlight_follows_the_pointer_and_goes_with_its_removed_row)
{
    ListsForm f;
    HighlightList grid(f.container, 100);
    f.container.mouse_move(row_point(3));
    EXPECT_EQ(grid.highlighted_row(), 3);
    paint(grid);
    EXPECT_TRUE(grid.drawn[3].highlighted && !grid.drawn[2].highlighted);
    f.container.mouse_move({234, 130});
    EXPECT_EQ(grid.highlighted_row(), -1) << "onto the grid's own bar";
    f.container.mouse_move(row_point(3));
    f.container.mouse_move({30, 50});
    EXPECT_EQ(grid.highlighted_row(), -1) << "leaving the grid clears it";
    grid.highlight(0, 6);
    grid.on_rows_removed(0, 2);
    EXPECT_EQ(grid.highlighted_row(), 4);
    grid.on_rows_inserted(4, 1);
    EXPECT_EQ(grid.highlighted_row(), 5);
    grid.on_rows_removed(5, 1);
    EXPECT_EQ(grid.highlighted_row(), -1);
}

TEST(ControlGrid, an_edit_keys_and_the_bar_move_through_the_rows_and_a_selected_row_scrolls_into_view)
{
    ListsForm f;
    List grid(f.container, 100, {20, -1});
    // An edit opens over its cell, takes the keys first and Enter keeps the text.
    grid.begin_edit(1, 2, u"ab");
    EXPECT_TRUE(grid.is_editing());
    EXPECT_EQ(grid.edit().rect(), (Rect {{20, 160}, {208, 20}}));
    EXPECT_TRUE(grid.on_char(u"c") && grid.on_key_down(KeyLeft) && grid.on_key_down(KeyBackspace)
        && grid.on_key_down(KeyDown));
    EXPECT_EQ(grid.selected_row(), -1);
    EXPECT_TRUE(grid.on_key_down(KeyEnter));
    EXPECT_FALSE(grid.is_editing() || grid.edit().is_visible());
    EXPECT_EQ(f.listener.log, Events {"edit 1 2 keep ac"});
    f.listener.log.clear();
    f.window.clean();
    grid.vertical_bar().set_position(30);
    EXPECT_EQ(grid.first_visible_row(), 30);
    EXPECT_TRUE(f.window.was_invalidated(grid.rect()));
    tap(f.container, row_point(30, 30));
    EXPECT_EQ(grid.selected_row(), 30);
    EXPECT_EQ(f.listener.count("scroll"), 0u) << "the grid's bars notify the grid, not the form";
    const std::pair<int32_t, int32_t> into_view[] = {{50, 44}, {46, 44}, {10, 10}, {99, 93}};
    for (const auto& [row, first] : into_view) {
        grid.select_row(row);
        EXPECT_EQ(grid.first_visible_row(), first) << row;
    }

    grid.set_rows(10);
    grid.select_row(-1);
    const std::tuple<int32_t, bool, int32_t> keys[] = {{KeyUp, true, 0}, // from none Up selects row 0
        {KeyUp, false, 0}, {KeyPageUp, false, 0}, {KeyDown, true, 1}, {KeyPageDown, true, 2},
        {KeyEnd, true, 9}, {KeyPageDown, false, 9}, {KeyHome, true, 0}};
    for (const auto& [key, taken, row] : keys) {
        EXPECT_EQ(grid.on_key_down(key), taken) << key;
        EXPECT_EQ(grid.selected_row(), row) << key;
    }
    grid.select_row(9);
    EXPECT_EQ(grid.first_visible_row(), 3);
    grid.set_rows(4);
    EXPECT_FALSE(grid.on_key_down(KeyDown));
    EXPECT_TRUE(grid.on_key_down(KeyUp));
    EXPECT_EQ(grid.selected_row(), 3) << "back inside after a removal";
    grid.set_rows(0);
    for (int32_t key : {KeyUp, KeyDown, KeyHome, KeyEnd})
        EXPECT_FALSE(grid.on_key_down(key)) << "an empty list handles no keys";
}
