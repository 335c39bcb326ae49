#pragma once

// The equalizer stage between a play chain and the player: one peaking biquad band (centre
// frequency, width in octaves, gain in dB) followed by a look-ahead limiter that scales whole
// half-waves so that boosted audio stays inside the 16-bit range. A gain of exactly 0 dB switches
// the stage off: blocks then pass through untouched, sharing their data.
//
// Threads and locks: process() runs on the player's thread under this stage's consumer lock (the
// pull and push paths of Processor). The setters, reset() and the accessors are called on the UI
// thread (or by tests) and take the same lock, so the band and the state never change in the
// middle of a block.
//
// Samples: unsigned 8-bit and signed 16-bit PCM, mono or stereo, at rates of 1 to 768000 Hz; any
// other block passes through unchanged. Inside, a sample is 32-bit in a working scale where full
// scale is 2^27: 16-bit s becomes s << 12, 8-bit u becomes (u - 128) << 20. The per-sample work is
// integer only: Q28 coefficients, 64-bit sums.
//
// Delay: the output lags the input by 100 ms (rate / 10 frames) so that the limiter sees a
// half-wave before it goes out. After a reset or a change of channels or rate the first 100 ms that
// come out are silence; the 100 ms still held at the end of a stream are not emitted.
//
// An empty block (end of stream, or no provider upstream) passes through as it is.

#include "audio/blocks.h"
#include "audio/processor.h"

#include <array>
#include <cstdint>
#include <optional>

namespace audio {

class EqualizerPCM : public Processor<PCMData, PCMData> {
public:
    // Full scale of the working scale, and the level above which the limiter pulls half-waves
    // down (0.75 of full scale).
    static constexpr int32_t full_scale = 134217728;
    static constexpr int32_t limiter_threshold = 100663296;
    // Blocks at higher rates pass through: the delay line's size follows the rate.
    static constexpr int32_t max_sample_rate = 768000;

    // Filter coefficients scaled by 2^28.
    struct Coefficients {
        int64_t b0 = 0;
        int64_t b1 = 0;
        int64_t b2 = 0;
        int64_t a1 = 0;
        int64_t a2 = 0;
    };

    EqualizerPCM() = default;
    // Unlinks the downstream consumer (waiting for a pull in progress), then waits for a push.
    ~EqualizerPCM() override;

    // Each stores its value and makes the next block recompute the coefficients.
    void set_frequency(double hz);
    void set_width(double octaves);
    // In dB; exactly 0.0 switches the stage off.
    void set_amplitude(double db);
    // Forgets the filter state, the delay line and the limiter positions (before a new file).
    void reset();

    double frequency();
    double width();
    double amplitude();
    // Bytes allocated for the delay line (0 after a reset, until the next processed block).
    uint32_t delay_line_size();
    // The first frame of the delay line the limiter has not examined yet on channel 0 or 1.
    int32_t limiter_position(int32_t channel);

    // The RBJ peaking filter for the band at sample rate fs, or none when it cannot be used: a
    // frequency at or above 100/201 of the rate, a filter that is not stable, or coefficients so
    // large that the 64-bit sums could overflow.
    static std::optional<Coefficients> compute_coefficients(
        double frequency, double width, double amplitude, int32_t rate);

    // Limits the half-waves of one channel of interleaved working-scale samples, frames from
    // position up to end. Returns the frame where the next call must start: the start of a
    // half-wave that may go on after end, or end.
    static int32_t limit_channel(
        int32_t* samples, int32_t channels, int32_t channel, int32_t position, int32_t end);

protected:
    PCMData process(const PCMData& in) override;

private:
    struct ChannelState {
        int32_t x1 = 0;
        int32_t x2 = 0;
        int32_t y1 = 0;
        int32_t y2 = 0;
    };

    static bool can_process(const PCMData& in);
    static int64_t fast_filter_limit(const Coefficients& k);
    static int32_t limit_channel(int32_t* samples, int32_t channels, int32_t channel, int32_t position,
        int32_t first_new, int32_t end, bool loud);
    bool prepare_coefficients(int32_t rate);
    bool prepare_delay_line(const PCMData& in, uint32_t delay_frames, uint32_t needed_frames);
    bool filter(const PCMData& in, int32_t* out, uint32_t frames, bool allow_fast);
    template<typename Load, int32_t Channels>
    void filter_fast(const uint8_t* in, int32_t* out, uint32_t frames);
    template<typename Load, int32_t Channels>
    void filter_exact(const uint8_t* in, int32_t* out, uint32_t frames);
    void shift_delay_line(uint32_t frames);
    void clear_filter_state();

    double m_frequency = 0.0;
    double m_width = 1.0;
    double m_amplitude = 0.0;
    int32_t m_coefficient_rate = 0;
    bool m_coefficients_valid = false;
    Coefficients m_coefficients;
    // How large the filter's outputs may be for the unsaturated filter to stay exact; 0 when it
    // must not be used.
    int64_t m_fast_limit = 0;
    std::array<ChannelState, 2> m_state {};
    // 32-bit working-scale samples, with the input's channels and rate. The line itself starts at
    // frame m_delay_start of the allocation: after a block the line moves on by the block's frames
    // instead of moving its content, which is copied back to the front only when the allocation
    // runs out of room.
    PCMData m_delay;
    uint32_t m_delay_start = 0;
    std::array<int32_t, 2> m_limiter_position {0, 0};
};

} // namespace audio
