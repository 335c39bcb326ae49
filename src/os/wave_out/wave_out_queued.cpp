#include "os/wave_out/wave_out_queued.h"

#include <algorithm>
#include <cstring>

namespace os {

WaveOutQueued::WaveOutQueued(const WaveFormat& format, MessageQueue& queue)
    : m_format(format)
    , m_notify(queue)
{
}

void WaveOutQueued::post_open()
{
    m_notify.post(MM_WOM_OPEN, reinterpret_cast<uintptr_t>(static_cast<WaveOut*>(this)));
}

WaveResult WaveOutQueued::prepare(WaveHeader& header)
{
    std::lock_guard guard(m_mutex);
    if (m_closed || m_lost)
        return WaveResult::Error;
    if (!header.data && header.buffer_length > 0)
        return WaveResult::InvalidParam;
    if (header.flags & WHDR_INQUEUE)
        return WaveResult::StillPlaying;
    header.flags |= WHDR_PREPARED;
    return WaveResult::Ok;
}

WaveResult WaveOutQueued::unprepare(WaveHeader& header)
{
    // Allowed after close as well: the owner releases its headers when the close notice comes.
    std::lock_guard guard(m_mutex);
    if (header.flags & WHDR_INQUEUE)
        return WaveResult::StillPlaying;
    header.flags &= ~WHDR_PREPARED;
    return WaveResult::Ok;
}

WaveResult WaveOutQueued::write(WaveHeader& header)
{
    bool was_empty = false;
    {
        std::lock_guard guard(m_mutex);
        if (m_closed || m_lost)
            return WaveResult::Error;
        if (!header.data && header.buffer_length > 0)
            return WaveResult::InvalidParam;
        if (!(header.flags & WHDR_PREPARED))
            return WaveResult::Unprepared;
        if (header.flags & WHDR_INQUEUE)
            return WaveResult::StillPlaying;
        header.flags = (header.flags & ~WHDR_DONE) | WHDR_INQUEUE;
        was_empty = m_queue.empty();
        m_queue.push_back(&header);
    }
    // A consuming thread waits for work only while the queue is empty: a header queued behind
    // others changes nothing it waits for, and waking it would cost a context switch a buffer.
    if (was_empty)
        m_changed.notify_all();
    return WaveResult::Ok;
}

WaveResult WaveOutQueued::pause()
{
    std::lock_guard guard(m_mutex);
    if (m_closed)
        return WaveResult::Error;
    m_paused = true;
    return WaveResult::Ok;
}

WaveResult WaveOutQueued::restart()
{
    {
        std::lock_guard guard(m_mutex);
        if (m_closed)
            return WaveResult::Error;
        m_paused = false;
    }
    m_changed.notify_all();
    return WaveResult::Ok;
}

WaveResult WaveOutQueued::reset()
{
    {
        std::unique_lock lock(m_mutex);
        if (m_closed)
            return WaveResult::Error;
        hand_back_all_locked();
        post_notices(lock);
    }
    m_changed.notify_all();
    return WaveResult::Ok;
}

void WaveOutQueued::lose_locked()
{
    if (m_lost || m_closed)
        return;
    m_lost = true;
    hand_back_all_locked();
}

void WaveOutQueued::hand_back_all_locked()
{
    hand_back_retired_locked();
    while (!m_queue.empty()) {
        WaveHeader* header = m_queue.front();
        m_queue.pop_front();
        hand_back_locked(*header);
    }
    m_front_offset = 0;
}

WaveResult WaveOutQueued::set_volume(uint32_t volume)
{
    std::lock_guard guard(m_mutex);
    if (m_closed)
        return WaveResult::Error;
    m_volume.store(volume, std::memory_order_relaxed);
    return WaveResult::Ok;
}

WaveResult WaveOutQueued::close()
{
    {
        std::lock_guard guard(m_mutex);
        if (m_closed)
            return WaveResult::Error;
        if (!m_queue.empty() || !m_retired.empty())
            return WaveResult::StillPlaying;
        m_closed = true;
        m_stopping = true;
    }
    m_changed.notify_all();
    stop_backend();
    m_notify.post(MM_WOM_CLOSE, reinterpret_cast<uintptr_t>(static_cast<WaveOut*>(this)));
    return WaveResult::Ok;
}

uint32_t WaveOutQueued::take_locked(uint8_t* out, uint32_t count, Handback handback)
{
    hand_back_retired_locked();
    if (m_paused)
        return 0;
    uint32_t taken = 0;
    while (!m_queue.empty()) {
        WaveHeader& header = *m_queue.front();
        uint32_t n = std::min(header.buffer_length - m_front_offset, count - taken);
        if (n > 0 && out)
            std::memcpy(out + taken, header.data + m_front_offset, n);
        taken += n;
        m_front_offset += n;
        if (m_front_offset < header.buffer_length)
            break;
        m_queue.pop_front();
        m_front_offset = 0;
        if (handback == Handback::Now)
            hand_back_locked(header);
        else
            m_retired.push_back(&header);
    }
    return taken;
}

uint32_t WaveOutQueued::front_bytes_locked() const
{
    return m_queue.empty() ? 0 : m_queue.front()->buffer_length - m_front_offset;
}

void WaveOutQueued::hand_back_retired_locked()
{
    for (WaveHeader* header : m_retired)
        hand_back_locked(*header);
    m_retired.clear();
}

void WaveOutQueued::hand_back_locked(WaveHeader& header)
{
    header.flags = (header.flags & ~WHDR_INQUEUE) | WHDR_DONE;
    m_notices.push_back(&header);
}

void WaveOutQueued::post_notices(std::unique_lock<std::mutex>& lock)
{
    if (m_notices.empty()) {
        lock.unlock();
        return;
    }
    std::lock_guard posting(m_posting);
    m_posting_now.swap(m_notices);
    lock.unlock();
    // The header belongs to the driving thread again as soon as its notice is posted.
    for (WaveHeader* header : m_posting_now)
        m_notify.post(MM_WOM_DONE, reinterpret_cast<uintptr_t>(static_cast<WaveOut*>(this)),
            reinterpret_cast<intptr_t>(header));
    m_posting_now.clear();
}

} // namespace os
