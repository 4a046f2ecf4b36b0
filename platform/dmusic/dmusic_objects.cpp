// The DirectMusic classes: loader, segment, segment state, performance and audio path.
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "dmusici.h"
#include "music_core.h"
#include "music_files.h"
#include "quil_com.h"

namespace quil_dmusic {
namespace {

constexpr size_t kMaxMidiFileBytes = 16u << 20;

class Segment final : public quil_com::RefCounted<IDirectMusicSegment8> {
public:
    explicit Segment(std::shared_ptr<const MidiSong> song) : song_(std::move(song)) {}
    HRESULT QueryInterface(REFIID iid, void** out) override {
        return quil_com::Answer(this, iid, out, IID_IDirectMusicSegment8);
    }
    // The synthesiser's one sound font serves every song: nothing to hand over.
    HRESULT Download(IUnknown* target) override { return target ? S_OK : E_POINTER; }
    const std::shared_ptr<const MidiSong>& Song() const { return song_; }

private:
    std::shared_ptr<const MidiSong> song_;
};

class SegmentState final : public quil_com::RefCounted<IDirectMusicSegmentState8> {
public:
    explicit SegmentState(Segment* segment) : segment_(segment) { segment_->AddRef(); }
    HRESULT QueryInterface(REFIID iid, void** out) override {
        return quil_com::Answer(this, iid, out, IID_IDirectMusicSegmentState8);
    }
    Segment* segment() const { return segment_; }

private:
    ~SegmentState() override { segment_->Release(); }
    Segment* segment_;
};

class AudioPath final : public quil_com::RefCounted<IDirectMusicAudioPath8> {
public:
    explicit AudioPath(std::shared_ptr<MusicCore> core) : core_(std::move(core)) {}
    HRESULT QueryInterface(REFIID iid, void** out) override {
        return quil_com::Answer(this, iid, out, IID_IDirectMusicAudioPath8);
    }
    HRESULT SetVolume(LONG volume, DWORD duration) override {
        if (volume > 0 || volume < DMUS_VOLUME_SILENT) return E_INVALIDARG;
        if (!core_->IsOpen()) return DMUS_E_NOT_INIT;
        core_->SetVolume(volume, duration);
        return S_OK;
    }

private:
    std::shared_ptr<MusicCore> core_;
};

class Performance final : public quil_com::RefCounted<IDirectMusicPerformance8> {
public:
    Performance() : core_(std::make_shared<MusicCore>()) {}
    HRESULT QueryInterface(REFIID iid, void** out) override {
        return quil_com::Answer(this, iid, out, IID_IDirectMusicPerformance8);
    }

    HRESULT InitAudio(IDirectMusic** directMusic, IDirectSound** directSound, HWND, DWORD pathType, DWORD,
                      DWORD, DMUS_AUDIOPARAMS*) override {
        if (core_->IsOpen()) return DMUS_E_ALREADY_INITED;
        if (directMusic) *directMusic = nullptr;
        if (directSound) *directSound = nullptr;
        bool mono = false, reverb = false;
        switch (pathType) {
            case 0: break;  // no default path asked for
            case DMUS_APATH_SHARED_STEREOPLUSREVERB: reverb = true; break;
            case DMUS_APATH_DYNAMIC_STEREO: break;
            case DMUS_APATH_DYNAMIC_MONO:
            case DMUS_APATH_DYNAMIC_3D: mono = true; break;
            default: return E_INVALIDARG;
        }
        if (!core_->Open(mono, reverb)) return E_FAIL;
        if (pathType != 0) {
            path_ = new (std::nothrow) AudioPath(core_);
            if (!path_) {
                core_->Close();
                return E_OUTOFMEMORY;
            }
        }
        return S_OK;
    }

