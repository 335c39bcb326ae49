#include "player/sleep_timer.h"

#include "os/window_message.h"
#include "skinner/form_impl.h"
#include "skinner/power_manager_impl.h"

#include <utility>

namespace player {

const SleepChoice* find_sleep_choice(std::u16string_view command)
{
    for (const SleepChoice& choice : s_sleep_choices) {
        if (choice.command == command)
            return &choice;
    }
    return nullptr;
}

void SleepTimer::start(SleepMode mode, int64_t now_ms)
{
    m_mode = mode;
    m_end_ms = now_ms;
    for (const SleepChoice& choice : s_sleep_choices) {
        if (choice.mode == mode)
            m_end_ms = now_ms + choice.minutes * 60000;
    }
}

bool SleepTimer::is_timed() const
{
    return m_mode != SleepMode::off && m_mode != SleepMode::end_of_track;
}

bool SleepTimer::is_fading(int64_t now_ms) const
{
    return is_timed() && now_ms >= m_end_ms;
}

int32_t SleepTimer::minutes_left(int64_t now_ms) const
{
    if (!is_timed())
        return -1;
    if (now_ms >= m_end_ms)
        return 0;
    return int32_t((m_end_ms - now_ms + 59999) / 60000);
}

SleepTimer::Step SleepTimer::step(int64_t now_ms)
{
    if (!is_fading(now_ms))
        return {};
    int64_t faded = now_ms - m_end_ms;
    if (faded >= s_fade_ms) {
        m_mode = SleepMode::off;
        return {Step::run_out, 0.0};
    }
    return {Step::fade, 1.0 - double(faded) / double(s_fade_ms)};
}

UserActivityHook::UserActivityHook(os::WindowId window, std::function<void()> on_activity)
    : m_on_activity(std::move(on_activity))
{
    install(window);
}

intptr_t UserActivityHook::on_hooked_message(const os::WindowMessage& message, bool&)
{
    if (skinner::is_user_activity(message))
        m_on_activity();
    return 0;
}

} // namespace player
