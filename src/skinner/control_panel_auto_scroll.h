#pragma once

// A panel that owns a vertical and a horizontal scroll bar and fits a content control into the
// room the bars leave, showing each bar only when the content needs it (auto_scroll_layout in
// scroll_geometry.h). The bars are made in kind mode from the kinds "KindScroll" (vertical) and
// "KindHScroll" (horizontal), inside the panel, not wanting the focus; their moves reach the panel
// as on_scroll. Subclasses (the grid) decide what the content is and how big it is, call layout
// whenever either changes, and read the bars' positions.
//
// Properties, after the panel's, the current values serving as defaults: "ScrollWidth" (scaled:
// the vertical bar's width), "ScrollHeight" (scaled, default ScrollWidth: the horizontal bar's
// height), "BorderMin", "BorderMax" (points, BorderMax defaulting to BorderMin: the content's
// insets in the view), "ScrollBorderMin", "ScrollBorderMax" (points, the second defaulting to the
// first: the bars' insets). The two kinds are read once, when the panel is built.
//
// User-interface thread only.

#include "skinner/control_panel.h"
#include "skinner/control_scroll_bar.h"
#include "skinner/scroll_geometry.h"

#include <memory>

namespace skinner {

class ControlPanelAutoScroll : public ControlPanel {
public:
    ControlPanelAutoScroll(Container& container, std::u16string_view name, LookupMode mode);
    ~ControlPanelAutoScroll() override;

    // Moves the panel; lays the last content out again (layout), or places the bars.
    void set_rect(const Rect& rect) override;
    void on_skin_changed() override;

    // Places content at (position, size) less the room of the bars that content_size needs, shows
    // exactly those bars and places them (place_bars). The content and its size are remembered
    // for later moves of the panel.
    void layout(Control& content, Point position, Size size, Size content_size);
    // Puts the two bars where the last layout left room for them.
    void place_bars();

    ControlScrollBar& vertical_bar() const { return *m_vertical; }
    ControlScrollBar& horizontal_bar() const { return *m_horizontal; }
    // The last layout: the view (the panel less the bars), the content's rectangle, the bars.
    const AutoScrollLayout& last_layout() const { return m_layout; }
    const AutoScrollMetrics& metrics() const { return m_metrics; }

private:
    void read_auto_scroll_properties();

    AutoScrollMetrics m_metrics;
    AutoScrollLayout m_layout;
    std::unique_ptr<ControlScrollBar> m_vertical;
    std::unique_ptr<ControlScrollBar> m_horizontal;
    Control* m_content = nullptr;
    Size m_content_size;
};

} // namespace skinner
