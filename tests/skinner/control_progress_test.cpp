#include "skinner/control_progress.h"
#include "skinner/progress_geometry.h"

#include "control_test_support.h"

#include <cmath>

using namespace skinner;
using namespace test;

TEST(ControlProgress, set_value_clamps_and_announces_changes_and_a_drag_reports_values_without_setting_them)
{
    ListsForm f;
    ControlProgress bar(f.container, u"prgRight", LookupMode::named);
    const std::pair<double, double> steps[]
        = {{0.25, 0.25}, {0.25, 0.25}, {7.0, 1.0}, {1.5, 1.0}, {-3.0, 0.0}, {0.5, 0.5}, {std::nan(""), 0.0}};
    for (const auto& [value, want] : steps) {
        bar.set_value(value);
        EXPECT_DOUBLE_EQ(bar.value(), want) << value;
    }
    EXPECT_EQ(f.listener.count("changed"), 5u) << "only changes are announced";
    // Over a range; a maximum below the minimum sets 0.
    const double ranged[][4] = {{10, 30, 15, 0.25}, {10, 30, 99, 1}, {10, 10, 10, 0}, {10, 5, 7, 0}};
    for (const auto& [minimum, maximum, value, want] : ranged) {
        bar.set_value(0.4);
        bar.set_value(minimum, maximum, value);
        EXPECT_DOUBLE_EQ(bar.value(), want) << minimum << ".." << maximum;
    }

    f.listener.log.clear();
    // Ends: x + t2 = 14 and x + w - t + t2 = 106.
    f.container.mouse_down(0, {14, 15}, false);
    for (int32_t x : {106, 500, -40})
        f.container.mouse_move({x, 15});
    f.container.mouse_up(0, {60, 15});
    f.container.mouse_move({106, 15});
    EXPECT_EQ(f.listener.log,
        (Events {"value prgRight 0", "value prgRight 1", "value prgRight 1", "value prgRight 0"}))
        << "the values are told, not set";
    f.container.mouse_down(0, {60, 15}, true);
    EXPECT_FALSE(bar.is_dragging()) << "a double tap does not drag";
    f.container.mouse_move({80, 15});
    EXPECT_EQ(f.listener.log.size(), 4u);
}

TEST(ControlProgress, repainting_what_a_change_invalidates_gives_the_full_painting)
{
    ListsForm f(u"FormBars");
    struct Bar {
        const char16_t* name;
        bool in_place;
    };
    const Bar bars[] = {{u"barTiledRight", true}, {u"barPanelRight", true}, {u"barRampRight", false},
        {u"barGlowLeft", true}, {u"barPanelUp", true}, {u"barButtonDown", false}};
    const double values[] = {0.37, 0.371, 0.5, 0.52, 0.02, 0.0, 1.0, 0.999, 0.6, 0.01, 0.25, 0.0};
    constexpr uint32_t s_beneath = 0xFF335577u;
    for (const Bar& b : bars) {
        ControlProgress bar(f.container, b.name, LookupMode::named);
        ASSERT_FALSE(bar.rect().empty());
        bool horizontal = bar.orientation() == 1 || bar.orientation() == 3;
        auto paint = [&](os::Surface& surface, Rect part) {
            Canvas canvas(surface, {0, 0}, part);
            canvas.fill(part, s_beneath);
            bar.paint(canvas, part.position, part.size);
        };
        os::Surface shown(240, 268, s_beneath);
        paint(shown, bar.rect());
        double before = bar.value();
        for (double v : values) {
            f.window.invalidations.clear();
            bar.set_value(v);
            for (const Rect& part : f.window.invalidations)
                paint(shown, part);
            os::Surface whole(240, 268, s_beneath);
            paint(whole, bar.rect());
            ASSERT_EQ(shown.pixels, whole.pixels)
                << liba::to_utf8(b.name) << " from " << before << " to " << v;
            if (before == 0.5 && v == 0.52) {
                ASSERT_EQ(f.window.invalidations.size(), 1u);
                const Rect& part = f.window.invalidations[0];
                int32_t length = horizontal ? part.size.width : part.size.height;
                int32_t bar_length = horizontal ? bar.rect().size.width : bar.rect().size.height;
                EXPECT_EQ(length < bar_length / 4, b.in_place) << liba::to_utf8(b.name) << ": " << length;
            }
            before = v;
        }
    }
}

struct PaintCase {
    const char16_t* name;
    double value;
    bool enabled;
    std::vector<std::pair<Point, uint32_t>> pixels;
};

TEST(ControlProgress, each_direction_paints_fill_thumb_and_background_from_its_own_end)
{
    const PaintCase cases[] = {
        // Fill 46 wide: x 10..55, thumb x 56..63.
        {u"prgRight", 0.5, true,
            {{{10, 15}, s_green}, {{55, 15}, s_green}, {{56, 15}, s_red}, {{63, 15}, s_red},
                {{64, 15}, s_blue}, {{109, 29}, s_blue}, {{110, 15}, 0xFF808080u}}},
        {u"prgRight", 0.5, false, {{{30, 15}, s_green}, {{60, 15}, s_white}}},
        // Travel 92: the top 69 pixels are unfilled, the thumb at y 79..86.
        {u"prgUp", 0.25, true,
            {{{130, 10}, s_blue}, {{130, 78}, s_blue}, {{130, 79}, s_red}, {{130, 86}, s_red},
                {{130, 87}, s_green}, {{130, 109}, s_green}}},
        {u"prgLeft", 0.5, true,
            {{{10, 50}, s_blue}, {{56, 50}, s_red}, {{64, 50}, s_green}, {{109, 50}, s_green}}},
        {u"prgDown", 0.5, true, {{{160, 10}, s_green}, {{160, 56}, s_red}, {{160, 64}, s_blue}}},
    };
    for (const PaintCase& c : cases) {
        ListsForm f;
        ControlProgress bar(f.container, c.name, LookupMode::named);
        bar.set_value(c.value);
        bar.set_enabled(c.enabled);
        os::Surface surface {240, 268, 0xFF808080u};
        Canvas canvas(surface);
        bar.paint(canvas, bar.rect().position, bar.rect().size);
        for (const auto& [point, colour] : c.pixels)
            EXPECT_EQ(surface.at(point.x, point.y), colour)
                << liba::to_utf8(c.name) << " " << point.x << "," << point.y;
        f.container.mouse_down(0, centre(bar.rect()), false);
        EXPECT_EQ(f.listener.count("value"), c.enabled ? 1u : 0u) << "disabled controls take no stylus";
    }
}

TEST(ProgressGeometry, no_travel_or_unknown_orientation_gives_zero_and_a_wide_track_stays_in_range)
{
    const Rect bar {{10, 30}, {100, 20}}; // with an 8-pixel thumb
    for (int32_t orientation = 0; orientation < 4; ++orientation)
        for (int32_t x = -5; x < 20; x += 3)
            EXPECT_DOUBLE_EQ(progress_value_at(orientation, {{0, 0}, {8, 8}}, 8, {x, x}), 0.0) << "no travel";
    for (int32_t unknown : {4, -1})
        EXPECT_DOUBLE_EQ(progress_value_at(unknown, bar, 8, {100, 35}), 0.0);
    EXPECT_TRUE(progress_fill_rect(7, bar, 8, 0.5).empty() && progress_thumb_rect(9, bar, 8, 0.5).empty());
    for (int32_t x = -30; x < 30; ++x) {
        double value = progress_value_at(3, {{0, 0}, {10, 10}}, 20, {x, 0});
        EXPECT_TRUE(value >= 0.0 && value <= 1.0) << value;
    }
}
