#include "skinner/auto_controls.h"

#include "skinner/control_button.h"
#include "skinner/control_frame.h"

namespace skinner {

std::unique_ptr<Control> make_auto_control(
    Container& container, std::u16string_view name, std::u16string_view kind)
{
    if (kind == u"Auto.Button")
        return std::make_unique<ControlButton>(container, name, LookupMode::named);
    if (kind == u"Auto.Frame")
        return std::make_unique<ControlFrame>(container, name, LookupMode::named);
    return nullptr;
}

} // namespace skinner
