#pragma once

// Wide-text output: the log and any other diagnostic sink. Text is composed with << for wide
// strings, UTF-8 literals and numbers; values in messages are wrapped in braces by convention,
// e.g. log() << u"Skin file {" << name << u"} has no kind {" << kind << u"}\n".

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace liba {

class TextOStream {
public:
    virtual ~TextOStream() = default;
    virtual void write(const char16_t* begin, const char16_t* end) = 0;
    virtual void flush() = 0;

    TextOStream& operator<<(std::u16string_view text)
    {
        write(text.data(), text.data() + text.size());
        return *this;
    }
    TextOStream& operator<<(const std::u16string& text) { return *this << std::u16string_view(text); }
    TextOStream& operator<<(const char16_t* text) { return *this << std::u16string_view(text); }
    // 8-bit text is taken as UTF-8.
    TextOStream& operator<<(std::string_view text);
    TextOStream& operator<<(const char* text) { return *this << std::string_view(text); }
    TextOStream& operator<<(char16_t c) { return *this << std::u16string_view(&c, 1); }

    template<typename T>
    requires(std::is_integral_v<
                 T> && !std::is_same_v<T, char16_t> && !std::is_same_v<T, char> && !std::is_same_v<T, bool>)
        TextOStream&
        operator<<(T value)
    {
        if constexpr (std::is_signed_v<T>)
            return write_signed(value);
        else
            return write_unsigned(value);
    }
    TextOStream& operator<<(bool value) { return *this << (value ? u"true" : u"false"); }
    TextOStream& operator<<(double value);

private:
    TextOStream& write_signed(int64_t value);
    TextOStream& write_unsigned(uint64_t value);
};

// Discards everything: the log while logging is switched off.
class TextOStreamEmpty final : public TextOStream {
public:
    void write(const char16_t*, const char16_t*) override { }
    void flush() override { }
};

// Collects text in memory (tests, message texts).
class TextOStreamString final : public TextOStream {
public:
    void write(const char16_t* begin, const char16_t* end) override { m_text.append(begin, end); }
    void flush() override { }
    const std::u16string& text() const { return m_text; }

private:
    std::u16string m_text;
};

} // namespace liba
