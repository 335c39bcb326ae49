#pragma once

// The consuming thread of the backends that play nothing audible (null, file): it takes the
// queued bytes at the rate the format plays them, measured on the steady clock from the moment
// playing (re)starts, or as fast as they come when paced is off, and hands them to played().

#include "os/wave_out/wave_out_queued.h"

#include <chrono>
#include <cstdint>
#include <thread>

namespace os {

// The bytes the format plays in elapsed time, in whole frames.
uint64_t paced_bytes_due(std::chrono::nanoseconds elapsed, uint32_t bytes_per_second, uint32_t block_align);

class WaveOutPaced : public WaveOutQueued {
public:
    enum class Pace {
        RealTime,
        Fast,
    };
    WaveOutPaced(const WaveFormat& format, MessageQueue& queue, Pace pace);

    // Starts the consuming thread and posts MM_WOM_OPEN; false when the thread cannot be created.
    bool start();

protected:
    void stop_backend() override;
    // On the consuming thread, without the lock, in the order played. The headers these bytes
    // came from may have been handed back already.
    virtual void played(const uint8_t* bytes, uint32_t count) = 0;

private:
    void run();
    // With the lock held: waits for headers to play; false when stopping.
    bool wait_for_work(std::unique_lock<std::mutex>& lock);

    const Pace m_pace;
    std::thread m_thread;
};

} // namespace os
