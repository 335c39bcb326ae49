#include "os/font_engine.h"

#include "liba/nocopy.h"
#include "liba/text.h"
#include "os/log.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <map>
#include <optional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <unordered_map>
#include <vector>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

namespace os {

namespace {

// A font file mapped into memory once for every face made from it: faces of the same file at
// other sizes and styles share its pages instead of mapping (and paging in) a copy each.
class MappedFont : private liba::Nocopy {
public:
    explicit MappedFont(const std::string& path)
    {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat info { };
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
            void* data = ::mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (data != MAP_FAILED) {
                m_data = static_cast<const FT_Byte*>(data);
                m_size = size_t(info.st_size);
            }
        }
        ::close(fd);
    }
    ~MappedFont()
    {
        if (m_data)
            ::munmap(const_cast<FT_Byte*>(m_data), m_size);
    }

    const FT_Byte* data() const { return m_data; }
    size_t size() const { return m_size; }

private:
    const FT_Byte* m_data = nullptr;
    size_t m_size = 0;
};

} // namespace

struct FontEngine::Library {
    FT_Library freetype = nullptr;
    bool fontconfig = false;
    // The files mapped for the faces alive, by path.
    std::map<std::string, std::weak_ptr<MappedFont>> files;

    // The mapping of the file, shared with the faces already using it; null when it cannot be
    // mapped.
    std::shared_ptr<MappedFont> map_file(const std::string& path)
    {
        std::weak_ptr<MappedFont>& slot = files[path];
        std::shared_ptr<MappedFont> file = slot.lock();
        if (!file) {
            file = std::make_shared<MappedFont>(path);
            if (!file->data())
                return nullptr;
            slot = file;
        }
        return file;
    }

    Library()
    {
        if (FT_Init_FreeType(&freetype) != 0)
            freetype = nullptr;
        fontconfig = FcInit() == FcTrue;
    }
    // Runs when the engine and its last face are gone, at the end of the process. Releasing
    // fontconfig's configuration keeps leak checkers quiet; nothing else here uses fontconfig.
    ~Library()
    {
        if (freetype)
            FT_Done_FreeType(freetype);
        if (fontconfig)
            FcFini();
    }
};

namespace {

// A font file and face index, and which styles must be synthesized because the face lacks them.
struct Match {
    std::string file;
    int index = 0;
    bool embolden = false;
    bool slant = false;
};

std::optional<Match> match_from(FcPattern* found, const FontRequest& request)
{
    FcChar8* file = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &file) != FcResultMatch || !file)
        return std::nullopt;
    Match match;
    match.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(found, FC_INDEX, 0, &match.index);
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(found, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(found, FC_SLANT, 0, &slant);
    match.embolden = request.bold && weight < FC_WEIGHT_DEMIBOLD;
    match.slant = request.italic && slant == FC_SLANT_ROMAN;
    return match;
}

// The face fontconfig considers closest to the request.
std::optional<Match> find_match(const FontRequest& request)
{
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return std::nullopt;
    if (!request.family.empty()) {
        std::string family = liba::to_utf8(request.family);
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    }
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, request.pixel_size);
    FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!found)
        return std::nullopt;
    std::optional<Match> match = match_from(found, request);
    FcPatternDestroy(found);
    return match;
}

// Every font file fontconfig knows, in file-name order, for when matching gives nothing usable.
std::vector<Match> list_all(const FontRequest& request)
{
    std::vector<Match> all;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, nullptr);
    FcFontSet* set = pattern && objects ? FcFontList(nullptr, pattern, objects) : nullptr;
    if (set) {
        for (int i = 0; i < set->nfont; ++i) {
            if (std::optional<Match> match = match_from(set->fonts[i], request))
                all.push_back(*match);
        }
        FcFontSetDestroy(set);
    }
    if (objects)
        FcObjectSetDestroy(objects);
    if (pattern)
        FcPatternDestroy(pattern);
    std::sort(all.begin(), all.end(), [](const Match& a, const Match& b) {
        return a.file != b.file ? a.file < b.file : a.index < b.index;
    });
    return all;
}

