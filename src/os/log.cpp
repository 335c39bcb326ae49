#include "os/log.h"

#include "os/switches.h"
#include "os/text_ostream_file.h"

#include <memory>
#include <mutex>

namespace os {

namespace {

// Forwards to the current target, which log() replaces when the switch changes.
class LogProxy final : public liba::TextOStream {
public:
    void write(const char16_t* begin, const char16_t* end) override
    {
        std::lock_guard guard(m_mutex);
        m_target->write(begin, end);
    }
    void flush() override
    {
        std::lock_guard guard(m_mutex);
        m_target->flush();
    }

    void update(bool enabled)
    {
        std::lock_guard guard(m_mutex);
        if (enabled == m_enabled)
            return;
        m_enabled = enabled;
        if (enabled)
            m_target = std::make_unique<Log>(u"%app_full_name%.txt");
        else
            m_target = std::make_unique<liba::TextOStreamEmpty>();
    }

private:
    std::mutex m_mutex;
    std::unique_ptr<liba::TextOStream> m_target = std::make_unique<liba::TextOStreamEmpty>();
    bool m_enabled = false;
};

LogProxy& proxy()
{
    // Never destroyed: threads and static destructors may still log during shutdown.
    static LogProxy* s_proxy = new LogProxy;
    return *s_proxy;
}

} // namespace

liba::TextOStream& log()
{
    uint32_t value = 0;
    read_registry_flag(s_switches_key, u"Log", value);
    proxy().update(value != 0);
    return proxy();
}

} // namespace os
