#pragma once

// The backends' open functions; callers go through os::open_wave_out (wave_out.h). Each returns
// null when its device cannot be opened, after a log line saying why; a device it returns has
// posted MM_WOM_OPEN.

#include "os/wave_out.h"

#include <string>

namespace os {

std::unique_ptr<WaveOut> open_wave_out_sdl(const WaveFormat& format, MessageQueue& queue);
std::unique_ptr<WaveOut> open_wave_out_null(const WaveFormat& format, MessageQueue& queue);
// path is UTF-8; fast plays as fast as headers come instead of in real time.
std::unique_ptr<WaveOut> open_wave_out_file(
    const std::string& path, bool fast, const WaveFormat& format, MessageQueue& queue);

} // namespace os
