#include "player/player_texts.h"

#include "liba/text.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace player {

namespace {

std::u16string two_digits(int64_t value)
{
    std::u16string text = liba::to_text(value);
    return value < 10 ? u"0" + text : text;
}

} // namespace

std::u16string status_line(const liba::StringTranslator& translator, bool random, bool repeat,
    int32_t current_index, int32_t size, std::optional<std::u16string> lead)
{
    std::u16string line = lead ? std::move(*lead) : translator.translate(u"Status_Play", u"");
    if (random && size > 1) {
        line += u' ' + translator.translate(u"Status_Random");
    } else {
        if (repeat)
            line += u' ' + translator.translate(u"Status_Repeat");
        line += u' ' + liba::to_text(int64_t(current_index) + 1);
    }
    line += u' ' + translator.translate(u"Status_From") + u' ' + liba::to_text(int64_t(size));
    return line;
}

std::u16string sleep_status(const liba::StringTranslator& translator, int32_t minutes_left)
{
    std::u16string text = translator.translate(u"Status_Sleep");
    if (minutes_left >= 0)
        text += u' ' + liba::to_text(int64_t(minutes_left));
    return text;
}

std::u16string clock_text(double seconds)
{
    // A position past the end of a damaged file must not turn into a negative or undefined count.
    int64_t s = 0;
    if (std::isfinite(seconds) && seconds > 0)
        s = int64_t(std::min(seconds, 2147483647.0));
    return liba::to_text(s / 3600) + u':' + two_digits(s / 60 % 60) + u':' + two_digits(s % 60);
}

std::u16string info_text(int32_t sample_rate, int32_t bits_per_sample, int32_t bitrate)
{
    return liba::to_text(int64_t(sample_rate / 1000)) + u"kHz " + liba::to_text(int64_t(bits_per_sample))
        + u"bit " + liba::to_text(int64_t(bitrate / 1000)) + u"kbps";
}

std::u16string size_text(uint64_t bytes)
{
    auto n = uint32_t(bytes);
    if (n == 0)
        return {};
    if (n < 1024)
        return liba::to_text_unsigned(n) + u'B';
    if (n < 1048576)
        return liba::to_text_unsigned(n / 1024) + u'K';
    return liba::to_text_unsigned(n / 1048576) + u',' + liba::to_text_unsigned(n % 1048576 * 10 / 1048576)
        + u'M';
}

} // namespace player
