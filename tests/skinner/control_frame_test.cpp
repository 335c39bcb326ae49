#include "control_test_support.h"
#include "skinner/control_frame.h"
#include "skinner/control_layout.h"

#include <gtest/gtest.h>

using skinner::ControlFrame;
using skinner::LookupMode;
using skinner::Point;
using skinner::Rect;
using skinner::Size;
using test::SkinContainer;

namespace {

using Lines = std::vector<std::u16string>;

Lines texts(const ControlFrame& frame)
{
    Lines result;
    for (const ControlFrame::Line& line : frame.lines())
        result.push_back(line.text);
    return result;
}

// The first and last rows of rect that hold a pixel other than the paper; (-1, -1) when none does.
std::pair<int32_t, int32_t> inked_rows(const test::TestControlWindow& window, const Rect& rect)
{
    int32_t first = -1;
    int32_t last = -1;
    for (int32_t y = rect.top(); y < rect.bottom(); ++y) {
        for (int32_t x = rect.left(); x < rect.right(); ++x) {
            if (window.pixel({x, y}) != test::TestControlWindow::s_paper) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

} // namespace

struct WrapCase {
    std::u16string_view text;
    int32_t width;
    Lines lines;
};

TEST(ControlFrame, wraps_at_word_boundaries_for_its_width_and_again_when_resized)
{
    SkinContainer form(u"FormTest");
    ControlFrame frame(form.container, u"frmWrap", LookupMode::named);
    int32_t two_words = frame.font().measure(u"one two").width;
    int32_t all = frame.font().measure(u"one two three").width;
    ASSERT_GT(all, two_words);
    frame.set_design_rect({10, 10}, {two_words, 60});
    EXPECT_EQ(texts(frame), (Lines {u"one two", u"three"}));
    frame.set_design_rect({10, 10}, {all, 60});
    EXPECT_EQ(texts(frame), (Lines {u"one two three"}));
    frame.set_design_rect({10, 10}, {1, 60});
    EXPECT_EQ(texts(frame), (Lines {u"one", u"two", u"three"})) << "too narrow for any word";
}

TEST(ControlFrame, the_marker_splits_the_text_and_the_lines_are_centred_as_a_block)
{
    SkinContainer form(u"FormTest");
    ControlFrame frame(form.container, u"frmMarker", LookupMode::named);
    ASSERT_EQ(texts(frame), (Lines {u"one", u"two"}));
    int32_t total = frame.lines()[0].size.height + frame.lines()[1].size.height;
    ASSERT_LT(total, frame.rect().size.height);
    int32_t top = frame.rect().top() + (frame.rect().size.height - total) / 2;
    form.window.paint_all(form.container);
    auto [first, last] = inked_rows(form.window, frame.rect());
    ASSERT_GE(first, 0) << "the text shows";
    EXPECT_GE(first, top);
    EXPECT_LT(last, top + total);
    int32_t line_one = frame.lines()[0].size.height;
    Rect first_line {{frame.rect().left(), top}, {frame.rect().size.width, line_one}};
    Rect second_line {
        {frame.rect().left(), top + line_one}, {frame.rect().size.width, frame.lines()[1].size.height}};
    EXPECT_GE(inked_rows(form.window, first_line).first, 0) << "line one";
    EXPECT_GE(inked_rows(form.window, second_line).first, 0) << "line two";
    frame.set_text(u"");
    ASSERT_EQ(texts(frame), (Lines {u""}));
    form.window.paint_all(form.container);
    EXPECT_EQ(inked_rows(form.window, frame.rect()).first, -1) << "an empty text draws nothing";
}

TEST(ControlFrame, auto_size_reports_the_text_size_unless_size_is_larger)
{
    SkinContainer form(u"FormTest");
    ControlFrame frame(form.container, u"frmAuto", LookupMode::named);
    Size text = frame.font().measure(u"Hello world");
    EXPECT_EQ(frame.natural_size(), (Size {text.width + 2 + 4, text.height + 3 + 5}));
    EXPECT_EQ(frame.design_size(), frame.natural_size()) << "Size 10 x 10 is smaller";
    EXPECT_EQ(frame.rect().size, (Size {10, 10})) << "the layout keeps using Size";
    frame.set_design_rect(frame.design_position(), {500, 5});
    EXPECT_EQ(frame.design_size(), (Size {500, text.height + 8})) << "the larger in each direction";

    ControlFrame plain(form.container, u"frmPlain", LookupMode::named);
    EXPECT_EQ(plain.natural_size(), (Size {0, 0})) << "without AutoSize only the borders count";
    EXPECT_EQ(plain.design_size(), (Size {60, 20}));
}

TEST(ControlFrame, ellipsis_shortens_a_single_line_that_does_not_fit)
{
    SkinContainer form(u"FormTest");
    ControlFrame frame(form.container, u"frmEllipsis", LookupMode::named);
    Rect box = skinner::inset_rect(frame.rect(), frame.border_min(), frame.border_max());
    ASSERT_GT(frame.font().measure(frame.text()).width, box.size.width);
    form.window.paint_all(form.container);

    test::TestControlWindow expected;
    skinner::Canvas canvas(expected.surface);
    std::u16string shortened = skinner::shorten_with_ellipsis(frame.text(), box.size.width,
        [&](std::u16string_view piece) { return frame.font().measure(piece).width; });
    ASSERT_EQ(shortened.back(), skinner::s_ellipsis);
    frame.font().draw_text(
        canvas, frame.color(), shortened, box.position, box.size, skinner::AlignNear, skinner::AlignCentre);
    for (int32_t y = frame.rect().top(); y < frame.rect().bottom(); ++y) {
        for (int32_t x = frame.rect().left(); x < frame.rect().right(); ++x)
            ASSERT_EQ(form.window.pixel({x, y}), expected.pixel({x, y})) << x << "," << y;
    }
}
