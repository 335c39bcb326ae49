#pragma once

// The media keys, for the main form: a desktop keyboard's play, stop, track and volume keys and a
// gamepad's buttons for them (os/screen/gamepad.h) arrive as media virtual keys, which the
// framework has no key code for, so this hook on the form's window reads them before the form
// does (and passes every message on, so the display power manager still sees the key):
//
//     VK_MEDIA_PLAY_PAUSE    what the play soft key offers: "Play" in the browser, else "Pause"
//                            or "Resume"
//     VK_MEDIA_STOP          "Stop", while something plays
//     VK_MEDIA_PREV_TRACK    "Prev", while something plays
//     VK_MEDIA_NEXT_TRACK    "Next", while something plays
//     VK_VOLUME_DOWN / _UP   the volume bar one PanelLevels::s_step down or up (repeating)
//
// A held key repeats only the volume. User-interface thread only.

#include "skinner/control_subclass.h"

namespace player {

class FormMain;

class MediaKeys : public skinner::ControlSubclass {
public:
    // Hooks the form's window; the form must outlive the hook.
    explicit MediaKeys(FormMain& form);

protected:
    intptr_t on_hooked_message(const os::WindowMessage& message, bool& pass_on) override;

private:
    void step_volume(double step);

    FormMain& m_form;
};

} // namespace player
