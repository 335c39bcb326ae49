#pragma once

// How a grid's selection behaves, pluggable: the grid (ControlGrid) and a strategy both derive
// virtually from this interface, and a concrete list combines them with its data:
//
//     class MyList : public ControlGrid, public GridSelectionStrategySingleRow { ... };
//
// The list supplies row_count and column_count, the strategy answers and changes the selection,
// and the grid supplies what a strategy asks of it (selection_changed, show_row, repaint_rows).
// Cells are (column, row); -1 stands for none. The strategy's own key handler is named
// on_selection_key_down because a control's on_key_down has the same signature.
//
// User-interface thread only.

#include <cstdint>

namespace skinner {

class GridSelectionStrategy {
public:
    virtual ~GridSelectionStrategy() = default;

    // The data, supplied by the list.
    virtual int32_t row_count() const = 0;
    virtual int32_t column_count() const = 0;

    // The selection, supplied by a strategy.
    virtual bool is_selected(int32_t column, int32_t row) const = 0;
    // The stylus went down on, was dragged over, or came up on a cell of the rows.
    virtual void on_cell_press(int32_t column, int32_t row) = 0;
    virtual void on_cell_drag(int32_t column, int32_t row) = 0;
    virtual void on_cell_release(int32_t column, int32_t row) = 0;
    // The second kind of press: a tap-and-hold on a cell.
    virtual void on_cell_press_hold(int32_t column, int32_t row) = 0;
    // Rows first .. first + count - 1 were inserted (they now hold new data) or removed.
    virtual void on_rows_inserted(int32_t first, int32_t count) = 0;
    virtual void on_rows_removed(int32_t first, int32_t count) = 0;
    // The cell under the pointer; (-1, -1) clears.
    virtual void highlight(int32_t column, int32_t row) = 0;
    virtual bool is_highlighted(int32_t column, int32_t row) const = 0;
    // Whether the strategy used the key (key_codes.h).
    virtual bool on_selection_key_down(int32_t key) = 0;

    // What a strategy asks of the grid.
    // The selection changed: the grid raises on_selection_changed.
    virtual void selection_changed() = 0;
    // Scrolls so that row is visible.
    virtual void show_row(int32_t row) = 0;
    // Paints the rows again.
    virtual void repaint_rows() = 0;
};

} // namespace skinner
