#include "player/playlist.h"

#include "liba/text.h"
#include "os/directory.h"
#include "os/path.h"
#include "os/rand.h"
#include "os/search.h"
#include "player/audio_files.h"

#include <algorithm>
#include <utility>

namespace player {

namespace {

// A draw of os::rand() that can reach bound: further 15-bit draws are shifted in while the largest
// value the draws so far can make is below bound.
uint64_t draw_reaching(uint64_t bound)
{
    uint64_t value = os::rand();
    for (uint64_t largest = 32767; largest < bound; largest = (largest << 15) | 32767)
        value = (value << 15) | os::rand();
    return value;
}

} // namespace

void shuffle_files(std::vector<std::u16string>& files)
{
    for (size_t i = 1; i < files.size(); ++i) {
        size_t r = size_t(draw_reaching(i + 1) % (i + 1));
        std::swap(files[i], files[r]);
    }
}

// Sorting compares the lower-cased expanded paths without making them: a list of 50,000 paths
// would need as much memory again for its keys. Expansion turns every '\\' into '/' and replaces a
// leading macro; only the paths that begin with one are expanded beforehand.
void sort_files(std::vector<std::u16string>& files)
{
    std::vector<std::u16string> expanded(files.size());
    for (size_t i = 0; i < files.size(); ++i)
        if (files[i].starts_with(u'%'))
            expanded[i] = os::expand_path(files[i]);
    auto key
        = [&](uint32_t i) -> std::u16string_view { return expanded[i].empty() ? files[i] : expanded[i]; };
    auto unit = [](char16_t c) { return liba::to_lower(c == u'\\' ? u'/' : c); };
    std::vector<uint32_t> order(files.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = uint32_t(i);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        std::u16string_view x = key(a);
        std::u16string_view y = key(b);
        size_t common = std::min(x.size(), y.size());
        for (size_t i = 0; i < common; ++i) {
            if (x[i] == y[i])
                continue;
            char16_t p = unit(x[i]);
            char16_t q = unit(y[i]);
            if (p != q)
                return p < q;
        }
        return x.size() < y.size();
    });
    // Place k takes the file at order[k]: done in place, cycle by cycle, each place marked done by
    // order[k] = k.
    for (uint32_t start = 0; start < order.size(); ++start) {
        if (order[start] == start)
            continue;
        std::u16string held = std::move(files[start]);
        uint32_t place = start;
        while (order[place] != start) {
            uint32_t from = order[place];
            files[place] = std::move(files[from]);
            order[place] = place;
            place = from;
        }
        files[place] = std::move(held);
        order[place] = place;
    }
}

void Playlist::build(std::u16string_view folder)
{
    m_files.clear();
    os::search(*this, folder, u"*", u"*", m_subfolders);
    reorder();
}

void Playlist::build_single(std::u16string_view path)
{
    m_files.clear();
    os::FileInfo info = os::file_info(path);
    if (info.exists && !(info.attributes & os::s_attribute_directory) && is_audio_file(path))
        m_files.emplace_back(path);
}

void Playlist::reorder()
{
    if (m_files.empty())
        return;
    if (m_random)
        shuffle_files(m_files);
    else
        sort_files(m_files);
}

bool Playlist::set_current(int32_t index)
{
    m_current = std::max(0, std::min(index, size() - 1));
    return !m_files.empty() && m_current == index;
}

bool Playlist::set_current_path(std::u16string_view path)
{
    if (path.empty())
        return false;
    for (int32_t i = size() - 1; i >= 0; --i)
        if (os::same_path(m_files[size_t(i)], path))
            return set_current(i);
    return false;
}

int32_t Playlist::current_index() const
{
    return std::max(0, std::min(m_current, size() - 1));
}

std::u16string Playlist::current_path() const
{
    return m_files.empty() ? std::u16string() : m_files[size_t(current_index())];
}

bool Playlist::advance(Direction direction)
{
    if (m_files.empty())
        return false;
    if (direction == Direction::forward) {
        int32_t next = current_index() + 1;
        if (next >= size() && m_repeat) {
            if (m_random)
                reorder();
            next = 0;
        }
        return set_current(next);
    }
    int32_t previous = current_index() - 1;
    if (previous < 0 && m_repeat)
        previous = size() - 1;
    return set_current(previous);
}

bool Playlist::on_file(const std::u16string& path)
{
    if (is_audio_file(path))
        m_files.push_back(path);
    return true;
}

bool Playlist::on_folder(const std::u16string&)
{
    return true;
}

} // namespace player
