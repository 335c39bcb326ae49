#pragma once

// The arithmetic of progress bars and sliders: which value a point stands for, and where the fill
// and the thumb (the "track") go for a value. A bar has a rectangle (x, y, w, h) and a track size
// t, the thickness of the thumb along the direction of growth; the thumb's centre travels over
// w - t (or h - t) pixels, so a value of 0 puts the thumb flush with the start and 1 flush with the
// end. Products are truncated toward zero. Plain functions, so tests and the control share them.

#include "skinner/geometry.h"

#include <cstdint>

namespace skinner {

// The `Orientation` property: the direction in which the fill grows.
enum ProgressOrientation : int32_t {
    ProgressGrowsDown = 0,
    ProgressGrowsLeft = 1,
    ProgressGrowsUp = 2,
    ProgressGrowsRight = 3,
};

// The value in [0, 1] under point: 0 when the travel (size less track) is 0 and for an unknown
// orientation; points beyond either end are clamped.
double progress_value_at(int32_t orientation, const Rect& bar, int32_t track_size, Point point);

// The filled part for value f in layout mode 0..3 (the orientations' numbers):
//   0: (x, y)                     size (w, (h - t) f)
//   1: (x + (w - t)(1 - f), y)    size ((w - t) f, h)
//   2: (x, y + (h - t)(1 - f))    size (w, (h - t) f)
//   3: (x, y)                     size ((w - t) f, h)
// An unknown mode gives an empty rectangle at (x, y).
Rect progress_fill_rect(int32_t mode, const Rect& bar, int32_t track_size, double f);

// The thumb for value f: t thick at the moving end of the fill of the same orientation, as wide
// (or high) as the bar. Empty for an unknown orientation.
Rect progress_thumb_rect(int32_t orientation, const Rect& bar, int32_t track_size, double f);

} // namespace skinner
