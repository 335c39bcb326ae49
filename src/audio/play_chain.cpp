#include "audio/play_chain.h"

#include "audio/decoder_adpcm.h"
#include "audio/decoder_gsm.h"
#include "audio/decoder_mpc.h"
#include "audio/decoder_vorbis.h"
#include "audio/file_reader_wav_adpcm.h"
#include "audio/file_reader_wav_gsm.h"
#include "audio/file_reader_wav_pcm.h"
#include "audio/play_chain_mp3.h"

#include <array>

namespace audio {

std::u16string title_from_path(std::u16string_view path)
{
    size_t slash = path.find_last_of(u"/\\");
    return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

namespace {

template<typename R>
std::unique_ptr<PlayChain> make_reader_only(std::u16string_view path, std::u16string_view name)
{
    return std::make_unique<PlayChainReaderOnly<R>>(std::u16string(name), std::make_unique<R>(path), path);
}

template<typename R, typename D>
std::unique_ptr<PlayChain> make_reader_decoder(std::u16string_view path, std::u16string_view name)
{
    return std::make_unique<PlayChainReaderDecoder<R, D>>(
        std::u16string(name), std::make_unique<R>(path), path);
}

using ChainMaker = std::unique_ptr<PlayChain> (*)(std::u16string_view path);

// The probe order. Each candidate opens the file itself; the first whose reader is open wins.
const std::array s_probe_order = {
    ChainMaker {
        [](std::u16string_view path) { return make_reader_only<FileReaderWAVPCM>(path, codec_name::PCM); }},
    ChainMaker {[](std::u16string_view path) {
        return make_reader_decoder<FileReaderWAVADPCM, DecoderADPCM>(path, codec_name::ADPCM);
    }},
    ChainMaker {[](std::u16string_view path) {
        return make_reader_decoder<FileReaderWAVGSM, DecoderGSM>(path, codec_name::GSM);
    }},
    ChainMaker {
        [](std::u16string_view path) { return make_reader_only<DecoderVorbis>(path, codec_name::Vorbis); }},
    ChainMaker {[](std::u16string_view path) { return make_reader_only<DecoderMPC>(path, codec_name::MPC); }},
    ChainMaker {[](std::u16string_view path) -> std::unique_ptr<PlayChain> {
        return std::make_unique<PlayChainMP3>(
            std::u16string(codec_name::MP3), std::make_unique<FileReaderMP3>(path), path);
    }},
};

} // namespace

std::unique_ptr<PlayChain> create_play_chain(std::u16string_view path)
{
    for (ChainMaker make : s_probe_order) {
        std::unique_ptr<PlayChain> chain = make(path);
        if (chain->get_reader().is_open())
            return chain;
    }
    return nullptr;
}

} // namespace audio
