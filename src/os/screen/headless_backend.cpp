#include "os/screen/headless_backend.h"

namespace os {

void HeadlessBackend::attach(Screen&)
{
}

bool HeadlessBackend::wait(int64_t deadline_ms)
{
    if (!m_idle)
        return false;
    m_idle_deadline = deadline_ms;
    // A copy: the handler may replace itself.
    std::function<bool()> idle = m_idle;
    return idle();
}

void HeadlessBackend::advance(int64_t ms)
{
    if (ms > 0)
        m_now += ms;
}

} // namespace os
