#include "skinner/skin_file.h"

#include "os/file.h"
#include "os/log.h"
#include "os/path.h"
#include "os/zip_open.h"

#include <algorithm>

namespace skinner {

namespace {

// Up to size bytes of the stream (from its position); the vector grows with what arrives. Returns
// whether all of them came.
bool read_up_to(liba::ResourceReader& stream, uint32_t size, std::vector<uint8_t>& bytes)
{
    constexpr uint32_t s_chunk = 64 * 1024;
    bytes.clear();
    while (bytes.size() < size) {
        uint32_t wanted = std::min<uint32_t>(s_chunk, size - uint32_t(bytes.size()));
        size_t at = bytes.size();
        bytes.resize(at + wanted);
        uint32_t got = stream.read(bytes.data() + at, wanted);
        bytes.resize(at + got);
        if (got < wanted)
            return false;
    }
    return true;
}

std::u16string_view extension_of(std::u16string_view name)
{
    size_t dot = name.rfind(u'.');
    return dot == std::u16string_view::npos ? std::u16string_view {} : name.substr(dot + 1);
}

bool too_large(std::u16string_view path, uint32_t size)
{
    if (size <= s_max_description_size)
        return false;
    os::log() << u"Error: skin [" << path << u"] is too large {" << size << u"}\n";
    return true;
}

} // namespace

std::vector<uint8_t> read_skin_description(std::u16string_view path)
{
    std::vector<uint8_t> bytes;
    std::unique_ptr<liba::ZipFile> zip = os::open_zip(path);
    for (std::u16string name = zip->next_entry(); !name.empty(); name = zip->next_entry()) {
        if (!os::same_path(extension_of(name), u"skin"))
            continue;
        if (too_large(path, zip->size()))
            return {};
        if (!read_up_to(*zip, zip->size(), bytes))
            os::log() << u"Error: skin [" << path << u"] failed to load from archive\n";
        return bytes;
    }
    os::File file(path, os::FileMode::Read);
    if (too_large(path, file.size()))
        return {};
    if (!read_up_to(file, file.size(), bytes))
        os::log() << u"Error: skin [" << path << u"] failed to load\n";
    return bytes;
}

} // namespace skinner
