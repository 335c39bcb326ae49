#pragma once

// Writes PCM to a canonical 44-byte-header WAV file. The header's sizes are written at open and
// rewritten by finish() (also called by the destructor), so a file cut short by a crash still
// opens with the sizes of its last finish().

#include "os/file.h"

#include <cstdint>
#include <string>

namespace os {

class WavWriter : private liba::Nocopy {
public:
    WavWriter(std::u16string_view path, int channels, int bits_per_sample, int sample_rate);
    ~WavWriter();

    bool good() const { return m_file.good(); }
    bool write(const void* bytes, uint32_t count);
    // Rewrites the RIFF and data sizes; returns whether the file is good.
    bool finish();
    uint64_t data_bytes() const { return m_data_bytes; }

private:
    void write_header();

    File m_file;
    int m_channels;
    int m_bits;
    int m_rate;
    uint64_t m_data_bytes = 0;
};

} // namespace os
