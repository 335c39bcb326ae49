#include "skinner/grid_selection_strategy_single_row.h"

#include "skinner/key_codes.h"

#include <algorithm>

namespace skinner {

bool GridSelectionStrategySingleRow::is_selected(int32_t, int32_t row) const
{
    return row >= 0 && row == m_selected;
}

void GridSelectionStrategySingleRow::select_row(int32_t row)
{
    if (row != m_selected) {
        m_selected = row;
        selection_changed();
        repaint_rows();
    }
    show_row(row);
}

void GridSelectionStrategySingleRow::select_valid(int32_t row)
{
    if (row >= 0 && row < row_count())
        select_row(row);
}

void GridSelectionStrategySingleRow::on_cell_press(int32_t, int32_t row)
{
    select_valid(row);
}

void GridSelectionStrategySingleRow::on_cell_drag(int32_t, int32_t row)
{
    select_valid(row);
}

void GridSelectionStrategySingleRow::on_cell_release(int32_t, int32_t)
{
}

void GridSelectionStrategySingleRow::on_cell_press_hold(int32_t, int32_t row)
{
    select_valid(row);
}

void GridSelectionStrategySingleRow::on_rows_inserted(int32_t first, int32_t count)
{
    if (count > 0 && m_selected >= first && m_selected >= 0)
        m_selected = int32_t(std::min<int64_t>(int64_t(m_selected) + count, INT32_MAX));
}

void GridSelectionStrategySingleRow::on_rows_removed(int32_t first, int32_t count)
{
    if (count <= 0 || m_selected < first)
        return;
    if (int64_t(m_selected) < int64_t(first) + count) {
        m_selected = -1;
        selection_changed();
        repaint_rows();
        return;
    }
    m_selected -= count;
}

void GridSelectionStrategySingleRow::highlight(int32_t, int32_t)
{
}

bool GridSelectionStrategySingleRow::is_highlighted(int32_t, int32_t) const
{
    return false;
}

bool GridSelectionStrategySingleRow::on_selection_key_down(int32_t key)
{
    int32_t count = row_count();
    if (count <= 0)
        return false;
    int32_t last = count - 1;
    int32_t target;
    switch (key) {
    case KeyUp:
    case KeyPageUp:
        if (m_selected == 0)
            return false;
        target = m_selected < 0 ? 0 : std::min(m_selected, count) - 1;
        break;
    case KeyDown:
    case KeyPageDown:
        if (m_selected >= last)
            return false;
        target = m_selected < 0 ? 0 : m_selected + 1;
        break;
    case KeyHome:
        target = 0;
        break;
    case KeyEnd:
        target = last;
        break;
    default:
        return false;
    }
    select_row(target);
    repaint_rows();
    return true;
}

} // namespace skinner
