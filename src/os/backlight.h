#pragma once

// A backlight device of the Linux kernel (a folder like /sys/class/backlight/<name> holding
// "brightness" and "max_brightness"), switched off and back on to the brightness it had. The
// environment variable MELODECK_BACKLIGHT names the folder the display power manager uses.
//
// User-interface thread only. Failures are logged once per operation and leave the device alone.

#include <cstdint>
#include <optional>
#include <string>

namespace os {

class Backlight {
public:
    // The device named by MELODECK_BACKLIGHT, when it names a folder with a readable brightness
    // and max_brightness; none otherwise (unset, empty, missing or unreadable).
    static std::optional<Backlight> from_environment();
    // The device in that folder, under the same conditions.
    static std::optional<Backlight> open(const std::string& folder);

    // Remembers the current brightness and writes 0. False when it could not write; nothing
    // happens when it is off already.
    bool switch_off();
    // Writes the remembered brightness back (max_brightness when the remembered one was 0).
    bool switch_on();
    bool is_off() const { return m_off; }
    const std::string& folder() const { return m_folder; }

private:
    explicit Backlight(std::string folder, int64_t max);

    std::string m_folder;
    int64_t m_max = 0;
    int64_t m_saved = 0;
    bool m_off = false;
};

} // namespace os
