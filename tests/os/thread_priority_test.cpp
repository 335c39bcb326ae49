#include "os/thread_priority.h"

#include <cerrno>
#include <climits>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

// Lowering is always permitted, so the lowest level is checked on a thread of its own; the
// test's main thread keeps its priority.
TEST(ThreadPriority, sets_only_the_calling_thread)
{
    int before = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    if (before > 10)
        GTEST_SKIP() << "this process runs below the lowest level already";
    bool accepted = false;
    int nice = 0;
    std::thread worker([&] {
        accepted = os::set_current_thread_priority(-7);
        errno = 0;
        nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    });
    worker.join();
    EXPECT_TRUE(accepted);
    EXPECT_EQ(os::platform_priority(INT_MIN), 5); // levels beyond the table are clamped
    EXPECT_EQ(os::platform_priority(INT_MAX), 1);
    EXPECT_EQ(nice, 10) << "the lowest level is ten nice steps below normal";
    EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())), before);
}
