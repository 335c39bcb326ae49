#pragma once

// A menu manager's command table: entry ids and their owner controls, side by side; the command
// number the shell reports for an entry is s_first_menu_command plus its row. The bar's own
// buttons take the first rows; a popup's entries are appended after them each time it opens.
// A row whose owner has been destroyed since is found without an owner.
//
// User-interface thread only.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace skinner {

class Control;

inline constexpr uint32_t s_first_menu_command = 100;

class MenuCommandTable {
public:
    struct Row {
        std::u16string id;
        Control* owner = nullptr;
    };

    // The new row's command number.
    uint32_t add(std::u16string id, Control* owner);
    // Replaces the row of a command number that exists.
    void set(uint32_t command, std::u16string id, Control* owner);
    // Keeps the first count rows.
    void cut(size_t count);
    void clear() { m_ids.clear(), m_owners.clear(); }
    size_t size() const { return m_ids.size(); }
    // The row of a command number; none below s_first_menu_command or past the last row.
    std::optional<Row> find(uint32_t command) const;

private:
    std::vector<std::u16string> m_ids;
    struct Owner {
        Control* control = nullptr;
        std::weak_ptr<const void> life;
    };
    static Owner owner_of(Control* control);

    std::vector<Owner> m_owners;
};

} // namespace skinner
