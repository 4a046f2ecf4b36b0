// Sound effects through DirectSound: WAV files loaded into N static buffers each,
// plays rotating through the copies; silent running when there is no sound device.
#pragma once
#include <cstdint>
#include "dsound.h"

// A loaded effect: the whole file image and its buffers (the first made and filled,
// the others duplicates sharing its samples).
struct Sound {
    BYTE* pData;                // first sample byte, inside the file image
    DWORD dwDataSize;           // bytes of sample data
    DWORD dwBufferCount;        // at least 1
    DWORD dwLast;               // index of the buffer used last
    BYTE* pFileImage;           // the whole file
    IDirectSoundBuffer** ppBuffers;  // dwBufferCount entries, room for one more
};

class SoundManager {
public:
    SoundManager();

    uint32_t Init();
    uint32_t Shutdown();

    // Loads a WAV file with copies buffers (0 counts as 1); null when it cannot.
    Sound* LoadSound(const char* fileName, uint32_t copies);
    void FreeSound(Sound* sound);
    // Plays the next free copy; flags 0 or DSBPLAY_LOOPING (one-copy sounds only).
    void PlaySound(Sound* sound, uint32_t flags);
    // Stops and rewinds the copy used last.
    void StopSound(Sound* sound);
    // Sets the volume (1 full, 0 silent) of the copy used last and rewinds it.
    void SetSoundVolume(Sound* sound, float volume);
    // 0 with a listener in *listener, 1 when none can be had.
    uint32_t Get3DListener(IDirectSound3DListener** listener);

    // Walks the chunks of a RIFF WAVE image of length bytes: 0 found format and data
    // (format copied out, data pointing into the image), 1 no usable chunks or a chunk
    // running past the image, 2 not RIFF WAVE, 3 a 'fmt ' chunk under 14 bytes.
    static int ParseWav(const BYTE* image, uint32_t length, WAVEFORMATEX* format, const BYTE** data,
                        DWORD* size);

private:
    IDirectSoundBuffer* GetFreeBuffer(Sound* sound);
    uint32_t SetPrimaryBufferFormat(uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample);
    IDirectSoundBuffer* CreateSoundBuffer(Sound* sound, WAVEFORMATEX* format);
    uint32_t FillSoundBuffer(IDirectSoundBuffer* buffer, const void* data, uint32_t size);
    int32_t LoadWav(const char* file, BYTE** image, WAVEFORMATEX* format, BYTE** data, DWORD* size);

    IDirectSound8* m_pDS;
    BOOL m_bEnabled;
};

SoundManager* GetSoundManager();
