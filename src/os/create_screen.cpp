#include "os/create_screen.h"

#include "os/screen/headless_screen.h"
#include "os/screen/sdl_backend.h"

namespace os {

std::unique_ptr<Screen> create_screen(const ScreenOptions& options, std::string& error)
{
    set_platform_kind(options.kind);
    if (options.headless)
        return std::make_unique<HeadlessScreen>(options.size);
    std::unique_ptr<ScreenBackend> backend = create_sdl_backend(options.size, error);
    if (!backend)
        return nullptr;
    return std::make_unique<Screen>(options.size, std::move(backend));
}

} // namespace os
