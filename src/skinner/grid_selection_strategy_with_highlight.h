#pragma once

// The single-row selection plus a highlighted row: the row under the pointer (the grid highlights
// the cell under a moving pointer and clears it when the pointer leaves the rows). The highlight
// follows its row when rows are inserted or removed before it, and goes when its row is removed.
//
// User-interface thread only.

#include "skinner/grid_selection_strategy_single_row.h"

namespace skinner {

class GridSelectionStrategyWithHighlight : public GridSelectionStrategySingleRow {
public:
    void highlight(int32_t column, int32_t row) override;
    bool is_highlighted(int32_t column, int32_t row) const override;
    void on_rows_inserted(int32_t first, int32_t count) override;
    void on_rows_removed(int32_t first, int32_t count) override;

    int32_t highlighted_row() const { return m_highlighted; }

private:
    int32_t m_highlighted = -1;
};

} // namespace skinner
