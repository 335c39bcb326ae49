#pragma once

// Wide text into a file as UTF-16 little-endian with the FF FE mark. The file is created or
// truncated. When it cannot be created, writes are dropped silently.

#include "liba/critical_section.h"
#include "liba/text_ostream.h"
#include "os/file.h"

namespace os {

class TextOStreamFile : public liba::TextOStream {
public:
    explicit TextOStreamFile(std::u16string_view path);

    void write(const char16_t* begin, const char16_t* end) override;
    void flush() override;
    bool good() const { return m_file.good(); }

private:
    File m_file;
};

// A TextOStreamFile that several threads may write at once: each write and flush is locked.
class Log final : public TextOStreamFile {
public:
    using TextOStreamFile::TextOStreamFile;

    void write(const char16_t* begin, const char16_t* end) override;
    void flush() override;

private:
    liba::CriticalSection m_lock;
};

} // namespace os
