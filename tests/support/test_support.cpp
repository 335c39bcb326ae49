#include "support/test_support.h"

#include "liba/text.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <thread>

namespace test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "melodeck-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(
        m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

void write_file(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void write_text(const std::filesystem::path& path, std::string_view text)
{
    write_file(path, Bytes(text.begin(), text.end()));
}

std::string read_text(const std::filesystem::path& path)
{
    Bytes bytes = read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

Bytes make_wav(const WavSpec& spec)
{
    ByteWriter body;
    auto align = uint16_t(spec.block_align >= 0 ? spec.block_align : spec.channels * spec.bits / 8);
    body.tag("WAVE").tag("fmt ").u32(uint32_t(16 + spec.fmt_extra.size())).u16(spec.format_tag);
    body.u16(spec.channels).u32(spec.sample_rate).u32(spec.sample_rate * align).u16(align).u16(spec.bits);
    body.raw(spec.fmt_extra);
    auto chunk = [&](std::string_view id, const Bytes& bytes, int64_t size = -1) {
        body.tag(id).u32(uint32_t(size >= 0 ? size : int64_t(bytes.size()))).raw(bytes);
        if (bytes.size() & 1)
            body.u8(0);
    };
    for (const auto& [id, bytes] : spec.chunks_before_data)
        chunk(id, bytes);
    chunk("data", spec.data, spec.data_size);
    for (const auto& [id, bytes] : spec.chunks_after_data)
        chunk(id, bytes);
    return ByteWriter().tag("RIFF").u32(uint32_t(body.bytes.size())).raw(body.bytes).bytes;
}

Bytes ramp16(uint32_t samples)
{
    ByteWriter out;
    for (uint32_t k = 0; k < samples; ++k)
        out.u16(uint16_t(k));
    return out.bytes;
}

std::filesystem::path fixture(std::string_view name)
{
    return std::filesystem::path(MELODECK_FIXTURES_DIR) / name;
}

std::filesystem::path corpus_dir()
{
    const char* override_dir = std::getenv("MELODECK_CORPUS");
    std::filesystem::path dir = override_dir && *override_dir ? override_dir : MELODECK_CORPUS_DIR;
    std::error_code ignored;
    return std::filesystem::is_directory(dir, ignored) ? std::filesystem::canonical(dir, ignored) : "";
}

std::filesystem::path corpus(std::string_view name)
{
    return corpus_dir() / name;
}

std::u16string u16(const std::filesystem::path& path)
{
    return liba::from_utf8(path.string());
}

bool wait_until(const std::function<bool()>& condition)
{
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool failed_exit(int status)
{
    return WIFEXITED(status) && WEXITSTATUS(status) != 0;
}

} // namespace test
