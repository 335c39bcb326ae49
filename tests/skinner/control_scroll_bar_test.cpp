#include "skinner/control_scroll_bar.h"

#include "control_test_support.h"

using namespace skinner;
using namespace test;

namespace {

// sbBar: 20 x 110 at (200, 5), end buttons 20 each, thumb borders 4: travel 66.
struct BarForm : ListsForm {
    ControlScrollBar bar {container, u"sbBar", LookupMode::named};

    Point centre(ScrollPart part) const { return test::centre(bar.button(part).rect()); }
    void tap(ScrollPart part) { test::tap(container, centre(part)); }
    // Runs the repeat timer while there is one.
    void tick_timers(int ticks)
    {
        for (int tick = 0; tick < ticks && !window.timers.empty(); ++tick)
            container.on_timer(window.timers.begin()->first);
    }
};

Rect r(int32_t x, int32_t y, int32_t w, int32_t h)
{
    return {{x, y}, {w, h}};
}

} // namespace

TEST(ControlScrollBar, lays_out_five_buttons_and_holds_position_page_and_range_to_each_other)
{
    BarForm f;
    EXPECT_TRUE(f.bar.is_vertical());
    EXPECT_EQ(f.bar.parts().travel, 66);
    EXPECT_EQ(f.bar.button(ScrollPart::MinButton).rect(), r(200, 5, 20, 20));
    EXPECT_EQ(f.bar.button(ScrollPart::MaxButton).rect(), r(200, 95, 20, 20));
    // Position 0 of 0..100, page 10: the thumb runs from the min button to 95 - trunc(66 * 0.9) = 36.
    EXPECT_EQ(f.bar.button(ScrollPart::Thumb).rect(), r(200, 25, 20, 11));
    EXPECT_TRUE(f.bar.button(ScrollPart::MinSpace).rect().empty());
    EXPECT_EQ(f.bar.button(ScrollPart::MaxSpace).rect(), r(200, 36, 20, 59));
    f.bar.set_position(95);
    EXPECT_EQ(f.bar.position(), 90);
    f.bar.set_position(90);
    f.bar.set_position(-4);
    EXPECT_EQ(f.listener.log, (Events {"scroll sbBar 90", "scroll sbBar 0"})) << "only moves are told";

    // A page larger than the range is cut, but kept as asked: the thumb fills the travel.
    f.bar.set_position(50);
    f.bar.set_page(250);
    EXPECT_EQ((std::tuple {f.bar.position(), f.bar.page(), f.bar.page_in_use()}), (std::tuple {0, 250, 100}));
    EXPECT_EQ(f.bar.button(ScrollPart::Thumb).rect(), r(200, 25, 20, 70));
    f.bar.set_range(0, 1000);
    EXPECT_EQ(f.bar.page_in_use(), 250) << "the page comes back when the range grows";
    f.bar.set_position(1000);
    EXPECT_EQ(f.bar.position(), 750);
    f.bar.set_range(20, 5);
    f.bar.set_position(0);
    EXPECT_EQ((std::tuple {f.bar.minimum(), f.bar.maximum(), f.bar.position()}), (std::tuple {20, 20, 20}))
        << "a maximum below the minimum is an empty range";
    EXPECT_EQ(f.bar.button(ScrollPart::Thumb).rect(), r(200, 25, 20, 70)) << "and the thumb fills the travel";
    f.bar.set_page(-4);
    EXPECT_EQ(f.bar.page_in_use(), 0);

    // The whole 32-bit range neither overflows nor divides by zero.
    f.bar.set_range(INT32_MIN, INT32_MAX);
    f.bar.set_page(INT32_MAX);
    EXPECT_EQ(f.bar.page_in_use(), INT32_MAX);
    f.bar.set_position(INT32_MAX);
    EXPECT_EQ(f.bar.position(), 0);
    f.tap(ScrollPart::MinSpace);
    EXPECT_EQ(f.bar.position(), INT32_MIN + 1);
    f.bar.set_rect(r(200, 5, 20, 30));
    EXPECT_EQ(f.bar.parts().travel, 0);
    EXPECT_TRUE(f.bar.button(ScrollPart::Thumb).rect().empty())
        << "a bar shorter than its buttons has no thumb";
}

TEST(ControlScrollBar, buttons_step_spaces_page_holds_repeat_and_the_thumb_drags_between_the_ends)
{
    BarForm f;
    for (ScrollPart part : {ScrollPart::MaxButton, ScrollPart::MaxSpace, ScrollPart::MinSpace,
             ScrollPart::MinButton, ScrollPart::MinButton})
        f.tap(part);
    EXPECT_EQ(
        f.listener.log, (Events {"scroll sbBar 1", "scroll sbBar 11", "scroll sbBar 1", "scroll sbBar 0"}))
        << "the buttons' clicks end at the bar";

    f.container.mouse_down(0, f.centre(ScrollPart::MaxButton), false);
    EXPECT_EQ(f.bar.position(), 1);
    ASSERT_EQ(f.window.timers.size(), 1u);
    f.tick_timers(5);
    EXPECT_EQ(f.bar.position(), 1) << "the repeat starts after five ticks";
    f.tick_timers(2);
    EXPECT_EQ(f.bar.position(), 3);
    f.container.mouse_up(0, f.centre(ScrollPart::MaxButton));
    EXPECT_TRUE(f.window.timers.empty()) << "the release stops the timer";
    // A held space keeps paging until the end.
    f.container.mouse_down(0, {210, 90}, false);
    f.tick_timers(100);
    EXPECT_EQ(f.bar.position(), 90) << "held long after the end";
    f.container.mouse_up(0, {210, 90});

    f.bar.set_position(0);
    Point press = f.centre(ScrollPart::Thumb); // offset 5 into the thumb
    f.container.mouse_down(0, press, false);
    f.container.mouse_move({press.x, press.y + 33});
    EXPECT_EQ(f.bar.position(), 50);
    f.container.mouse_move({press.x, press.y + 500});
    EXPECT_EQ(f.bar.position(), 90);
    f.container.mouse_move({press.x, press.y - 500});
    EXPECT_EQ(f.bar.position(), 0);
    f.container.mouse_up(0, press);
    f.container.mouse_move({press.x, press.y + 33});
    EXPECT_EQ(f.bar.position(), 0) << "no drag after the release";
    f.bar.set_range(-50, 50);
    f.bar.set_position(-50);
    f.container.mouse_down(0, f.centre(ScrollPart::Thumb), false);
    f.container.mouse_move({press.x, f.centre(ScrollPart::Thumb).y + 33});
    EXPECT_EQ(f.bar.position(), 0) << "halfway from a negative minimum";
    f.container.mouse_up(0, press);
    f.bar.set_enabled(false);
    f.tap(ScrollPart::MaxButton);
    EXPECT_EQ(f.bar.position(), 0) << "a disabled bar takes no stylus";
}
