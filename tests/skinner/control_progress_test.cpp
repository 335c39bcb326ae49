#include "skinner/control_progress.h"

#include "lists_support.h"

#include <gtest/gtest.h>

#include <cmath>

using skinner::ControlProgress;
using skinner::LookupMode;
using test::ListsForm;

namespace {

constexpr uint32_t s_red = 0xFFE00040u;
constexpr uint32_t s_green = 0xFF00E040u;
constexpr uint32_t s_blue = 0xFF000040u;
constexpr uint32_t s_white = 0xFFE0E040u;

struct Painted {
    os::Surface surface {240, 268, 0xFF808080u};

    void paint(skinner::Control& control)
    {
        skinner::Canvas canvas(surface);
        control.paint(canvas, control.rect().position, control.rect().size);
    }
    uint32_t at(int32_t x, int32_t y) const { return surface.at(x, y); }
};

} // namespace

TEST(ControlProgress, reads_orientation_track_size_and_geometry_from_the_skin)
{
    ListsForm f;
    ControlProgress right(f.form, u"prgRight", LookupMode::named);
    ControlProgress up(f.form, u"prgUp", LookupMode::named);
    EXPECT_EQ(right.orientation(), 3);
    EXPECT_EQ(up.orientation(), 2);
    EXPECT_EQ(right.track_size(), 8);
    EXPECT_EQ(right.rect(), (skinner::Rect {{10, 10}, {100, 20}}));
    EXPECT_DOUBLE_EQ(right.value(), 0.0);
}

TEST(ControlProgress, set_value_clamps_and_announces_only_changes)
{
    ListsForm f;
    ControlProgress bar(f.form, u"prgRight", LookupMode::named);
    bar.set_value(0.25);
    EXPECT_DOUBLE_EQ(bar.value(), 0.25);
    EXPECT_EQ(f.recorder.value_changes.size(), 1u);
    bar.set_value(0.25);
    EXPECT_EQ(f.recorder.value_changes.size(), 1u) << "the same value is no change";
    bar.set_value(7.0);
    EXPECT_DOUBLE_EQ(bar.value(), 1.0);
    bar.set_value(1.5);
    EXPECT_EQ(f.recorder.value_changes.size(), 2u) << "clamped to the value it already has";
    bar.set_value(-3.0);
    EXPECT_DOUBLE_EQ(bar.value(), 0.0);
    bar.set_value(0.5);
    bar.set_value(std::nan(""));
    EXPECT_DOUBLE_EQ(bar.value(), 0.0) << "NaN counts as 0";
}

TEST(ControlProgress, a_change_repaints_only_when_the_drawn_rectangles_move)
{
    ListsForm f;
    ControlProgress bar(f.form, u"prgRight", LookupMode::named);
    bar.set_value(0.5);
    f.window.invalidations.clear();
    // A 100-pixel bar: a thousandth is less than a pixel, a tenth is ten.
    bar.set_value(0.501);
    EXPECT_TRUE(f.window.invalidations.empty());
    EXPECT_EQ(f.recorder.value_changes.size(), 2u) << "still stored and announced";
    EXPECT_DOUBLE_EQ(bar.value(), 0.501);
    bar.set_value(0.6);
    // Fill edge 56 to 65, thumbs 56..63 and 65..72: one-pixel pictures grow in place.
    ASSERT_EQ(f.window.invalidations.size(), 1u);
    EXPECT_EQ(f.window.invalidations[0], (skinner::Rect {{56, 10}, {17, 20}}));
}

// What a value change invalidates is all that changes: repainting only those parts of what was
// shown gives the full painting at the new value, for bars of every kind of picture. Bars whose
// moving picture grows in place repaint only around their moving end.
TEST(ControlProgress, repainting_what_a_change_invalidates_gives_the_full_painting)
{
    test::TestControlWindow window;
    test::Recorder recorder;
    skinner::Properties skin(test::lists_skin_path(), {240, 320});
    skinner::Container form(window, &skin, u"FormBars", LookupMode::named, &recorder);
    struct Bar {
        const char16_t* name;
        bool in_place;
    };
    const Bar bars[] = {{u"barTiledRight", true}, {u"barPanelRight", true}, {u"barRampRight", false},
        {u"barGlowLeft", true}, {u"barPanelUp", true}, {u"barButtonDown", false}};
    const double values[] = {0.37, 0.371, 0.5, 0.52, 0.02, 0.0, 1.0, 0.999, 0.6, 0.01, 0.25, 0.0};
    constexpr uint32_t s_beneath = 0xFF335577u;
    for (const Bar& b : bars) {
        ControlProgress bar(form, b.name, LookupMode::named);
        ASSERT_FALSE(bar.rect().empty());
        bool horizontal = bar.orientation() == 1 || bar.orientation() == 3;
        auto paint = [&](os::Surface& surface, skinner::Rect part) {
            skinner::Canvas canvas(surface, {0, 0}, part);
            canvas.fill(part, s_beneath);
            bar.paint(canvas, part.position, part.size);
        };
        os::Surface shown(240, 268, s_beneath);
        paint(shown, bar.rect());
        double before = bar.value();
        for (double v : values) {
            window.invalidations.clear();
            bar.set_value(v);
            for (const skinner::Rect& part : window.invalidations)
                paint(shown, part);
            os::Surface whole(240, 268, s_beneath);
            paint(whole, bar.rect());
            ASSERT_EQ(shown.pixels, whole.pixels)
                << liba::to_utf8(b.name) << " from " << before << " to " << v;
            if (before == 0.5 && v == 0.52) {
                ASSERT_EQ(window.invalidations.size(), 1u);
                const skinner::Rect& part = window.invalidations[0];
                int32_t length = horizontal ? part.size.width : part.size.height;
                int32_t bar_length = horizontal ? bar.rect().size.width : bar.rect().size.height;
                EXPECT_EQ(length < bar_length / 4, b.in_place) << liba::to_utf8(b.name) << ": " << length;
            }
            before = v;
        }
    }
}

