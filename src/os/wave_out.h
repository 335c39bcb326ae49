#pragma once

// The wave-output device: an open sound output for one PCM format, fed with headers (each a
// buffer of bytes in that format) that it plays in the order written and hands back one by one.
//
// Notices go to the message queue given at opening, the queue of the thread that drives the
// device (the player's thread):
//   MM_WOM_OPEN   wparam = the device                   once, posted by a successful open
//   MM_WOM_DONE   wparam = the device, lparam = header  once per written header, in the order
//                                                       the headers were written
//   MM_WOM_CLOSE  wparam = the device                   once, posted by close()
// reset() hands back every queued header at once (their notices are posted before it returns);
// close() refuses while a header is queued. After MM_WOM_CLOSE the device posts nothing more and
// its owner may destroy it.
//
// Threads: every operation is called on the driving thread. A backend may consume the bytes on a
// thread of its own (the sound system's callback, a pacing thread); that thread touches nothing
// but the queued headers and the message queue, and a header it has handed back (flag WHDR_DONE,
// notice posted) is never touched again. Between write() and its notice the header and its bytes
// belong to the device.
//
// Backends (one file each under os/wave_out/): "sdl" plays on the default sound output, "null"
// consumes in real time and plays nothing, "file:PATH" writes what is played to a WAV file in real
// time ("file:PATH,fast": as fast as it comes). The environment variable MELODECK_AUDIO chooses;
// without it "sdl", which falls back to "null" with a log line when no sound output opens.

#include "liba/nocopy.h"
#include "os/message_queue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace os {

inline constexpr uint32_t MM_WOM_OPEN = 955;
inline constexpr uint32_t MM_WOM_CLOSE = 956;
inline constexpr uint32_t MM_WOM_DONE = 957;

// Header flags, kept by the device.
inline constexpr uint32_t WHDR_DONE = 0x01; // handed back
inline constexpr uint32_t WHDR_PREPARED = 0x02;
inline constexpr uint32_t WHDR_INQUEUE = 0x10; // written and not yet handed back

// Interleaved little-endian PCM: 8-bit unsigned, or 16, 24 or 32-bit signed; 1 to 8 channels.
struct WaveFormat {
    int32_t channels = 0;
    int32_t bits_per_sample = 0;
    int32_t sample_rate = 0;

    uint32_t block_align() const { return valid() ? uint32_t(channels * bits_per_sample / 8) : 0; }
    bool valid() const
    {
        bool bits
            = bits_per_sample == 8 || bits_per_sample == 16 || bits_per_sample == 24 || bits_per_sample == 32;
        return bits && channels >= 1 && channels <= 8 && sample_rate >= 1 && sample_rate <= 1'000'000;
    }
};

// One buffer handed to the device. The owner sets data and buffer_length and may use user freely;
// flags belong to the device.
struct WaveHeader {
    uint8_t* data = nullptr;
    uint32_t buffer_length = 0; // bytes to play, a whole number of frames
    uintptr_t user = 0;
    uint32_t flags = 0;
};

enum class WaveResult {
    Ok,
    Error, // the device is closed or failed
    InvalidParam, // a header without data
    StillPlaying, // the header is queued (prepare, unprepare, write) or a header is (close)
    Unprepared, // write of a header that was not prepared
};

class WaveOut : private liba::Nocopy {
public:
    // Closes the device if it is still open (without the notice) and ends its threads.
    virtual ~WaveOut() = default;

    virtual const WaveFormat& format() const = 0;
    virtual WaveResult prepare(WaveHeader& header) = 0;
    virtual WaveResult unprepare(WaveHeader& header) = 0;
    virtual WaveResult write(WaveHeader& header) = 0;
    // Holds playback; queued headers stay queued.
    virtual WaveResult pause() = 0;
    virtual WaveResult restart() = 0;
    // Stops at once and hands back every queued header.
    virtual WaveResult reset() = 0;
    // Left volume in the low 16 bits, right in the high 16 bits; 0xFFFF is full volume.
    virtual WaveResult set_volume(uint32_t volume) = 0;
    virtual uint32_t volume() const = 0;
    virtual WaveResult close() = 0;
};

// Opens a device for the format, with notices to queue; null when no device opens (no notice is
// posted then).
using WaveOutFactory = std::function<std::unique_ptr<WaveOut>(const WaveFormat& format, MessageQueue& queue)>;

// Opens the backend named by choice ("sdl", "null", "file:PATH", "file:PATH,fast"). An empty or
// unknown choice means "sdl" (an unknown one is logged). "sdl" falls back to "null" with a log line.
std::unique_ptr<WaveOut> open_wave_out(
    std::string_view choice, const WaveFormat& format, MessageQueue& queue);

// A factory for the choice, or for MELODECK_AUDIO as it stands when the factory is made.
WaveOutFactory wave_out_factory(std::string_view choice);
WaveOutFactory wave_out_factory();

} // namespace os
