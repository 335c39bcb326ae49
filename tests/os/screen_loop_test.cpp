#include "on_screen.h"

#include <thread>

using namespace os;
using test::TestWindow;

using ScreenLoop = test::OnScreen;
using ScreenTimers = test::OnScreen;
using ScreenConcurrency = test::OnScreen;

TEST_F(ScreenLoop, size_activate_paint_on_show_update_at_once_and_invalidations_add_up_into_one_clipped_paint)
{
    TestWindow a(screen, {{0, 26}, {240, 268}});
    TestWindow hidden(screen, {{0, 0}, {100, 100}}, nullptr, false);
    screen.dispatch_pending();
    EXPECT_EQ(a.recorder.ids(), (std::vector<uint32_t> {WM_SIZE, WM_ACTIVATE, WM_PAINT}));
    EXPECT_EQ(a.recorder.only(WM_PAINT)[0].update, (Rect {{0, 0}, {240, 268}}));
    EXPECT_EQ(hidden.recorder.count(WM_PAINT), 0u); // kept until shown
    hidden.window.show(ShowMode::show);
    screen.dispatch_pending();
    EXPECT_EQ(hidden.recorder.count(WM_PAINT), 1u);
    a.recorder.log.clear();
    a.window.update(); // at once, and only when invalid
    a.window.invalidate();
    a.window.update();
    a.window.update();
    EXPECT_EQ(a.recorder.count(WM_PAINT), 1u);

    a.window.invalidate({{10, 10}, {5, 5}});
    a.window.invalidate({{50, 20}, {10, 30}});
    a.window.invalidate({{0, 0}, {0, 0}});
    screen.dispatch_pending();
    ASSERT_EQ(a.recorder.count(WM_PAINT), 2u);
    EXPECT_EQ(a.recorder.only(WM_PAINT)[1].update, (Rect {{10, 10}, {50, 40}}));
    a.window.invalidate({{-10, 260}, {30, 40}}); // clipped to the window
    a.window.invalidate({{300, 300}, {10, 10}});
    screen.dispatch_pending();
    ASSERT_EQ(a.recorder.count(WM_PAINT), 3u);
    EXPECT_EQ(a.recorder.only(WM_PAINT)[2].update, (Rect {{0, 260}, {20, 8}}));

    screen.set_power(false); // paints wait while the display is off
    a.window.invalidate({{150, 140}, {5, 5}});
    screen.dispatch_pending();
    EXPECT_EQ(a.recorder.count(WM_PAINT), 3u);
    screen.set_power(true);
    screen.dispatch_pending();
    ASSERT_EQ(a.recorder.count(WM_PAINT), 4u);
    EXPECT_EQ(a.recorder.only(WM_PAINT)[3].update, (Rect {{150, 140}, {5, 5}}));
}

TEST_F(ScreenLoop, a_reported_paint_recomposes_its_part_as_a_whole_compose_would)
{
    TestWindow back(screen, {{0, 26}, {240, 268}});
    TestWindow front(screen, {{50, 100}, {100, 100}}, nullptr, true, WindowKind::popup);
    front.recorder.set_color(rgb(0, 0, 0xFF));
    settle(back, front);
    screen.frame();
    back.recorder.react = [](Window& window, const WindowMessage& message) -> intptr_t {
        if (message.id == WM_PAINT)
            window.report_painted(window.update_rect());
        return 0;
    };
    back.recorder.set_color(rgb(0xFF, 0, 0));
    // Partly under the pop-up, which must stay on top.
    back.window.invalidate({{40, 60}, {30, 30}});
    screen.dispatch_pending();
    Surface partial = screen.frame();
    EXPECT_EQ((std::vector {partial.at(45, 26 + 65), partial.at(55, 26 + 80), partial.at(75, 26 + 65)}),
        (std::vector {rgb(0xFF, 0, 0), rgb(0, 0, 0xFF), rgb(0x20, 0xC0, 0x40)}));
    screen.set_power(false);
    screen.set_power(true);
    EXPECT_EQ(screen.frame().pixels, partial.pixels) << "the whole frame composed again is the same";
}

TEST_F(ScreenLoop, callbacks_and_thread_messages_keep_their_place_before_paints)
{
    std::vector<std::string> seen;
    TestWindow a(screen, {{0, 0}, {100, 100}});
    settle(a);
    a.recorder.react = [&](Window&, const WindowMessage& m) {
        seen.push_back(m.id == WM_PAINT ? "paint"
                                        : "window " + std::to_string(m.id - WM_USER) + " "
                    + std::to_string(m.wparam) + std::to_string(m.lparam));
        return 0;
    };
    a.window.invalidate(); // posts come before paints
    a.window.post(WM_USER + 1, 7, 8);
    screen.post_callback([&] { seen.push_back("callback"); });
    screen.post_thread_message(WM_USER + 9, 3);
    screen.copy_data(u"SomethingElse", 0, {1}); // no window of that class: nothing
    a.window.post(WM_USER + 2);
    WindowMessage message;
    while (screen.get_message(message)) {
        if (message.window == 0 && !message.callback)
            seen.push_back(
                "thread " + std::to_string(message.id - WM_USER) + " " + std::to_string(message.wparam));
        screen.dispatch(message);
    }
    EXPECT_EQ(
        seen, (std::vector<std::string> {"window 1 78", "callback", "thread 9 3", "window 2 00", "paint"}));
}

