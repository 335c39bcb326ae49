#pragma once

// The one global diagnostic stream. Whether anything is written is decided on every call by the
// switch "Log" under HKEY_CURRENT_USER\Software\MOSK (see switches.h): switching it on creates
// (or truncates) "%app_full_name%.txt", UTF-16LE with the FF FE mark; switching it off closes it.
// Lines are free text, one event per line, values wrapped in braces:
//     os::log() << u"Skin file {" << name << u"} has no form {" << form << u"}\n";
// Safe from any thread: the returned stream forwards to the current file under a lock.

#include "liba/text_ostream.h"

namespace os {

liba::TextOStream& log();

} // namespace os
