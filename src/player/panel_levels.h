#pragma once

// The level panel of the play panel ("panelLevels"): the two level meters ("pbLeft", "pbRight"),
// the volume bar ("pbVolume") and two check boxes of which one shows: "chkVolume" (checked by the
// form while the volume is above 0) unless the panel is built for VAS, then "chkVAS".
//
// While it has the focus, Left and Right move the volume by 0.05 (the bar clamps to 0..1); a drag
// on the volume bar sets it. Other keys are left to the container holding the panel. Every change of a bar
// climbs to the form's on_value_changed.
//
// User-interface thread only.

#include "skinner/control_check_box.h"
#include "skinner/control_panel.h"
#include "skinner/control_progress.h"

namespace player {

class PanelLevels : public skinner::ControlPanel {
public:
    // vas: show "chkVAS" instead of "chkVolume".
    PanelLevels(skinner::Container& container, bool vas);
    ~PanelLevels() override;

    int32_t on_child_value(skinner::Control& control, double value) override;
    bool on_key_down(int32_t key) override;
    // Re-reads the skin, keeping the one check box the panel shows.
    void on_skin_changed() override;

    skinner::ControlProgress& left() { return m_left; }
    skinner::ControlProgress& right() { return m_right; }
    skinner::ControlProgress& volume() { return m_volume; }
    skinner::ControlCheckBox& volume_check() { return m_volume_check; }
    skinner::ControlCheckBox& vas_check() { return m_vas_check; }

    // The step of Left and Right.
    static constexpr double s_step = 0.05;

private:
    void show_check();

    bool m_vas;
    skinner::ControlProgress m_left;
    skinner::ControlProgress m_right;
    skinner::ControlProgress m_volume;
    skinner::ControlCheckBox m_volume_check;
    skinner::ControlCheckBox m_vas_check;
};

} // namespace player
