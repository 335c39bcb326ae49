#include "audio/equalizer_pcm.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace audio {

namespace {

constexpr double q28 = 268435456.0;
// 100/201, just below half the rate: a centre frequency at or above this share of the rate
// disables the band (blocks pass through).
constexpr double max_frequency_ratio = 0.49751243781094534;
constexpr double two_pi = 6.283185307179586;
constexpr double half_ln2 = 0.34657359027997264;
// Feed-forward coefficients stay below this (about +30 dB of wide boost) so that the five
// products of a sample (inputs within 2^27, outputs within 2^31) always sum inside 64 bits.
constexpr double max_feed_forward = 32.0;

// 16-bit samples are little-endian, as the machine's own words are.
static_assert(std::endian::native == std::endian::little);

// Input samples into the working scale (full scale 2^27).
void load_samples(const PCMData& in, uint32_t samples, int32_t* out)
{
    const uint8_t* bytes = in.data.data();
    if (in.bits_per_sample == 16) {
        int16_t words[1024];
        for (uint32_t done = 0; done < samples;) {
            uint32_t n = std::min<uint32_t>(samples - done, 1024);
            std::memcpy(words, bytes + 2 * size_t(done), 2 * size_t(n));
            for (uint32_t i = 0; i < n; ++i)
                out[done + i] = int32_t(words[i]) * 4096;
            done += n;
        }
    } else {
        for (uint32_t i = 0; i < samples; ++i)
            out[i] = (int32_t(bytes[i]) - 128) * 1048576;
    }
}

// Working-scale samples back to the input's width. Samples beyond the 16-bit range (a boosted
// half-wave longer than the delay reaches the output before the limiter has seen all of it) are
// clamped rather than wrapped.
void store_samples(const int32_t* samples, uint32_t count, int32_t bits, uint8_t* out)
{
    if (bits == 16) {
        int16_t words[1024];
        for (uint32_t done = 0; done < count;) {
            uint32_t n = std::min<uint32_t>(count - done, 1024);
            for (uint32_t i = 0; i < n; ++i)
                words[i] = static_cast<int16_t>(std::clamp(samples[done + i] >> 12, -32768, 32767));
            std::memcpy(out + 2 * size_t(done), words, 2 * size_t(n));
            done += n;
        }
    } else {
        for (uint32_t i = 0; i < count; ++i)
            out[i] = static_cast<uint8_t>(std::clamp((samples[i] >> 20) + 128, 0, 255));
    }
}

int64_t magnitude(int32_t v)
{
    return v < 0 ? -int64_t(v) : int64_t(v);
}

bool changes_sign(int32_t before, int32_t now)
{
    return (before >= 0 && now < 0) || (before <= 0 && now > 0);
}

// One channel's filter memory during a block, widened to 64 bits for the products.
struct Memory {
    int64_t x1, x2, y1, y2;
};

// One biquad step. The sum is 64-bit (kept in range by the coefficient bounds); the result is
// saturated to 32 bits, so an extreme boost clips instead of wrapping round.
inline int32_t biquad(const EqualizerPCM::Coefficients& k, int32_t x, Memory& m)
{
    int64_t wide = (k.b0 * x + k.b1 * m.x1 + k.b2 * m.x2 - k.a1 * m.y1 - k.a2 * m.y2) >> 28;
    auto y = static_cast<int32_t>(wide);
    if (y != wide) [[unlikely]]
        y = wide < 0 ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
    m.x2 = m.x1;
    m.x1 = x;
    m.y2 = m.y1;
    m.y1 = y;
    return y;
}

} // namespace

EqualizerPCM::~EqualizerPCM()
{
    connect(nullptr);
    liba::ScopedLock guard(m_lock);
}

void EqualizerPCM::set_frequency(double hz)
{
    liba::ScopedLock guard(m_lock);
    m_frequency = hz;
    m_coefficients_valid = false;
}

void EqualizerPCM::set_width(double octaves)
{
    liba::ScopedLock guard(m_lock);
    m_width = octaves;
    m_coefficients_valid = false;
}

void EqualizerPCM::set_amplitude(double db)
{
    liba::ScopedLock guard(m_lock);
    m_amplitude = db;
    m_coefficients_valid = false;
}

void EqualizerPCM::reset()
{
    liba::ScopedLock guard(m_lock);
    m_coefficients_valid = false;
    clear_filter_state();
    m_delay = PCMData {};
    m_delay_start = 0;
    m_limiter_position = {0, 0};
}

