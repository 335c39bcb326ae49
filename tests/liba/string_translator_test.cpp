#include "liba/string_translator.h"

#include "liba/memory_reader.h"
#include "liba/text.h"

#include <gtest/gtest.h>

using liba::StringTranslator;

namespace {

StringTranslator loaded(std::string_view bytes)
{
    liba::MemoryReader reader(bytes.data(), uint32_t(bytes.size()));
    StringTranslator translator;
    EXPECT_TRUE(liba::load_language(reader, translator));
    return translator;
}

} // namespace

TEST(LanguageFile, each_line_gives_a_key_and_its_text_a_miss_falls_back_and_utf16_needs_its_mark)
{
    // A file, a key and its text (null: no entry).
    const std::tuple<const char16_t*, const char16_t*, const char16_t*> cases[]
        = {{u"Menu_Exit=  Quit now \n", u"Menu_Exit", u"  Quit now "}, // the blanks after "=" are kept
            {u"Menu_Exit  \tQuit now \n", u"Menu_Exit", u"Quit now "}, // those after the word are not
            {u"Menu_Exit=Quit now\n", u"Menu_Exit=Quit", u"now"}, // "=" inside the word is part of the key
            {u"Menu_Exit Quit\n", u"menu_exit", nullptr},
            {u"Status_Play\n", u"Status_Play", u""}, // an empty text is a translation, not a miss
            {u"A one\rB two\nA three\r\nC four", u"A", u"three"}, // later lines win
            {u"A one\rB two\nA three\r\nC four", u"C", u"four"}, // the last line needs no line end
            // Comments, blank lines and leading white space are skipped.
            {u"// header\n\n   \t Menu_Stop Stop\r\n//Menu_Exit Quit\r\r\n  // About About\n=\n= text\n",
                u"Menu_Stop", u"Stop"},
            {u"  // About About\n=\n= text\n", u"", nullptr}};
    for (auto [file, key, text] : cases) {
        StringTranslator translator;
        liba::parse_language(file, translator);
        SCOPED_TRACE(liba::to_utf8(file));
        ASSERT_EQ(translator.find(key) != nullptr, text != nullptr);
        EXPECT_EQ(translator.translate(key, u"fallback"), text ? text : u"fallback");
        EXPECT_EQ(translator.translate(key), text ? text : key);
    }

    // UTF-16 needs its mark and an even length, else the bytes are eight-bit text.
    auto utf16 = [](std::u16string_view text) {
        std::string bytes;
        for (char16_t c : text)
            bytes += {char(c & 0xFF), char(c >> 8)};
        return bytes;
    };
    EXPECT_EQ(loaded(utf16(u"\uFEFFK \u0416\u00e9\n")).translate(u"K"), u"\u0416\u00e9");
    EXPECT_EQ(loaded(utf16(u"Menu_Exit Quit\n")).find(u"Menu_Exit"), nullptr);
    // Seven bytes: the mark is read as two Windows-1252 characters, a key word of its own.
    StringTranslator odd = loaded("\xFF\xFE\nK v\n");
    EXPECT_EQ(odd.translate(u"K"), u"v");
    EXPECT_NE(odd.find(u"\u00ff\u00fe"), nullptr);
    EXPECT_EQ(loaded("K Gr\xC3\xBC\xC3\x9F\n").translate(u"K"), u"Gr\u00fc\u00df");
    EXPECT_EQ(loaded("").size(), 0u);
    liba::MemoryReader failed("K v\n", 4); // an unopened file fails and changes nothing
    failed.add_error(u"can't open file");
    EXPECT_FALSE(liba::load_language(failed, odd));
    EXPECT_EQ(odd.translate(u"K"), u"v");
}
