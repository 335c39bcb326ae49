#include "os/wave_out/wave_out_paced.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace os {

namespace {

using Clock = std::chrono::steady_clock;

// Bytes taken at a time at most: 200 ms of sound when paced, larger blocks when not.
uint32_t chunk_bytes(const WaveFormat& format, WaveOutPaced::Pace pace)
{
    uint32_t align = std::max<uint32_t>(format.block_align(), 1);
    uint32_t bytes = pace == WaveOutPaced::Pace::Fast ? 65536 : align * uint32_t(format.sample_rate) / 5;
    return std::max(bytes - bytes % align, align);
}

} // namespace

uint64_t paced_bytes_due(std::chrono::nanoseconds elapsed, uint32_t bytes_per_second, uint32_t block_align)
{
    if (elapsed.count() <= 0 || block_align == 0)
        return 0;
    // Whole seconds and the rest apart, so that long runs cannot overflow.
    uint64_t ns = uint64_t(elapsed.count());
    uint64_t bytes
        = ns / 1'000'000'000 * bytes_per_second + ns % 1'000'000'000 * bytes_per_second / 1'000'000'000;
    return bytes - bytes % block_align;
}

WaveOutPaced::WaveOutPaced(const WaveFormat& format, MessageQueue& queue, Pace pace)
    : WaveOutQueued(format, queue)
    , m_pace(pace)
{
}

bool WaveOutPaced::start()
{
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return false;
    }
    post_open();
    return true;
}

void WaveOutPaced::stop_backend()
{
    {
        std::lock_guard guard(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool WaveOutPaced::wait_for_work(std::unique_lock<std::mutex>& lock)
{
    m_changed.wait(lock, [this] { return m_stopping || has_work_locked(); });
    return !m_stopping;
}

void WaveOutPaced::run()
{
    const uint32_t bytes_per_second = format().block_align() * uint32_t(format().sample_rate);
    std::vector<uint8_t> chunk(chunk_bytes(format(), m_pace));
    // The clock restarts whenever playing resumes after a pause or after the queue ran dry.
    bool idle = true;
    Clock::time_point start;
    uint64_t sent = 0;
    for (;;) {
        std::unique_lock lock(m_mutex);
        if (!has_work_locked())
            idle = true;
        if (!wait_for_work(lock))
            return;
        if (idle) {
            start = Clock::now();
            sent = 0;
            idle = false;
        }
        uint32_t want = uint32_t(chunk.size());
        if (m_pace == Pace::RealTime) {
            // As a sound card does, a header goes back when its last byte has been heard: the
            // thread wakes once a header (or once 200 ms of a longer one), not more often.
            want = std::min(want, front_bytes_locked());
            uint64_t due
                = paced_bytes_due(Clock::now() - start, bytes_per_second, format().block_align()) - sent;
            if (due < want) {
                // Sleep until a whole chunk is due; any change of the queue wakes the thread early.
                auto next
                    = start + std::chrono::nanoseconds((sent + want) * 1'000'000'000 / bytes_per_second);
                m_changed.wait_until(lock, next);
                continue;
            }
        }
        uint32_t taken = take_locked(chunk.data(), want);
        sent += taken;
        post_notices(lock);
        if (taken > 0)
            played(chunk.data(), taken);
    }
}

} // namespace os
