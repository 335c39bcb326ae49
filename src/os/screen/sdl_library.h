#pragma once

// SDL2, loaded at run time when something needs it: a window, the SDL sound backend or a game
// controller. A headless run with the null or file sound backend never loads it, and so skips the
// fifty libraries SDL2 brings along (display servers, sound servers, the bus library), about 5 ms
// of the start-up and 4 MiB of the resident memory. Callers reach SDL's functions through the
// table: sdl().SDL_PollEvent(&event).

#include <SDL.h>

namespace os {

#define MELODECK_SDL_FUNCTIONS(X)                                                                            \
    X(SDL_CloseAudioDevice)                                                                                  \
    X(SDL_CreateRenderer)                                                                                    \
    X(SDL_CreateSystemCursor)                                                                                \
    X(SDL_CreateTexture)                                                                                     \
    X(SDL_CreateWindow)                                                                                      \
    X(SDL_DestroyRenderer)                                                                                   \
    X(SDL_DestroyTexture)                                                                                    \
    X(SDL_DestroyWindow)                                                                                     \
    X(SDL_FreeCursor)                                                                                        \
    X(SDL_GameControllerAddMappingsFromRW)                                                                   \
    X(SDL_GameControllerClose)                                                                               \
    X(SDL_GameControllerGetAttached)                                                                         \
    X(SDL_GameControllerName)                                                                                \
    X(SDL_GameControllerOpen)                                                                                \
    X(SDL_GetAudioDeviceStatus)                                                                              \
    X(SDL_GetDisplayUsableBounds)                                                                            \
    X(SDL_GetError)                                                                                          \
    X(SDL_GetTicks64)                                                                                        \
    X(SDL_InitSubSystem)                                                                                     \
    X(SDL_IsGameController)                                                                                  \
    X(SDL_JoystickGetDeviceInstanceID)                                                                       \
    X(SDL_JoystickNameForIndex)                                                                              \
    X(SDL_NumJoysticks)                                                                                      \
    X(SDL_OpenAudioDevice)                                                                                   \
    X(SDL_PauseAudioDevice)                                                                                  \
    X(SDL_PollEvent)                                                                                         \
    X(SDL_PushEvent)                                                                                         \
    X(SDL_QuitSubSystem)                                                                                     \
    X(SDL_RWFromFile)                                                                                        \
    X(SDL_RegisterEvents)                                                                                    \
    X(SDL_RenderClear)                                                                                       \
    X(SDL_RenderCopy)                                                                                        \
    X(SDL_RenderPresent)                                                                                     \
    X(SDL_RenderSetIntegerScale)                                                                             \
    X(SDL_RenderSetLogicalSize)                                                                              \
    X(SDL_SetCursor)                                                                                         \
    X(SDL_SetHint)                                                                                           \
    X(SDL_SetRenderDrawColor)                                                                                \
    X(SDL_StartTextInput)                                                                                    \
    X(SDL_TLSCleanup)                                                                                        \
    X(SDL_UpdateTexture)                                                                                     \
    X(SDL_WaitEventTimeout)                                                                                  \
    X(SDL_WasInit)

struct SdlLibrary {
#define MELODECK_SDL_POINTER(name) decltype(&::name) name = nullptr;
    MELODECK_SDL_FUNCTIONS(MELODECK_SDL_POINTER)
#undef MELODECK_SDL_POINTER
};

// Loads SDL2 once for the process (thread-safe); null, with the reason in error, when it or one of
// its functions is missing.
const SdlLibrary* load_sdl(const char** error = nullptr);
// SDL2 when it is already in the process (loaded here, or linked into the program), without
// loading it; null otherwise. Not for every turn of a loop: while SDL2 is not there, each call
// searches the library path for it.
const SdlLibrary* sdl_if_present();
// SDL2 when load_sdl() or sdl_if_present() has found it; null otherwise. Costs an atomic load.
const SdlLibrary* sdl_if_loaded();
// The table, for code that runs only once load_sdl() has succeeded.
const SdlLibrary& sdl();

} // namespace os
