#include "os/message_box.h"

#include "liba/text.h"

#include <cstdio>
#include <mutex>

namespace os {

namespace {

std::mutex s_mutex;
MessageBoxHandler& handler()
{
    static MessageBoxHandler s_handler;
    return s_handler;
}

} // namespace

void message_box(std::u16string_view text, std::u16string_view caption)
{
    MessageBoxHandler current;
    {
        std::lock_guard guard(s_mutex);
        current = handler();
    }
    if (current) {
        current(text, caption);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", liba::to_utf8(caption).c_str(), liba::to_utf8(text).c_str());
    std::fflush(stderr);
}

MessageBoxHandler set_message_box_handler(MessageBoxHandler replacement)
{
    std::lock_guard guard(s_mutex);
    MessageBoxHandler previous = std::move(handler());
    handler() = std::move(replacement);
    return previous;
}

} // namespace os
