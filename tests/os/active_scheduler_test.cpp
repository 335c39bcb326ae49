#include "os/active_scheduler.h"

#include "os/active.h"
#include "os/screen/headless_screen.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sys/wait.h>
#include <vector>

namespace {

class Recorder final : public CActive {
public:
    Recorder(std::vector<int>& log, int id)
        : m_log(log)
        , m_id(id)
    {
    }

    std::function<void()> on_run;
    bool pending_while_running = true;

protected:
    void run() override
    {
        pending_while_running = pending();
        m_log.push_back(m_id);
        if (on_run)
            on_run();
    }

private:
    std::vector<int>& m_log;
    int m_id;
};

// A message queue with its scheduler, and the log of runs.
class ActiveScheduler : public testing::Test {
protected:
    static uintptr_t name_of(Recorder& active)
    {
        return reinterpret_cast<uintptr_t>(static_cast<CActive*>(&active));
    }

    os::MessageQueue queue;
    CActiveScheduler scheduler {queue};
    std::vector<int> runs;
};

} // namespace

TEST_F(ActiveScheduler, queued_object_runs_once_when_the_queue_is_pumped)
{
    Recorder active(runs, 1);
    ASSERT_TRUE(scheduler.queue(active));
    EXPECT_TRUE(active.pending());
    EXPECT_EQ(scheduler.queued_count(), 1u);
    EXPECT_TRUE(runs.empty()) << "nothing runs before the queue is pumped";
    EXPECT_EQ(queue.pump(), 1u);
    EXPECT_EQ(runs, std::vector<int> {1});
    EXPECT_FALSE(active.pending_while_running) << "the flag is cleared before run";
    EXPECT_FALSE(active.pending());
    EXPECT_EQ(scheduler.queued_count(), 0u);
    queue.pump();
    EXPECT_EQ(runs.size(), 1u);
}

TEST_F(ActiveScheduler, dispatch_message_names_the_object)
{
    Recorder active(runs, 1);
    scheduler.queue(active);
    std::optional<os::Message> message = queue.try_get();
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->id, os::WM_USER + 5);
    EXPECT_EQ(message->wparam, name_of(active));
    ASSERT_TRUE(message->callback);
    message->callback();
    EXPECT_EQ(runs, std::vector<int> {1});
}

TEST_F(ActiveScheduler, objects_run_in_queueing_order)
{
    Recorder first(runs, 1);
    Recorder second(runs, 2);
    Recorder third(runs, 3);
    scheduler.queue(second);
    scheduler.queue(first);
    scheduler.queue(third);
    queue.pump();
    EXPECT_EQ(runs, (std::vector<int> {2, 1, 3}));
}

TEST_F(ActiveScheduler, queueing_a_pending_object_again_is_refused_and_it_runs_once)
{
    CActiveScheduler other(queue);
    Recorder active(runs, 1);
    ASSERT_TRUE(scheduler.queue(active));
    EXPECT_FALSE(scheduler.queue(active));
    EXPECT_FALSE(other.queue(active));
    EXPECT_EQ(queue.size(), 1u);
    EXPECT_EQ(scheduler.queued_count(), 1u);
    EXPECT_EQ(other.queued_count(), 0u);
    queue.pump();
    EXPECT_EQ(runs, std::vector<int> {1});
}

TEST_F(ActiveScheduler, dispatch_naming_an_object_not_queued_changes_nothing)
{
    Recorder queued(runs, 1);
    Recorder stranger(runs, 2);
    scheduler.queue(queued);
    scheduler.dispatch(name_of(stranger));
    scheduler.dispatch(0);
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(scheduler.queued_count(), 1u);
    EXPECT_TRUE(queued.pending());
    queue.pump();
    EXPECT_EQ(runs, std::vector<int> {1});
}

TEST_F(ActiveScheduler, object_may_queue_itself_again_from_run)
{
    Recorder active(runs, 1);
    int rounds = 0;
    active.on_run = [&] {
        if (++rounds < 3) {
            EXPECT_TRUE(scheduler.queue(active));
        }
    };
    scheduler.queue(active);
    while (queue.pump() > 0) { }
    EXPECT_EQ(runs, (std::vector<int> {1, 1, 1}));
    EXPECT_EQ(scheduler.queued_count(), 0u);
}

