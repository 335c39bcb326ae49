#include "skinner/control_edit.h"

#include "lists_support.h"
#include "skinner/key_codes.h"

#include <gtest/gtest.h>

using skinner::ControlEdit;
using skinner::LookupMode;
using test::ListsForm;

TEST(ControlEdit, types_printable_characters_at_the_caret_only)
{
    ListsForm f;
    ControlEdit edit(f.form, u"Kind.Edit", LookupMode::kind);
    edit.set_text(u"ac");
    EXPECT_EQ(edit.caret(), 2u);
    edit.on_key_down(skinner::KeyLeft);
    EXPECT_TRUE(edit.on_char(u"b"));
    EXPECT_FALSE(edit.on_char(u"\r")) << "Enter's character is not typed";
    EXPECT_FALSE(edit.on_char(u"\b\x1b\x7f"));
    EXPECT_EQ(edit.text(), u"abc");
    EXPECT_EQ(edit.caret(), 2u);
}

TEST(ControlEdit, erases_and_moves_over_surrogate_pairs_whole)
{
    ListsForm f;
    ControlEdit edit(f.form, u"Kind.Edit", LookupMode::kind);
    edit.set_text(u"a\U0001F3B5b");
    edit.on_key_down(skinner::KeyLeft);
    edit.on_key_down(skinner::KeyLeft);
    EXPECT_EQ(edit.caret(), 1u);
    edit.on_key_down(skinner::KeyRight);
    EXPECT_EQ(edit.caret(), 3u);
    edit.on_key_down(skinner::KeyBackspace);
    EXPECT_EQ(edit.text(), u"ab");
    edit.on_key_down(skinner::KeyHome);
    edit.on_key_down(skinner::KeyBackspace);
    EXPECT_EQ(edit.text(), u"ab") << "nothing before the start";
    edit.on_key_down(skinner::KeyDelete);
    EXPECT_EQ(edit.text(), u"b");
    edit.on_key_down(skinner::KeyEnd);
    edit.on_key_down(skinner::KeyDelete);
    EXPECT_EQ(edit.text(), u"b") << "nothing after the end";
    edit.on_key_down(skinner::KeyRight);
    EXPECT_EQ(edit.caret(), 1u);
}

TEST(ControlEdit, enter_keeps_escape_discards_and_tab_is_left_alone)
{
    ListsForm f;
    ControlEdit edit(f.form, u"Kind.Edit", LookupMode::kind);
    std::vector<bool> endings;
    edit.set_on_finished([&](bool keep) { endings.push_back(keep); });
    EXPECT_TRUE(edit.on_key_down(skinner::KeyEnter));
    EXPECT_TRUE(edit.on_key_down(skinner::KeyEscape));
    EXPECT_FALSE(edit.on_key_down(skinner::KeyTab));
    EXPECT_TRUE(edit.on_key_down(skinner::KeyUp)) << "swallowed while open";
    EXPECT_EQ(endings, (std::vector<bool> {true, false}));
}

TEST(ControlEdit, paints_its_picture_text_and_caret_inside_its_rectangle)
{
    ListsForm f;
    ControlEdit edit(f.form, u"Kind.Edit", LookupMode::kind);
    edit.set_rect({{10, 10}, {60, 20}});
    edit.set_text(u"a long text that does not fit in sixty pixels");
    os::Surface surface(240, 268, 0xFF808080u);
    skinner::Canvas canvas(surface);
    edit.paint(canvas, {10, 10}, {60, 20});
    EXPECT_EQ(surface.at(10, 10), 0xFFE0E040u) << "the Normal picture";
    EXPECT_EQ(surface.at(70, 15), 0xFF808080u) << "nothing outside";
    // The text scrolled so that the caret (at the end) shows at the right edge of the text box.
    EXPECT_EQ(surface.at(69, 20), 0xFFE0E040u) << "the border";
    bool caret = false;
    for (int32_t x = 60; x < 70; ++x)
        caret = caret || surface.at(x, 20) == 0xFF000000u;
    EXPECT_TRUE(caret);
}
