#pragma once

// The audiobook bookmarks: where each long recording was left, as (file path, position) records in
// the order they were stored. Positions are in the position unit of the file's reader. Paths are
// compared exactly (case-sensitive, as stored). Several records may name one path (a settings file
// can hold them); the last one counts. Each record knows when it was stored (UTC seconds, -1 when
// not known: records of older settings files), so that a start can tell how long the book rested.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace player {

struct Bookmark {
    std::u16string path;
    int32_t position = 0;
    int64_t saved = -1;
};

class Bookmarks {
public:
    // Removes the last record of path, if any, and appends (path, position) at the end.
    void store(std::u16string_view path, int32_t position, int64_t saved = -1);
    // Appends a record as it was loaded; duplicates are kept.
    void append(Bookmark bookmark);
    // The position of the last record of path, else 0.
    int32_t resume_position(std::u16string_view path) const;
    // The saved time of the last record of path; -1 when none or not known.
    int64_t saved_time(std::u16string_view path) const;
    bool has(std::u16string_view path) const;
    const std::vector<Bookmark>& list() const { return m_list; }
    void clear() { m_list.clear(); }

private:
    std::vector<Bookmark>::const_iterator find_last(std::u16string_view path) const;

    std::vector<Bookmark> m_list;
};

} // namespace player
