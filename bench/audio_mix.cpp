// 32 resampled copies of a game sound plus the game's music, through the game's sound and
// music managers, rendering 10 s into memory: the time it takes as a fraction of real time on one core.
#include <chrono>
#include <string>
#include <vector>

#include "bench_util.h"
#include "dsound.h"
#include "music.h"
#include "quil_audio_output.h"
#include "sound.h"

namespace {

constexpr int kSeconds = 10;
constexpr int kFrames = kSeconds * quil_audio::kOutputRate;
double g_fraction = 0.0;  // the last run's, for main to print

void BM_Mix32VoicesAndMusic(benchmark::State& state) {
    quil_audio::UseMemoryOutput(true);
    SoundManager sounds;
    MusicManager music;
    sounds.Init();
    music.Init();
    Sound* voice = sounds.LoadSound(QUIL_RUN_DIR "/sfx/heartbeat.wav", 32);
    const std::string tune = QUIL_RUN_DIR "/sfx/letitsnow.mid";  // the longest of the game's tunes
    MusicTrack* track = music.LoadMusic(std::wstring(tune.begin(), tune.end()).c_str());
    if (!voice || !track) {
        state.SkipWithError("no sound or tune: build the asset set first");
    } else {
        for (DWORD i = 0; i < 32; ++i) {
            voice->ppBuffers[i]->SetVolume(-100 * LONG(i));
            voice->ppBuffers[i]->Play(0, 0, DSBPLAY_LOOPING);
        }
        std::vector<float> out(2 * 4096);
        for (auto _ : state) {
            music.PlayMusic(track);  // from the start each time: the tune plays once
            const auto start = std::chrono::steady_clock::now();
            for (int done = 0; done < kFrames; done += 4096) quil_audio::Render(out.data(), 4096);
            benchmark::DoNotOptimize(out.data());
            g_fraction = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kSeconds;
        }
        state.counters["fraction_of_real_time"] = g_fraction;
    }
    music.FreeMusic(track);
    sounds.FreeSound(voice);
    music.Shutdown();
    sounds.Shutdown();
    quil_audio::UseMemoryOutput(false);
}
BENCHMARK(BM_Mix32VoicesAndMusic)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    bench_util::PrintRatio("audio_mix: time to mix 32 voices and a tune / real time", g_fraction);
    benchmark::Shutdown();
    return 0;
}
