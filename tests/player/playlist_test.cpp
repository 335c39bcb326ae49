// The playlist: which files a folder gives, their sorted and shuffled orders, and the walk through them.

#include "player/playlist.h"

#include "liba/text.h"
#include "os/path.h"
#include "os/rand.h"
#include "support/test_support.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <tuple>

namespace {

using Direction = player::Playlist::Direction;

// Every name is created as an empty file (folders on the way), relative to the folder.
class PlaylistFolder : public ::testing::Test {
protected:
    void make(std::initializer_list<const char*> names)
    {
        for (const char* name : names) {
            std::filesystem::create_directories(m_folder.native(name).parent_path());
            test::write_file(m_folder.native(name), {});
        }
    }
    // The files relative to the folder, in list order.
    std::vector<std::string> names(const player::Playlist& list) const
    {
        std::vector<std::string> out;
        std::u16string root = liba::from_utf8(m_folder.path().string() + "/");
        for (const std::u16string& file : list.files())
            out.push_back(
                file.starts_with(root) ? liba::to_utf8(file.substr(root.size())) : "?" + liba::to_utf8(file));
        return out;
    }
    std::u16string root() const { return liba::from_utf8(m_folder.path().string()); }

    test::TempDir m_folder;
};

TEST_F(PlaylistFolder, sorted_build_takes_audio_files_and_keeps_each_folder_together)
{
    make({"b.MP3", "A.wav", "notes.txt", "c.Ogg", "d.mpc", "e.flac", "sub/x.mp3", "sub/deep/y.wav",
        "sub-2/z.mp3", "Sub3/w.ogg", "fake.mp3/inner.wav"});
    player::Playlist list;
    list.set_random(false);
    list.build(root());
    EXPECT_EQ(names(list), (std::vector<std::string> {"A.wav", "b.MP3", "c.Ogg", "d.mpc"}));

    list.set_subfolders(true);
    list.build(root());
    // Lower-cased paths by code unit: '-' (0x2D) sorts before '/' (0x2F), so "sub-2" comes before
    // the files of "sub", and everything below "sub/" stays in one run.
    EXPECT_EQ(names(list),
        (std::vector<std::string> {"A.wav", "b.MP3", "c.Ogg", "d.mpc", "fake.mp3/inner.wav", "sub-2/z.mp3",
            "sub/deep/y.wav", "sub/x.mp3", "Sub3/w.ogg"}));
}

TEST_F(PlaylistFolder, shuffle_with_a_fixed_seed_is_a_reproducible_permutation)
{
    std::vector<std::string> sorted;
    for (int i = 0; i < 40; ++i) {
        sorted.push_back("t" + std::to_string(100 + i) + ".mp3");
        make({sorted.back().c_str()});
    }
    player::Playlist list;
    list.set_random(false);
    list.build(root());
    ASSERT_EQ(names(list), sorted);

    list.set_random(true);
    os::seed_rand(1);
    list.reorder();
    auto shuffled = names(list);
    EXPECT_NE(shuffled, sorted);
    EXPECT_EQ(std::multiset<std::string>(shuffled.begin(), shuffled.end()),
        std::multiset<std::string>(sorted.begin(), sorted.end()));
    // Every file can land anywhere: over many shuffles each place sees many different files.
    std::vector<std::set<std::string>> at_place(sorted.size());
    for (int round = 0; round < 200; ++round) {
        list.reorder();
        auto order = names(list);
        for (size_t i = 0; i < order.size(); ++i)
            at_place[i].insert(order[i]);
    }
    for (const auto& seen : at_place)
        EXPECT_GT(seen.size(), 30u);

    os::seed_rand(1);
    list.build(root());
    EXPECT_EQ(names(list), shuffled);
    // With repeat, going on past the end shuffles again; going back past the start does not.
    list.set_current(39);
    EXPECT_TRUE(list.advance(Direction::forward));
    EXPECT_EQ(list.current_index(), 0);
    auto again = names(list);
    EXPECT_NE(again, shuffled);
    EXPECT_EQ(std::multiset<std::string>(again.begin(), again.end()),
        std::multiset<std::string>(sorted.begin(), sorted.end()));
    EXPECT_TRUE(list.advance(Direction::back));
    EXPECT_EQ(list.current_index(), 39);
    EXPECT_EQ(names(list), again);
}

TEST_F(PlaylistFolder, build_single_takes_only_an_existing_audio_file)
{
    make({"a.mp3", "n.txt", "dir.mp3/x.wav"});
    player::Playlist list;
    list.build_single(m_folder.file("a.mp3"));
    EXPECT_EQ(names(list), (std::vector<std::string> {"a.mp3"}));
    for (const char* name : {"gone.mp3", "n.txt", "dir.mp3"}) {
        list.build_single(m_folder.file(name));
        EXPECT_EQ(list.size(), 0) << name;
        EXPECT_EQ(list.current_path(), u"") << name;
        EXPECT_FALSE(list.set_current(0)) << name;
    }
}

TEST_F(PlaylistFolder, set_current_path_searches_from_the_end_and_fails_on_a_vanished_file)
{
    make({"a.mp3", "A.MP3", "b.mp3", "c.mp3"});
    player::Playlist list;
    list.set_random(false);
    list.build(root());
    ASSERT_EQ(names(list), (std::vector<std::string> {"A.MP3", "a.mp3", "b.mp3", "c.mp3"}));
    // Case and separators aside, the last equal path wins.
    EXPECT_TRUE(list.set_current_path(root() + u"\\A.mp3"));
    EXPECT_EQ(list.current_index(), 1);
    EXPECT_TRUE(list.set_current_path(m_folder.file("c.mp3")));
    EXPECT_EQ(list.current_index(), 3);
    std::filesystem::remove(m_folder.native("b.mp3"));
    list.build(root());
    EXPECT_FALSE(list.set_current_path(m_folder.file("b.mp3")));
    EXPECT_FALSE(list.set_current_path(u""));
    // The stored index 3 now lies past the end of three files: it reads as the last.
    EXPECT_EQ(list.current_index(), 2);
    EXPECT_EQ(list.current_path(), m_folder.file("c.mp3"));
}

TEST_F(PlaylistFolder, set_current_clamps_and_advance_stops_or_wraps_at_the_ends)
{
    player::Playlist list;
    EXPECT_FALSE(list.set_current(0));
    EXPECT_FALSE(list.advance(Direction::forward));
    EXPECT_EQ(list.current_index(), 0);
    make({"a.mp3", "b.mp3", "c.mp3"});
    list.set_random(false);
    list.build(root());
    // (index set, whether it stood, the index stored)
    for (auto [index, stood, stored] :
        {std::tuple {-5, false, 0}, {0, true, 0}, {2, true, 2}, {3, false, 2}, {1000, false, 2}}) {
        EXPECT_EQ(list.set_current(index), stood) << index;
        EXPECT_EQ(list.current_index(), stored) << index;
    }
    // (repeat, from, direction, whether it moved, where to)
    for (auto [repeat, from, direction, moved, to] :
        {std::tuple {false, 1, Direction::forward, true, 2}, {false, 2, Direction::forward, false, 2},
            {true, 2, Direction::forward, true, 0}, {true, 0, Direction::back, true, 2},
            {false, 0, Direction::back, false, 0}, {false, 2, Direction::back, true, 1}}) {
        list.set_repeat(repeat);
        list.set_current(from);
        EXPECT_EQ(list.advance(direction), moved) << repeat << " " << from;
        EXPECT_EQ(list.current_index(), to) << repeat << " " << from;
    }
    // One file: repeat plays it again, without repeat the end is there.
    list.build_single(m_folder.file("a.mp3"));
    list.set_repeat(true);
    EXPECT_TRUE(list.advance(Direction::forward));
    list.set_repeat(false);
    EXPECT_FALSE(list.advance(Direction::forward));
    EXPECT_EQ(list.current_index(), 0);
}

TEST(Playlist, shuffle_of_a_big_list_reaches_past_fifteen_bits)
{
    // Past 32768 files one 15-bit draw cannot pick every place: files from the end must still be
    // able to stay in the end part.
    constexpr size_t s_count = 40000;
    std::vector<std::u16string> files;
    for (size_t i = 0; i < s_count; ++i)
        files.push_back(liba::to_text(int64_t(i)));
    os::seed_rand(3);
    player::shuffle_files(files);
    size_t stayed_high = 0;
    for (size_t i = 32768; i < s_count; ++i)
        stayed_high += std::stoul(liba::to_utf8(files[i])) >= 32768;
    // A uniform shuffle leaves about 7232 * 7232 / 40000, some 1300, there.
    EXPECT_GT(stayed_high, 1000u);
    std::sort(files.begin(), files.end(),
        [](const auto& a, const auto& b) { return a.size() != b.size() ? a.size() < b.size() : a < b; });
    for (size_t i = 0; i < s_count; ++i)
        ASSERT_EQ(files[i], liba::to_text(int64_t(i)));
}

TEST(Playlist, sorted_order_is_the_lower_cased_expanded_paths_by_code_unit)
{
    std::vector<std::u16string> files {u"/m/b.mp3", u"%app_path%/z.mp3", u"\\m\\A.mp3", u"/m/a.mp3",
        u"/M/sub/x.mp3", u"/m/sub-2/y.mp3", u"/m/\u00C9t\u00E9.mp3", u"/m/\u00E9t\u00E9.mp3", u"/m/Zed.wav",
        u"/m/a.mp3.mp3", u"/m/B.mp3"};
    // The same order by keys made beforehand; equal keys keep the order they had.
    std::vector<std::u16string> expected = files;
    std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
        return liba::to_lower(os::expand_path(a)) < liba::to_lower(os::expand_path(b));
    });
    player::sort_files(files);
    EXPECT_EQ(files, expected);
    // Where %app_path% lands depends on the folder the suite runs from; the two spellings of
    // /m/a.mp3 are equal keys and keep their order wherever that is.
    const auto at = [&](std::u16string_view name) { return std::find(files.begin(), files.end(), name); };
    EXPECT_EQ(at(u"\\m\\A.mp3") + 1, at(u"/m/a.mp3")) << "equal to /m/a.mp3 and listed just before it";
}

} // namespace