TEST_F(ActiveScheduler, cancelled_or_destroyed_objects_never_run)
{
    Recorder cancelled(runs, 1);
    auto destroyed = std::make_unique<Recorder>(runs, 2);
    Recorder kept(runs, 3);
    scheduler.queue(cancelled);
    scheduler.queue(*destroyed);
    scheduler.queue(kept);
    cancelled.cancel();
    EXPECT_FALSE(cancelled.pending());
    destroyed.reset();
    EXPECT_EQ(scheduler.queued_count(), 1u);
    queue.pump();
    EXPECT_EQ(runs, std::vector<int> {3});
}

TEST_F(ActiveScheduler, object_queued_again_after_cancel_runs_once)
{
    Recorder active(runs, 1);
    scheduler.queue(active);
    active.cancel();
    scheduler.queue(active);
    // Two dispatches name the object; it is in the list for the first only.
    EXPECT_EQ(queue.pump(), 2u);
    EXPECT_EQ(runs, std::vector<int> {1});
}

TEST_F(ActiveScheduler, queueing_on_a_queue_that_quit_fails_and_leaves_nothing_queued)
{
    Recorder active(runs, 1);
    queue.post_quit();
    EXPECT_FALSE(scheduler.queue(active));
    EXPECT_FALSE(active.pending());
    EXPECT_EQ(scheduler.queued_count(), 0u);
}

TEST_F(ActiveScheduler, dispatch_pumped_after_the_scheduler_is_gone_does_nothing)
{
    Recorder active(runs, 1);
    std::optional<CActiveScheduler> dying;
    dying.emplace(queue);
    dying->queue(active);
    active.cancel();
    dying.reset();
    // A successor in the very same storage, with the object queued anew: a stale dispatch that
    // reached it would run the object early.
    dying.emplace(queue);
    dying->queue(active);
    EXPECT_EQ(queue.size(), 2u);
    std::optional<os::Message> stale = queue.try_get();
    ASSERT_TRUE(stale.has_value());
    stale->callback();
    EXPECT_TRUE(runs.empty());
    EXPECT_TRUE(active.pending());
    queue.pump();
    EXPECT_EQ(runs, std::vector<int> {1});
}

TEST(ActiveSchedulerDeathTest, destroying_with_queued_objects_is_fatal)
{
    auto exited_with_failure = [](int status) { return WIFEXITED(status) && WEXITSTATUS(status) != 0; };
    EXPECT_EXIT(
        {
            os::MessageQueue queue;
            std::vector<int> runs;
            Recorder active(runs, 1);
            auto scheduler = std::make_unique<CActiveScheduler>(queue);
            scheduler->queue(active);
            scheduler.reset();
        },
        exited_with_failure, "Some active objects still live while scheduler is terminating");
}

// The screen's own scheduler: objects queued from the UI thread run from whichever loop of the
// screen dispatches next, nested ones included, and not after the screen quit.
TEST(ScreenScheduler, queued_objects_run_inside_a_nested_loop_and_not_after_quit)
{
    os::HeadlessScreen screen({240, 320});
    CActiveScheduler& scheduler = screen.scheduler();
    std::vector<int> runs;
    Recorder outer(runs, 1);
    Recorder inner(runs, 2);
    bool nested_ended = false;
    outer.on_run = [&] {
        // A modal loop inside the run: the object queued now runs in it.
        EXPECT_TRUE(scheduler.queue(inner));
        nested_ended = screen.run_until([&] { return !inner.pending(); });
    };
    ASSERT_TRUE(scheduler.queue(outer));
    EXPECT_TRUE(runs.empty()) << "nothing runs before the loop dispatches";
    screen.dispatch_pending();
    EXPECT_TRUE(nested_ended);
    EXPECT_EQ(runs, (std::vector<int> {1, 2}));
    EXPECT_EQ(scheduler.queued_count(), 0u);

    screen.post_quit();
    EXPECT_FALSE(scheduler.queue(outer));
    EXPECT_FALSE(outer.pending());
}
