#include "on_screen.h"

#include "os/keys.h"

#include <functional>
#include <gtest/gtest.h>

using namespace os;
using test::TestWindow;

namespace {

std::vector<Window*> order(std::initializer_list<Window*> windows)
{
    return windows;
}

} // namespace

using ScreenWindows = test::OnScreen;

TEST_F(ScreenWindows, ids_are_never_reused)
{
    WindowId first;
    {
        TestWindow a(screen, {{0, 0}, {10, 10}});
        first = a.window.id();
    }
    TestWindow b(screen, {{0, 0}, {10, 10}});
    EXPECT_NE(b.window.id(), first);
    EXPECT_EQ(screen.find(first), nullptr);
    EXPECT_EQ(screen.find(b.window.id()), &b.window);
}

TEST_F(ScreenWindows, showing_raises_and_activates)
{
    TestWindow a(screen, {{0, 0}, {100, 100}});
    TestWindow b(screen, {{0, 0}, {100, 100}});
    EXPECT_EQ(screen.windows(), order({&a.window, &b.window}));
    EXPECT_EQ(screen.active_window(), &b.window);
    a.window.bring_to_front();
    EXPECT_EQ(screen.windows(), order({&b.window, &a.window}));
    EXPECT_TRUE(a.window.is_active());
    EXPECT_FALSE(b.window.is_active());
}

TEST_F(ScreenWindows, owned_windows_stay_above_their_owner)
{
    TestWindow owner(screen, {{0, 0}, {100, 100}});
    TestWindow dialog(screen, {{10, 10}, {50, 50}}, &owner.window);
    TestWindow inner(screen, {{20, 20}, {20, 20}}, &dialog.window);
    TestWindow other(screen, {{0, 0}, {100, 100}});
    owner.window.bring_to_front();
    EXPECT_EQ(screen.windows(), order({&other.window, &owner.window, &dialog.window, &inner.window}));
    other.window.bring_to_front();
    EXPECT_EQ(screen.windows(), order({&owner.window, &dialog.window, &inner.window, &other.window}));
    // Raising an owned window does not lift its owner.
    dialog.window.bring_to_front();
    EXPECT_EQ(screen.windows(), order({&owner.window, &other.window, &dialog.window, &inner.window}));
}

TEST_F(ScreenWindows, show_without_activation_keeps_the_active_window)
{
    TestWindow a(screen, {{0, 0}, {100, 100}});
    TestWindow popup(screen, {{0, 0}, {50, 50}}, &a.window, false, WindowKind::popup);
    popup.window.show(ShowMode::show_no_activate);
    EXPECT_TRUE(popup.window.is_visible());
    EXPECT_EQ(screen.windows().back(), &popup.window);
    EXPECT_EQ(screen.active_window(), &a.window);
    EXPECT_EQ(popup.recorder.count(WM_ACTIVATE), 0u);
}

TEST_F(ScreenWindows, activation_tells_both_windows_in_order)
{
    std::vector<std::string> seen; // outlives the windows, which report to it until they are gone
    TestWindow a(screen, {{0, 0}, {100, 100}});
    a.recorder.log.clear();
    TestWindow b(screen, {{0, 0}, {100, 100}}, nullptr, false);
    a.recorder.react = [&](Window&, const WindowMessage& m) {
        if (m.id == WM_ACTIVATE)
            seen.push_back("a" + std::to_string(m.wparam));
        return 0;
    };
    b.recorder.react = [&](Window&, const WindowMessage& m) {
        if (m.id == WM_ACTIVATE)
            seen.push_back("b" + std::to_string(m.wparam));
        return 0;
    };
    b.window.show(ShowMode::show);
    EXPECT_EQ(seen, (std::vector<std::string> {"a0", "b1"}));
    ASSERT_EQ(b.recorder.only(WM_ACTIVATE).size(), 1u);
    EXPECT_EQ(WindowId(b.recorder.only(WM_ACTIVATE)[0].lparam), a.window.id());
    EXPECT_EQ(WindowId(a.recorder.only(WM_ACTIVATE)[0].lparam), b.window.id());
}

