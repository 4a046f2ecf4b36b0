// Sound effects: DirectSound set-up, WAV loading into static buffers and their
// duplicates, and playing with a rotation through the copies.
#include "sound.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "comrelease.h"
#include "file.h"
#include "memorycontroller.h"
#include "pcsystem.h"
#include "trap.h"
#include "winuser.h"

namespace {

uint32_t ReadLe32(const BYTE* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// A volume factor to hundredths of a decibel: trunc(10000 x v) - 10000, kept inside
// the range of a LONG so that absurd factors reach DirectSound as absurd values.
LONG VolumeToHundredths(float v) {
    double product = std::trunc(10000.0 * static_cast<double>(v));
    if (!(product >= -2147473648.0)) product = -2147473648.0;  // also catches NaN
    if (product > 2147483647.0) product = 2147483647.0;
    return static_cast<LONG>(product - 10000.0);
}

}  // namespace

SoundManager::SoundManager() : m_pDS(nullptr), m_bEnabled(FALSE) {}

SoundManager* GetSoundManager() {
    static SoundManager manager;
    return &manager;
}

// Opens the sound device with priority level and a 22 kHz 16-bit stereo primary
// format; without a device says so once and runs silent.
uint32_t SoundManager::Init() {
    DebugLog("Initialising Sound System\n");
    ReleaseAndNull(m_pDS);
    HWND window = GetPCSystem()->GetHWnd();
    if (FAILED(DirectSoundCreate8(nullptr, &m_pDS, nullptr))) {
        m_pDS = nullptr;
        MessageBoxA(window, "Cannot Initialise the Sound System\nThis program will now run with no sound",
                    "QEV Demo", MB_OK);
        m_bEnabled = FALSE;
        return 0;
    }
    if (FAILED(m_pDS->SetCooperativeLevel(window, DSSCL_PRIORITY))) {
        TrapError(__FILE__, __LINE__, "Could not SetCooperativeLevel for Sound system");
        return 1;
    }
    m_bEnabled = TRUE;
    if (SetPrimaryBufferFormat(2, 22050, 16) != 0) {
        TrapError(__FILE__, __LINE__, "Could not set the primary buffer for the sound system");
        return 1;
    }
    return 0;
}

uint32_t SoundManager::Shutdown() {
    ReleaseAndNull(m_pDS);
    m_bEnabled = FALSE;
    DebugLog("Destroying Sound System\n");
    return 0;
}

// Sets the output format through the primary buffer.
uint32_t SoundManager::SetPrimaryBufferFormat(uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample) {
    if (!m_pDS) return 1;
    DSBUFFERDESC desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(DSBUFFERDESC);
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    if (FAILED(m_pDS->CreateSoundBuffer(&desc, &primary, nullptr))) {
        TrapError(__FILE__, __LINE__, "Could not create Primary sound buffer");
        return 1;
    }
    WAVEFORMATEX format;
    std::memset(&format, 0, sizeof(format));
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = samplesPerSec;
    format.wBitsPerSample = bitsPerSample;
    format.nBlockAlign = static_cast<WORD>(bitsPerSample / 8 * channels);
    format.nAvgBytesPerSec = samplesPerSec * format.nBlockAlign;
    format.cbSize = 18;
    if (FAILED(primary->SetFormat(&format))) {
        TrapError(__FILE__, __LINE__, "Could not set the Primary buffer format");
        primary->Release();
        return 1;
    }
    primary->Release();
    return 0;
}

int SoundManager::ParseWav(const BYTE* image, uint32_t length, WAVEFORMATEX* format, const BYTE** data,
                           DWORD* size) {
    if (format) std::memset(format, 0, sizeof(*format));
    if (data) *data = nullptr;
    if (size) *size = 0;
    if (!image || length < 12 || std::memcmp(image, "RIFF", 4) != 0 || std::memcmp(image + 8, "WAVE", 4) != 0)
        return 2;
    uint64_t end = 8 + static_cast<uint64_t>(ReadLe32(image + 4));
    if (end > length) end = length;  // a RIFF size past the file ends the walk at the file's end
    bool haveFormat = false, haveData = false;
    uint64_t at = 12;
    while (at < end && at + 8 <= length) {
        const BYTE* chunk = image + at;
        uint32_t chunkSize = ReadLe32(chunk + 4);
        if (chunkSize > length - (at + 8)) return 1;  // runs past the file
        if (!haveFormat && std::memcmp(chunk, "fmt ", 4) == 0) {
            if (chunkSize < 14) return 3;
            // Only the fields present are copied: a short chunk leaves the rest zero.
            uint32_t n = chunkSize < 16 ? chunkSize : 16;
            if (format) std::memcpy(format, chunk + 8, n);
            haveFormat = true;
        } else if (!haveData && std::memcmp(chunk, "data", 4) == 0) {
            if (data) *data = chunk + 8;
            if (size) *size = chunkSize;
            haveData = true;
        }
        if (haveFormat && haveData) return 0;
        at += 8 + static_cast<uint64_t>(chunkSize) + (chunkSize & 1);
    }
    return 1;
}

// Reads a WAV file into a tagged image and finds its format and samples.
// 0 ok, 1 bad file (the image freed again), -1 cannot open.
int32_t SoundManager::LoadWav(const char* file, BYTE** image, WAVEFORMATEX* format, BYTE** data, DWORD* size) {
    if (!m_bEnabled) return 1;
    *image = nullptr;
    *data = nullptr;
    *size = 0;
    if (!file) return -1;
    FILE* f = std::fopen(File::ResolveName(file).c_str(), "rb");
    if (!f) return -1;
    long length = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) length = std::ftell(f);
    if (length < 0 || static_cast<unsigned long>(length) > 0xFFFFFFF0ul || std::fseek(f, 0, SEEK_SET) != 0) {
        std::fclose(f);
        return -1;
    }
    BYTE* bytes = static_cast<BYTE*>(MemoryController::Alloc(static_cast<uint32_t>(length), "Sound File"));
    if (!bytes) {
        std::fclose(f);
        return -1;
    }
    size_t got = length > 0 ? std::fread(bytes, 1, static_cast<size_t>(length), f) : 0;
    std::fclose(f);

