// The skin part of the player's start-up: loading the skins shipped in the app folder beside the
// build's bin/ folder (app/skins) for a 480 x 640 Pocket PC screen, checking that they serve, and
// loading the English language file, as the player does before it builds its main form. The rest
// of the start-up (the form, its first frame) is the whole player's run minus this.

#include "skinner/properties.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace {

std::filesystem::path app_folder()
{
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : exe.parent_path().parent_path() / "app";
}

void load_skin(benchmark::State& state, const char* name)
{
    std::filesystem::path folder = app_folder();
    std::filesystem::path skin = folder / "skins" / name / (std::string(name) + ".skin");
    std::filesystem::path language = folder / "English.lng";
    if (!std::filesystem::exists(skin)) {
        state.SkipWithError("no app folder with skins beside bin/");
        return;
    }
    const skinner::Size screen {480, 640};
    for (auto _ : state) {
        skinner::Properties properties(skin.u16string(), screen, skinner::DeviceKind::pocket_pc);
        bool serves = properties.check_version(u"", screen);
        bool translated = properties.set_language(language.u16string());
        benchmark::DoNotOptimize(serves);
        benchmark::DoNotOptimize(translated);
    }
}

void BM_SkinLoadAlternative(benchmark::State& state)
{
    load_skin(state, "alternative");
}
BENCHMARK(BM_SkinLoadAlternative)->Unit(benchmark::kMillisecond);

void BM_SkinLoadDefault(benchmark::State& state)
{
    load_skin(state, "default");
}
BENCHMARK(BM_SkinLoadDefault)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
