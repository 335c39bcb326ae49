#include "on_screen.h"
#include "support/test_support.h"

#include "os/keys.h"
#include "os/message_box.h"
#include "os/message_box_window.h"
#include "os/png_writer.h"

using namespace os;
using test::PlatformScope;
using test::TestWindow;

namespace {

constexpr uint32_t s_green = rgb(0x20, 0xC0, 0x40);

// Rows of the frame's middle column: which colour starts where.
void expect_column(const Surface& frame, int32_t x, int32_t from, int32_t to, uint32_t color)
{
    for (int32_t y = from; y < to; ++y)
        ASSERT_EQ(frame.at(x, y), color) << "x " << x << " y " << y;
}

class ScreenShell : public test::OnScreen {
protected:
    TestWindow main {screen, {{0, 26}, {240, 268}}};
};

} // namespace

TEST(ScreenWorkArea, follows_the_rule_for_each_kind_and_width_and_the_bars_frame_it)
{
    const PlatformKind ppc = PlatformKind::pocket_pc, phone = PlatformKind::smartphone;
    const std::tuple<PlatformKind, Size, Rect> cases[] = {{ppc, {240, 320}, {{0, 26}, {240, 268}}},
        {ppc, {640, 480}, {{0, 52}, {640, 376}}}, {ppc, {480, 640}, {{0, 52}, {480, 536}}},
        {phone, {176, 220}, {{0, 20}, {176, 180}}}, {phone, {480, 640}, {{0, 54}, {480, 532}}},
        {phone, {320, 240}, {{0, 0}, {320, 240}}}, {ppc, {100, 40}, {{0, 26}, {100, 0}}}};
    for (auto [kind, size, area] : cases) {
        SCOPED_TRACE(testing::Message() << int(kind) << " " << size.width << "x" << size.height);
        EXPECT_EQ(work_area(size, kind), area);
        if (area.size.height == 0)
            continue;
        PlatformScope scope(kind);
        HeadlessScreen screen(size);
        EXPECT_EQ(screen.work_area(), area);
        TestWindow full(screen, area);
        screen.dispatch_pending();
        // A column where no text is drawn: left of the clock, right of the (empty) caption.
        int32_t x = size.width / 2, bar = area.top();
        expect_column(screen.frame(), x, 0, bar, s_title_bar_color);
        expect_column(screen.frame(), x, bar, bar + area.size.height, s_green);
        expect_column(screen.frame(), x, size.height - bar, size.height, s_bottom_bar_color);
    }
    // A shown input panel ends the area at the visible desktop; a Smartphone has none to ask.
    InputPanelInfo panel {true, {{0, 0}, {240, 200}}};
    EXPECT_EQ(work_area({240, 320}, PlatformKind::pocket_pc, panel), (Rect {{0, 26}, {240, 174}}));
    EXPECT_EQ(work_area({176, 220}, PlatformKind::smartphone, panel), (Rect {{0, 20}, {176, 180}}));
    // A Smartphone's soft keys take the two halves of the bar, if there is one.
    EXPECT_EQ(Shell::item_rects({176, 220}, 20, PlatformKind::smartphone, 3),
        (std::vector<Rect> {{{0, 200}, {88, 20}}, {{88, 200}, {88, 20}}, {}}));
    EXPECT_TRUE(Shell::item_rects({320, 240}, 0, PlatformKind::smartphone, 2)[0].empty());
    // Message lines break at line ends and between words; a long message's box stays inside the area.
    std::u16string text = u"a\nb";
    for (int i = 0; i < 200; ++i)
        text += u" word";
    MessageBoxWindow::Layout layout = MessageBoxWindow::layout({{0, 26}, {240, 268}}, text);
    EXPECT_TRUE(layout.lines.size() > 3 && layout.lines[0] == u"a");
    EXPECT_LE(layout.box.bottom(), 26 + 268);
}

TEST(ScreenCompose, windows_are_stacked_and_clipped_to_the_screen)
{
    HeadlessScreen screen({240, 320});
    TestWindow below(screen, {{-50, 26}, {200, 100}});
    TestWindow above(screen, {{100, 60}, {300, 50}});
    above.recorder.set_color(rgb(0xC0, 0x20, 0x20));
    screen.dispatch_pending();
    const Surface& frame = screen.frame();
    EXPECT_EQ((std::vector {frame.at(149, 30), frame.at(150, 30), frame.at(239, 109), frame.at(239, 110)}),
        (std::vector {s_green, s_desktop_color, rgb(0xC0, 0x20, 0x20), s_desktop_color}));
    above.window.show(ShowMode::hide);
    EXPECT_EQ(screen.frame().at(120, 70), s_green);
    // The frame is shown after the paints, and only when something changed.
    uint64_t seen_by_paint = 0, before = screen.frames_presented();
    below.recorder.react = [&](Window&, const WindowMessage& m) {
        if (m.id == WM_PAINT)
            seen_by_paint = screen.frames_presented();
        return 0;
    };
    below.window.invalidate();
    screen.dispatch_pending();
    screen.dispatch_pending();
    EXPECT_EQ(seen_by_paint, before);
    EXPECT_EQ(screen.frames_presented(), before + 1);
}

