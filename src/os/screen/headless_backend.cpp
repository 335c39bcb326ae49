#include "os/screen/headless_backend.h"

namespace os {

HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::attach(Screen& screen)
{
    m_gamepads = std::make_unique<Gamepads>(screen, Gamepads::Signals::default_handling);
}

void HeadlessBackend::poll()
{
    m_gamepads->poll();
    m_gamepads->repeat(m_now);
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
