#include "os/text_ostream_file.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

// The mark, the units little-endian and the file replaced: the log's file, in the log's test.
TEST(TextOStreamFile, an_unwritable_place_drops_everything_quietly)
{
    test::TempDir dir;
    os::TextOStreamFile lost(dir.file("missing/a.txt"));
    EXPECT_FALSE(lost.good());
    lost << u"lost";
    lost.flush();
    EXPECT_FALSE(std::filesystem::exists(dir.native("missing")));
}
