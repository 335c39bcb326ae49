#include "os/wildcard.h"

#include "liba/text.h"

#include <gtest/gtest.h>

TEST(Wildcard, matches_like_the_handheld_file_system_and_long_names_against_many_stars_finish)
{
    struct Case {
        std::u16string_view mask;
        std::u16string_view name;
        bool match;
    };
    const Case cases[] = {{u"*.mp3", u".mp3", true}, {u"*.mp3", u"song.mp3.txt", false}, {u"*", u"", true},
        {u"*.*", u"noext", true}, {u"readme.*", u"README", true}, {u"readme.*", u"readmes", false},
        {u"?", u"", false}, {u"a?c", u"ac", false}, {u"*a*b*c*", u"xxcxxbxxaxx", false},
        {u"*ab", u"aab", true}, {u"abc", u"abcd", false}, {u"", u"a", false},
        {u"\u00C9t\u00E9*", u"\u00E9T\u00C9 2", true}};
    for (const Case& c : cases) {
        EXPECT_EQ(os::wildcard_match(c.mask, c.name), c.match)
            << "mask " << liba::to_utf8(c.mask) << " name " << liba::to_utf8(c.name);
    }
    // A matcher that backtracks over every star would take exponential time here.
    std::u16string name(4000, u'a');
    std::u16string mask;
    for (int i = 0; i < 30; ++i)
        mask += u"*a";
    EXPECT_FALSE(os::wildcard_match(mask + u"b", name));
    EXPECT_TRUE(os::wildcard_match(mask, name));
}
