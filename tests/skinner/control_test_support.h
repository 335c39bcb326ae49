#pragma once

// What the control suites share: a window that keeps what it is told and paints into a surface, a
// listener and a control that write down what reaches them, containers for the forms of the skins.

#include "liba/text.h"
#include "os/surface.h"
#include "skinner/container.h"
#include "skinner/control.h"
#include "skinner/control_grid.h"
#include "skinner/control_window.h"
#include "skinner/key_codes.h"
#include "skinner/properties.h"
#include "skinner/shell_hooks.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace test {

// The colours of the skins' pictures.
inline constexpr uint32_t s_red = 0xFFE00040u, s_green = 0xFF00E040u, s_blue = 0xFF000040u,
                          s_white = 0xFFE0E040u;

using Events = std::vector<std::string>;

// The Pocket PC screen the skins are laid out for: work area 240 x 268.
inline constexpr skinner::Size s_screen {240, 320};

class TestControlWindow : public skinner::ControlWindow {
public:
    explicit TestControlWindow(skinner::DeviceKind kind = skinner::DeviceKind::pocket_pc, int32_t version = 5)
        : kind(kind)
        , version(version)
        , surface(s_screen.width, s_screen.height, s_paper)
    {
        font.set(u"12 0 0 0 Tahoma");
    }

    void invalidate(const skinner::Rect& rect) override { invalidations.push_back(rect); }
    void set_cursor(std::optional<os::Cursor> shape) override { cursor = shape; }
    uint32_t start_timer(double seconds) override
    {
        return timers.emplace(allocate_timer_id(), seconds).first->first;
    }
    void kill_timer(uint32_t id) override { timers.erase(id); }
    bool key_state(int32_t key) const override { return keys_down.count(key) != 0; }
    skinner::DeviceKind device_kind() const override { return kind; }
    int32_t os_major_version() const override { return version; }
    const skinner::Font& default_font() const override { return font; }
    void set_title(std::u16string_view text) override { titles.emplace_back(text); }
    void refresh_title_bar() override { ++title_bar_refreshes; }
    void post_close() override { ++closes; }
    uint64_t log_handle() const override { return 0x2A; }
    skinner::ShellHooks& shell_hooks() override { return hooks; }

    // Paints the whole container over a paper background, as the form does, and cleans it.
    void paint_all(skinner::Container& container)
    {
        skinner::Canvas canvas(surface);
        canvas.fill({{0, 0}, {surface.width, surface.height}}, s_paper);
        container.paint(canvas, {0, 0}, {surface.width, surface.height});
    }
    uint32_t pixel(skinner::Point point) const { return surface.at(point.x, point.y); }
    void clean() { invalidations.clear(); }
    // Whether any pixel inside rect differs from the paper.
    bool inked(const skinner::Rect& rect) const
    {
        for (int32_t y = rect.top(); y < rect.bottom(); ++y)
            for (int32_t x = rect.left(); x < rect.right(); ++x)
                if (pixel({x, y}) != s_paper)
                    return true;
        return false;
    }
    bool was_invalidated(const skinner::Rect& rect) const
    {
        return std::find(invalidations.begin(), invalidations.end(), rect) != invalidations.end();
    }

    static constexpr uint32_t s_paper = 0xFFFFFFFFu;

    skinner::DeviceKind kind;
    int32_t version;
    skinner::Font font;
    os::Surface surface;
    std::vector<skinner::Rect> invalidations;
    std::optional<os::Cursor> cursor;
    std::map<uint32_t, double> timers;
    std::set<int32_t> keys_down;
    std::vector<std::u16string> titles;
    int32_t title_bar_refreshes = 0;
    int32_t closes = 0;
    skinner::ShellHooks hooks;
};

// The notifications as text: "click btnA 10 20", "cell 2 0 37 6 37 166 double" (row, column, offset,
// point)...
class RecordingListener : public skinner::Listener {
public:
    using Control = skinner::Control;
    using Click = skinner::GridClick;

    int32_t on_child_click(Control& c, skinner::Point p) override
    {
        return note("click", name_of(c), p.x, p.y);
    }
    int32_t on_command(std::u16string_view command) override
    {
        return note("command", liba::to_utf8(command));
    }
    int32_t on_child_value(Control& c, double value) override { return note("value", name_of(c), value); }
    int32_t on_value_changed(Control& c) override { return note("changed", name_of(c)); }
    int32_t on_selection_changed(Control& c) override { return note("selection", name_of(c)); }
    int32_t on_scroll(Control& c, int32_t position) override { return note("scroll", name_of(c), position); }
    int32_t on_header_click(Control&, const Click& k) override { return note("header", k.column); }
    int32_t on_header_hold(Control& c, const Click& k) override { return note("hold", name_of(c), k.column); }
    int32_t on_cell_click(Control&, const Click& k) override
    {
        return note("cell", k.row, k.column, k.offset.x, k.offset.y, k.point.x, k.point.y,
            k.double_tap ? "double" : "single");
    }
    int32_t on_edit_finished(Control&, const skinner::GridEdit& edit) override
    {
        return note("edit", edit.column, edit.row, edit.keep ? "keep" : "drop", liba::to_utf8(edit.text));
    }
    int32_t on_child_focused() override { return note_focus ? note("focused") : 0; }

