#include "os/finder.h"

namespace os {

bool Finder::on_file(const std::u16string&)
{
    return true;
}

bool Finder::on_folder(const std::u16string&)
{
    return true;
}

Finder::~Finder() = default;

} // namespace os
