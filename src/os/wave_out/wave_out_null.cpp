// The silent backend: plays nothing, but takes the bytes in real time, so headers come back at
// the pace a sound device would hand them back.

#include "os/wave_out/wave_out_backends.h"
#include "os/wave_out/wave_out_paced.h"

namespace os {

namespace {

class WaveOutNull final : public WaveOutPaced {
public:
    WaveOutNull(const WaveFormat& format, MessageQueue& queue)
        : WaveOutPaced(format, queue, Pace::RealTime)
    {
    }
    ~WaveOutNull() override { stop_backend(); }

private:
    void played(const uint8_t*, uint32_t) override { }
};

} // namespace

std::unique_ptr<WaveOut> open_wave_out_null(const WaveFormat& format, MessageQueue& queue)
{
    if (!format.valid())
        return nullptr;
    auto device = std::make_unique<WaveOutNull>(format, queue);
    if (!device->start())
        return nullptr;
    return device;
}

} // namespace os
