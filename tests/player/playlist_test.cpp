// The playlist: which files a folder gives, their sorted and shuffled orders, and the walk through them.

#include "player/playlist.h"

#include "liba/text.h"
#include "os/path.h"
#include "os/rand.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using Direction = player::Playlist::Direction;
using Names = std::vector<std::string>;

// A folder where every name is an empty file (folders on the way), and a sorted playlist of it.
struct Folder {
    explicit Folder(const Names& names)
    {
        for (const std::string& name : names) {
            std::filesystem::create_directories(dir.native(name).parent_path());
            test::write_file(dir.native(name), {});
        }
        list.set_random(false);
        list.build(root());
    }
    std::u16string root() const { return test::u16(dir.path()); }
    // The files relative to the folder, in list order.
    Names names() const
    {
        Names out;
        for (const std::u16string& file : list.files())
            out.push_back(liba::to_utf8(file.substr(root().size() + 1)));
        return out;
    }

    test::TempDir dir;
    player::Playlist list;
};

TEST(Playlist, a_folder_gives_its_audio_files_sorted_or_one_alone_and_the_current_file_is_found_and_clamped)
{
    Folder folder({"b.MP3", "A.wav", "notes.txt", "c.Ogg", "d.mpc", "e.flac", "sub/x.mp3", "sub/deep/y.wav",
        "sub-2/z.mp3", "Sub3/w.ogg", "fake.mp3/inner.wav"});
    EXPECT_EQ(folder.names(), (Names {"A.wav", "b.MP3", "c.Ogg", "d.mpc"}));
    folder.list.set_subfolders(true);
    folder.list.build(folder.root());
    // Lower-cased paths by code unit: '-' (0x2D) sorts before '/' (0x2F), so "sub-2" comes before
    // the files of "sub", and everything below "sub/" stays in one run.
    EXPECT_EQ(folder.names(),
        (Names {"A.wav", "b.MP3", "c.Ogg", "d.mpc", "fake.mp3/inner.wav", "sub-2/z.mp3", "sub/deep/y.wav",
            "sub/x.mp3", "Sub3/w.ogg"}));
    // One file alone (the pick menu's "Play this file": a scripted run); what is not one gives none.
    for (const char* name : {"gone.mp3", "notes.txt", "fake.mp3"}) {
        folder.list.build_single(folder.dir.file(name));
        EXPECT_EQ((std::tuple {folder.list.size(), folder.list.current_path(), folder.list.set_current(0)}),
            (std::tuple {0, u"", false}))
            << name;
    }
    // The current file is found from the end and clamped.
    player::Playlist empty;
    EXPECT_EQ((std::tuple {empty.set_current(0), empty.advance(Direction::forward), empty.current_index()}),
        (std::tuple {false, false, 0}));
    Folder paths({"a.mp3", "A.MP3", "b.mp3", "c.mp3"});
    player::Playlist& list = paths.list;
    ASSERT_EQ(paths.names(), (Names {"A.MP3", "a.mp3", "b.mp3", "c.mp3"}));
    // Case and separators aside, the last equal path wins.
    EXPECT_EQ((std::tuple {list.set_current_path(paths.root() + u"\\A.mp3"), list.current_index()}),
        (std::tuple {true, 1}));
    EXPECT_EQ((std::tuple {list.set_current_path(paths.dir.file("c.mp3")), list.current_index()}),
        (std::tuple {true, 3}));
    std::filesystem::remove(paths.dir.native("b.mp3"));
    list.build(paths.root());
    EXPECT_FALSE(list.set_current_path(paths.dir.file("b.mp3")) || list.set_current_path(u""));
    // The stored index 3 now lies past the end of three files: it reads as the last.
    EXPECT_EQ(
        (std::tuple {list.current_index(), list.current_path()}), (std::tuple {2, paths.dir.file("c.mp3")}));
    // (index set, whether it stood, the index stored)
    for (auto [index, stood, stored] :
        {std::tuple {-5, false, 0}, {0, true, 0}, {2, true, 2}, {3, false, 2}, {1000, false, 2}})
        EXPECT_EQ((std::tuple {list.set_current(index), list.current_index()}), (std::tuple {stood, stored}))
            << index;
    // One file goes round with repeat only. (The walks to and round the ends: the scripted runs.)
    list.build_single(paths.dir.file("c.mp3"));
    for (bool repeat : {true, false}) {
        list.set_repeat(repeat);
        EXPECT_EQ(
            (std::tuple {list.advance(Direction::forward), list.current_index()}), (std::tuple {repeat, 0}));
    }
}

