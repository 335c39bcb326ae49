#include "os/screen/sdl_keys.h"

#include "os/keys.h"

#include <SDL_keycode.h>

namespace os {

namespace {

struct SdlKey {
    SDL_Keycode sdl;
    uint32_t virtual_key;
};

constexpr SdlKey s_keys[] = {
    {SDLK_LSHIFT, VK_SHIFT},
    {SDLK_RSHIFT, VK_SHIFT},
    {SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, VK_CONTROL},
    {SDLK_LALT, VK_MENU},
    {SDLK_RALT, VK_MENU},
    {SDLK_LEFT, VK_LEFT},
    {SDLK_RIGHT, VK_RIGHT},
    {SDLK_UP, VK_UP},
    {SDLK_DOWN, VK_DOWN},
    {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_RETURN, VK_RETURN},
    {SDLK_KP_ENTER, VK_RETURN},
    {SDLK_SPACE, VK_SPACE},
    {SDLK_BACKSPACE, VK_BACK},
    {SDLK_DELETE, VK_DELETE},
    {SDLK_INSERT, VK_INSERT},
    {SDLK_HOME, VK_HOME},
    {SDLK_END, VK_END},
    {SDLK_PAGEDOWN, VK_NEXT},
    {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_TAB, VK_TAB},
    {SDLK_APPLICATION, VK_APPS},
    {SDLK_F1, VK_F1},
    {SDLK_F2, VK_F2},
    {SDLK_KP_0, VK_0},
    {SDLK_AUDIOPLAY, VK_MEDIA_PLAY_PAUSE},
    {SDLK_AUDIOSTOP, VK_MEDIA_STOP},
    {SDLK_AUDIONEXT, VK_MEDIA_NEXT_TRACK},
    {SDLK_AUDIOPREV, VK_MEDIA_PREV_TRACK},
    {SDLK_VOLUMEUP, VK_VOLUME_UP},
    {SDLK_VOLUMEDOWN, VK_VOLUME_DOWN},
};

} // namespace

uint32_t sdl_virtual_key(int32_t sdl_keycode)
{
    if (sdl_keycode >= SDLK_a && sdl_keycode <= SDLK_z)
        return VK_A + uint32_t(sdl_keycode - SDLK_a);
    if (sdl_keycode >= SDLK_0 && sdl_keycode <= SDLK_9)
        return VK_0 + uint32_t(sdl_keycode - SDLK_0);
    // The keypad's 1..9 are consecutive codes; its 0 comes after them.
    if (sdl_keycode >= SDLK_KP_1 && sdl_keycode <= SDLK_KP_9)
        return VK_0 + 1 + uint32_t(sdl_keycode - SDLK_KP_1);
    for (const SdlKey& key : s_keys) {
        if (key.sdl == sdl_keycode)
            return key.virtual_key;
    }
    return 0;
}

} // namespace os
