#pragma once

// Sequential reader of the stored entries of a zip archive (skin files). It walks the local file
// headers back to back from the start of the archive and presents the current entry as a seekable
// stream; there is no central-directory parsing, no decompression and no checksum test. An entry
// whose compressed and uncompressed sizes differ ends the walk, and so does anything that is not
// a local header (normally the central directory), a header cut short, or a header whose name or
// extra field runs past the end of the archive.
//
// The reader reports nothing itself: the end of the walk is an empty name from next_entry() or
// false from find(), and data missing from a cut archive shows only as a short count from read().
// Positions of the stream faces are bytes inside the current entry. One thread at a time.

#include "liba/nocopy.h"
#include "liba/streams.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace liba {

// Where each entry's local header lies, by normalised name (the first of equal names), and where
// the walk ends: what find() looks up instead of walking the archive each time.
struct ZipIndex {
    std::unordered_map<std::u16string, uint64_t> headers;
    uint64_t walk_end = 0;
};

class ZipFile : public ResourceReaderWriterBase, private Nocopy {
public:
    // Takes the archive stream over. A null or failed stream gives a walk that ends at once. An
    // index, when given, must be one made over the same bytes (readers of one archive share it).
    explicit ZipFile(
        std::unique_ptr<ResourceReader> archive, std::shared_ptr<const ZipIndex> index = nullptr);
    ~ZipFile() override;

    // Advances to the next entry and returns its name (8-bit text as stored, up to its first zero
    // byte: UTF-8 when valid, else Windows-1252). Empty when there is no further usable entry;
    // the walk then stays at its end and no entry is current (reads return 0).
    std::u16string next_entry();
    // Makes the first entry of the walk whose name matches (same_entry_name) the current one, as
    // a walk from the start would find it; the walk then goes on after that entry. Without a match
    // the walk is at its end and no entry is current. Looks the name up in index().
    bool find(std::u16string_view name);
    // The archive's index: the one given, or made by one walk of the whole archive at the first
    // call and kept. The walk's position and the current entry stay as they were.
    std::shared_ptr<const ZipIndex> index();

    // min(count, size - position) bytes of the current entry, fewer when the archive is cut short.
    uint32_t read(void* buffer, uint32_t count) override;
    // The writer face writes nothing.
    uint32_t write(const void* buffer, uint32_t count) override;
    // Moves inside the current entry, never before its start nor past its end; returns the
    // distance moved.
    int32_t skip(int32_t count) override;
    // The current entry's size as its header declares it.
    uint32_t size() override;
    // Sets the position inside the current entry; a position past the end is kept (tell() reports
    // it) and reads there return 0. False only when there is no archive to read.
    bool seek(uint32_t position) override;
    uint32_t tell() override;

private:
    struct Header;
    // Exactly count bytes at offset, or false (also when they lie past the end of the archive).
    bool read_exact(uint64_t offset, void* buffer, uint32_t count);
    bool read_header(Header& header);
    void clear_entry();

    std::unique_ptr<ResourceReader> m_archive;
    // Bytes the archive really holds; nothing at or past this offset is ever read.
    uint64_t m_archive_size = 0;
    // Offsets are kept in 64 bits so that a huge declared size cannot wrap the walk back to an
    // earlier header: every step moves strictly forward and the walk always ends.
    uint64_t m_next_header = 0;
    uint64_t m_entry_offset = 0;
    uint32_t m_entry_size = 0;
    uint32_t m_entry_position = 0;
    std::shared_ptr<const ZipIndex> m_index;
};

// Entry names compare like paths: letter case ignored (liba::to_lower), '\' and '/' equal, and one
// trailing separator on either side ignored.
bool same_entry_name(std::u16string_view a, std::u16string_view b);

} // namespace liba
