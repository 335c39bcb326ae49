// The player's texts: the status line, clocks, the info and size texts, and the language files found.

#include "player/language_finder.h"
#include "player/player_texts.h"

#include "liba/text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <limits>
#include <tuple>

namespace {

TEST(PlayerTexts, status_line_shapes_and_fallbacks_clocks_info_sizes_and_the_language_files_found)
{
    liba::StringTranslator language;
    for (auto [key, text] : {std::pair {u"Status_Play", u"Playing"}, {u"Status_Random", u"shuffled"},
             {u"Status_Repeat", u"looped"}, {u"Status_From", u"of"}})
        language.set(key, text);
    // (translated, random, repeat, index, size, the line)
    for (auto [translated, random, repeat, index, size, line] :
        {std::tuple {true, true, true, 4, 12, "Playing shuffled of 12"},
            {true, false, false, 2, 12, "Playing 3 of 12"},
            {true, true, true, 0, 1, "Playing looped 1 of 1"}, // one file: no random form
            // "Status_Play" falls back to nothing, the others to their keys.
            {false, true, true, 0, 5, " Status_Random Status_From 5"},
            {false, false, true, 1, 5, " Status_Repeat 2 Status_From 5"}})
        EXPECT_EQ(liba::to_utf8(player::status_line(
                      translated ? language : liba::StringTranslator(), random, repeat, index, size)),
            line);
    for (auto [seconds, text] : {std::pair {3725.9, "1:02:05"}, {0.0, "0:00:00"}, {59.999, "0:00:59"},
             {60.0, "0:01:00"}, {36000.0, "10:00:00"}, {-3.0, "0:00:00"}, {1e300, "596523:14:07"},
             {std::numeric_limits<double>::quiet_NaN(), "0:00:00"}})
        EXPECT_EQ(liba::to_utf8(player::clock_text(seconds)), text) << seconds;
    EXPECT_EQ(player::info_text(8000, 8, 999), u"8kHz 8bit 0kbps");
    for (auto [bytes, text] :
        {std::pair<uint64_t, const char*> {0, ""}, {1, "1B"}, {1023, "1023B"}, {1024, "1K"},
            {1048575, "1023K"}, {1048576, "1,0M"}, {1572864, "1,5M"}, {1048576 * 10 - 1, "9,9M"},
            {0xFFFFFFFFull, "4095,9M"}, {0x100000000ull, ""}, {0x100000200ull, "512B"}})
        EXPECT_EQ(liba::to_utf8(player::size_text(bytes)), text) << bytes;
    // The language files of the folder only, sorted without regard to case.
    test::TempDir folder;
    for (const char* name : {"English.lng", "deutsch.LNG", "notes.txt", "sub/French.lng", "dir.lng/x.lng"}) {
        std::filesystem::create_directories(folder.native(name).parent_path());
        test::write_file(folder.native(name), {});
    }
    EXPECT_EQ(player::find_language_files(test::u16(folder.path())),
        (std::vector<std::u16string> {folder.file("deutsch.LNG"), folder.file("English.lng")}));
    EXPECT_TRUE(player::find_language_files(folder.file("missing")).empty());
}

} // namespace
