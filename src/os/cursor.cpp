#include "os/cursor.h"

namespace os {

namespace {

struct CursorName {
    std::u16string_view name;
    Cursor cursor;
};

constexpr CursorName s_names[] = {
    {u"ARROW", Cursor::arrow},
    {u"HAND", Cursor::hand},
    {u"IBEAM", Cursor::ibeam},
    {u"SIZENESW", Cursor::size_nesw},
    {u"SIZENS", Cursor::size_ns},
    {u"SIZENWSE", Cursor::size_nwse},
    {u"SIZEWE", Cursor::size_we},
    {u"WAIT", Cursor::wait},
    {u"SIZEALL", Cursor::size_all},
    {u"NO", Cursor::no},
    {u"HELP", Cursor::help},
    {u"APPSTARTING", Cursor::app_starting},
};

} // namespace

std::optional<Cursor> cursor_from_name(std::u16string_view name)
{
    for (const CursorName& entry : s_names) {
        if (entry.name == name)
            return entry.cursor;
    }
    return std::nullopt;
}

} // namespace os
