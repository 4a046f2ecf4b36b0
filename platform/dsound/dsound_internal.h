// Internal classes of the DirectSound stand-in: the device (a mixer source), its
// buffers and the sample blocks that duplicates share.
#pragma once
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "dsound.h"
#include "quil_audio_output.h"
#include "quil_com.h"

namespace quil_dsound {

// A very short lock for a voice's control state, taken by the game thread for a
// call and by the mixer once per block: never held across anything that waits.
class SpinLock {
public:
    void lock() {
        for (int spins = 0; flag_.test_and_set(std::memory_order_acquire); ++spins) {
            if (spins >= 64) std::this_thread::yield();  // the holder was descheduled
        }
    }
    void unlock() { flag_.clear(std::memory_order_release); }

private:
    std::atomic_flag flag_ = ATOMIC_FLAG_INIT;
};

// The samples of a secondary buffer, shared by its duplicates.
struct SampleBlock {
    std::atomic<int> refs{1};
    std::vector<uint8_t> bytes;
    WAVEFORMATEX format{};
    uint32_t frames = 0;  // whole sample frames in bytes

    void AddRef() { refs.fetch_add(1, std::memory_order_relaxed); }
    void Release() {
        if (refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }
};

// What the mixer reads of a voice, copied under the voice's lock once per block.
struct VoiceControl {
    bool playing = false;
    bool looping = false;
    uint64_t position = 0;  // sample frames, 32.32 fixed point
    LONG volume = 0;
    float gain = 1.0f;
    uint32_t generation = 0;  // counts game-thread changes, so the mixer never overwrites one
};

class Device;

// A primary or secondary buffer.
class Buffer final : public quil_com::RefCounted<IDirectSoundBuffer8> {
public:
    // A secondary buffer over block (one reference taken); control copies another voice's settings.
    Buffer(Device* device, DWORD flags, SampleBlock* block, const VoiceControl* control);
    // A primary buffer.
    Buffer(Device* device, DWORD flags);

    HRESULT QueryInterface(REFIID iid, void** out) override;
    HRESULT GetCurrentPosition(LPDWORD playCursor, LPDWORD writeCursor) override;
    HRESULT GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) override;
    HRESULT GetVolume(LPLONG volume) override;
    HRESULT GetStatus(LPDWORD status) override;
    HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, LPDWORD audioBytes1,
                 LPVOID* audioPtr2, LPDWORD audioBytes2, DWORD flags) override;
    HRESULT Play(DWORD reserved1, DWORD priority, DWORD flags) override;
    HRESULT SetCurrentPosition(DWORD newPosition) override;
    HRESULT SetFormat(LPCWAVEFORMATEX format) override;
    HRESULT SetVolume(LONG volume) override;
    HRESULT Stop() override;
    HRESULT Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2, DWORD audioBytes2) override;
    HRESULT Restore() override;

    bool IsPrimary() const { return primary_; }
    DWORD Flags() const { return flags_; }
    SampleBlock* Block() const { return block_; }
    VoiceControl ControlSnapshot();
    // Mixes this voice into out; runs on the mixer with the output lock held.
    void MixInto(float* out, int frames);

    Buffer* next = nullptr;  // the device's voice list, guarded by the output lock

private:
    ~Buffer() override;

    Device* device_;
    DWORD flags_;
    bool primary_;
    SampleBlock* block_ = nullptr;
    WAVEFORMATEX primaryFormat_{};
    SpinLock lock_;
    VoiceControl control_;
};

// The device: owns the voice list and mixes it as one source of the audio output.
class Device final : public quil_com::RefCounted<IDirectSound8>, public quil_audio::Source {
public:
    Device();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer, LPUNKNOWN outer) override;
    HRESULT DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original, LPDIRECTSOUNDBUFFER* duplicate) override;
    HRESULT SetCooperativeLevel(HWND window, DWORD level) override;
    HRESULT Compact() override;

    void Mix(float* out, int frames) override;

    DWORD CooperativeLevel() const { return level_.load(std::memory_order_relaxed); }
    // Called by a secondary buffer as it is made and as it goes.
    void AddVoice(Buffer* voice);
    void RemoveVoice(Buffer* voice);

private:
    ~Device() override;

    std::atomic<DWORD> level_{0};
    Buffer* voices_ = nullptr;  // guarded by the output lock
};

// The volume law: hundredths of a decibel to an amplitude factor; DSBVOLUME_MIN and below are silent.
float VolumeToGain(LONG hundredthsDb);
// Checks a secondary buffer's wave format: PCM, 1 or 2 channels, 8 or 16 bits, a sane rate.
bool FormatSupported(const WAVEFORMATEX& format);

}  // namespace quil_dsound
