#include "list_controls.h"

#include "skinner/control_grid.h"
#include "skinner/control_progress.h"
#include "skinner/control_scroll_bar.h"
#include "skinner/grid_selection_strategy_with_highlight.h"
#include "skinner/properties.h"

#include <string>

namespace skin_preview {

namespace {

using skinner::LookupMode;

// A slider: takes every value the stylus reports.
class PreviewSlider : public skinner::ControlProgress {
public:
    PreviewSlider(skinner::Container& container, std::u16string_view name)
        : ControlProgress(container, name, LookupMode::named)
    {
        set_value(0.5);
    }

    void report_value(double value) override
    {
        set_value(value);
        ControlProgress::report_value(value);
    }
};

class PreviewGrid : public skinner::ControlGrid, public skinner::GridSelectionStrategyWithHighlight {
public:
    PreviewGrid(skinner::Container& container, std::u16string_view name)
        : ControlGrid(container, name, LookupMode::named)
        , m_rows(std::max(0, get_int(u"Rows", 300)))
        , m_number_width(std::max(0, get_int_scaled(u"NumberWidth", 40)))
    {
        update_layout();
        select_row(0);
    }

    int32_t row_count() const override { return m_rows; }
    int32_t column_count() const override { return 2; }
    int32_t column_width(int32_t column) const override { return column == 0 ? m_number_width : -1; }
    void draw_cell(int32_t column, int32_t row, skinner::Canvas& canvas, skinner::Point position,
        skinner::Size size, bool selected, bool highlighted) override
    {
        std::u16string text = column == 0 ? number(row + 1) : u"Track " + number(row + 1) + u" - preview row";
        draw_cell_text(canvas, skinner::grid_cell_style(selected, highlighted), text, position, size,
            column == 0 ? skinner::AlignFar : skinner::AlignNear);
    }

private:
    static std::u16string number(int32_t value)
    {
        std::string digits = std::to_string(value);
        return std::u16string(digits.begin(), digits.end());
    }

    int32_t m_rows;
    int32_t m_number_width;
};

} // namespace

std::unique_ptr<skinner::Control> make_list_control(
    skinner::Container& container, std::u16string_view name, std::u16string_view kind)
{
    if (kind == u"Preview.Progress") {
        auto bar = std::make_unique<skinner::ControlProgress>(container, name, LookupMode::named);
        bar->set_value(bar->get_int(u"Value", 40) / 100.0);
        return bar;
    }
    if (kind == u"Preview.Slider")
        return std::make_unique<PreviewSlider>(container, name);
    if (kind == u"Preview.ScrollBar")
        return std::make_unique<skinner::ControlScrollBar>(container, name, LookupMode::named);
    if (kind == u"Preview.Grid")
        return std::make_unique<PreviewGrid>(container, name);
    return nullptr;
}

ListControls::ListControls(skinner::Container& form, std::u16string_view form_name)
{
    skinner::Properties* skin = form.properties();
    if (skin == nullptr)
        return;
    uint32_t count = skin->auto_control_count(form_name);
    for (uint32_t index = 0; index < count; ++index) {
        auto [name, kind] = skin->auto_control(form_name, index);
        if (auto control = make_list_control(form, name, kind))
            m_controls.push_back(std::move(control));
    }
}

ListControls::~ListControls()
{
    // Later controls first, so that none outlives what it was laid out beside.
    while (!m_controls.empty())
        m_controls.pop_back();
}

} // namespace skin_preview
