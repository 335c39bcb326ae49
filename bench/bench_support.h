#pragma once

// What the skin benchmarks share: a window that keeps nothing controls tell it (timers are
// numbered, never run), and a writer of 24-bit bitmaps for the skins they write at start-up.

#include "skinner/control_window.h"
#include "skinner/font.h"
#include "skinner/shell_hooks.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

namespace bench {

class BenchWindow : public skinner::ControlWindow {
public:
    explicit BenchWindow(std::u16string_view font_description = u"12 0 0 0 Tahoma")
    {
        font.set(font_description);
    }

    void invalidate(const skinner::Rect&) override { }
    void set_cursor(std::optional<os::Cursor>) override { }
    uint32_t start_timer(double) override { return allocate_timer_id(); }
    void kill_timer(uint32_t) override { }
    bool key_state(int32_t) const override { return false; }
    skinner::DeviceKind device_kind() const override { return skinner::DeviceKind::pocket_pc; }
    int32_t os_major_version() const override { return 5; }
    const skinner::Font& default_font() const override { return font; }
    void set_title(std::u16string_view) override { }
    void refresh_title_bar() override { }
    void post_close() override { }
    uint64_t log_handle() const override { return 1; }
    skinner::ShellHooks& shell_hooks() override { return hooks; }

    skinner::Font font;
    skinner::ShellHooks hooks;
};

// A 24-bit bottom-up bitmap of pixel(x, y) = 0xRRGGBB.
template<typename Pixel>
void write_bmp(const std::filesystem::path& path, int32_t width, int32_t height, Pixel pixel)
{
    uint32_t stride = (uint32_t(width) * 3 + 3) / 4 * 4;
    uint32_t data = stride * uint32_t(height);
    std::vector<uint8_t> b;
    auto u16 = [&](uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); };
    auto u32 = [&](uint32_t v) { u16(v), u16(v >> 16); };
    b.push_back('B'), b.push_back('M');
    u32(54 + data), u32(0), u32(54);
    u32(40), u32(uint32_t(width)), u32(uint32_t(height)), u16(1), u16(24), u32(0), u32(data), u32(0), u32(0),
        u32(0), u32(0);
    for (int32_t y = height - 1; y >= 0; --y) {
        size_t start = b.size();
        for (int32_t x = 0; x < width; ++x) {
            uint32_t p = pixel(x, y);
            b.push_back(uint8_t(p)), b.push_back(uint8_t(p >> 8)), b.push_back(uint8_t(p >> 16));
        }
        b.resize(start + stride, 0);
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

} // namespace bench
