#include "skinner/device.h"

namespace skinner {

Size workarea_size(Size screen, DeviceKind kind)
{
    return os::work_area(screen, kind).size;
}

bool good_for_device(std::u16string_view devices, DeviceKind kind)
{
    if (devices.empty())
        return true;
    return devices.find(kind == DeviceKind::smartphone ? u'S' : u'P') != std::u16string_view::npos;
}

} // namespace skinner
