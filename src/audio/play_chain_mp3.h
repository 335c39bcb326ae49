#pragma once

// The MP3 play chain: FileReaderMP3 feeding DecoderMP3. Its title is the ID3v1 title when the file
// has one that is not empty, else the file name.

#include "audio/decoder_mp3.h"
#include "audio/file_reader_mp3.h"
#include "audio/id3v1.h"
#include "audio/play_chain.h"

#include <memory>
#include <string>
#include <string_view>

namespace audio {

class PlayChainMP3 final : public PlayChainReaderDecoder<FileReaderMP3, DecoderMP3> {
public:
    PlayChainMP3(std::u16string codec_name, std::unique_ptr<FileReaderMP3> reader, std::u16string_view path)
        : PlayChainReaderDecoder<FileReaderMP3, DecoderMP3>(std::move(codec_name), std::move(reader), path)
    {
        // A reader that did not open makes the factory drop the chain: no need to read the tag.
        if (!this->m_reader->is_open())
            return;
        ID3v1Tag tag = read_id3v1(path);
        if (!tag.title.empty())
            set_title(std::move(tag.title));
    }
};

} // namespace audio