TEST_F(ScreenLoop, peek_and_quit_after_what_was_posted_before_which_stays)
{
    auto gone = std::make_unique<TestWindow>(screen, Rect {{0, 0}, {100, 100}});
    TestWindow a(screen, {{0, 0}, {100, 100}});
    settle(a);
    a.window.post(WM_USER + 1);
    a.window.post(WM_USER + 2);
    EXPECT_EQ(screen.peek_message(PeekMode::keep)->id, WM_USER + 1);
    EXPECT_EQ(screen.peek_message(PeekMode::remove)->id, WM_USER + 1);
    gone->window.post(WM_USER); // for a destroyed window: dropped
    gone.reset();
    screen.post_quit();
    EXPECT_FALSE(a.window.post(WM_USER + 3));
    WindowMessage message;
    ASSERT_TRUE(screen.get_message(message));
    EXPECT_EQ(message.id, WM_USER + 2);
    screen.dispatch(message);
    ASSERT_TRUE(screen.get_message(message));
    EXPECT_EQ(screen.dispatch(message), 0);
    EXPECT_FALSE(screen.get_message(message));
    EXPECT_EQ(message.id, WM_QUIT);
    EXPECT_EQ(a.recorder.ids(), (std::vector<uint32_t> {WM_USER + 2}));
}

TEST_F(ScreenLoop, the_idle_callback_runs_once_after_the_first_frame_and_before_any_wait)
{
    TestWindow a(screen, {{0, 0}, {100, 100}});
    // A timer far off: the loop would wait for it after the paint.
    a.window.set_timer(1, 60000);
    std::vector<std::string> seen;
    screen.call_when_idle([&] { seen.push_back("replaced"); });
    screen.dispatch_pending(); // a loop that may not wait runs none
    screen.set_idle_handler([&] {
        seen.push_back("wait");
        screen.post_quit();
        return true;
    });
    screen.call_when_idle([&] {
        seen.push_back("idle paints=" + std::to_string(a.recorder.count(WM_PAINT))
            + " frames=" + std::to_string(screen.frames_presented()));
        // A callback set from the callback runs at the next idle point, after this paint.
        a.window.invalidate();
        screen.call_when_idle(
            [&] { seen.push_back("again paints=" + std::to_string(a.recorder.count(WM_PAINT))); });
    });
    EXPECT_FALSE(screen.run_until([] { return false; }));
    EXPECT_EQ(seen, (std::vector<std::string> {"idle paints=1 frames=1", "again paints=2", "wait"}));
    screen.set_idle_handler(nullptr);
}

TEST_F(ScreenTimers, fire_in_clock_order_with_their_ids_restart_are_clamped_killed_and_die_with_the_window)
{
    std::vector<std::string> fired;
    auto a = std::make_unique<TestWindow>(screen, Rect {{0, 0}, {100, 100}});
    TestWindow b(screen, {{0, 0}, {100, 100}});
    settle(*a, b);
    auto note = [&](const char* who) {
        return [&fired, who](Window&, const WindowMessage& m) {
            if (m.id == WM_TIMER)
                fired.push_back(who + std::to_string(m.wparam) + "@" + std::to_string(m.time));
            return 0;
        };
    };
    a->recorder.react = note("a");
    b.recorder.react = note("b");
    a->window.set_timer(1, 300);
    b.window.set_timer(2, 200);
    a->window.set_timer(3, 200); // due with b's, started later: after it
    for (int step = 0; step < 6; ++step)
        pass(100);
    EXPECT_EQ(fired,
        (std::vector<std::string> {
            "b2@200", "a3@200", "a1@300", "b2@400", "a3@400", "a1@600", "b2@600", "a3@600"}));
    fired.clear();
    a->window.kill_timer(3);
    b.window.kill_timer(2);
    a->window.set_timer(1, 0); // restarted, clamped to 10 ms
    b.window.set_timer(1, 50); // same id, other window: its own timer
    pass(9);
    EXPECT_TRUE(fired.empty());
    pass(1);
    a->window.set_timer(1, 1000); // restarts with the new interval
    pass(40);
    EXPECT_EQ(fired, (std::vector<std::string> {"a1@610", "b1@650"}));
    b.window.kill_timer(1);
    b.window.kill_timer(77); // unknown ids are ignored
    a.reset();
    screen.advance(5000);
    EXPECT_EQ(screen.dispatch_pending(), 0u);
    EXPECT_EQ(fired.size(), 2u);
}

TEST_F(ScreenConcurrency, quit_from_another_thread_ends_a_waiting_loop)
{
    std::thread quitter([&] { screen.post_quit(); });
    screen.set_idle_handler([&] {
        screen.wait_for_post(std::chrono::milliseconds(1000));
        return true;
    });
    EXPECT_FALSE(screen.run_until([] { return false; }));
    quitter.join();
    EXPECT_FALSE(screen.post_callback([] {}));
}
