#include "player/panel_levels.h"

#include "skinner/key_codes.h"

namespace player {

PanelLevels::PanelLevels(skinner::Container& container, bool vas)
    : ControlPanel(container, u"panelLevels", skinner::LookupMode::named)
    , m_vas(vas)
    , m_left(inner(), u"pbLeft", skinner::LookupMode::named)
    , m_right(inner(), u"pbRight", skinner::LookupMode::named)
    , m_volume(inner(), u"pbVolume", skinner::LookupMode::named)
    , m_volume_check(inner(), u"chkVolume", skinner::LookupMode::named)
    , m_vas_check(inner(), u"chkVAS", skinner::LookupMode::named)
{
    show_check();
}

PanelLevels::~PanelLevels() = default;

void PanelLevels::show_check()
{
    m_volume_check.set_visible(!m_vas);
    m_vas_check.set_visible(m_vas);
}

void PanelLevels::on_skin_changed()
{
    ControlPanel::on_skin_changed();
    show_check();
}

int32_t PanelLevels::on_child_value(skinner::Control& control, double value)
{
    if (&control != &m_volume)
        return ControlPanel::on_child_value(control, value);
    m_volume.set_value(value);
    return 0;
}

bool PanelLevels::on_key_down(int32_t key)
{
    if (key == skinner::KeyLeft) {
        m_volume.set_value(m_volume.value() - s_step);
        return true;
    }
    if (key == skinner::KeyRight) {
        m_volume.set_value(m_volume.value() + s_step);
        return true;
    }
    return false;
}

} // namespace player
