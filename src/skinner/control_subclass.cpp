#include "skinner/control_subclass.h"

#include <algorithm>
#include <map>
#include <vector>

namespace skinner {

namespace {

// Each hooked window's hooks, in the order they were installed.
std::map<os::WindowId, std::vector<ControlSubclass*>>& table()
{
    static std::map<os::WindowId, std::vector<ControlSubclass*>> hooks;
    return hooks;
}

} // namespace

ControlSubclass::~ControlSubclass()
{
    remove();
}

void ControlSubclass::install(os::WindowId window)
{
    remove();
    if (window == 0)
        return;
    table()[window].push_back(this);
    m_window = window;
}

void ControlSubclass::remove()
{
    if (m_window == 0)
        return;
    auto found = table().find(m_window);
    if (found != table().end()) {
        std::erase(found->second, this);
        if (found->second.empty())
            table().erase(found);
    }
    m_window = 0;
}

intptr_t ControlSubclass::run_hooks(os::WindowId window, const os::WindowMessage& message, bool& pass_on)
{
    pass_on = true;
    auto found = table().find(window);
    if (found == table().end())
        return 0;
    // A hook may remove itself or another one while it runs: work on a copy and skip the removed.
    std::vector<ControlSubclass*> hooks = found->second;
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
        ControlSubclass* hook = *it;
        if (hook->m_window != window)
            continue;
        intptr_t result = hook->on_hooked_message(message, pass_on);
        if (!pass_on)
            return result;
    }
    return 0;
}

void ControlSubclass::remove_all(os::WindowId window)
{
    auto found = table().find(window);
    if (found == table().end())
        return;
    std::vector<ControlSubclass*> hooks = found->second;
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it)
        (*it)->remove();
}

} // namespace skinner
