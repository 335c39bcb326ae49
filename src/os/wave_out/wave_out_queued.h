#pragma once

// What every real wave-output backend shares: the queue of written headers, their flags, the
// notices, pause and volume. A backend only consumes bytes: its own thread calls take_locked()
// under m_mutex, which copies bytes out of the queued headers in order and hands back each header
// whose last byte went out. Hand-backs happen under m_mutex, so reset() never races with a
// consuming thread; their notices are posted by post_notices() just after m_mutex is let go, so
// that the driving thread, woken by a notice, does not find the device still locked and block on
// it. Notices keep the order of the hand-backs: they are posted under a second mutex, taken before
// m_mutex is let go.

#include "os/wave_out.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace os {

class WaveOutQueued : public WaveOut {
public:
    WaveOutQueued(const WaveFormat& format, MessageQueue& queue);

    const WaveFormat& format() const final { return m_format; }
    WaveResult prepare(WaveHeader& header) final;
    WaveResult unprepare(WaveHeader& header) final;
    WaveResult write(WaveHeader& header) final;
    WaveResult pause() final;
    WaveResult restart() final;
    WaveResult reset() final;
    WaveResult set_volume(uint32_t volume) final;
    uint32_t volume() const final { return m_volume.load(std::memory_order_relaxed); }
    WaveResult close() final;

protected:
    // Posts MM_WOM_OPEN; the backend's open function calls it once the backend runs.
    void post_open();

    enum class Handback {
        Now, // the header is handed back as soon as its last byte is taken
        NextTake, // at the next take_locked(): the bytes have reached the sound system by then
    };
    // With m_mutex held, on the consuming thread: copies up to count bytes of the queued headers
    // into out (or drops them when out is null) and returns how many were taken: 0 while paused.
    // Headers of length 0 at the front are handed back even when count is 0.
    uint32_t take_locked(uint8_t* out, uint32_t count, Handback handback = Handback::Now);
    // Lets go of m_mutex (held by lock), then posts the notices of the headers handed back under
    // it, in order. Every caller that may have handed headers back (take_locked, lose_locked)
    // ends its hold of m_mutex with it.
    void post_notices(std::unique_lock<std::mutex>& lock);
    bool has_work_locked() const { return !m_paused && !m_queue.empty(); }
    // With m_mutex held, on any thread: the sound output is gone. Every queued header is handed
    // back at once and the device refuses prepare() and write() from now on (close() still works).
    void lose_locked();
    // With m_mutex held: the bytes of the front header not taken yet (0 when none is queued).
    uint32_t front_bytes_locked() const;

    // Ends the consuming thread. Called by close() without m_mutex, and by the backend's own
    // destructor; must be safe to call twice.
    virtual void stop_backend() = 0;

    mutable std::mutex m_mutex;
    // Notified on a write to an empty queue, restart, reset and close (stopping), for a consuming
    // thread that waits.
    std::condition_variable m_changed;
    // Guarded by m_mutex: set by close() before stop_backend().
    bool m_stopping = false;

private:
    void hand_back_locked(WaveHeader& header);
    void hand_back_retired_locked();
    void hand_back_all_locked();

    const WaveFormat m_format;
    MessageQueue& m_notify;
    std::atomic<uint32_t> m_volume {0xFFFFFFFF};
    // Guarded by m_mutex.
    std::deque<WaveHeader*> m_queue;
    std::vector<WaveHeader*> m_retired;
    // Handed back, their notices not posted yet.
    std::vector<WaveHeader*> m_notices;
    // Held while notices are posted; taken only with m_mutex held. Guards m_posting_now.
    std::mutex m_posting;
    std::vector<WaveHeader*> m_posting_now;
    uint32_t m_front_offset = 0;
    bool m_paused = false;
    bool m_closed = false;
    bool m_lost = false;
};

} // namespace os
