// melodeck-decode: opens a file exactly as the player does (the chain factory), prints its stream
// facts, and decodes it to a WAV file or to nothing, or plays it through the PCM player.

#include "audio/equalizer_pcm.h"
#include "audio/play_chain.h"
#include "audio/player_pcm.h"
#include "liba/text.h"
#include "os/wav_writer.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace {

struct Options {
    std::string file;
    std::string output;
    std::optional<long> seek;
    double max_seconds = -1.0;
    // Frequency (Hz), width (octaves) and gain (dB) of the equalizer band.
    std::optional<std::array<double, 3>> equalizer;
    bool play = false;
};

void usage()
{
    std::fprintf(stderr,
        "usage: melodeck-decode FILE [-o OUT.wav | --play] [--seek POS] [--eq F,W,G] [--max-seconds S]\n"
        "  POS is in the reader's position unit (bytes, blocks or frames)\n"
        "  --eq F,W,G  through the equalizer: centre F Hz, width W octaves, gain G dB\n"
        "  --play plays FILE to its end on the sound backend that MELODECK_AUDIO names\n"
        "         (sdl, null, file:PATH or file:PATH,fast; default sdl), printing position,\n"
        "         time and both levels once a second; with it, S limits the seconds played\n");
}

bool parse_number(const char* text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0';
}

// "F,W,G": three numbers separated by commas.
std::optional<std::array<double, 3>> parse_band(const char* text)
{
    std::array<double, 3> band {};
    char* end = nullptr;
    for (size_t i = 0; i < band.size(); ++i) {
        band[i] = std::strtod(text, &end);
        if (end == text || *end != (i + 1 < band.size() ? ',' : '\0'))
            return std::nullopt;
        text = end + 1;
    }
    return band;
}

std::optional<Options> parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool has_value = i + 1 < argc;
        double number = 0;
        if (arg == "-o" && has_value) {
            options.output = argv[++i];
        } else if (arg == "--seek" && has_value && parse_number(argv[i + 1], number)) {
            options.seek = static_cast<long>(number);
            ++i;
        } else if (arg == "--eq" && has_value && parse_band(argv[i + 1])) {
            options.equalizer = parse_band(argv[++i]);
        } else if (arg == "--play") {
            options.play = true;
        } else if (arg == "--max-seconds" && has_value && parse_number(argv[i + 1], number)) {
            options.max_seconds = number;
            ++i;
        } else if (!arg.empty() && arg[0] != '-' && options.file.empty()) {
            options.file = arg;
        } else {
            return std::nullopt;
        }
    }
    if (options.file.empty() || (options.play && !options.output.empty()))
        return std::nullopt;
    return options;
}

// Pulls from the chain the way the player does: through a consumer, under its lock.
class Sink : public audio::Consumer<audio::PCMData> {
public:
    audio::PCMData pull(int32_t frames)
    {
        liba::ScopedLock guard(lock());
        return request(frames);
    }
};

constexpr int32_t s_frames_per_pull = 16384;

// Links the chain to its consumer as the player's graph does: chain -> equalizer (when asked) ->
// consumer.
void link(audio::PlayChain& chain, audio::EqualizerPCM& equalizer, const Options& options,
    audio::Consumer<audio::PCMData>& consumer)
{
    if (!options.equalizer) {
        chain.get_provider().connect(&consumer);
        return;
    }
    auto [frequency, width, gain] = *options.equalizer;
    equalizer.set_frequency(frequency);
    equalizer.set_width(width);
    equalizer.set_amplitude(gain);
    equalizer.reset();
    chain.get_provider().connect(&equalizer);
    equalizer.connect(&consumer);
}

void print_status(audio::FileReader& reader, audio::PlayerPCM& player)
{
    std::printf("position=%d time=%.3f level0=%.3f level1=%.3f\n", reader.position(), reader.time(),
        player.get_level(0), player.get_level(1));
    std::fflush(stdout);
}

