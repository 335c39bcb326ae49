#pragma once

// The visitor of a directory search (see search.h and drives.h). Paths handed to it are the
// searched folder joined with the entry's name. Each callback returns true to go on.

#include <string>

namespace os {

class Finder {
public:
    virtual bool on_file(const std::u16string& path);
    virtual bool on_folder(const std::u16string& path);
    virtual ~Finder();
};

} // namespace os
