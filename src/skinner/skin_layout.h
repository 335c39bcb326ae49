#pragma once

// The byte layout of a compiled skin description, shared by the reader (SkinDescription) and the
// writer (SkinWriter). All integers are little-endian; offsets count bytes from the first byte of
// the description; strings are zero-terminated UTF-16 code units.
//
//   0    magic: the code units 0x0421 0x043A 0x0438 0x043D
//   8    version text, 32 units: a terminator within them, every unit after it zero
//   72   offset of the form tree's root (0 = no forms)
//   76   offset of the kind tree's root (0 = no kinds)
//   80   picture count P
//   84   font count F
//   88   offset of the name list: P picture names, then F font descriptions, packed
//   92   32 size entries of 12 bytes: width, height, reserved (unused entries all zero)
//   476  device list, 32 units, the same rule as the version text
//   540  string pool, records and property tables, in any order
//
// A record is 15 words: left child, right child, name offset, then begin/end pairs of its six
// property tables in PropertyType order. A form record adds word 15 (its control tree's root),
// word 16 (auto-control count A) and, from byte 68, A entries of two 16-bit string offsets
// (control name, kind name). Trees are binary search trees by name; tables are sorted by name.
// Names compare by code unit, a prefix sorting first. Every table entry starts with the 16-bit
// offset of its property name, so those strings lie in the first 64 KiB.

#include <array>
#include <cstddef>
#include <cstdint>

namespace skinner {

// The six property tables of a record, in the order of their begin/end words.
enum class PropertyType : uint8_t {
    integer = 0,
    point = 1,
    string = 2,
    picture = 3,
    colour = 4,
    font = 5,
};
inline constexpr size_t s_property_type_count = 6;

namespace skin_layout {

inline constexpr std::array<char16_t, 4> s_magic = {0x0421, 0x043A, 0x0438, 0x043D};
inline constexpr uint32_t s_version = 8;
inline constexpr uint32_t s_form_root = 72;
inline constexpr uint32_t s_kind_root = 76;
inline constexpr uint32_t s_picture_count = 80;
inline constexpr uint32_t s_font_count = 84;
inline constexpr uint32_t s_name_list = 88;
inline constexpr uint32_t s_sizes = 92;
inline constexpr uint32_t s_size_entry = 12;
inline constexpr uint32_t s_size_entries = 32;
inline constexpr uint32_t s_devices = 476;
inline constexpr uint32_t s_header_size = 540;
// Code units of the version and device fields, terminator included.
inline constexpr uint32_t s_text_field_units = 32;

inline constexpr uint32_t s_record_size = 60;
inline constexpr uint32_t s_form_record_size = 68;
inline constexpr uint32_t s_word_left = 0;
inline constexpr uint32_t s_word_right = 1;
inline constexpr uint32_t s_word_name = 2;
inline constexpr uint32_t s_word_tables = 3;
inline constexpr uint32_t s_word_control_root = 15;
inline constexpr uint32_t s_word_auto_count = 16;
inline constexpr uint32_t s_auto_entry = 4;

// Bytes per table entry, by PropertyType.
inline constexpr std::array<uint32_t, s_property_type_count> s_entry_size = {8, 6, 4, 20, 6, 8};

// Strings named by 16-bit offsets must start below this.
inline constexpr uint32_t s_short_offset_limit = 0x10000;
// Picture properties hold an 8-bit index into the picture list.
inline constexpr uint32_t s_max_pictures = 256;

} // namespace skin_layout

} // namespace skinner