// The next code point of a UTF-16 run; a lone surrogate reads as U+FFFD.
char32_t next_code_point(std::u16string_view text, size_t& i)
{
    char32_t c = text[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
        return 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
    if (c >= 0xD800 && c <= 0xDFFF)
        return 0xFFFD;
    return c;
}

int32_t round26_6(FT_Pos value)
{
    return int32_t((value + 32) >> 6);
}

uint8_t mix(uint32_t destination, uint32_t source, uint32_t coverage)
{
    return uint8_t((destination * (255 - coverage) + source * coverage + 127) / 255);
}

// Blends colour onto pixel with coverage 0..255; the destination's alpha grows as if painted over.
uint32_t blend_coverage(uint32_t pixel, uint32_t color, uint32_t coverage)
{
    if (coverage == 255)
        return 0xFF000000u | color;
    uint32_t a = pixel >> 24;
    a = a + ((255 - a) * coverage + 127) / 255;
    return (a << 24) | (uint32_t(mix((pixel >> 16) & 0xFF, (color >> 16) & 0xFF, coverage)) << 16)
        | (uint32_t(mix((pixel >> 8) & 0xFF, (color >> 8) & 0xFF, coverage)) << 8)
        | mix(pixel & 0xFF, color & 0xFF, coverage);
}

struct Glyph {
    FT_UInt index = 0;
    int32_t advance = 0;
    int32_t left = 0; // from the pen to the bitmap's first column
    int32_t top = 0; // from the baseline up to the bitmap's first row
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> coverage; // width x height, 0..255
};

class FreeTypeFace final : public FontFace {
public:
    FreeTypeFace(std::shared_ptr<FontEngine::Library> library, std::shared_ptr<MappedFont> file, FT_Face face,
        const Match& match, const FontRequest& request)
        : m_library(std::move(library))
        , m_file(std::move(file))
        , m_face(face)
        , m_match(match)
        , m_request(request)
    {
        set_size();
    }
    ~FreeTypeFace() override { FT_Done_Face(m_face); }

    int32_t line_height() const override { return m_ascent + m_descent; }
    int32_t ascent() const override { return m_ascent; }

    int32_t measure(std::u16string_view text) override
    {
        return walk(text, [](const Glyph&, int32_t) {});
    }

    void draw(Surface& surface, int32_t x, int32_t top, std::u16string_view text, uint32_t color,
        const ClipBox& clip) override
    {
        ClipBox box {std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, surface.width),
            std::min(clip.bottom, surface.height)};
        if (box.left >= box.right || box.top >= box.bottom)
            return;
        int32_t baseline = top + m_ascent;
        int32_t width = walk(text, [&](const Glyph& glyph, int32_t pen) {
            blit(surface, glyph, x + pen + glyph.left, baseline - glyph.top, color, box);
        });
        if (m_request.underline && width > 0)
            draw_underline(surface, x, x + width, top, color, box);
    }

    std::u16string description() const override
    {
        std::u16string text = liba::from_utf8(m_match.file) + u" #" + liba::to_text(int64_t(m_match.index))
            + u" " + liba::to_text(int64_t(m_request.pixel_size)) + u"px";
        if (m_match.embolden)
            text += u" synthetic-bold";
        if (m_match.slant)
            text += u" synthetic-italic";
        if (m_request.underline)
            text += u" underline";
        return text;
    }

private:
    void set_size();
    const Glyph& glyph(char32_t c);
    void render(Glyph& glyph);
    void blit(
        Surface& surface, const Glyph& glyph, int32_t x0, int32_t y0, uint32_t color, const ClipBox& box);
    void draw_underline(
        Surface& surface, int32_t x0, int32_t x1, int32_t top, uint32_t color, const ClipBox& box);

    // Calls visit(glyph, pen offset) for every drawable character and returns the run's width.
    template<typename Visit> int32_t walk(std::u16string_view text, Visit visit)
    {
        int32_t pen = 0;
        FT_UInt previous = 0;
        bool kerning = FT_HAS_KERNING(m_face);
        for (size_t i = 0; i < text.size();) {
            char32_t c = next_code_point(text, i);
            if (c < 0x20)
                continue;
            const Glyph& g = glyph(c);
            if (kerning && previous && g.index) {
                FT_Vector delta {};
                if (FT_Get_Kerning(m_face, previous, g.index, FT_KERNING_DEFAULT, &delta) == 0)
                    pen += int32_t(delta.x >> 6);
            }
            visit(g, pen);
            pen += g.advance;
            previous = g.index;
        }
        return pen;
    }

    std::shared_ptr<FontEngine::Library> m_library; // outlives the face
    std::shared_ptr<MappedFont> m_file; // the face's bytes, when mapped here; outlives the face
    FT_Face m_face;
    Match m_match;
    FontRequest m_request;
    int32_t m_ascent = 0;
    int32_t m_descent = 0;
    FT_Pos m_embolden = 0; // 26.6 outline strength of the synthesized bold
    std::unordered_map<char32_t, Glyph> m_glyphs;
};

