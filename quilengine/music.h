// Background music through DirectMusic: MIDI files as segments, one playing at a
// time, its volume a number from 0 to 1 on the default audio path.
#pragma once
#include <cstdint>
#include "dmusici.h"

// A loaded piece of music.
struct MusicTrack {
    IDirectMusicSegment8* pSegment;
};

class MusicManager {
public:
    MusicManager();

    uint32_t Init();
    uint32_t Shutdown();

    // Loads a MIDI file (a UTF-16 name relative to the working directory); null when it cannot.
    MusicTrack* LoadMusic(const wchar_t* fileName);
    void FreeMusic(MusicTrack* track);
    // Stops what plays, plays the track once and re-applies the stored volume.
    void PlayMusic(MusicTrack* track);
    void Stop();
    // Clamped to 0..1 and stored for later plays.
    void SetVolume(float volume);
    void RestoreVolume();
    void FadeOut(uint32_t milliseconds);
    void FadeIn(uint32_t milliseconds);

private:
    // Sets the default audio path's volume (released again after use); false without a path.
    bool SetPathVolume(LONG volume, DWORD milliseconds);

    IDirectMusicLoader8* m_pLoader;
    IDirectMusicPerformance8* m_pPerformance;
    bool m_bInitialised;
    int32_t m_iVolume;
};

MusicManager* GetMusicManager();
