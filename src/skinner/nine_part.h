#pragma once

// The arithmetic of nine-part frames: a source rectangle split by an inner rectangle into four
// corners, four edges and a centre, drawn into a destination of any size. Corners are copied one
// to one; edges and centre are stretched or tiled to fill what the corners leave. These are plain
// functions so that the layout can be checked without drawing.

#include "skinner/geometry.h"

#include <array>
#include <cstdint>

namespace skinner {

// Source corners in bitmap pixels: the outer rectangle (left, top)-(right, bottom) and the inner
// one (inner_left, inner_top)-(inner_right, inner_bottom). Borders are the bands between them.
struct NinePartFrame {
    int32_t left = 0;
    int32_t top = 0;
    int32_t inner_left = 0;
    int32_t inner_top = 0;
    int32_t inner_right = 0;
    int32_t inner_bottom = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    friend bool operator==(const NinePartFrame&, const NinePartFrame&) = default;
};

// The two borders of one axis.
struct Borders {
    int32_t near = 0; // left or top
    int32_t far = 0; // right or bottom

    friend bool operator==(const Borders&, const Borders&) = default;
};

// Borders that together exceed the extent shrink evenly: with e the excess, near loses e / 2
// rounded down and far loses e / 2 rounded up; a side that would go below 0 stops at 0 and the
// other side gives up the rest (never below 0 either).
Borders fit_borders(Borders borders, int32_t extent);

struct NinePartCell {
    Rect source;
    Rect destination;
};

// The cells to draw, corners first, skipping those with an empty source or destination.
struct NinePartLayout {
    std::array<NinePartCell, 9> cells;
    int32_t count = 0;
};

// Nothing for an empty destination.
NinePartLayout nine_part_layout(const NinePartFrame& frame, const Rect& destination);

// Maps offset (from the destination start, 0 <= offset < extent) of one axis back to the source
// coordinate drawn there. s0..s3 are the outer start, inner start, inner end and outer end. The
// near border maps one to one up to and including its end, the far border from its start on; the
// middle is stretched (s1 + (offset - b) * (s2 - s1) / (k - b)) or tiled (s1 + (offset - b) mod
// (s2 - s1), s1 when s2 = s1), with b = s1 - s0 and k = extent - (s3 - s2).
int32_t map_to_source(
    int32_t offset, int32_t extent, int32_t s0, int32_t s1, int32_t s2, int32_t s3, bool stretch);

} // namespace skinner
