#include "liba/thread.h"

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
    run();
    m_running.store(false, std::memory_order_release);
}

void Thread::join()
{
    std::lock_guard guard(m_handle_mutex);
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

} // namespace liba
