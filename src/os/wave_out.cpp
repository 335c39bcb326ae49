#include "os/wave_out.h"

#include "liba/text.h"
#include "os/log.h"
#include "os/wave_out/wave_out_backends.h"

#include <cstdlib>
#include <string>

namespace os {

namespace {

constexpr std::string_view s_file_prefix = "file:";
constexpr std::string_view s_fast_suffix = ",fast";

std::unique_ptr<WaveOut> open_sdl_or_null(const WaveFormat& format, MessageQueue& queue)
{
    if (auto device = open_wave_out_sdl(format, queue))
        return device;
    log() << u"No sound device opens; playing silently\n";
    return open_wave_out_null(format, queue);
}

std::unique_ptr<WaveOut> open_file(std::string_view spec, const WaveFormat& format, MessageQueue& queue)
{
    bool fast = spec.ends_with(s_fast_suffix);
    if (fast)
        spec.remove_suffix(s_fast_suffix.size());
    return open_wave_out_file(std::string(spec), fast, format, queue);
}

} // namespace

std::unique_ptr<WaveOut> open_wave_out(std::string_view choice, const WaveFormat& format, MessageQueue& queue)
{
    if (!format.valid()) {
        log() << u"Wave output can't play {" << format.channels << u"} channels of {"
              << format.bits_per_sample << u"} bits at {" << format.sample_rate << u"} Hz\n";
        return nullptr;
    }
    if (choice == "null")
        return open_wave_out_null(format, queue);
    if (choice.starts_with(s_file_prefix))
        return open_file(choice.substr(s_file_prefix.size()), format, queue);
    if (!choice.empty() && choice != "sdl")
        log() << u"Unknown MELODECK_AUDIO {" << liba::from_utf8(choice) << u"}; using sdl\n";
    return open_sdl_or_null(format, queue);
}

WaveOutFactory wave_out_factory(std::string_view choice)
{
    return [choice = std::string(choice)](const WaveFormat& format, MessageQueue& queue) {
        return open_wave_out(choice, format, queue);
    };
}

WaveOutFactory wave_out_factory()
{
    const char* choice = std::getenv("MELODECK_AUDIO");
    return wave_out_factory(choice ? choice : "");
}

} // namespace os
