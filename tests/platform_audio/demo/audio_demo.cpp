// Plays a WAV effect and a MIDI tune through DirectSound and DirectMusic on the
// real audio device. Without file names it makes its own: a bell and a short tune.
// With --check FILE it verifies, after playing, that SDL's disk driver wrote both
// parts audibly into FILE (float stereo at the output rate).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "dmusici.h"
#include "dsound.h"
#include "midi_builder.h"
#include "quil_audio_output.h"

namespace {

// A decaying two-tone bell, 16-bit mono at 22050 Hz, as a RIFF WAVE file image.
std::vector<uint8_t> BellWav() {
    const uint32_t rate = 22050, frames = rate;
    std::vector<uint8_t> out;
    auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i))); };
    auto put16 = [&](uint16_t v) { out.push_back(uint8_t(v)); out.push_back(uint8_t(v >> 8)); };
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(36 + frames * 2);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(16);
    put16(1); put16(1); put32(rate); put32(rate * 2); put16(2); put16(16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(frames * 2);
    for (uint32_t i = 0; i < frames; ++i) {
        double t = double(i) / rate;
        double s = std::exp(-4.0 * t) * (0.6 * std::sin(2 * M_PI * 880 * t) + 0.3 * std::sin(2 * M_PI * 1320 * t));
        put16(uint16_t(int16_t(s * 30000)));
    }
    return out;
}

// The first bar of a well-known carol on a music box, 480 ticks a beat at 120 bpm.
std::vector<uint8_t> TuneMidi() {
    audio_test::TrackBuilder t;
    t.Event(0, {0xC0, 10});
    const uint8_t notes[] = {64, 64, 64, 0, 64, 64, 64, 0, 64, 67, 60, 62, 64};
    for (uint8_t n : notes) {
        if (n) t.Event(0, {0x90, n, 100}).Event(240, {0x80, n, 0});
        else t.Delta(240);
    }
    t.End(240);
    return audio_test::MidiFile(0, 480, {t});
}

std::vector<uint8_t> ReadFile(const char* path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path, "rb");
    if (!f) return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(uint8_t(c));
    std::fclose(f);
    return bytes;
}

void Wait(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

double Rms(const float* s, size_t count) {
    double sum = 0;
    for (size_t i = 0; i < count; ++i) sum += double(s[i]) * s[i];
    return count ? std::sqrt(sum / count) : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* check = nullptr;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check") == 0 && i + 1 < argc) check = argv[++i];
        else files.push_back(argv[i]);
    }
    std::string dir = "/tmp/audio_demo_" + std::to_string(getpid());
    if (files.size() < 2) {
        mkdir(dir.c_str(), 0755);
        files = {dir + "/bell.wav", dir + "/tune.mid"};
        audio_test::WriteFile(files[0], BellWav());
        audio_test::WriteFile(files[1], TuneMidi());
    }

    IDirectSound8* ds = nullptr;
    if (FAILED(DirectSoundCreate8(nullptr, &ds, nullptr))) {
        std::fprintf(stderr, "audio_demo: no audio device\n");
        return 1;
    }
    ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);

    // The effect: a static buffer filled from the WAV file's chunks.
    std::vector<uint8_t> wav = ReadFile(files[0].c_str());
    IDirectSoundBuffer* effect = nullptr;
    if (wav.size() > 44 && std::memcmp(wav.data(), "RIFF", 4) == 0) {
        WAVEFORMATEX format{};
        const uint8_t* data = nullptr;
        uint32_t size = 0;
        for (size_t at = 12; at + 8 <= wav.size();) {
            uint32_t n = uint32_t(wav[at + 4]) | uint32_t(wav[at + 5]) << 8 | uint32_t(wav[at + 6]) << 16 |
                         uint32_t(wav[at + 7]) << 24;
            if (n > wav.size() - at - 8) break;
            if (std::memcmp(&wav[at], "fmt ", 4) == 0) std::memcpy(&format, &wav[at + 8], n < 16 ? n : 16);
            if (std::memcmp(&wav[at], "data", 4) == 0) { data = &wav[at + 8]; size = n; }
            at += 8 + n + (n & 1);
        }
        DSBUFFERDESC desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN;
        desc.dwBufferBytes = size;
        desc.lpwfxFormat = &format;
        if (data && SUCCEEDED(ds->CreateSoundBuffer(&desc, &effect, nullptr))) {
            void *p1, *p2;
            DWORD n1, n2;
            effect->Lock(0, size, &p1, &n1, &p2, &n2, 0);
            std::memcpy(p1, data, n1);
            effect->Unlock(p1, n1, p2, n2);
        }
    }
    if (!effect) std::fprintf(stderr, "audio_demo: cannot play %s\n", files[0].c_str());

    IDirectMusicLoader8* loader = nullptr;
    IDirectMusicPerformance8* performance = nullptr;
    IDirectMusicSegment8* segment = nullptr;
    CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8,
                     reinterpret_cast<void**>(&loader));
    CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC, IID_IDirectMusicPerformance8,
                     reinterpret_cast<void**>(&performance));
    std::wstring tune(files[1].begin(), files[1].end());
    if (!loader || !performance ||
        FAILED(performance->InitAudio(nullptr, nullptr, nullptr, DMUS_APATH_DYNAMIC_STEREO, 64, DMUS_AUDIOF_ALL,
                                      nullptr)) ||
        FAILED(loader->LoadObjectFromFile(CLSID_DirectMusicSegment, IID_IDirectMusicSegment8,
                                          const_cast<WCHAR*>(tune.c_str()), reinterpret_cast<void**>(&segment))))
        std::fprintf(stderr, "audio_demo: cannot play %s\n", files[1].c_str());

    std::printf("playing %s\n", files[0].c_str());
    if (effect) effect->Play(0, 0, 0);
    Wait(1.2);
    std::printf("playing %s\n", files[1].c_str());
    if (segment) {
        segment->Download(performance);
        performance->PlaySegment(segment, 0, 0, nullptr);
        MUSIC_TIME ms = 0;
        segment->GetLength(&ms);
        Wait(ms / 1000.0 + 0.5);
        performance->Stop(nullptr, nullptr, 0, 0);
    }

    if (segment) segment->Release();
    if (performance) {
        performance->CloseDown();
        performance->Release();
    }
    if (loader) loader->Release();
    if (effect) effect->Release();
    ds->Release();
    if (!dir.empty()) {
        std::remove((dir + "/bell.wav").c_str());
        std::remove((dir + "/tune.mid").c_str());
        rmdir(dir.c_str());
    }
    if (!check) return 0;

    // The written output: the bell in its first part, the tune in its last part (the disk
    // driver's pace need not be real time, so only these are relied on).
    std::vector<uint8_t> raw = ReadFile(check);
    const float* s = reinterpret_cast<const float*>(raw.data());
    size_t count = raw.size() / sizeof(float);
    size_t second = 2 * quil_audio::kOutputRate;
    if (count < 2 * second) {
        std::fprintf(stderr, "audio_demo: only %zu samples written\n", count);
        return 1;
    }
    double bell = 0.0, music = 0.0;
    for (size_t at = 0; at + second / 4 <= count; at += second / 8) {
        double rms = Rms(s + at, second / 4);
        if (at < count * 4 / 10) bell = std::max(bell, rms);
        if (at > count * 6 / 10) music = std::max(music, rms);
    }
    std::printf("bell rms %.4f, music rms %.4f\n", bell, music);
    return bell > 0.1 && music > 0.01 ? 0 : 1;
}
