#include "os/thread_priority.h"

#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

namespace os {

int platform_priority(int level)
{
    static constexpr int s_priorities[] = {5, 4, 3, 2, 1};
    return s_priorities[std::clamp(level, -2, 2) + 2];
}

bool set_current_thread_priority(int level)
{
    int nice = (platform_priority(level) - 3) * 5;
    // On Linux a nice value belongs to one thread, named by its kernel id.
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), nice) == 0;
}

} // namespace os
