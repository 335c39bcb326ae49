#include "audio/player_pcm.h"

#include "audio/player_pcm_impl.h"
#include "os/fatal_error.h"

namespace audio {

PlayerPCM::PlayerPCM(os::WaveOutFactory factory)
    : m_impl(std::make_unique<PlayerPCMImpl>(*this, std::move(factory)))
{
}

PlayerPCM::~PlayerPCM()
{
    // The thread must be gone before the consumer base (and its lock) goes.
    m_impl.reset();
}

void PlayerPCM::on_data(const PCMData&)
{
    os::fatal_error(u"PlayerPCM::on_data", u"on_data unexpected - player is active object");
}

bool PlayerPCM::play()
{
    return m_impl->play();
}

bool PlayerPCM::stop()
{
    return m_impl->stop();
}

bool PlayerPCM::pause()
{
    return m_impl->pause();
}

void PlayerPCM::set_volume(double volume)
{
    m_impl->set_volume(volume);
}

double PlayerPCM::get_volume()
{
    return m_impl->get_volume();
}

double PlayerPCM::get_level(int32_t channel)
{
    return m_impl->get_level(channel);
}

bool PlayerPCM::is_drained()
{
    return m_impl->is_drained();
}

bool PlayerPCM::open_failed()
{
    return m_impl->open_failed();
}

bool PlayerPCM::device_failed()
{
    return m_impl->device_failed();
}

} // namespace audio
