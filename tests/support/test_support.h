#pragma once

// Helpers shared by the suites: temporary folders, byte builders for RIFF files, fixture and
// corpus locations.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The path of name inside the folder, as the system's text type.
    std::u16string file(std::string_view name) const;
    std::filesystem::path native(std::string_view name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

using Bytes = std::vector<uint8_t>;

// Little-endian byte assembly.
struct ByteWriter {
    Bytes bytes;
    ByteWriter& u8(uint8_t v);
    ByteWriter& u16(uint16_t v);
    ByteWriter& u32(uint32_t v);
    ByteWriter& tag(std::string_view four);
    ByteWriter& raw(const Bytes& more);
    ByteWriter& raw(std::string_view text);
};

void write_file(const std::filesystem::path& path, const Bytes& bytes);
Bytes read_file(const std::filesystem::path& path);

// A PCM WAV image. Chunks may be added before and after the data chunk; data_size overrides the
// declared size of the data chunk.
struct WavSpec {
    uint16_t format_tag = 1;
    uint16_t channels = 2;
    uint32_t sample_rate = 44100;
    uint16_t bits = 16;
    int32_t block_align = -1; // -1: channels x bits / 8
    Bytes fmt_extra; // bytes after the 16 common fmt bytes
    std::vector<std::pair<std::string, Bytes>> chunks_before_data;
    std::vector<std::pair<std::string, Bytes>> chunks_after_data;
    Bytes data;
    int64_t data_size = -1; // -1: the real size
};
Bytes make_wav(const WavSpec& spec);

// A ramp: 16-bit sample k of the stream has value k (wrapping at 16 bits), interleaved, so any
// slip of offset or seek shows in the values.
Bytes ramp16(uint32_t samples);

// The committed fixtures, and the shared real-world corpus (empty when it is absent).
std::filesystem::path fixture(std::string_view name);
std::filesystem::path corpus_dir();
std::filesystem::path corpus(std::string_view name);

std::u16string u16(const std::filesystem::path& path);

// Waits for a condition another thread or process brings about. The limit (20 s) only keeps a
// broken part from hanging the suite; nothing is measured.
bool wait_until(const std::function<bool()>& condition);

// Whether a death test's process ended by exit() with a non-zero status (the fatal-error path),
// not by a signal.
bool failed_exit(int status);

} // namespace test

// Skips the current test when the shared corpus is not beside the repository.
#define SKIP_WITHOUT_CORPUS()                                                                                \
    do {                                                                                                     \
        if (::test::corpus_dir().empty())                                                                    \
            GTEST_SKIP() << "shared corpus absent";                                                          \
    } while (0)
