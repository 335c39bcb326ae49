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

TEST(ScrollGeometry, position_stays_within_range_less_page)
{
    ScrollRange range {0, 100, 10};
    EXPECT_EQ(skinner::clamp_scroll_position(range, -5), 0);
    EXPECT_EQ(skinner::clamp_scroll_position(range, 0), 0);
    EXPECT_EQ(skinner::clamp_scroll_position(range, 45), 45);
    EXPECT_EQ(skinner::clamp_scroll_position(range, 90), 90);
    EXPECT_EQ(skinner::clamp_scroll_position(range, 91), 90);
    EXPECT_EQ(skinner::clamp_scroll_position({-50, 50, 0}, 50), 50);
    EXPECT_EQ(skinner::clamp_scroll_position({-50, 50, 0}, -51), -50);
}

TEST(ScrollGeometry, a_page_larger_than_the_range_is_cut_and_a_maximum_below_the_minimum_empties_it)
{
    EXPECT_EQ(skinner::normalized_scroll_range({0, 100, 250}), (ScrollRange {0, 100, 100}));
    EXPECT_EQ(skinner::clamp_scroll_position({0, 100, 250}, 30), 0);
    EXPECT_EQ(skinner::normalized_scroll_range({0, 100, -4}), (ScrollRange {0, 100, 0}));
    EXPECT_EQ(skinner::clamp_scroll_position({0, 100, -4}, 100), 100);
    EXPECT_EQ(skinner::normalized_scroll_range({20, 5, 3}), (ScrollRange {20, 20, 0}));
    EXPECT_EQ(skinner::clamp_scroll_position({20, 5, 3}, 0), 20);
    EXPECT_EQ(skinner::clamp_scroll_position({20, 5, 3}, 99), 20);
}

