#pragma once

#include <string>
#include <vector>

namespace liba {

// Root of every stream: a list of error messages. A stream is good exactly while the list is
// empty; nothing in the stream family ever clears it, so one failure sticks.
class ErrorBase {
public:
    virtual void add_error(const std::u16string& message) { m_errors.push_back(message); }
    virtual ~ErrorBase() = default;

    bool good() const { return m_errors.empty(); }
    const std::vector<std::u16string>& errors() const { return m_errors; }

private:
    std::vector<std::u16string> m_errors;
};

} // namespace liba
