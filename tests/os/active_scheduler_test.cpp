#include "os/active_scheduler.h"

#include "os/active.h"
#include "os/screen/headless_screen.h"
#include "support/test_support.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace {

// Notes its id in the log when it runs, and whether it was still pending then.
struct Recorder final : CActive {
    Recorder(std::vector<int>& log, int id)
        : log(log)
        , id(id)
    {
    }
    void run() override
    {
        pending_while_running = pending();
        log.push_back(id);
        if (on_run)
            on_run();
    }

    std::vector<int>& log;
    int id;
    std::function<void()> on_run;
    bool pending_while_running = true;
};

class ActiveScheduler : public testing::Test {
protected:
    os::MessageQueue queue;
    CActiveScheduler scheduler {queue};
    std::vector<int> runs;
};

} // namespace

TEST_F(ActiveScheduler, queued_objects_run_once_in_order_when_pumped_and_cancelled_or_destroyed_ones_never)
{
    CActiveScheduler other(queue);
    Recorder first(runs, 1), second(runs, 2), stranger(runs, 3);
    ASSERT_TRUE(scheduler.queue(second));
    ASSERT_TRUE(scheduler.queue(first));
    EXPECT_FALSE(scheduler.queue(first)) << "pending already";
    EXPECT_FALSE(other.queue(first));
    EXPECT_EQ(queue.size(), 2u);
    scheduler.dispatch(reinterpret_cast<uintptr_t>(static_cast<CActive*>(&stranger))); // not queued: nothing
    scheduler.dispatch(0);
    EXPECT_TRUE(runs.empty()) << "nothing runs before the queue is pumped";
    std::optional<os::Message> message = queue.try_get();
    ASSERT_TRUE(message && message->callback);
    EXPECT_EQ(message->wparam, reinterpret_cast<uintptr_t>(static_cast<CActive*>(&second)));
    message->callback();
    EXPECT_EQ(queue.pump(), 1u);
    EXPECT_EQ(runs, (std::vector<int> {2, 1}));
    EXPECT_FALSE(first.pending_while_running) << "the flag is cleared before run";

    // Objects queue themselves from run; cancelled or destroyed ones never run.
    runs.clear();
    Recorder again(runs, 1), cancelled(runs, 2), kept(runs, 3), requeued(runs, 4);
    auto destroyed = std::make_unique<Recorder>(runs, 5);
    int rounds = 0;
    again.on_run = [&] { EXPECT_TRUE(++rounds >= 3 || scheduler.queue(again)); };
    for (Recorder* active : {&again, &cancelled, destroyed.get(), &kept, &requeued})
        scheduler.queue(*active);
    cancelled.cancel();
    destroyed.reset();
    requeued.cancel(); // queued again: two dispatches name it, it runs for one only
    scheduler.queue(requeued);
    while (queue.pump() > 0) { }
    EXPECT_EQ(runs, (std::vector<int> {1, 3, 4, 1, 1}));
    // A dispatch pumped after its scheduler is gone does nothing.
    std::optional<CActiveScheduler> dying(std::in_place, queue);
    dying->queue(kept);
    kept.cancel();
    dying.reset();
    // A successor in the very same storage, with the object queued anew: a stale dispatch that
    // reached it would run the object early.
    dying.emplace(queue);
    dying->queue(kept);
    std::optional<os::Message> stale = queue.try_get();
    ASSERT_TRUE(stale);
    stale->callback();
    EXPECT_EQ(runs.size(), 5u);
    EXPECT_TRUE(kept.pending());
    queue.pump();
    EXPECT_EQ(runs.back(), 3);
    queue.post_quit(); // queueing on a queue that quit fails and leaves nothing queued
    EXPECT_FALSE(scheduler.queue(kept));
    EXPECT_FALSE(kept.pending());
    os::HeadlessScreen screen({240, 320}); // the screen's own scheduler posts to the screen's loop
    ASSERT_TRUE(screen.scheduler().queue(kept));
    screen.dispatch_pending();
    EXPECT_EQ(runs.size(), 7u);
}

TEST(ActiveSchedulerDeathTest, destroying_with_queued_objects_is_fatal)
{
    EXPECT_EXIT(
        {
            os::MessageQueue queue;
            std::vector<int> runs;
            Recorder active(runs, 1);
            auto scheduler = std::make_unique<CActiveScheduler>(queue);
            scheduler->queue(active);
            scheduler.reset();
        },
        test::failed_exit, "Some active objects still live while scheduler is terminating");
}
