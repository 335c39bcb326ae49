#pragma once

// The last stage of the block graph: a consumer of PCM that owns a worker thread, pulls blocks
// from its provider (the equalizer) and keeps the wave-output device supplied through six
// rotating buffers of 200 ms, filled again three at a time once only three are still queued (so
// the decoding runs in bursts of 600 ms of sound). When the PCM format changes between blocks the
// device is drained, closed and opened again for the new format by the player itself.
//
// Threads and locks: the operations below are called on the UI thread. The player's thread does
// everything else, under lock() (this consumer's lock, the player's single lock); the pulls it
// makes while holding it nest the engine's locks player -> equalizer -> decoder -> reader, so no
// caller may hold an engine lock further down that order while calling into the player.
// play(), stop() and pause() only record the wish and wake the player's thread, which compares
// the latest wishes with its state when it gets to them: a stop() followed at once by a play()
// may never be seen at all.
//
// The player keeps no track position: a chain's reader runs ahead of what is heard by the audio
// queued at the device (up to 1.2 s) and the block waiting in the player. is_drained() tells when
// everything pulled has been played, which is when a track has really ended.

#include "audio/blocks.h"
#include "audio/pipeline.h"
#include "liba/nocopy.h"
#include "os/wave_out.h"

#include <memory>

namespace audio {

class PlayerPCMImpl;

class PlayerPCM : public Consumer<PCMData>, private liba::Nocopy {
public:
    // Starts the player's thread. Devices are opened through factory: by default the backend that
    // MELODECK_AUDIO names.
    explicit PlayerPCM(os::WaveOutFactory factory = os::wave_out_factory());
    // Stops the thread and joins it; an open device is reset and closed on the way.
    ~PlayerPCM() override;

    // The player pulls; a pushed block is an internal error that ends the process.
    void on_data(const PCMData& block) override;

    // Each returns whether the wish could be handed to the player's thread.
    // Play the provider's blocks; also resumes a paused device.
    bool play();
    // Stop at once: the device is reset and the block waiting in the player dropped.
    bool stop();
    // Hold the device; play() resumes without losing queued sound, stop() also clears the pause.
    bool pause();

    // Clamped to 0.0..1.0 (a NaN is ignored) and applied to the device at once.
    void set_volume(double volume);
    double get_volume();
    // The peak level (0.0..1.0) of channel 0 or 1 in the last buffer that finished playing;
    // channels outside 0..1 are clamped. A mono stream shows the same level on both.
    double get_level(int32_t channel);

    // True when everything pulled from the provider has been played: every request handed over
    // has been evaluated, no block waits in the player, every buffer has come back and the device
    // is closed. After play() this becomes true once the chain has run dry and its end has been
    // heard; the application moves to the next track then, not when the reader's position
    // reaches its length.
    bool is_drained();
    // True when the last attempt to open the device failed (cleared by the next success). The
    // player is then closed; the block that could not be played waits for the next play().
    bool open_failed();
    // True when no device opened or the open device failed while playing (its sound output went
    // away), until a device opens again. The player then stays closed, keeping the block it could
    // not play, until the next play().
    bool device_failed();

private:
    std::unique_ptr<PlayerPCMImpl> m_impl;
};

} // namespace audio
