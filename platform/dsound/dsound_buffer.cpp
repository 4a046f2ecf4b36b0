// Sound buffers: the primary buffer's format, secondary buffers' control calls
// and the per-voice mixing (format conversion, resampling and volume).
#include <cstring>
#include <mutex>
#include <new>

#include "dsound_internal.h"
#include "quil_bytes.h"

namespace quil_dsound {
namespace {

// The listener of 3D sound: handed out by a primary buffer made with
// DSBCAPS_CTRL3D; the mix has no 3D voices, so it offers nothing more.
class Listener final : public quil_com::RefCounted<IDirectSound3DListener> {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        return quil_com::Answer(this, iid, out, IID_IDirectSound3DListener);
    }
};

inline float SampleAt(const uint8_t* bytes, uint32_t index, bool sixteen) {
    if (sixteen) {
        const uint8_t* p = bytes + 2 * static_cast<size_t>(index);
        int16_t v = static_cast<int16_t>(quil_platform::ReadLe16(p));
        return v * (1.0f / 32768.0f);
    }
    return (static_cast<int>(bytes[index]) - 128) * (1.0f / 128.0f);
}

}  // namespace

Buffer::Buffer(Device* device, DWORD flags, SampleBlock* block, const VoiceControl* control)
    : device_(device), flags_(flags), primary_(false), block_(block) {
    device_->AddRef();
    block_->AddRef();
    if (control) {
        control_.volume = control->volume;
        control_.gain = control->gain;
    }
    device_->AddVoice(this);
}

Buffer::Buffer(Device* device, DWORD flags) : device_(device), flags_(flags), primary_(true) {
    device_->AddRef();
    primaryFormat_.wFormatTag = WAVE_FORMAT_PCM;
    primaryFormat_.nChannels = 2;
    primaryFormat_.nSamplesPerSec = 22050;
    primaryFormat_.wBitsPerSample = 8;
    primaryFormat_.nBlockAlign = 2;
    primaryFormat_.nAvgBytesPerSec = 44100;
}

Buffer::~Buffer() {
    if (!primary_) {
        device_->RemoveVoice(this);
        block_->Release();
    }
    device_->Release();
}

HRESULT Buffer::QueryInterface(REFIID iid, void** out) {
    // A 3D primary buffer hands out a new listener each time it is asked.
    if (out && iid == IID_IDirectSound3DListener && primary_ && (flags_ & DSBCAPS_CTRL3D)) {
        auto* listener = new (std::nothrow) Listener;
        *out = listener;
        return listener ? S_OK : E_OUTOFMEMORY;
    }
    return quil_com::Answer(static_cast<IDirectSoundBuffer8*>(this), iid, out, IID_IDirectSoundBuffer,
                            IID_IDirectSoundBuffer8);
}

VoiceControl Buffer::ControlSnapshot() {
    std::lock_guard<SpinLock> guard(lock_);
    return control_;
}

HRESULT Buffer::GetCurrentPosition(LPDWORD playCursor, LPDWORD writeCursor) {
    if (primary_) {
        if (playCursor) *playCursor = 0;
        if (writeCursor) *writeCursor = 0;
        return DS_OK;
    }
    VoiceControl c = ControlSnapshot();
    DWORD align = block_->format.nBlockAlign;
    DWORD size = static_cast<DWORD>(block_->bytes.size());
    DWORD play = static_cast<DWORD>(c.position >> 32) * align;
    if (play >= size) play = 0;
    // The write cursor runs about one output block ahead of the play cursor while playing.
    DWORD ahead = 0;
    if (c.playing) {
        ahead = static_cast<DWORD>(static_cast<uint64_t>(block_->format.nSamplesPerSec) * quil_audio::kMaxBlockFrames /
                                   quil_audio::kOutputRate) * align;
    }
    if (playCursor) *playCursor = play;
    if (writeCursor) *writeCursor = static_cast<DWORD>((static_cast<uint64_t>(play) + ahead) % size);
    return DS_OK;
}

HRESULT Buffer::GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) {
    const WAVEFORMATEX& f = primary_ ? primaryFormat_ : block_->format;
    DWORD need = sizeof(WAVEFORMATEX);
    if (!format) {
        if (!sizeWritten) return DSERR_INVALIDPARAM;
        *sizeWritten = need;
        return DS_OK;
    }
    DWORD n = sizeAllocated < need ? sizeAllocated : need;
    std::memcpy(format, &f, n);
    if (sizeWritten) *sizeWritten = n;
    return DS_OK;
}

HRESULT Buffer::GetVolume(LPLONG volume) {
    if (!volume) return DSERR_INVALIDPARAM;
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    *volume = ControlSnapshot().volume;
    return DS_OK;
}

HRESULT Buffer::GetStatus(LPDWORD status) {
    if (!status) return DSERR_INVALIDPARAM;
    *status = 0;
    if (primary_) return DS_OK;
    VoiceControl c = ControlSnapshot();
    if (c.playing) *status = DSBSTATUS_PLAYING | (c.looping ? DSBSTATUS_LOOPING : 0);
    return DS_OK;
}