TEST(ControlProgress, set_value_over_a_range)
{
    ListsForm f;
    ControlProgress bar(f.form, u"prgRight", LookupMode::named);
    bar.set_value(10.0, 30.0, 15.0);
    EXPECT_DOUBLE_EQ(bar.value(), 0.25);
    bar.set_value(10.0, 30.0, 99.0);
    EXPECT_DOUBLE_EQ(bar.value(), 1.0);
    bar.set_value(10.0, 10.0, 10.0);
    EXPECT_DOUBLE_EQ(bar.value(), 0.0);
    bar.set_value(0.4);
    bar.set_value(10.0, 5.0, 7.0);
    EXPECT_DOUBLE_EQ(bar.value(), 0.0) << "a maximum below the minimum sets 0";
}

TEST(ControlProgress, dragging_reports_values_without_setting_them)
{
    ListsForm f;
    ControlProgress bar(f.form, u"prgRight", LookupMode::named);
    // Ends: x + t2 = 14 and x + w - t + t2 = 106.
    f.form.mouse_down(0, {14, 15}, false);
    f.form.mouse_move({106, 15});
    f.form.mouse_move({500, 15});
    f.form.mouse_move({-40, 15});
    f.form.mouse_up(0, {60, 15});
    f.form.mouse_move({106, 15});
    EXPECT_EQ(f.recorder.values, (std::vector<double> {0.0, 1.0, 1.0, 0.0}));
    EXPECT_DOUBLE_EQ(bar.value(), 0.0);
    EXPECT_TRUE(f.recorder.value_changes.empty());
    EXPECT_FALSE(bar.is_dragging());
}

TEST(ControlProgress, a_double_tap_does_not_drag)
{
    ListsForm f;
    ControlProgress bar(f.form, u"prgRight", LookupMode::named);
    f.form.mouse_down(0, {60, 15}, true);
    EXPECT_FALSE(bar.is_dragging());
    f.form.mouse_move({80, 15});
    f.form.mouse_up(0, {80, 15});
    EXPECT_TRUE(f.recorder.values.empty());
}

TEST(ControlProgress, growing_right_paints_background_fill_and_thumb)
{
    ListsForm f;
    ControlProgress bar(f.form, u"prgRight", LookupMode::named);
    bar.set_value(0.5); // fill 46 wide: x 10..55, thumb x 56..63
    Painted p;
    p.paint(bar);
    EXPECT_EQ(p.at(10, 15), s_green);
    EXPECT_EQ(p.at(55, 15), s_green);
    EXPECT_EQ(p.at(56, 15), s_red);
    EXPECT_EQ(p.at(63, 15), s_red);
    EXPECT_EQ(p.at(64, 15), s_blue);
    EXPECT_EQ(p.at(109, 29), s_blue);
    EXPECT_EQ(p.at(110, 15), 0xFF808080u) << "nothing outside the rectangle";
}

TEST(ControlProgress, growing_up_left_and_down_paint_from_their_own_ends)
{
    ListsForm f;
    ControlProgress up(f.form, u"prgUp", LookupMode::named);
    ControlProgress left(f.form, u"prgLeft", LookupMode::named);
    ControlProgress down(f.form, u"prgDown", LookupMode::named);
    up.set_value(0.25); // travel 92: the top 69 pixels are unfilled, the thumb at y 79..86
    left.set_value(0.5); // unfilled x 10..55, thumb 56..63, fill to 109
    down.set_value(0.5); // fill y 10..55, thumb 56..63, background below
    Painted p;
    p.paint(up);
    EXPECT_EQ(p.at(130, 10), s_blue);
    EXPECT_EQ(p.at(130, 78), s_blue);
    EXPECT_EQ(p.at(130, 79), s_red);
    EXPECT_EQ(p.at(130, 86), s_red);
    EXPECT_EQ(p.at(130, 87), s_green);
    EXPECT_EQ(p.at(130, 109), s_green);
    p.paint(left);
    p.paint(down);
    EXPECT_EQ(p.at(10, 50), s_blue);
    EXPECT_EQ(p.at(56, 50), s_red);
    EXPECT_EQ(p.at(64, 50), s_green);
    EXPECT_EQ(p.at(109, 50), s_green);
    EXPECT_EQ(p.at(160, 10), s_green);
    EXPECT_EQ(p.at(160, 56), s_red);
    EXPECT_EQ(p.at(160, 64), s_blue);
}

TEST(ControlProgress, a_disabled_slider_draws_the_disabled_thumb_and_still_the_fill)
{
    ListsForm f;
    ControlProgress bar(f.form, u"prgRight", LookupMode::named);
    bar.set_value(0.5);
    bar.set_enabled(false);
    Painted p;
    p.paint(bar);
    EXPECT_EQ(p.at(30, 15), s_green);
    EXPECT_EQ(p.at(60, 15), s_white);
    // Disabled controls take no stylus.
    f.form.mouse_down(0, {60, 15}, false);
    EXPECT_TRUE(f.recorder.values.empty());
}
