#pragma once

// The scrolling list: rows of equal height, columns of fixed or proportional width, an optional
// header row, skinned cell styles, a vertical and a horizontal scroll bar (ControlPanelAutoScroll)
// and a pluggable selection (GridSelectionStrategy). The grid knows nothing about the data: a
// subclass supplies row_count, column_count, column_width and draw_cell, combines the grid with a
// strategy, and hears of taps and holds on rows by overriding its own Listener slots on_cell_click
// and on_cell_hold (not overridden, they pass the click on to the container).
//
//     class Songs : public ControlGrid, public GridSelectionStrategySingleRow { ... };
//
// The grid's inner container holds a Painter (a control without properties that paints the rows
// and takes the stylus over them) and the two bars. The subclass calls update_layout() at the end
// of its constructor and whenever its rows or columns change (the layout asks it for counts and
// widths, which it cannot answer while it is being built).
//
// Layout (set_rect): the painter is fitted beside the bars for a content of (sum of fixed column
// widths) x (header height + row height x rows); the columns share the painter's width
// (grid_layout.h); the vertical bar ranges over the rows [0, R] with a page of the whole rows that
// fit below the header, the horizontal bar over [0, last column offset] with the painter's width
// as its page. The vertical position is the first visible row; the horizontal one the scroll
// offset in pixels.
//
// Stylus over the rows (y relative to the painter; the header is the top header_height() pixels):
//   - moving highlights the cell under the pointer in the rows and clears the highlight elsewhere;
//     during a press that began in the rows the strategy's drag follows;
//   - a press in column 0 within the row's indent (row_indent) goes to on_indent_click; otherwise
//     the press's zone is remembered and a press in the rows goes to the strategy;
//   - a release after a press in the header, in the header, raises header_clicked; after a press
//     in the rows the strategy's release runs and, when the release is in the rows too,
//     cell_clicked is raised with the click (its double_tap tells whether the press was a double
//     tap). A release outside the rows clicks nothing;
//   - a tap-and-hold (button 2, when "Gestures" is set) on a row selects it like a press and
//     raises cell_held at once; on the header it raises header_held.
// Rows that do not exist (below the last) are clicked like the others: the subclass checks.
//
// Keys: to the open edit first, then to the strategy (on_selection_key_down); a key neither
// takes is not handled, so the enclosing container may move the focus.
//
// In-place edit (begin_edit): a ControlEdit of the kind "KindEdit" over a cell, clipped to the
// painter, taking keys and characters first while open. Enter keeps and Escape discards;
// the grid keeps an open edit when it loses the focus and discards it when it is disabled. Ending
// hides the entry and raises edit_finished with the cell, the decision and the text.
//
// Properties, after the auto-scroll panel's, the current values serving as defaults:
// "ItemHeight" (scaled, default 40), "BorderMin", "BorderMax" (the text insets of cell drawing;
// BorderMax defaulting to BorderMin), the cell styles "ItemNormal" (no picture, the window's default
// font, colour 0), "ItemSelection" (default ItemNormal), "ItemHighlight" (default ItemNormal),
// "ItemSelectionHighlight" (default ItemSelection), "HeaderNormal" (default ItemNormal), each a
// picture, a font and a colour; the backgrounds "Normal", "Highlighted" and "Disabled" (the last
// two default to Normal); "KindEdit" (string, read once).
//
// User-interface thread only.

#include "skinner/control_button.h"
#include "skinner/control_edit.h"
#include "skinner/control_panel_auto_scroll.h"
#include "skinner/grid_layout.h"
#include "skinner/grid_selection_strategy.h"

#include <memory>
#include <string>
#include <vector>

namespace skinner {

// An in-place edit that ended: its cell, whether the text is to be kept, and the text.
struct GridEdit {
    int32_t column = -1;
    int32_t row = -1;
    bool keep = false;
    std::u16string text;
};

// The five cell styles.
enum GridCellStyle : int32_t {
    CellNormal = 0,
    CellSelection = 1,
    CellHighlight = 2,
    CellSelectionHighlight = 3,
    CellHeader = 4,
};

// The style of a row cell.
GridCellStyle grid_cell_style(bool selected, bool highlighted);

class ControlGrid : public ControlPanelAutoScroll, public virtual GridSelectionStrategy {
public:
    // The control that paints the rows and takes the stylus over them.
    class Painter : public Control {
    public:
        explicit Painter(ControlGrid& grid);

        void paint(Canvas& canvas, Point dirty_position, Size dirty_size) override;
        void on_mouse_move(Point point) override;
        void on_mouse_leave() override;
        void on_button0_down(Point point, bool double_click) override;
        void on_button0_up(Point point, bool double_click) override;
        void on_button2_down(Point point, bool double_click) override;

    private:
        ControlGrid& m_grid;
    };

    ControlGrid(Container& container, std::u16string_view name, LookupMode mode);
    ~ControlGrid() override;

