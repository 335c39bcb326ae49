#include "os/keys.h"

namespace os {

namespace {

struct KeyRow {
    uint32_t virtual_key;
    int32_t code;
};

constexpr KeyRow s_keys[] = {
    {VK_SHIFT, 1},
    {VK_CONTROL, 2},
    {VK_MENU, 3},
    {VK_LEFT, 4},
    {VK_RIGHT, 5},
    {VK_UP, 6},
    {VK_DOWN, 7},
    {VK_ESCAPE, 8},
    {VK_RETURN, 9},
    {VK_SPACE, 10},
    {VK_BACK, 11},
    {VK_DELETE, 12},
    {VK_INSERT, 13},
    {VK_HOME, 14},
    {VK_END, 15},
    {VK_NEXT, 16},
    {VK_PRIOR, 17},
    {VK_TAB, 18},
    {VK_APPS, 19},
};

} // namespace

int32_t translate_key(uint32_t virtual_key)
{
    if (virtual_key >= VK_A && virtual_key <= VK_A + 25)
        return 20 + int32_t(virtual_key - VK_A);
    if (virtual_key >= VK_0 && virtual_key <= VK_0 + 9)
        return 46 + int32_t(virtual_key - VK_0);
    for (const KeyRow& row : s_keys) {
        if (row.virtual_key == virtual_key)
            return row.code;
    }
    return 0;
}

} // namespace os