TEST_F(ScreenWindows, hiding_the_active_window_activates_its_owner_unless_it_is_disabled)
{
    TestWindow owner(screen, {{0, 0}, {100, 100}});
    TestWindow other(screen, {{0, 0}, {100, 100}});
    TestWindow dialog(screen, {{0, 0}, {50, 50}}, &owner.window);
    // The owner is below another window, and still gets the activation back.
    EXPECT_EQ(screen.windows(), order({&owner.window, &other.window, &dialog.window}));
    dialog.window.show(ShowMode::hide);
    EXPECT_EQ(screen.active_window(), &owner.window);
    // A disabled owner is skipped for the topmost enabled window.
    dialog.window.show(ShowMode::show);
    owner.window.enable(false);
    EXPECT_EQ(screen.windows(), order({&owner.window, &other.window, &dialog.window}));
    dialog.window.show(ShowMode::hide);
    EXPECT_EQ(screen.active_window(), &other.window);
}

TEST_F(ScreenWindows, nothing_is_active_when_no_visible_enabled_window_is_left)
{
    TestWindow a(screen, {{0, 0}, {100, 100}});
    TestWindow b(screen, {{0, 0}, {100, 100}});
    a.window.enable(false);
    b.window.show(ShowMode::hide);
    EXPECT_EQ(screen.active_window(), nullptr);
    EXPECT_EQ(b.recorder.only(WM_ACTIVATE).back().wparam, WA_INACTIVE);
}

TEST_F(ScreenWindows, a_disabled_window_is_not_activated_by_showing)
{
    TestWindow a(screen, {{0, 0}, {100, 100}});
    TestWindow b(screen, {{0, 0}, {100, 100}}, nullptr, false);
    b.window.enable(false);
    b.window.show(ShowMode::show);
    EXPECT_TRUE(b.window.is_visible());
    EXPECT_EQ(screen.active_window(), &a.window);
}

TEST_F(ScreenWindows, destroying_the_active_window_activates_the_next)
{
    TestWindow a(screen, {{0, 0}, {100, 100}});
    {
        TestWindow b(screen, {{0, 0}, {100, 100}});
        EXPECT_EQ(screen.active_window(), &b.window);
    }
    EXPECT_EQ(screen.active_window(), &a.window);
    EXPECT_EQ(screen.windows(), order({&a.window}));
}

TEST_F(ScreenWindows, destroying_an_owner_first_leaves_its_windows_unowned)
{
    auto owner = std::make_unique<TestWindow>(screen, Rect {{0, 0}, {100, 100}});
    TestWindow dialog(screen, {{0, 0}, {50, 50}}, &owner->window);
    owner.reset();
    EXPECT_EQ(dialog.window.owner(), nullptr);
    TestWindow other(screen, {{0, 0}, {100, 100}});
    dialog.window.bring_to_front();
    EXPECT_EQ(screen.windows().back(), &dialog.window);
}

TEST_F(ScreenWindows, moving_to_a_new_size_resizes_the_surface_and_sends_size)
{
    TestWindow a(screen, {{5, 6}, {100, 80}}, nullptr, false);
    ASSERT_EQ(a.recorder.only(WM_SIZE).size(), 1u);
    EXPECT_EQ(a.recorder.only(WM_SIZE)[0].lparam, make_lparam(100, 80));
    EXPECT_EQ(a.window.surface().width, 100);
    EXPECT_EQ(a.window.surface().height, 80);
    // Moving without resizing sends nothing.
    a.window.move({{50, 60}, {100, 80}});
    EXPECT_EQ(a.recorder.count(WM_SIZE), 1u);
    EXPECT_EQ(a.window.rect().position, (Point {50, 60}));
}

TEST_F(ScreenWindows, sizes_are_kept_within_bounds)
{
    TestWindow a(screen, {{0, 0}, {-20, 100000}}, nullptr, false);
    EXPECT_EQ(a.window.size(), (Size {0, 4096}));
    EXPECT_EQ(a.window.surface().pixels.size(), 0u);
}

