// Big libraries: the file browser listing a folder of 10,000 audio files and drawing itself, and a
// "PlaySubfolder" playlist built over 50,000 files in 500 folders (50 artists of 10 albums of 100
// tracks), in its random order (the default) and sorted. Goals: 50 ms for the folder listed and
// drawn, 500 ms for the playlist, which may take at most 15 MiB more memory (printed as the
// growth of the peak resident size over its first build and the heap it holds afterwards).
//
// The files are empty, under a temporary folder made at start-up (in /dev/shm when there is one)
// and removed at the end; a few files of the big folder have other extensions (not listed) or
// hidden names.

#include "liba/text.h"
#include "os/screen/headless_screen.h"
#include "os/surface.h"
#include "player/bookmarks.h"
#include "player/control_files.h"
#include "player/playlist.h"
#include "skinner/canvas.h"
#include "skinner/form.h"
#include "skinner/properties.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int s_folder_files = 10000;
constexpr int s_artists = 50;
constexpr int s_albums = 10;
constexpr int s_tracks = 100;

// The temporary folders, made once.
struct Library {
    Library()
    {
        // In memory when the system has a folder for it: making 60,000 files on a busy disk takes
        // minutes, while listing them costs the same once the disk's are cached.
        std::error_code error;
        fs::path base
            = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (base / "melodeck-list-bench-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        const char* extensions[] = {".mp3", ".MP3", ".ogg", ".wav", ".mpc", ".flac", ".txt"};
        big = root / "big";
        fs::create_directories(big);
        for (int i = 0; i < s_folder_files; ++i) {
            std::string name = (i % 3 ? "track " : "Track ") + std::to_string((i * 7919) % 100000)
                + " - Some Artist - A Title" + extensions[i % 7 < 5 ? i % 5 : (i % 100 == 6 ? 6 : 0)];
            if (i % 500 == 1)
                name = "." + name;
            std::ofstream(big / name);
        }
        for (int i = 0; i < 20; ++i)
            fs::create_directories(big / ("Folder " + std::to_string(i)));
        tree = root / "tree";
        for (int a = 0; a < s_artists; ++a)
            for (int b = 0; b < s_albums; ++b) {
                fs::path album = tree / ("Artist " + std::to_string(a)) / ("Album " + std::to_string(b));
                fs::create_directories(album);
                for (int t = 0; t < s_tracks; ++t)
                    std::ofstream(album
                        / (std::to_string(t + 1) + " - Track Title Number " + std::to_string(t) + ".mp3"));
            }
    }
    ~Library() { fs::remove_all(root); }

    fs::path root;
    fs::path big;
    fs::path tree;
};

Library& library()
{
    static Library instance;
    return instance;
}

std::u16string wide(const fs::path& path)
{
    return path.u16string();
}

void BM_FolderListedAndDrawn(benchmark::State& state)
{
    constexpr os::Size screen_size {480, 640};
    os::HeadlessScreen screen(screen_size);
    skinner::Properties skin(liba::from_utf8(MELODECK_APP_DIR "/skins/default/default.skin"),
        {screen_size.width, screen_size.height});
    if (!skin.is_valid()) {
        state.SkipWithError("the default skin is not built");
        return;
    }
    skinner::Form form(nullptr, &skin, u"FormMain", nullptr);
    player::Bookmarks bookmarks;
    player::ControlFiles files(form, bookmarks);
    std::u16string folder = wide(library().big);
    os::Surface surface(screen_size.width, screen_size.height);
    skinner::Canvas canvas(surface);
    for (auto _ : state) {
        files.open_folder(folder);
        files.paint(canvas, files.rect().position, files.rect().size);
        benchmark::DoNotOptimize(surface.pixels.data());
    }
    state.counters["entries"] = files.entry_count();
    state.SetLabel("goal <= 50 ms");
}

long peak_rss_kib()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

void play_subfolder(benchmark::State& state, bool random)
{
    std::u16string folder = wide(library().tree);
    size_t heap_before = ::mallinfo2().uordblks;
    long peak_before = peak_rss_kib();
    player::Playlist playlist;
    playlist.set_random(random);
    playlist.set_subfolders(true);
    playlist.build(folder);
    state.counters["peak_rss_growth_MiB"] = double(peak_rss_kib() - peak_before) / 1024.0;
    state.counters["heap_held_MiB"] = double(::mallinfo2().uordblks - heap_before) / (1024.0 * 1024.0);
    for (auto _ : state)
        playlist.build(folder);
    state.counters["files"] = playlist.size();
    state.SetLabel("goal <= 500 ms, <= 15 MiB");
}

void BM_PlaySubfolderRandom(benchmark::State& state)
{
    play_subfolder(state, true);
}

void BM_PlaySubfolderSorted(benchmark::State& state)
{
    play_subfolder(state, false);
}

} // namespace

// The sorted build runs first: the peak resident size only grows, so the first build of the
// process shows its true growth.
BENCHMARK(BM_PlaySubfolderSorted)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PlaySubfolderRandom)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FolderListedAndDrawn)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    library();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
