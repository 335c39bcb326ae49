#include "os/zip_open.h"

#include "os/file.h"

namespace os {

std::unique_ptr<liba::ZipFile> open_zip(std::u16string_view path)
{
    return std::make_unique<liba::ZipFile>(open_file(path, FileMode::Read));
}

} // namespace os
