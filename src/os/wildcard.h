#pragma once

// File masks as the handheld's file system matches them: '*' stands for any run of characters
// (none included), '?' for exactly one, every other character for itself without regard to case.
// A mask ending in ".*" also matches the names its part before ".*" matches, so "*.*" matches a
// name without a dot and "readme.*" matches "readme".

#include <string_view>

namespace os {

bool wildcard_match(std::u16string_view mask, std::u16string_view name);

} // namespace os
