#pragma once

// One selected row (-1: none). A press or drag on a row that exists (0 <= row < row_count())
// selects it; a release does nothing; a hold selects like a press. Selecting stores the row, tells
// the grid when it changed, and always scrolls the row into view.
//
// Keys, with at least one row: Up and Page Up select the previous row (from none: row 0; not
// handled on row 0), Down and Page Down the next (not handled on the last row, nor from a
// selection past the last row), Home row 0, End the last row. A selection left past the rows (the
// list shrank) counts as the row after the last for Up. Other keys are not handled.
//
// Inserted rows at or before the selection move it down with its row; removing the selected row
// clears the selection (and tells the grid), removing rows before it moves it up.
//
// User-interface thread only.

#include "skinner/grid_selection_strategy.h"

namespace skinner {

class GridSelectionStrategySingleRow : public virtual GridSelectionStrategy {
public:
    bool is_selected(int32_t column, int32_t row) const override;
    void on_cell_press(int32_t column, int32_t row) override;
    void on_cell_drag(int32_t column, int32_t row) override;
    void on_cell_release(int32_t column, int32_t row) override;
    void on_cell_press_hold(int32_t column, int32_t row) override;
    void on_rows_inserted(int32_t first, int32_t count) override;
    void on_rows_removed(int32_t first, int32_t count) override;
    void highlight(int32_t column, int32_t row) override;
    bool is_highlighted(int32_t column, int32_t row) const override;
    bool on_selection_key_down(int32_t key) override;

    int32_t selected_row() const { return m_selected; }
    // Stores the row (-1: none), tells the grid when it changed and scrolls it into view.
    void select_row(int32_t row);

protected:
    // Selects row when it exists.
    void select_valid(int32_t row);

private:
    int32_t m_selected = -1;
};

} // namespace skinner
