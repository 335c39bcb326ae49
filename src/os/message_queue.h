#pragma once

// A thread's message queue: any thread posts, the owning thread waits for and takes messages in
// posting order. A message carries an id and two parameters (as the device notices and requests
// of the player do) or a callback to run on the owning thread (as the active scheduler and the
// screen's loop use). After post_quit() the queue hands out WM_QUIT once everything posted before
// it has been taken, and refuses further posts.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

namespace os {

inline constexpr uint32_t WM_QUIT = 0x0012;
inline constexpr uint32_t WM_USER = 0x0400;

struct Message {
    uint32_t id = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    // When set, the owning thread's loop runs it (see run_callback).
    std::function<void()> callback;
};

class MessageQueue {
public:
    MessageQueue() = default;
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // False once the queue has been told to quit.
    bool post(Message message);
    bool post(uint32_t id, uintptr_t wparam = 0, intptr_t lparam = 0)
    {
        return post(Message {id, wparam, lparam, {}});
    }
    bool post_callback(std::function<void()> callback);
    void post_quit();

    // Blocks until a message arrives; WM_QUIT after post_quit.
    Message get();
    // Waits at most timeout; nothing when none arrived.
    std::optional<Message> get_for(std::chrono::milliseconds timeout);
    std::optional<Message> try_get();

    // Takes every message now in the queue and runs the callbacks among them; returns how many
    // messages were taken. Messages without a callback are handed to handler when given.
    size_t pump(const std::function<void(const Message&)>& handler = {});

    size_t size() const;
    bool quitting() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Message> m_messages;
    bool m_quit = false;
};

} // namespace os
