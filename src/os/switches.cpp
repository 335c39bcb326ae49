#include "os/switches.h"

#include "liba/text.h"
#include "os/path.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace os {

namespace {

constexpr std::array<std::u16string_view, 5> s_roots = {
    u"HKEY_CLASSES_ROOT",
    u"HKEY_CURRENT_USER",
    u"HKEY_CURRENT_CONFIG",
    u"HKEY_LOCAL_MACHINE",
    u"HKEY_USERS",
};

bool has_known_root(std::u16string_view key_path)
{
    std::u16string root(key_path.substr(0, key_path.find(u'\\')));
    for (std::u16string_view known : s_roots) {
        if (liba::to_upper(root) == known)
            return true;
    }
    return false;
}

std::string trim(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t\r\n");
    size_t end = text.find_last_not_of(" \t\r\n");
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

bool same_name(const std::string& a, std::u16string_view b)
{
    return liba::to_lower(liba::from_utf8(a)) == liba::to_lower(b);
}

std::vector<std::string> read_lines()
{
    std::vector<std::string> lines;
    std::ifstream in(switches_file());
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool is_section(const std::string& line)
{
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

// The line index of name=... inside section, or -1; section_end is where a new value would go
// (-1 when the section is missing).
struct Lookup {
    long value_line = -1;
    long section_end = -1;
};

Lookup find(const std::vector<std::string>& lines, std::u16string_view key_path, std::u16string_view name)
{
    Lookup found;
    bool inside = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string line = trim(lines[i]);
        if (is_section(line)) {
            inside = same_name(line.substr(1, line.size() - 2), key_path);
            if (inside)
                found.section_end = long(i) + 1;
            continue;
        }
        if (!inside)
            continue;
        if (!line.empty())
            found.section_end = long(i) + 1;
        size_t equals = line.find('=');
        if (equals != std::string::npos && same_name(trim(line.substr(0, equals)), name))
            found.value_line = long(i);
    }
    return found;
}

bool parse_number(const std::string& text, uint32_t& value)
{
    std::string digits = trim(text);
    if (digits.empty())
        return false;
    // Decimal, or hexadecimal after "0x" as registry editors write DWORDs; a leading zero is no
    // octal mark ("Log=08" is 8).
    bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    const char* start = digits.c_str() + (hex ? 2 : 0);
    if (!std::isxdigit(static_cast<unsigned char>(*start)))
        return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long parsed = std::strtoull(start, &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || parsed > 0xFFFFFFFFull)
        return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

} // namespace

std::string switches_file()
{
    return xdg_folder("XDG_CONFIG_HOME", ".config") + "/melodeck/switches.ini";
}

bool read_registry_flag(std::u16string_view key_path, std::u16string_view value_name, uint32_t& value)
{
    if (!has_known_root(key_path))
        return false;
    std::vector<std::string> lines = read_lines();
    Lookup found = find(lines, key_path, value_name);
    if (found.value_line >= 0) {
        const std::string& line = lines[size_t(found.value_line)];
        parse_number(line.substr(line.find('=') + 1), value);
    }
    return true;
}

bool write_registry_value(std::u16string_view key_path, std::u16string_view value_name, uint32_t value)
{
    if (!has_known_root(key_path))
        return false;
    std::vector<std::string> lines = read_lines();
    Lookup found = find(lines, key_path, value_name);
    std::string entry = liba::to_utf8(value_name) + "=" + std::to_string(value);
    if (found.value_line >= 0) {
        lines[size_t(found.value_line)] = entry;
    } else if (found.section_end >= 0) {
        lines.insert(lines.begin() + found.section_end, entry);
    } else {
        if (!lines.empty() && !trim(lines.back()).empty())
            lines.emplace_back();
        // Built by appending: GCC 12 warns falsely (-Wrestrict) on "[" + text + "]" at -O3.
        std::string section(1, '[');
        section.append(liba::to_utf8(key_path)).push_back(']');
        lines.push_back(section);
        lines.push_back(entry);
    }
    std::string path = switches_file();
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (error)
        return false;
    std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        for (const std::string& line : lines)
            out << line << '\n';
        out.flush();
        if (!out)
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace os
