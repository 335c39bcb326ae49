#pragma once

// A worker thread whose subclass supplies the body. start() runs run() on a new thread; run()
// tests stop_requested() between units of work. The thread is joined exactly once, by join(), by
// the next start() after it ended, or by the destructor; join() always waits for run() to end.
// A subclass's destructor must request stop, wake the thread and join it before this base goes.

#include "liba/nocopy.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace liba {

class Thread : private Nocopy {
public:
    Thread() = default;
    virtual ~Thread();

    // False when a thread is running already (nothing changes) or cannot be created.
    bool start();
    void request_stop() { m_stop.store(true, std::memory_order_release); }
    bool stop_requested() const { return m_stop.load(std::memory_order_acquire); }
    // Waits without time limit for the thread to end; returns at once when none was started.
    void join();
    bool running() const { return m_running.load(std::memory_order_acquire); }

protected:
    virtual void run() = 0;

private:
    void entry();

    std::thread m_thread;
    std::mutex m_handle_mutex;
    std::atomic<bool> m_stop {false};
    std::atomic<bool> m_running {false};
};

} // namespace liba
