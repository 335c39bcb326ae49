#include "skinner/progress_geometry.h"

#include <gtest/gtest.h>

using skinner::Rect;

namespace {

// A 100 x 20 bar at (10, 30) with an 8-pixel thumb.
const Rect s_bar {{10, 30}, {100, 20}};
constexpr int32_t s_track = 8;

} // namespace

TEST(ProgressGeometry, no_travel_or_unknown_orientation_gives_zero_and_a_wide_track_stays_in_range)
{
    Rect as_thick_as_the_track {{0, 0}, {8, 8}};
    for (int32_t orientation = 0; orientation < 4; ++orientation)
        for (int32_t x = -5; x < 20; x += 3)
            EXPECT_DOUBLE_EQ(skinner::progress_value_at(orientation, as_thick_as_the_track, 8, {x, x}), 0.0);
    for (int32_t unknown : {4, -1})
        EXPECT_DOUBLE_EQ(skinner::progress_value_at(unknown, s_bar, s_track, {100, 35}), 0.0);
    EXPECT_TRUE(skinner::progress_fill_rect(7, s_bar, s_track, 0.5).empty()
        && skinner::progress_thumb_rect(9, s_bar, s_track, 0.5).empty());
    for (int32_t x = -30; x < 30; ++x) {
        double value = skinner::progress_value_at(3, {{0, 0}, {10, 10}}, 20, {x, 0});
        EXPECT_TRUE(value >= 0.0 && value <= 1.0) << value;
    }
}
