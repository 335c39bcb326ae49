#pragma once

// Breaking a text into lines for a frame of a given width, as a plain function over a width
// measure so that it can be checked without fonts.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace skinner {

// The line-break marker of skin and language texts: a backslash followed by "n".
inline constexpr std::u16string_view s_line_break_marker = u"\\n";

// The lines of text in available pixels, width() measuring a piece of it. Walking the text with a
// line start s and the last break position b (both 0 at first):
//   - a character below 33 (space, control characters) is a break position: first, when the text
//     from s up to it is wider than available and a break position lies after s, a line ends at b
//     and the next starts after b; then the character becomes b;
//   - a line feed (after that) ends the line before it; the next starts after it;
//   - the marker ends the line before it after the same width check; the next starts after it;
//   - at the end the width check runs once more, then the last line (possibly empty) ends.
// Break characters stay out of the lines they end. A word wider than available stays whole on its
// own line, and an empty text gives one empty line.
std::vector<std::u16string> wrap_text(
    std::u16string_view text, int32_t available, const std::function<int32_t(std::u16string_view)>& width);

} // namespace skinner
