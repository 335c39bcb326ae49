#include "skinner/vb_collection.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

using skinner::VBCollection;

namespace {

VBCollection<std::string> three()
{
    VBCollection<std::string> rows;
    for (const char* row : {"a", "b", "c"})
        rows.add(row);
    return rows;
}

} // namespace

TEST(VBCollection, indexes_inserts_and_removes)
{
    VBCollection<std::string> rows = three();
    ASSERT_EQ(rows.size(), 3);
    rows.insert(1, "x");
    rows.insert(4, "end");
    EXPECT_EQ((std::pair {rows[1], rows[4]}), (std::pair<std::string, std::string> {"x", "end"}));
    rows.remove(0);
    EXPECT_EQ(rows[0], "x");
    EXPECT_TRUE(rows.contains(3) && !rows.contains(4) && !rows.contains(-1));
    rows.sort([](const std::string& a, const std::string& b) { return a > b; });
    EXPECT_EQ((std::pair {rows[0], rows[3]}), (std::pair<std::string, std::string> {"x", "b"}));
}

TEST(VBCollectionDeathTest, an_index_at_or_past_the_size_ends_the_program)
{
    const VBCollection<std::string> rows = three();
    EXPECT_EXIT(rows[3], test::failed_exit, "VBCollection::operator\\[\\]: pos is invalid");
    EXPECT_EXIT(rows[int64_t(1) << 40], test::failed_exit, "pos is invalid");
    VBCollection<std::string> empty;
    EXPECT_EXIT(empty[0], test::failed_exit, "pos is invalid");
    EXPECT_EXIT(empty.remove(0), test::failed_exit, "pos is invalid");
    EXPECT_EXIT(three().insert(5, "z"), test::failed_exit, "pos is invalid");
}
