#include "liba/text_ostream.h"

#include "liba/text.h"

#include <cstdio>

namespace liba {

TextOStream& TextOStream::operator<<(std::string_view text)
{
    return *this << from_utf8(text);
}

TextOStream& TextOStream::write_signed(int64_t value)
{
    return *this << to_text(value);
}

TextOStream& TextOStream::write_unsigned(uint64_t value)
{
    return *this << to_text_unsigned(value);
}

TextOStream& TextOStream::operator<<(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return *this << std::string_view(buffer);
}

} // namespace liba
