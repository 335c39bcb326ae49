#include "support/scoped_config.h"

#include "liba/text.h"
#include "os/log.h"
#include "os/path.h"
#include "os/switches.h"

#include <cstdlib>

namespace test {

ScopedConfig::ScopedConfig() = default;

ScopedConfig::~ScopedConfig()
{
    set_logging(false);
    std::error_code ignored;
    std::filesystem::remove(log_file(), ignored);
}

void ScopedConfig::set_logging(bool on)
{
    os::write_registry_value(os::s_switches_key, u"Log", on ? 1 : 0);
    os::log();
}

std::filesystem::path ScopedConfig::log_file()
{
    return liba::to_utf8(os::expand_path(u"%app_full_name%.txt"));
}

std::u16string ScopedConfig::log_text()
{
    if (!std::filesystem::exists(log_file()))
        return {};
    Bytes bytes = read_file(log_file());
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(char16_t(bytes[i] | (bytes[i + 1] << 8)));
    return text;
}

} // namespace test
