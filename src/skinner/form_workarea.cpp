#include "skinner/form_workarea.h"

#include "os/log.h"

namespace skinner {

os::Rect form_workarea(os::Size screen, bool smartphone, bool ask_input_panel)
{
    return form_workarea(
        screen, smartphone, ask_input_panel ? os::input_panel_info() : os::InputPanelInfo {});
}

os::Rect form_workarea(os::Size screen, bool smartphone, const os::InputPanelInfo& panel)
{
    os::Rect area = os::work_area(
        screen, smartphone ? os::PlatformKind::smartphone : os::PlatformKind::pocket_pc, panel);
    os::log() << u"Form::get_workarea " << area.position.x << u" " << area.position.y << u" "
              << area.size.width << u" " << area.size.height << u"\n";
    return area;
}

} // namespace skinner
