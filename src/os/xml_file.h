#pragma once

// Loading and saving XML documents by path (settings and equalizer files). Paths go through
// expand_path. Called on the user-interface thread.

#include "liba/xml_node.h"

#include <string_view>

namespace os {

// The document in the file, or null when the file is missing, unreadable or not well-formed.
liba::XmlNode xml_load(std::u16string_view path);

// Writes a document (any other node gives false) over the file. The text goes to a new file in the
// same folder first, which is flushed to the disk and then renamed over the target: whatever
// fails on the way (a full disk, a folder that refuses new files), the old file stays as it was
// and false comes back. A replaced file keeps its permission bits; a symbolic link stays a link
// and the file it points to is replaced.
bool xml_save(const liba::XmlNode& document, std::u16string_view path);

} // namespace os
