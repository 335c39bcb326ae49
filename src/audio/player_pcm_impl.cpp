#include "audio/player_pcm_impl.h"

#include "audio/player_pcm.h"
#include "os/log.h"
#include "os/thread_priority.h"
#include "os/wave_out/pcm_to_float.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace audio {

os::WaveFormat device_format_for(int32_t channels, int32_t bits_per_sample, int32_t sample_rate)
{
    int32_t container = bits_per_sample >= 1 && bits_per_sample <= 32 ? (bits_per_sample + 7) / 8 * 8 : 0;
    return os::WaveFormat {channels, container, sample_rate};
}

int32_t player_buffer_bytes(const os::WaveFormat& format)
{
    if (!format.valid())
        return 0;
    int64_t frames = int64_t(format.sample_rate) * 200 / 1000;
    return static_cast<int32_t>(frames * format.block_align());
}

uint32_t player_volume_word(double volume)
{
    auto half = static_cast<uint32_t>(std::clamp(volume, 0.0, 1.0) * 65535.0);
    return half | half << 16;
}

namespace {

// The peaks of channels 0 and 1 (channel 0 twice for mono) in one pass over the frames: the loop
// runs on the player's thread for every buffer that comes back, so the width is not asked per
// sample.
template<int bits> std::array<int64_t, 2> peaks_of(const uint8_t* data, uint32_t frames, uint32_t frame)
{
    constexpr uint32_t sample_bytes = bits / 8;
    const uint32_t second = frame > sample_bytes ? sample_bytes : 0;
    int64_t left = 0;
    int64_t right = 0;
    for (const uint8_t* p = data; frames > 0; --frames, p += frame) {
        left = std::max(left, std::abs(int64_t(os::pcm_sample<bits>(p))));
        right = std::max(right, std::abs(int64_t(os::pcm_sample<bits>(p + second))));
    }
    return {left, right};
}

} // namespace

PeakLevels peak_levels(const uint8_t* data, uint32_t bytes, int32_t channels, int32_t bits_per_sample)
{
    PeakLevels levels;
    double scale = os::pcm_full_scale(bits_per_sample);
    if (!data || bytes == 0 || channels <= 0 || scale == 0.0)
        return levels;
    const uint32_t frame = uint32_t(bits_per_sample / 8) * uint32_t(channels);
    const uint32_t frames = bytes / frame;
    std::array<int64_t, 2> peaks {};
    switch (bits_per_sample) {
    case 8:
        peaks = peaks_of<8>(data, frames, frame);
        break;
    case 16:
        peaks = peaks_of<16>(data, frames, frame);
        break;
    case 24:
        peaks = peaks_of<24>(data, frames, frame);
        break;
    default:
        peaks = peaks_of<32>(data, frames, frame);
        break;
    }
    for (int c = 0; c < 2; ++c)
        levels.level[c] = std::min(double(peaks[size_t(c)]) / scale, 1.0);
    return levels;
}

PlayerPCMImpl::PlayerPCMImpl(PlayerPCM& owner, os::WaveOutFactory factory)
    : m_owner(owner)
    , m_factory(std::move(factory))
{
    if (!start())
        os::log() << u"PlayerPCM: the player's thread did not start\n";
}

PlayerPCMImpl::~PlayerPCMImpl()
{
    request_stop();
    m_queue.post(os::WM_USER);
    join();
}

// ---- UI thread ----

bool PlayerPCMImpl::post_request()
{
    m_requests_posted.fetch_add(1, std::memory_order_acq_rel);
    if (m_queue.post(os::WM_USER))
        return true;
    m_requests_posted.fetch_sub(1, std::memory_order_acq_rel);
    return false;
}

bool PlayerPCMImpl::play()
{
    m_want_play.store(true, std::memory_order_release);
    m_want_pause.store(false, std::memory_order_release);
    return post_request();
}

bool PlayerPCMImpl::stop()
{
    m_want_play.store(false, std::memory_order_release);
    m_want_pause.store(false, std::memory_order_release);
    return post_request();
}

bool PlayerPCMImpl::pause()
{
    m_want_pause.store(true, std::memory_order_release);
    return post_request();
}

void PlayerPCMImpl::set_volume(double volume)
{
    if (std::isnan(volume))
        return;
    liba::ScopedLock guard(m_owner.lock());
    m_volume = std::clamp(volume, 0.0, 1.0);
    apply_volume();
}

double PlayerPCMImpl::get_volume()
{
    liba::ScopedLock guard(m_owner.lock());
    return m_volume;
}

double PlayerPCMImpl::get_level(int32_t channel)
{
    liba::ScopedLock guard(m_owner.lock());
    return m_levels.level[std::clamp(channel, 0, 1)];
}

bool PlayerPCMImpl::is_drained()
{
    liba::ScopedLock guard(m_owner.lock());
    return m_requests_seen == m_requests_posted.load(std::memory_order_acquire) && m_state == State::Closed
        && !m_device && m_pending.empty();
}

bool PlayerPCMImpl::open_failed()
{
    liba::ScopedLock guard(m_owner.lock());
    return m_open_failed;
}

