#pragma once

// The handheld shell drawn over the device picture: the title bar on top (the caption of the top
// normal window at the left, a clock at the right) and the bottom bar (a Pocket PC command bar
// with one cell per item, or a Smartphone soft-key bar with the first item at the left and the
// second at the right). Both bars are bar_height pixels high (the work-area rule's origin); with a
// height of 0 there are no bars. Also the small drawing helpers the shell's own boxes share.
// Text is drawn with the font engine; without any font the bars are drawn without text.

#include "os/bar_item.h"
#include "os/geometry.h"
#include "os/platform.h"
#include "os/surface.h"

#include <optional>
#include <string_view>
#include <vector>

namespace os {

inline constexpr uint32_t s_desktop_color = rgb(0x30, 0x30, 0x30);
inline constexpr uint32_t s_title_bar_color = rgb(0x1B, 0x3E, 0x8C);
inline constexpr uint32_t s_bottom_bar_color = rgb(0x12, 0x2A, 0x60);
inline constexpr uint32_t s_bar_pressed_color = rgb(0x3A, 0x6E, 0xD8);
inline constexpr uint32_t s_bar_text_color = rgb(0xFF, 0xFF, 0xFF);
inline constexpr uint32_t s_bar_disabled_text_color = rgb(0x80, 0x8C, 0xA8);

enum class TextAlign { left, center, right };

struct ShellState {
    Size screen;
    int32_t bar_height = 0;
    PlatformKind kind = PlatformKind::pocket_pc;
    std::u16string_view caption;
    int32_t minutes_of_day = 0;
    const std::vector<BarItem>* items = nullptr; // the active window's; null: none
    std::optional<size_t> pressed; // the item under the stylus
};

class Shell {
public:
    static Rect title_bar(Size screen, int32_t bar_height);
    static Rect bottom_bar(Size screen, int32_t bar_height);
    // Where each of count items sits on the screen (empty rectangles for items not shown: a
    // Smartphone shows two).
    static std::vector<Rect> item_rects(Size screen, int32_t bar_height, PlatformKind kind, size_t count);
    // "HH:MM".
    static std::u16string clock_text(int32_t minutes_of_day);

    static void draw(Surface& frame, const ShellState& state);

    static void fill(Surface& surface, const Rect& rect, uint32_t color);
    static void frame_rect(Surface& surface, const Rect& rect, uint32_t color);
    // One line of text inside box (clipped to it), vertically centred.
    static void draw_text(Surface& surface, const Rect& box, std::u16string_view text, int32_t pixel_size,
        uint32_t color, TextAlign align, bool bold = false);
    static int32_t measure(std::u16string_view text, int32_t pixel_size, bool bold = false);
    static int32_t line_height(int32_t pixel_size);
    // The text split into lines no wider than width (at spaces where possible; explicit line
    // feeds kept).
    static std::vector<std::u16string> wrap(std::u16string_view text, int32_t width, int32_t pixel_size);
};

} // namespace os
