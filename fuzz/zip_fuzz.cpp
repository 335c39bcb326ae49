// The zip walk over arbitrary bytes: every entry visited, read, sought and skipped inside, and
// looked up by name. No crash, no hang, no read outside the archive, and the stream positions
// stay inside the entries.

#include "liba/memory_reader.h"
#include "liba/zip_file.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Reads the whole current entry in uneven pieces; never more than it declares.
void read_entry(liba::ZipFile& zip)
{
    uint8_t buffer[257];
    uint64_t total = 0;
    for (uint32_t piece = 1;; piece = piece * 3 % 257 + 1) {
        uint32_t before = zip.tell();
        uint32_t n = zip.read(buffer, piece);
        check(n <= piece && zip.tell() == before + n);
        total += n;
        if (n == 0)
            break;
    }
    check(total <= zip.size());
}

void move_inside_entry(liba::ZipFile& zip)
{
    uint8_t buffer[64];
    uint32_t size = zip.size();
    zip.seek(size / 2);
    zip.read(buffer, sizeof buffer);
    int32_t back = zip.skip(std::numeric_limits<int32_t>::min());
    check(back <= 0 && zip.tell() == 0);
    int32_t forward = zip.skip(std::numeric_limits<int32_t>::max());
    check(forward >= 0
        && zip.tell() == std::min<uint32_t>(size, uint32_t(std::numeric_limits<int32_t>::max())));
    zip.seek(std::numeric_limits<uint32_t>::max());
    check(zip.read(buffer, sizeof buffer) == 0 && zip.skip(1) == 0);
    check(zip.write(buffer, 1) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint32_t count = uint32_t(std::min<size_t>(size, std::numeric_limits<uint32_t>::max()));
    liba::ZipFile zip(std::make_unique<liba::MemoryReader>(data, count));
    std::u16string last;
    size_t entries = 0;
    for (std::u16string name = zip.next_entry(); !name.empty(); name = zip.next_entry()) {
        // Every local header takes at least 30 bytes, and the walk only moves forward.
        check(++entries <= size / 30);
        read_entry(zip);
        move_inside_entry(zip);
        last = name;
    }
    check(zip.size() == 0 && zip.next_entry().empty());
    if (!last.empty()) {
        check(zip.find(last));
        read_entry(zip);
    }
    check(!zip.find(u"no such entry \u00E9/"));
    return 0;
}
