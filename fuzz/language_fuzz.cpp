// Arbitrary bytes as a language file, read as they are (UTF-16 with the mark, else 8-bit text) and
// again behind a UTF-16 mark, so that every input reaches both decoders. No crash, no hang; every
// stored key is a non-empty word without white space that is no comment; no text holds a line
// end; and the entries written out again as a UTF-16 file load back as they were.

#include "liba/memory_reader.h"
#include "liba/string_translator.h"
#include "liba/text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool is_white(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r' || c == u'\n';
}

liba::StringTranslator load(std::string_view bytes)
{
    liba::MemoryReader reader(bytes.data(), uint32_t(bytes.size()));
    liba::StringTranslator translator;
    check(liba::load_language(reader, translator));
    return translator;
}

// The lines of text: a translator never holds more entries than that.
size_t line_count(std::u16string_view text)
{
    size_t lines = 1;
    for (char16_t c : text)
        lines += c == u'\r' || c == u'\n';
    return lines;
}

void check_entries(const liba::StringTranslator& translator, std::u16string_view text)
{
    check(translator.size() <= line_count(text));
    for (const auto& [key, value] : translator.entries()) {
        check(!key.empty() && !key.starts_with(u"//"));
        for (char16_t c : key)
            check(!is_white(c));
        for (char16_t c : value)
            check(c != u'\r' && c != u'\n');
    }
}

void put_units(std::string& bytes, std::u16string_view text)
{
    for (char16_t c : text) {
        bytes.push_back(char(c & 0xFF));
        bytes.push_back(char(c >> 8));
    }
}

// Writes the entries as a UTF-16 language file and checks that it loads back to the same entries.
// "Key=Text" keeps a text that is empty or starts with a blank; "Key Text" one that starts
// otherwise. A key ending in "=" with such a text has no spelling and is left out.
void check_round_trip(const liba::StringTranslator& translator)
{
    std::string bytes = "\xFF\xFE";
    liba::StringTranslator expected;
    for (const auto& [key, value] : translator.entries()) {
        bool keeps_blanks = value.empty() || is_white(value.front());
        if (!keeps_blanks && key.ends_with(u'='))
            continue;
        expected.set(key, value);
        put_units(bytes, key);
        put_units(bytes, keeps_blanks ? u"=" : u" ");
        put_units(bytes, value);
        put_units(bytes, u"\r\n");
    }
    check(load(bytes).entries() == expected.entries());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // As it is: a UTF-16 file when marked, else 8-bit text of one unit per byte when not UTF-8.
    std::u16string text = liba::decode_language(bytes);
    bool marked = size >= 2 && size % 2 == 0 && data[0] == 0xFF && data[1] == 0xFE;
    if (marked)
        check(text.size() == size / 2 - 1);
    else if (!liba::is_valid_utf8(bytes))
        check(text.size() == size);
    liba::StringTranslator translator = load(bytes);
    check_entries(translator, text);
    check_round_trip(translator);

    // Behind a UTF-16 mark (an odd last byte dropped): every pair of bytes is one code unit.
    std::string utf16 = "\xFF\xFE";
    utf16.append(bytes.substr(0, size & ~size_t(1)));
    std::u16string units = liba::decode_language(utf16);
    check(units.size() == size / 2);
    for (size_t i = 0; i < units.size(); ++i)
        check(units[i] == char16_t(data[2 * i] | data[2 * i + 1] << 8));
    liba::StringTranslator wide = load(utf16);
    check_entries(wide, units);
    check_round_trip(wide);
    return 0;
}