void FreeTypeFace::set_size()
{
    int32_t size = m_request.pixel_size;
    if (FT_IS_SCALABLE(m_face)) {
        FT_Set_Pixel_Sizes(m_face, 0, FT_UInt(size));
    } else if (m_face->num_fixed_sizes > 0) {
        // A bitmap font: the strike nearest to the size asked for.
        int best = 0;
        for (int i = 1; i < m_face->num_fixed_sizes; ++i) {
            if (std::abs(m_face->available_sizes[i].height - size)
                < std::abs(m_face->available_sizes[best].height - size))
                best = i;
        }
        FT_Select_Size(m_face, best);
    }
    const FT_Size_Metrics& metrics = m_face->size->metrics;
    m_ascent = int32_t((metrics.ascender + 63) >> 6);
    m_descent = int32_t((-metrics.descender + 63) >> 6);
    if (m_ascent + m_descent <= 0) {
        m_ascent = size;
        m_descent = 0;
    }
    if (m_match.embolden && FT_IS_SCALABLE(m_face))
        m_embolden = FT_MulFix(m_face->units_per_EM, metrics.y_scale) / 24;
}

const Glyph& FreeTypeFace::glyph(char32_t c)
{
    auto found = m_glyphs.find(c);
    if (found != m_glyphs.end())
        return found->second;
    Glyph& g = m_glyphs[c];
    g.index = FT_Get_Char_Index(m_face, FT_ULong(c));
    render(g);
    return g;
}

void FreeTypeFace::render(Glyph& g)
{
    if (FT_Load_Glyph(m_face, g.index, FT_LOAD_DEFAULT) != 0)
        return;
    FT_GlyphSlot slot = m_face->glyph;
    int32_t extra_advance = 0;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (m_embolden) {
            FT_Outline_Embolden(&slot->outline, m_embolden);
            extra_advance = round26_6(m_embolden);
        }
        if (m_match.slant)
            FT_GlyphSlot_Oblique(slot);
    }
    g.advance = round26_6(slot->advance.x) + extra_advance;
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
        return;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = int32_t(bitmap.width);
    g.height = int32_t(bitmap.rows);
    g.coverage.resize(size_t(g.width) * size_t(g.height));
    for (int32_t y = 0; y < g.height; ++y) {
        const uint8_t* row = bitmap.buffer + ptrdiff_t(y) * bitmap.pitch;
        uint8_t* out = g.coverage.data() + size_t(y) * size_t(g.width);
        for (int32_t x = 0; x < g.width; ++x) {
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                out[x] = (row[x / 8] & (0x80 >> (x % 8))) ? 255 : 0;
            else
                out[x] = uint8_t(uint32_t(row[x]) * 255 / std::max(1u, uint32_t(bitmap.num_grays - 1)));
        }
    }
}

void FreeTypeFace::blit(
    Surface& surface, const Glyph& g, int32_t x0, int32_t y0, uint32_t color, const ClipBox& box)
{
    int32_t left = std::max(x0, box.left);
    int32_t right = std::min(x0 + g.width, box.right);
    int32_t top = std::max(y0, box.top);
    int32_t bottom = std::min(y0 + g.height, box.bottom);
    for (int32_t y = top; y < bottom; ++y) {
        const uint8_t* coverage = g.coverage.data() + size_t(y - y0) * size_t(g.width) + size_t(left - x0);
        uint32_t* out = surface.row(y) + left;
        for (int32_t x = 0; x < right - left; ++x) {
            if (coverage[x])
                out[x] = blend_coverage(out[x], color, coverage[x]);
        }
    }
}

