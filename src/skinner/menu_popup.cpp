#include "skinner/menu_popup.h"

#include "os/keys.h"
#include "os/screen.h"
#include "os/shell.h"

#include <algorithm>

namespace skinner {

namespace {

constexpr uint32_t s_popup_color = os::rgb(0xFF, 0xFF, 0xFF);
constexpr uint32_t s_popup_border = os::rgb(0x12, 0x2A, 0x60);
constexpr uint32_t s_popup_text = os::rgb(0x00, 0x00, 0x00);
constexpr uint32_t s_popup_grey = os::rgb(0xA0, 0xA0, 0xA0);
constexpr uint32_t s_popup_highlight = os::rgb(0x3A, 0x6E, 0xD8);
constexpr uint32_t s_popup_highlight_text = os::rgb(0xFF, 0xFF, 0xFF);

MenuPopup* s_innermost = nullptr;

struct Metrics {
    int32_t text_size;
    int32_t line;
    int32_t pad;
    int32_t mark; // the check mark column, and the arrow column
};

Metrics metrics(os::Size screen)
{
    Metrics m {};
    m.text_size = std::max(10, screen.width / 22);
    m.line = os::Shell::line_height(m.text_size);
    m.pad = std::max(3, m.line / 3);
    m.mark = m.line;
    return m;
}

} // namespace

MenuPopup::Layout MenuPopup::layout(os::Size screen, const std::vector<MenuPopupItem>& items,
    const os::Rect& anchor, MenuPlacement placement, os::Rect room)
{
    if (room.empty())
        room = {{0, 0}, screen};
    Metrics m = metrics(screen);
    Layout result;
    result.text_size = m.text_size;
    int32_t widest = 0;
    int32_t top = 1;
    int32_t row_height = m.line + m.pad;
    for (const MenuPopupItem& item : items) {
        int32_t width = os::Shell::measure(item.text, m.text_size);
        if (!item.shortcut.empty())
            width += 2 * m.pad + os::Shell::measure(item.shortcut, m.text_size);
        widest = std::max(widest, width);
        result.rows.push_back({{1, top}, {0, row_height}});
        top += row_height + (item.separator_after ? m.pad : 0);
    }
    bool above = placement == MenuPlacement::above;
    int32_t width = std::min(
        room.size.width, std::max(2 * m.mark + widest + 2 * m.pad + 2, above ? anchor.size.width : 0));
    int32_t height = std::min(room.size.height, top + 1);
    for (os::Rect& row : result.rows)
        row.size.width = width - 2;
    int32_t left = anchor.left();
    int32_t box_top = 0;
    switch (placement) {
    case MenuPlacement::above:
        box_top = anchor.top() - height;
        break;
    case MenuPlacement::beside:
        left = anchor.right();
        if (left + width > room.right())
            left = anchor.left() - width; // no room on the right: to the left of the parent
        box_top = anchor.bottom() - height;
        break;
    case MenuPlacement::below:
        box_top = anchor.top();
        break;
    }
    left = std::clamp(left, room.left(), std::max(room.left(), room.right() - width));
    box_top = std::clamp(box_top, room.top(), std::max(room.top(), room.bottom() - height));
    result.box = {{left, box_top}, {width, height}};
    return result;
}

MenuPopup::MenuPopup(
    os::Window& owner, const std::vector<MenuPopupItem>& items, const Layout& layout, MenuPopup* parent)
    : m_items(items)
    , m_parent(parent)
    , m_layout(layout)
    , m_window(owner.screen(), *this, &owner, os::WindowKind::popup)
{
    m_window.set_shows_owner_bar(true);
    move_selection(1);
}

MenuPopup::~MenuPopup()
{
    s_innermost = m_parent;
}

MenuPopup* MenuPopup::innermost()
{
    return s_innermost;
}

uint32_t MenuPopup::run(os::Window& owner, const std::vector<MenuPopupItem>& items, const os::Rect& anchor,
    MenuPlacement placement)
{
    os::Screen& screen = owner.screen();
    if (items.empty() || !screen.on_ui_thread() || screen.quitting())
        return 0;
    os::Rect room = placement == MenuPlacement::below ? screen.work_area() : os::Rect {};
    MenuPopup popup(owner, items, layout(screen.size(), items, anchor, placement, room), nullptr);
    Result result = popup.loop();
    if (owner.is_visible() && owner.is_enabled())
        owner.bring_to_front();
    return result.end == End::chosen ? result.command : 0;
}

MenuPopup::Result MenuPopup::loop()
{
    s_innermost = this;
    m_window.move(m_layout.box);
    m_window.show(os::ShowMode::show);
    m_window.set_capture();
    os::Screen& screen = m_window.screen();
    if (!screen.run_until([this] { return m_ended; }))
        finish(End::cancelled);
    m_ended = true;
    m_window.show(os::ShowMode::hide);
    return m_result;
}

void MenuPopup::finish(End end, uint32_t command)
{
    m_result.end = end;
    m_result.command = command;
    m_ended = true;
}

intptr_t MenuPopup::on_message(os::Window&, const os::WindowMessage& message)
{
    switch (message.id) {
    case os::WM_PAINT:
        paint();
        break;
    case os::WM_KEYDOWN:
        key_down(uint32_t(message.wparam));
        break;
    case os::WM_HOTKEY:
        if (!(message.lparam & os::MOD_KEYUP))
            key_down(os::VK_ESCAPE);
        break;
    case os::WM_LBUTTONDOWN:
    case os::WM_LBUTTONDBLCLK:
        pointer_down(message.point());
        break;
    case os::WM_LBUTTONUP:
        pointer_up(message.point());
        break;
    case os::WM_CAPTURECHANGED:
        // A submenu taking the capture is part of the menu; anyone else ends it.
        if (!m_child_open && !m_ended)
            finish(End::cancelled);
        break;
    case os::WM_CLOSE:
        finish(End::cancelled);
        break;
    default:
        break;
    }
    return 0;
}

void MenuPopup::key_down(uint32_t key)
{
    switch (key) {
    case os::VK_UP:
        move_selection(-1);
        break;
    case os::VK_DOWN:
        move_selection(1);
        break;
    case os::VK_RETURN:
    case os::VK_SPACE:
        activate(m_selected);
        break;
    case os::VK_RIGHT:
        if (m_selected >= 0 && !m_items[size_t(m_selected)].children.empty())
            open_child(m_selected);
        break;
    case os::VK_LEFT:
        if (m_parent)
            finish(End::back);
        break;
    case os::VK_ESCAPE:
        finish(m_parent ? End::back : End::cancelled);
        break;
    default:
        break;
    }
}

int32_t MenuPopup::row_at(os::Point client) const
{
    for (size_t i = 0; i < m_layout.rows.size(); ++i) {
        if (m_layout.rows[i].contains(client))
            return int32_t(i);
    }
    return -1;
}

void MenuPopup::pointer_down(os::Point client)
{
    if (!os::Rect {{0, 0}, m_layout.box.size}.contains(client)) {
        m_result.outside = {client.x + m_layout.box.left(), client.y + m_layout.box.top()};
        finish(m_parent ? End::outside : End::cancelled);
        return;
    }
    int32_t row = row_at(client);
    m_pressed = row >= 0;
    if (row >= 0 && m_items[size_t(row)].enabled)
        select(row);
}

void MenuPopup::pointer_up(os::Point client)
{
    if (!m_pressed)
        return;
    m_pressed = false;
    int32_t row = row_at(client);
    if (row >= 0 && row == m_selected)
        activate(row);
}

void MenuPopup::move_selection(int32_t step)
{
    int32_t count = int32_t(m_items.size());
    int32_t row = m_selected;
    for (int32_t tried = 0; tried < count; ++tried) {
        row = row < 0 && step < 0 ? count - 1 : (row + step + count) % count;
        if (m_items[size_t(row)].enabled) {
            select(row);
            return;
        }
    }
}

void MenuPopup::select(int32_t row)
{
    if (row == m_selected)
        return;
    m_selected = row;
    m_window.invalidate();
}

void MenuPopup::activate(int32_t row)
{
    if (row < 0 || size_t(row) >= m_items.size() || !m_items[size_t(row)].enabled)
        return;
    const MenuPopupItem& item = m_items[size_t(row)];
    if (!item.children.empty())
        open_child(row);
    else
        finish(End::chosen, item.command);
}

void MenuPopup::open_child(int32_t row)
{
    const os::Rect& cell = m_layout.rows[size_t(row)];
    os::Rect anchor {{m_layout.box.left() + cell.left(), m_layout.box.top() + cell.top()}, cell.size};
    m_child_open = true;
    Result result;
    {
        const std::vector<MenuPopupItem>& children = m_items[size_t(row)].children;
        MenuPopup child(m_window, children,
            layout(m_window.screen().size(), children, anchor, MenuPlacement::beside), this);
        result = child.loop();
    }
    m_child_open = false;
    s_innermost = this;
    switch (result.end) {
    case End::chosen:
    case End::cancelled:
        finish(result.end, result.command);
        return;
    case End::outside: {
        os::Point client {result.outside.x - m_layout.box.left(), result.outside.y - m_layout.box.top()};
        if (!os::Rect {{0, 0}, m_layout.box.size}.contains(client)) {
            finish(m_parent ? End::outside : End::cancelled);
            m_result.outside = result.outside;
            return;
        }
        break;
    }
    default:
        break;
    }
    if (m_window.screen().quitting()) {
        finish(End::cancelled);
        return;
    }
    m_window.bring_to_front();
    m_window.set_capture();
}

void MenuPopup::paint()
{
    os::Surface& surface = m_window.surface();
    os::Rect all {{0, 0}, m_window.size()};
    Metrics m = metrics(m_window.screen().size());
    os::Shell::fill(surface, all, s_popup_color);
    os::Shell::frame_rect(surface, all, s_popup_border);
    for (size_t i = 0; i < m_items.size(); ++i) {
        const MenuPopupItem& item = m_items[i];
        os::Rect row = m_layout.rows[i];
        bool highlighted = int32_t(i) == m_selected;
        if (highlighted)
            os::Shell::fill(surface, row, s_popup_highlight);
        uint32_t color = !item.enabled ? s_popup_grey : highlighted ? s_popup_highlight_text : s_popup_text;
        int32_t inner = m.line / 4;
        if (item.checked)
            os::Shell::fill(surface,
                {{row.left() + inner + 1, row.top() + inner + m.pad / 2},
                    {m.mark - 2 * inner, m.line - 2 * inner}},
                color);
        os::Rect text {{row.left() + m.mark, row.top()}, {row.size.width - 2 * m.mark, row.size.height}};
        os::Shell::draw_text(surface, text, item.text, m.text_size, color, os::TextAlign::left);
        if (!item.shortcut.empty())
            os::Shell::draw_text(surface, text, item.shortcut, m.text_size, color, os::TextAlign::right);
        if (!item.children.empty())
            os::Shell::draw_text(surface, {{row.right() - m.mark, row.top()}, {m.mark, row.size.height}},
                u">", m.text_size, color, os::TextAlign::center);
        if (item.separator_after && i + 1 < m_items.size())
            os::Shell::fill(surface,
                {{row.left() + m.pad, row.bottom() + m.pad / 2}, {row.size.width - 2 * m.pad, 1}},
                s_popup_grey);
    }
}

} // namespace skinner
