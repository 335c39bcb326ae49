#include "os/screen/sdl_library.h"

#include <atomic>
#include <dlfcn.h>
#include <mutex>

namespace os {

namespace {

constexpr const char* s_soname = "libSDL2-2.0.so.0";

SdlLibrary s_library;
std::atomic<const SdlLibrary*> s_loaded {nullptr};
std::mutex s_loading;

// With s_loading held: fills the table from an open handle; false when a function is missing.
bool fill(void* handle, const char** error)
{
    bool complete = true;
#define MELODECK_SDL_LOAD(name)                                                                              \
    s_library.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));                            \
    complete = complete && s_library.name;
    MELODECK_SDL_FUNCTIONS(MELODECK_SDL_LOAD)
#undef MELODECK_SDL_LOAD
    if (!complete && error)
        *error = "SDL2 lacks functions this program uses";
    return complete;
}

const SdlLibrary* open_library(int mode, const char** error)
{
    if (const SdlLibrary* loaded = s_loaded.load(std::memory_order_acquire))
        return loaded;
    std::lock_guard lock(s_loading);
    if (const SdlLibrary* loaded = s_loaded.load(std::memory_order_acquire))
        return loaded;
    // Never closed: SDL keeps threads and handlers of its own for the rest of the process.
    void* handle = ::dlopen(s_soname, mode);
    if (!handle) {
        if (error)
            *error = "SDL2 could not be loaded";
        return nullptr;
    }
    if (!fill(handle, error))
        return nullptr;
    s_loaded.store(&s_library, std::memory_order_release);
    return &s_library;
}

} // namespace

const SdlLibrary* load_sdl(const char** error)
{
    return open_library(RTLD_NOW | RTLD_LOCAL, error);
}

const SdlLibrary* sdl_if_present()
{
    return open_library(RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD, nullptr);
}

const SdlLibrary* sdl_if_loaded()
{
    return s_loaded.load(std::memory_order_acquire);
}

const SdlLibrary& sdl()
{
    return *s_loaded.load(std::memory_order_acquire);
}

} // namespace os
