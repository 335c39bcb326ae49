#pragma once

// Folder creation and the facts of one file or folder.

#include <cstdint>
#include <string_view>

namespace os {

// Attribute bits as the handheld's file system reports them.
inline constexpr uint32_t s_attribute_readonly = 0x01;
inline constexpr uint32_t s_attribute_hidden = 0x02; // the name begins with '.'
inline constexpr uint32_t s_attribute_directory = 0x10;
inline constexpr uint32_t s_attribute_normal = 0x80; // none of the others
inline constexpr uint32_t s_attribute_none = 0xFFFFFFFF; // the path was not found

// A moment in local time; month 1..12, day 1..31.
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

struct FileInfo {
    bool exists = false;
    uint32_t attributes = s_attribute_none;
    uint64_t size = 0; // bytes; 0 for a folder
    // When the file was made, in local time: its birth time where the file system records one,
    // else its last modification time (created_is_birth_time tells which).
    LocalTime created;
    bool created_is_birth_time = false;
    // errno of the look-up; 0 when it succeeded.
    int last_error = 0;
};

// Looks the path (macros and either separator allowed) up once; links are followed.
FileInfo file_info(std::u16string_view path);

// Expands the path and creates every missing folder from the top down; "already exists" and other
// errors along the way are ignored. Returns whether the folder exists afterwards.
bool create_folders(std::u16string_view path);

// Whether this process may create files in the folder (macros and either separator allowed).
bool is_writable_folder(std::u16string_view path);

} // namespace os
