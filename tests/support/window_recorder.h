#pragma once

// A window procedure that records every message (with the update rectangle), paints its update
// rectangle in one colour and hands each message to an optional reaction; TestWindow owns one.

#include "os/platform.h"
#include "os/screen.h"
#include "os/shell.h"
#include "os/window.h"
#include "os/window_handler.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace test {

struct Recorded {
    uint32_t id = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    os::Rect update;
    int64_t time = 0;
    std::vector<uint8_t> data;
};

class WindowRecorder : public os::WindowHandler {
public:
    explicit WindowRecorder(uint32_t color = os::rgb(0x20, 0xC0, 0x40)) { m_color = color; }
    virtual ~WindowRecorder() = default;

    intptr_t on_message(os::Window& window, const os::WindowMessage& message) override
    {
        log.push_back(
            {message.id, message.wparam, message.lparam, window.update_rect(), message.time, message.data});
        if (message.id == os::WM_PAINT)
            os::Shell::fill(window.surface(), window.update_rect(), m_color);
        return react ? react(window, message) : 0;
    }

    std::vector<uint32_t> ids() const
    {
        std::vector<uint32_t> result;
        for (const Recorded& entry : log)
            result.push_back(entry.id);
        return result;
    }
    size_t count(uint32_t id) const { return only(id).size(); }
    std::vector<Recorded> only(uint32_t id) const
    {
        std::vector<Recorded> result;
        std::copy_if(log.begin(), log.end(), std::back_inserter(result),
            [&](const Recorded& r) { return r.id == id; });
        return result;
    }
    void set_color(uint32_t color) { m_color = color; }

    std::vector<Recorded> log;
    std::function<intptr_t(os::Window&, const os::WindowMessage&)> react;

private:
    uint32_t m_color;
};

// A window with its own recorder, placed at rect and shown (activated) unless asked otherwise.
struct TestWindow {
    TestWindow(os::Screen& screen, os::Rect rect, os::Window* owner = nullptr, bool show = true,
        os::WindowKind kind = os::WindowKind::normal)
        : window(screen, recorder, owner, kind)
    {
        window.move(rect);
        if (show)
            window.show(os::ShowMode::show);
    }

    WindowRecorder recorder;
    os::Window window;
};

// Sets the process-wide platform kind for one test and restores the previous one.
class PlatformScope {
public:
    explicit PlatformScope(os::PlatformKind kind) { os::set_platform_kind(kind); }
    ~PlatformScope() { os::set_platform_kind(m_previous); }
    PlatformScope(const PlatformScope&) = delete;
    PlatformScope& operator=(const PlatformScope&) = delete;

private:
    os::PlatformKind m_previous = os::platform_kind(); // taken before the constructor's body runs
};

} // namespace test
