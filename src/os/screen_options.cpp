#include "os/screen_options.h"

#include <charconv>
#include <optional>

namespace os {

namespace {

bool parse_side(std::string_view text, int32_t& side)
{
    if (text.empty() || text.size() > 5)
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), side);
    return error == std::errc() && end == text.data() + text.size() && side >= s_min_screen_side
        && side <= s_max_screen_side;
}

bool parse_kind(std::string_view text, PlatformKind& kind)
{
    if (text == "pocketpc") {
        kind = PlatformKind::pocket_pc;
        return true;
    }
    if (text == "smartphone") {
        kind = PlatformKind::smartphone;
        return true;
    }
    return false;
}

// Splits "--name=value"; a bare "--name" takes the next argument as its value.
struct Option {
    std::string name;
    std::optional<std::string> value;
};

Option split(const std::string& arg)
{
    size_t equal = arg.find('=');
    if (equal == std::string::npos)
        return {arg, std::nullopt};
    return {arg.substr(0, equal), arg.substr(equal + 1)};
}

bool takes_value(const std::string& name)
{
    return name == "--screen" || name == "--platform" || name == "--screenshot";
}

std::string apply(ScreenOptions& options, const std::string& name, const std::string& value)
{
    if (name == "--screen") {
        if (!parse_screen_size(value, options.size))
            return "--screen wants WxH with sides from 64 to 4096, not {" + value + "}";
    } else if (name == "--platform") {
        if (!parse_kind(value, options.kind))
            return "--platform wants pocketpc or smartphone, not {" + value + "}";
    } else if (name == "--screenshot") {
        if (value.empty())
            return "--screenshot wants a file name";
        options.screenshot = value;
        options.headless = true;
    }
    return {};
}

} // namespace

bool parse_screen_size(std::string_view text, Size& size)
{
    size_t x = text.find('x');
    if (x == std::string_view::npos)
        return false;
    Size parsed;
    if (!parse_side(text.substr(0, x), parsed.width) || !parse_side(text.substr(x + 1), parsed.height))
        return false;
    size = parsed;
    return true;
}

ScreenOptionsResult parse_screen_options(const std::vector<std::string>& args)
{
    ScreenOptionsResult result;
    for (size_t i = 0; i < args.size(); ++i) {
        Option option = split(args[i]);
        if (option.name == "--headless" && !option.value) {
            result.options.headless = true;
            continue;
        }
        if (!takes_value(option.name)) {
            result.rest.push_back(args[i]);
            result.rest_at.push_back(i);
            continue;
        }
        if (!option.value) {
            if (i + 1 >= args.size()) {
                result.error = option.name + " wants a value";
                break;
            }
            option.value = args[++i];
        }
        result.error = apply(result.options, option.name, *option.value);
        if (!result.error.empty())
            break;
    }
    return result;
}

ScreenOptionsResult parse_screen_options(int argc, const char* const* argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i] ? argv[i] : "");
    return parse_screen_options(args);
}

} // namespace os
