#pragma once

// What the skin benchmarks share: a window that keeps nothing controls tell it (timers are
// numbered, never run), and a writer of 24-bit bitmaps for the skins they write at start-up.

#include "skinner/control_window.h"
#include "skinner/font.h"
#include "skinner/shell_hooks.h"
#include "support/bmp_writer.h"

#include <cstdint>
#include <filesystem>
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

// A 24-bit bitmap file of pixel(x, y) = 0xRRGGBB.
template<typename Pixel>
void write_bmp(const std::filesystem::path& path, int32_t width, int32_t height, Pixel pixel)
{
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            pixels.push_back(pixel(x, y));
    test::write_file(path, test::make_bmp24(width, height, pixels));
}

} // namespace bench
