#pragma once

// The position panel of the play panel ("panelPosition"): the position bar ("pbPosition") between
// two step buttons ("btnLeft", "btnRight"). A tap on a step button moves the bar by 0.05; a drag on
// the bar sets it. While the panel has the focus, Left and Right hold the matching button down
// (it shows pressed) and releasing the key taps it; losing the focus releases a held button, which
// then fires as on key up. Other keys are left to the container holding the panel. Every change of the bar
// climbs to the form's on_value_changed.
//
// User-interface thread only.

#include "skinner/control_button.h"
#include "skinner/control_panel.h"
#include "skinner/control_progress.h"

namespace player {

class PanelPosition : public skinner::ControlPanel {
public:
    explicit PanelPosition(skinner::Container& container);
    ~PanelPosition() override;

    int32_t on_child_click(skinner::Control& control, skinner::Point argument) override;
    int32_t on_child_value(skinner::Control& control, double value) override;
    void on_focus_lost() override;
    bool on_key_down(int32_t key) override;
    bool on_key_up(int32_t key) override;

    skinner::ControlButton& step_left() { return m_step_left; }
    skinner::ControlButton& step_right() { return m_step_right; }
    skinner::ControlProgress& position() { return m_position; }

    // The step of the buttons.
    static constexpr double s_step = 0.05;

private:
    // The step button of a key, or null.
    skinner::ControlButton* button_of(int32_t key);
    // Ends a hold by a key; a button that was held fires.
    static void release(skinner::ControlButton& button);

    skinner::ControlButton m_step_left;
    skinner::ControlButton m_step_right;
    skinner::ControlProgress m_position;
};

} // namespace player
