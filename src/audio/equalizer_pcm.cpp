#include "audio/equalizer_pcm.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

// SSE2 is part of every x86-64 processor; elsewhere the plain loops do the same work (a build may
// also choose them with -DMELODECK_EQ_SSE2=0, to test them).
#if !defined(MELODECK_EQ_SSE2)
#if defined(__SSE2__)
#define MELODECK_EQ_SSE2 1
#else
#define MELODECK_EQ_SSE2 0
#endif
#endif
#if MELODECK_EQ_SSE2
#include <emmintrin.h>
#endif

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

// Input samples in the working scale (full scale 2^27), read straight from the block's bytes.
struct Load16 {
    static int64_t at(const uint8_t* bytes, size_t index)
    {
        int16_t s;
        std::memcpy(&s, bytes + 2 * index, 2);
        return int64_t(s) * 4096;
    }
};

struct Load8 {
    static int64_t at(const uint8_t* bytes, size_t index) { return (int64_t(bytes[index]) - 128) * 1048576; }
};

// Working-scale samples back to the input's width. Samples beyond the 16-bit range (a boosted
// half-wave longer than the delay reaches the output before the limiter has seen all of it) are
// clamped rather than wrapped.
void store_samples(const int32_t* samples, uint32_t count, int32_t bits, uint8_t* out)
{
    uint32_t i = 0;
    if (bits == 16) {
#if MELODECK_EQ_SSE2
        // Shift and pack with signed saturation: exactly the clamp below, eight samples a step.
        for (; i + 8 <= count; i += 8) {
            __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
            __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i + 4));
            __m128i words = _mm_packs_epi32(_mm_srai_epi32(low, 12), _mm_srai_epi32(high, 12));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * size_t(i)), words);
        }
#endif
        for (; i < count; ++i) {
            auto word = static_cast<int16_t>(std::clamp(samples[i] >> 12, -32768, 32767));
            std::memcpy(out + 2 * size_t(i), &word, 2);
        }
    } else {
        for (; i < count; ++i)
            out[i] = static_cast<uint8_t>(std::clamp((samples[i] >> 20) + 128, 0, 255));
    }
}

// Moves count samples to a lower address (the ranges may overlap). Sixteen bytes a step, each
// loaded before it is stored, so a forward copy never reads what it has already written. The
// C library would move these 30 to 40 KB with `rep movsb`, which instruction counts (the measure
// of our benchmarks) see as one instruction per byte; this loop costs about a tenth of that and
// is as fast.
void move_down(int32_t* to, const int32_t* from, size_t count)
{
    size_t i = 0;
#if MELODECK_EQ_SSE2
    for (; i + 8 <= count; i += 8) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), a);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i + 4), b);
    }
#endif
    std::memmove(to + i, from + i, (count - i) * sizeof(int32_t));
}

// |v| > limit for 0 <= limit < 2^31, in one unsigned comparison: v + limit wraps to above 2 limit
// exactly when v lies outside -limit..limit.
inline bool beyond(int32_t v, uint32_t limit)
{
    return uint32_t(v) + limit > 2 * limit;
}

// Which channels of count interleaved samples (the first being channel 0's) hold a sample beyond
// limit: bit 0 for the samples at even indexes, bit 1 for those at odd ones. With one channel
// both bits belong to channel 0.
uint32_t channels_beyond(const int32_t* samples, size_t count, uint32_t limit)
{
    uint32_t found = 0;
    size_t i = 0;
#if MELODECK_EQ_SSE2
    // The unsigned comparison of beyond() made signed by flipping the top bit of both sides;
    // lanes 0 and 2 hold even indexes, lanes 1 and 3 odd ones.
    const __m128i bias = _mm_set1_epi32(static_cast<int32_t>(limit ^ 0x80000000u));
    const __m128i bound = _mm_set1_epi32(static_cast<int32_t>((2 * limit) ^ 0x80000000u));
    __m128i any = _mm_setzero_si128();
    for (; i + 8 <= count; i += 8) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i + 4));
        any = _mm_or_si128(any, _mm_cmpgt_epi32(_mm_add_epi32(a, bias), bound));
        any = _mm_or_si128(any, _mm_cmpgt_epi32(_mm_add_epi32(b, bias), bound));
    }
    auto lanes = uint32_t(_mm_movemask_ps(_mm_castsi128_ps(any)));
    found = (lanes | (lanes >> 2)) & 3;
