#pragma once

// How far an audiobook goes back when it is taken up again, so that the listener finds the thread
// of the story: the longer the rest, the further back.
//
//   rest (seconds)        back by
//   below 10              0 s
//   10 to 60              1 s
//   above 60 to 3600      2 s
//   above 3600 to 86400   10 s
//   above 86400           30 s
//
// A pause is measured on a monotonic clock; a start from a bookmark by the bookmark's "Saved"
// time (UTC seconds) against the wall clock. A bookmark without it, or one saved in the future
// (the clock was set back), counts as a rest of an hour.

#include "audio/file_reader.h"

#include <cstdint>

namespace player {

// The seconds to go back after a rest of so many seconds.
double rewind_seconds(double rest_seconds);
// The rest of a bookmark saved at saved_utc (-1: not known) at now_utc.
double rest_since_saved(int64_t saved_utc, int64_t now_utc);
// The wall clock in whole seconds since 1970 (UTC).
int64_t utc_seconds();
// position moved back by the seconds through the reader's own time: never before the start, and
// never forward (a reader whose conversions round may not give back more than position).
int32_t rewound_position(audio::FileReader& reader, int32_t position, double seconds);

} // namespace player
