#pragma once

// The per-user switch store that stands in for the registry: $XDG_CONFIG_HOME/melodeck/switches.ini
// (default ~/.config), one section per key path, e.g.
//
//     [HKEY_CURRENT_USER\Software\MOSK]
//     Log=1
//     Flicker=0
//
// A key path is a root name (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_CURRENT_CONFIG,
// HKEY_LOCAL_MACHINE, HKEY_USERS), a backslash and the subkey path. Key paths and value names
// compare without regard to case, as registry names do. Values are 32-bit unsigned numbers.

#include <cstdint>
#include <string>

namespace os {

// The key path of the program's diagnostic switches.
inline constexpr std::u16string_view s_switches_key = u"HKEY_CURRENT_USER\\Software\\MOSK";

// Stores the value into value when it exists as a number; any other text leaves value untouched.
// Returns whether the key could be opened (false only for a key path without a known root).
bool read_registry_flag(std::u16string_view key_path, std::u16string_view value_name, uint32_t& value);
// Creates the key and sets the value; the file is replaced whole, never left half-written.
bool write_registry_value(std::u16string_view key_path, std::u16string_view value_name, uint32_t value);

// The store's file (native path).
std::string switches_file();

} // namespace os
