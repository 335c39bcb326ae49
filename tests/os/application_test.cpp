// The single-instance check between processes: each test points $XDG_RUNTIME_DIR at a fresh folder
// and starts the other copies of the program as forked children (before this process makes its
// own application object, so each child has the process to itself).

#include "os/application.h"

#include "os/screen/headless_screen.h"
#include "support/scoped_env.h"
#include "support/test_support.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Another copy of the program that, finding no running copy, keeps running (holding the lock and
// listening) until killed.
struct StayingCopy {
    StayingCopy()
    {
        pid = fork();
        if (pid == 0) {
            os::Application application(u"Test");
            if (!application.check_running(u""))
                for (;;)
                    pause();
            _exit(0);
        }
    }
    ~StayingCopy() { kill_now(); }
    void kill_now()
    {
        if (pid > 0 && kill(pid, SIGKILL) == 0)
            waitpid(std::exchange(pid, -1), nullptr, 0);
    }

    pid_t pid = -1;
};

bool connects(const std::string& path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

class SingleInstance : public testing::Test {
protected:
    test::TempDir folder;
    test::ScopedEnv runtime {"XDG_RUNTIME_DIR", folder.path().c_str()};
};

} // namespace

TEST_F(SingleInstance, a_killed_copys_socket_and_lock_do_not_stop_the_next_start)
{
    StayingCopy killed;
    std::string socket_path = folder.native("SkinnerClass_Test.socket").string();
    ASSERT_TRUE(test::wait_until([&] { return connects(socket_path); }));
    killed.kill_now();
    ASSERT_TRUE(std::filesystem::exists(socket_path)) << "a socket file nobody listens on";

    os::HeadlessScreen screen {{240, 320}}; // which shows the wait cursor until the start-up is released
    os::Application next(u"Test");
    EXPECT_FALSE(next.check_running(u"melodeck")) << "the dead copy is not running";
    EXPECT_EQ(screen.cursor(), os::Cursor::wait);
    EXPECT_TRUE(connects(socket_path)) << "the next copy listens in its place";
    next.release_startup();
    EXPECT_EQ(screen.cursor(), os::Cursor::arrow);
}

TEST_F(SingleInstance, the_runtime_folder_must_be_private_else_a_folder_of_ours_under_tmp_serves)
{
    std::string fallback = "/tmp/melodeck-" + std::to_string(getuid());
    const std::string own = folder.path().string(), open = own + "/open", missing = own + "/missing";
    std::filesystem::create_directory(open);
    chmod(open.c_str(), 0777);
    for (auto [runtime, expected] : {std::pair {own.c_str(), own}, {nullptr, fallback},
             {open.c_str(), fallback}, {missing.c_str(), fallback}}) {
        SCOPED_TRACE(runtime ? runtime : "(unset)");
        test::ScopedEnv scope("XDG_RUNTIME_DIR", runtime);
        EXPECT_EQ(os::Application(u"Test").lock_path(), expected + "/SkinnerClass_Test.lock");
    }
    EXPECT_EQ(std::filesystem::symlink_status(fallback).permissions(), std::filesystem::perms::owner_all);
}

TEST(ApplicationDeathTest, a_second_object_and_a_name_too_long_for_the_class_buffer_are_fatal)
{
    EXPECT_EXIT(
        {
            os::Application one(u"One");
            os::Application two(u"Two");
        },
        test::failed_exit, "Application::Application: instance != 0");
    // "SkinnerClass_" and 25 characters make 38: the longest name there is room for.
    std::u16string longest(25, u'n');
    EXPECT_EXIT(
        {
            {
                os::Application fits(longest);
            }
            os::Application too_long(longest + u"n");
        },
        test::failed_exit, "Application::Application: Application name is too long. Sorry.");
}
