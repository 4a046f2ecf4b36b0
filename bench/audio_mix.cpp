// 32 resampled, panned DirectSound voices plus the game's music rendering 10 s into memory, as a
// fraction of real time on one core.
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "bench_util.h"
#include "dmusici.h"
#include "dsound.h"
#include "music.h"
#include "quil_audio_output.h"

namespace {

constexpr int kSeconds = 10;
constexpr int kFrames = kSeconds * quil_audio::kOutputRate;
double g_fraction = 0.0;  // the last run's, for main to print

double SecondsToRender() {
    std::vector<float> out(2 * 4096);
    auto start = std::chrono::steady_clock::now();
    for (int done = 0; done < kFrames; done += 4096) quil_audio::Render(out.data(), 4096);
    benchmark::DoNotOptimize(out.data());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_Mix32VoicesAndMusic(benchmark::State& state) {
    quil_audio::UseMemoryOutput(true);

    IDirectSound8* ds = nullptr;
    DirectSoundCreate8(nullptr, &ds, nullptr);
    ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
    DSBUFFERDESC desc{sizeof(DSBUFFERDESC), DSBCAPS_STATIC | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY,
                      22050 * 2, 0, &f, {}};
    IDirectSoundBuffer* first = nullptr;
    ds->CreateSoundBuffer(&desc, &first, nullptr);
    void *p1, *p2;
    DWORD n1, n2;
    first->Lock(0, desc.dwBufferBytes, &p1, &n1, &p2, &n2, 0);
    for (DWORD i = 0; i < n1 / 2; ++i) static_cast<int16_t*>(p1)[i] = int16_t(3000 * std::sin(i * 0.05));
    first->Unlock(p1, n1, p2, n2);
    std::vector<IDirectSoundBuffer*> voices = {first};
    for (int i = 1; i < 32; ++i) {
        IDirectSoundBuffer* copy = nullptr;
        ds->DuplicateSoundBuffer(first, &copy);
        voices.push_back(copy);
    }
    for (int i = 0; i < 32; ++i) {
        voices[i]->SetVolume(-100 * i);
        voices[i]->SetPan(-5000 + 300 * i);
        voices[i]->SetFrequency(11025 + 1000 * i);
        voices[i]->Play(0, 0, DSBPLAY_LOOPING);
    }

    // The game's longest tune, looping, through the game's music manager.
    MusicManager music;
    music.Init();
    const std::string tune = QUIL_RUN_DIR "/sfx/letitsnow.mid";
    MusicTrack* track = music.LoadMusic(std::wstring(tune.begin(), tune.end()).c_str());
    if (!track) state.SkipWithError("no tune: build the asset set first");
    if (track) track->pSegment->SetRepeats(DMUS_SEG_REPEAT_INFINITE);
    music.PlayMusic(track);

    for (auto _ : state) g_fraction = SecondsToRender() / kSeconds;
    state.counters["fraction_of_real_time"] = g_fraction;

    music.FreeMusic(track);
    music.Shutdown();
    for (auto* v : voices) v->Release();
    ds->Release();
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
