#include "player/panel_display.h"

#include "skinner/key_codes.h"

namespace player {

PanelDisplay::PanelDisplay(skinner::Container& container)
    : ControlPanel(container, u"panelDisplay", skinner::LookupMode::named)
    , m_clock(inner(), u"frmClock", skinner::LookupMode::named)
    , m_title(inner(), u"frmTitle", skinner::LookupMode::named)
    , m_info(inner(), u"frmInfo", skinner::LookupMode::named)
{
}

PanelDisplay::~PanelDisplay() = default;

bool PanelDisplay::on_key_down(int32_t key)
{
    if (key == skinner::KeyLeft) {
        on_command(u"Prev");
        return true;
    }
    if (key == skinner::KeyRight) {
        on_command(u"Next");
        return true;
    }
    return false;
}

} // namespace player
