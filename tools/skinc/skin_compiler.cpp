#include "skinc/skin_compiler.h"

#include "liba/text.h"
#include "os/zip_open.h"
#include "os/zip_writer.h"
#include "skinc/property_reference.h"
#include "skinc/skin_dump.h"
#include "skinc/skin_source.h"
#include "skinner/skin_description.h"
#include "skinner/skin_file.h"
#include "skinner/skin_writer.h"

#include <fstream>

namespace skinc {

namespace {

std::string message(
    const std::filesystem::path& file, int line, std::u16string_view text, std::string_view kind = "error")
{
    std::string where = file.string() + ":";
    if (line > 0)
        where += std::to_string(line) + ":";
    return where + " " + std::string(kind) + ": " + liba::to_utf8(text);
}

std::vector<uint8_t> read_whole(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes beside the target first, so that a failed write never leaves half an archive behind.
bool write_whole(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::path temporary = path;
    temporary += ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out.flush())
            return false;
    }
    std::error_code failed;
    std::filesystem::rename(temporary, path, failed);
    if (failed)
        std::filesystem::remove(temporary, failed);
    return !failed;
}

// The current entry, as far as the archive really holds it.
std::vector<uint8_t> read_entry(liba::ZipFile& zip)
{
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    while (uint32_t got = zip.read(chunk, sizeof chunk))
        bytes.insert(bytes.end(), chunk, chunk + got);
    return bytes;
}

} // namespace

bool build_skin(const std::filesystem::path& source, const std::filesystem::path& output,
    std::vector<std::string>& messages)
{
    SkinSource skin(source);
    for (const SourceError& error : skin.errors())
        messages.push_back(message(source, error.line, error.message));
    if (!skin.good())
        return false;
    skinner::SkinWriter writer(skin.model());
    for (const skinner::SkinWriteError& error : writer.errors())
        messages.push_back(message(source, error.line, error.message));
    if (!writer.good())
        return false;
    // Warnings only for a source without errors, so that they never bury one.
    for (const SourceError& warning : unread_properties(skin.model()))
        messages.push_back(message(source, warning.line, warning.message, "warning"));

    os::ZipWriter zip;
    zip.add(output.stem().string() + ".skin", writer.bytes());
    for (const BitmapFiles& bitmap : skin.bitmaps()) {
        for (const auto& [entry, file] : bitmap.entries)
            zip.add(liba::to_utf8(entry), read_whole(file));
    }
    if (!write_whole(output, zip.finish())) {
        messages.push_back(message(output, 0, u"cannot write the skin file"));
        return false;
    }
    return true;
}

bool dump_skin(const std::filesystem::path& input, const std::filesystem::path* bitmap_folder,
    std::string& source, std::vector<std::string>& messages)
{
    std::u16string path = liba::from_utf8(input.string());
    skinner::SkinDescription description(skinner::read_skin_description(path));
    if (!description.valid()) {
        messages.push_back(message(input, 0, u"not a skin file with a valid description"));
        return false;
    }
    skinner::SkinModel model = description.to_model();
    source = dump_source(model);
    if (!bitmap_folder)
        return true;
    std::unique_ptr<liba::ZipFile> zip = os::open_zip(path);
    bool good = true;
    for (const skinner::SkinText& picture : model.pictures) {
        for (const char16_t* suffix : {u".bmp", u"_1.bmp", u"_8.bmp"}) {
            std::u16string entry = picture.text + suffix;
            if (!zip->find(entry))
                continue;
            if (!safe_entry_name(entry)) {
                messages.push_back(
                    message(input, 0, u"entry {" + entry + u"} is not copied: it leaves the folder"));
                good = false;
                continue;
            }
            std::vector<uint8_t> bytes = read_entry(*zip);
            std::filesystem::path target = *bitmap_folder / liba::to_utf8(entry);
            std::filesystem::create_directories(target.parent_path());
            if (!write_whole(target, bytes)) {
                messages.push_back(message(target, 0, u"cannot write the bitmap"));
                good = false;
            }
        }
    }
    return good;
}

} // namespace skinc