    const BYTE* found = nullptr;
    int result = ParseWav(bytes, static_cast<uint32_t>(got), format, &found, size);
    if (result == 0) {
        *image = bytes;
        *data = const_cast<BYTE*>(found);
        return 0;
    }
    MemoryController::Free(&bytes);
    *size = 0;
    if (result == 2) TrapError(__FILE__, __LINE__, "Invalid WAV format, cannot load wav file");
    if (result == 3) Trap(__FILE__, __LINE__, "Sound file empty, cannot load file");
    return 1;
}

Sound* SoundManager::LoadSound(const char* fileName, uint32_t copies) {
    if (!m_bEnabled || !m_pDS) return nullptr;
    if (copies == 0) copies = 1;
    BYTE* image = nullptr;
    BYTE* data = nullptr;
    DWORD size = 0;
    WAVEFORMATEX format;
    if (LoadWav(fileName, &image, &format, &data, &size) != 0) return nullptr;

    Sound* sound = static_cast<Sound*>(MemoryController::Alloc(sizeof(Sound), "Sound"));
    if (!sound) {
        MemoryController::Free(&image);
        return nullptr;
    }
    std::memset(sound, 0, sizeof(Sound));
    sound->pData = data;
    sound->dwDataSize = size;
    sound->dwBufferCount = copies;
    sound->dwLast = 0;
    sound->pFileImage = image;
    uint64_t arrayBytes = (static_cast<uint64_t>(copies) + 1) * sizeof(IDirectSoundBuffer*);
    if (arrayBytes <= 0xFFFFFFFFu)
        sound->ppBuffers = static_cast<IDirectSoundBuffer**>(
            MemoryController::Alloc(static_cast<uint32_t>(arrayBytes), "Sound Buffers"));
    if (!sound->ppBuffers) {
        FreeSound(sound);
        return nullptr;
    }
    std::memset(sound->ppBuffers, 0, static_cast<size_t>(arrayBytes));

    // A format or size the device cannot play gives no first buffer: no handle either.
    sound->ppBuffers[0] = CreateSoundBuffer(sound, &format);
    if (!sound->ppBuffers[0]) {
        FreeSound(sound);
        return nullptr;
    }
    for (uint32_t i = 1; i < copies; ++i) {
        if (FAILED(m_pDS->DuplicateSoundBuffer(sound->ppBuffers[0], &sound->ppBuffers[i]))) {
            sound->ppBuffers[i] = CreateSoundBuffer(sound, &format);
            if (!sound->ppBuffers[i]) {
                FreeSound(sound);
                return nullptr;
            }
        }
    }
    return sound;
}

// A static buffer with volume, pan, frequency and notification controls, filled with the samples.
IDirectSoundBuffer* SoundManager::CreateSoundBuffer(Sound* sound, WAVEFORMATEX* format) {
    if (!m_bEnabled) return nullptr;
    DSBUFFERDESC desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(DSBUFFERDESC);
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME |
                   DSBCAPS_CTRLPOSITIONNOTIFY;
    desc.dwBufferBytes = sound->dwDataSize;
    desc.lpwfxFormat = format;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(m_pDS->CreateSoundBuffer(&desc, &buffer, nullptr))) return nullptr;
    if (FillSoundBuffer(buffer, sound->pData, sound->dwDataSize) != 0) {
        buffer->Release();
        return nullptr;
    }
    return buffer;
}

