#include "os/wildcard.h"

#include "liba/text.h"

#include <gtest/gtest.h>

TEST(Wildcard, matches_like_the_handheld_file_system_and_long_names_against_many_stars_finish)
{
    // The mask, the name, whether they match.
    const std::tuple<std::u16string_view, std::u16string_view, bool> cases[] = {{u"*.mp3", u".mp3", true},
        {u"*.mp3", u"song.mp3.txt", false}, {u"*", u"", true}, {u"*.*", u"noext", true},
        {u"readme.*", u"README", true}, {u"readme.*", u"readmes", false}, {u"?", u"", false},
        {u"a?c", u"ac", false}, {u"*a*b*c*", u"xxcxxbxxaxx", false}, {u"*ab", u"aab", true},
        {u"abc", u"abcd", false}, {u"", u"a", false}, {u"\u00C9t\u00E9*", u"\u00E9T\u00C9 2", true}};
    for (auto [mask, name, match] : cases)
        EXPECT_EQ(os::wildcard_match(mask, name), match)
            << "mask " << liba::to_utf8(mask) << " name " << liba::to_utf8(name);
    // A matcher that backtracks over every star would take exponential time here.
    std::u16string name(4000, u'a'), mask;
    for (int i = 0; i < 30; ++i)
        mask += u"*a";
    EXPECT_TRUE(os::wildcard_match(mask, name) && !os::wildcard_match(mask + u"b", name));
}
