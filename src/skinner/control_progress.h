#pragma once

// The skinned progress bar and slider: a background, a fill that grows with the value in one of
// four orientations, and a thumb ("track") at the fill's moving end (progress_geometry.h has the
// arithmetic). Painting:
//   - growing down or right: the background over the whole rectangle, then the fill picture over
//     the filled part;
//   - growing up or left: the fill picture over the whole rectangle, then the background over the
//     part the value leaves unfilled (the top, or the left);
//   - the thumb picture ("TrackDisabled" while the control is disabled), then the focus picture.
// An orientation outside 0 to 3 paints the background alone and reports 0 for every tap.
//
// Properties, after those of ControlProgressBase: "Orientation" (integer, default 3: growing to
// the right; 0 down, 1 left, 2 up), "Progress" (the fill picture), "TrackSize" (scaled integer,
// default 0: the thumb's thickness along the direction of growth).
//
// User-interface thread only.

#include "skinner/control_progress_base.h"
#include "skinner/progress_geometry.h"

namespace skinner {

class ControlProgress : public ControlProgressBase {
public:
    ControlProgress(Container& container, std::u16string_view name, LookupMode mode);

    void paint(Canvas& canvas, Point dirty_position, Size dirty_size) override;
    void on_skin_changed() override;
    double value_at(Point point) const override;
    // Nothing when the fill (or unfilled part) and the thumb rectangles are the same. Otherwise the
    // two thumbs and the span between the two positions of the moving edge, with the far border
    // of the picture drawn up to that edge when its middle repeats along the bar
    // (Picture::grows_in_place), else all of both fills (or unfilled parts).
    Rect changed_rect(double a, double b) const override;

    int32_t orientation() const { return m_orientation; }
    int32_t track_size() const { return m_track_size; }
    const Picture& progress() const { return m_progress; }
    // Where the fill and the thumb go for the current value.
    Rect fill_rect() const;
    Rect thumb_rect() const;

private:
    void read_progress_properties();

    int32_t m_orientation = ProgressGrowsRight;
    Picture m_progress;
    int32_t m_track_size = 0;
};

} // namespace skinner
