#include "skinner/picture_rep.h"

#include "os/file.h"
#include "os/log.h"
#include "os/path.h"
#include "os/zip_open.h"
#include "skinner/bmp_reader.h"

#include <algorithm>
#include <chrono>
#include <memory>

namespace skinner {

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Where the images of one skin come from: its archive, then its folder.
class ImageSource {
public:
    explicit ImageSource(std::u16string_view skin_path)
        : m_zip(os::open_zip(skin_path))
        , m_folder(os::parent_folder(os::expand_path(skin_path)))
    {
    }

    // A missing image is no failure of its own and is not logged; one that is there but cannot be
    // decoded is logged and treated as missing.
    bool load(const std::u16string& entry, os::Surface& image)
    {
        std::u16string error;
        if (m_zip->find(entry)) {
            os::log() << u"load_zipped_image: " << entry << u" - " << m_zip->size() << u"\n";
            if (read_bmp(*m_zip, image, error))
                return true;
            os::log() << u"Image {" << entry << u"} in the skin archive is unusable: " << error << u"\n";
        }
        os::File file(os::join(m_folder, entry), os::FileMode::Read);
        if (!file.good())
            return false;
        if (read_bmp(file, image, error))
            return true;
        os::log() << u"Image {" << os::join(m_folder, entry) << u"} is unusable: " << error << u"\n";
        return false;
    }

private:
    std::unique_ptr<liba::ZipFile> m_zip;
    std::u16string m_folder;
};

void log_bitmap(const os::Surface& bitmap)
{
    os::log() << u"bmp: Width=" << bitmap.width << u" Height=" << bitmap.height
              << u" bmBitsPixel=32 bmPlanes=1\n";
}

} // namespace

bool scale_surface(const os::Surface& in, int32_t factor, os::Surface& out)
{
    out = os::Surface();
    if (int64_t(in.width) * factor > s_bmp_max_side || int64_t(in.height) * factor > s_bmp_max_side)
        return false;
    out.resize(in.width * factor, in.height * factor);
    for (int32_t y = 0; y < out.height; ++y) {
        const uint32_t* from = in.row(y / factor);
        uint32_t* to = out.row(y);
        for (int32_t x = 0; x < out.width; ++x)
            to[x] = from[x / factor];
    }
    return true;
}

PictureRep::PictureRep(std::u16string_view skin_path, std::u16string_view name, int32_t scale)
    : m_skin_path(skin_path)
    , m_name(name)
    , m_scale(std::clamp(scale, 1, 4))
{
    load();
}

void PictureRep::load()
{
    Clock::time_point start = Clock::now();
    ImageSource source(m_skin_path);
    os::log() << seconds_since(start) << u" PictureRep::PictureRep 1\n";
    if (!source.load(m_name + u".bmp", m_color)) {
        os::log() << u"Picture {" << m_name << u"} has no bitmap in skin {" << m_skin_path << u"}\n";
        return;
    }
    os::log() << seconds_since(start) << u" PictureRep::PictureRep 2\n";
    if (source.load(m_name + u"_1.bmp", m_mask)) {
        m_alpha = false;
    } else if (source.load(m_name + u"_8.bmp", m_mask)) {
        m_alpha = true;
    }
    load_companion();
    if (m_alpha) {
        // Drawn by blending: each colour pixel takes its alpha from the map's blue byte.
        for (size_t i = 0; i < m_color.pixels.size(); ++i)
            m_color.pixels[i] = (m_color.pixels[i] & 0x00FFFFFFu) | (m_mask.pixels[i] << 24);
    }
    m_loaded_size = {m_color.width, m_color.height};
    os::log() << seconds_since(start) << u" PictureRep::PictureRep 3\n";
    if (!scale_bitmaps()) {
        os::log() << u"Picture {" << m_name << u"} is too large at scale " << m_scale << u"\n";
        m_color = os::Surface();
        m_mask = os::Surface();
    }
}

void PictureRep::load_companion()
{
    if (!has_mask() || (m_mask.width == m_color.width && m_mask.height == m_color.height))
        return;
    // Drawing would read the companion where it has no pixels; the picture is drawn opaque instead.
    os::log() << u"Picture {" << m_name << u"}: mask size " << m_mask.width << u"x" << m_mask.height
              << u" differs from the bitmap's " << m_color.width << u"x" << m_color.height
              << u"; mask ignored\n";
    m_mask = os::Surface();
    m_alpha = false;
}

bool PictureRep::scale_bitmaps()
{
    if (m_scale == 1)
        return true;
    os::Surface scaled;
    log_bitmap(m_color);
    if (!scale_surface(m_color, m_scale, scaled))
        return false;
    m_color = std::move(scaled);
    if (!has_mask())
        return true;
    os::log() << u"bitmap_info_a: bmBitsPixel=32\n";
    if (!scale_surface(m_mask, m_scale, scaled))
        return false;
    m_mask = std::move(scaled);
    return true;
}

} // namespace skinner
