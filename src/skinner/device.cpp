#include "skinner/device.h"

#include <algorithm>

namespace skinner {

int32_t bar_height(Size screen, DeviceKind kind)
{
    if (kind == DeviceKind::pocket_pc)
        return screen.width == 480 || screen.width == 640 ? 52 : 26;
    switch (screen.width) {
    case 176:
        return 20;
    case 240:
        return 27;
    case 352:
        return 40;
    case 480:
        return 54;
    default:
        return 0;
    }
}

Size workarea_size(Size screen, DeviceKind kind)
{
    int32_t bar = bar_height(screen, kind);
    // A screen too small for both bars leaves an empty area rather than a negative one.
    return {std::max(0, screen.width), std::max(0, screen.height - 2 * bar)};
}

bool good_for_device(std::u16string_view devices, DeviceKind kind)
{
    if (devices.empty())
        return true;
    return devices.find(kind == DeviceKind::smartphone ? u'S' : u'P') != std::u16string_view::npos;
}

} // namespace skinner
