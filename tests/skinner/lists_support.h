#pragma once

// What the progress bar, scroll bar and grid suites share besides control_test_support.h: a listener that
// records the notifications reaching the form, and the suites' skin (controls_lists.xml) with its form
// container.

#include "control_test_support.h"
#include "liba/text.h"
#include "skinner/container.h"
#include "skinner/control_grid.h"
#include "skinner/listener.h"
#include "skinner/properties.h"

#include <string>
#include <vector>

namespace test {

// The notifications that reach the form, in order.
class Recorder : public skinner::Listener {
public:
    int32_t on_child_click(skinner::Control& control, skinner::Point) override
    {
        return note(clicks, &control);
    }
    int32_t on_cell_click(skinner::Control&, const skinner::GridClick& click) override
    {
        return note(cell_clicks, click);
    }
    int32_t on_header_click(skinner::Control&, const skinner::GridClick& click) override
    {
        return note(header_clicks, click);
    }
    int32_t on_scroll(skinner::Control& bar, int32_t position) override
    {
        return note(scrolls, {&bar, position});
    }
    int32_t on_child_value(skinner::Control&, double value) override { return note(values, value); }
    int32_t on_value_changed(skinner::Control& control) override { return note(value_changes, &control); }
    int32_t on_selection_changed(skinner::Control& control) override
    {
        return note(selection_changes, &control);
    }
    int32_t on_edit_finished(skinner::Control&, const skinner::GridEdit& edit) override
    {
        return note(edits, {edit.column, edit.row, edit.keep, edit.text});
    }

    std::vector<skinner::Control*> clicks;
    std::vector<skinner::GridClick> cell_clicks;
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

private:
    template<class T> static int32_t note(std::vector<T>& list, T value)
    {
        list.push_back(std::move(value));
        return 0;
    }
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

    TestControlWindow window;
    Recorder recorder;
    skinner::Properties skin;
    skinner::Container form;
};

} // namespace test