bool PlayerPCMImpl::device_failed()
{
    liba::ScopedLock guard(m_owner.lock());
    return m_device_failed;
}

// ---- the player's thread ----

void PlayerPCMImpl::run()
{
    // Raising the priority needs a right the user may not have: playing on without it is fine.
    if (!os::set_current_thread_priority(s_thread_priority))
        os::log() << u"PlayerPCM: thread priority not raised\n";
    while (!stop_requested()) {
        os::Message message = m_queue.get();
        if (message.id == os::WM_QUIT)
            break;
        liba::ScopedLock guard(m_owner.lock());
        dispatch(message);
    }
    shut_down();
}

void PlayerPCMImpl::dispatch(const os::Message& message)
{
    switch (message.id) {
    case os::WM_USER:
        evaluate_requests();
        break;
    case os::MM_WOM_OPEN:
        on_device_opened(message.wparam);
        break;
    case os::MM_WOM_DONE:
        on_buffer_done(message.lparam);
        break;
    case os::MM_WOM_CLOSE:
        on_device_closed(message.wparam);
        break;
    default:
        break;
    }
}

void PlayerPCMImpl::shut_down()
{
    liba::ScopedLock guard(m_owner.lock());
    if (os::WaveOut* device = live_device()) {
        device->reset();
        for (os::WaveHeader& header : m_headers) {
            device->unprepare(header);
            header.user = 0;
        }
        device->close();
    }
    m_device.reset();
    m_device_closing = false;
    m_state = State::Closed;
    m_pending = PCMData {};
}

void PlayerPCMImpl::evaluate_requests()
{
    // The count first: the wishes read below are at least as new as the requests counted.
    m_requests_seen = m_requests_posted.load(std::memory_order_acquire);
    bool want_play = m_want_play.load(std::memory_order_acquire);
    bool want_pause = m_want_pause.load(std::memory_order_acquire);
    if (want_play && m_state == State::Closed)
        start_playing();
    else if (!want_play && m_state != State::Closed)
        stop_playing();
    else if (!want_play)
        m_pending = PCMData {}; // a block kept after a failed device belongs to the stopped stream
    apply_pause(want_pause);
}

void PlayerPCMImpl::start_playing()
{
    // The pull is made under the player's lock, like every other: the provider link may be
    // changed (and the old provider deleted) by the UI thread, which takes this lock to do it.
    if (m_pending.empty())
        m_pending = m_owner.request(s_frames_per_pull);
    if (m_pending.empty())
        return;
    m_channels = m_pending.channels;
    m_bits_per_sample = m_pending.bits_per_sample;
    m_sample_rate = m_pending.sample_rate;
    m_state = State::Playing;
    open_device();
}

void PlayerPCMImpl::stop_playing()
{
    // While draining too: the end of the old sound is cut, and a block of another format waiting
    // for the reopen belongs to the stopped stream, so it must not be played by the next play().
    m_state = State::Draining;
    if (os::WaveOut* device = live_device())
        device->reset();
    m_pending = PCMData {};
}

void PlayerPCMImpl::apply_pause(bool want_pause)
{
    // A device on its way to closing is left alone: the wish holds the next device.
    if (want_pause && !m_paused) {
        if (os::WaveOut* device = live_device())
            device->pause();
        m_paused = true;
    } else if (!want_pause && m_paused) {
        if (os::WaveOut* device = live_device())
            device->restart();
        m_paused = false;
    }
}

void PlayerPCMImpl::open_device()
{
    if (m_device)
        return;
    os::WaveFormat format = device_format_for(m_channels, m_bits_per_sample, m_sample_rate);
    if (!format.valid()) {
        os::log() << u"PlayerPCM: no device plays {" << m_channels << u"} channels of {" << m_bits_per_sample
                  << u"} bits at {" << m_sample_rate << u"} Hz\n";
        // Nothing could ever play this block: drop it, so the next play goes on after it.
        m_pending = PCMData {};
        open_failed_now();
        return;
    }
    m_device = m_factory ? m_factory(format, m_queue) : nullptr;
    if (!m_device) {
        os::log() << u"PlayerPCM: the wave output did not open\n";
        m_device_failed = true;
        open_failed_now();
        return;
    }
    m_open_failed = false;
    m_device_failed = false;
    m_device_closing = false;
    allocate_buffers(player_buffer_bytes(format));
    for (os::WaveHeader& header : m_headers)
        header.user = 0;
    // A pause wished while no device was open holds this one too.
    if (m_paused)
        m_device->pause();
}

void PlayerPCMImpl::open_failed_now()
{
    // No device notice will come: back to Closed at once, so that a later play can start.
    m_open_failed = true;
    m_state = State::Closed;
    m_channels = m_bits_per_sample = m_sample_rate = 0;
}

void PlayerPCMImpl::allocate_buffers(int32_t bytes)
{
    if (bytes == m_buffer_bytes)
        return;
    m_buffer_bytes = bytes;
    for (int i = 0; i < s_header_count; ++i) {
        m_buffers[i] = std::make_unique<uint8_t[]>(size_t(bytes));
        m_headers[i].data = m_buffers[i].get();
        m_headers[i].buffer_length = 0;
    }
}

