#include "skinner/grid_selection_strategy_with_highlight.h"

#include <algorithm>

namespace skinner {

void GridSelectionStrategyWithHighlight::highlight(int32_t, int32_t row)
{
    int32_t highlighted = row < 0 ? -1 : row;
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    repaint_rows();
}

bool GridSelectionStrategyWithHighlight::is_highlighted(int32_t, int32_t row) const
{
    return row >= 0 && row == m_highlighted;
}

void GridSelectionStrategyWithHighlight::on_rows_inserted(int32_t first, int32_t count)
{
    GridSelectionStrategySingleRow::on_rows_inserted(first, count);
    if (count > 0 && m_highlighted >= 0 && m_highlighted >= first)
        m_highlighted = int32_t(std::min<int64_t>(int64_t(m_highlighted) + count, INT32_MAX));
}

void GridSelectionStrategyWithHighlight::on_rows_removed(int32_t first, int32_t count)
{
    GridSelectionStrategySingleRow::on_rows_removed(first, count);
    if (count <= 0 || m_highlighted < first)
        return;
    if (int64_t(m_highlighted) < int64_t(first) + count)
        m_highlighted = -1;
    else
        m_highlighted -= count;
}

} // namespace skinner
