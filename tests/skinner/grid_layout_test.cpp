#include "skinner/grid_layout.h"

#include <gtest/gtest.h>

using Offsets = std::vector<int32_t>;

TEST(GridLayout, column_offsets_survive_huge_values_and_fixed_columns_wider_than_the_grid)
{
    Offsets offsets = skinner::grid_column_offsets({INT32_MIN, INT32_MIN, -1}, 1000);
    ASSERT_EQ(offsets.size(), 4u);
    EXPECT_EQ(offsets[3], 1000);
    EXPECT_LE(offsets[1], offsets[2]);
    EXPECT_EQ(skinner::grid_column_offsets({INT32_MAX, INT32_MAX}, 100).back(), INT32_MAX);
    // Fixed columns wider than the grid leave nothing to proportional ones.
    EXPECT_EQ(skinner::grid_column_offsets({200, -1, 100, -3}, 240), (Offsets {0, 200, 200, 300, 300}));
    EXPECT_EQ(skinner::grid_fixed_width({200, -1, 100, -3}), 300);
    // A negative client width is no width at all.
    EXPECT_EQ(skinner::grid_column_offsets({10, -1}, -50), (Offsets {0, 10, 10}));
}

TEST(GridLayout, columns_and_rows_under_a_point_painted_and_scrolled_into_view)
{
    Offsets offsets {0, 20, 93, 240};
    EXPECT_EQ(skinner::grid_column_at(offsets, -1), -1);
    EXPECT_EQ(skinner::grid_column_at(offsets, 239), 2);
    EXPECT_EQ(skinner::grid_column_at(offsets, 240), -1);
    // An empty column holds no point.
    EXPECT_EQ(skinner::grid_column_at({0, 10, 10, 30}, 10), 2);
    EXPECT_EQ(skinner::grid_row_at(20, 20, 40, 0), 0);
    EXPECT_EQ(skinner::grid_row_at(60, 20, 40, 7), 8);
    EXPECT_EQ(skinner::grid_row_at(60, 20, 0, 7), -1);

    // Painting covers partial rows but stops at the row count. 200 high, header 20, rows 40: tops
    // 20, 60, 100, 140, 180 are inside.
    EXPECT_EQ(skinner::grid_paint_end(10, 1000, 200, 20, 40), 15);
    EXPECT_EQ(skinner::grid_paint_end(10, 12, 200, 20, 40), 12);
    EXPECT_EQ(skinner::grid_paint_end(0, 0, 200, 20, 40), 0);
    EXPECT_EQ(skinner::grid_paint_end(0, 100, 20, 20, 40), 0);
    EXPECT_EQ(skinner::grid_paint_end(0, 100, 200, 20, 0), 0);

    // Page of 5 rows from 10: rows 10..14 are visible.
    EXPECT_EQ(skinner::grid_page_rows(200, 0, 0), 0) << "rows of no height";
    EXPECT_EQ(skinner::grid_first_showing(15, 10, 5), 11);
    EXPECT_EQ(skinner::grid_first_showing(0, 10, 5), 0);
    EXPECT_EQ(skinner::grid_first_showing(-1, 10, 5), 10);
    // A view smaller than a row shows the row at its top.
    EXPECT_EQ(skinner::grid_first_showing(12, 10, 0), 12);
}
