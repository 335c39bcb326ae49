#include "on_screen.h"

#include "os/keys.h"

using namespace os;
using test::TestWindow;

using order = std::vector<Window*>;

using ScreenWindows = test::OnScreen;

TEST_F(ScreenWindows, lookups_by_id_class_name_and_point_the_current_screen_and_new_sizes)
{
    WindowId first = TestWindow(screen, {{0, 0}, {10, 10}}).window.id(); // gone at once
    TestWindow below(screen, {{0, 0}, {100, 100}});
    TestWindow above(screen, {{50, 50}, {100, 100}}, &below.window);
    EXPECT_NE(below.window.id(), first); // ids are never reused
    EXPECT_EQ(screen.find(first), nullptr);
    EXPECT_EQ(screen.find(below.window.id()), &below.window);
    EXPECT_EQ(screen.window_at({149, 149}), &above.window);
    EXPECT_EQ(screen.window_at({150, 150}), nullptr);
    above.window.set_class_name(u"SkinnerClass_Melodeck"); // owned: not found
    EXPECT_EQ(screen.find_window(u"SkinnerClass_Melodeck"), nullptr);
    below.window.set_class_name(u"SkinnerClass_Melodeck");
    EXPECT_EQ(screen.find_window(u"SkinnerClass_Melodeck"), &below.window);
    above.window.show(ShowMode::hide);
    EXPECT_EQ(screen.window_at({60, 60}), &below.window);
    {
        HeadlessScreen inner({176, 220});
        EXPECT_EQ(Screen::current(), &inner);
    }
    EXPECT_EQ(Screen::current(), &screen);

    // Moving to a new size resizes the surface and sends the size, within bounds.
    TestWindow a(screen, {{5, 6}, {100, 80}}, nullptr, false);
    ASSERT_EQ(a.recorder.only(WM_SIZE).size(), 1u);
    EXPECT_EQ(a.recorder.only(WM_SIZE)[0].lparam, make_lparam(100, 80));
    EXPECT_EQ(a.window.surface().width, 100);
    a.window.move({{50, 60}, {100, 80}}); // moving without resizing sends nothing
    EXPECT_EQ(a.recorder.count(WM_SIZE), 1u);
    a.window.move({{0, 0}, {-20, 100000}});
    EXPECT_EQ(a.window.size(), (Size {0, 4096}));
    EXPECT_EQ(a.window.surface().pixels.size(), 0u);
}

TEST_F(ScreenWindows, the_active_window_gone_activates_its_owner_unless_disabled_or_the_next)
{
    TestWindow owner(screen, {{0, 0}, {100, 100}});
    TestWindow other(screen, {{0, 0}, {100, 100}});
    auto dialog = std::make_unique<TestWindow>(screen, Rect {{0, 0}, {50, 50}}, &owner.window);
    dialog->window.show(ShowMode::hide); // the owner is below another window, and still gets it
    EXPECT_EQ(screen.active_window(), &owner.window);
    dialog->window.show(ShowMode::show);
    owner.window.enable(false);
    EXPECT_EQ(screen.windows(), order({&owner.window, &other.window, &dialog->window}));
    dialog.reset(); // a disabled owner is skipped for the topmost enabled window
    EXPECT_EQ(screen.active_window(), &other.window);
    other.window.show(ShowMode::hide); // nothing visible and enabled is left
    EXPECT_EQ(screen.active_window(), nullptr);
    EXPECT_EQ(other.recorder.only(WM_ACTIVATE).back().wparam, WA_INACTIVE);

    auto first = std::make_unique<TestWindow>(screen, Rect {{0, 0}, {100, 100}});
    TestWindow owned(screen, {{0, 0}, {50, 50}}, &first->window);
    first.reset(); // an owner destroyed first leaves its windows unowned
    EXPECT_EQ(owned.window.owner(), nullptr);
}

TEST_F(ScreenWindows, minimising_hides_a_window_with_its_own_and_restoring_brings_back_the_active_one)
{
    TestWindow other(screen, {{0, 0}, {240, 40}});
    TestWindow main(screen, {{0, 26}, {240, 268}});
    TestWindow dialog(screen, {{20, 60}, {200, 100}}, &main.window);
    main.window.enable(false); // a modal dialog's owner
    main.window.minimize();
    EXPECT_FALSE(dialog.window.is_visible());
    EXPECT_EQ(screen.active_window(), &other.window);
    EXPECT_EQ(screen.window_at({100, 100}), nullptr) << "the desktop shows where they were";
    main.window.bring_to_front();
    EXPECT_EQ(screen.windows(), order({&other.window, &main.window, &dialog.window}));
    EXPECT_EQ(screen.active_window(), &dialog.window);
    other.window.bring_to_front(); // raised with its owner, an owned window raised alone leaves it
    dialog.window.bring_to_front();
    EXPECT_EQ(screen.windows(), order({&main.window, &other.window, &dialog.window}));
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
    for (bool by_tap : {true, false}) {
        SCOPED_TRACE(by_tap ? "tap" : "held key");
        TestWindow main(screen, {{0, 26}, {240, 268}});
        settle(main);
        main.window.minimize();
        ASSERT_EQ(screen.active_window(), nullptr);
        if (by_tap) {
            screen.tap({120, 100});
        } else {
            screen.key_down(VK_DOWN);
            screen.key_down(VK_DOWN);
            screen.key_up(VK_DOWN);
        }
        screen.dispatch_pending();
        EXPECT_TRUE(main.window.is_active());
        for (uint32_t id : {WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_LBUTTONDOWN, WM_LBUTTONUP})
            EXPECT_EQ(main.recorder.count(id), 0u) << "the restoring input reached the window: " << id;
        screen.key(VK_SPACE);
        screen.dispatch_pending();
        EXPECT_EQ(main.recorder.count(WM_KEYDOWN), 1u) << "the next key is the window's";
    }
}
