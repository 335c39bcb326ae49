#include "os/message_queue.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

TEST(MessageQueue, hands_out_messages_in_order_then_quit_which_stays_and_refuses_posts)
{
    os::MessageQueue queue;
    EXPECT_FALSE(queue.get_for(1ms).has_value());
    EXPECT_TRUE(queue.post(os::WM_USER, 1, -1));
    EXPECT_TRUE(queue.post(955, 2, 20));
    os::Message first = queue.get();
    EXPECT_EQ(std::pair(first.id, first.lparam), std::pair(uint32_t(os::WM_USER), intptr_t(-1)));
    queue.post_quit();
    EXPECT_TRUE(queue.quitting());
    EXPECT_FALSE(queue.post(7));
    EXPECT_FALSE(queue.post_callback([] { ADD_FAILURE() << "callback of a refused post ran"; }));
    EXPECT_EQ(queue.get_for(0ms)->lparam, 20);
    EXPECT_EQ(queue.get().id, os::WM_QUIT);
    EXPECT_EQ(queue.try_get()->id, os::WM_QUIT);
    // A second queue: pump runs callbacks and hands the rest to the handler in order.
    os::MessageQueue pumped;
    std::vector<int> seen;
    pumped.post(10);
    pumped.post_callback([&] {
        seen.push_back(-1);
        // Posted while pumping: waits for the next pump.
        pumped.post_callback([&] { seen.push_back(-2); });
    });
    pumped.post(11);
    EXPECT_EQ(pumped.pump([&](const os::Message& m) { seen.push_back(int(m.id)); }), 3u);
    EXPECT_EQ(seen, (std::vector<int> {10, -1, 11}));
    EXPECT_EQ(pumped.pump(), 1u);
    EXPECT_EQ(seen.back(), -2);
}

TEST(MessageQueueConcurrency, a_blocked_get_wakes_for_a_post_or_quit_from_another_thread)
{
    os::MessageQueue queue;
    std::thread poster([&] { queue.post(42, 4, 2); });
    EXPECT_EQ(queue.get().wparam, 4u);
    poster.join();
    std::thread quitter([&] { queue.post_quit(); });
    EXPECT_EQ(queue.get().id, os::WM_QUIT);
    quitter.join();
}

TEST(MessageQueueConcurrency, posts_from_several_threads_all_arrive_each_in_its_own_order)
{
    os::MessageQueue queue;
    constexpr int s_threads = 4, s_each = 2000;
    std::vector<std::thread> posters;
    for (int t = 0; t < s_threads; ++t) {
        posters.emplace_back([&queue, t] {
            for (int i = 0; i < s_each; ++i)
                queue.post(uint32_t(t), uintptr_t(i));
        });
    }
    std::vector<int> next(s_threads, 0);
    for (int received = 0; received < s_threads * s_each; ++received) {
        std::optional<os::Message> message = queue.get_for(60s);
        ASSERT_TRUE(message.has_value()) << "lost after " << received;
        ASSERT_LT(message->id, uint32_t(s_threads));
        EXPECT_EQ(message->wparam, uintptr_t(next[message->id]));
        ++next[message->id];
    }
    for (std::thread& poster : posters)
        poster.join();
}
