#include "skinner/control_grid.h"

#include "lists_support.h"
#include "skinner/control_button.h"
#include "skinner/grid_selection_strategy_single_row.h"
#include "skinner/grid_selection_strategy_with_highlight.h"
#include "skinner/key_codes.h"

#include <gtest/gtest.h>

using skinner::ControlGrid;
using skinner::GridClick;
using skinner::LookupMode;
using skinner::Point;
using skinner::Rect;
using test::ListsForm;
using Offsets = std::vector<int32_t>;

namespace {

struct Drawn {
    int32_t column;
    int32_t row;
    Point position;
    skinner::Size size;
    bool selected;
    bool highlighted;
};

// lstGrid: 240 x 140 at (0, 120), rows 20 high, a 12-pixel vertical bar: 7 rows a page.
template<class Strategy> class Songs : public ControlGrid, public Strategy {
public:
    Songs(skinner::Container& container, int32_t rows, Offsets widths = {-1}, int32_t header = 0)
        : ControlGrid(container, u"lstGrid", LookupMode::named)
        , m_rows(rows)
        , m_widths(std::move(widths))
        , m_header(header)
    {
        update_layout();
    }

    int32_t row_count() const override { return m_rows; }
    int32_t column_count() const override { return int32_t(m_widths.size()); }
    int32_t column_width(int32_t column) const override { return m_widths[size_t(column)]; }
    int32_t header_height() const override { return m_header; }
    int32_t row_indent(int32_t) const override { return indent; }
    int32_t on_indent_click(const GridClick& click) override
    {
        indent_clicks.push_back(click);
        return 0;
    }
    void draw_cell(int32_t column, int32_t row, skinner::Canvas& canvas, Point position, skinner::Size size,
        bool selected, bool highlighted) override
    {
        drawn.push_back({column, row, position, size, selected, highlighted});
        draw_cell_text(canvas, skinner::grid_cell_style(selected, highlighted), u"", position, size);
    }
    void draw_header(int32_t column, skinner::Canvas&, Point position, skinner::Size size) override
    {
        headers.push_back({column, -1, position, size, false, false});
    }

    void set_rows(int32_t rows)
    {
        m_rows = rows;
        update_layout();
    }
    std::vector<int32_t> drawn_rows() const
    {
        std::vector<int32_t> rows;
        for (const Drawn& cell : drawn)
            if (rows.empty() || rows.back() != cell.row)
                rows.push_back(cell.row);
        return rows;
    }

    std::vector<Drawn> drawn;
    std::vector<Drawn> headers;
    std::vector<GridClick> indent_clicks;
    int32_t indent = 0;

private:
    int32_t m_rows;
    Offsets m_widths;
    int32_t m_header;
};

using List = Songs<skinner::GridSelectionStrategySingleRow>;
using HighlightList = Songs<skinner::GridSelectionStrategyWithHighlight>;

// The centre of a row's first column, when the grid shows rows from first on.
Point row_point(int32_t row, int32_t first = 0, int32_t header = 0)
{
    return {30, 120 + header + (row - first) * 20 + 10};
}

void tap(ListsForm& f, Point point, bool double_tap = false)
{
    f.form.mouse_down(0, point, double_tap);
    f.form.mouse_up(0, point);
}

os::Surface paint(skinner::Control& control)
{
    os::Surface surface(240, 268, 0xFF808080u);
    skinner::Canvas canvas(surface);
    control.paint(canvas, control.rect().position, control.rect().size);
    return surface;
}

} // namespace

// Layout ----------------------------------------------------------------------------------------

TEST(ControlGrid, fixed_and_proportional_columns_share_the_client_width)
{
    ListsForm f;
    List grid(f.form, 5, {20, -1, -2});
    EXPECT_EQ(grid.painter().rect(), (Rect {{0, 120}, {240, 140}}));
    EXPECT_EQ(grid.column_offsets(), (Offsets {0, 20, 93, 240}));
    EXPECT_FALSE(grid.vertical_bar().is_visible());
    EXPECT_FALSE(grid.horizontal_bar().is_visible());
}

