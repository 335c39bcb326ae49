#include "os/drives.h"

#include "liba/text.h"
#include "os/finder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// The cards found under the roots, stopping after limit.
std::vector<std::u16string> cards(
    const std::vector<std::u16string>& roots, std::u16string_view documents, size_t limit = 1000)
{
    struct Cards final : os::Finder {
        bool on_folder(const std::u16string& path) override
        {
            found.push_back(path);
            return found.size() < limit;
        }
        bool on_file(const std::u16string&) override { return true; }
        std::vector<std::u16string> found;
        size_t limit = 0;
    } finder;
    finder.limit = limit;
    os::find_drives(finder, roots, documents);
    return finder.found;
}

bool has(const std::vector<std::u16string>& paths, std::u16string_view path)
{
    return std::find(paths.begin(), paths.end(), path) != paths.end();
}

} // namespace

TEST(FindDrives, mount_points_under_the_roots_are_cards_unless_they_hold_the_documents_or_are_roots)
{
    test::TempDir dir; // plain folders are no cards
    std::filesystem::create_directories(dir.native("media/user/USB"));
    EXPECT_TRUE(
        cards({test::u16(dir.path()), test::u16(dir.native("media/user")), u"/no/such/root"}, u"/x").empty());

    // /proc is a mount point on every Linux system: a volume of its own under the root "/".
    struct stat root = {}, proc = {};
    if (::stat("/", &root) != 0 || ::stat("/proc", &proc) != 0 || root.st_dev == proc.st_dev)
        GTEST_SKIP() << "/proc is no mount point here";
    std::vector<std::u16string> found = cards({u"/"}, u"/home/nobody/Documents");
    EXPECT_TRUE(has(found, u"/proc"));
    EXPECT_FALSE(has(found, u"/etc")) << "a folder of the root's own volume";
    for (std::u16string_view documents : {u"/PROC/self/Documents", u"/proc/"})
        EXPECT_FALSE(has(cards({u"/"}, documents), u"/proc")) << liba::to_utf8(documents);
    EXPECT_EQ(cards({u"/", u"/"}, u"/home/nobody", 1).size(), 1u); // without the stop, every card twice
    EXPECT_FALSE(has(cards({u"/", u"/proc"}, u"/home/nobody"), u"/proc"));
}
