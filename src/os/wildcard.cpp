#include "os/wildcard.h"

#include "liba/text.h"

namespace os {

namespace {

bool same_character(char16_t a, char16_t b)
{
    return a == b || liba::to_lower(a) == liba::to_lower(b);
}

// Greedy with one backtrack point: the last '*' seen absorbs one more character whenever the rest
// fails to match, so the work stays proportional to mask length times name length.
bool match_plain(std::u16string_view mask, std::u16string_view name)
{
    size_t m = 0;
    size_t n = 0;
    size_t star = std::u16string_view::npos;
    size_t resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == u'*') {
            star = m++;
            resume = n;
        } else if (m < mask.size() && (mask[m] == u'?' || same_character(mask[m], name[n]))) {
            ++m;
            ++n;
        } else if (star != std::u16string_view::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*')
        ++m;
    return m == mask.size();
}

} // namespace

bool wildcard_match(std::u16string_view mask, std::u16string_view name)
{
    if (match_plain(mask, name))
        return true;
    if (mask.size() >= 2 && mask.ends_with(u".*"))
        return match_plain(mask.substr(0, mask.size() - 2), name);
    return false;
}

} // namespace os
