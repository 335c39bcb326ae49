// The work-area rule as forms use it, and the device-kind test behind it.

#include "fake_form_events.h"

#include "skinner/device_capability.h"
#include "skinner/form_workarea.h"

#include <gtest/gtest.h>

using namespace skinner;

TEST(FormWorkarea, examples_of_both_kinds_of_device)
{
    struct Case {
        os::Size screen;
        bool smartphone;
        os::Rect expected;
    };
    const Case cases[] = {
        {{240, 320}, false, {{0, 26}, {240, 268}}},
        {{480, 640}, false, {{0, 52}, {480, 536}}},
        {{640, 480}, false, {{0, 52}, {640, 376}}},
        {{320, 240}, false, {{0, 26}, {320, 188}}},
        {{176, 220}, true, {{0, 20}, {176, 180}}},
        {{240, 320}, true, {{0, 27}, {240, 266}}},
        {{352, 416}, true, {{0, 40}, {352, 336}}},
        {{480, 640}, true, {{0, 54}, {480, 532}}},
        {{320, 240}, true, {{0, 0}, {320, 240}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(form_workarea(c.screen, c.smartphone, false), c.expected)
            << c.screen.width << "x" << c.screen.height << (c.smartphone ? " smartphone" : " pocket pc");
    }
}

TEST(FormWorkarea, a_shown_input_panel_ends_the_area_at_the_visible_desktop_on_a_pocket_pc)
{
    os::InputPanelInfo panel {true, {{0, 26}, {240, 190}}};
    EXPECT_EQ(form_workarea({240, 320}, false, panel), (os::Rect {{0, 26}, {240, 190}}));
    // A panel that is off, or a Smartphone, changes nothing.
    panel.on = false;
    EXPECT_EQ(form_workarea({240, 320}, false, panel), (os::Rect {{0, 26}, {240, 268}}));
    panel.on = true;
    EXPECT_EQ(form_workarea({176, 220}, true, panel), (os::Rect {{0, 20}, {176, 180}}));
    // This screen has no input panel: asking for it gives the plain area.
    EXPECT_EQ(form_workarea({240, 320}, false, true), (os::Rect {{0, 26}, {240, 268}}));
}

TEST(FormWorkarea, screens_too_small_for_the_bars_leave_an_empty_area)
{
    EXPECT_EQ(form_workarea({240, 40}, false, false), (os::Rect {{0, 26}, {240, 0}}));
}

TEST(DeviceCapability, the_platform_type_is_compared_without_case)
{
    EXPECT_TRUE(is_smartphone_type(u"SmartPhone"));
    EXPECT_TRUE(is_smartphone_type(u"smartphone"));
    EXPECT_TRUE(is_smartphone_type(u"SMARTPHONE"));
    EXPECT_FALSE(is_smartphone_type(u"PocketPC"));
    EXPECT_FALSE(is_smartphone_type(u"SmartPhone "));
    EXPECT_FALSE(is_smartphone_type(u"Smart"));
    EXPECT_FALSE(is_smartphone_type(u""));
    // Only the first 200 characters are read.
    EXPECT_FALSE(is_smartphone_type(std::u16string(200, u' ') + u"smartphone"));
    test::DeviceScope device(os::PlatformKind::pocket_pc);
    EXPECT_TRUE(static_capability_has_soft_keys()) << "version 5 devices have soft keys as well";
}
