// Wave format descriptions shared by the sound interfaces.
#pragma once
#include "windef.h"

#define WAVE_FORMAT_PCM 1

// Byte-packed as in a RIFF 'fmt ' chunk, so a pointer into a file image may be read through it.
#pragma pack(push, 1)
typedef struct tWAVEFORMATEX {
    WORD  wFormatTag;
    WORD  nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD  nBlockAlign;
    WORD  wBitsPerSample;
    WORD  cbSize;
} WAVEFORMATEX, *PWAVEFORMATEX, *LPWAVEFORMATEX;
#pragma pack(pop)
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;
