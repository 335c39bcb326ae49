#include "os/xml_file.h"
#include "support/test_support.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

liba::XmlNode settings_document(int32_t bookmarks)
{
    liba::XmlNode document = liba::XmlNode::create();
    liba::XmlNode list = document.add_child(u"Settings").add_child(u"Bookmarks");
    for (int32_t i = 0; i < bookmarks; ++i) {
        liba::XmlNode bookmark = list.add_child(u"Bookmark");
        bookmark.set_attribute(u"Path", u"/media/card/Books/chapter.mp3");
        bookmark.set_attribute(u"Pos", i);
    }
    return document;
}

size_t entries_in(const fs::path& folder)
{
    return size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

} // namespace

TEST(XmlFile, missing_or_malformed_files_load_as_null_saved_ones_load_back_and_stale_temporary_files_go)
{
    test::TempDir dir;
    fs::create_directory(dir.native("sub"));
    EXPECT_TRUE(os::xml_load(test::u16(dir.path())).is_null()); // a folder
    ASSERT_TRUE(os::xml_save(settings_document(3), test::u16(dir.path()) + u"\\sub\\Settings.xml"));
    ASSERT_TRUE(os::xml_load(dir.file("sub/Settings.xml")).child(u"Settings").child(u"Bookmarks"));
    EXPECT_EQ(entries_in(dir.native("sub")), 1u);

    fs::create_symlink(dir.native("sub/Settings.xml"), dir.native("Settings.xml"));
    ASSERT_TRUE(os::xml_save(settings_document(1), dir.file("Settings.xml")));
    EXPECT_TRUE(fs::is_symlink(dir.native("Settings.xml"))) << "saving through a link keeps it";
    EXPECT_EQ(
        os::xml_load(dir.file("sub/Settings.xml")).child(u"Settings").child(u"Bookmarks").child_count(), 3u);

    std::string text = "<?xml version=\"1.0\"?>\n<Equalizer Frequency=\"80\" Width=\"2\" Amplitude=\"8\">\n"
                       "\t<!-- one band -->\n</Equalizer>\n";
    test::write_text(dir.native("Equalizer.xml"), text);
    liba::XmlNode document = os::xml_load(dir.file("Equalizer.xml"));
    ASSERT_TRUE(os::xml_save(document, dir.file("Copy.xml")));
    EXPECT_EQ(test::read_text(dir.native("Copy.xml")), text) << "a loaded file saves back unchanged";

    // Saving removes the temporary files that killed writers left.
    pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ASSERT_GT(dead, 0);
    ::waitpid(dead, nullptr, 0);
    auto left = [&](pid_t pid, std::string_view target) {
        std::string name = "." + std::string(target) + ".tmp." + std::to_string(pid) + ".7";
        test::write_file(dir.native(name), test::Bytes(3, 'x'));
        return dir.native(name);
    };
    std::string stale = left(dead, "Stale.xml");
    std::string running = left(::getppid(), "Stale.xml"); // its writer may still finish
    std::string other_file = left(dead, "Equalizer.xml");
    ASSERT_TRUE(os::xml_save(settings_document(1), dir.file("Stale.xml")));
    EXPECT_EQ(std::tuple(fs::exists(stale), fs::exists(running), fs::exists(other_file)),
        std::tuple(false, true, true));
}

TEST(XmlFile, save_replaces_the_old_file_keeping_its_permissions_and_a_failed_save_keeps_it_whole)
{
    test::TempDir dir;
    test::write_file(dir.native("Settings.xml"), test::Bytes(5000, 'Q'));
    fs::permissions(dir.native("Settings.xml"), fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_TRUE(os::xml_save(settings_document(1), dir.file("Settings.xml")));
    EXPECT_NE(test::read_text(dir.native("Settings.xml")).find("<Bookmark Path="), std::string::npos);
    EXPECT_EQ(fs::status(dir.native("Settings.xml")).permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write);
    // Saving leaves no descriptor open behind it.
    size_t open_before = entries_in("/proc/self/fd");
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(os::xml_save(settings_document(1), dir.file("Settings.xml")));
    EXPECT_EQ(entries_in("/proc/self/fd"), open_before);

    std::string before = test::read_text(dir.native("Settings.xml"));
    // The new text is far larger than the process may now write: the disk is "full".
    rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit {before.size() + 100, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_FALSE(os::xml_save(settings_document(500), dir.file("Settings.xml")));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
    EXPECT_FALSE(os::xml_save(settings_document(1), dir.file("absent/Settings.xml")));
    EXPECT_FALSE(os::xml_save(settings_document(1).child(u"Settings"), dir.file("element.xml")));
    EXPECT_FALSE(os::xml_save(liba::XmlNode(), dir.file("null.xml")));
    if (::geteuid() != 0) { // folder permissions do not bind the superuser
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(os::xml_save(settings_document(5), dir.file("Settings.xml")));
        fs::permissions(dir.path(), fs::perms::owner_all);
    }
    EXPECT_EQ(test::read_text(dir.native("Settings.xml")), before);
    EXPECT_EQ(entries_in(dir.path()), 1u); // no temporary file left behind
}
