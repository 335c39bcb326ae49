#pragma once

// Opening a zip archive (a skin file) by path.

#include "liba/zip_file.h"

#include <memory>
#include <string_view>

namespace os {

// Opens the file for reading (path macros expanded) and hands it to a ZipFile; an archive of up to
// 32 MiB is read into memory first, so that its entries are found without a system call per
// header. While a reader of an archive is alive, opening the same (unchanged) file again shares
// its bytes and the index of its entries instead of reading and walking them again.
// Never null: a file that cannot be opened gives an archive whose walk ends at once.
std::unique_ptr<liba::ZipFile> open_zip(std::u16string_view path);

} // namespace os