TEST_F(ScreenWindows, find_window_matches_unowned_windows_by_class_name)
{
    TestWindow main(screen, {{0, 0}, {100, 100}});
    TestWindow dialog(screen, {{0, 0}, {50, 50}}, &main.window);
    dialog.window.set_class_name(u"SkinnerClass_Melodeck");
    EXPECT_EQ(screen.find_window(u"SkinnerClass_Melodeck"), nullptr);
    main.window.set_class_name(u"SkinnerClass_Melodeck");
    EXPECT_EQ(screen.find_window(u"SkinnerClass_Melodeck"), &main.window);
    EXPECT_EQ(screen.find_window(u"skinnerclass_melodeck"), nullptr);
}

TEST_F(ScreenWindows, window_at_takes_the_topmost_visible_window)
{
    TestWindow below(screen, {{0, 0}, {100, 100}});
    TestWindow above(screen, {{50, 50}, {100, 100}});
    EXPECT_EQ(screen.window_at({60, 60}), &above.window);
    EXPECT_EQ(screen.window_at({10, 10}), &below.window);
    EXPECT_EQ(screen.window_at({149, 149}), &above.window);
    EXPECT_EQ(screen.window_at({150, 150}), nullptr);
    above.window.show(ShowMode::hide);
    EXPECT_EQ(screen.window_at({60, 60}), &below.window);
}

TEST_F(ScreenWindows, current_screen_follows_construction_and_destruction)
{
    HeadlessScreen outer({240, 320});
    EXPECT_EQ(Screen::current(), &outer);
    {
        HeadlessScreen inner({176, 220});
        EXPECT_EQ(Screen::current(), &inner);
    }
    EXPECT_EQ(Screen::current(), &outer);
}

TEST_F(ScreenWindows, minimising_hides_a_window_with_its_own_and_restoring_brings_back_the_active_one)
{
    TestWindow other(screen, {{0, 0}, {240, 40}});
    TestWindow main(screen, {{0, 26}, {240, 268}});
    TestWindow dialog(screen, {{20, 60}, {200, 100}}, &main.window);
    main.window.enable(false); // a modal dialog's owner
    main.window.minimize();
    EXPECT_TRUE(main.window.is_minimized());
    EXPECT_FALSE(main.window.is_visible());
    EXPECT_FALSE(dialog.window.is_visible());
    EXPECT_EQ(screen.active_window(), &other.window);
    EXPECT_EQ(screen.window_at({100, 100}), nullptr) << "the desktop shows where they were";
    main.window.bring_to_front();
    EXPECT_FALSE(main.window.is_minimized());
    EXPECT_TRUE(main.window.is_visible());
    EXPECT_TRUE(dialog.window.is_visible());
    EXPECT_EQ(screen.windows(), order({&other.window, &main.window, &dialog.window}));
    EXPECT_EQ(screen.active_window(), &dialog.window);
    // Hiding a minimised window forgets it: showing its owned window alone does not bring it.
    main.window.enable(true);
    main.window.minimize();
    main.window.show(ShowMode::hide);
    EXPECT_FALSE(main.window.is_minimized());
    dialog.window.show(ShowMode::show);
    EXPECT_FALSE(main.window.is_visible());
}

TEST_F(ScreenWindows, the_first_key_or_tap_on_the_empty_desktop_restores_the_window_and_goes_no_further)
{
    struct Case {
        const char* name;
        std::function<void()> input;
    };
    std::vector<Case> cases {{"key", [&] { screen.key(VK_RETURN); }},
        {"tap",
            [&] {
                screen.tap({120, 100});
            }},
        {"held key", [&] {
             screen.key_down(VK_DOWN);
             screen.key_down(VK_DOWN);
             screen.key_up(VK_DOWN);
         }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestWindow main(screen, {{0, 26}, {240, 268}});
        settle(main);
        main.window.minimize();
        ASSERT_EQ(screen.active_window(), nullptr);
        c.input();
        screen.dispatch_pending();
        EXPECT_TRUE(main.window.is_visible());
        EXPECT_TRUE(main.window.is_active());
        for (uint32_t id : {WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_LBUTTONDOWN, WM_LBUTTONUP})
            EXPECT_EQ(main.recorder.count(id), 0u) << "the restoring input reached the window: " << id;
        screen.key(VK_SPACE);
        screen.dispatch_pending();
        EXPECT_EQ(main.recorder.count(WM_KEYDOWN), 1u) << "the next key is the window's";
    }
}