TEST(ScrollGeometry, extreme_ranges_do_not_overflow)
{
    ScrollRange whole {INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(skinner::normalized_scroll_range(whole).page, INT32_MAX);
    EXPECT_EQ(skinner::clamp_scroll_position(whole, int64_t(INT32_MAX) + 10), 0);
    EXPECT_EQ(skinner::clamp_scroll_position(whole, int64_t(INT32_MIN) - 10), INT32_MIN);
    EXPECT_EQ(skinner::scroll_action_target(ScrollPart::MinSpace, INT32_MIN, INT32_MAX, 1),
        int64_t(INT32_MIN) - INT32_MAX);
}

TEST(ScrollGeometry, vertical_bar_parts_and_the_same_along_x)
{
    // 20 x 200 at (5, 10); end buttons 20 and 30; thumb borders 10: travel 140.
    // Range 0..100, page 25, position 50: f = 0.5, g = 0.25.
    skinner::ScrollBarParts parts
        = skinner::scroll_bar_parts(r(5, 10, 20, 200), true, {0, 100, 25}, 50, 20, 30, 10);
    EXPECT_EQ(parts.travel, 140);
    EXPECT_EQ(parts.min_button, r(5, 10, 20, 20));
    EXPECT_EQ(parts.max_button, r(5, 180, 20, 30));
    // Thumb from 10 + 20 + 70 = 100 to 210 - 30 - 35 = 145: k + travel g = 45 long.
    EXPECT_EQ(parts.thumb, r(5, 100, 20, 45));
    EXPECT_EQ(parts.min_space, r(5, 30, 20, 70));
    EXPECT_EQ(parts.max_space, r(5, 145, 20, 35));
    EXPECT_EQ(parts[ScrollPart::Thumb], parts.thumb);
    EXPECT_EQ(parts[ScrollPart::MaxButton], parts.max_button);

    parts = skinner::scroll_bar_parts(r(10, 5, 200, 20), false, {0, 100, 25}, 50, 20, 30, 10);
    EXPECT_EQ(parts.min_button, r(10, 5, 20, 20));
    EXPECT_EQ(parts.max_button, r(180, 5, 30, 20));
    EXPECT_EQ(parts.thumb, r(100, 5, 45, 20));
    EXPECT_EQ(parts.min_space, r(30, 5, 70, 20));
    EXPECT_EQ(parts.max_space, r(145, 5, 35, 20));
}

TEST(ScrollGeometry, thumb_at_the_ends_touches_the_buttons)
{
    skinner::ScrollBarParts top = skinner::scroll_bar_parts(r(0, 0, 10, 100), true, {0, 10, 2}, 0, 10, 10, 0);
    EXPECT_EQ(top.thumb.top(), 10);
    EXPECT_TRUE(top.min_space.empty());
    skinner::ScrollBarParts bottom
        = skinner::scroll_bar_parts(r(0, 0, 10, 100), true, {0, 10, 2}, 8, 10, 10, 0);
    EXPECT_EQ(bottom.thumb.bottom(), 90);
    EXPECT_TRUE(bottom.max_space.empty());
}

TEST(ScrollGeometry, an_empty_range_thumb_fills_the_travel_and_a_bar_shorter_than_its_buttons_has_none)
{
    for (ScrollRange range : {ScrollRange {0, 0, 1}, ScrollRange {30, 10, 5}}) {
        skinner::ScrollBarParts parts
            = skinner::scroll_bar_parts(r(0, 0, 10, 100), true, range, range.minimum, 15, 15, 4);
        EXPECT_EQ(parts.thumb, r(0, 15, 10, 70));
        EXPECT_TRUE(parts.min_space.empty());
        EXPECT_TRUE(parts.max_space.empty());
    }
    skinner::ScrollBarParts parts
        = skinner::scroll_bar_parts(r(0, 0, 10, 30), true, {0, 100, 10}, 50, 20, 20, 8);
    EXPECT_EQ(parts.travel, 0);
    EXPECT_TRUE(parts.thumb.empty());
}

TEST(ScrollGeometry, button_and_space_actions)
{
    EXPECT_EQ(skinner::scroll_action_target(ScrollPart::MinButton, 40, 10, 1), 39);
    EXPECT_EQ(skinner::scroll_action_target(ScrollPart::MaxButton, 40, 10, 1), 41);
    EXPECT_EQ(skinner::scroll_action_target(ScrollPart::MinSpace, 40, 10, 1), 30);
    EXPECT_EQ(skinner::scroll_action_target(ScrollPart::MaxSpace, 40, 10, 1), 50);
    EXPECT_EQ(skinner::scroll_action_target(ScrollPart::Thumb, 40, 10, 1), 40);
}

TEST(ScrollGeometry, dragging_maps_the_travel_onto_the_range)
{
    ScrollRange range {0, 100, 10};
    EXPECT_EQ(skinner::scroll_drag_position(range, 200, 0), 0);
    EXPECT_EQ(skinner::scroll_drag_position(range, 200, 100), 50);
    EXPECT_EQ(skinner::scroll_drag_position(range, 200, 199), 99);
    // Beyond either end: pinned (the page is cut when the position is set).
    EXPECT_EQ(skinner::scroll_drag_position(range, 200, -30), 0);
    EXPECT_EQ(skinner::scroll_drag_position(range, 200, 1000), 100);
    EXPECT_EQ(skinner::clamp_scroll_position(range, skinner::scroll_drag_position(range, 200, 1000)), 90);
    EXPECT_EQ(skinner::scroll_drag_position({-10, 10, 0}, 40, 10), -5);
    EXPECT_EQ(skinner::scroll_drag_position(range, 0, 50), 0);
}

TEST(ScrollGeometry, repeat_starts_after_five_ticks_and_does_not_wrap_when_held_forever)
{
    skinner::RepeatCountdown countdown;
    countdown.start();
    for (int tick = 1; tick <= 5; ++tick)
        EXPECT_FALSE(countdown.tick(true)) << "tick " << tick;
    EXPECT_TRUE(countdown.tick(true));
    EXPECT_TRUE(countdown.tick(true));
    // A disabled button keeps counting but does not repeat.
    EXPECT_FALSE(countdown.tick(false));
    EXPECT_TRUE(countdown.tick(true));
    // A new press starts over.
    countdown.start();
    EXPECT_FALSE(countdown.tick(true));
    EXPECT_EQ(countdown.count(), 4);
    // Held forever it does not wrap.
    countdown.start();
    for (int tick = 0; tick < 100; ++tick)
        countdown.tick(true);
    EXPECT_EQ(countdown.count(), -1);
    EXPECT_TRUE(countdown.tick(true));
}

namespace {

AutoScrollMetrics metrics()
{
    AutoScrollMetrics m;
    m.scroll_width = 12;
    m.scroll_height = 10;
    m.border_min = {2, 3};
    m.border_max = {4, 5};
    m.scroll_border_min = {1, 1};
    m.scroll_border_max = {1, 2};
    return m;
}

} // namespace

TEST(AutoScrollLayout, content_that_fits_needs_no_bars)
{
    AutoScrollLayout layout = skinner::auto_scroll_layout(metrics(), r(10, 20, 200, 100), {200, 100});
    EXPECT_FALSE(layout.vertical_bar);
    EXPECT_FALSE(layout.horizontal_bar);
    EXPECT_EQ(layout.view, r(10, 20, 200, 100));
    EXPECT_EQ(layout.content, r(12, 23, 194, 92));
}

TEST(AutoScrollLayout, tall_content_gets_a_vertical_bar)
{
    // The vertical bar takes 1 + 12 + 1 = 14 pixels.
    AutoScrollLayout layout = skinner::auto_scroll_layout(metrics(), r(10, 20, 200, 100), {150, 101});
    EXPECT_TRUE(layout.vertical_bar);
    EXPECT_FALSE(layout.horizontal_bar);
    EXPECT_EQ(layout.view, r(10, 20, 186, 100));
    EXPECT_EQ(layout.content, r(12, 23, 180, 92));
    EXPECT_EQ(layout.vertical_rect, r(10 + 186 + 1, 21, 12, 97));
}

TEST(AutoScrollLayout, tall_content_that_fits_only_without_the_vertical_bar_also_gets_a_horizontal_one)
{
    AutoScrollLayout layout = skinner::auto_scroll_layout(metrics(), r(10, 20, 200, 100), {190, 300});
    EXPECT_TRUE(layout.vertical_bar);
    EXPECT_TRUE(layout.horizontal_bar);
    // The horizontal bar takes 1 + 10 + 2 = 13 pixels.
    EXPECT_EQ(layout.view, r(10, 20, 186, 87));
    EXPECT_EQ(layout.horizontal_rect, r(11, 20 + 87 + 1, 184, 10));
    EXPECT_EQ(layout.vertical_rect, r(197, 21, 12, 84));
}

TEST(AutoScrollLayout, wide_content_can_make_the_vertical_bar_needed_after_all)
{
    // 95 high fits the panel, but not once the horizontal bar has taken its 13 pixels.
    AutoScrollLayout layout = skinner::auto_scroll_layout(metrics(), r(0, 0, 200, 100), {500, 95});
    EXPECT_TRUE(layout.horizontal_bar);
    EXPECT_TRUE(layout.vertical_bar);
    EXPECT_EQ(layout.view, r(0, 0, 186, 87));
    // 80 high still fits beside the horizontal bar.
    layout = skinner::auto_scroll_layout(metrics(), r(0, 0, 200, 100), {500, 80});
    EXPECT_TRUE(layout.horizontal_bar);
    EXPECT_FALSE(layout.vertical_bar);
    EXPECT_EQ(layout.view, r(0, 0, 200, 87));
}
