#include "player/bookmarks.h"

#include <algorithm>
#include <utility>

namespace player {

std::vector<Bookmark>::const_iterator Bookmarks::find_last(std::u16string_view path) const
{
    auto last = std::find_if(
        m_list.rbegin(), m_list.rend(), [path](const Bookmark& bookmark) { return bookmark.path == path; });
    return last == m_list.rend() ? m_list.end() : std::prev(last.base());
}

void Bookmarks::store(std::u16string_view path, int32_t position, int64_t saved)
{
    auto last = find_last(path);
    if (last != m_list.end())
        m_list.erase(last);
    m_list.push_back(Bookmark {std::u16string(path), position, saved});
}

void Bookmarks::append(Bookmark bookmark)
{
    m_list.push_back(std::move(bookmark));
}

int32_t Bookmarks::resume_position(std::u16string_view path) const
{
    auto last = find_last(path);
    return last == m_list.end() ? 0 : last->position;
}

int64_t Bookmarks::saved_time(std::u16string_view path) const
{
    auto last = find_last(path);
    return last == m_list.end() ? -1 : last->saved;
}

bool Bookmarks::has(std::u16string_view path) const
{
    return find_last(path) != m_list.end();
}

} // namespace player
