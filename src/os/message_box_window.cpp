#include "os/message_box_window.h"

#include "liba/text.h"
#include "os/keys.h"
#include "os/log.h"
#include "os/screen.h"
#include "os/screen_backend.h"
#include "os/shell.h"

#include <algorithm>
#include <cstdio>

namespace os {

namespace {

constexpr uint32_t s_box_color = rgb(0xFF, 0xFF, 0xFF);
constexpr uint32_t s_box_border = rgb(0x12, 0x2A, 0x60);
constexpr uint32_t s_box_text = rgb(0x00, 0x00, 0x00);

void print(std::u16string_view text, std::u16string_view caption)
{
    std::fprintf(stderr, "%s: %s\n", liba::to_utf8(caption).c_str(), liba::to_utf8(text).c_str());
    std::fflush(stderr);
}

} // namespace

MessageBoxWindow::Layout MessageBoxWindow::layout(const Rect& work_area, std::u16string_view text)
{
    Layout result;
    int32_t margin = std::max(4, work_area.size.width / 16);
    result.text_size = std::max(10, work_area.size.width / 22);
    int32_t line = Shell::line_height(result.text_size);
    int32_t pad = std::max(3, line / 3);
    int32_t width = std::max(0, work_area.size.width - 2 * margin);
    result.lines = Shell::wrap(text, width - 2 * pad, result.text_size);
    result.band_height = line + 2 * pad;
    int32_t button_height = line + 2 * pad;
    int32_t wanted
        = result.band_height + pad + int32_t(result.lines.size()) * line + pad + button_height + pad;
    int32_t height = std::min(wanted, work_area.size.height);
    result.box = {
        {work_area.left() + margin, work_area.top() + (work_area.size.height - height) / 2}, {width, height}};
    int32_t button_width
        = std::min(width - 2 * pad, std::max(4 * line, Shell::measure(u"OK", result.text_size) + 4 * pad));
    result.ok = {{(width - button_width) / 2, height - pad - button_height}, {button_width, button_height}};
    return result;
}

MessageBoxWindow::MessageBoxWindow(Screen& screen, std::u16string_view text, std::u16string_view caption)
    : m_text(text)
    , m_caption(caption)
    , m_layout(layout(screen.work_area(), text))
    , m_window(screen, *this, screen.active_window(), WindowKind::popup)
{
    m_window.set_caption(m_caption);
}

void MessageBoxWindow::run(Screen& screen, std::u16string_view text, std::u16string_view caption)
{
    if (!screen.on_ui_thread() || screen.quitting()) {
        print(text, caption);
        return;
    }
    if (screen.backend().echo_message_boxes())
        print(text, caption);
    log() << u"Message box {" << caption << u"} {" << text << u"}\n";

    MessageBoxWindow box(screen, text, caption);
    std::vector<WindowId> disabled;
    for (Window* window : screen.windows()) {
        if (window != &box.m_window && window->is_enabled()) {
            disabled.push_back(window->id());
            window->enable(false);
        }
    }
    box.m_window.move(box.m_layout.box);
    box.m_window.show(ShowMode::show);
    screen.run_until([&] { return box.m_closed; });
    for (WindowId id : disabled) {
        if (Window* window = screen.find(id))
            window->enable(true);
    }
    box.m_window.show(ShowMode::hide);
}

intptr_t MessageBoxWindow::on_message(Window&, const WindowMessage& message)
{
    switch (message.id) {
    case WM_PAINT:
        paint();
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
        pointer(message);
        break;
    case WM_KEYDOWN:
        if (message.wparam == VK_RETURN || message.wparam == VK_SPACE || message.wparam == VK_ESCAPE)
            m_closed = true;
        break;
    case WM_HOTKEY:
        m_closed = true;
        break;
    case WM_CLOSE:
        m_closed = true;
        break;
    case WM_CAPTURECHANGED:
        if (m_ok_pressed) {
            m_ok_pressed = false;
            m_window.invalidate();
        }
        break;
    default:
        break;
    }
    return 0;
}

void MessageBoxWindow::pointer(const WindowMessage& message)
{
    bool inside = m_layout.ok.contains(message.point());
    if (message.id == WM_LBUTTONDOWN || message.id == WM_LBUTTONDBLCLK) {
        if (!inside)
            return;
        m_ok_pressed = true;
        m_window.set_capture();
    } else if (message.id == WM_MOUSEMOVE) {
        if (!m_window.has_capture() || inside == m_ok_pressed)
            return;
        m_ok_pressed = inside;
    } else {
        bool chosen = m_window.has_capture() && inside;
        m_ok_pressed = false;
        m_window.release_capture();
        m_closed = chosen;
    }
    m_window.invalidate();
}

void MessageBoxWindow::paint()
{
    Surface& surface = m_window.surface();
    Size size = m_window.size();
    Rect all {{0, 0}, size};
    Shell::fill(surface, all, s_box_color);
    Shell::fill(surface, {{0, 0}, {size.width, m_layout.band_height}}, s_title_bar_color);
    Shell::frame_rect(surface, all, s_box_border);
    int32_t line = Shell::line_height(m_layout.text_size);
    int32_t pad = std::max(3, line / 3);
    Shell::draw_text(surface, {{pad, 0}, {size.width - 2 * pad, m_layout.band_height}}, m_caption,
        m_layout.text_size, s_bar_text_color, TextAlign::left, true);
    int32_t top = m_layout.band_height + pad;
    for (const std::u16string& text : m_layout.lines) {
        if (top + line > m_layout.ok.top())
            break;
        Shell::draw_text(surface, {{pad, top}, {size.width - 2 * pad, line}}, text, m_layout.text_size,
            s_box_text, TextAlign::left);
        top += line;
    }
    uint32_t face = m_ok_pressed ? s_box_border : s_box_color;
    uint32_t label = m_ok_pressed ? s_box_color : s_box_border;
    Shell::fill(surface, m_layout.ok, face);
    Shell::frame_rect(surface, m_layout.ok, s_box_border);
    Shell::draw_text(surface, m_layout.ok, u"OK", m_layout.text_size, label, TextAlign::center, true);
}

} // namespace os
