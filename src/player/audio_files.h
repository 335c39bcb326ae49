#pragma once

// Which files the browser lists and the playlist takes: the extension decides here, while the
// engine itself probes a file's contents when it opens it.

#include <string_view>

namespace player {

// The extension (after the last '.' of the file name), lower-cased, is "mp3", "wav", "ogg" or "mpc".
bool is_audio_file(std::u16string_view path);

} // namespace player