TEST(Playlist, shuffle_is_seeded_reshuffles_on_repeat_and_reaches_past_15_bits_and_sorting_is_by_lower_case)
{
    Names sorted;
    for (int i = 0; i < 40; ++i)
        sorted.push_back("t" + std::to_string(100 + i) + ".mp3");
    Folder folder(sorted);
    player::Playlist& list = folder.list;
    ASSERT_EQ(folder.names(), sorted);
    auto permutation
        = [&](const Names& order) { return std::is_permutation(order.begin(), order.end(), sorted.begin()); };
    list.set_random(true);
    os::seed_rand(1);
    list.reorder();
    Names shuffled = folder.names();
    EXPECT_TRUE(shuffled != sorted && permutation(shuffled));
    os::seed_rand(1);
    list.build(folder.root());
    EXPECT_EQ(folder.names(), shuffled);
    // With repeat, going on past the end shuffles again; going back past the start does not.
    list.set_current(39);
    EXPECT_TRUE(list.advance(Direction::forward));
    EXPECT_EQ(list.current_index(), 0);
    Names again = folder.names();
    EXPECT_TRUE(again != shuffled && permutation(again));
    EXPECT_TRUE(list.advance(Direction::back));
    EXPECT_EQ((std::tuple {list.current_index(), folder.names()}), (std::tuple {39, again}));
    // Past 32768 files one 15-bit draw cannot pick every place: files from the end must still be
    // able to stay in the end part (a uniform shuffle leaves some 1300 there).
    constexpr size_t s_count = 40000;
    std::vector<std::u16string> files;
    for (size_t i = 0; i < s_count; ++i)
        files.push_back(liba::to_text(int64_t(i)));
    os::seed_rand(3);
    player::shuffle_files(files);
    size_t stayed_high = 0;
    for (size_t i = 32768; i < s_count; ++i)
        stayed_high += std::stoul(liba::to_utf8(files[i])) >= 32768;
    EXPECT_GT(stayed_high, 1000u);
    std::sort(files.begin(), files.end(),
        [](const auto& a, const auto& b) { return a.size() != b.size() ? a.size() < b.size() : a < b; });
    for (size_t i = 0; i < s_count; ++i)
        ASSERT_EQ(files[i], liba::to_text(int64_t(i)));

    files = {u"/m/b.mp3", u"%app_path%/z.mp3", u"\\m\\A.mp3", u"/m/a.mp3", u"/M/sub/x.mp3", u"/m/sub-2/y.mp3",
        u"/m/\u00C9t\u00E9.mp3", u"/m/\u00E9t\u00E9.mp3", u"/m/Zed.wav", u"/m/a.mp3.mp3", u"/m/B.mp3"};
    // The same order by keys made beforehand; equal keys keep the order they had (the two spellings
    // of /m/a.mp3 stay next to each other wherever %app_path% lands).
    std::vector<std::u16string> expected = files;
    std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
        return liba::to_lower(os::expand_path(a)) < liba::to_lower(os::expand_path(b));
    });
    player::sort_files(files);
    EXPECT_EQ(files, expected);
    EXPECT_EQ(std::find(files.begin(), files.end(), u"\\m\\A.mp3") + 1,
        std::find(files.begin(), files.end(), u"/m/a.mp3"));
}

} // namespace
