#include "skinner/nine_part.h"

#include <gtest/gtest.h>

using namespace skinner;

namespace {

Rect r(int32_t x, int32_t y, int32_t w, int32_t h)
{
    return {{x, y}, {w, h}};
}

std::vector<std::pair<Rect, Rect>> cells(const NinePartFrame& frame, Rect destination)
{
    NinePartLayout layout = nine_part_layout(frame, destination);
    std::vector<std::pair<Rect, Rect>> out;
    for (int32_t i = 0; i < layout.count; ++i)
        out.emplace_back(layout.cells[size_t(i)].source, layout.cells[size_t(i)].destination);
    return out;
}

} // namespace

TEST(NinePart, borders_shrink_evenly_to_a_small_destination_and_leave_out_the_centre)
{
    // A 30 x 20 frame with borders left 4, right 6, top 3, bottom 5, drawn 7 wide: excess 3, the
    // left loses 1 and the right 2 (its outer 4 columns).
    NinePartFrame bordered {0, 0, 4, 3, 24, 15, 30, 20};
    std::vector<std::pair<Rect, Rect>> want = {{r(0, 0, 3, 3), r(0, 0, 3, 3)},
        {r(26, 0, 4, 3), r(3, 0, 4, 3)}, {r(0, 15, 3, 5), r(0, 35, 3, 5)}, {r(26, 15, 4, 5), r(3, 35, 4, 5)},
        {r(0, 3, 3, 12), r(0, 3, 3, 32)}, {r(26, 3, 4, 12), r(3, 3, 4, 32)}};
    EXPECT_EQ(cells(bordered, r(0, 0, 7, 40)), want);
    EXPECT_TRUE(cells(bordered, r(0, 0, 0, 10)).empty() && cells(bordered, r(0, 0, 10, -1)).empty());
    // Inner rectangle outside the outer one: the middle stays inside the destination.
    for (const auto& [source, destination] : cells({10, 10, 5, 5, 20, 20, 15, 15}, r(0, 0, 30, 30))) {
        EXPECT_GE(destination.left(), 0);
        EXPECT_LE(destination.right(), 30);
    }
    EXPECT_EQ(map_to_source(7, 20, 0, 4, 4, 8, false), 4) << "an empty middle tiles as its start";
    EXPECT_EQ(map_to_source(2, 50, 100, 104, 124, 130, true), 102) << "a moved source origin";
    // fit_borders keeps what fits; the far side loses the odd pixel.
    const std::pair<Borders, int32_t> cases[]
        = {{{4, 6}, 10}, {{4, 6}, 8}, {{4, 6}, 7}, {{5, 5}, 9}, {{2, 10}, 6}, {{10, 1}, 4}, {{3, 3}, -4}};
    const Borders fitted[] = {{4, 6}, {3, 5}, {3, 4}, {5, 4}, {0, 6}, {4, 0}, {0, 0}};
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(fit_borders(cases[i].first, cases[i].second), fitted[i]) << i;
}