// Plays the chain until everything pulled from it has been heard (or S seconds have passed).
int play(audio::PlayChain& chain, const Options& options)
{
    using Clock = std::chrono::steady_clock;
    audio::FileReader& reader = chain.get_reader();
    audio::EqualizerPCM equalizer;
    audio::PlayerPCM player;
    link(chain, equalizer, options, player);
    if (!player.play()) {
        std::fprintf(stderr, "melodeck-decode: the player did not take the request\n");
        return 1;
    }
    auto started = Clock::now();
    auto next_status = started + std::chrono::seconds(1);
    int result = 0;
    while (!player.is_drained()) {
        if (player.open_failed()) {
            std::fprintf(stderr, "melodeck-decode: the sound device did not open\n");
            result = 1;
            break;
        }
        auto now = Clock::now();
        if (options.max_seconds >= 0 && now - started >= std::chrono::duration<double>(options.max_seconds))
            break;
        if (now >= next_status) {
            print_status(reader, player);
            next_status += std::chrono::seconds(1);
        }
        // The end is noticed within a quarter of a second; waking more often only costs CPU time.
        std::this_thread::sleep_until(std::min(next_status, now + std::chrono::milliseconds(250)));
    }
    player.stop();
    double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf("played position=%d time=%.3f in %.3f s\n", reader.position(), reader.time(), elapsed);
    chain.get_provider().connect(nullptr);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    std::optional<Options> options = parse(argc, argv);
    if (!options) {
        usage();
        return 2;
    }
    std::u16string path = liba::from_utf8(options->file);
    std::unique_ptr<audio::PlayChain> chain = audio::create_play_chain(path);
    if (!chain) {
        std::fprintf(stderr, "melodeck-decode: no reader accepts %s\n", options->file.c_str());
        return 1;
    }
    audio::FileReader& reader = chain->get_reader();
    std::printf("codec=%s channels=%u rate=%u bits=%u bitrate=%u length=%d duration=%.3f title=%s\n",
        liba::to_utf8(chain->get_codec_name()).c_str(), reader.channels(), reader.sample_rate(),
        reader.bits_per_sample(), reader.bitrate(), reader.length(), reader.duration(),
        liba::to_utf8(chain->get_title()).c_str());
    if (options->seek) {
        reader.seek_position(static_cast<int32_t>(*options->seek));
        std::printf("seek=%ld position=%d time=%.3f\n", *options->seek, reader.position(), reader.time());
    }

    if (options->play)
        return play(*chain, *options);

    audio::EqualizerPCM equalizer;
    Sink sink;
    link(*chain, equalizer, *options, sink);
    std::unique_ptr<os::WavWriter> writer;
    audio::PCMData first;
    uint64_t frames = 0;
    auto started = std::chrono::steady_clock::now();
    for (;;) {
        audio::PCMData block = sink.pull(s_frames_per_pull);
        if (block.empty())
            break;
        if (first.frame_size() == 0) {
            first = block;
            if (!options->output.empty()) {
                writer = std::make_unique<os::WavWriter>(liba::from_utf8(options->output), block.channels,
                    block.bits_per_sample, block.sample_rate);
                if (!writer->good()) {
                    std::fprintf(stderr, "melodeck-decode: can't write %s\n", options->output.c_str());
                    return 1;
                }
            }
        } else if (!block.same_format(first)) {
            std::fprintf(stderr, "melodeck-decode: the format changes at frame %llu; stopping there\n",
                static_cast<unsigned long long>(frames));
            break;
        }
        if (writer && !writer->write(block.data.data(), block.size())) {
            std::fprintf(stderr, "melodeck-decode: can't write %s\n", options->output.c_str());
            return 1;
        }
        frames += block.frames();
        if (options->max_seconds >= 0 && first.sample_rate > 0
            && double(frames) / first.sample_rate >= options->max_seconds)
            break;
    }
    chain->get_provider().connect(nullptr);
    if (writer && !writer->finish()) {
        std::fprintf(stderr, "melodeck-decode: can't write %s\n", options->output.c_str());
        return 1;
    }
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    double seconds = first.sample_rate > 0 ? double(frames) / first.sample_rate : 0.0;
    std::printf("decoded frames=%llu seconds=%.3f in %.3f s (%.1fx realtime)\n",
        static_cast<unsigned long long>(frames), seconds, elapsed, elapsed > 0 ? seconds / elapsed : 0.0);
    return 0;
}
