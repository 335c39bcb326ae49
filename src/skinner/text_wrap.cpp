#include "skinner/text_wrap.h"

namespace skinner {

namespace {

class Wrapper {
public:
    Wrapper(
        std::u16string_view text, int32_t available, const std::function<int32_t(std::u16string_view)>& width)
        : m_text(text)
        , m_available(available)
        , m_width(width)
    {
    }

    std::vector<std::u16string> run()
    {
        size_t i = 0;
        while (i < m_text.size()) {
            if (m_text.substr(i, s_line_break_marker.size()) == s_line_break_marker) {
                check_width(i);
                end_line(i, i + s_line_break_marker.size());
                i += s_line_break_marker.size();
                continue;
            }
            char16_t c = m_text[i];
            if (c < 33) {
                check_width(i);
                m_break = i;
            }
            if (c == u'\n')
                end_line(i, i + 1);
            ++i;
        }
        check_width(m_text.size());
        m_lines.emplace_back(m_text.substr(m_start));
        return std::move(m_lines);
    }

private:
    // Ends a line at the last break position when the text from the line start up to end is too
    // wide and there is a break position to go back to.
    void check_width(size_t end)
    {
        if (m_break <= m_start || m_width(m_text.substr(m_start, end - m_start)) <= m_available)
            return;
        m_lines.emplace_back(m_text.substr(m_start, m_break - m_start));
        m_start = m_break + 1;
        m_break = m_start;
    }

    void end_line(size_t end, size_t next)
    {
        m_lines.emplace_back(m_text.substr(m_start, end - m_start));
        m_start = next;
        m_break = next;
    }

    std::u16string_view m_text;
    int32_t m_available;
    const std::function<int32_t(std::u16string_view)>& m_width;
    std::vector<std::u16string> m_lines;
    size_t m_start = 0;
    size_t m_break = 0;
};

} // namespace

std::vector<std::u16string> wrap_text(
    std::u16string_view text, int32_t available, const std::function<int32_t(std::u16string_view)>& width)
{
    return Wrapper(text, available, width).run();
}

} // namespace skinner
