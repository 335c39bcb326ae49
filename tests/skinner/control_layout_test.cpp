#include "skinner/control_layout.h"

#include <gtest/gtest.h>

#include <limits>

using skinner::anchor_axis;
using skinner::AnchorMode;
using skinner::focus_step;
using skinner::FocusStep;
using skinner::Point;
using skinner::Rect;
using skinner::Size;
using skinner::Span;

namespace {

struct AxisCase {
    const char* what;
    AnchorMode mode;
    int32_t origin, design, extent, position, length;
    Span expected;
};

} // namespace

TEST(AnchorLayout, each_mode_along_one_axis)
{
    const AxisCase cases[] = {
        {"min side keeps the near distance", AnchorMode::min_side, 0, 240, 480, 200, 30, {200, 30}},
        {"min side adds the origin", AnchorMode::min_side, 7, 240, 480, 200, 30, {207, 30}},
        {"max side keeps the far distance", AnchorMode::max_side, 0, 240, 480, 200, 30, {440, 30}},
        {"max side when shrinking", AnchorMode::max_side, 5, 240, 200, 200, 30, {165, 30}},
        {"both sides stretch", AnchorMode::both_side, 0, 240, 480, 10, 220, {10, 460}},
        {"both sides shrink below zero", AnchorMode::both_side, 0, 240, 100, 10, 50, {10, -90}},
        {"ratio scales position and size", AnchorMode::ratio, 0, 240, 480, 60, 120, {120, 240}},
        {"ratio takes the size between the scaled ends", AnchorMode::ratio, 0, 3, 4, 1, 1, {1, 1}},
        {"ratio truncates toward zero", AnchorMode::ratio, 0, 3, 2, 2, 2, {1, 1}},
        {"ratio of a negative position truncates toward zero", AnchorMode::ratio, 0, 3, 2, -2, 1, {-1, 1}},
        {"ratio with a zero design extent is min side", AnchorMode::ratio, 4, 0, 480, 60, 120, {64, 120}},
        {"ratio keeps the origin", AnchorMode::ratio, 10, 100, 50, 40, 20, {30, 10}},
    };
    for (const AxisCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(anchor_axis(c.mode, c.origin, c.design, c.extent, c.position, c.length), c.expected);
    }
}

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
