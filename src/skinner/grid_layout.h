#pragma once

// The arithmetic of grid lists: column offsets from fixed and proportional widths, the zones and
// cells under a point, the rows a paint covers, and scrolling a row into view. Plain functions, so
// tests and the grid share them.
//
// Rows are all row_height high and follow the header (header_height high, 0 for none). The first
// visible row is the vertical scroll position; the horizontal scroll offset is in pixels.

#include <cstdint>
#include <vector>

namespace skinner {

// Column offsets for the widths that column_width answers, in a client client_width wide. A width
// >= 0 is fixed in pixels; a negative width is a weight for a share of what the fixed columns
// leave, P = max(0, client_width - sum of fixed widths). Each proportional column but the last gets
// weight * P / (sum of weights), truncated; the last proportional column takes what remains of P.
// The result has one offset per column plus the end: 0, then the running sums.
std::vector<int32_t> grid_column_offsets(const std::vector<int32_t>& widths, int32_t client_width);

// The sum of the fixed widths: the content width that needs a horizontal scroll bar.
int64_t grid_fixed_width(const std::vector<int32_t>& widths);

enum class GridZone : int32_t {
    Outside,
    Header,
    Rows,
};

// The zone of y (relative to the painter's top) in a painter height pixels high: outside above or
// below it, the header above header_height, the rows below.
GridZone grid_zone(int32_t y, int32_t height, int32_t header_height);

// The column whose [offset, next offset) holds x (content pixels: the point's x relative to the
// painter plus the scroll offset); -1 when none does.
int32_t grid_column_at(const std::vector<int32_t>& offsets, int64_t x);

// The row under y (relative to the painter's top, in the rows zone): first + (y - header_height) /
// row_height. -1 when the row height is not positive.
int32_t grid_row_at(int32_t y, int32_t header_height, int32_t row_height, int32_t first);

// The top of row relative to the painter: header_height + (row - first) * row_height.
int64_t grid_row_top(int32_t row, int32_t header_height, int32_t row_height, int32_t first);

// The whole rows that fit below the header: (client_height - header_height) / row_height, never
// below 0; 0 when the row height is not positive.
int32_t grid_page_rows(int32_t client_height, int32_t header_height, int32_t row_height);

// One past the last row that a painter height pixels high shows from first on: rows are drawn
// while their top is inside the painter, and never past row_count.
int32_t grid_paint_end(
    int32_t first, int32_t row_count, int32_t height, int32_t header_height, int32_t row_height);

// The first visible row that shows row: unchanged when the row is already among the page rows
// from first on (or is -1), row itself when it is above them or the page holds no whole row, and
// row - page + 1 when it is below them.
int32_t grid_first_showing(int32_t row, int32_t first, int32_t page);

} // namespace skinner