    size_t count(const std::string& prefix) const
    {
        return size_t(std::count_if(
            log.begin(), log.end(), [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
    }

    static std::string name_of(const Control& control)
    {
        return liba::to_utf8(control.name().empty() ? control.kind_name() : control.name());
    }

    std::vector<std::string> log;
    bool note_focus = true;

private:
    template<class... Parts> int32_t note(const Parts&... parts)
    {
        std::ostringstream line;
        const char* gap = "";
        ((line << std::exchange(gap, " ") << parts), ...);
        log.push_back(line.str());
        return 0;
    }
};

// A control without properties that records what it is told, in order.
class RecordingControl : public skinner::Control {
public:
    using Point = skinner::Point;

    RecordingControl(
        skinner::Container& container, std::u16string_view name, skinner::Rect rect = {}, int32_t z = 0)
        : Control(container, name, skinner::LookupMode::none)
    {
        if (z != 0)
            set_z_order(z);
        set_design_rect(rect.position, rect.size);
    }

    void on_focus_gained() override
    {
        record("gained");
        Control::on_focus_gained();
    }
    void on_focus_lost() override
    {
        record("lost");
        Control::on_focus_lost();
    }
    void on_show(bool visible) override { record(visible ? "show" : "hide"); }
    void on_enable(bool enabled) override { record(enabled ? "enable" : "disable"); }
    void on_mouse_move(Point point) override { record("move", point); }
    void on_mouse_leave() override { record("leave"); }
    void on_button0_down(Point point, bool twice) override
    {
        record(twice ? "down0 double" : "down0", point);
    }
    void on_button0_up(Point point, bool twice) override { record(twice ? "up0 double" : "up0", point); }
    void on_button1_down(Point point, bool) override { record("down1", point); }
    void on_button1_up(Point point, bool) override { record("up1", point); }
    void on_button2_down(Point point, bool) override { record("down2", point); }
    void on_button2_up(Point point, bool) override { record("up2", point); }
    bool on_key_down(int32_t key) override { return record("key " + std::to_string(key)); }
    void on_own_timer() override { record("timer"); }
    std::optional<os::Cursor> cursor() const override { return shape; }

    // Writes the event down; false: the control does not take it.
    bool record(const std::string& event, std::optional<Point> point = {})
    {
        events.push_back(
            point ? event + " " + std::to_string(point->x) + " " + std::to_string(point->y) : event);
        return false;
    }
    size_t count(const std::string& event) const
    {
        return size_t(std::count(events.begin(), events.end(), event));
    }

    std::vector<std::string> events;
    std::optional<os::Cursor> shape;
};

// A container without a skin, designed 240 x 268 and laid out at that size.
struct BareContainer {
    BareContainer()
        : container(window, nullptr, u"", skinner::LookupMode::none, &listener)
    {
        container.resize({0, 0}, {240, 268});
    }

    TestControlWindow window;
    RecordingListener listener;
    skinner::Container container;
};

// A container for a form of the controls skin, laid out at its design size.
struct SkinContainer {
    // A Smartphone's screen is 240 x 400: its work area on 240 x 320 is too short for the forms.
    explicit SkinContainer(std::u16string_view form,
        skinner::DeviceKind kind = skinner::DeviceKind::pocket_pc, int32_t version = 5,
        std::string_view skin = "controls_skin")
        : window(kind, version)
        , properties(
              liba::from_utf8(std::string(MELODECK_CONTROLS_SKINS) + "/" + std::string(skin) + ".skin"),
              kind == skinner::DeviceKind::smartphone ? skinner::Size {240, 400} : s_screen, kind)
        , container(window, &properties, form, skinner::LookupMode::named, &listener)
    {
        EXPECT_TRUE(properties.is_valid());
    }

    TestControlWindow window;
    skinner::Properties properties;
    RecordingListener listener;
    skinner::Container container;
};

// A form of controls_lists.xml (the list controls' skin); focus notices are not written down.
struct ListsForm : SkinContainer {
    explicit ListsForm(std::u16string_view name = u"FormLists")
        : SkinContainer(name, skinner::DeviceKind::pocket_pc, 5, "controls_lists")
    {
        listener.note_focus = false;
    }
};

inline skinner::Point centre(const skinner::Rect& rect)
{
    return {rect.left() + rect.size.width / 2, rect.top() + rect.size.height / 2};
}

// A tap of the stylus pressed at down and lifted at up.
inline void tap(skinner::Container& container, skinner::Point down, skinner::Point up, bool twice = false)
{
    container.mouse_down(skinner::ButtonTap, down, twice);
    container.mouse_up(skinner::ButtonTap, up);
}
inline void tap(skinner::Container& container, skinner::Point point, bool twice = false)
{
    tap(container, point, point, twice);
}

inline std::string names(const std::vector<skinner::Control*>& controls)
{
    std::string text;
    for (const skinner::Control* control : controls)
        text += (text.empty() ? "" : " ") + RecordingListener::name_of(*control);
    return text;
}

} // namespace test
