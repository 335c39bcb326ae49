#include "os/backlight.h"

#include "liba/text.h"
#include "os/log.h"

#include <cstdlib>
#include <fstream>

namespace os {

namespace {

constexpr char s_variable[] = "MELODECK_BACKLIGHT";

// A non-negative number read from a one-line sysfs file; none when it is missing or not a number.
std::optional<int64_t> read_number(const std::string& path)
{
    std::ifstream in(path);
    long long value = -1;
    if (!(in >> value) || value < 0)
        return std::nullopt;
    return int64_t(value);
}

bool write_number(const std::string& path, int64_t value)
{
    std::ofstream out(path, std::ios::trunc);
    out << value << '\n';
    out.flush();
    if (out)
        return true;
    log() << u"Backlight: cannot write " << liba::from_utf8(path) << u"\n";
    return false;
}

} // namespace

Backlight::Backlight(std::string folder, int64_t max)
    : m_folder(std::move(folder))
    , m_max(max)
{
}

std::optional<Backlight> Backlight::from_environment()
{
    const char* folder = std::getenv(s_variable);
    if (!folder || !*folder)
        return std::nullopt;
    std::optional<Backlight> device = open(folder);
    if (!device)
        log() << u"Backlight: " << liba::from_utf8(folder) << u" is not a backlight device\n";
    return device;
}

std::optional<Backlight> Backlight::open(const std::string& folder)
{
    std::optional<int64_t> max = read_number(folder + "/max_brightness");
    if (!max || !read_number(folder + "/brightness"))
        return std::nullopt;
    return Backlight(folder, *max);
}

bool Backlight::switch_off()
{
    if (m_off)
        return true;
    std::optional<int64_t> now = read_number(m_folder + "/brightness");
    if (!now || !write_number(m_folder + "/brightness", 0))
        return false;
    m_saved = *now;
    m_off = true;
    return true;
}

bool Backlight::switch_on()
{
    if (!m_off)
        return true;
    int64_t value = m_saved > 0 ? m_saved : m_max;
    if (!write_number(m_folder + "/brightness", value))
        return false;
    m_off = false;
    return true;
}

} // namespace os
