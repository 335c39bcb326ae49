// The silent backend: plays nothing, but takes the bytes in real time, so headers come back at
// the pace a sound device would hand them back.
//
// MELODECK_AUDIO_FAIL=PATH stands in for a sound output that goes away and comes back: while a
// file PATH exists, no null device opens, and an open one is lost (see lose_locked) at the next
// bytes it takes.

#include "liba/text.h"
#include "os/log.h"
#include "os/wave_out/wave_out_backends.h"
#include "os/wave_out/wave_out_paced.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace os {

namespace {

std::string fail_switch()
{
    const char* path = std::getenv("MELODECK_AUDIO_FAIL");
    return path ? path : "";
}

bool failing(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::exists(path, error);
}

class WaveOutNull final : public WaveOutPaced {
public:
    WaveOutNull(const WaveFormat& format, MessageQueue& queue, std::string fail_switch)
        : WaveOutPaced(format, queue, Pace::RealTime)
        , m_fail_switch(std::move(fail_switch))
    {
    }
    ~WaveOutNull() override { stop_backend(); }

private:
    void played(const uint8_t*, uint32_t) override
    {
        if (!failing(m_fail_switch))
            return;
        std::unique_lock lock(m_mutex);
        lose_locked();
        post_notices(lock);
    }

    const std::string m_fail_switch;
};

} // namespace

std::unique_ptr<WaveOut> open_wave_out_null(const WaveFormat& format, MessageQueue& queue)
{
    if (!format.valid())
        return nullptr;
    std::string path = fail_switch();
    if (failing(path)) {
        log() << u"Null sound device failing {" << liba::from_utf8(path) << u"}\n";
        return nullptr;
    }
    auto device = std::make_unique<WaveOutNull>(format, queue, std::move(path));
    if (!device->start())
        return nullptr;
    return device;
}

} // namespace os
