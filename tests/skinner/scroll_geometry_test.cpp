#include "skinner/scroll_geometry.h"

#include <gtest/gtest.h>

using skinner::Rect;
using skinner::ScrollPart;
using skinner::ScrollRange;

namespace {

Rect r(int32_t x, int32_t y, int32_t w, int32_t h)
{
    return {{x, y}, {w, h}};
}

} // namespace

// The scroll bar suite moves a bar through its range; these are the edges it does not reach.
TEST(ScrollGeometry, extreme_and_empty_ranges_do_not_overflow_or_divide_by_zero)
{
    ScrollRange whole {INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(skinner::normalized_scroll_range(whole).page, INT32_MAX);
    EXPECT_EQ(skinner::clamp_scroll_position(whole, int64_t(INT32_MAX) + 10), 0);
    EXPECT_EQ(skinner::clamp_scroll_position(whole, int64_t(INT32_MIN) - 10), INT32_MIN);
    EXPECT_EQ(skinner::scroll_action_target(ScrollPart::MinSpace, INT32_MIN, INT32_MAX, 1),
        int64_t(INT32_MIN) - INT32_MAX);
    EXPECT_EQ(skinner::normalized_scroll_range({0, 100, -4}), (ScrollRange {0, 100, 0}));
    EXPECT_EQ(skinner::scroll_drag_position({-10, 10, 0}, 40, 10), -5);
    EXPECT_EQ(skinner::scroll_drag_position({0, 100, 10}, 0, 50), 0) << "no travel";
    EXPECT_EQ(
        skinner::scroll_bar_parts(r(0, 0, 10, 100), true, {30, 10, 5}, 30, 15, 15, 4).thumb, r(0, 15, 10, 70))
        << "an empty range: the thumb fills the travel";
    skinner::ScrollBarParts parts
        = skinner::scroll_bar_parts(r(0, 0, 10, 30), true, {0, 100, 10}, 50, 20, 20, 8);
    EXPECT_EQ(parts.travel, 0);
    EXPECT_TRUE(parts.thumb.empty()) << "a bar shorter than its buttons has no thumb";
    // A repeat held for ever does not wrap its count.
    skinner::RepeatCountdown countdown;
    countdown.start();
    for (int tick = 0; tick < 100; ++tick)
        countdown.tick(true);
    EXPECT_EQ(countdown.count(), -1);
    EXPECT_TRUE(countdown.tick(true));
}

TEST(AutoScrollLayout, bars_come_where_the_content_does_not_fit_and_may_bring_each_other)
{
    // Border 2,3 / 4,5; the vertical bar takes 1 + 12 + 1 = 14 pixels, the horizontal 1 + 10 + 2 = 13.
    skinner::AutoScrollMetrics m;
    m.scroll_width = 12;
    m.scroll_height = 10;
    m.border_min = {2, 3};
    m.border_max = {4, 5};
    m.scroll_border_min = {1, 1};
    m.scroll_border_max = {1, 2};
    skinner::AutoScrollLayout one = skinner::auto_scroll_layout(m, r(10, 20, 200, 100), {150, 101});
    EXPECT_TRUE(one.vertical_bar);
    EXPECT_FALSE(one.horizontal_bar);
    EXPECT_EQ(one.content, r(12, 23, 180, 92));
    // Fits in width only without the vertical bar: both bars.
    skinner::AutoScrollLayout both = skinner::auto_scroll_layout(m, r(10, 20, 200, 100), {190, 300});
    EXPECT_TRUE(both.horizontal_bar);
    EXPECT_EQ(both.view, r(10, 20, 186, 87));
    EXPECT_EQ(both.horizontal_rect, r(11, 20 + 87 + 1, 184, 10));
    EXPECT_EQ(both.vertical_rect, r(197, 21, 12, 84));
    // Fits in height only without the horizontal bar: both bars.
    EXPECT_TRUE(skinner::auto_scroll_layout(m, r(0, 0, 200, 100), {500, 95}).vertical_bar);
    EXPECT_FALSE(skinner::auto_scroll_layout(m, r(0, 0, 200, 100), {500, 80}).vertical_bar);
}
