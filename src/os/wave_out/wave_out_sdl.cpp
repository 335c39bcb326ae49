// The sound backend: SDL2 audio on the default output device. The device is opened for 32-bit
// float samples at the stream's own rate and channel count with no changes allowed, so SDL
// converts rate and channel layout to the hardware; widths and volume are converted here
// (pcm_to_float). SDL's audio thread runs the callback, which only takes bytes out of the queued
// headers (under the device's own mutex, never an engine lock) and posts their notices.
//
// A header whose last byte went out in one callback is handed back at the next one, when SDL has
// passed those bytes on to the hardware; a header is thus not reported played while its sound
// still sits in SDL's buffer. While paused the callback plays silence. A device SDL reports
// removed is lost: its headers are handed back and it takes no more (the player opens a new one).

#include "liba/text.h"
#include "os/log.h"
#include "os/screen/sdl_library.h"
#include "os/wave_out/pcm_to_float.h"
#include "os/wave_out/wave_out_backends.h"
#include "os/wave_out/wave_out_queued.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace os {

namespace {

// SDL's audio subsystem is started once, by the first device opened, and left running.
bool init_audio()
{
    static std::mutex s_mutex;
    std::lock_guard guard(s_mutex);
    const char* why = nullptr;
    if (!load_sdl(&why)) {
        log() << u"SDL audio unavailable {" << liba::from_utf8(why) << u"}\n";
        return false;
    }
    if (sdl().SDL_WasInit(SDL_INIT_AUDIO))
        return true;
    if (sdl().SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
        return true;
    log() << u"SDL audio unavailable {" << liba::from_utf8(sdl().SDL_GetError()) << u"}\n";
    return false;
}

// About 40 ms of sound per callback, as a power of two SDL likes.
Uint16 callback_frames(int32_t rate)
{
    Uint16 frames = 256;
    while (frames < 8192 && frames < rate / 25)
        frames *= 2;
    return frames;
}

class WaveOutSDL final : public WaveOutQueued {
public:
    WaveOutSDL(const WaveFormat& format, MessageQueue& queue)
        : WaveOutQueued(format, queue)
    {
    }
    ~WaveOutSDL() override { stop_backend(); }

    bool start()
    {
        SDL_AudioSpec wanted {};
        wanted.freq = format().sample_rate;
        wanted.format = AUDIO_F32SYS;
        wanted.channels = Uint8(format().channels);
        wanted.samples = callback_frames(format().sample_rate);
        wanted.callback = &WaveOutSDL::callback;
        wanted.userdata = this;
        SDL_AudioSpec obtained {};
        m_device = sdl().SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (m_device == 0) {
            log() << u"SDL audio device not opened {" << liba::from_utf8(sdl().SDL_GetError()) << u"}\n";
            return false;
        }
        m_scratch.resize(size_t(obtained.samples) * format().block_align());
        post_open();
        sdl().SDL_PauseAudioDevice(m_device, 0);
        return true;
    }

private:
    static void SDLCALL callback(void* self, Uint8* stream, int length)
    {
        static_cast<WaveOutSDL*>(self)->fill(stream, uint32_t(length));
    }

    void fill(uint8_t* stream, uint32_t length)
    {
        const uint32_t out_frame = uint32_t(format().channels) * sizeof(float);
        const uint32_t in_frame = format().block_align();
        uint32_t frames = std::min<uint32_t>(length / out_frame, uint32_t(m_scratch.size() / in_frame));
        uint32_t taken = 0;
        {
            std::unique_lock lock(m_mutex);
            // A removed device (SDL_AUDIODEVICEREMOVED) goes on calling back at its pace with
            // nowhere to play: its headers go back now, so the player sees the loss.
            if (sdl().SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED)
                lose_locked();
            else
                taken = take_locked(m_scratch.data(), frames * in_frame, Handback::NextTake);
            post_notices(lock);
        }
        uint32_t got = taken / in_frame;
        pcm_to_float(m_scratch.data(), format().bits_per_sample, format().channels, got, volume(),
            reinterpret_cast<float*>(stream));
        std::memset(stream + got * out_frame, 0, length - got * out_frame);
    }

    void stop_backend() override
    {
        // Waits for a running callback to end; the callback takes only m_mutex, never held here.
        if (m_device != 0) {
            sdl().SDL_CloseAudioDevice(m_device);
            m_device = 0;
        }
    }

    SDL_AudioDeviceID m_device = 0;
    // The callback's copy of the headers' bytes, one callback long; used only on SDL's thread.
    std::vector<uint8_t> m_scratch;
};

} // namespace

std::unique_ptr<WaveOut> open_wave_out_sdl(const WaveFormat& format, MessageQueue& queue)
{
    if (!format.valid())
        return nullptr;
    std::unique_ptr<WaveOutSDL> device;
    if (init_audio()) {
        device = std::make_unique<WaveOutSDL>(format, queue);
        if (!device->start())
            device.reset();
    }
    // SDL keeps its error texts in storage of the calling thread, which only threads SDL created
    // release: the player's thread releases it here, its errors having been logged (a subsystem
    // that failed to start leaves one too).
    if (const SdlLibrary* library = sdl_if_loaded())
        library->SDL_TLSCleanup();
    return device;
}

} // namespace os
