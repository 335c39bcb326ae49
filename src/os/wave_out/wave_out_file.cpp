// The file backend: writes exactly the bytes played to a WAV file, in real time or, with ",fast",
// as fast as headers come. The volume is not applied: the file holds the stream the device was
// given, so it can be compared byte for byte with what the engine produced.
//
// One file per path for the life of the process: a device opened again on the same path with the
// same format appends to it (a playlist of one format ends up in one file); another format starts
// the file anew, since a WAV file holds one format. The header's sizes are brought up to date at
// every close.

#include "liba/text.h"
#include "os/log.h"
#include "os/wav_writer.h"
#include "os/wave_out/wave_out_backends.h"
#include "os/wave_out/wave_out_paced.h"

#include <map>
#include <mutex>

namespace os {

namespace {

struct OpenFile {
    WaveFormat format;
    std::unique_ptr<WavWriter> writer;
    // Serialises writes should two devices ever be open on one path.
    std::mutex mutex;
};

std::mutex s_files_mutex;

std::map<std::string, std::shared_ptr<OpenFile>>& files()
{
    // Never destroyed: a device may still be closing while the process ends.
    static auto* s_files = new std::map<std::string, std::shared_ptr<OpenFile>>;
    return *s_files;
}

bool same_format(const WaveFormat& a, const WaveFormat& b)
{
    return a.channels == b.channels && a.bits_per_sample == b.bits_per_sample
        && a.sample_rate == b.sample_rate;
}

// The file for path in format, appended to or started anew; null when it cannot be written.
std::shared_ptr<OpenFile> file_for(const std::string& path, const WaveFormat& format)
{
    std::lock_guard guard(s_files_mutex);
    std::shared_ptr<OpenFile>& entry = files()[path];
    if (entry && same_format(entry->format, format)) {
        std::lock_guard file_guard(entry->mutex);
        if (entry->writer->good())
            return entry;
    }
    if (entry)
        log() << u"Wave file {" << liba::from_utf8(path) << u"} starts anew for another format\n";
    auto writer = std::make_unique<WavWriter>(
        liba::from_utf8(path), format.channels, format.bits_per_sample, format.sample_rate);
    if (!writer->good()) {
        log() << u"Can't write wave file {" << liba::from_utf8(path) << u"}\n";
        files().erase(path);
        return nullptr;
    }
    entry = std::make_shared<OpenFile>();
    entry->format = format;
    entry->writer = std::move(writer);
    return entry;
}

class WaveOutFile final : public WaveOutPaced {
public:
    WaveOutFile(std::shared_ptr<OpenFile> file, bool fast, const WaveFormat& format, MessageQueue& queue)
        : WaveOutPaced(format, queue, fast ? Pace::Fast : Pace::RealTime)
        , m_file(std::move(file))
    {
    }
    ~WaveOutFile() override { stop_backend(); }

private:
    void played(const uint8_t* bytes, uint32_t count) override
    {
        std::lock_guard guard(m_file->mutex);
        if (!m_file->writer->write(bytes, count) && !m_failed) {
            m_failed = true;
            log() << u"Wave file write failed\n";
        }
    }

    void stop_backend() override
    {
        WaveOutPaced::stop_backend();
        std::lock_guard guard(m_file->mutex);
        m_file->writer->finish();
    }

    std::shared_ptr<OpenFile> m_file;
    bool m_failed = false;
};

} // namespace

std::unique_ptr<WaveOut> open_wave_out_file(
    const std::string& path, bool fast, const WaveFormat& format, MessageQueue& queue)
{
    if (!format.valid() || path.empty())
        return nullptr;
    std::shared_ptr<OpenFile> file = file_for(path, format);
    if (!file)
        return nullptr;
    auto device = std::make_unique<WaveOutFile>(std::move(file), fast, format, queue);
    if (!device->start())
        return nullptr;
    return device;
}

} // namespace os
