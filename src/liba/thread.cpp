#include "liba/thread.h"

#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

namespace liba {

Thread::~Thread()
{
    join();
}

bool Thread::start()
{
    std::lock_guard guard(m_handle_mutex);
    if (m_running.load(std::memory_order_acquire))
        return false;
    // A thread that ended by itself is released here, once.
    if (m_thread.joinable())
        m_thread.join();
    m_stop.store(false, std::memory_order_release);
    m_running.store(true, std::memory_order_release);
    try {
        m_thread = std::thread([this] { entry(); });
    } catch (const std::system_error&) {
        m_running.store(false, std::memory_order_release);
        return false;
    }
    return true;
}

void Thread::entry()
{
    m_thread_id.store(static_cast<int32_t>(::gettid()), std::memory_order_release);
    run();
    m_thread_id.store(0, std::memory_order_release);
    m_running.store(false, std::memory_order_release);
}

void Thread::join()
{
    std::lock_guard guard(m_handle_mutex);
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

int Thread::platform_priority(int level)
{
    static constexpr int s_priorities[] = {5, 4, 3, 2, 1};
    return s_priorities[std::clamp(level + 2, 0, 4)];
}

bool Thread::set_priority(int level)
{
    // Platform priority 3 is normal; each step is five nice levels.
    int nice = (platform_priority(level) - 3) * 5;
    int32_t id = m_thread_id.load(std::memory_order_acquire);
    // Just after start() the new thread may not have recorded its id yet.
    while (id == 0 && m_running.load(std::memory_order_acquire)) {
        std::this_thread::yield();
        id = m_thread_id.load(std::memory_order_acquire);
    }
    if (id == 0)
        return false;
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(id), nice) == 0;
}

} // namespace liba