double EqualizerPCM::frequency()
{
    liba::ScopedLock guard(m_lock);
    return m_frequency;
}

double EqualizerPCM::width()
{
    liba::ScopedLock guard(m_lock);
    return m_width;
}

double EqualizerPCM::amplitude()
{
    liba::ScopedLock guard(m_lock);
    return m_amplitude;
}

uint32_t EqualizerPCM::delay_line_size()
{
    liba::ScopedLock guard(m_lock);
    return m_delay.size();
}

int32_t EqualizerPCM::limiter_position(int32_t channel)
{
    liba::ScopedLock guard(m_lock);
    return m_limiter_position.at(static_cast<size_t>(channel));
}

std::optional<EqualizerPCM::Coefficients> EqualizerPCM::compute_coefficients(
    double frequency, double width, double amplitude, int32_t rate)
{
    double fs = rate;
    if (rate < 1 || frequency >= fs * max_frequency_ratio)
        return std::nullopt;
    double a = std::pow(10.0, amplitude * 0.025);
    double w0 = two_pi * frequency / fs;
    double alpha = std::sin(w0) * std::sinh(width * half_ln2);
    // A negative alpha (negative frequency or width) puts the poles outside the unit circle.
    if (!(alpha >= 0.0))
        return std::nullopt;
    double a0 = 1.0 + alpha / a;
    double b0 = (1.0 + alpha * a) / a0;
    double b1 = -2.0 * std::cos(w0) / a0;
    double b2 = (1.0 - alpha * a) / a0;
    double a1 = -2.0 * std::cos(w0) / a0;
    double a2 = (1.0 - alpha / a) / a0;
    for (double value : {b0, b1, b2, a1, a2}) {
        if (!std::isfinite(value) || std::fabs(value) >= max_feed_forward)
            return std::nullopt;
    }
    return Coefficients {static_cast<int64_t>(b0 * q28), static_cast<int64_t>(b1 * q28),
        static_cast<int64_t>(b2 * q28), static_cast<int64_t>(a1 * q28), static_cast<int64_t>(a2 * q28)};
}

bool EqualizerPCM::can_process(const PCMData& in)
{
    bool format = (in.channels == 1 || in.channels == 2)
        && (in.bits_per_sample == 8 || in.bits_per_sample == 16) && in.sample_rate >= 1
        && in.sample_rate <= max_sample_rate;
    return format && in.frames() > 0;
}

bool EqualizerPCM::prepare_coefficients(int32_t rate)
{
    if (rate != m_coefficient_rate) {
        m_coefficient_rate = rate;
        m_coefficients_valid = false;
    }
    if (m_coefficients_valid)
        return true;
    auto coefficients = compute_coefficients(m_frequency, m_width, m_amplitude, rate);
    if (!coefficients)
        return false;
    m_coefficients = *coefficients;
    clear_filter_state();
    m_coefficients_valid = true;
    return true;
}

// Makes room for needed_frames from the line's start. Keeps the allocation when it has the
// input's channels and rate and room for them (moving the last delay_frames to its front when the
// line has wandered too far into it); otherwise makes one twice that size, carrying the line over
// only when the format stays.
bool EqualizerPCM::prepare_delay_line(const PCMData& in, uint32_t delay_frames, uint32_t needed_frames)
{
    bool same_format = m_delay.channels == in.channels && m_delay.sample_rate == in.sample_rate;
    uint32_t frame_bytes = m_delay.frame_size();
    if (same_format && m_delay.frames() >= uint64_t(m_delay_start) + needed_frames)
        return true;
    if (same_format && m_delay.frames() >= needed_frames) {
        uint8_t* line = m_delay.data.writable();
        std::memmove(line, line + size_t(m_delay_start) * frame_bytes, size_t(delay_frames) * frame_bytes);
        m_delay_start = 0;
        return true;
    }
    uint64_t bytes = uint64_t(needed_frames) * uint64_t(in.channels) * 8;
    if (bytes > std::numeric_limits<uint32_t>::max())
        return false;
    PCMData line {liba::DataBuffer::make(static_cast<uint32_t>(bytes)), in.channels, 32, in.sample_rate};
    line.data.fill(0);
    if (same_format) {
        std::memcpy(line.data.writable(), m_delay.data.data() + size_t(m_delay_start) * frame_bytes,
            size_t(delay_frames) * frame_bytes);
    } else {
        // The old content belongs to another format; the limiter starts over with the new line.
        m_limiter_position = {0, 0};
    }
    m_delay = std::move(line);
    m_delay_start = 0;
    return true;
}

