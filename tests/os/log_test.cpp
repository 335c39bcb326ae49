#include "os/log.h"
#include "os/switches.h"
#include "os/text_ostream_file.h"

#include "support/scoped_config.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(Log, the_switch_read_on_every_call_decides_whether_a_utf16le_file_is_written)
{
    test::ScopedConfig config;
    std::filesystem::remove(test::ScopedConfig::log_file());
    os::log() << u"nobody reads this\n";
    os::log().flush();
    EXPECT_FALSE(std::filesystem::exists(test::ScopedConfig::log_file()));
    EXPECT_FALSE(std::filesystem::exists(os::switches_file())) << "reading must not create the store";
    // Switching on creates a UTF-16LE file with its mark.
    config.set_logging(true);
    os::log() << u"Skin file {" << u"d\u00e9j\u00e0\U0001F3B5" << u"} has no form {" << 42 << u"}\n";
    test::Bytes file = test::read_file(test::ScopedConfig::log_file());
    EXPECT_EQ(test::Bytes(file.begin(), file.begin() + 2), (test::Bytes {0xFF, 0xFE}));
    EXPECT_EQ(test::ScopedConfig::log_text(), u"Skin file {d\u00e9j\u00e0\U0001F3B5} has no form {42}\n");
    // The switch is read on every call, and switching on again starts afresh.
    os::log() << u"first\n";
    os::write_registry_value(os::s_switches_key, u"Log", 0); // as a user editing the store would
    os::log() << u"while off\n";
    EXPECT_TRUE(test::ScopedConfig::log_text().ends_with(u"{42}\nfirst\n"));
    config.set_logging(true);
    EXPECT_EQ(std::filesystem::file_size(test::ScopedConfig::log_file()), 2u) << "switching on truncates";
    (os::log() << u"second\n").flush();
    EXPECT_EQ(test::ScopedConfig::log_text(), u"second\n");
    // A place that cannot be written drops everything quietly.
    os::TextOStreamFile lost(config.folder().file("missing/a.txt"));
    EXPECT_FALSE(lost.good());
    (lost << u"lost").flush();
    EXPECT_FALSE(std::filesystem::exists(config.folder().native("missing")));
}

TEST(LogConcurrency, whole_lines_from_several_threads_all_arrive_intact)
{
    test::ScopedConfig config;
    config.set_logging(true);
    constexpr int s_threads = 4, s_lines = 100;
    auto line = [](int t) { return u"thread {" + std::u16string(1, char16_t(u'a' + t)) + u"} line\n"; };
    std::vector<std::thread> threads;
    for (int t = 0; t < s_threads; ++t) {
        threads.emplace_back([t, &line] {
            for (int i = 0; i < s_lines; ++i)
                os::log() << line(t);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::u16string text = test::ScopedConfig::log_text();
    EXPECT_EQ(text.size(), size_t(s_threads * s_lines) * 16);
    for (size_t at = 0; at < text.size(); at += 16)
        ASSERT_EQ(text.substr(at, 16), line(text[at + 8] - u'a')) << "at " << at;
}
