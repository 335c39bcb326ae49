#include "os/message_queue.h"

namespace os {

bool MessageQueue::post(Message message)
{
    {
        std::lock_guard guard(m_mutex);
        if (m_quit)
            return false;
        m_messages.push_back(std::move(message));
    }
    m_ready.notify_one();
    return true;
}

bool MessageQueue::post_callback(std::function<void()> callback)
{
    Message message;
    message.callback = std::move(callback);
    return post(std::move(message));
}

void MessageQueue::post_quit()
{
    {
        std::lock_guard guard(m_mutex);
        m_quit = true;
    }
    m_ready.notify_all();
}

namespace {

Message quit_message()
{
    return Message {WM_QUIT, 0, 0, {}};
}

} // namespace

Message MessageQueue::get()
{
    std::unique_lock guard(m_mutex);
    m_ready.wait(guard, [this] { return !m_messages.empty() || m_quit; });
    if (m_messages.empty()) {
        return quit_message();
    }
    Message message = std::move(m_messages.front());
    m_messages.pop_front();
    return message;
}

std::optional<Message> MessageQueue::get_for(std::chrono::milliseconds timeout)
{
    std::unique_lock guard(m_mutex);
    if (!m_ready.wait_for(guard, timeout, [this] { return !m_messages.empty() || m_quit; }))
        return std::nullopt;
    if (m_messages.empty()) {
        return quit_message();
    }
    Message message = std::move(m_messages.front());
    m_messages.pop_front();
    return message;
}

std::optional<Message> MessageQueue::try_get()
{
    // No wait with a zero timeout: that still costs two system calls, at every turn of a loop.
    std::lock_guard guard(m_mutex);
    if (m_messages.empty())
        return m_quit ? std::optional<Message>(quit_message()) : std::nullopt;
    Message message = std::move(m_messages.front());
    m_messages.pop_front();
    return message;
}

size_t MessageQueue::pump(const std::function<void(const Message&)>& handler)
{
    std::deque<Message> taken;
    {
        std::lock_guard guard(m_mutex);
        taken.swap(m_messages);
    }
    for (const Message& message : taken) {
        if (message.callback)
            message.callback();
        else if (handler)
            handler(message);
    }
    return taken.size();
}

size_t MessageQueue::size() const
{
    std::lock_guard guard(m_mutex);
    return m_messages.size();
}

bool MessageQueue::quitting() const
{
    std::lock_guard guard(m_mutex);
    return m_quit;
}

} // namespace os
