#include "skinner/form_placement.h"

#include <algorithm>

namespace skinner {

namespace {

os::Point centred(const os::Rect& area, os::Size size)
{
    return {
        area.left() + (area.size.width - size.width) / 2, area.top() + (area.size.height - size.height) / 2};
}

} // namespace

std::optional<os::Rect> place_form_window(
    const FormPlacement& placement, const os::Rect& current, const os::Rect& work_area)
{
    if (placement.size == os::Size {0, 0})
        return std::nullopt;
    switch (placement.start_position) {
    case 1:
        return os::Rect {centred(work_area, placement.size), placement.size};
    case 2:
        return os::Rect {centred(placement.parent.value_or(work_area), placement.size), placement.size};
    case 3:
    case 4:
    case 5:
        return os::Rect {work_area.position,
            {std::max(work_area.size.width, placement.extent.width),
                std::max(work_area.size.height, placement.extent.height)}};
    default:
        return os::Rect {placement.position.value_or(current.position), placement.size};
    }
}

} // namespace skinner
