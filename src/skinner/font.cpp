#include "skinner/font.h"

#include "os/font_engine.h"
#include "skinner/font_rep.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

namespace skinner {

namespace {

using Key = std::pair<std::u16string, int32_t>;

std::map<Key, std::unique_ptr<FontRep>>& registry()
{
    static std::map<Key, std::unique_ptr<FontRep>> s_registry;
    return s_registry;
}

// What an unset font, or a font the engine could not create, draws with.
os::FontFace* default_face()
{
    static std::shared_ptr<os::FontFace> s_face
        = os::FontEngine::instance().open({u"", 12, false, false, false});
    return s_face.get();
}

os::FontFace* face_of(const FontRep* rep)
{
    if (rep && rep->face())
        return rep->face().get();
    return default_face();
}

bool is_high_surrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

} // namespace

std::u16string shorten_with_ellipsis(
    std::u16string_view text, int32_t available, const std::function<int32_t(std::u16string_view)>& width)
{
    if (text.empty() || width(text) < available)
        return std::u16string(text);
    const int32_t ellipsis = width(std::u16string_view(&s_ellipsis, 1));
    size_t lo = 0;
    size_t hi = text.size();
    for (;;) {
        size_t mid = (lo + hi) / 2;
        if (width(text.substr(0, mid)) + ellipsis >= available) {
            if (hi == mid)
                break;
            hi = mid;
        } else {
            if (lo == mid)
                break;
            lo = mid;
        }
    }
    if (lo > 0 && is_high_surrogate(text[lo - 1]))
        --lo;
    return std::u16string(text.substr(0, lo)) + s_ellipsis;
}

Font::Font(int32_t scale)
    : m_scale(std::clamp(scale, 1, 4))
{
}

Font::Font(const Font& other) = default;
Font::Font(Font&& other) noexcept = default;
Font& Font::operator=(const Font& other) = default;
Font& Font::operator=(Font&& other) noexcept = default;
Font::~Font() = default;

void Font::forget(const FontRep& rep)
{
    registry().erase(Key {rep.text(), rep.scale()});
}

size_t Font::loaded_count()
{
    return registry().size();
}

bool Font::set(std::u16string_view text)
{
    FontDescription description;
    if (!parse_font_description(text, description))
        return false;
    std::unique_ptr<FontRep>& rep = registry()[Key {std::u16string(text), m_scale}];
    if (!rep)
        rep = std::make_unique<FontRep>(text, description, m_scale);
    m_rep = RegistryUse<FontRep, &Font::forget>(rep.get());
    return true;
}

Size Font::measure(std::u16string_view text) const
{
    os::FontFace* face = face_of(m_rep.get());
    if (!face)
        return {0, 0};
    return {text.empty() ? 0 : face->measure(text), face->line_height()};
}

void Font::draw_text(Canvas& canvas, Color color, std::u16string_view text, Point position, Size size,
    int32_t horizontal, int32_t vertical) const
{
    os::FontFace* face = face_of(m_rep.get());
    if (!face || text.empty() || size.empty())
        return;
    Rect box {position, size};
    Point at = align(box, {face->measure(text), face->line_height()}, horizontal, vertical) + canvas.origin();
    Rect clip = intersect({box.position + canvas.origin(), box.size}, canvas.surface_clip());
    if (clip.empty())
        return;
    face->draw(canvas.surface(), at.x, at.y, text, color.pixel(),
        {clip.left(), clip.top(), clip.right(), clip.bottom()});
}

void Font::draw_text_ellipsis(Canvas& canvas, Color color, std::u16string_view text, Point position,
    Size size, int32_t horizontal, int32_t vertical) const
{
    os::FontFace* face = face_of(m_rep.get());
    if (!face)
        return;
    std::u16string shown = shorten_with_ellipsis(
        text, size.width, [face](std::u16string_view run) { return face->measure(run); });
    draw_text(canvas, color, shown, position, size, horizontal, vertical);
}

} // namespace skinner