HRESULT Buffer::Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, LPDWORD audioBytes1,
                     LPVOID* audioPtr2, LPDWORD audioBytes2, DWORD flags) {
    if (!audioPtr1 || !audioBytes1) return DSERR_INVALIDPARAM;
    *audioPtr1 = nullptr;
    *audioBytes1 = 0;
    if (audioPtr2) *audioPtr2 = nullptr;
    if (audioBytes2) *audioBytes2 = 0;
    if (primary_) return DSERR_PRIOLEVELNEEDED;
    DWORD size = static_cast<DWORD>(block_->bytes.size());
    if (flags & DSBLOCK_FROMWRITECURSOR) {
        DWORD play = 0;
        GetCurrentPosition(nullptr, &play);
        offset = play;
    }
    if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
    if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
    uint8_t* base = block_->bytes.data();
    DWORD first = size - offset < bytes ? size - offset : bytes;
    *audioPtr1 = base + offset;
    *audioBytes1 = first;
    if (first < bytes) {
        if (!audioPtr2 || !audioBytes2) return DSERR_INVALIDPARAM;
        *audioPtr2 = base;
        *audioBytes2 = bytes - first;
    }
    return DS_OK;
}

HRESULT Buffer::Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID, DWORD) {
    if (primary_) return DSERR_INVALIDCALL;
    const uint8_t* base = block_->bytes.data();
    const uint8_t* p = static_cast<const uint8_t*>(audioPtr1);
    if (!p || p < base || p + audioBytes1 > base + block_->bytes.size()) return DSERR_INVALIDPARAM;
    return DS_OK;
}

HRESULT Buffer::Play(DWORD, DWORD, DWORD flags) {
    if (primary_) return DS_OK;
    std::lock_guard<SpinLock> guard(lock_);
    // Playing again only changes the looping flag; the voice keeps its place.
    if (!control_.playing) ++control_.generation;
    control_.playing = true;
    control_.looping = (flags & DSBPLAY_LOOPING) != 0;
    return DS_OK;
}

HRESULT Buffer::Stop() {
    if (primary_) return DS_OK;
    std::lock_guard<SpinLock> guard(lock_);
    control_.playing = false;
    ++control_.generation;
    return DS_OK;
}

HRESULT Buffer::SetCurrentPosition(DWORD newPosition) {
    if (primary_) return DSERR_INVALIDCALL;
    if (newPosition >= block_->bytes.size()) return DSERR_INVALIDPARAM;
    uint64_t frame = newPosition / block_->format.nBlockAlign;
    if (frame >= block_->frames) frame = 0;
    std::lock_guard<SpinLock> guard(lock_);
    control_.position = frame << 32;
    ++control_.generation;
    return DS_OK;
}

HRESULT Buffer::SetFormat(LPCWAVEFORMATEX format) {
    if (!primary_) return DSERR_INVALIDCALL;
    if (!format) return DSERR_INVALIDPARAM;
    if (device_->CooperativeLevel() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
    if (!FormatSupported(*format)) return DSERR_BADFORMAT;
    // The output keeps mixing at its own rate; the format is kept for GetFormat.
    primaryFormat_ = *format;
    primaryFormat_.cbSize = 0;
    return DS_OK;
}

HRESULT Buffer::SetVolume(LONG volume) {
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    if (primary_) return DS_OK;
    std::lock_guard<SpinLock> guard(lock_);
    control_.volume = volume;
    control_.gain = VolumeToGain(volume);
    return DS_OK;
}

HRESULT Buffer::Restore() { return DS_OK; }

void Buffer::MixInto(float* out, int frames) {
    VoiceControl c;
    {
        std::lock_guard<SpinLock> guard(lock_);
        if (!control_.playing) return;
        c = control_;
    }
    const SampleBlock& b = *block_;
    const uint8_t* bytes = b.bytes.data();
    const bool sixteen = b.format.wBitsPerSample == 16;
    const bool stereo = b.format.nChannels == 2;
    const uint32_t total = b.frames;
    const uint32_t rate = b.format.nSamplesPerSec;
    const uint64_t step = (static_cast<uint64_t>(rate) << 32) / quil_audio::kOutputRate;
    uint64_t pos = c.position;
    bool playing = true;

    for (int i = 0; i < frames; ++i) {
        uint32_t index = static_cast<uint32_t>(pos >> 32);
        if (index >= total) {
            if (!c.looping) {
                playing = false;
                pos = 0;
                break;
            }
            pos -= static_cast<uint64_t>(total) << 32;
            index -= total;
            if (index >= total) {  // a step longer than the buffer
                pos %= static_cast<uint64_t>(total) << 32;
                index = static_cast<uint32_t>(pos >> 32);
            }
        }
        uint32_t nextIndex = index + 1;
        if (nextIndex >= total) nextIndex = c.looping ? 0 : index;
        float t = static_cast<float>(pos & 0xFFFFFFFFu) * (1.0f / 4294967296.0f);
        float left, right;
        if (stereo) {
            float l0 = SampleAt(bytes, 2 * index, sixteen), l1 = SampleAt(bytes, 2 * nextIndex, sixteen);
            float r0 = SampleAt(bytes, 2 * index + 1, sixteen), r1 = SampleAt(bytes, 2 * nextIndex + 1, sixteen);
            left = l0 + (l1 - l0) * t;
            right = r0 + (r1 - r0) * t;
        } else {
            float s0 = SampleAt(bytes, index, sixteen), s1 = SampleAt(bytes, nextIndex, sixteen);
            left = right = s0 + (s1 - s0) * t;
        }
        out[2 * i] += left * c.gain;
        out[2 * i + 1] += right * c.gain;
        pos += step;
    }
    if (playing && (pos >> 32) >= total) {
        if (c.looping) {
            pos %= static_cast<uint64_t>(total) << 32;
        } else {
            playing = false;
            pos = 0;
        }
    }

    std::lock_guard<SpinLock> guard(lock_);
    if (control_.generation != c.generation) return;  // the game changed the voice meanwhile
    control_.position = pos;
    control_.playing = playing;
}

}  // namespace quil_dsound