TEST_F(ScreenShell, the_title_shows_the_caption_and_a_clock_and_when_off_the_first_key_or_tap_wakes)
{
    screen.dispatch_pending();
    Surface plain = screen.frame();
    main.window.set_caption(u"Melodeck");
    Surface titled = screen.frame();
    auto bar = [](const Surface& s) {
        return std::vector<uint32_t>(s.pixels.begin(), s.pixels.begin() + 26 * 240);
    };
    EXPECT_NE(bar(plain), bar(titled));
    EXPECT_EQ(Shell::clock_text(-1), u"23:59");
    screen.advance(60 * 1000); // the clock turns over with the screen's clock
    EXPECT_NE(bar(titled), bar(screen.frame()));
    // Off is black, and the first key or tap wakes and is delivered, but a move does not.
    for (bool by_key : {true, false}) {
        screen.set_power(false);
        for (uint32_t pixel : screen.frame().pixels)
            ASSERT_EQ(pixel, rgb(0, 0, 0));
        screen.move_to({10, 40});
        screen.dispatch_pending();
        EXPECT_FALSE(screen.power());
        main.recorder.log.clear();
        by_key ? screen.key(VK_DOWN) : screen.tap({10, 40});
        screen.dispatch_pending();
        EXPECT_TRUE(screen.power());
        EXPECT_EQ(main.recorder.count(by_key ? WM_KEYDOWN : WM_LBUTTONDOWN), 1u);
        EXPECT_EQ(screen.frame().at(120, 100), s_green);
    }
}

TEST_F(ScreenShell, a_message_box_is_modal_closed_by_enter_or_by_tapping_ok_and_printed_after_quitting)
{
    TestWindow other(screen, {{0, 26}, {100, 100}});
    screen.dispatch_pending();
    main.window.bring_to_front();
    other.window.set_capture();
    int idles = 0;
    screen.set_idle_handler([&] {
        if (++idles > 1)
            return false;
        Window* box = screen.active_window();
        Rect r = box ? box->rect() : Rect {};
        EXPECT_EQ(box ? box->caption() : u"", u"Warning");
        EXPECT_FALSE(main.window.is_enabled() || other.window.is_enabled());
        EXPECT_NE(screen.frame().at(r.left(), r.top() + r.size.height / 2), s_green) << "the box is drawn";
        screen.tap({5, 30}); // on a disabled window: dropped
        screen.key(VK_RETURN);
        return true;
    });
    main.recorder.log.clear();
    message_box(u"Something happened", u"Warning");
    EXPECT_EQ(idles, 1);
    // Afterwards everything is as before, and the main window never saw the input meant for the box.
    EXPECT_TRUE(main.window.is_enabled() && other.window.is_enabled());
    EXPECT_EQ(screen.active_window(), &main.window);
    EXPECT_EQ(main.recorder.count(WM_KEYDOWN) + main.recorder.count(WM_LBUTTONDOWN), 0u);
    EXPECT_EQ(other.recorder.count(WM_CAPTURECHANGED), 1u);

    MessageBoxWindow::Layout layout = MessageBoxWindow::layout(screen.work_area(), u"Tap OK");
    Point ok = layout.box.position + layout.ok.position
        + Point {layout.ok.size.width / 2, layout.ok.size.height / 2};
    idles = 0;
    screen.set_idle_handler([&] {
        if (++idles == 1)
            screen.tap({layout.box.left() + 2, layout.box.top() + 2}); // inside the box, not on OK
        else if (idles == 2)
            screen.tap(ok);
        return idles < 5;
    });
    message_box(u"Tap OK", u"Title");
    EXPECT_EQ(idles, 2);
    EXPECT_EQ(screen.active_window(), &main.window);

    screen.post_quit(); // after quitting, a message box writes to stderr
    screen.dispatch_pending();
    testing::internal::CaptureStderr();
    message_box(u"Late", u"Note");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Note: Late\n");
    EXPECT_EQ(screen.windows().size(), 2u);
}

// Screenshots read back pixel for pixel in the skin-preview tests; here what is refused.
TEST(ScreenPng, empty_or_broken_surfaces_and_unwritable_paths_are_refused)
{
    test::TempDir dir;
    EXPECT_FALSE(write_png(Surface(), dir.file("empty.png")));
    Surface bad(4, 4);
    bad.pixels.resize(3);
    EXPECT_FALSE(write_png(bad, dir.file("bad.png")));
    EXPECT_FALSE(write_png(Surface(2, 2), dir.file("no/such/folder/x.png")));
}
