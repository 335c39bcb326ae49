#include "os/text_ostream_file.h"

#include <vector>

namespace os {

TextOStreamFile::TextOStreamFile(std::u16string_view path)
    : m_file(path, FileMode::Write)
{
    static constexpr uint8_t s_mark[2] = {0xFF, 0xFE};
    m_file.write(s_mark, sizeof s_mark);
}

void TextOStreamFile::write(const char16_t* begin, const char16_t* end)
{
    if (!m_file.good() || begin == end)
        return;
    std::vector<uint8_t> bytes;
    bytes.reserve(size_t(end - begin) * 2);
    for (const char16_t* c = begin; c != end; ++c) {
        bytes.push_back(uint8_t(*c));
        bytes.push_back(uint8_t(*c >> 8));
    }
    m_file.write(bytes.data(), uint32_t(bytes.size()));
}

void TextOStreamFile::flush()
{
    m_file.flush();
}

void Log::write(const char16_t* begin, const char16_t* end)
{
    liba::ScopedLock guard(m_lock);
    TextOStreamFile::write(begin, end);
}

void Log::flush()
{
    liba::ScopedLock guard(m_lock);
    TextOStreamFile::flush();
}

} // namespace os