#endif
    for (; i < count; ++i) {
        if (beyond(samples[i], limit))
            found |= 1u << (i & 1);
    }
    return found;
}

int64_t magnitude(int32_t v)
{
    return v < 0 ? -int64_t(v) : int64_t(v);
}

bool changes_sign(int32_t before, int32_t now)
{
    return (before >= 0 && now < 0) || (before <= 0 && now > 0);
}

// One channel's samples in a line of interleaved frames.
struct ChannelView {
    int32_t* base;
    size_t stride;
    int32_t& operator[](int32_t frame) const { return base[size_t(frame) * stride]; }
};

// The start of the half-wave that holds frame `frame`, looking no further back than `floor` (a
// half-wave start itself).
int32_t half_wave_start(ChannelView v, int32_t floor, int32_t frame)
{
    while (frame > floor && !changes_sign(v[frame - 1], v[frame]))
        --frame;
    return frame;
}

// The frame after the half-wave that holds `frame`, or `end`.
int32_t half_wave_end(ChannelView v, int32_t frame, int32_t end)
{
    ++frame;
    while (frame < end && !changes_sign(v[frame - 1], v[frame]))
        ++frame;
    return frame;
}

// Scales the half-wave from..to - 1 whose peak magnitude is above the threshold.
void pull_down(ChannelView v, int32_t from, int32_t to)
{
    int64_t peak = 0;
    for (int32_t i = from; i < to; ++i)
        peak = std::max(peak, magnitude(v[i]));
    int64_t target = peak > EqualizerPCM::full_scale ? EqualizerPCM::full_scale
                                                     : (peak + EqualizerPCM::limiter_threshold) / 2;
    for (int32_t i = from; i < to; ++i) {
        int64_t scaled = int64_t(v[i]) * target / peak;
        v[i] = static_cast<int32_t>(
            std::clamp<int64_t>(scaled, -EqualizerPCM::full_scale, EqualizerPCM::full_scale - 1));
    }
}

// Limits the complete half-waves of frames from..to - 1, where `from` starts a half-wave and `to`
// ends one. Only a half-wave with a sample above the threshold changes, so the search goes from
// loud sample to loud sample and finds the half-wave around each; the quiet ones in between are
// never delimited. Half-waves are delimited on samples not yet scaled: the search back stops at
// the end of the last half-wave pulled down.
void limit_loud_half_waves(ChannelView v, int32_t from, int32_t to)
{
    const auto threshold = uint32_t(EqualizerPCM::limiter_threshold);
    for (int32_t frame = from; frame < to; ++frame) {
        if (!beyond(v[frame], threshold))
            continue;
        int32_t start = half_wave_start(v, from, frame);
        int32_t stop = half_wave_end(v, frame, to);
        pull_down(v, start, stop);
        from = stop;
        frame = stop - 1;
    }
}

// The filter's 64-bit sums, taken modulo 2^64: equal to the exact sums whenever those fit (which
// the bounds on the coefficients guarantee for every result that is kept), and never undefined.
inline int64_t wrap(uint64_t v)
{
    return static_cast<int64_t>(v);
}

} // namespace

