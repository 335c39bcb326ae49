#pragma once

// The ID3v1 tag found near the end of many MP3 files: "TAG" and a 125-byte body of fixed fields
// (title 30, artist 30, album 30, year 4, comment 30, genre 1). In ID3v1.1 the comment's byte 28
// is 0 and byte 29 holds the track number. Fields are 8-bit text: UTF-8 when valid, else
// Windows-1252.

#include "liba/streams.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace audio {

struct ID3v1Tag {
    std::u16string title;
    std::u16string artist;
    std::u16string album;
    std::u16string year;
    std::u16string comment;
    uint8_t track = 0; // 0: none
    uint32_t genre = 0;
    bool present = false;
};

// Looks for the last "TAG" in the last 1000 bytes of the file (the whole file when shorter) that
// still has a whole body after it; the standard place, 128 bytes before the end, is the first
// tried. On success body_offset is the file offset of the body, just after "TAG".
bool find_id3v1(liba::ResourceReader& file, uint32_t& body_offset);

// Reads the tag from its own handle on the file; an empty tag (present false) when there is none
// or the file cannot be read.
ID3v1Tag read_id3v1(std::u16string_view path);

// Decodes a 125-byte tag body.
ID3v1Tag parse_id3v1(const uint8_t* body);

} // namespace audio
