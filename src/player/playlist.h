#pragma once

// The ordered list of audio files the player walks through: built from a folder (with or without
// its subfolders) or from one file, kept in sorted or random order, with a current position and
// the random and repeat modes. Owned by the main form; used on the user-interface thread only.
//
// The current index as read is always clamped to the list: a stored value past the end (the list
// was rebuilt shorter) reads as the last index, and an empty list reads 0 and has no current path.

#include "os/finder.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace player {

class Playlist : public os::Finder {
public:
    enum class Direction { forward, back };

    bool random() const { return m_random; }
    void set_random(bool random) { m_random = random; }
    bool repeat() const { return m_repeat; }
    void set_repeat(bool repeat) { m_repeat = repeat; }
    // Whether the next build descends into subfolders.
    bool subfolders() const { return m_subfolders; }
    void set_subfolders(bool subfolders) { m_subfolders = subfolders; }

    // Replaces the files by the audio files of folder (and, with subfolders, of every folder below
    // it), then reorders them. The current index is kept as stored.
    void build(std::u16string_view folder);
    // Replaces the files by path alone when it is an existing audio file, else by nothing.
    void build_single(std::u16string_view path);
    // Random: a fresh shuffle over os::rand. Otherwise sorted by lower-cased expanded path, code
    // unit by code unit, so that every folder's files (and those below it) stay together.
    void reorder();

    // Stores index clamped to the list; true only when it was stored unchanged (never on an empty
    // list).
    bool set_current(int32_t index);
    // Makes the last file equal to path (same_path: case and separators aside) current; false for
    // an empty path or one not in the list.
    bool set_current_path(std::u16string_view path);
    int32_t current_index() const;
    // Empty when the list is empty.
    std::u16string current_path() const;
    int32_t size() const { return int32_t(m_files.size()); }

    // Moves to the next or previous file; false when there is none to play. Forward past the end
    // with repeat reshuffles first (random) and goes to 0; without repeat the last file stays
    // current. Back before the start with repeat goes to the last file; without, to 0.
    bool advance(Direction direction);

    const std::vector<std::u16string>& files() const { return m_files; }

    // The search's callbacks: audio files are appended; folders are descended into by the search
    // itself when subfolders is on.
    bool on_file(const std::u16string& path) override;
    bool on_folder(const std::u16string& path) override;

private:
    bool m_random = true;
    bool m_repeat = true;
    bool m_subfolders = false;
    std::vector<std::u16string> m_files;
    int32_t m_current = 0;
};

// The playlist's orders, on their own for tests: a shuffle drawing 15 bits at a time from os::rand
// (more draws shifted in from the 32768th file on), and the sort by lower-cased
// expanded path.
void shuffle_files(std::vector<std::u16string>& files);
void sort_files(std::vector<std::u16string>& files);

} // namespace player
