#include "liba/string_translator.h"

#include "liba/text.h"

#include <algorithm>
#include <vector>

namespace liba {

void StringTranslator::set(std::u16string_view key, std::u16string_view text)
{
    m_texts.insert_or_assign(std::u16string(key), std::u16string(text));
}

const std::u16string* StringTranslator::find(std::u16string_view key) const
{
    auto at = m_texts.find(key);
    return at == m_texts.end() ? nullptr : &at->second;
}

std::u16string StringTranslator::translate(std::u16string_view key, std::u16string_view fallback) const
{
    const std::u16string* text = find(key);
    return text ? *text : std::u16string(fallback);
}

namespace {

bool is_line_end(char16_t c)
{
    return c == u'\r' || c == u'\n';
}

bool is_blank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f';
}

bool is_space(char16_t c)
{
    return is_blank(c) || is_line_end(c);
}

} // namespace

void parse_language(std::u16string_view text, StringTranslator& translator)
{
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && is_space(text[at]))
            ++at;
        size_t word_end = at;
        while (word_end < text.size() && !is_space(text[word_end]))
            ++word_end;
        size_t line_end = word_end;
        while (line_end < text.size() && !is_line_end(text[line_end]))
            ++line_end;
        std::u16string_view word = text.substr(at, word_end - at);
        std::u16string_view rest = text.substr(word_end, line_end - word_end);
        at = line_end;
        if (word.empty() || word.starts_with(u"//"))
            continue;
        if (word.ends_with(u'=')) {
            word.remove_suffix(1);
        } else {
            while (!rest.empty() && is_blank(rest.front()))
                rest.remove_prefix(1);
        }
        if (!word.empty())
            translator.set(word, rest);
    }
}

std::u16string decode_language(std::string_view bytes)
{
    if (bytes.size() >= 2 && bytes.size() % 2 == 0 && uint8_t(bytes[0]) == 0xFF
        && uint8_t(bytes[1]) == 0xFE) {
        std::u16string text;
        text.reserve(bytes.size() / 2 - 1);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(char16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)));
        return text;
    }
    return from_8bit(bytes);
}

bool load_language(ResourceReader& file, StringTranslator& translator)
{
    if (!file.good())
        return false;
    constexpr uint32_t s_limit = 2147483647;
    std::string bytes;
    char chunk[65536];
    while (bytes.size() < s_limit) {
        uint32_t wanted = uint32_t(std::min<size_t>(sizeof(chunk), s_limit - bytes.size()));
        uint32_t got = file.read(chunk, wanted);
        if (got == 0)
            break;
        bytes.append(chunk, got);
    }
    parse_language(decode_language(bytes), translator);
    return true;
}

} // namespace liba
