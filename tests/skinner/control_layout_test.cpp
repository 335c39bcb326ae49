#include "skinner/control_layout.h"

#include <gtest/gtest.h>

#include <limits>

using skinner::anchor_axis;
using skinner::AnchorMode;
using skinner::focus_step;
using skinner::FocusStep;
using skinner::Span;

TEST(AnchorLayout, extreme_skin_values_stay_inside_32_bits)
{
    constexpr int32_t big = std::numeric_limits<int32_t>::max();
    constexpr int32_t small = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(anchor_axis(AnchorMode::max_side, big, 0, big, big, 1), (Span {big, 1}));
    EXPECT_EQ(anchor_axis(AnchorMode::both_side, 0, small, big, 0, big), (Span {0, big}));
    EXPECT_EQ(anchor_axis(AnchorMode::ratio, 0, 1, big, big, big), (Span {big, big}));
    EXPECT_EQ(anchor_axis(AnchorMode::ratio, 0, -1, small, small, small), (Span {small, small}));
    EXPECT_EQ(anchor_axis(AnchorMode::max_side, small, big, small, small, 0), (Span {small, 0}));
}

TEST(FocusOrder, forward_steps_and_wraps_without_counting_as_a_move)
{
    EXPECT_EQ(focus_step(3, 2, true), (FocusStep {0, false})) << "from the last: to the first, not moved";
    EXPECT_EQ(focus_step(3, -1, true), (FocusStep {0, true})) << "from outside: the first";
    EXPECT_EQ(focus_step(3, -1, false), (FocusStep {2, true})) << "backward from outside: the last";
    EXPECT_EQ(focus_step(1, 0, true), (FocusStep {0, false})) << "a lone control wraps onto itself";
}
