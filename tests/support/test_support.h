#pragma once

// Helpers shared by the suites: temporary folders, byte builders, fixture and corpus locations.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace test {

std::u16string u16(const std::filesystem::path& path);

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The path of name inside the folder, as the system's text type.
    std::u16string file(std::string_view name) const { return u16(m_path / name); }
    std::filesystem::path native(std::string_view name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

using Bytes = std::vector<uint8_t>;

// Little-endian byte assembly.
struct ByteWriter {
    Bytes bytes;
    ByteWriter& u8(uint8_t v) { return raw(Bytes {v}); }
    ByteWriter& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
    ByteWriter& u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }
    ByteWriter& tag(std::string_view four) { return raw(four.substr(0, 4)); }
    ByteWriter& raw(const Bytes& more) { return bytes.insert(bytes.end(), more.begin(), more.end()), *this; }
    ByteWriter& raw(std::string_view t) { return bytes.insert(bytes.end(), t.begin(), t.end()), *this; }
};

void write_file(const std::filesystem::path& path, const Bytes& bytes);
Bytes read_file(const std::filesystem::path& path);
void write_text(const std::filesystem::path& path, std::string_view text);
std::string read_text(const std::filesystem::path& path);

// A PCM WAV image, with chunks before and after the data; data_size overrides the declared size.
struct WavSpec {
    uint16_t format_tag = 1;
    uint16_t channels = 2;
    uint32_t sample_rate = 44100;
    uint16_t bits = 16;
    int32_t block_align = -1; // -1: channels x bits / 8
    Bytes fmt_extra {}; // bytes after the 16 common fmt bytes
    std::vector<std::pair<std::string, Bytes>> chunks_before_data {};
    std::vector<std::pair<std::string, Bytes>> chunks_after_data {};
    Bytes data {};
    int64_t data_size = -1; // -1: the real size
};
Bytes make_wav(const WavSpec& spec);

// 16-bit sample k has value k (wrapping), so any slip of offset or seek shows in the values.
Bytes ramp16(uint32_t samples);

// The committed fixtures, and the shared real-world corpus (empty when it is absent).
std::filesystem::path fixture(std::string_view name);
std::filesystem::path corpus_dir();
std::filesystem::path corpus(std::string_view name);

// Waits for a condition another thread or process brings about; the 20 s limit only stops hangs.
bool wait_until(const std::function<bool()>& condition);

// Whether a death test's process ended by exit() with a non-zero status, not by a signal.
bool failed_exit(int status);

} // namespace test

// Skips the current test when the shared corpus is not beside the repository.
#define SKIP_WITHOUT_CORPUS()                                                                                \
    do {                                                                                                     \
        if (::test::corpus_dir().empty())                                                                    \
            GTEST_SKIP() << "shared corpus absent";                                                          \
    } while (0)
