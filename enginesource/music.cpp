// Background music: the DirectMusic loader and performance, loading MIDI files as
// segments, playing one at a time and the default audio path's volume.
#include "music.h"

#include <cstring>

#include "comrelease.h"
#include "memorycontroller.h"
#include "trap.h"

namespace {
constexpr LONG kSilent = -9600;
}

MusicManager::MusicManager() : m_pLoader(nullptr), m_pPerformance(nullptr), m_bInitialised(false), m_iVolume(0) {}

MusicManager* GetMusicManager() {
    static MusicManager manager;
    return &manager;
}

// Creates the loader and the performance and starts the synthesiser on a stereo
// path (mono when stereo cannot be had); any failure leaves the game without music.
uint32_t MusicManager::Init() {
    if (m_bInitialised) return 0;
    ReleaseAndNull(m_pLoader);  // left from an earlier failed start
    CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8,
                     reinterpret_cast<void**>(&m_pLoader));
    if (!m_pLoader) {
        DebugLog("Could not create Direct Music Loader\n");
        return 0;
    }
    CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC, IID_IDirectMusicPerformance8,
                     reinterpret_cast<void**>(&m_pPerformance));
    if (!m_pPerformance) {
        DebugLog("Could not create Direct Music Performance\n");
        return 0;
    }
    m_bInitialised = true;
    if (SUCCEEDED(m_pPerformance->InitAudio(nullptr, nullptr, nullptr, DMUS_APATH_DYNAMIC_STEREO, 64,
                                            DMUS_AUDIOF_ALL, nullptr)))
        return 0;
    if (SUCCEEDED(m_pPerformance->InitAudio(nullptr, nullptr, nullptr, DMUS_APATH_DYNAMIC_MONO, 64,
                                            DMUS_AUDIOF_ALL, nullptr)))
        return 0;
    m_bInitialised = false;
    ReleaseAndNull(m_pLoader);
    ReleaseAndNull(m_pPerformance);
    return 0;
}

uint32_t MusicManager::Shutdown() {
    if (m_bInitialised) {
        m_pPerformance->Stop(nullptr, nullptr, 0, 0);
        m_pPerformance->CloseDown();
        m_bInitialised = false;
    }
    // Without a started synthesiser only a loader from a failed start may be left.
    ReleaseAndNull(m_pLoader);
    ReleaseAndNull(m_pPerformance);
    return 0;
}

MusicTrack* MusicManager::LoadMusic(const wchar_t* fileName) {
    if (!m_bInitialised) return nullptr;
    MusicTrack* track = static_cast<MusicTrack*>(MemoryController::Alloc(sizeof(MusicTrack), "Music Obj"));
    if (!track) {
        DebugLog("Could not allocate memory for the music object\n");
        return nullptr;
    }
    track->pSegment = nullptr;
    if (!fileName ||
        FAILED(m_pLoader->LoadObjectFromFile(CLSID_DirectMusicSegment, IID_IDirectMusicSegment8,
                                             const_cast<WCHAR*>(fileName),
                                             reinterpret_cast<void**>(&track->pSegment))) ||
        !track->pSegment) {
        DebugLog("Could not load music\n");
        if (track->pSegment) track->pSegment->Release();
        MemoryController::Free(&track);
        return nullptr;
    }
    track->pSegment->Download(m_pPerformance);
    return track;
}

void MusicManager::FreeMusic(MusicTrack* track) {
    if (!m_bInitialised || !track) return;
    if (track->pSegment) track->pSegment->Release();
    MemoryController::Free(&track);
}

void MusicManager::PlayMusic(MusicTrack* track) {
    if (!m_bInitialised || !track) return;
    Stop();
    m_pPerformance->PlaySegment(track->pSegment, 0, 0, nullptr);
    RestoreVolume();
}

void MusicManager::Stop() {
    if (!m_bInitialised) return;
    m_pPerformance->Stop(nullptr, nullptr, 0, 0);
}

bool MusicManager::SetPathVolume(LONG volume, DWORD milliseconds) {
    IDirectMusicAudioPath8* path = nullptr;
    m_pPerformance->GetDefaultAudioPath(&path);
    if (!path) return false;
    path->SetVolume(volume, milliseconds);
    path->Release();
    return true;
}

// Maps 0..1 onto -9600..0 hundredths of a decibel: trunc(9600 x v) - 9600, the
// single-precision factor multiplied exactly (0.9 gives -961).
void MusicManager::SetVolume(float volume) {
    if (!m_bInitialised) return;
    if (volume > 1.0f) volume = 1.0f;
    else if (!(volume >= 0.0f)) volume = 0.0f;
    LONG hundredths = static_cast<LONG>(9600.0 * static_cast<double>(volume)) - 9600;
    if (SetPathVolume(hundredths, 0)) m_iVolume = hundredths;
}

void MusicManager::RestoreVolume() {
    if (!m_bInitialised) return;
    SetPathVolume(m_iVolume, 0);
}

void MusicManager::FadeOut(uint32_t milliseconds) {
    if (!m_bInitialised) return;
    SetPathVolume(kSilent, milliseconds);
}

void MusicManager::FadeIn(uint32_t milliseconds) {
    if (!m_bInitialised) return;
    SetPathVolume(m_iVolume, milliseconds);
}
