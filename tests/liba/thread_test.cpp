#include "liba/thread.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Runs until released (or until stop is requested), counting how often run() began and ended.
class GateThread final : public liba::Thread {
public:
    ~GateThread() override
    {
        request_stop();
        release();
        join();
    }

    void release() { m_open.store(true); }
    void wait_started(int count) const
    {
        while (m_started.load() < count)
            std::this_thread::yield();
    }
    int started() const { return m_started.load(); }
    int finished() const { return m_finished.load(); }

protected:
    void run() override
    {
        m_started.fetch_add(1);
        while (!m_open.load() && !stop_requested())
            std::this_thread::yield();
        // Some work after the wake-up, so a join that does not wait would see it unfinished.
        for (int i = 0; i < 200; ++i)
            std::this_thread::yield();
        m_finished.fetch_add(1);
    }

private:
    std::atomic<bool> m_open {false};
    std::atomic<int> m_started {0};
    std::atomic<int> m_finished {0};
};

} // namespace

TEST(Thread, start_clears_an_earlier_stop_and_a_second_start_while_running_fails)
{
    GateThread thread;
    thread.request_stop();
    ASSERT_TRUE(thread.start());
    thread.wait_started(1);
    EXPECT_FALSE(thread.stop_requested());
    EXPECT_FALSE(thread.start());
    EXPECT_EQ(thread.finished(), 0) << "run must still be waiting for its gate";
    thread.release();
    thread.join();
    EXPECT_EQ(thread.started(), 1);
    EXPECT_EQ(thread.finished(), 1) << "join waits for run to end";
    EXPECT_FALSE(thread.running());
}

TEST(Thread, joins_once_and_starts_again_after_the_thread_ended)
{
    GateThread thread;
    thread.join(); // without a start: at once
    EXPECT_EQ(thread.started(), 0);
    thread.release();
    ASSERT_TRUE(thread.start());
    while (thread.running())
        std::this_thread::yield();
    // Ended on its own: join, a second join and the destructor must not release its handle again.
    thread.join();
    thread.join();
    // Restart without a join in between: the ended thread is released by start itself.
    ASSERT_TRUE(thread.start());
    while (thread.running())
        std::this_thread::yield();
    ASSERT_TRUE(thread.start());
    thread.join();
    EXPECT_EQ(thread.started(), 3);
    EXPECT_EQ(thread.finished(), 3);
}

TEST(ThreadConcurrency, two_threads_joining_at_once_both_return)
{
    GateThread thread;
    ASSERT_TRUE(thread.start());
    thread.wait_started(1);
    std::atomic<int> joined {0};
    auto joiner = [&] {
        thread.join();
        joined.fetch_add(1);
    };
    std::thread first(joiner), second(joiner);
    thread.release();
    first.join();
    second.join();
    EXPECT_EQ(joined.load(), 2);
    EXPECT_EQ(thread.finished(), 1);
}
