#include "player/audio_files.h"

#include "liba/text.h"
#include "os/path.h"

#include <array>

namespace player {

bool is_audio_file(std::u16string_view path)
{
    static constexpr std::array<std::u16string_view, 4> s_extensions = {u"mp3", u"wav", u"ogg", u"mpc"};
    std::u16string extension = liba::to_lower(os::extension(path));
    for (std::u16string_view known : s_extensions)
        if (extension == known)
            return true;
    return false;
}

} // namespace player
