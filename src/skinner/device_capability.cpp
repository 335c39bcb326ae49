#include "skinner/device_capability.h"

#include "liba/text.h"
#include "os/log.h"
#include "os/platform.h"

#include <optional>
#include <string>

namespace skinner {

namespace {

// The system hands the platform type over in a buffer of this many characters.
constexpr size_t s_platform_type_capacity = 200;

std::optional<bool> s_is_smartphone;
std::optional<bool> s_has_soft_keys;

} // namespace

bool is_smartphone_type(std::u16string_view platform_type)
{
    return liba::to_lower(platform_type.substr(0, s_platform_type_capacity)) == u"smartphone";
}

bool static_capability_is_smartphone()
{
    if (!s_is_smartphone) {
        std::u16string text = os::platform_type_string().substr(0, s_platform_type_capacity);
        os::log() << u"static_capability_is_smartphone=" << text << u"\n";
        s_is_smartphone = is_smartphone_type(text);
    }
    return *s_is_smartphone;
}

bool static_capability_has_soft_keys()
{
    if (!s_has_soft_keys)
        s_has_soft_keys = static_capability_is_smartphone() || os::s_os_version_major >= 5;
    return *s_has_soft_keys;
}

DeviceKind device_kind()
{
    return static_capability_is_smartphone() ? DeviceKind::smartphone : DeviceKind::pocket_pc;
}

void forget_static_capabilities()
{
    s_is_smartphone.reset();
    s_has_soft_keys.reset();
}

} // namespace skinner