void PlayerPCMImpl::on_device_opened(uintptr_t device)
{
    if (!m_device || device != reinterpret_cast<uintptr_t>(m_device.get()))
        return;
    apply_volume();
    continue_or_close();
}

void PlayerPCMImpl::on_buffer_done(intptr_t done)
{
    auto it = std::find_if(m_headers.begin(), m_headers.end(),
        [done](const os::WaveHeader& header) { return reinterpret_cast<intptr_t>(&header) == done; });
    if (it == m_headers.end() || it->user == 0)
        return;
    // The levels first: the device handed the buffer back before its notice, and the device's
    // thread may still hold the device's lock just after posting it; measuring first lets it go
    // instead of this thread waking only to block on it.
    os::WaveFormat format = device_format_for(m_channels, m_bits_per_sample, m_sample_rate);
    m_levels = peak_levels(it->data, it->buffer_length, format.channels, format.bits_per_sample);
    if (os::WaveOut* device = live_device())
        device->unprepare(*it);
    it->user = 0;
    continue_or_close();
}

void PlayerPCMImpl::continue_or_close()
{
    if (m_state == State::Playing) {
        if (queued_headers() > s_refill_at_queued)
            return;
        if (!fill_headers())
            m_state = State::Draining;
    } else if (m_state == State::Draining && all_headers_free() && live_device()) {
        close_device();
    }
}

void PlayerPCMImpl::close_device()
{
    if (m_device->close() == os::WaveResult::Ok) {
        m_device_closing = true;
        return;
    }
    // A device that will not close would hold the player in Draining for ever: give it up.
    os::log() << u"PlayerPCM: the wave output did not close\n";
    release_device();
}

void PlayerPCMImpl::on_device_closed(uintptr_t device)
{
    if (!m_device || device != reinterpret_cast<uintptr_t>(m_device.get()))
        return;
    release_device();
}

void PlayerPCMImpl::release_device()
{
    for (os::WaveHeader& header : m_headers) {
        if (os::WaveOut* device = live_device())
            device->unprepare(header);
        header.user = 0;
    }
    m_device_closing = false;
    m_state = State::Closed;
    m_levels = PeakLevels {};
    m_channels = m_bits_per_sample = m_sample_rate = 0;
    m_device.reset();
    // A play still wanted starts again, with the block of the new format if one waits; after a
    // failed device only a new request tries again (reopening at once could fail for ever, each
    // time dropping what the refused buffers held).
    if (!m_device_failed)
        m_queue.post(os::WM_USER);
}

bool PlayerPCMImpl::fill_headers()
{
    for (os::WaveHeader& header : m_headers) {
        if (header.user != 0)
            continue;
        if (!fill_header(header))
            return false;
    }
    return true;
}

bool PlayerPCMImpl::fill_header(os::WaveHeader& header)
{
    uint32_t fill_level = 0;
    uint32_t remaining = uint32_t(m_buffer_bytes);
    // A block of another format waits in pending for the device to be reopened.
    while (m_pending.empty() || matches_device(m_pending)) {
        uint32_t n = std::min(m_pending.size(), remaining);
        if (n > 0)
            std::memcpy(header.data + fill_level, m_pending.data.data(), n);
        fill_level += n;
        remaining -= n;
        m_pending = m_pending.slice(n, m_pending.size() - n);
        if (m_pending.empty()) {
            m_pending = m_owner.request(s_frames_per_pull);
            if (m_pending.empty())
                break;
        }
        if (remaining == 0)
            break;
    }
    bool queued = queue_header(header, fill_level);
    return queued && remaining == 0;
}

bool PlayerPCMImpl::queue_header(os::WaveHeader& header, uint32_t fill_level)
{
    header.buffer_length = fill_level;
    header.user = 1;
    if (m_device->prepare(header) == os::WaveResult::Ok && m_device->write(header) == os::WaveResult::Ok)
        return true;
    // A refused buffer never comes back: it must not count as busy, or draining would never end.
    os::log() << u"PlayerPCM: the wave output refused a buffer\n";
    m_device->unprepare(header);
    header.user = 0;
    m_device_failed = true;
    return false;
}

bool PlayerPCMImpl::matches_device(const PCMData& block) const
{
    return block.channels == m_channels && block.bits_per_sample == m_bits_per_sample
        && block.sample_rate == m_sample_rate;
}

int PlayerPCMImpl::queued_headers() const
{
    return int(std::count_if(
        m_headers.begin(), m_headers.end(), [](const os::WaveHeader& header) { return header.user != 0; }));
}

bool PlayerPCMImpl::all_headers_free() const
{
    return std::all_of(
        m_headers.begin(), m_headers.end(), [](const os::WaveHeader& header) { return header.user == 0; });
}

void PlayerPCMImpl::apply_volume()
{
    if (os::WaveOut* device = live_device())
        device->set_volume(player_volume_word(m_volume));
}

os::WaveOut* PlayerPCMImpl::live_device() const
{
    return m_device_closing ? nullptr : m_device.get();
}

} // namespace audio
