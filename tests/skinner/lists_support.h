#pragma once

// What the progress bar, scroll bar and grid suites share: the window that controls are shown in
// (it collects the dirty area and runs timers by hand), a listener that records the notifications
// reaching the form, and the suites' skin (controls_lists.xml) with its form container.

#include "liba/text.h"
#include "skinner/container.h"
#include "skinner/control_grid.h"
#include "skinner/control_window.h"
#include "skinner/listener.h"
#include "skinner/properties.h"
#include "skinner/shell_hooks.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace test {

class ListsWindow : public skinner::ControlWindow {
public:
    void invalidate(const skinner::Rect& rect) override
    {
        dirty = dirty.empty() ? rect
                              : skinner::Rect::from_edges(std::min(dirty.left(), rect.left()),
                                  std::min(dirty.top(), rect.top()), std::max(dirty.right(), rect.right()),
                                  std::max(dirty.bottom(), rect.bottom()));
    }
    void set_cursor(std::optional<os::Cursor>) override { }
    uint32_t start_timer(double seconds) override
    {
        uint32_t id = allocate_timer_id();
        timers[id] = seconds;
        return id;
    }
    void kill_timer(uint32_t id) override { timers.erase(id); }
    bool key_state(int32_t key) const override { return keys_down.count(key) != 0; }
    skinner::DeviceKind device_kind() const override { return skinner::DeviceKind::pocket_pc; }
    int32_t os_major_version() const override { return 5; }
    const skinner::Font& default_font() const override { return font; }
    void set_title(std::u16string_view) override { }
    void refresh_title_bar() override { }
    void post_close() override { }
    uint64_t log_handle() const override { return 1; }
    skinner::ShellHooks& shell_hooks() override { return hooks; }

    skinner::Rect dirty;
    std::map<uint32_t, double> timers;
    std::set<int32_t> keys_down;
    skinner::Font font;
    skinner::ShellHooks hooks;
};

// The notifications that reach the form, in order.
class Recorder : public skinner::Listener {
public:
    int32_t on_child_click(skinner::Control& control, skinner::Point) override
    {
        clicks.push_back(&control);
        return 0;
    }
    int32_t on_cell_click(skinner::Control&, const skinner::GridClick& click) override
    {
        cell_clicks.push_back(click);
        return 0;
    }
    int32_t on_cell_hold(skinner::Control&, const skinner::GridClick& click) override
    {
        cell_holds.push_back(click);
        return 0;
    }
    int32_t on_header_click(skinner::Control&, const skinner::GridClick& click) override
    {
        header_clicks.push_back(click);
        return 0;
    }
    int32_t on_scroll(skinner::Control& bar, int32_t position) override
    {
        scrolls.emplace_back(&bar, position);
        return 0;
    }
    int32_t on_child_value(skinner::Control&, double value) override
    {
        values.push_back(value);
        return 0;
    }
    int32_t on_value_changed(skinner::Control& control) override
    {
        value_changes.push_back(&control);
        return 0;
    }
    int32_t on_selection_changed(skinner::Control& control) override
    {
        selection_changes.push_back(&control);
        return 0;
    }
    int32_t on_edit_finished(skinner::Control&, const skinner::GridEdit& edit) override
    {
        edits.push_back({edit.column, edit.row, edit.keep, edit.text});
        return 0;
    }

    std::vector<skinner::Control*> clicks;
    std::vector<skinner::GridClick> cell_clicks;
    std::vector<skinner::GridClick> cell_holds;
    std::vector<skinner::GridClick> header_clicks;
    std::vector<std::pair<skinner::Control*, int32_t>> scrolls;
    std::vector<double> values;
    std::vector<skinner::Control*> value_changes;
    std::vector<skinner::Control*> selection_changes;
    // (column, row, keep, text) of each ended edit.
    struct Edit {
        int32_t column;
        int32_t row;
        bool keep;
        std::u16string text;
    };
    std::vector<Edit> edits;
};

inline std::u16string lists_skin_path()
{
    return liba::from_utf8(std::string(MELODECK_CONTROLS_SKINS) + "/controls_lists.skin");
}

// The skin, a window and the form "FormLists" as a container whose listener records.
struct ListsForm {
    ListsForm()
        : skin(lists_skin_path(), {240, 320})
        , form(window, &skin, u"FormLists", skinner::LookupMode::named, &recorder)
    {
    }

    // Runs every timer of the window once, in id order.
    void tick_timers()
    {
        std::vector<uint32_t> ids;
        for (const auto& [id, seconds] : window.timers)
            ids.push_back(id);
        for (uint32_t id : ids)
            form.on_timer(id);
    }

    ListsWindow window;
    Recorder recorder;
    skinner::Properties skin;
    skinner::Container form;
};

} // namespace test
