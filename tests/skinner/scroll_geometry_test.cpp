#include "skinner/scroll_geometry.h"

#include <gtest/gtest.h>

using skinner::AutoScrollLayout;
using skinner::AutoScrollMetrics;
using skinner::Rect;
using skinner::ScrollPart;
using skinner::ScrollRange;

namespace {

Rect r(int32_t x, int32_t y, int32_t w, int32_t h)
{
    return {{x, y}, {w, h}};
}

} // namespace

// The control suite moves a vertical bar through its range; these are the edges it does not reach.
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
    for (ScrollRange range : {ScrollRange {0, 0, 1}, ScrollRange {30, 10, 5}}) {
        skinner::ScrollBarParts parts
            = skinner::scroll_bar_parts(r(0, 0, 10, 100), true, range, range.minimum, 15, 15, 4);
        EXPECT_EQ(parts.thumb, r(0, 15, 10, 70)) << "an empty range: the thumb fills the travel";
    }
    skinner::ScrollBarParts parts
        = skinner::scroll_bar_parts(r(0, 0, 10, 30), true, {0, 100, 10}, 50, 20, 20, 8);
    EXPECT_EQ(parts.travel, 0);
    EXPECT_TRUE(parts.thumb.empty()) << "a bar shorter than its buttons has no thumb";
}

TEST(ScrollGeometry, repeat_keeps_counting_while_disabled_and_does_not_wrap_when_held_forever)
{
    skinner::RepeatCountdown countdown;
    countdown.start();
    for (int tick = 1; tick <= 5; ++tick)
        EXPECT_FALSE(countdown.tick(true)) << "tick " << tick;
    EXPECT_TRUE(countdown.tick(true));
    EXPECT_FALSE(countdown.tick(false));
    EXPECT_TRUE(countdown.tick(true));
    countdown.start();
    for (int tick = 0; tick < 100; ++tick)
        countdown.tick(true);
    EXPECT_EQ(countdown.count(), -1);
    EXPECT_TRUE(countdown.tick(true));
}

struct AutoCase {
    Rect panel;
    skinner::Size content;
    bool vertical, horizontal;
    Rect view;
};

TEST(AutoScrollLayout, bars_come_where_the_content_does_not_fit_and_may_bring_each_other)
{
    // Border 2,3 / 4,5; the vertical bar takes 1 + 12 + 1 = 14 pixels, the horizontal 1 + 10 + 2 = 13.
    AutoScrollMetrics m;
    m.scroll_width = 12;
    m.scroll_height = 10;
    m.border_min = {2, 3};
    m.border_max = {4, 5};
    m.scroll_border_min = {1, 1};
    m.scroll_border_max = {1, 2};
    const AutoCase cases[] = {
        {r(10, 20, 200, 100), {200, 100}, false, false, r(10, 20, 200, 100)},
        {r(10, 20, 200, 100), {150, 101}, true, false, r(10, 20, 186, 100)},
        {r(10, 20, 200, 100), {190, 300}, true, true, r(10, 20, 186, 87)}, // fits only without the bar
        {r(0, 0, 200, 100), {500, 95}, true, true, r(0, 0, 186, 87)}, // not beside the horizontal bar
        {r(0, 0, 200, 100), {500, 80}, false, true, r(0, 0, 200, 87)},
    };
    for (const AutoCase& c : cases) {
        AutoScrollLayout layout = skinner::auto_scroll_layout(m, c.panel, c.content);
        EXPECT_EQ(layout.vertical_bar, c.vertical) << c.content.width << "x" << c.content.height;
        EXPECT_EQ(layout.horizontal_bar, c.horizontal) << c.content.width << "x" << c.content.height;
        EXPECT_EQ(layout.view, c.view) << c.content.width << "x" << c.content.height;
    }
    EXPECT_EQ(skinner::auto_scroll_layout(m, r(10, 20, 200, 100), {150, 101}).content, r(12, 23, 180, 92));
    AutoScrollLayout both = skinner::auto_scroll_layout(m, r(10, 20, 200, 100), {190, 300});
    EXPECT_EQ(both.horizontal_rect, r(11, 20 + 87 + 1, 184, 10));
    EXPECT_EQ(both.vertical_rect, r(197, 21, 12, 84));
}
