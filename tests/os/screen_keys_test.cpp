#include "os/cursor.h"
#include "os/keys.h"
#include "os/screen/sdl_keys.h"

#include <SDL2/SDL_keycode.h>
#include <gtest/gtest.h>

using namespace os;

TEST(ScreenKeyTable, every_row_from_desktop_key_to_framework_code_and_keys_the_handheld_lacks_are_nothing)
{
    // Rows at the edges of the key table's ranges and one of each kind; the main form reads the media
    // keys' virtual keys itself.
    const std::tuple<int32_t, uint32_t, int32_t> rows[] = {{SDLK_LSHIFT, VK_SHIFT, 1},
        {SDLK_LEFT, VK_LEFT, 4}, {SDLK_KP_ENTER, VK_RETURN, 9}, {SDLK_a, VK_A, 20}, {SDLK_z, VK_A + 25, 45},
        {SDLK_0, VK_0, 46}, {SDLK_9, VK_0 + 9, 55}, {SDLK_KP_0, VK_0, 46}, {SDLK_KP_9, VK_0 + 9, 55},
        {SDLK_F1, VK_TSOFT1, 0}, {SDLK_AUDIOPLAY, VK_MEDIA_PLAY_PAUSE, 0}};
    for (auto [sdl, virtual_key, code] : rows) {
        EXPECT_EQ(sdl_virtual_key(sdl), virtual_key) << sdl;
        EXPECT_EQ(translate_key(virtual_key), code) << sdl;
    }
    for (int32_t sdl : {int32_t(SDLK_F3), int32_t(SDLK_CAPSLOCK), int32_t(SDLK_PRINTSCREEN),
             int32_t(SDLK_KP_PLUS), int32_t(SDLK_UNKNOWN), int32_t(SDLK_a - 1), int32_t(SDLK_z + 1)})
        EXPECT_EQ(sdl_virtual_key(sdl), 0u) << sdl;
    // Virtual keys next to the ranges, and ones with no framework code.
    for (uint32_t vk : {VK_A - 1, VK_A + 26, VK_0 - 1, VK_0 + 10, VK_F1, uint32_t(0), uint32_t(0xFFFF)})
        EXPECT_EQ(translate_key(vk), 0) << vk;
}

TEST(ScreenCursors, every_name_and_nothing_else)
{
    for (auto [name, cursor] : {std::pair {u"ARROW", Cursor::arrow}, {u"SIZENESW", Cursor::size_nesw},
             {u"APPSTARTING", Cursor::app_starting}})
        EXPECT_EQ(cursor_from_name(name), cursor);
    for (std::u16string_view bad : {u"", u"arrow", u"CROSS", u"ARROW "})
        EXPECT_FALSE(cursor_from_name(bad));
}
