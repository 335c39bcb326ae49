#pragma once

// The texts of the status display and the file browser, built from numbers and the language.

#include "liba/string_translator.h"

#include <cstdint>
#include <optional>
#include <string>

namespace player {

// The status line while a track plays, writing P, R, T, F for the texts of "Status_Play" (empty
// when the language has none), "Status_Random", "Status_Repeat" and "Status_From" (the key when
// absent):
//   random on, more than one file:  "P R F 12"
//   otherwise, repeat on:           "P T 3 F 12"
//   otherwise:                      "P 3 F 12"
// with current_index zero-based and size the number of files. A lead given stands in for P (the
// sleep timer's text, so that the line keeps its length on small screens).
std::u16string status_line(const liba::StringTranslator& translator, bool random, bool repeat,
    int32_t current_index, int32_t size, std::optional<std::u16string> lead = std::nullopt);
// What begins the status line while the sleep timer runs: the text of "Status_Sleep" (the key
// when absent) and, unless minutes_left is negative (a timer without minutes), " " and the
// minutes: "Sleep 15".
std::u16string sleep_status(const liba::StringTranslator& translator, int32_t minutes_left);
// H:MM:SS of the seconds truncated to whole seconds: 3725.9 gives "1:02:05". Negative or
// non-finite seconds give "0:00:00"; beyond 2^31 seconds the count stops there.
std::u16string clock_text(double seconds);
// "44kHz 16bit 128kbps" for 44100 Hz, 16 bits and 128000 bit/s (rates in whole thousands, cut).
std::u16string info_text(int32_t sample_rate, int32_t bits_per_sample, int32_t bitrate);
// A file size as the browser shows it, of the low 32 bits of bytes: "" for 0, "512B" below 1024,
// "2K" below 1048576 (whole KiB, cut), else "1,5M" (MiB with one decimal digit, cut).
std::u16string size_text(uint64_t bytes);

} // namespace player
