// The platform's one audio output: an SDL audio device (or, for tests, memory)
// into which the DirectSound mixer and the DirectMusic synthesiser mix their sources.
#pragma once
#include <mutex>

namespace quil_audio {

// Every source is mixed at this rate, in interleaved stereo floats.
constexpr int kOutputRate = 44100;
// Sources are asked for at most this many frames at a time.
constexpr int kMaxBlockFrames = 1024;

// Something that adds sound to the output. Mix runs with the output lock held,
// on the audio thread (or in Render), and must neither allocate nor block.
class Source {
public:
    virtual ~Source() = default;
    // Adds frames stereo frames into out (2 x frames floats, already holding the mix so far).
    virtual void Mix(float* out, int frames) = 0;
};

// Opens the output on first use (reference counted); false when no device can be opened.
bool AcquireOutput();
// Drops one reference; the device closes with the last one.
void ReleaseOutput();
// True while the output is open.
bool OutputOpen();

// Adds or removes a source; both wait for a mix in progress to end.
void AddSource(Source* source);
void RemoveSource(Source* source);

// The lock the mixer holds while it mixes. Game-thread code that changes what a
// source reads (other than through its own brief per-voice locks) holds it.
std::mutex& OutputMutex();

// Tests: while on, AcquireOutput opens no device and the mix is produced only by Render.
void UseMemoryOutput(bool on);
// Tests: while on, AcquireOutput fails as if there were no audio device.
void SimulateNoDevice(bool on);
// Mixes every source into out (2 x frames floats), clamped to -1..1, as the device would play it.
void Render(float* out, int frames);

}  // namespace quil_audio
