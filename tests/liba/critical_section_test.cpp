#include "liba/critical_section.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Asks another thread whether it can take the lock now.
bool free_for_another_thread(liba::CriticalSection& lock)
{
    bool taken = false;
    std::thread other([&] {
        taken = lock.try_enter();
        if (taken)
            lock.leave();
    });
    other.join();
    return taken;
}

} // namespace

TEST(CriticalSectionConcurrency,
    the_holder_enters_again_and_a_waiting_thread_gets_the_lock_after_the_last_leave)
{
    liba::CriticalSection lock;
    std::atomic<bool> asking {false};
    std::atomic<bool> inside {false};
    lock.enter();
    lock.enter();
    EXPECT_FALSE(free_for_another_thread(lock));
    std::thread other([&] {
        asking.store(true);
        liba::ScopedLock guard(lock);
        inside.store(true);
    });
    while (!asking.load())
        std::this_thread::yield();
    lock.leave();
    EXPECT_FALSE(inside.load()) << "one enter is still outstanding";
    lock.leave();
    other.join();
    EXPECT_TRUE(inside.load());
    EXPECT_TRUE(free_for_another_thread(lock));
}

TEST(CriticalSectionConcurrency, guards_shared_counting_from_several_threads)
{
    liba::CriticalSection lock;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                liba::ScopedLock outer(lock);
                liba::ScopedLock inner(lock);
                ++counter;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 80000);
}
