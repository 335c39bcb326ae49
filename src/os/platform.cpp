#include "os/platform.h"

#include <algorithm>
#include <atomic>

namespace os {

namespace {

std::atomic<PlatformKind> s_kind {PlatformKind::pocket_pc};

int32_t smartphone_bar(int32_t width)
{
    switch (width) {
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

} // namespace

void set_platform_kind(PlatformKind kind)
{
    s_kind = kind;
}

PlatformKind platform_kind()
{
    return s_kind;
}

bool is_smartphone()
{
    return platform_kind() == PlatformKind::smartphone;
}

std::u16string platform_type_string()
{
    return is_smartphone() ? u"SmartPhone" : u"PocketPC";
}

InputPanelInfo input_panel_info()
{
    return {};
}

int32_t bar_height(Size screen, PlatformKind kind)
{
    if (kind == PlatformKind::smartphone)
        return smartphone_bar(screen.width);
    return screen.width == 480 || screen.width == 640 ? 52 : 26;
}

Rect work_area(Size screen, PlatformKind kind, const InputPanelInfo& panel)
{
    Point origin {0, bar_height(screen, kind)};
    if (kind == PlatformKind::pocket_pc && panel.on) {
        return {origin,
            {std::max(0, panel.visible_desktop.right() - origin.x),
                std::max(0, panel.visible_desktop.bottom() - origin.y)}};
    }
    // A screen too small for both bars leaves an empty area rather than a negative one.
    return {origin, {std::max(0, screen.width - 2 * origin.x), std::max(0, screen.height - 2 * origin.y)}};
}

} // namespace os
