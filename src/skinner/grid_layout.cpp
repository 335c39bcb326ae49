#include "skinner/grid_layout.h"

#include <algorithm>

namespace skinner {

int64_t grid_fixed_width(const std::vector<int32_t>& widths)
{
    int64_t fixed = 0;
    for (int32_t width : widths)
        if (width >= 0)
            fixed += width;
    return fixed;
}

std::vector<int32_t> grid_column_offsets(const std::vector<int32_t>& widths, int32_t client_width)
{
    int64_t weights = 0;
    size_t last_proportional = widths.size();
    for (size_t column = 0; column < widths.size(); ++column) {
        if (widths[column] < 0) {
            weights += widths[column];
            last_proportional = column;
        }
    }
    int64_t share = std::max<int64_t>(0, int64_t(client_width) - grid_fixed_width(widths));
    int64_t remaining = share;

    std::vector<int32_t> offsets;
    offsets.reserve(widths.size() + 1);
    int64_t x = 0;
    offsets.push_back(0);
    for (size_t column = 0; column < widths.size(); ++column) {
        int64_t width = widths[column];
        if (width < 0) {
            width = column == last_proportional ? remaining : width * share / weights;
            remaining -= width;
        }
        x = std::min<int64_t>(x + width, INT32_MAX);
        offsets.push_back(int32_t(x));
    }
    return offsets;
}

GridZone grid_zone(int32_t y, int32_t height, int32_t header_height)
{
    if (y < 0 || y >= height)
        return GridZone::Outside;
    if (y < header_height)
        return GridZone::Header;
    return GridZone::Rows;
}

int32_t grid_column_at(const std::vector<int32_t>& offsets, int64_t x)
{
    for (size_t column = 0; column + 1 < offsets.size(); ++column)
        if (x >= offsets[column] && x < offsets[column + 1])
            return int32_t(column);
    return -1;
}

int32_t grid_row_at(int32_t y, int32_t header_height, int32_t row_height, int32_t first)
{
    if (row_height <= 0)
        return -1;
    int64_t row = int64_t(first) + (int64_t(y) - header_height) / row_height;
    return int32_t(std::clamp<int64_t>(row, INT32_MIN, INT32_MAX));
}

int64_t grid_row_top(int32_t row, int32_t header_height, int32_t row_height, int32_t first)
{
    return int64_t(header_height) + (int64_t(row) - first) * row_height;
}

int32_t grid_page_rows(int32_t client_height, int32_t header_height, int32_t row_height)
{
    if (row_height <= 0)
        return 0;
    return std::max(0, (client_height - header_height) / row_height);
}

int32_t grid_paint_end(
    int32_t first, int32_t row_count, int32_t height, int32_t header_height, int32_t row_height)
{
    if (row_height <= 0 || first >= row_count)
        return std::max(first, 0);
    int32_t row = std::max(first, 0);
    while (row < row_count && grid_row_top(row, header_height, row_height, first) < height)
        ++row;
    return row;
}

int32_t grid_first_showing(int32_t row, int32_t first, int32_t page)
{
    if (row < 0)
        return first;
    if (row < first || page <= 0)
        return row;
    if (int64_t(row) >= int64_t(first) + page)
        return row - page + 1;
    return first;
}

} // namespace skinner
