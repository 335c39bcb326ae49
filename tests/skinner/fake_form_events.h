#pragma once

// FakeForm: a form for the window side that writes down its calls and paints a background and a
// "control" rectangle. KeyForm: a real form of the forms skin (tests/fixtures/skins/forms_skin.xml)
// that writes down its keys. FormsDevice: a device kind, a headless screen and that skin.

#include "os/platform.h"
#include "os/screen/headless_screen.h"
#include "skinner/device_capability.h"
#include "skinner/form.h"
#include "skinner/form_events.h"
#include "skinner/form_impl.h"
#include "skinner/key_codes.h"
#include "skinner/menu_manager_impl.h"
#include "skinner/properties.h"
#include "support/test_support.h"
#include "support/window_recorder.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace test {

inline std::string narrow(std::u16string_view text)
{
    return std::string(text.begin(), text.end());
}

class FakeForm : public skinner::FormEvents {
public:
    explicit FakeForm(FakeForm* owner = nullptr, skinner::FormWindowKind kind = skinner::FormWindowKind::form)
        : impl(*this, owner ? &owner->impl : nullptr, kind)
    {
    }

    void on_window_size(skinner::Size size) override
    {
        note("size " + std::to_string(size.width) + "x" + std::to_string(size.height));
        placement.size = {size.width, size.height};
    }
    void on_window_activate(bool active) override { note(active ? "activate" : "deactivate"); }
    bool on_window_can_close() override { return note("can_close") && can_close; }
    void on_window_command(std::u16string_view command) override { note("command " + narrow(command)); }
    void on_window_command_line(std::u16string_view text) override { note("command_line " + narrow(text)); }
    bool on_window_key_down(int32_t key) override { return note("key_down " + std::to_string(key)); }
    bool on_window_key_up(int32_t key) override { return note("key_up " + std::to_string(key)); }
    bool on_window_char(std::u16string_view text) override { return note("char " + narrow(text)) && chars; }
    void on_window_timer(uint32_t id) override { timers.push_back(id); }
    bool on_window_wants_gesture(skinner::Point) override { return false; }
    void on_window_mouse_down(int32_t button, skinner::Point point, bool double_click) override
    {
        note("down " + std::to_string(button) + " " + where(point) + (double_click ? " double" : ""));
    }
    void on_window_mouse_up(int32_t button, skinner::Point point) override
    {
        note("up " + std::to_string(button) + " " + where(point));
    }
    void on_window_mouse_move(skinner::Point point) override { note("move " + where(point)); }
    void on_window_paint(skinner::Canvas& canvas, const skinner::Rect& dirty) override
    {
        paints.push_back(dirty);
        canvas.fill({{0, 0}, {placement.size.width, placement.size.height}}, os::rgb(0x10, 0x20, 0x30));
        canvas.fill(control, control_color);
    }
    skinner::FormPlacement window_placement() override { return placement; }
    bool has_menu_main() const override { return false; }

    std::vector<std::string> taken() { return std::exchange(calls, {}); }

    std::vector<std::string> calls; // but paints and timers, in order
    std::vector<skinner::Rect> paints;
    std::vector<uint32_t> timers;
    bool can_close = true;
    bool chars = false; // whether characters are taken
    skinner::FormPlacement placement;
    skinner::Rect control;
    uint32_t control_color = os::rgb(0xF0, 0xE0, 0x00);
    skinner::FormImpl impl;

private:
    bool note(std::string call)
    {
        calls.push_back(std::move(call));
        return true;
    }
    static std::string where(skinner::Point p) { return std::to_string(p.x) + "," + std::to_string(p.y); }
};

// Gives the form a size, places it (mode 0: at the work area's origin) and shows it.
inline void show(FakeForm& form, os::Size size)
{
    form.placement.size = size;
    form.impl.place();
    form.impl.window().show(os::ShowMode::show);
    form.calls.clear();
}

// A menu manager that counts its rebuilds.
struct CountingMenu : skinner::MenuManagerImpl {
    bool on_command(const os::WindowMessage&) override { return true; }
    bool on_popup_init(const os::WindowMessage&) override { return true; }
    void rebuild() override { ++rebuilds; }
    void show() override { }
    void mark_dirty() override { }
    void refresh() override { }
    int rebuilds = 0;
};

// Takes every key but Back (Escape, and a Smartphone's Backspace) unless told to.
class KeyForm : public skinner::Form {
public:
    explicit KeyForm(skinner::Properties& skin, skinner::Form* parent = nullptr)
        : Form(parent, &skin, u"FormMain", nullptr)
    {
    }
    bool on_key_down(int32_t key) override
    {
        keys.push_back(key);
        return (key != skinner::KeyEscape && key != skinner::KeyBackspace) || handles_escape;
    }
    void on_command_line(std::u16string_view text) override { command_lines.push_back(narrow(text)); }

    bool handles_escape = false;
    std::vector<int32_t> keys;
    std::vector<std::string> command_lines;
};

struct DeviceScope {
    explicit DeviceScope(os::PlatformKind kind)
        : platform(kind)
    {
        skinner::forget_static_capabilities();
    }
    ~DeviceScope() { skinner::forget_static_capabilities(); }

    PlatformScope platform;
};

struct FormsDevice {
    explicit FormsDevice(os::Size size = {240, 320}, os::PlatformKind kind = os::PlatformKind::pocket_pc)
        : scope(kind)
        , screen(size)
        , skin(u16(std::filesystem::path(MELODECK_FORMS_SKINS) / "forms_skin.skin"),
              {size.width, size.height}, skinner::device_kind())
    {
    }

    DeviceScope scope;
    os::HeadlessScreen screen;
    skinner::Properties skin;
};

inline void show(skinner::Form& form)
{
    form.impl().window().show(os::ShowMode::show);
    form.impl().window().screen().dispatch_pending();
}

// Hands the waiting input on as a form loop does (on a Pocket PC keys reach a form only through
// its loop's pump), then the paints and due timers.
inline void deliver(os::Screen& screen)
{
    while (std::optional<os::WindowMessage> message = screen.peek_message(os::PeekMode::remove))
        skinner::FormImpl::pump(screen, *message);
    screen.dispatch_pending();
}

// Runs one step per idle moment; when the steps are over the idle handler has nothing left to do.
inline void script(os::HeadlessScreen& screen, std::vector<std::function<void()>> steps)
{
    auto shared = std::make_shared<std::vector<std::function<void()>>>(std::move(steps));
    auto next = std::make_shared<size_t>(0);
    screen.set_idle_handler([shared, next] {
        if (*next == shared->size())
            return false;
        (*shared)[(*next)++]();
        return true;
    });
}

} // namespace test
