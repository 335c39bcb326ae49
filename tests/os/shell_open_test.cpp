#include "os/shell_open.h"

#include "support/test_support.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

// Whether a child of this process ended and was never waited for (it is left as it is).
bool zombie_child()
{
    siginfo_t info {};
    return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
}

} // namespace

// A fake xdg-open first on PATH writes down each argument it gets, one a line.
TEST(ShellOpen, starts_xdg_open_with_the_url_as_one_argument_and_leaves_no_zombie)
{
    test::TempDir folder;
    std::filesystem::path opened = folder.native("opened.txt");
    std::filesystem::path script = folder.native("xdg-open");
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" << opened.string()
                          << "'; done\n";
    chmod(script.c_str(), 0755);
    std::string previous = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (folder.path().string() + ":" + previous).c_str(), 1);

    // Refused: would be an option, or nothing at all.
    os::shell_open(u"--help");
    os::shell_open(u"");
    // Taken as it is: spaces, quotes and shell syntax reach the program as one argument.
    std::string url = "https://example.org/a b?q='x'&r=$(touch pwned);";
    os::shell_open(u"https://example.org/a b?q='x'&r=$(touch pwned);");
    bool arrived = test::wait_until([&] { return test::read_text(opened) == url + "\n"; });
    setenv("PATH", previous.c_str(), 1);
    EXPECT_TRUE(arrived) << test::read_text(opened);
    EXPECT_FALSE(std::filesystem::exists("pwned"));
    EXPECT_TRUE(test::wait_until([] { return !zombie_child(); })) << "the ended xdg-open was never reaped";
}
