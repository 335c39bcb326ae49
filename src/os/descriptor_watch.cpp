#include "os/descriptor_watch.h"

#include "os/log.h"
#include "os/screen.h"

#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>

namespace os {

// Shared by the watch, its thread and the handlers posted to the loop, which may still be queued
// when the watch goes.
struct DescriptorWatch::State {
    State(Screen& screen_, int descriptor_, std::function<bool()> on_readable_)
        : screen(screen_)
        , descriptor(descriptor_)
        , on_readable(std::move(on_readable_))
    {
    }

    Screen& screen;
    int descriptor;
    std::function<bool()> on_readable; // user-interface thread only; empty once the watch is gone
    int wake[2] = {-1, -1}; // a write to wake[1] ends the poll

    std::mutex mutex;
    std::condition_variable handled_or_stopped;
    bool handled = false;
    bool stop = false;
};

DescriptorWatch::DescriptorWatch(Screen& screen, int descriptor, std::function<bool()> on_readable)
    : m_state(std::make_shared<State>(screen, descriptor, std::move(on_readable)))
{
    if (::pipe2(m_state->wake, O_CLOEXEC) != 0) {
        log() << u"DescriptorWatch: no pipe {" << errno << u"}\n";
        return;
    }
    m_thread = std::thread([this] { run(); });
}

DescriptorWatch::~DescriptorWatch()
{
    m_state->on_readable = nullptr;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stop = true;
    }
    m_state->handled_or_stopped.notify_all();
    if (m_thread.joinable()) {
        char byte = 0;
        while (::write(m_state->wake[1], &byte, 1) < 0 && errno == EINTR) { }
        m_thread.join();
    }
    for (int end : m_state->wake) {
        if (end >= 0)
            ::close(end);
    }
}

void DescriptorWatch::run()
{
    std::shared_ptr<State> state = m_state;
    for (;;) {
        pollfd fds[2] = {{state->descriptor, POLLIN, 0}, {state->wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents == 0)
            continue;
        bool posted = state->screen.post_callback([state] {
            bool again = state->on_readable && state->on_readable();
            std::lock_guard lock(state->mutex);
            state->handled = true;
            state->stop = state->stop || !again;
            state->handled_or_stopped.notify_all();
        });
        std::unique_lock lock(state->mutex);
        if (!posted)
            return;
        state->handled_or_stopped.wait(lock, [&] { return state->handled || state->stop; });
        if (state->stop)
            return;
        state->handled = false;
    }
}

} // namespace os
