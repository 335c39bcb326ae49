#include "player/media_keys.h"

#include "os/keys.h"
#include "player/form_main.h"
#include "skinner/form_impl.h"

namespace player {

MediaKeys::MediaKeys(FormMain& form)
    : m_form(form)
{
    install(form.impl().window().id());
}

intptr_t MediaKeys::on_hooked_message(const os::WindowMessage& message, bool&)
{
    if (message.id != os::WM_KEYDOWN)
        return 0;
    constexpr intptr_t previous_state = intptr_t(1) << 30;
    bool repeat = (message.lparam & previous_state) != 0;
    switch (uint32_t(message.wparam)) {
    case os::VK_VOLUME_DOWN:
        step_volume(-PanelLevels::s_step);
        return 0;
    case os::VK_VOLUME_UP:
        step_volume(PanelLevels::s_step);
        return 0;
    default:
        break;
    }
    if (repeat)
        return 0;
    switch (uint32_t(message.wparam)) {
    case os::VK_MEDIA_PLAY_PAUSE:
        if (!m_form.is_playing())
            m_form.on_command(u"Play");
        else
            m_form.on_command(m_form.is_paused() ? u"Resume" : u"Pause");
        break;
    case os::VK_MEDIA_STOP:
        if (m_form.is_playing())
            m_form.on_command(u"Stop");
        break;
    case os::VK_MEDIA_PREV_TRACK:
        if (m_form.is_playing())
            m_form.on_command(u"Prev");
        break;
    case os::VK_MEDIA_NEXT_TRACK:
        if (m_form.is_playing())
            m_form.on_command(u"Next");
        break;
    default:
        break;
    }
    return 0;
}

void MediaKeys::step_volume(double step)
{
    skinner::ControlProgress& volume = m_form.panel().levels().volume();
    volume.set_value(volume.value() + step);
}

} // namespace player
