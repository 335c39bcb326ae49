#include "control_test_support.h"
#include "skinner/control_frame.h"
#include "skinner/control_layout.h"

using namespace skinner;
using namespace test;

using Lines = std::vector<std::u16string>;

namespace {

Lines texts(const ControlFrame& frame)
{
    Lines result;
    for (const ControlFrame::Line& line : frame.lines())
        result.push_back(line.text);
    return result;
}

} // namespace

TEST(ControlFrame, wraps_at_word_boundaries_when_resized_and_auto_size_follows_the_text)
{
    SkinContainer form(u"FormTest");
    ControlFrame frame(form.container, u"frmWrap", LookupMode::named);
    int32_t two_words = frame.font().measure(u"one two").width;
    int32_t all = frame.font().measure(u"one two three").width;
    frame.set_design_rect({10, 10}, {two_words, 60});
    EXPECT_EQ(texts(frame), (Lines {u"one two", u"three"}));
    frame.set_design_rect({10, 10}, {all, 60});
    EXPECT_EQ(texts(frame), (Lines {u"one two three"}));
    frame.set_design_rect({10, 10}, {1, 60});
    EXPECT_EQ(texts(frame), (Lines {u"one", u"two", u"three"})) << "too narrow for any word";

    ControlFrame automatic(form.container, u"frmAuto", LookupMode::named);
    Size text = automatic.font().measure(u"Hello world");
    EXPECT_EQ(automatic.natural_size(), (Size {text.width + 2 + 4, text.height + 3 + 5}));
    EXPECT_EQ(automatic.design_size(), automatic.natural_size()) << "Size 10 x 10 is smaller";
    EXPECT_EQ(automatic.rect().size, (Size {10, 10})) << "the layout keeps using Size";
    automatic.set_design_rect(automatic.design_position(), {500, 5});
    EXPECT_EQ(automatic.design_size(), (Size {500, text.height + 8})) << "the larger in each direction";
    ControlFrame plain(form.container, u"frmPlain", LookupMode::named);
    EXPECT_EQ(plain.natural_size(), (Size {0, 0})) << "without AutoSize only the borders count";
    EXPECT_EQ(plain.design_size(), (Size {60, 20}));
}

TEST(ControlFrame, paints_marker_lines_centred_as_a_block_and_shortens_a_line_that_does_not_fit)
{
    SkinContainer form(u"FormTest");
    ControlFrame frame(form.container, u"frmMarker", LookupMode::named);
    ControlFrame shortened(form.container, u"frmEllipsis", LookupMode::named);
    ASSERT_EQ(texts(frame), (Lines {u"one", u"two"}));
    int32_t line_one = frame.lines()[0].size.height;
    int32_t total = line_one + frame.lines()[1].size.height;
    Rect box = frame.rect();
    int32_t top = box.top() + (box.size.height - total) / 2;
    form.window.paint_all(form.container);
    EXPECT_FALSE(form.window.inked({box.position, {box.size.width, top - box.top()}})) << "above the block";
    EXPECT_TRUE(form.window.inked({{box.left(), top}, {box.size.width, line_one}})) << "line one";
    EXPECT_TRUE(form.window.inked({{box.left(), top + line_one}, {box.size.width, total - line_one}}));
    EXPECT_FALSE(form.window.inked({{box.left(), top + total}, {box.size.width, box.bottom() - top - total}}))
        << "below the block";

    // The ellipsis frame as drawn by hand with the shortened text.
    Rect inner = inset_rect(shortened.rect(), shortened.border_min(), shortened.border_max());
    test::TestControlWindow expected;
    Canvas canvas(expected.surface);
    std::u16string text = shorten_with_ellipsis(shortened.text(), inner.size.width,
        [&](std::u16string_view piece) { return shortened.font().measure(piece).width; });
    ASSERT_EQ(text.back(), s_ellipsis);
    shortened.font().draw_text(
        canvas, shortened.color(), text, inner.position, inner.size, AlignNear, AlignCentre);
    for (int32_t y = shortened.rect().top(); y < shortened.rect().bottom(); ++y)
        for (int32_t x = shortened.rect().left(); x < shortened.rect().right(); ++x)
            ASSERT_EQ(form.window.pixel({x, y}), expected.pixel({x, y})) << x << "," << y;

    frame.set_text(u"");
    ASSERT_EQ(texts(frame), (Lines {u""}));
    form.window.paint_all(form.container);
    EXPECT_FALSE(form.window.inked(box)) << "an empty text draws nothing";
}
