#include "player/resume_rewind.h"

#include <algorithm>
#include <chrono>

namespace player {

double rewind_seconds(double rest_seconds)
{
    if (!(rest_seconds >= 10))
        return 0;
    if (rest_seconds <= 60)
        return 1;
    if (rest_seconds <= 3600)
        return 2;
    if (rest_seconds <= 86400)
        return 10;
    return 30;
}

double rest_since_saved(int64_t saved_utc, int64_t now_utc)
{
    if (saved_utc < 0 || saved_utc > now_utc)
        return 3600;
    return double(now_utc - saved_utc);
}

int64_t utc_seconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch())
        .count();
}

int32_t rewound_position(audio::FileReader& reader, int32_t position, double seconds)
{
    if (position <= 0 || !(seconds > 0))
        return position;
    double time = reader.position_to_time(position) - seconds;
    if (!(time > 0))
        return 0;
    return std::clamp(reader.time_to_position(time), 0, position);
}

} // namespace player
