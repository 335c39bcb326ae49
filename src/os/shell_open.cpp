#include "os/shell_open.h"

#include "liba/text.h"
#include "os/log.h"

#include <cerrno>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace os {

void shell_open(std::u16string_view url)
{
    if (url.empty() || url.front() == u'-') {
        log() << u"shell_open: refused {" << url << u"}\n";
        return;
    }
    std::string program = "xdg-open";
    std::string argument = liba::to_utf8(url);
    char* argv[] {program.data(), argument.data(), nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own session: a terminal's hang-up or ^C meant for us does not reach the browser.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    int failed = posix_spawnp(&pid, program.c_str(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
        log() << u"shell_open: xdg-open could not be started for {" << url << u"}\n";
        return;
    }
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    }).detach();
}

} // namespace os
