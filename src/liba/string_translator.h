#pragma once

// The texts of one language, by key: every text the user sees and every string property of a skin
// is looked up here, falling back to the key itself (or to a text the caller gives) when the
// language has no entry for it. Keys compare case-sensitively, by code unit.
//
// Language files (".lng") fill a translator through load_language:
//   - a file of even length, at least 2 bytes, that starts with FF FE is UTF-16 little-endian
//     after the mark; anything else is 8-bit text (UTF-8 when valid, else Windows-1252);
//   - lines end at CR or LF; blank lines and leading white space are skipped;
//   - a line holds a key word (up to the first white space) and a text:
//       "//..."   a comment, ignored;
//       "Key="    the text is everything after the "=" up to the end of the line, blanks included;
//       "Key"     the text is the rest of the line after the blanks that follow the word;
//   - a later line with the same key replaces the earlier text; an empty key stores nothing.
//
// Not synchronised: the user-interface thread owns the translators.

#include "liba/streams.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace liba {

class StringTranslator {
public:
    StringTranslator() = default;
    StringTranslator(const StringTranslator&) = default;
    StringTranslator& operator=(const StringTranslator&) = default;
    virtual ~StringTranslator() = default;

    // Adds the key's text, or replaces it.
    void set(std::u16string_view key, std::u16string_view text);
    // The key's text, or null when the language has none.
    const std::u16string* find(std::u16string_view key) const;
    // The key's text, or fallback.
    std::u16string translate(std::u16string_view key, std::u16string_view fallback) const;
    // The key's text, or the key itself.
    std::u16string translate(std::u16string_view key) const { return translate(key, key); }

    size_t size() const { return m_texts.size(); }
    bool empty() const { return m_texts.empty(); }

    using Entries = std::map<std::u16string, std::u16string, std::less<>>;
    // Every key and its text, in code-unit order of the keys.
    const Entries& entries() const { return m_texts; }

private:
    Entries m_texts;
};

// Adds the entries of a language file's text (already decoded) to translator.
void parse_language(std::u16string_view text, StringTranslator& translator);
// Decodes a language file's bytes (UTF-16LE with its mark, else 8-bit text).
std::u16string decode_language(std::string_view bytes);
// Reads the whole stream (at most 2147483647 bytes) as a language file into translator. False,
// leaving translator untouched, when the stream is not good (the file could not be opened); an
// empty or entry-less file still gives true.
bool load_language(ResourceReader& file, StringTranslator& translator);

} // namespace liba
