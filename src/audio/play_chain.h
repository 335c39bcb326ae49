#pragma once

// A play chain is the part of the block graph that belongs to one open file: its reader and, where
// the format needs one, its decoder, owned together. The application connects get_provider() to
// the equalizer, reads facts and positions through get_reader(), and shows get_title().
// Before deleting a chain, disconnect its provider (under the equalizer's lock, by connect()).

#include "audio/blocks.h"
#include "audio/file_reader.h"
#include "audio/pipeline.h"
#include "liba/nocopy.h"

#include <memory>
#include <string>

namespace audio {

class DecoderMPC;
class DecoderVorbis;
class FileReaderWAVGSM;
class FileReaderWAVADPCM;
class FileReaderWAVPCM;
class FileReaderMP3;

// Receives a chain's reader typed as its concrete class.
class PlayChainVisitor {
public:
    virtual ~PlayChainVisitor() = default;
    virtual void visit(DecoderMPC&) { }
    virtual void visit(DecoderVorbis&) { }
    virtual void visit(FileReaderWAVGSM&) { }
    virtual void visit(FileReaderWAVADPCM&) { }
    virtual void visit(FileReaderWAVPCM&) { }
    virtual void visit(FileReaderMP3&) { }
};

class PlayChain : private liba::Nocopy {
public:
    virtual ~PlayChain() = default;
    virtual Provider<PCMData>& get_provider() = 0;
    virtual FileReader& get_reader() = 0;
    // Fixed facts of every chain kind here (nothing asks them yet).
    virtual bool is_network_stream() const { return false; }
    virtual bool has_video() const { return false; }
    virtual bool is_seekable() const { return true; }
    virtual std::u16string get_codec_name() const = 0;
    virtual std::u16string get_title() const = 0;
    virtual void accept(PlayChainVisitor& visitor) = 0;
};

// The text after the last '\' or '/', whichever stands later; the whole path without either.
std::u16string title_from_path(std::u16string_view path);

template<typename R> class PlayChainReaderOnlyBase : public PlayChain {
public:
    PlayChainReaderOnlyBase(std::u16string codec_name, std::unique_ptr<R> reader, std::u16string_view path)
        : m_codec_name(std::move(codec_name))
        , m_reader(std::move(reader))
        , m_title(title_from_path(path))
    {
    }

    FileReader& get_reader() override { return *m_reader; }
    std::u16string get_codec_name() const override { return m_codec_name; }
    std::u16string get_title() const override { return m_title; }
    void accept(PlayChainVisitor& visitor) override { visitor.visit(*m_reader); }

    R& reader() { return *m_reader; }

protected:
    void set_title(std::u16string title) { m_title = std::move(title); }

    std::u16string m_codec_name;
    std::unique_ptr<R> m_reader;
    std::u16string m_title;
};

// For readers that are themselves the PCM provider (PCM WAV, Vorbis, Musepack).
template<typename R> class PlayChainReaderOnly final : public PlayChainReaderOnlyBase<R> {
public:
    using PlayChainReaderOnlyBase<R>::PlayChainReaderOnlyBase;
    Provider<PCMData>& get_provider() override { return *this->m_reader; }
};

// For readers of coded blocks: the chain owns a decoder fed by the reader. The decoder is deleted
// before the reader.
template<typename R, typename D> class PlayChainReaderDecoder : public PlayChainReaderOnlyBase<R> {
public:
    PlayChainReaderDecoder(std::u16string codec_name, std::unique_ptr<R> reader, std::u16string_view path)
        : PlayChainReaderOnlyBase<R>(std::move(codec_name), std::move(reader), path)
        , m_decoder(std::make_unique<D>())
    {
        static_cast<Provider<typename D::Coded>&>(*this->m_reader).connect(m_decoder.get());
    }
    ~PlayChainReaderDecoder() override { m_decoder.reset(); }

    Provider<PCMData>& get_provider() override { return *m_decoder; }
    D& decoder() { return *m_decoder; }

private:
    std::unique_ptr<D> m_decoder;
};

// The codec names of the chain kinds.
namespace codec_name {
inline constexpr std::u16string_view PCM = u"PCM";
inline constexpr std::u16string_view ADPCM = u"ADPCM";
inline constexpr std::u16string_view GSM = u"GSM";
inline constexpr std::u16string_view Vorbis = u"Vorbis";
inline constexpr std::u16string_view MPC = u"MPC";
inline constexpr std::u16string_view MP3 = u"mp3";
} // namespace codec_name

// Opens the file as a play chain by probing, not by extension: the readers are tried in a fixed
// order (WAV PCM, WAV ADPCM, WAV GSM, Ogg Vorbis, Musepack, MP3) and the first that opens the file
// wins. Null when no reader accepts it.
std::unique_ptr<PlayChain> create_play_chain(std::u16string_view path);

} // namespace audio
