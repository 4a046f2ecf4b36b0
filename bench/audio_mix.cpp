// 32 resampled, panned DirectSound voices plus a DirectMusic tune rendering 10 s into memory, as a
// fraction of real time on one core.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "dmusici.h"
#include "dsound.h"
#include "midi_builder.h"
#include "quil_audio_output.h"

namespace {

constexpr int kSeconds = 10;
constexpr int kFrames = kSeconds * quil_audio::kOutputRate;

double SecondsToRender() {
    std::vector<float> out(2 * 4096);
    auto start = std::chrono::steady_clock::now();
    for (int done = 0; done < kFrames; done += 4096) quil_audio::Render(out.data(), 4096);
    benchmark::DoNotOptimize(out.data());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A tune as busy as game music gets: a melody in eighths, a bass in quarters, three-note
// chords in halves and drums, on four channels, looping.
std::vector<uint8_t> GameTune() {
    struct Note { uint32_t tick; uint8_t channel, key, on; };
    std::vector<Note> notes;
    auto add = [&](uint32_t at, uint32_t length, uint8_t ch, uint8_t key) {
        notes.push_back({at, ch, key, 1});
        notes.push_back({at + length, ch, key, 0});
    };
    const uint8_t scale[] = {60, 62, 64, 65, 67, 69, 71, 72};
    for (uint32_t bar = 0; bar < 16; ++bar) {
        uint32_t start = bar * 1920;
        uint8_t root = uint8_t(48 + (bar % 4) * 2);
        for (uint32_t e = 0; e < 8; ++e) add(start + e * 240, 230, 0, scale[(bar * 3 + e * 5) % 8]);
        for (uint32_t q = 0; q < 4; ++q) add(start + q * 480, 470, 1, uint8_t(root - 12));
        for (uint32_t h = 0; h < 2; ++h)
            for (uint8_t k : {0, 4, 7}) add(start + h * 960, 950, 2, uint8_t(root + k));
        for (uint32_t e = 0; e < 8; ++e) add(start + e * 240, 100, 9, e % 2 ? 42 : 36);
    }
    std::stable_sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.on < b.on;
    });
    audio_test::TrackBuilder t;
    t.Event(0, {0xC0, 73}).Event(0, {0xC1, 33}).Event(0, {0xC2, 48});
    uint32_t now = 0;
    for (const Note& n : notes) {
        t.Event(n.tick - now, {uint8_t((n.on ? 0x90 : 0x80) | n.channel), n.key, uint8_t(n.on ? 96 : 0)});
        now = n.tick;
    }
    t.End(0);
    return audio_test::MidiFile(0, 480, {t});
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

    std::string path = "/tmp/audio_bench_" + std::to_string(getpid()) + ".mid";
    audio_test::WriteFile(path, GameTune());
    IDirectMusicLoader8* loader = nullptr;
    IDirectMusicPerformance8* performance = nullptr;
    IDirectMusicSegment8* segment = nullptr;
    CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8,
                     reinterpret_cast<void**>(&loader));
    CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC, IID_IDirectMusicPerformance8,
                     reinterpret_cast<void**>(&performance));
    performance->InitAudio(nullptr, nullptr, nullptr, DMUS_APATH_DYNAMIC_STEREO, 64, DMUS_AUDIOF_ALL, nullptr);
    std::wstring wide(path.begin(), path.end());
    loader->LoadObjectFromFile(CLSID_DirectMusicSegment, IID_IDirectMusicSegment8, const_cast<WCHAR*>(wide.c_str()),
                               reinterpret_cast<void**>(&segment));
    segment->SetRepeats(DMUS_SEG_REPEAT_INFINITE);
    performance->PlaySegment(segment, 0, 0, nullptr);

    double busy = 0;
    for (auto _ : state) busy = SecondsToRender();
    state.counters["fraction_of_real_time"] = busy / kSeconds;

    performance->CloseDown();
    performance->Release();
    segment->Release();
    loader->Release();
    for (auto* v : voices) v->Release();
    ds->Release();
    std::remove(path.c_str());
    quil_audio::UseMemoryOutput(false);
}
BENCHMARK(BM_Mix32VoicesAndMusic)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