// The biquad in its transposed form: each input's and output's products go into two running sums
// as soon as the sample is known, so that a step needs one product for its output and three for
// the sums. Since b1 equals a1, b1*x1 - a1*y1 is b1*(x1 - y1): one product fewer. The sums are
// the same integers as those of the direct form, so the results are identical, except that
// nothing here saturates: the caller runs this only when the outputs cannot leave the 32-bit
// range (see fast_filter_limit) and checks the outputs afterwards. The channels go through the
// loop side by side, four frames a turn, so that the loop's own work is shared.
template<typename Load, int32_t Channels>
void EqualizerPCM::filter_fast(const uint8_t* in, int32_t* out, uint32_t frames)
{
    const Coefficients k = m_coefficients;
    const auto b0 = uint64_t(k.b0), b1 = uint64_t(k.b1), b2 = uint64_t(k.b2), a2 = uint64_t(k.a2);
    // s1 holds b1*(x1 - y1) + b2*x2 - a2*y2, s2 holds b2*x1 - a2*y1.
    std::array<uint64_t, Channels> s1, s2;
    for (size_t c = 0; c < Channels; ++c) {
        const ChannelState& state = m_state[c];
        s1[c] = b1 * uint64_t(int64_t(state.x1) - state.y1) + b2 * uint64_t(int64_t(state.x2))
            - a2 * uint64_t(int64_t(state.y2));
        s2[c] = b2 * uint64_t(int64_t(state.x1)) - a2 * uint64_t(int64_t(state.y1));
    }
    auto step = [&](size_t index, size_t c) {
        int64_t x = Load::at(in, index);
        int64_t y = wrap(b0 * uint64_t(x) + s1[c]) >> 28;
        out[index] = static_cast<int32_t>(y);
        s1[c] = b1 * uint64_t(x - y) + s2[c];
        s2[c] = b2 * uint64_t(x) - a2 * uint64_t(y);
    };
    const size_t count = size_t(frames) * Channels;
    size_t i = 0;
    constexpr size_t turn = 4 * Channels;
    for (; i + turn <= count; i += turn) {
        for (size_t j = i; j < i + turn; j += Channels) {
            for (size_t c = 0; c < Channels; ++c)
                step(j + c, c);
        }
    }
    for (; i < count; i += Channels) {
        for (size_t c = 0; c < Channels; ++c)
            step(i + c, c);
    }
    // The last two inputs and outputs become the state (the outputs as written, which the
    // caller's check proves exact before it keeps them).
    for (size_t c = 0; c < Channels; ++c) {
        ChannelState& state = m_state[c];
        size_t last = count - Channels + c;
        if (frames >= 2)
            state = {int32_t(Load::at(in, last)), int32_t(Load::at(in, last - Channels)), out[last],
                out[last - Channels]};
        else
            state = {int32_t(Load::at(in, last)), state.x1, out[last], state.y1};
    }
}

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
    m_fast_limit = fast_filter_limit(m_coefficients);
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
        auto* line = reinterpret_cast<int32_t*>(m_delay.data.writable());
        size_t samples_per_frame = frame_bytes / sizeof(int32_t);
        move_down(
            line, line + size_t(m_delay_start) * samples_per_frame, size_t(delay_frames) * samples_per_frame);
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