    // Listener: a bar moved.
    int32_t on_scroll(Control& bar, int32_t position) override;
    void on_focus_lost() override;
    void on_enable(bool enabled) override;
    bool wants_gestures(Point point) override;
    void paint(Canvas& canvas, Point dirty_position, Size dirty_size) override;
    bool hit_test(Point point) const override;
    void on_mouse_leave() override;
    bool on_char(std::u16string_view text) override;
    bool on_key_down(int32_t key) override;
    // Lays the grid out, even when the rectangle is unchanged.
    void set_rect(const Rect& rect) override;
    void on_skin_changed() override;

    // What a grid subclass supplies or overrides.
    virtual int32_t row_height() const { return m_item_height; }
    virtual int32_t header_height() const { return 0; }
    // >= 0: fixed pixels; < 0: a weight for a share of the remaining width.
    virtual int32_t column_width(int32_t column) const;
    virtual void draw_cell(int32_t column, int32_t row, Canvas& canvas, Point position, Size size,
        bool selected, bool highlighted)
        = 0;
    virtual void draw_header(int32_t column, Canvas& canvas, Point position, Size size);
    // Raises the grid's own on_cell_click (this, click): a subclass overriding that slot hears
    // the click (the file browser opens or plays its row); Control's slot passes it on to the
    // container.
    virtual int32_t cell_clicked(const GridClick& click);
    // The indent of row: a press in column 0 closer than this to the column's start goes to
    // on_indent_click.
    virtual int32_t row_indent(int32_t row) const;
    // Raises the grid's own on_cell_hold (this, click), as cell_clicked does.
    virtual int32_t cell_held(const GridClick& click);
    virtual int32_t on_indent_click(const GridClick& click);
    // Raises on_header_click (this, click).
    virtual int32_t header_clicked(const GridClick& click);
    // Raises on_header_hold (this, click).
    virtual int32_t header_held(const GridClick& click);
    // Raises on_edit_finished (this, edit).
    virtual int32_t edit_finished(const GridEdit& edit);

    // GridSelectionStrategy: what a strategy asks of the grid.
    void selection_changed() override;
    void show_row(int32_t row) override;
    void repaint_rows() override;

    // Lays the grid out at its current rectangle.
    void update_layout();

    // Opens the in-place edit over (column, row) with text, ending an open one first (kept).
    void begin_edit(int32_t column, int32_t row, std::u16string_view text);
    // Ends the open edit, if any: hides it and raises edit_finished.
    void end_edit(bool keep);
    bool is_editing() const { return m_edit_row >= 0; }
    ControlEdit& edit() const { return *m_edit; }

    // Draws the cell style's picture over (position, size) and text inside the text insets, one
    // line shortened with an ellipsis, with the style's font and colour.
    void draw_cell_text(Canvas& canvas, GridCellStyle style, std::u16string_view text, Point position,
        Size size, int32_t horizontal = AlignNear) const;

    Painter& painter() const { return *m_painter; }
    const StateStyle& cell_style(GridCellStyle style) const { return m_styles[size_t(style)]; }
    int32_t first_visible_row() const { return vertical_bar().position(); }
    int32_t scroll_offset() const { return horizontal_bar().position(); }
    const std::vector<int32_t>& column_offsets() const { return m_offsets; }
    // The whole rows that fit below the header.
    int32_t page_rows() const;
    // The cell under a window point over the painter: zone, column (-1 when none) and row.
    struct Hit {
        GridZone zone = GridZone::Outside;
        int32_t column = -1;
        int32_t row = -1;
        Point offset; // of the point inside the cell
    };
    Hit hit_at(Point point) const;
    // The background drawn now: Disabled, Highlighted (pointer over the grid) or Normal.
    const Picture& current_background() const;
    Point text_border_min() const { return m_text_border_min; }
    Point text_border_max() const { return m_text_border_max; }

private:
    friend class Painter;

    void read_grid_properties();
    void paint_rows(Canvas& canvas);
    void place_edit();
    GridClick click_at(Point point, const Hit& hit, bool double_tap) const;
    void painter_move(Point point);
    void painter_down(Point point, bool double_click);
    void painter_up(Point point);
    void painter_hold(Point point);

    int32_t m_item_height = 40;
    Point m_text_border_min;
    Point m_text_border_max;
    std::array<StateStyle, 5> m_styles;
    Picture m_normal;
    Picture m_highlighted;
    Picture m_disabled;
    std::vector<int32_t> m_offsets {0};
    std::unique_ptr<Painter> m_painter;
    std::unique_ptr<ControlEdit> m_edit;
    int32_t m_edit_column = -1;
    int32_t m_edit_row = -1;
    // The zone of the press in progress (Outside: none) and whether it was a double tap.
    GridZone m_press_zone = GridZone::Outside;
    bool m_press_double = false;
};

} // namespace skinner