void FreeTypeFace::draw_underline(
    Surface& surface, int32_t x0, int32_t x1, int32_t top, uint32_t color, const ClipBox& box)
{
    int32_t thickness = 1;
    int32_t below = 1; // from the baseline down to the line's top
    if (FT_IS_SCALABLE(m_face)) {
        FT_Fixed scale = m_face->size->metrics.y_scale;
        thickness = std::max(1, round26_6(FT_MulFix(m_face->underline_thickness, scale)));
        below = std::max(1, round26_6(-FT_MulFix(m_face->underline_position, scale)) - thickness / 2);
    }
    // Kept inside the line box, where the caller's clip expects the text.
    int32_t y0 = std::min(top + m_ascent + below, top + line_height() - thickness);
    for (int32_t y = std::max(y0, box.top); y < std::min(y0 + thickness, box.bottom); ++y) {
        for (int32_t x = std::max(x0, box.left); x < std::min(x1, box.right); ++x)
            surface.row(y)[x] = 0xFF000000u | color;
    }
}

// scalable (when given) tells whether the face opened draws at any size.
std::shared_ptr<FontFace> open_face(const std::shared_ptr<FontEngine::Library>& library, const Match& match,
    const FontRequest& request, bool* scalable = nullptr)
{
    if (!library->freetype)
        return nullptr;
    FT_Face face = nullptr;
    std::shared_ptr<MappedFont> file = library->map_file(match.file);
    FT_Error error = file ? FT_New_Memory_Face(
                         library->freetype, file->data(), FT_Long(file->size()), FT_Long(match.index), &face)
                          : FT_New_Face(library->freetype, match.file.c_str(), FT_Long(match.index), &face);
    if (error != 0)
        return nullptr;
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && face->num_charmaps > 0)
        FT_Set_Charmap(face, face->charmaps[0]);
    if (scalable)
        *scalable = FT_IS_SCALABLE(face);
    return std::make_shared<FreeTypeFace>(library, std::move(file), face, match, request);
}

// What fontconfig chose for a family and style when the choice was a scalable face: the size
// played no part in it then, and other sizes of the same family and style take it without
// asking fontconfig again (a skin asks for a few families at many sizes).
using StyleKey = std::tuple<std::u16string, bool, bool>;
std::map<StyleKey, Match>& scalable_matches()
{
    static std::map<StyleKey, Match> s_matches;
    return s_matches;
}

} // namespace

FontEngine::FontEngine()
    : m_library(std::make_shared<Library>())
{
}

FontEngine::~FontEngine() = default;

FontEngine& FontEngine::instance()
{
    static FontEngine s_engine;
    return s_engine;
}

std::shared_ptr<FontFace> FontEngine::open(const FontRequest& asked)
{
    FontRequest request = asked;
    request.pixel_size = std::clamp(request.pixel_size, 1, s_max_pixel_size);
    auto cached = m_faces.find(request);
    if (cached != m_faces.end())
        return cached->second;

    std::shared_ptr<FontFace> face;
    if (m_library->fontconfig) {
        StyleKey style {request.family, request.bold, request.italic};
        auto known = scalable_matches().find(style);
        if (known != scalable_matches().end())
            face = open_face(m_library, known->second, request);
        if (!face) {
            if (std::optional<Match> match = find_match(request)) {
                bool scalable = false;
                face = open_face(m_library, *match, request, &scalable);
                if (face && scalable)
                    scalable_matches()[style] = *match;
            }
        }
        if (!face) {
            for (const Match& any : list_all(request)) {
                if ((face = open_face(m_library, any, request)))
                    break;
            }
        }
    }
    if (face) {
        log() << u"FontEngine: {" << request.family << u"} " << request.pixel_size << u"px -> {"
              << face->description() << u"}\n";
    } else if (!m_reported_no_font) {
        m_reported_no_font = true;
        log() << u"FontEngine: no usable font file found; text will not be drawn\n";
    }
    m_faces[request] = face;
    return face;
}

} // namespace os
