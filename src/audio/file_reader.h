#pragma once

// The reader interface every play chain exposes: stream facts, length, position and seeking in the
// reader's own position unit, and conversions between that unit and seconds.
//
// Position units (bookmarks store positions, so these never change):
//   FileReaderWAVPCM                     bytes of the data chunk
//   FileReaderWAVADPCM, FileReaderWAVGSM coded blocks
//   FileReaderMP3                        bytes of the file
//   DecoderVorbis, DecoderMPC            sample frames
//
// Threads: get_block runs on the player's thread while the UI thread asks for position, length
// and seek_position; each reader guards its state with its own recursive lock. The conversions
// read only values fixed at opening and take no lock.

#include "liba/critical_section.h"
#include "os/file.h"

#include <cstdint>
#include <string_view>

namespace audio {

class FileReader {
public:
    virtual ~FileReader() = default;

    // The file was opened and its header accepted.
    virtual bool is_open() = 0;
    // True when not open, or when the position has reached the length.
    virtual bool is_end() = 0;
    virtual unsigned channels() = 0;
    // Of the PCM the chain finally hands out: 16 for every decoded format.
    virtual unsigned bits_per_sample() = 0;
    virtual unsigned sample_rate() = 0;
    // Bits per second of the coded stream.
    virtual unsigned bitrate() = 0;
    virtual int32_t time_to_position(double seconds) = 0;
    virtual double position_to_time(int32_t position) = 0;

    double duration() { return position_to_time(length()); }
    double time() { return position_to_time(position()); }
    void seek_time(double seconds) { seek_position(time_to_position(seconds)); }

    virtual int32_t length() = 0;
    virtual int32_t position() = 0;
    virtual void seek_position(int32_t position) = 0;
    // Skip forward by reading; the skipped blocks are pushed to the connected consumer, so these
    // must not be used while the chain feeds the player (seek with seek_position instead).
    virtual bool skip_time(double seconds) = 0;
    virtual bool skip_forward(int32_t position) = 0;
};

// Base of the readers that parse their file themselves (WAV, MP3): the file, opened for reading,
// whether its header was accepted, and the reader's recursive lock.
class FileReaderOfFile : public FileReader {
public:
    // The header was accepted.
    bool is_open() override
    {
        liba::ScopedLock guard(m_lock);
        return m_valid;
    }
    // Not open, or the position has reached the length.
    bool is_end() override
    {
        liba::ScopedLock guard(m_lock);
        return !m_valid || position() >= length();
    }

protected:
    explicit FileReaderOfFile(std::u16string_view path)
        : m_file(path, os::FileMode::Read)
    {
    }

    os::File m_file;
    bool m_valid = false;
    liba::CriticalSection m_lock;
};

} // namespace audio
