// The DirectSound device: creation over the shared audio output, buffer creation
// and duplication, and the mix of all its voices.
#include <algorithm>
#include <cmath>
#include <new>

#include "dsound_internal.h"

namespace quil_dsound {

float VolumeToGain(LONG hundredthsDb) {
    if (hundredthsDb <= DSBVOLUME_MIN) return 0.0f;
    if (hundredthsDb >= 0) return 1.0f;
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

bool FormatSupported(const WAVEFORMATEX& f) {
    if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f.nChannels != 1 && f.nChannels != 2) return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
    if (f.nSamplesPerSec < DSBFREQUENCY_MIN || f.nSamplesPerSec > DSBFREQUENCY_MAX) return false;
    return f.nBlockAlign == f.nChannels * (f.wBitsPerSample / 8);
}

Device::Device() { quil_audio::AddSource(this); }

Device::~Device() {
    quil_audio::RemoveSource(this);
    quil_audio::ReleaseOutput();
}

HRESULT Device::QueryInterface(REFIID iid, void** out) {
    return quil_com::Answer(static_cast<IDirectSound8*>(this), iid, out, IID_IDirectSound, IID_IDirectSound8);
}

HRESULT Device::SetCooperativeLevel(HWND, DWORD level) {
    if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
    level_.store(level, std::memory_order_relaxed);
    return DS_OK;
}

HRESULT Device::Compact() { return DS_OK; }

HRESULT Device::CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer, LPUNKNOWN outer) {
    if (!buffer) return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    if (!desc || desc->dwSize < 20) return DSERR_INVALIDPARAM;
    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
        if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) return DSERR_INVALIDPARAM;
        Buffer* primary = new (std::nothrow) Buffer(this, desc->dwFlags);
        if (!primary) return DSERR_OUTOFMEMORY;
        *buffer = primary;
        return DS_OK;
    }
    if (!desc->lpwfxFormat) return DSERR_INVALIDPARAM;
    if (!FormatSupported(*desc->lpwfxFormat)) return DSERR_BADFORMAT;
    if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
    uint32_t frames = desc->dwBufferBytes / desc->lpwfxFormat->nBlockAlign;
    if (frames == 0) return DSERR_INVALIDPARAM;

    SampleBlock* block = new (std::nothrow) SampleBlock;
    if (!block) return DSERR_OUTOFMEMORY;
    try {
        block->bytes.assign(desc->dwBufferBytes, 0);
    } catch (const std::bad_alloc&) {
        delete block;
        return DSERR_OUTOFMEMORY;
    }
    // An 8-bit buffer starts out silent at its midpoint value.
    if (desc->lpwfxFormat->wBitsPerSample == 8) std::fill(block->bytes.begin(), block->bytes.end(), 0x80);
    block->format = *desc->lpwfxFormat;
    block->format.cbSize = 0;
    block->frames = frames;
    Buffer* made = new (std::nothrow) Buffer(this, desc->dwFlags, block, nullptr);
    block->Release();  // the buffer holds its own reference
    if (!made) return DSERR_OUTOFMEMORY;
    *buffer = made;
    return DS_OK;
}

HRESULT Device::DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original, LPDIRECTSOUNDBUFFER* duplicate) {
    if (!duplicate) return DSERR_INVALIDPARAM;
    *duplicate = nullptr;
    auto* source = dynamic_cast<Buffer*>(original);
    if (!source || source->IsPrimary()) return DSERR_INVALIDCALL;
    VoiceControl control = source->ControlSnapshot();
    Buffer* made = new (std::nothrow) Buffer(this, source->Flags(), source->Block(), &control);
    if (!made) return DSERR_OUTOFMEMORY;
    *duplicate = made;
    return DS_OK;
}

void Device::AddVoice(Buffer* voice) {
    std::lock_guard<std::mutex> lock(quil_audio::OutputMutex());
    voice->next = voices_;
    voices_ = voice;
}

void Device::RemoveVoice(Buffer* voice) {
    std::lock_guard<std::mutex> lock(quil_audio::OutputMutex());
    for (Buffer** link = &voices_; *link; link = &(*link)->next) {
        if (*link == voice) {
            *link = voice->next;
            voice->next = nullptr;
            return;
        }
    }
}

void Device::Mix(float* out, int frames) {
    for (Buffer* v = voices_; v; v = v->next) v->MixInto(out, frames);
}

}  // namespace quil_dsound

HRESULT DirectSoundCreate8(LPCGUID, LPDIRECTSOUND8* ds, LPUNKNOWN outer) {
    if (!ds) return DSERR_INVALIDPARAM;
    *ds = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    if (!quil_audio::AcquireOutput()) return DSERR_NODRIVER;
    auto* device = new (std::nothrow) quil_dsound::Device;
    if (!device) {
        quil_audio::ReleaseOutput();
        return DSERR_OUTOFMEMORY;
    }
    *ds = device;
    return DS_OK;
}
