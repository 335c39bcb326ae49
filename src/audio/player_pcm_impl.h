#pragma once

// The PCM player's thread and state (see player_pcm.h for the contract). Everything here except
// the request entry points and the queries runs on the player's thread, under the owner's lock.
//
// States: Closed (no device), Playing (buffers are refilled as they come back), Draining (no more
// refills; the device is closed once every buffer is back). Device notices and requests arrive
// as messages on the thread's own queue:
//   WM_USER       evaluate the latest play/stop/pause wishes
//   MM_WOM_OPEN   the device opened: fill the buffers (or close it again if stopped meanwhile)
//   MM_WOM_DONE   a buffer came back: take its peak levels, refill it or finish draining
//   MM_WOM_CLOSE  the device closed: back to Closed, then re-evaluate (a format change reopens)
// A buffer is busy (user field 1) from the moment it is handed to the device until its notice
// has been handled.

#include "audio/blocks.h"
#include "liba/thread.h"
#include "os/message_queue.h"
#include "os/wave_out.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace audio {

class PlayerPCM;

// The device format for a block's format: sample widths are rounded up to whole bytes (a 12-bit
// stream travels in 16-bit containers). Invalid (valid() false) when no device can play it.
os::WaveFormat device_format_for(int32_t channels, int32_t bits_per_sample, int32_t sample_rate);
// The size of one buffer: 200 ms of the format, (rate x 200 / 1000) x block align bytes.
int32_t player_buffer_bytes(const os::WaveFormat& format);
// The device volume word of a volume (clamped to 0.0..1.0): the same 16-bit value, volume x 65535
// truncated, in the low (left) and high (right) halves.
uint32_t player_volume_word(double volume);

struct PeakLevels {
    double level[2] = {0.0, 0.0};
};
// The largest magnitude of channels 0 and 1 over bytes of interleaved PCM, as a fraction of full
// scale. A mono stream gives its level on both. Zero for no data or a zero frame size.
PeakLevels peak_levels(const uint8_t* data, uint32_t bytes, int32_t channels, int32_t bits_per_sample);

class PlayerPCMImpl : private liba::Thread {
public:
    static constexpr int s_header_count = 6;
    // While playing, returned buffers are filled again once no more than this many are still
    // queued: the decoding then runs in bursts of three buffers (600 ms of sound) with 600 ms
    // still queued, instead of one buffer at every return.
    static constexpr int s_refill_at_queued = 3;
    static constexpr int32_t s_frames_per_pull = 16384;
    static constexpr int s_thread_priority = 1;

    // Starts the thread at once.
    PlayerPCMImpl(PlayerPCM& owner, os::WaveOutFactory factory);
    // Requests stop, wakes the thread and joins it; the thread resets and closes an open device
    // as it leaves.
    ~PlayerPCMImpl() override;

    // UI thread.
    bool play();
    bool stop();
    bool pause();
    void set_volume(double volume);
    double get_volume();
    double get_level(int32_t channel);
    bool is_drained();
    bool open_failed();
    bool device_failed();

private:
    enum class State : int32_t {
        Closed = 0,
        Playing = 1,
        Draining = 2,
    };

    void run() override;
    bool post_request();
    void dispatch(const os::Message& message);
    void shut_down();

    // The rest runs on the player's thread with the owner's lock held.
    void evaluate_requests();
    void start_playing();
    void stop_playing();
    void apply_pause(bool want_pause);
    void open_device();
    void open_failed_now();
    void allocate_buffers(int32_t bytes);
    void on_device_opened(uintptr_t device);
    void on_buffer_done(intptr_t header);
    void on_device_closed(uintptr_t device);
    void continue_or_close();
    void close_device();
    void release_device();
    // Fills and queues every free buffer in turn; false on a shortfall (end of stream, a format
    // change or a buffer the device refused), after which no further buffer is filled.
    bool fill_headers();
    bool fill_header(os::WaveHeader& header);
    bool queue_header(os::WaveHeader& header, uint32_t fill_level);
    bool matches_device(const PCMData& block) const;
    int queued_headers() const;
    bool all_headers_free() const;
    void apply_volume();
    // The open device, or null once it has been asked to close.
    os::WaveOut* live_device() const;

    PlayerPCM& m_owner;
    const os::WaveOutFactory m_factory;
    os::MessageQueue m_queue;

    std::unique_ptr<os::WaveOut> m_device;
    std::array<os::WaveHeader, s_header_count> m_headers {};
    std::array<std::unique_ptr<uint8_t[]>, s_header_count> m_buffers;
    int32_t m_buffer_bytes = 0;
    double m_volume = 1.0;
    PeakLevels m_levels;
    // The format of the blocks the open device plays, as the provider gives it; 0 while closed.
    int32_t m_channels = 0;
    int32_t m_bits_per_sample = 0;
    int32_t m_sample_rate = 0;
    PCMData m_pending;
    State m_state = State::Closed;
    bool m_paused = false;
    bool m_open_failed = false;
    // No device opened, or the open one refused a buffer (the sound output went away). The
    // player stays closed until the next request, instead of reopening at once.
    bool m_device_failed = false;
    // The device accepted close() and its close notice is on the way: it takes no other call.
    bool m_device_closing = false;

    // Written by the UI thread without the lock, read by the player's thread.
    std::atomic<bool> m_want_play {false};
    std::atomic<bool> m_want_pause {false};
    // Requests handed over, and (under the lock) how many of them the thread has evaluated.
    std::atomic<uint32_t> m_requests_posted {0};
    uint32_t m_requests_seen = 0;
};

} // namespace audio
