#pragma once

// Runs queued active objects (see active.h) on the user-interface thread, one at a time, between
// that thread's other messages. Each queue() posts a dispatch message (id WM_USER + 5, the
// object's address as wparam) whose callback runs on the thread that pumps the queue given at
// construction: a thread's message queue, or the loop of a screen (every os::Screen has its own
// scheduler, so queued objects run inside any loop that dispatches, modal ones included). The
// list of queued objects is used only on that thread and has no lock.
//
// A dispatch still waiting in the message queue when the scheduler is destroyed does nothing when
// it is finally pumped. Destroying the scheduler while objects are queued is a fatal error.

#include "liba/nocopy.h"
#include "os/message_queue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace os {
class Screen;
}

class CActive;

class CActiveScheduler : private liba::Nocopy {
public:
    static constexpr uint32_t s_dispatch_message = os::WM_USER + 5;

    explicit CActiveScheduler(os::MessageQueue& queue);
    // Dispatches through the screen's loop (posted as callbacks); the screen must outlive it.
    explicit CActiveScheduler(os::Screen& screen);
    virtual ~CActiveScheduler();

    // Marks the object pending, adds it to the list and posts a dispatch naming it. False (and
    // nothing changes) when it is pending already, here or on another scheduler, or when the queue
    // has quit and accepts no more messages.
    bool queue(CActive& active);
    // The dispatch of one message naming an object: an object that is not in the list (never
    // queued, run already or cancelled) is ignored; otherwise its pending flag is cleared, it
    // leaves the list and runs.
    void dispatch(uintptr_t address);

    size_t queued_count() const;

private:
    friend class CActive;
    struct State;

    // Takes the object out of the list and clears its pending flag.
    void remove(CActive& active);

    // Posts a dispatch message; false when the queue or loop takes no more.
    std::function<bool(os::Message)> m_post;
    // Shared with the posted dispatch callbacks, which hold it weakly: once the scheduler is gone
    // they find nothing and do nothing.
    std::shared_ptr<State> m_state;
};
