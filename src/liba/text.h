#pragma once

// The one text type of the system is std::u16string (UTF-16 code units, compared by code unit).
// These helpers convert at the edges: UTF-8 for file names and terminals, and the 8-bit text of
// old files (zip entry names, ID3v1 fields, 8-bit language files), which is UTF-8 when it is
// valid UTF-8 and Windows-1252 otherwise.

#include <cstdint>
#include <string>
#include <string_view>

namespace liba {

std::u16string from_utf8(std::string_view text);
std::string to_utf8(std::u16string_view text);
bool is_valid_utf8(std::string_view text);
std::u16string from_cp1252(std::string_view text);
// 8-bit text of unknown origin: UTF-8 when valid, else Windows-1252.
std::u16string from_8bit(std::string_view text);

// Code-unit-wise case mapping for ASCII, Latin-1, Greek and Cyrillic letters.
char16_t to_lower(char16_t c);
char16_t to_upper(char16_t c);
std::u16string to_lower(std::u16string_view text);
std::u16string to_upper(std::u16string_view text);

std::u16string to_text(int64_t value);
std::u16string to_text_unsigned(uint64_t value);
// printf "%f": six decimals.
std::u16string to_text(double value);

} // namespace liba
