#include "skinner/nine_part.h"

#include <gtest/gtest.h>

using skinner::Borders;
using skinner::NinePartFrame;
using skinner::Rect;

namespace {

// A 30 x 20 frame with borders left 4, right 6, top 3, bottom 5.
NinePartFrame bordered()
{
    return NinePartFrame {0, 0, 4, 3, 24, 15, 30, 20};
}

// The layout's cells as (source, destination) pairs.
std::vector<std::pair<Rect, Rect>> cells(const NinePartFrame& frame, Rect destination)
{
    skinner::NinePartLayout layout = skinner::nine_part_layout(frame, destination);
    std::vector<std::pair<Rect, Rect>> out;
    for (int32_t i = 0; i < layout.count; ++i)
        out.emplace_back(layout.cells[size_t(i)].source, layout.cells[size_t(i)].destination);
    return out;
}

Rect r(int32_t x, int32_t y, int32_t w, int32_t h)
{
    return {{x, y}, {w, h}};
}

} // namespace

TEST(NinePart, destination_narrower_than_the_side_borders_draws_no_centre)
{
    // Width 7 against borders 4 + 6: excess 3, left loses 1, right loses 2.
    auto got = cells(bordered(), r(0, 0, 7, 40));
    for (const auto& [source, destination] : got) {
        EXPECT_GT(destination.size.width, 0);
        EXPECT_TRUE(destination.left() == 0 || destination.left() == 3) << destination.left();
    }
    std::vector<std::pair<Rect, Rect>> want = {
        {r(0, 0, 3, 3), r(0, 0, 3, 3)},
        {r(26, 0, 4, 3), r(3, 0, 4, 3)}, // the right border's outer 4 columns
        {r(0, 15, 3, 5), r(0, 35, 3, 5)},
        {r(26, 15, 4, 5), r(3, 35, 4, 5)},
        {r(0, 3, 3, 12), r(0, 3, 3, 32)},
        {r(26, 3, 4, 12), r(3, 3, 4, 32)},
    };
    EXPECT_EQ(got, want);
}

TEST(NinePart, empty_destination_and_inverted_borders)
{
    EXPECT_TRUE(cells(bordered(), r(0, 0, 0, 10)).empty());
    EXPECT_TRUE(cells(bordered(), r(0, 0, 10, -1)).empty());
    // Inner rectangle outside the outer one: the middle stays inside the destination.
    NinePartFrame inverted {10, 10, 5, 5, 20, 20, 15, 15};
    for (const auto& [source, destination] : cells(inverted, r(0, 0, 30, 30))) {
        EXPECT_GE(destination.left(), 0);
        EXPECT_LE(destination.right(), 30);
    }
}

TEST(NinePart, map_to_source_of_an_empty_middle_and_a_moved_origin)
{
    // An empty middle tiles as its start.
    EXPECT_EQ(skinner::map_to_source(7, 20, 0, 4, 4, 8, false), 4);
    // Offsets from a non-zero source origin.
    EXPECT_EQ(skinner::map_to_source(2, 50, 100, 104, 124, 130, true), 102);
}

TEST(NinePart, borders_that_fit_are_kept_others_shrink_evenly_with_the_far_side_losing_the_odd_pixel)
{
    EXPECT_EQ(skinner::fit_borders({4, 6}, 10), (Borders {4, 6}));
    EXPECT_EQ(skinner::fit_borders({4, 6}, 8), (Borders {3, 5}));
    EXPECT_EQ(skinner::fit_borders({4, 6}, 7), (Borders {3, 4}));
    EXPECT_EQ(skinner::fit_borders({5, 5}, 9), (Borders {5, 4}));
    // A side that would go negative stops at 0 and the other gives up the rest.
    EXPECT_EQ(skinner::fit_borders({2, 10}, 6), (Borders {0, 6}));
    EXPECT_EQ(skinner::fit_borders({10, 1}, 4), (Borders {4, 0}));
    EXPECT_EQ(skinner::fit_borders({3, 3}, -4), (Borders {0, 0}));
}
