#include "os/shell.h"

#include "os/font_engine.h"

#include <algorithm>

namespace os {

namespace {

std::shared_ptr<FontFace> face(int32_t pixel_size, bool bold)
{
    return FontEngine::instance().open({u"Tahoma", std::max(1, pixel_size), bold, false, false});
}

int32_t text_size(int32_t bar_height)
{
    return std::max(8, bar_height / 2);
}

// The image centred in the box, clipped to it.
void draw_image(Surface& frame, const Rect& box, const Surface& image)
{
    Point at {
        box.left() + (box.size.width - image.width) / 2, box.top() + (box.size.height - image.height) / 2};
    Rect shown
        = intersect(intersect(box, {at, {image.width, image.height}}), {{0, 0}, {frame.width, frame.height}});
    for (int32_t y = shown.top(); y < shown.bottom(); ++y) {
        const uint32_t* from = image.row(y - at.y) + (shown.left() - at.x);
        std::copy_n(from, shown.size.width, frame.row(y) + shown.left());
    }
}

void draw_items(Surface& frame, const ShellState& state)
{
    if (!state.items)
        return;
    std::vector<Rect> rects
        = Shell::item_rects(state.screen, state.bar_height, state.kind, state.items->size());
    bool soft_keys = state.kind == PlatformKind::smartphone;
    for (size_t i = 0; i < rects.size(); ++i) {
        const BarItem& item = (*state.items)[i];
        if (rects[i].empty())
            continue;
        if (state.pressed == i && item.enabled)
            Shell::fill(frame, rects[i], s_bar_pressed_color);
        if (item.image && !soft_keys) {
            draw_image(frame, rects[i], *item.image);
            continue;
        }
        TextAlign align = !soft_keys ? TextAlign::center : (i == 0 ? TextAlign::left : TextAlign::right);
        Rect inner {{rects[i].left() + 4, rects[i].top()}, {rects[i].size.width - 8, rects[i].size.height}};
        Shell::draw_text(frame, inner, item.text, text_size(state.bar_height),
            item.enabled ? s_bar_text_color : s_bar_disabled_text_color, align, true);
    }
}

} // namespace

Rect Shell::title_bar(Size screen, int32_t bar_height)
{
    return {{0, 0}, {screen.width, std::min(bar_height, screen.height)}};
}

Rect Shell::bottom_bar(Size screen, int32_t bar_height)
{
    int32_t height = std::min(bar_height, screen.height);
    return {{0, screen.height - height}, {screen.width, height}};
}

std::vector<Rect> Shell::item_rects(Size screen, int32_t bar_height, PlatformKind kind, size_t count)
{
    std::vector<Rect> rects(count);
    Rect bar = bottom_bar(screen, bar_height);
    if (bar.empty() || count == 0)
        return rects;
    size_t shown = kind == PlatformKind::smartphone ? std::min<size_t>(count, 2) : count;
    size_t cells = kind == PlatformKind::smartphone ? 2 : shown;
    for (size_t i = 0; i < shown; ++i) {
        int32_t left = int32_t(int64_t(bar.size.width) * int64_t(i) / int64_t(cells));
        int32_t right = int32_t(int64_t(bar.size.width) * int64_t(i + 1) / int64_t(cells));
        rects[i] = {{left, bar.top()}, {right - left, bar.size.height}};
    }
    return rects;
}

std::u16string Shell::clock_text(int32_t minutes_of_day)
{
    int32_t minutes = ((minutes_of_day % 1440) + 1440) % 1440;
    int32_t hours = minutes / 60;
    minutes %= 60;
    return {char16_t(u'0' + hours / 10), char16_t(u'0' + hours % 10), u':', char16_t(u'0' + minutes / 10),
        char16_t(u'0' + minutes % 10)};
}

void Shell::draw(Surface& frame, const ShellState& state)
{
    if (state.bar_height <= 0)
        return;
    Rect title = title_bar(state.screen, state.bar_height);
    fill(frame, title, s_title_bar_color);
    int32_t size = text_size(state.bar_height);
    std::u16string clock = clock_text(state.minutes_of_day);
    int32_t clock_width = measure(clock, size) + 8;
    Rect clock_box {{title.right() - clock_width, 0}, {clock_width - 4, title.size.height}};
    draw_text(frame, clock_box, clock, size, s_bar_text_color, TextAlign::right);
    Rect caption_box {{4, 0}, {std::max(0, title.size.width - clock_width - 8), title.size.height}};
    draw_text(frame, caption_box, state.caption, size, s_bar_text_color, TextAlign::left, true);

    fill(frame, bottom_bar(state.screen, state.bar_height), s_bottom_bar_color);
    draw_items(frame, state);
}

void Shell::fill(Surface& surface, const Rect& rect, uint32_t color)
{
    Rect clipped = intersect(rect, {{0, 0}, {surface.width, surface.height}});
    for (int32_t y = clipped.top(); y < clipped.bottom(); ++y)
        std::fill_n(surface.row(y) + clipped.left(), clipped.size.width, color);
}

void Shell::frame_rect(Surface& surface, const Rect& rect, uint32_t color)
{
    fill(surface, {rect.position, {rect.size.width, 1}}, color);
    fill(surface, {{rect.left(), rect.bottom() - 1}, {rect.size.width, 1}}, color);
    fill(surface, {rect.position, {1, rect.size.height}}, color);
    fill(surface, {{rect.right() - 1, rect.top()}, {1, rect.size.height}}, color);
}

void Shell::draw_text(Surface& surface, const Rect& box, std::u16string_view text, int32_t pixel_size,
    uint32_t color, TextAlign align, bool bold)
{
    std::shared_ptr<FontFace> font = face(pixel_size, bold);
    if (!font || text.empty() || box.empty())
        return;
    int32_t width = font->measure(text);
    int32_t x = box.left();
    if (align == TextAlign::center)
        x += (box.size.width - width) / 2;
    else if (align == TextAlign::right)
        x = box.right() - width;
    int32_t top = box.top() + (box.size.height - font->line_height()) / 2;
    Rect clip = intersect(box, {{0, 0}, {surface.width, surface.height}});
    font->draw(surface, x, top, text, color, {clip.left(), clip.top(), clip.right(), clip.bottom()});
}

int32_t Shell::measure(std::u16string_view text, int32_t pixel_size, bool bold)
{
    std::shared_ptr<FontFace> font = face(pixel_size, bold);
    return font ? font->measure(text) : 0;
}

int32_t Shell::line_height(int32_t pixel_size)
{
    std::shared_ptr<FontFace> font = face(pixel_size, false);
    return font ? font->line_height() : pixel_size;
}

std::vector<std::u16string> Shell::wrap(std::u16string_view text, int32_t width, int32_t pixel_size)
{
    std::vector<std::u16string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'\n', start);
        std::u16string_view paragraph
            = text.substr(start, end == std::u16string_view::npos ? end : end - start);
        std::u16string line;
        size_t word_start = 0;
        while (word_start <= paragraph.size()) {
            size_t space = paragraph.find(u' ', word_start);
            std::u16string_view word = paragraph.substr(
                word_start, space == std::u16string_view::npos ? space : space - word_start);
            std::u16string candidate
                = line.empty() ? std::u16string(word) : line + u' ' + std::u16string(word);
            if (!line.empty() && measure(candidate, pixel_size) > width) {
                lines.push_back(line);
                line = word;
            } else {
                line = candidate;
            }
            if (space == std::u16string_view::npos)
                break;
            word_start = space + 1;
        }
        lines.push_back(line);
        if (end == std::u16string_view::npos)
            break;
        start = end + 1;
    }
    return lines;
}

} // namespace os
