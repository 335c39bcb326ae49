#include "os/active_scheduler.h"

#include "os/active.h"
#include "os/fatal_error.h"
#include "os/screen.h"

#include <algorithm>

struct CActiveScheduler::State {
    std::vector<CActive*> queued;
};

CActiveScheduler::CActiveScheduler(os::MessageQueue& queue)
    : m_post([&queue](os::Message message) { return queue.post(std::move(message)); })
    , m_state(std::make_shared<State>())
{
}

CActiveScheduler::CActiveScheduler(os::Screen& screen)
    : m_post([&screen](os::Message message) { return screen.post_callback(std::move(message.callback)); })
    , m_state(std::make_shared<State>())
{
}

CActiveScheduler::~CActiveScheduler()
{
    if (!m_state->queued.empty())
        os::fatal_error(u"", u"Some active objects still live while scheduler is terminating");
}

bool CActiveScheduler::queue(CActive& active)
{
    if (active.m_pending)
        return false;
    os::Message message;
    message.id = s_dispatch_message;
    message.wparam = reinterpret_cast<uintptr_t>(&active);
    std::weak_ptr<State> state = m_state;
    message.callback = [this, state, address = message.wparam] {
        // The scheduler is alive exactly while its state is.
        if (state.lock())
            dispatch(address);
    };
    active.m_pending = true;
    active.m_scheduler = this;
    m_state->queued.push_back(&active);
    if (m_post(std::move(message)))
        return true;
    remove(active);
    return false;
}

void CActiveScheduler::dispatch(uintptr_t address)
{
    std::vector<CActive*>& queued = m_state->queued;
    auto found = std::find_if(queued.begin(), queued.end(),
        [address](CActive* active) { return reinterpret_cast<uintptr_t>(active) == address; });
    if (found == queued.end())
        return;
    CActive* active = *found;
    remove(*active);
    active->run();
}

size_t CActiveScheduler::queued_count() const
{
    return m_state->queued.size();
}

void CActiveScheduler::remove(CActive& active)
{
    std::erase(m_state->queued, &active);
    active.m_pending = false;
    active.m_scheduler = nullptr;
}
