#pragma once

// The visitor of a directory search (see search.h and drives.h). Paths handed to it are the
// searched folder joined with the entry's name. Each callback returns true to go on.

#include <cstdint>
#include <string>

namespace os {

class Finder {
public:
    virtual bool on_file(const std::u16string& path);
    virtual bool on_folder(const std::u16string& path);
    virtual ~Finder();

    // During on_file: the file's size in bytes as the search listed it, so that a finder needs
    // no lookup of its own (links followed). The search sets it before each call.
    uint64_t listed_size() const { return m_listed_size; }
    void set_listed_size(uint64_t size) { m_listed_size = size; }

private:
    uint64_t m_listed_size = 0;
};

} // namespace os
