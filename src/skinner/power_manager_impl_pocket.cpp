#include "skinner/power_manager_impl_pocket.h"

#include "os/log.h"
#include "os/screen.h"
#include "os/window.h"
#include "skinner/form.h"
#include "skinner/form_impl.h"

namespace skinner {

PowerManagerImplPocket::PowerManagerImplPocket(Form& form)
    : PowerManagerImpl(form)
    , m_backlight(os::Backlight::from_environment())
{
    restart();
    install(form.impl().window().id());
    m_timer = form.start_timer(1.0);
}

PowerManagerImplPocket::~PowerManagerImplPocket()
{
    form().kill_timer(m_timer);
    remove();
}

double PowerManagerImplPocket::now_ms() const
{
    return double(form().impl().screen().now());
}

void PowerManagerImplPocket::restart()
{
    m_last_activity = now_ms();
}

double PowerManagerImplPocket::elapsed() const
{
    return (now_ms() - m_last_activity) * 0.001;
}

void PowerManagerImplPocket::set_display(bool on)
{
    form().impl().screen().set_power(on);
    if (m_backlight) {
        if (on)
            m_backlight->switch_on();
        else
            m_backlight->switch_off();
    }
    if (on)
        restart();
}

bool PowerManagerImplPocket::is_display_on() const
{
    return form().impl().screen().power() && !(m_backlight && m_backlight->is_off());
}

bool PowerManagerImplPocket::form_in_front() const
{
    const os::Window& own = form().impl().window();
    for (const os::Window* window = own.screen().active_window(); window; window = window->owner()) {
        if (window == &own)
            return true;
    }
    return false;
}

intptr_t PowerManagerImplPocket::on_hooked_message(const os::WindowMessage& message, bool&)
{
    if (is_user_activity(message)) {
        os::log() << u"PowerManagerImpl interesting message\n";
        set_display(true);
        restart();
    } else if (message.id == os::WM_TIMER && m_timer != 0 && uint32_t(message.wparam) == m_timer) {
        on_tick();
    }
    return 0;
}

void PowerManagerImplPocket::on_tick()
{
    if (!form_in_front() || !is_display_on()) {
        restart();
        return;
    }
    if (!(m_interval > 0))
        return;
    if (elapsed() > m_interval) {
        os::log() << u"PowerManagerImpl time.elapsed() > interval\n";
        set_display(false);
    }
}

} // namespace skinner
