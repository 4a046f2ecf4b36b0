// The shared audio output: one SDL device whose callback mixes the registered sources.
#include "quil_audio_output.h"

#include <SDL.h>
#include <algorithm>
#include <cstring>

namespace quil_audio {
namespace {

constexpr int kMaxSources = 64;

struct OutputState {
    std::mutex mixMutex;       // held while mixing and while the source table changes
    std::mutex lifeMutex;      // serialises opening and closing
    int refs = 0;
    bool memory = false;
    bool noDevice = false;
    SDL_AudioDeviceID device = 0;
    Source* sources[kMaxSources] = {};
    int sourceCount = 0;
    float scratch[2 * kMaxBlockFrames] = {};
};

OutputState& State() {
    static OutputState state;
    return state;
}

// Mixes frames into out without clamping; the caller holds mixMutex.
void MixLocked(OutputState& s, float* out, int frames) {
    std::memset(out, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
    for (int done = 0; done < frames;) {
        int n = std::min(kMaxBlockFrames, frames - done);
        for (int i = 0; i < s.sourceCount; ++i) s.sources[i]->Mix(out + 2 * done, n);
        done += n;
    }
}

void Clamp(float* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

void SDLCALL Callback(void* user, Uint8* stream, int len) {
    auto& s = *static_cast<OutputState*>(user);
    int frames = len / static_cast<int>(2 * sizeof(float));
    float* out = reinterpret_cast<float*>(stream);
    std::lock_guard<std::mutex> lock(s.mixMutex);
    MixLocked(s, out, frames);
    Clamp(out, 2 * frames);
}

bool OpenDevice(OutputState& s) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = Callback;
    want.userdata = &s;
    SDL_AudioSpec have{};
    s.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (s.device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(s.device, 0);
    return true;
}

}  // namespace

bool AcquireOutput() {
    auto& s = State();
    std::lock_guard<std::mutex> life(s.lifeMutex);
    if (s.refs > 0) {
        ++s.refs;
        return true;
    }
    if (s.noDevice) return false;
    if (!s.memory && !OpenDevice(s)) return false;
    s.refs = 1;
    return true;
}

void ReleaseOutput() {
    auto& s = State();
    std::lock_guard<std::mutex> life(s.lifeMutex);
    if (s.refs == 0) return;
    if (--s.refs > 0) return;
    if (s.device != 0) {
        SDL_CloseAudioDevice(s.device);
        s.device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool OutputOpen() {
    auto& s = State();
    std::lock_guard<std::mutex> life(s.lifeMutex);
    return s.refs > 0;
}

void AddSource(Source* source) {
    auto& s = State();
    std::lock_guard<std::mutex> lock(s.mixMutex);
    for (int i = 0; i < s.sourceCount; ++i) {
        if (s.sources[i] == source) return;
    }
    if (s.sourceCount < kMaxSources) s.sources[s.sourceCount++] = source;
}

void RemoveSource(Source* source) {
    auto& s = State();
    std::lock_guard<std::mutex> lock(s.mixMutex);
    for (int i = 0; i < s.sourceCount; ++i) {
        if (s.sources[i] == source) {
            s.sources[i] = s.sources[--s.sourceCount];
            s.sources[s.sourceCount] = nullptr;
            return;
        }
    }
}

std::mutex& OutputMutex() { return State().mixMutex; }

void UseMemoryOutput(bool on) {
    auto& s = State();
    std::lock_guard<std::mutex> life(s.lifeMutex);
    s.memory = on;
}

void SimulateNoDevice(bool on) {
    auto& s = State();
    std::lock_guard<std::mutex> life(s.lifeMutex);
    s.noDevice = on;
}

void Render(float* out, int frames) {
    if (!out || frames <= 0) return;
    auto& s = State();
    std::lock_guard<std::mutex> lock(s.mixMutex);
    MixLocked(s, out, frames);
    Clamp(out, 2 * frames);
}

}  // namespace quil_audio
