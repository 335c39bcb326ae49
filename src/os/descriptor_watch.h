#pragma once

// Runs a handler on the user-interface thread whenever a descriptor has something to read, without
// waking the process otherwise: a thread of its own blocks in poll() on the descriptor, posts the
// handler to the screen's loop when it becomes readable, and polls again only once the handler has
// run (so the handler, which reads, always finds the data there and is never queued twice). The
// handler returns false to stop watching (the descriptor failed or hung up).
//
// The watch is made and destroyed on the user-interface thread; the handler runs there and never
// after the watch is gone. The thread never touches what the descriptor belongs to, only polls it.

#include "liba/nocopy.h"

#include <functional>
#include <memory>
#include <thread>

namespace os {

class Screen;

class DescriptorWatch : private liba::Nocopy {
public:
    DescriptorWatch(Screen& screen, int descriptor, std::function<bool()> on_readable);
    ~DescriptorWatch();

private:
    struct State;

    void run();

    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace os
