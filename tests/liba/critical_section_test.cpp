#include "liba/critical_section.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

TEST(CriticalSectionConcurrency,
    the_holder_enters_again_and_a_waiting_thread_gets_the_lock_after_the_last_leave)
{
    liba::CriticalSection lock;
    auto free_for_another_thread = [&] {
        bool taken = false;
        std::thread([&] { (taken = lock.try_enter()) ? lock.leave() : void(); }).join();
        return taken;
    };
    std::atomic<bool> asking {false}, inside {false};
    lock.enter();
    lock.enter();
    EXPECT_FALSE(free_for_another_thread());
    std::thread other([&] {
        asking = true;
        liba::ScopedLock guard(lock);
        inside = true;
    });
    while (!asking)
        std::this_thread::yield();
    lock.leave();
    EXPECT_FALSE(inside) << "one enter is still outstanding";
    lock.leave();
    other.join();
    EXPECT_TRUE(inside);
    EXPECT_TRUE(free_for_another_thread());
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