// Copies the samples into a buffer through Lock and Unlock.
uint32_t SoundManager::FillSoundBuffer(IDirectSoundBuffer* buffer, const void* data, uint32_t size) {
    if (!m_bEnabled) return 0;
    if (!buffer || !data || size == 0) return 1;
    void* region1 = nullptr;
    void* region2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    if (FAILED(buffer->Lock(0, size, &region1, &bytes1, &region2, &bytes2, 0))) return 1;
    if (bytes1 > size) bytes1 = size;
    std::memcpy(region1, data, bytes1);
    if (region2 && bytes2 > 0) {
        if (bytes2 > size - bytes1) bytes2 = size - bytes1;
        std::memcpy(region2, static_cast<const BYTE*>(data) + bytes1, bytes2);
    }
    buffer->Unlock(region1, bytes1, region2, bytes2);
    return 0;
}

// The copy the next play uses: the last one while it is free, else the next one,
// stopped and rewound if it still plays; null while a one-copy sound plays.
IDirectSoundBuffer* SoundManager::GetFreeBuffer(Sound* sound) {
    if (!m_bEnabled || !sound || !sound->ppBuffers[sound->dwLast]) return nullptr;
    IDirectSoundBuffer* buffer = sound->ppBuffers[sound->dwLast];
    DWORD status = 0;
    if (FAILED(buffer->GetStatus(&status))) status = 0;
    if (status & DSBSTATUS_PLAYING) {
        if (sound->dwBufferCount == 1) return nullptr;
        sound->dwLast = (sound->dwLast + 1) % sound->dwBufferCount;
        buffer = sound->ppBuffers[sound->dwLast];
        if (!buffer) return nullptr;
        if (FAILED(buffer->GetStatus(&status))) status = 0;
        if (status & DSBSTATUS_PLAYING) {
            buffer->Stop();
            buffer->SetCurrentPosition(0);
        }
    }
    if (status & DSBSTATUS_BUFFERLOST) {
        if (FAILED(buffer->Restore())) return nullptr;
        if (FillSoundBuffer(buffer, sound->pData, sound->dwDataSize) != 0) return nullptr;
    }
    return buffer;
}

void SoundManager::PlaySound(Sound* sound, uint32_t flags) {
    if (!m_bEnabled || !sound) return;
    if ((flags & DSBPLAY_LOOPING) && sound->dwBufferCount > 1) return;
    IDirectSoundBuffer* buffer = GetFreeBuffer(sound);
    if (buffer) buffer->Play(0, 0, flags);
}

void SoundManager::StopSound(Sound* sound) {
    if (!m_bEnabled || !sound || !sound->ppBuffers[sound->dwLast]) return;
    sound->ppBuffers[sound->dwLast]->Stop();
    sound->ppBuffers[sound->dwLast]->SetCurrentPosition(0);
}

void SoundManager::SetSoundVolume(Sound* sound, float volume) {
    if (!m_bEnabled || !sound || !sound->ppBuffers[sound->dwLast]) return;
    IDirectSoundBuffer* buffer = sound->ppBuffers[sound->dwLast];
    buffer->SetVolume(VolumeToHundredths(volume));
    buffer->SetCurrentPosition(0);
}

void SoundManager::FreeSound(Sound* sound) {
    if (!m_bEnabled || !sound) return;
    if (sound->ppBuffers) {
        for (uint32_t i = 0; i < sound->dwBufferCount; ++i) {
            if (sound->ppBuffers[i]) sound->ppBuffers[i]->Release();
        }
    }
    MemoryController::Free(&sound->pFileImage);
    MemoryController::Free(&sound->ppBuffers);
    MemoryController::Free(&sound);
}

uint32_t SoundManager::Get3DListener(IDirectSound3DListener** listener) {
    if (!listener || !m_pDS) return 1;
    *listener = nullptr;
    DSBUFFERDESC desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(DSBUFFERDESC);
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
    IDirectSoundBuffer* primary = nullptr;
    if (FAILED(m_pDS->CreateSoundBuffer(&desc, &primary, nullptr))) return 1;
    HRESULT hr = primary->QueryInterface(IID_IDirectSound3DListener, reinterpret_cast<void**>(listener));
    primary->Release();
    return SUCCEEDED(hr) ? 0 : 1;
}
