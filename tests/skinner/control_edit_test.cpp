#include "skinner/control_edit.h"

#include "control_test_support.h"

using namespace skinner;
using namespace test;

TEST(ControlEdit, types_at_the_caret_moves_and_erases_surrogate_pairs_whole_and_ends_on_enter_or_escape)
{
    ListsForm f;
    ControlEdit edit(f.container, u"Kind.Edit", LookupMode::kind);
    std::vector<bool> endings;
    edit.set_on_finished([&](bool keep) { endings.push_back(keep); });
    edit.set_text(u"a\U0001F3B5c");
    EXPECT_EQ(edit.caret(), 4u);
    edit.on_key_down(KeyLeft);
    EXPECT_TRUE(edit.on_char(u"b"));
    EXPECT_FALSE(edit.on_char(u"\r")) << "Enter's character is not typed";
    EXPECT_FALSE(edit.on_char(u"\b\x1b\x7f"));
    EXPECT_EQ(edit.text(), u"a\U0001F3B5bc");
    edit.on_key_down(KeyLeft);
    edit.on_key_down(KeyLeft);
    EXPECT_EQ(edit.caret(), 1u);
    edit.on_key_down(KeyRight);
    EXPECT_EQ(edit.caret(), 3u);
    edit.on_key_down(KeyBackspace);
    EXPECT_EQ(edit.text(), u"abc");
    edit.on_key_down(KeyHome);
    edit.on_key_down(KeyBackspace);
    edit.on_key_down(KeyDelete);
    EXPECT_EQ(edit.text(), u"bc") << "nothing before the start";
    edit.on_key_down(KeyEnd);
    edit.on_key_down(KeyDelete);
    edit.on_key_down(KeyRight);
    EXPECT_EQ(edit.text(), u"bc") << "nothing after the end";
    EXPECT_EQ(edit.caret(), 2u);
    EXPECT_TRUE(edit.on_key_down(KeyEnter) && edit.on_key_down(KeyEscape));
    EXPECT_FALSE(edit.on_key_down(KeyTab));
    EXPECT_TRUE(edit.on_key_down(KeyUp)) << "swallowed while open";
    EXPECT_EQ(endings, (std::vector<bool> {true, false}));

    // A text too long for the box scrolls so that the caret (at the end) shows at its right edge.
    edit.set_rect({{10, 10}, {60, 20}});
    edit.set_text(u"a long text that does not fit in sixty pixels");
    os::Surface surface(240, 268, 0xFF808080u);
    Canvas canvas(surface);
    edit.paint(canvas, {10, 10}, {60, 20});
    EXPECT_EQ(surface.at(10, 10), 0xFFE0E040u) << "the Normal picture";
    EXPECT_EQ(surface.at(70, 15), 0xFF808080u) << "nothing outside";
    EXPECT_EQ(surface.at(69, 20), 0xFFE0E040u) << "the border";
    const uint32_t* row = surface.row(20);
    EXPECT_NE(std::find(row + 60, row + 70, 0xFF000000u), row + 70) << "the caret";
}
