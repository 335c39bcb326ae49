#include "liba/zip_file.h"

#include "liba/little_endian.h"
#include "liba/text.h"

#include <algorithm>
#include <utility>

namespace liba {

namespace {

// Local file header: signature, 14 bytes never checked (version, flags, method, time, date,
// CRC-32), compressed size, uncompressed size, name length, extra field length; then the name,
// the extra field and the entry data. All fields little-endian.
constexpr uint32_t s_local_header_signature = 0x04034B50;
constexpr uint32_t s_fixed_header_size = 30;
constexpr uint32_t s_compressed_size_at = 18;
constexpr uint32_t s_size_at = 22;
constexpr uint32_t s_name_length_at = 26;
constexpr uint32_t s_extra_length_at = 28;

std::u16string normalised_entry_name(std::u16string_view name)
{
    if (!name.empty() && (name.back() == u'/' || name.back() == u'\\'))
        name.remove_suffix(1);
    std::u16string out = to_lower(name);
    std::replace(out.begin(), out.end(), u'\\', u'/');
    return out;
}

} // namespace

struct ZipFile::Header {
    uint32_t compressed_size = 0;
    uint32_t size = 0;
    uint64_t data_offset = 0;
    std::string name;
};

bool same_entry_name(std::u16string_view a, std::u16string_view b)
{
    return normalised_entry_name(a) == normalised_entry_name(b);
}

ZipFile::ZipFile(std::unique_ptr<ResourceReader> archive, std::shared_ptr<const ZipIndex> index)
    : m_archive(std::move(archive))
    , m_index(std::move(index))
{
    if (m_archive && m_archive->good())
        m_archive_size = m_archive->size();
}

ZipFile::~ZipFile() = default;

bool ZipFile::read_exact(uint64_t offset, void* buffer, uint32_t count)
{
    // Offsets past the archive never reach the stream, so the 32-bit seek below cannot wrap.
    if (offset + count > m_archive_size)
        return false;
    if (count == 0)
        return true;
    return m_archive->seek(static_cast<uint32_t>(offset)) && m_archive->read(buffer, count) == count;
}

bool ZipFile::read_header(Header& header)
{
    uint8_t fixed[s_fixed_header_size];
    if (!read_exact(m_next_header, fixed, s_fixed_header_size)
        || load_le32(fixed) != s_local_header_signature)
        return false;
    header.compressed_size = load_le32(fixed + s_compressed_size_at);
    header.size = load_le32(fixed + s_size_at);
    uint16_t name_length = load_le16(fixed + s_name_length_at);
    uint16_t extra_length = load_le16(fixed + s_extra_length_at);
    uint64_t name_offset = m_next_header + s_fixed_header_size;
    header.data_offset = name_offset + name_length + extra_length;
    // Name and extra field must lie inside the archive; only then is the name buffer made.
    if (header.data_offset > m_archive_size)
        return false;
    header.name.assign(name_length, '\0');
    if (!read_exact(name_offset, header.name.data(), name_length))
        return false;
    header.name.resize(std::min<size_t>(header.name.find('\0'), name_length));
    return true;
}

void ZipFile::clear_entry()
{
    m_entry_offset = 0;
    m_entry_size = 0;
    m_entry_position = 0;
}

std::u16string ZipFile::next_entry()
{
    clear_entry();
    Header header;
    // Equal sizes are what marks an entry as stored; the method field is not looked at.
    if (!read_header(header) || header.compressed_size != header.size || header.name.empty())
        return {};
    m_entry_offset = header.data_offset;
    m_entry_size = header.size;
    // A data descriptor entry (sizes 0) leaves the next header inside its data, which ends the walk.
    m_next_header = header.data_offset + header.size;
    return from_8bit(header.name);
}

bool ZipFile::find(std::u16string_view name)
{
    std::shared_ptr<const ZipIndex> entries = index();
    auto found = entries->headers.find(normalised_entry_name(name));
    if (found == entries->headers.end()) {
        clear_entry();
        m_next_header = entries->walk_end;
        return false;
    }
    m_next_header = found->second;
    return !next_entry().empty();
}

std::shared_ptr<const ZipIndex> ZipFile::index()
{
    if (m_index)
        return m_index;
    const uint64_t next_header = m_next_header, entry_offset = m_entry_offset;
    const uint32_t entry_size = m_entry_size, entry_position = m_entry_position;
    auto made = std::make_shared<ZipIndex>();
    m_next_header = 0;
    for (;;) {
        uint64_t header_offset = m_next_header;
        std::u16string entry = next_entry();
        if (entry.empty())
            break;
        made->headers.emplace(normalised_entry_name(entry), header_offset);
    }
    made->walk_end = m_next_header;
    m_next_header = next_header;
    m_entry_offset = entry_offset;
    m_entry_size = entry_size;
    m_entry_position = entry_position;
    m_index = std::move(made);
    return m_index;
}

uint32_t ZipFile::read(void* buffer, uint32_t count)
{
    if (count == 0 || m_entry_position >= m_entry_size)
        return 0;
    uint64_t offset = m_entry_offset + m_entry_position;
    if (offset >= m_archive_size)
        return 0;
    uint32_t wanted = std::min(count, m_entry_size - m_entry_position);
    wanted = static_cast<uint32_t>(std::min<uint64_t>(wanted, m_archive_size - offset));
    if (!m_archive->seek(static_cast<uint32_t>(offset)))
        return 0;
    uint32_t done = m_archive->read(buffer, wanted);
    m_entry_position += done;
    return done;
}

uint32_t ZipFile::write(const void*, uint32_t)
{
    return 0;
}

int32_t ZipFile::skip(int32_t count)
{
    int64_t rest = m_entry_position < m_entry_size ? int64_t(m_entry_size) - m_entry_position : 0;
    int64_t moved = std::clamp<int64_t>(count, -int64_t(m_entry_position), rest);
    m_entry_position = static_cast<uint32_t>(m_entry_position + moved);
    return static_cast<int32_t>(moved);
}

uint32_t ZipFile::size()
{
    return m_entry_size;
}

bool ZipFile::seek(uint32_t position)
{
    m_entry_position = position;
    return m_archive && m_archive->good();
}

uint32_t ZipFile::tell()
{
    return m_entry_position;
}

} // namespace liba
