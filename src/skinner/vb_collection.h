#pragma once

// The indexed collection that grid subclasses keep their rows in. Indexing outside [0, size) is an
// internal error: a row number the grid handed out that no longer exists. It ends the program
// through os::fatal_error (place "VBCollection::operator[]", message "pos is invalid") instead of
// reading memory that is not there. Otherwise a plain growable array.
//
// User-interface thread only.

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace skinner {

// Ends the program when index is outside [0, size).
void vb_collection_check(int64_t index, size_t size);

template<class T> class VBCollection {
public:
    int32_t size() const { return int32_t(m_items.size()); }
    bool empty() const { return m_items.empty(); }
    bool contains(int64_t index) const { return index >= 0 && uint64_t(index) < m_items.size(); }

    T& operator[](int64_t index)
    {
        vb_collection_check(index, m_items.size());
        return m_items[size_t(index)];
    }
    const T& operator[](int64_t index) const
    {
        vb_collection_check(index, m_items.size());
        return m_items[size_t(index)];
    }

    void add(T item) { m_items.push_back(std::move(item)); }
    // Inserts before index; index == size() appends.
    void insert(int64_t index, T item)
    {
        if (index != int64_t(m_items.size()))
            vb_collection_check(index, m_items.size());
        m_items.insert(m_items.begin() + index, std::move(item));
    }
    void remove(int64_t index)
    {
        vb_collection_check(index, m_items.size());
        m_items.erase(m_items.begin() + index);
    }
    void clear() { m_items.clear(); }

    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

    // Orders the items with less (for sorted lists such as the file browser's).
    template<class Less> void sort(Less less) { std::sort(m_items.begin(), m_items.end(), less); }

private:
    std::vector<T> m_items;
};

} // namespace skinner
