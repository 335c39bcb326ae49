#include "os/drives.h"

#include "liba/text.h"
#include "os/finder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class Cards final : public os::Finder {
public:
    bool on_folder(const std::u16string& path) override
    {
        found.push_back(path);
        return static_cast<int>(found.size()) < limit;
    }
    bool on_file(const std::u16string&) override
    {
        ADD_FAILURE() << "cards are folders";
        return true;
    }

    std::vector<std::u16string> found;
    int limit = 1000;
};

bool proc_is_mounted()
{
    struct stat root { };
    struct stat proc { };
    return ::stat("/", &root) == 0 && ::stat("/proc", &proc) == 0 && root.st_dev != proc.st_dev;
}

bool contains(const std::vector<std::u16string>& paths, std::u16string_view path)
{
    return std::find(paths.begin(), paths.end(), path) != paths.end();
}

} // namespace

TEST(FindDrives, roots_are_the_removable_media_folders)
{
    std::vector<std::u16string> roots = os::removable_media_roots();
    ASSERT_FALSE(roots.empty());
    EXPECT_EQ(roots.back(), u"/media");
}

TEST(FindDrives, plain_folders_are_no_cards)
{
    test::TempDir dir;
    std::filesystem::create_directories(dir.native("Storage Card"));
    std::filesystem::create_directories(dir.native("media/user/USB"));
    Cards cards;
    os::find_drives(
        cards, {test::u16(dir.path()), test::u16(dir.native("media/user")), u"/no/such/root"}, u"/x");
    EXPECT_TRUE(cards.found.empty());
}

// /proc is a mount point on every Linux system: a volume of its own under the root "/".
TEST(FindDrives, mount_points_are_reported_unless_they_hold_the_documents_folder_or_are_roots)
{
    if (!proc_is_mounted())
        GTEST_SKIP() << "/proc is no mount point here";
    Cards cards;
    os::find_drives(cards, {u"/"}, u"/home/nobody/Documents");
    EXPECT_TRUE(contains(cards.found, u"/proc"));
    EXPECT_FALSE(contains(cards.found, u"/etc")) << "a folder of the root's own volume";
    for (std::u16string_view documents : {u"/PROC/self/Documents", u"/proc/"}) {
        Cards holding;
        os::find_drives(holding, {u"/"}, documents);
        EXPECT_FALSE(contains(holding.found, u"/proc")) << liba::to_utf8(documents);
    }
    Cards stopped;
    stopped.limit = 1;
    os::find_drives(stopped, {u"/", u"/"}, u"/home/nobody"); // without the stop, every card twice
    EXPECT_EQ(stopped.found.size(), 1u);
    Cards beside_a_root;
    os::find_drives(beside_a_root, {u"/", u"/proc"}, u"/home/nobody");
    EXPECT_FALSE(contains(beside_a_root.found, u"/proc"));
}