// The biquad in place over interleaved samples: with two channels the channel alternates sample
// by sample, starting with channel 0; with one, every sample is channel 0's.
void EqualizerPCM::filter(int32_t* samples, uint32_t frames, int32_t channels)
{
    // The channels are independent, so each is filtered in a pass of its own over the
    // interleaved samples: with one channel's memory and the coefficients in locals, the loop
    // keeps everything in registers.
    const Coefficients k = m_coefficients;
    for (int32_t c = 0; c < channels; ++c) {
        ChannelState& state = m_state[size_t(c)];
        Memory m {state.x1, state.x2, state.y1, state.y2};
        int32_t* sample = samples + c;
        for (uint32_t i = 0; i < frames; ++i, sample += channels)
            *sample = biquad(k, *sample, m);
        state = {int32_t(m.x1), int32_t(m.x2), int32_t(m.y1), int32_t(m.y2)};
    }
}

int32_t EqualizerPCM::limit_channel(
    int32_t* samples, int32_t channels, int32_t channel, int32_t position, int32_t end)
{
    const auto stride = size_t(channels);
    int32_t* base = samples + size_t(channel);
    while (position < end) {
        int32_t start = position;
        // Scan the half-wave: up to the first sample whose sign changes against the one before.
        const int32_t* sample = base + size_t(start) * stride;
        int32_t previous = *sample;
        int64_t peak = magnitude(previous);
        int32_t stop = start + 1;
        for (; stop < end; ++stop) {
            sample += stride;
            int32_t value = *sample;
            if (changes_sign(previous, value))
                break;
            peak = std::max(peak, magnitude(value));
            previous = value;
        }
        // Ends on a sample that is not zero: the half-wave may go on in the next block.
        if (stop == end && previous != 0)
            return start;
        if (peak > limiter_threshold) {
            int64_t target = peak > full_scale ? full_scale : (peak + limiter_threshold) / 2;
            int32_t* scaled_sample = base + size_t(start) * stride;
            for (int32_t frame = start; frame < stop; ++frame, scaled_sample += stride) {
                int64_t scaled = int64_t(*scaled_sample) * target / peak;
                *scaled_sample
                    = static_cast<int32_t>(std::clamp<int64_t>(scaled, -full_scale, full_scale - 1));
            }
        }
        position = stop;
    }
    return position;
}

void EqualizerPCM::shift_delay_line(uint32_t frames)
{
    m_delay_start += frames;
    for (int32_t& position : m_limiter_position)
        position = position - int32_t(frames) > 0 ? position - int32_t(frames) : 0;
}

void EqualizerPCM::clear_filter_state()
{
    m_state = {};
}

PCMData EqualizerPCM::process(const PCMData& in)
{
    if (m_amplitude == 0.0 || !can_process(in) || !prepare_coefficients(in.sample_rate))
        return in;
    uint32_t frames = in.frames();
    uint32_t delay = uint32_t(in.sample_rate / 10);
    uint32_t needed = delay + frames;
    if (!prepare_delay_line(in, delay, needed))
        return in;

    auto channels = uint32_t(in.channels);
    uint32_t count = frames * channels;
    auto* line = reinterpret_cast<int32_t*>(m_delay.data.writable()) + size_t(m_delay_start) * channels;
    load_samples(in, count, line + size_t(delay) * channels);
    filter(line + size_t(delay) * channels, frames, in.channels);
    for (int32_t c = 0; c < in.channels; ++c)
        m_limiter_position[size_t(c)]
            = limit_channel(line, in.channels, c, m_limiter_position[size_t(c)], int32_t(needed));

    PCMData out {liba::DataBuffer::make(in.size()), in.channels, in.bits_per_sample, in.sample_rate};
    uint8_t* bytes = out.data.writable();
    store_samples(line, count, in.bits_per_sample, bytes);
    // A partial frame at the end of the input comes out as silence.
    uint32_t whole = frames * in.frame_size();
    std::memset(bytes + whole, in.bits_per_sample == 8 ? 0x80 : 0, in.size() - whole);
    shift_delay_line(frames);
    return out;
}

} // namespace audio