    HRESULT PlaySegment(IDirectMusicSegment8* segment, DWORD, LONGLONG, IDirectMusicSegmentState8** state) override {
        if (state) *state = nullptr;
        auto* seg = dynamic_cast<Segment*>(segment);
        if (!seg) return E_POINTER;
        if (!core_->IsOpen()) return DMUS_E_NOT_INIT;
        std::shared_ptr<const MidiSong> previous = std::move(song_);
        song_ = seg->Song();
        core_->Play(song_.get(), seg);
        if (state) *state = new (std::nothrow) SegmentState(seg);
        return S_OK;  // previous is freed here, after the mixer let go of it
    }

    HRESULT Stop(IDirectMusicSegment8* segment, IDirectMusicSegmentState8* state, MUSIC_TIME, DWORD) override {
        if (!core_->IsOpen()) return DMUS_E_NOT_INIT;
        const void* owner = segment;
        if (auto* s = dynamic_cast<SegmentState*>(state)) owner = s->segment();
        if (owner && !core_->IsPlaying(owner)) return S_OK;
        core_->Stop();
        song_.reset();
        return S_OK;
    }

    HRESULT IsPlaying(IDirectMusicSegment8* segment, IDirectMusicSegmentState8* state) override {
        const void* owner = segment;
        if (auto* s = dynamic_cast<SegmentState*>(state)) owner = s->segment();
        return core_->IsOpen() && core_->IsPlaying(owner) ? S_OK : S_FALSE;
    }

    HRESULT CloseDown() override {
        core_->Close();
        song_.reset();
        if (path_) {
            path_->Release();
            path_ = nullptr;
        }
        return S_OK;
    }

    HRESULT GetDefaultAudioPath(IDirectMusicAudioPath8** audioPath) override {
        if (!audioPath) return E_POINTER;
        *audioPath = nullptr;
        if (!core_->IsOpen()) return DMUS_E_NOT_INIT;
        if (!path_) return DMUS_E_AUDIOPATHS_NOT_VALID;
        path_->AddRef();
        *audioPath = path_;
        return S_OK;
    }

private:
    ~Performance() override { CloseDown(); }

    std::shared_ptr<MusicCore> core_;
    std::shared_ptr<const MidiSong> song_;  // what the mixer plays, kept alive here
    AudioPath* path_ = nullptr;
};

class Loader final : public quil_com::RefCounted<IDirectMusicLoader8> {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        return quil_com::Answer(this, iid, out, IID_IDirectMusicLoader8);
    }

    HRESULT LoadObjectFromFile(REFGUID classId, REFIID iid, WCHAR* filePath, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!filePath) return E_POINTER;
        if (classId != CLSID_DirectMusicSegment) return DMUS_E_LOADER_FORMATNOTSUPPORTED;
        if (iid != IID_IDirectMusicSegment8 && iid != IID_IUnknown) return E_NOINTERFACE;
        std::vector<uint8_t> bytes;
        std::string path = ResolveFileName(WideToUtf8(filePath));
        if (path.empty() || !ReadWholeFile(path, kMaxMidiFileBytes, bytes)) return DMUS_E_LOADER_FAILEDOPEN;
        auto song = std::make_shared<MidiSong>();
        if (!ParseMidiFile(bytes.data(), bytes.size(), quil_audio::kOutputRate, *song, nullptr))
            return DMUS_E_UNSUPPORTED_STREAM;
        auto* segment = new (std::nothrow) Segment(std::move(song));
        if (!segment) return E_OUTOFMEMORY;
        *object = static_cast<IDirectMusicSegment8*>(segment);
        return S_OK;
    }
};

template <class T, class Interface>
HRESULT Make(REFIID iid, LPVOID* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* object = new (std::nothrow) T;
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

}  // namespace
}  // namespace quil_dmusic

void QuilRegisterDirectMusicClasses() {
    using namespace quil_dmusic;
    QuilRegisterClass(CLSID_DirectMusicLoader, &Make<Loader, IDirectMusicLoader8>);
    QuilRegisterClass(CLSID_DirectMusicPerformance, &Make<Performance, IDirectMusicPerformance8>);
}