TEST(ControlGrid, a_default_column_fills_the_width_beside_the_vertical_bar)
{
    ListsForm f;
    List grid(f.form, 100);
    EXPECT_TRUE(grid.vertical_bar().is_visible());
    EXPECT_FALSE(grid.horizontal_bar().is_visible());
    EXPECT_EQ(grid.column_offsets(), (Offsets {0, 228}));
    EXPECT_EQ(grid.vertical_bar().rect(), (Rect {{228, 120}, {12, 140}}));
    EXPECT_EQ(grid.vertical_bar().minimum(), 0);
    EXPECT_EQ(grid.vertical_bar().maximum(), 100);
    EXPECT_EQ(grid.vertical_bar().page(), 7);
    EXPECT_EQ(grid.horizontal_bar().maximum(), 228);
    EXPECT_EQ(grid.horizontal_bar().page(), 228);
}

TEST(ControlGrid, fixed_columns_wider_than_the_grid_scroll_sideways)
{
    ListsForm f;
    List grid(f.form, 5, {300, -1});
    EXPECT_TRUE(grid.horizontal_bar().is_visible());
    EXPECT_FALSE(grid.vertical_bar().is_visible());
    EXPECT_EQ(grid.column_offsets(), (Offsets {0, 300, 300}));
    EXPECT_EQ(grid.painter().rect().size, (skinner::Size {240, 128}));
    grid.horizontal_bar().set_position(500);
    EXPECT_EQ(grid.scroll_offset(), 60);
    // A tap at painter x 10 is 70 pixels into the first column.
    tap(f, {10, 130});
    ASSERT_EQ(f.recorder.cell_clicks.size(), 1u);
    EXPECT_EQ(f.recorder.cell_clicks[0].offset, (Point {70, 10}));
}

TEST(ControlGrid, growing_the_rows_brings_the_vertical_bar)
{
    ListsForm f;
    List grid(f.form, 7);
    EXPECT_FALSE(grid.vertical_bar().is_visible());
    grid.set_rows(8);
    EXPECT_TRUE(grid.vertical_bar().is_visible());
    EXPECT_EQ(grid.column_offsets(), (Offsets {0, 228}));
}

// Painting --------------------------------------------------------------------------------------