// The biquad as written, saturating every result to 32 bits: for blocks whose outputs may leave
// that range, and for filters that filter_fast cannot run.
template<typename Load, int32_t Channels>
void EqualizerPCM::filter_exact(const uint8_t* in, int32_t* out, uint32_t frames)
{
    const Coefficients k = m_coefficients;
    for (size_t c = 0; c < Channels; ++c) {
        ChannelState& state = m_state[c];
        int64_t x1 = state.x1, x2 = state.x2, y1 = state.y1, y2 = state.y2;
        for (size_t i = c; i < size_t(frames) * Channels; i += Channels) {
            int64_t x = Load::at(in, i);
            int64_t wide = (k.b0 * x + k.b1 * x1 + k.b2 * x2 - k.a1 * y1 - k.a2 * y2) >> 28;
            int64_t y = std::clamp<int64_t>(
                wide, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
            out[i] = static_cast<int32_t>(y);
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
        }
        state = {int32_t(x1), int32_t(x2), int32_t(y1), int32_t(y2)};
    }
}

// Filters the block's samples into out (the line from frame D on). Returns whether the
// unsaturated filter_fast was used, whose outputs the caller must then check against
// m_fast_limit; it is not used when the state itself lies beyond that limit.
bool EqualizerPCM::filter(const PCMData& in, int32_t* out, uint32_t frames, bool allow_fast)
{
    bool fast = allow_fast && m_fast_limit > 0;
    for (const ChannelState& state : m_state) {
        if (std::max(magnitude(state.y1), magnitude(state.y2)) > m_fast_limit)
            fast = false;
    }
    const uint8_t* bytes = in.data.data();
    bool mono = in.channels == 1;
    if (in.bits_per_sample == 16) {
        if (fast)
            mono ? filter_fast<Load16, 1>(bytes, out, frames) : filter_fast<Load16, 2>(bytes, out, frames);
        else
            mono ? filter_exact<Load16, 1>(bytes, out, frames) : filter_exact<Load16, 2>(bytes, out, frames);
    } else {
        if (fast)
            mono ? filter_fast<Load8, 1>(bytes, out, frames) : filter_fast<Load8, 2>(bytes, out, frames);
        else
            mono ? filter_exact<Load8, 1>(bytes, out, frames) : filter_exact<Load8, 2>(bytes, out, frames);
    }
    return fast;
}

// filter_fast does not saturate; this finds how large its outputs may grow before a result could
// need to. With |x| <= 2^27 for every input and |y| <= L for the two outputs before, the sum
// b0*x + b1*x1 + b2*x2 - a1*y1 - a2*y2 stays within (|b0|+|b1|+|b2|) 2^27 + (|a1|+|a2|) L; while
// that is below 2^59 the result, the sum shifted right by 28, lies inside the 32-bit range. So if
// the state and every output of a block lie within L, no result of the block would have been
// saturated and the fast results are exact (each output within L keeps the next one in range, so
// the written outputs are the true ones). Returns L (at most 2^31), or 0 when the fast filter must
// not be used.
int64_t EqualizerPCM::fast_filter_limit(const Coefficients& k)
{
    if (k.a1 != k.b1)
        return 0;
    auto abs64 = [](int64_t v) { return v < 0 ? -v : v; };
    // Coefficients are below 32 x 2^28 = 2^33, so these stay below 2^62.
    int64_t feed_forward = (abs64(k.b0) + abs64(k.b1) + abs64(k.b2)) << 27;
    int64_t feedback = abs64(k.a1) + abs64(k.a2);
    int64_t room = (int64_t(1) << 59) - 1 - feed_forward;
    if (room <= 0)
        return 0;
    int64_t limit = feedback == 0 ? room : room / feedback;
    return std::min<int64_t>(limit, int64_t(1) << 31);
}

int32_t EqualizerPCM::limit_channel(
    int32_t* samples, int32_t channels, int32_t channel, int32_t position, int32_t end)
{
    return limit_channel(samples, channels, channel, position, position + 1, end, true);
}

// The half-waves of one channel from `position` (a half-wave start) up to `end`. The last one may
// go on after end unless the line ends on a zero; it is left for the next call, which starts at
// it. No sign change lies in position + 1 .. first_new - 1 (frames the previous call has seen), so
// the search for the last half-wave's start stops there. With `loud` false no sample of the
// channel from position on is above the threshold: no half-wave changes.
int32_t EqualizerPCM::limit_channel(int32_t* samples, int32_t channels, int32_t channel, int32_t position,
    int32_t first_new, int32_t end, bool loud)
{
    if (position >= end)
        return position;
    ChannelView v {samples + channel, size_t(channels)};
    int32_t open = end;
    if (v[end - 1] != 0) {
        open = position;
        for (int32_t frame = end - 1; frame >= std::max(first_new, position + 1); --frame) {
            if (changes_sign(v[frame - 1], v[frame])) {
                open = frame;
                break;
            }
        }
    }
    if (loud)
        limit_loud_half_waves(v, position, open);
    return open;
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

    const int32_t channels = in.channels;
    const uint32_t count = frames * uint32_t(channels);
    auto* line
        = reinterpret_cast<int32_t*>(m_delay.data.writable()) + size_t(m_delay_start) * size_t(channels);
    int32_t* block = line + size_t(delay) * size_t(channels);

    // Filter, then find which channels have loud samples from the earlier limiter position on.
    const std::array<ChannelState, 2> state_before = m_state;
    bool fast = filter(in, block, frames, true);
    int32_t from
        = channels == 1 ? m_limiter_position[0] : std::min(m_limiter_position[0], m_limiter_position[1]);
    const auto threshold = uint32_t(limiter_threshold);
    auto scan_loud = [&] {
        return channels_beyond(line + size_t(from) * size_t(channels),
            size_t(needed - uint32_t(from)) * size_t(channels), threshold);
    };
    uint32_t loud = scan_loud();
    // The fast filter's outputs are exact unless one went past its limit (beyond the threshold
    // too, unless the limit is below it): then the block is filtered again, saturating.
    bool check = fast && m_fast_limit < (int64_t(1) << 31) && (loud != 0 || m_fast_limit < limiter_threshold);
    if (check && channels_beyond(block, count, uint32_t(m_fast_limit)) != 0) {
        m_state = state_before;
        filter(in, block, frames, false);
        loud = scan_loud();
    }

    for (int32_t c = 0; c < channels; ++c) {
        bool channel_loud = channels == 1 ? loud != 0 : (loud >> c) & 1;
        int32_t& position = m_limiter_position[size_t(c)];
        position = limit_channel(line, channels, c, position, int32_t(delay), int32_t(needed), channel_loud);
    }

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
