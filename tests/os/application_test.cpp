// The single-instance check between processes: each test points $XDG_RUNTIME_DIR at a fresh folder
// and starts the other copies of the program as forked children (before this process makes its
// own application object, so each child has the process to itself).

#include "os/application.h"

#include "os/screen/headless_screen.h"
#include "scoped_env.h"
#include "support/test_support.h"
#include "support/window_recorder.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// Another copy of the program: waits for go(), then checks with its command line and exits 0
// when it found a running copy, 1 when it is the only one. A staying copy that is the only one
// keeps running (holding the lock and listening) until killed.
struct Copy {
    Copy(std::u16string command_line, bool stay)
    {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        pid = fork();
        if (pid == 0) {
            char go = 0;
            if (read(fds[0], &go, 1) != 1)
                _exit(3);
            os::Application application(u"Test");
            bool found = application.check_running(command_line);
            while (stay && !found)
                pause();
            _exit(found ? 0 : 1);
        }
        close(fds[0]);
        go_fd = fds[1];
    }
    ~Copy()
    {
        close(go_fd);
        if (!status)
            kill_now();
    }

    void go() { ASSERT_EQ(write(go_fd, "g", 1), 1); }
    // The exit status, or -1 when it did not exit normally.
    int exit_status()
    {
        if (!status)
            waitpid(pid, &status.emplace(), 0);
        return WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
    }
    void kill_now()
    {
        kill(pid, SIGKILL);
        exit_status();
    }

    pid_t pid = -1;
    int go_fd = -1;
    std::optional<int> status;
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

TEST_F(SingleInstance, a_second_copy_waits_for_the_start_up_then_hands_its_command_line_to_the_first)
{
    Copy second(u"melodeck /home/ann/Müsic", false);
    os::HeadlessScreen screen {{240, 320}}; // with the running copy's form, a window of its class
    test::TestWindow form {screen, {{0, 26}, {240, 268}}};
    form.window.set_class_name(u"SkinnerClass_Test");
    os::Application first(u"Test");
    EXPECT_EQ(os::Application::instance(), &first);
    EXPECT_FALSE(first.check_running(u"melodeck"));
    EXPECT_EQ(screen.cursor(), os::Cursor::wait);
    second.go();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(waitpid(second.pid, nullptr, WNOHANG), 0) << "the second copy must wait for the start-up lock";
    first.release_startup();
    EXPECT_EQ(screen.cursor(), os::Cursor::arrow);
    auto deadline = std::chrono::steady_clock::now() + 5s; // the loop waits a few seconds at most
    screen.set_idle_handler([&] {
        screen.wait_for_post(20ms);
        return std::chrono::steady_clock::now() < deadline;
    });
    screen.run_until([&] { return form.recorder.count(os::WM_COPYDATA) > 0; });
    std::vector<test::Recorded> copies = form.recorder.only(os::WM_COPYDATA);
    ASSERT_EQ(copies.size(), 1u);
    std::u16string text(copies[0].data.size() / 2, u'\0');
    std::memcpy(text.data(), copies[0].data.data(), text.size() * 2); // UTF-16LE, as on this machine
    EXPECT_EQ(text, u"melodeck /home/ann/Müsic");
    EXPECT_EQ(second.exit_status(), 0) << "the second copy found the first";
}

TEST_F(SingleInstance, a_killed_copys_socket_and_lock_do_not_stop_the_next_start)
{
    Copy killed(u"", true);
    killed.go();
    std::string socket_path = folder.native("SkinnerClass_Test.socket").string();
    ASSERT_TRUE(test::wait_until([&] { return connects(socket_path); }));
    killed.kill_now();
    ASSERT_TRUE(std::filesystem::exists(socket_path)) << "a socket file nobody listens on";

    os::Application next(u"Test");
    EXPECT_FALSE(next.check_running(u"melodeck")) << "the dead copy is not running";
    EXPECT_TRUE(connects(socket_path)) << "the next copy listens in its place";
    next.release_startup();
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
    struct stat status { };
    ASSERT_EQ(lstat(fallback.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
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