TEST(ControlGrid, paints_the_visible_rows_and_never_past_the_last)
{
    ListsForm f;
    List grid(f.form, 100);
    grid.vertical_bar().set_position(10);
    paint(grid);
    EXPECT_EQ(grid.drawn_rows(), (std::vector<int32_t> {10, 11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(grid.drawn[0].position, (Point {0, 120}));
    EXPECT_EQ(grid.drawn[0].size, (skinner::Size {228, 20}));

    ListsForm g;
    List few(g.form, 3);
    paint(few);
    EXPECT_EQ(few.drawn_rows(), (std::vector<int32_t> {0, 1, 2}));
}

TEST(ControlGrid, the_selected_row_is_painted_in_its_style)
{
    ListsForm f;
    List grid(f.form, 5);
    grid.select_row(1);
    os::Surface surface = paint(grid);
    EXPECT_EQ(surface.at(50, 125), 0xFF000040u) << "row 0: ItemNormal";
    EXPECT_EQ(surface.at(50, 145), 0xFF00E040u) << "row 1: ItemSelection";
    EXPECT_EQ(surface.at(50, 230), 0xFF204060u) << "below the rows: the grid's background";
    ASSERT_GE(grid.drawn.size(), 2u);
    EXPECT_FALSE(grid.drawn[0].selected);
    EXPECT_TRUE(grid.drawn[1].selected);
}

TEST(ControlGrid, header_cells_are_drawn_above_the_rows)
{
    ListsForm f;
    List grid(f.form, 100, {20, -1}, 20);
    EXPECT_EQ(grid.page_rows(), 6);
    paint(grid);
    ASSERT_EQ(grid.headers.size(), 2u);
    EXPECT_EQ(grid.headers[1].position, (Point {20, 120}));
    EXPECT_EQ(grid.headers[1].size, (skinner::Size {208, 20}));
    EXPECT_EQ(grid.drawn[0].position, (Point {0, 140}));
}

// Stylus ----------------------------------------------------------------------------------------

TEST(ControlGrid, a_tap_selects_the_row_and_clicks_it_even_on_the_top_pixel)
{
    ListsForm f;
    List grid(f.form, 100);
    tap(f, {37, 166});
    EXPECT_EQ(grid.selected_row(), 2);
    EXPECT_EQ(f.recorder.selection_changes, (std::vector<skinner::Control*> {&grid}));
    ASSERT_EQ(f.recorder.cell_clicks.size(), 1u);
    GridClick click = f.recorder.cell_clicks[0];
    EXPECT_EQ(click.row, 2);
    EXPECT_EQ(click.column, 0);
    EXPECT_EQ(click.offset, (Point {37, 6}));
    EXPECT_EQ(click.point, (Point {37, 166}));
    EXPECT_FALSE(click.double_tap);

    tap(f, {37, 166}, true);
    ASSERT_EQ(f.recorder.cell_clicks.size(), 2u);
    EXPECT_TRUE(f.recorder.cell_clicks[1].double_tap);
    EXPECT_EQ(f.recorder.selection_changes.size(), 1u) << "the same row again is no change";

    tap(f, {30, 120});
    EXPECT_TRUE(f.recorder.header_clicks.empty()) << "without a header the top pixel is a row";
    ASSERT_EQ(f.recorder.cell_clicks.size(), 3u);
    EXPECT_EQ(f.recorder.cell_clicks[2].row, 0);
}

TEST(ControlGrid, a_release_outside_the_rows_does_not_click_and_dragging_moves_the_selection)
{
    ListsForm f;
    List grid(f.form, 100);
    f.form.mouse_down(0, row_point(3), false);
    f.form.mouse_up(0, {30, 300});
    EXPECT_TRUE(f.recorder.cell_clicks.empty());
    EXPECT_EQ(grid.selected_row(), 3) << "the press selected";
    f.form.mouse_down(0, row_point(4), false);
    f.form.mouse_up(0, {30, 100});
    EXPECT_TRUE(f.recorder.cell_clicks.empty());
    f.form.mouse_down(0, row_point(1), false);
    f.form.mouse_move(row_point(4));
    EXPECT_EQ(grid.selected_row(), 4);
    f.form.mouse_up(0, row_point(4));
    f.form.mouse_move(row_point(6));
    EXPECT_EQ(grid.selected_row(), 4) << "moves without a press select nothing";
}

TEST(ControlGrid, taps_below_the_last_row_click_but_do_not_select)
{
    ListsForm f;
    List grid(f.form, 3);
    tap(f, row_point(5));
    EXPECT_EQ(grid.selected_row(), -1);
    ASSERT_EQ(f.recorder.cell_clicks.size(), 1u);
    EXPECT_EQ(f.recorder.cell_clicks[0].row, 5);
}

TEST(ControlGrid, header_taps_click_the_header_only)
{
    ListsForm f;
    List grid(f.form, 100, {20, -1}, 20);
    tap(f, {50, 125});
    ASSERT_EQ(f.recorder.header_clicks.size(), 1u);
    EXPECT_EQ(f.recorder.header_clicks[0].column, 1);
    EXPECT_TRUE(f.recorder.cell_clicks.empty());
    EXPECT_EQ(grid.selected_row(), -1);
    // Pressed on the header, released on a row: neither.
    f.form.mouse_down(0, {50, 125}, false);
    f.form.mouse_up(0, {50, 170});
    EXPECT_EQ(f.recorder.header_clicks.size(), 1u);
    EXPECT_TRUE(f.recorder.cell_clicks.empty());
    tap(f, {50, 145});
    ASSERT_EQ(f.recorder.cell_clicks.size(), 1u);
    EXPECT_EQ(f.recorder.cell_clicks[0].row, 0);
}

TEST(ControlGrid, a_hold_selects_and_raises_cell_hold)
{
    ListsForm f;
    List grid(f.form, 100);
    grid.vertical_bar().set_position(20);
    EXPECT_TRUE(f.form.wants_gesture(row_point(3)));
    f.form.mouse_down(2, row_point(3), false);
    f.form.mouse_up(2, row_point(3));
    EXPECT_EQ(grid.selected_row(), 23);
    ASSERT_EQ(f.recorder.cell_holds.size(), 1u);
    EXPECT_EQ(f.recorder.cell_holds[0].row, 23);
    EXPECT_TRUE(f.recorder.cell_clicks.empty());
}

// A subclass that overrides the grid's own slots hears taps and holds first; passing them on
// (the base slot) reaches the container as a plain grid does.
namespace {
class Browser : public List {
public:
    using List::List;
    int32_t on_cell_click(skinner::Control& grid, const GridClick& click) override
    {
        clicks.push_back(click);
        return pass_on ? List::on_cell_click(grid, click) : 1;
    }
    int32_t on_cell_hold(skinner::Control& grid, const GridClick& click) override
    {
        holds.push_back(click);
        return pass_on ? List::on_cell_hold(grid, click) : 1;
    }
    bool pass_on = false;
    std::vector<GridClick> clicks;
    std::vector<GridClick> holds;
};
} // namespace

TEST(ControlGrid, a_subclass_hears_its_own_taps_and_holds_before_the_container)
{
    for (bool pass_on : {false, true}) {
        SCOPED_TRACE(pass_on ? "passed on" : "kept");
        ListsForm f;
        Browser grid(f.form, 100);
        grid.pass_on = pass_on;
        tap(f, row_point(2));
        tap(f, row_point(2), true);
        f.form.mouse_down(2, row_point(4), false);
        f.form.mouse_up(2, row_point(4));
        ASSERT_EQ(grid.clicks.size(), 2u);
        EXPECT_EQ(grid.clicks[0].row, 2);
        EXPECT_FALSE(grid.clicks[0].double_tap);
        EXPECT_TRUE(grid.clicks[1].double_tap) << "the activation reaches the subclass";
        ASSERT_EQ(grid.holds.size(), 1u);
        EXPECT_EQ(grid.holds[0].row, 4);
        EXPECT_EQ(grid.selected_row(), 4);
        EXPECT_EQ(f.recorder.cell_clicks.size(), pass_on ? 2u : 0u);
        EXPECT_EQ(f.recorder.cell_holds.size(), pass_on ? 1u : 0u);
    }
}

TEST(ControlGrid, a_press_within_the_indent_goes_to_the_indent_handler)
{
    ListsForm f;
    List grid(f.form, 100);
    grid.indent = 12;
    tap(f, {5, 130});
    EXPECT_EQ(grid.indent_clicks.size(), 1u);
    EXPECT_EQ(grid.selected_row(), -1);
    EXPECT_TRUE(f.recorder.cell_clicks.empty());
    tap(f, {12, 130});
    EXPECT_EQ(grid.selected_row(), 0);
}

TEST(ControlGrid, the_highlight_follows_the_pointer_over_the_rows)
{
    ListsForm f;
    HighlightList grid(f.form, 100);
    f.form.mouse_move(row_point(3));
    EXPECT_EQ(grid.highlighted_row(), 3);
    EXPECT_TRUE(grid.is_highlighted(0, 3));
    paint(grid);
    ASSERT_GE(grid.drawn.size(), 4u);
    EXPECT_TRUE(grid.drawn[3].highlighted);
    EXPECT_FALSE(grid.drawn[2].highlighted);
    f.form.mouse_move({30, 50});
    EXPECT_EQ(grid.highlighted_row(), -1) << "leaving the grid clears it";
}

// Scrolling -------------------------------------------------------------------------------------

TEST(ControlGrid, scroll_bar_moves_change_the_first_row_and_selecting_scrolls_the_row_into_view)
{
    ListsForm f;
    List grid(f.form, 100);
    f.window.dirty = {};
    grid.vertical_bar().set_position(30);
    EXPECT_EQ(grid.first_visible_row(), 30);
    EXPECT_EQ(f.window.dirty, grid.rect());
    tap(f, row_point(30, 30));
    EXPECT_EQ(grid.selected_row(), 30);
    EXPECT_TRUE(f.recorder.scrolls.empty()) << "the grid's bars notify the grid, not the form";
    grid.select_row(50);
    EXPECT_EQ(grid.first_visible_row(), 44);
    grid.select_row(46);
    EXPECT_EQ(grid.first_visible_row(), 44);
    grid.select_row(10);
    EXPECT_EQ(grid.first_visible_row(), 10);
    grid.select_row(99);
    EXPECT_EQ(grid.first_visible_row(), 93);
}

// Keys ------------------------------------------------------------------------------------------

TEST(ControlGrid, up_and_down_keys_move_the_selection_within_the_rows_and_back_inside_after_a_removal)
{
    ListsForm f;
    List grid(f.form, 10);
    EXPECT_TRUE(grid.on_key_down(skinner::KeyUp)) << "from none Up selects row 0";
    EXPECT_EQ(grid.selected_row(), 0);
    EXPECT_FALSE(grid.on_key_down(skinner::KeyUp));
    EXPECT_FALSE(grid.on_key_down(skinner::KeyPageUp));
    EXPECT_TRUE(grid.on_key_down(skinner::KeyDown));
    EXPECT_TRUE(grid.on_key_down(skinner::KeyPageDown));
    EXPECT_EQ(grid.selected_row(), 2);
    EXPECT_TRUE(grid.on_key_down(skinner::KeyEnd));
    EXPECT_EQ(grid.selected_row(), 9);
    EXPECT_EQ(grid.first_visible_row(), 3);
    EXPECT_FALSE(grid.on_key_down(skinner::KeyDown));
    EXPECT_FALSE(grid.on_key_down(skinner::KeyPageDown));
    EXPECT_EQ(grid.selected_row(), 9);
    EXPECT_TRUE(grid.on_key_down(skinner::KeyHome));
    EXPECT_EQ(grid.selected_row(), 0);
    EXPECT_EQ(grid.first_visible_row(), 0);
    EXPECT_FALSE(grid.on_key_down(skinner::KeyEnter));
    EXPECT_FALSE(grid.on_key_down(skinner::KeyA));
    grid.select_row(8);
    grid.set_rows(4);
    EXPECT_FALSE(grid.on_key_down(skinner::KeyDown));
    EXPECT_TRUE(grid.on_key_down(skinner::KeyUp));
    EXPECT_EQ(grid.selected_row(), 3);
}

TEST(ControlGrid, keys_on_an_empty_list_are_not_handled)
{
    ListsForm f;
    List grid(f.form, 0);
    for (int32_t key : {skinner::KeyUp, skinner::KeyDown, skinner::KeyHome, skinner::KeyEnd})
        EXPECT_FALSE(grid.on_key_down(key)) << key;
    EXPECT_EQ(grid.selected_row(), -1);
}

TEST(ControlGrid, down_on_the_last_row_reaches_the_enclosing_container)
{
    ListsForm f;
    List grid(f.form, 3);
    skinner::ControlButton after(f.form, u"btnAfter", LookupMode::named);
    f.form.activate(true);
    f.form.set_focus(&grid);
    grid.select_row(2);
    EXPECT_TRUE(f.form.on_key_down(skinner::KeyDown));
    EXPECT_EQ(f.form.focused(), &after) << "the form moved the focus on";
    EXPECT_EQ(grid.selected_row(), 2);
}

// Selection bookkeeping -------------------------------------------------------------------------

TEST(ControlGrid, inserted_and_removed_rows_keep_the_selection_on_its_row)
{
    ListsForm f;
    List grid(f.form, 20);
    grid.select_row(5);
    size_t changes = f.recorder.selection_changes.size();
    grid.on_rows_inserted(2, 3);
    EXPECT_EQ(grid.selected_row(), 8);
    grid.on_rows_inserted(9, 3);
    EXPECT_EQ(grid.selected_row(), 8);
    grid.on_rows_removed(0, 2);
    EXPECT_EQ(grid.selected_row(), 6);
    EXPECT_EQ(f.recorder.selection_changes.size(), changes);
    f.window.clean();
    grid.on_rows_removed(5, 2);
    EXPECT_EQ(grid.selected_row(), -1);
    EXPECT_EQ(f.recorder.selection_changes.size(), changes + 1);
    EXPECT_TRUE(f.window.was_invalidated(grid.painter().rect()))
        << "the selection's row is drawn plain again";
}

TEST(ControlGrid, the_highlight_goes_with_its_removed_row)
{
    ListsForm f;
    HighlightList grid(f.form, 20);
    grid.highlight(0, 6);
    grid.on_rows_removed(0, 2);
    EXPECT_EQ(grid.highlighted_row(), 4);
    grid.on_rows_inserted(4, 1);
    EXPECT_EQ(grid.highlighted_row(), 5);
    grid.on_rows_removed(5, 1);
    EXPECT_EQ(grid.highlighted_row(), -1);
}

// In-place edit ---------------------------------------------------------------------------------

TEST(ControlGrid, an_edit_opens_over_its_cell_and_enter_keeps_the_text)
{
    ListsForm f;
    List grid(f.form, 100, {20, -1});
    grid.begin_edit(1, 2, u"ab");
    EXPECT_TRUE(grid.is_editing());
    EXPECT_TRUE(grid.edit().is_visible());
    EXPECT_EQ(grid.edit().rect(), (Rect {{20, 160}, {208, 20}}));
    EXPECT_TRUE(grid.on_char(u"c"));
    EXPECT_TRUE(grid.on_key_down(skinner::KeyLeft));
    EXPECT_TRUE(grid.on_key_down(skinner::KeyBackspace));
    EXPECT_TRUE(grid.on_key_down(skinner::KeyDown)) << "the open edit takes the keys first";
    EXPECT_EQ(grid.selected_row(), -1);
    EXPECT_TRUE(grid.on_key_down(skinner::KeyEnter));
    EXPECT_FALSE(grid.is_editing());
    EXPECT_FALSE(grid.edit().is_visible());
    ASSERT_EQ(f.recorder.edits.size(), 1u);
    EXPECT_EQ(f.recorder.edits[0].column, 1);
    EXPECT_EQ(f.recorder.edits[0].row, 2);
    EXPECT_TRUE(f.recorder.edits[0].keep);
    EXPECT_EQ(f.recorder.edits[0].text, u"ac");
}

TEST(ControlGrid, escape_and_disabling_discard_losing_the_focus_keeps_and_the_edit_follows_its_row)
{
    ListsForm f;
    List grid(f.form, 100);
    grid.begin_edit(0, 1, u"x");
    grid.on_key_down(skinner::KeyEscape);
    grid.begin_edit(0, 1, u"y");
    grid.set_enabled(false);
    EXPECT_FALSE(grid.is_editing()) << "disabling ends the edit at once";
    grid.set_enabled(true);
    f.form.activate(true);
    f.form.set_focus(&grid);
    grid.begin_edit(0, 1, u"z");
    f.form.set_focus(nullptr);
    ASSERT_EQ(f.recorder.edits.size(), 3u);
    EXPECT_FALSE(f.recorder.edits[0].keep);
    EXPECT_FALSE(f.recorder.edits[1].keep);
    EXPECT_TRUE(f.recorder.edits[2].keep);
    EXPECT_EQ(f.recorder.edits[2].text, u"z");
    grid.begin_edit(0, 8, u"");
    EXPECT_FALSE(grid.edit().is_visible()) << "row 8 is below the page";
    grid.vertical_bar().set_position(5);
    EXPECT_TRUE(grid.edit().is_visible());
    EXPECT_EQ(grid.edit().rect(), (Rect {{0, 180}, {228, 20}}));
    grid.vertical_bar().set_position(2);
    EXPECT_EQ(grid.edit().rect(), (Rect {{0, 240}, {228, 20}}));
    grid.vertical_bar().set_position(1);
    EXPECT_FALSE(grid.edit().is_visible());
    EXPECT_TRUE(grid.on_key_down(skinner::KeyTab) == false) << "Tab is left to the container";
}
