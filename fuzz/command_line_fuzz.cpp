// Arbitrary bytes as the command line a later copy hands to the running player (UTF-16 LE, as the
// copy-data message carries it), split into arguments and parsed. No crash, no hang; and what
// parses hands over a text that gives the same path and script again.

#include "player/start_up.h"

#include <cstdint>
#include <string>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2)
        text += char16_t(data[i] | (data[i + 1] << 8));
    std::string error;
    std::optional<player::CommandLine> given
        = player::parse_command_line(player::split_command_line(text), error);
    if (!given)
        return 0;
    std::optional<player::CommandLine> again
        = player::parse_command_line(player::split_command_line(given->text), error);
    check(again && again->path == given->path && again->script == given->script);
    return 0;
}
