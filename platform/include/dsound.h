// DirectSound 8: the device, the primary buffer and static secondary buffers,
// mixed in software into the platform's one audio output.
#pragma once
#include "objbase.h"
#include "mmreg.h"

struct IDirectSoundBuffer;
struct IDirectSoundBuffer8;
struct IDirectSound3DListener;
struct IDirectSound;
struct IDirectSound8;

typedef IDirectSound* LPDIRECTSOUND;
typedef IDirectSound8* LPDIRECTSOUND8;
typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;
typedef IDirectSoundBuffer8* LPDIRECTSOUNDBUFFER8;
typedef IDirectSound3DListener* LPDIRECTSOUND3DLISTENER;
typedef const GUID* LPCGUID;

// Result codes.
#define DS_OK                  S_OK
#define DSERR_ALLOCATED        ((HRESULT)0x8878000AL)
#define DSERR_CONTROLUNAVAIL   ((HRESULT)0x8878001EL)
#define DSERR_INVALIDPARAM     E_INVALIDARG
#define DSERR_INVALIDCALL      ((HRESULT)0x88780032L)
#define DSERR_GENERIC          E_FAIL
#define DSERR_PRIOLEVELNEEDED  ((HRESULT)0x88780046L)
#define DSERR_OUTOFMEMORY      E_OUTOFMEMORY
#define DSERR_BADFORMAT        ((HRESULT)0x88780064L)
#define DSERR_UNSUPPORTED      E_NOTIMPL
#define DSERR_NODRIVER         ((HRESULT)0x88780078L)
#define DSERR_ALREADYINITIALIZED ((HRESULT)0x88780082L)
#define DSERR_NOAGGREGATION    ((HRESULT)0x80040110L)
#define DSERR_BUFFERLOST       ((HRESULT)0x88780096L)
#define DSERR_NOINTERFACE      E_NOINTERFACE

// Cooperative levels.
#define DSSCL_NORMAL       0x00000001
#define DSSCL_PRIORITY     0x00000002
#define DSSCL_EXCLUSIVE    0x00000003
#define DSSCL_WRITEPRIMARY 0x00000004

// Buffer capabilities.
#define DSBCAPS_PRIMARYBUFFER       0x00000001
#define DSBCAPS_STATIC              0x00000002
#define DSBCAPS_LOCHARDWARE         0x00000004
#define DSBCAPS_LOCSOFTWARE         0x00000008
#define DSBCAPS_CTRL3D              0x00000010
#define DSBCAPS_CTRLFREQUENCY       0x00000020
#define DSBCAPS_CTRLPAN             0x00000040
#define DSBCAPS_CTRLVOLUME          0x00000080
#define DSBCAPS_CTRLPOSITIONNOTIFY  0x00000100
#define DSBCAPS_STICKYFOCUS         0x00004000
#define DSBCAPS_GLOBALFOCUS         0x00008000
#define DSBCAPS_GETCURRENTPOSITION2 0x00010000

#define DSBPLAY_LOOPING 0x00000001

#define DSBSTATUS_PLAYING    0x00000001
#define DSBSTATUS_BUFFERLOST 0x00000002
#define DSBSTATUS_LOOPING    0x00000004

#define DSBLOCK_FROMWRITECURSOR 0x00000001
#define DSBLOCK_ENTIREBUFFER    0x00000002

#define DSBVOLUME_MIN -10000
#define DSBVOLUME_MAX 0
#define DSBPAN_LEFT   -10000
#define DSBPAN_CENTER 0
#define DSBPAN_RIGHT  10000
#define DSBFREQUENCY_ORIGINAL 0
#define DSBFREQUENCY_MIN 100
#define DSBFREQUENCY_MAX 200000
#define DSBSIZE_MIN 4
#define DSBSIZE_MAX 0x0FFFFFFF

#define DS3D_IMMEDIATE 0x00000000
#define DS3D_DEFERRED  0x00000001

typedef struct _DSBUFFERDESC {
    DWORD dwSize;          // sizeof(DSBUFFERDESC); the older 20-byte layout is accepted too
    DWORD dwFlags;
    DWORD dwBufferBytes;   // 0 for the primary buffer
    DWORD dwReserved;
    LPWAVEFORMATEX lpwfxFormat;  // null for the primary buffer
    GUID guid3DAlgorithm;
} DSBUFFERDESC, *LPDSBUFFERDESC;
typedef const DSBUFFERDESC* LPCDSBUFFERDESC;

QUIL_DEFINE_GUID(IID_IDirectSound, 0x5109a0e1, 0x2b1c, 0x4f0e, 0x9b, 0x31, 0x51, 0x7a, 0x02, 0x11, 0xd0, 0x01);
QUIL_DEFINE_GUID(IID_IDirectSound8, 0x5109a0e1, 0x2b1c, 0x4f0e, 0x9b, 0x31, 0x51, 0x7a, 0x02, 0x11, 0xd0, 0x08);
QUIL_DEFINE_GUID(IID_IDirectSoundBuffer, 0x5109a0e2, 0x2b1c, 0x4f0e, 0x9b, 0x31, 0x51, 0x7a, 0x02, 0x11, 0xd0, 0x01);
QUIL_DEFINE_GUID(IID_IDirectSoundBuffer8, 0x5109a0e2, 0x2b1c, 0x4f0e, 0x9b, 0x31, 0x51, 0x7a, 0x02, 0x11, 0xd0, 0x08);
QUIL_DEFINE_GUID(IID_IDirectSound3DListener, 0x5109a0e3, 0x2b1c, 0x4f0e, 0x9b, 0x31, 0x51, 0x7a, 0x02, 0x11, 0xd0, 0x01);

// A sound buffer: the primary buffer (output format only) or a secondary buffer of samples.
struct IDirectSoundBuffer : public IUnknown {
    virtual HRESULT GetCurrentPosition(LPDWORD playCursor, LPDWORD writeCursor) = 0;
    virtual HRESULT GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) = 0;
    virtual HRESULT GetVolume(LPLONG volume) = 0;
    virtual HRESULT GetStatus(LPDWORD status) = 0;
    virtual HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, LPDWORD audioBytes1,
                         LPVOID* audioPtr2, LPDWORD audioBytes2, DWORD flags) = 0;
    virtual HRESULT Play(DWORD reserved1, DWORD priority, DWORD flags) = 0;
    virtual HRESULT SetCurrentPosition(DWORD newPosition) = 0;
    virtual HRESULT SetFormat(LPCWAVEFORMATEX format) = 0;
    virtual HRESULT SetVolume(LONG volume) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2, DWORD audioBytes2) = 0;
    virtual HRESULT Restore() = 0;
};
struct IDirectSoundBuffer8 : public IDirectSoundBuffer {};

// The listener of 3D sound, reached through a primary buffer made with DSBCAPS_CTRL3D.
// Its settings are kept; the mixer has no 3D voices.
struct IDirectSound3DListener : public IUnknown {};

// The sound device.
struct IDirectSound : public IUnknown {
    virtual HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer, LPUNKNOWN outer) = 0;
    virtual HRESULT DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original, LPDIRECTSOUNDBUFFER* duplicate) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;
    virtual HRESULT Compact() = 0;
};
struct IDirectSound8 : public IDirectSound {};

// Opens the default audio output; DSERR_NODRIVER when no audio device can be opened.
HRESULT DirectSoundCreate8(LPCGUID device, LPDIRECTSOUND8* ds, LPUNKNOWN outer);
