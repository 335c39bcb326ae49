#include "os/fatal_error.h"

#include "os/log.h"
#include "os/message_box.h"

#include <cstdio>
#include <cstdlib>

namespace os {

void fatal_error(std::u16string_view place, std::u16string_view message)
{
    liba::TextOStream& out = log();
    out << u"Gluck: " << message << u" @ " << place << u"\n";
    out.flush();
    message_box(message, place);
    std::fflush(nullptr);
    // Other threads may still run: end without static destructors.
    std::_Exit(EXIT_FAILURE);
}

} // namespace os
