#include "liba/thread.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Runs until its gate opens (or a stop is requested), counting how often run() began and ended.
struct GateThread final : liba::Thread {
    ~GateThread() override
    {
        request_stop();
        open = true;
        join();
    }
    void run() override
    {
        ++started;
        while (!open && !stop_requested())
            std::this_thread::yield();
        // Some work after the wake-up, so a join that does not wait would see it unfinished.
        for (int i = 0; i < 200; ++i)
            std::this_thread::yield();
        ++finished;
    }
    void wait_until(bool is_running, int count = 0)
    {
        while (running() != is_running || started < count)
            std::this_thread::yield();
    }

    std::atomic<bool> open {false};
    std::atomic<int> started {0}, finished {0};
};

} // namespace

TEST(Thread, start_clears_a_stop_join_waits_and_an_ended_thread_starts_again)
{
    GateThread thread;
    thread.join(); // without a start: at once
    thread.request_stop();
    ASSERT_TRUE(thread.start());
    thread.wait_until(true, 1);
    EXPECT_FALSE(thread.stop_requested());
    EXPECT_FALSE(thread.start()) << "a second start while running fails";
    EXPECT_EQ(thread.finished, 0) << "run must still be waiting for its gate";
    thread.open = true;
    thread.join();
    EXPECT_EQ(thread.finished, 1) << "join waits for run to end";
    EXPECT_FALSE(thread.running());
    // Ended on its own: join, a second join and the destructor must not release its handle again.
    ASSERT_TRUE(thread.start());
    thread.wait_until(false);
    thread.join();
    thread.join();
    // Restart without a join in between: the ended thread is released by start itself.
    ASSERT_TRUE(thread.start());
    thread.wait_until(false);
    ASSERT_TRUE(thread.start());
    thread.join();
    EXPECT_EQ(thread.started, 4);
    EXPECT_EQ(thread.finished, 4);
}

TEST(ThreadConcurrency, two_threads_joining_at_once_both_return)
{
    GateThread thread;
    ASSERT_TRUE(thread.start());
    thread.wait_until(true, 1);
    std::atomic<int> joined {0};
    auto joiner = [&] {
        thread.join();
        ++joined;
    };
    std::thread first(joiner), second(joiner);
    thread.open = true;
    first.join();
    second.join();
    EXPECT_EQ(joined, 2);
    EXPECT_EQ(thread.finished, 1);
}
