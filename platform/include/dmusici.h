// DirectMusic: loader, segments, performance and audio path, playing Standard
// MIDI Files through a General MIDI synthesiser into the platform's audio output.
#pragma once
#include "objbase.h"

typedef LONG MUSIC_TIME;
typedef LONGLONG REFERENCE_TIME;

struct IDirectMusic;
struct IDirectSound;
struct IDirectMusicLoader8;
struct IDirectMusicSegment8;
struct IDirectMusicSegmentState8;
struct IDirectMusicPerformance8;
struct IDirectMusicAudioPath8;

// Result codes.
#define DMUS_E_NOT_INIT                   ((HRESULT)0x88781191L)
#define DMUS_E_ALREADY_INITED             ((HRESULT)0x88781192L)
#define DMUS_E_AUDIOPATHS_NOT_VALID       ((HRESULT)0x88781193L)
#define DMUS_E_LOADER_FAILEDOPEN          ((HRESULT)0x88781194L)
#define DMUS_E_LOADER_FORMATNOTSUPPORTED  ((HRESULT)0x88781195L)
#define DMUS_E_UNSUPPORTED_STREAM         ((HRESULT)0x88781196L)

// Default audio path types for InitAudio.
#define DMUS_APATH_SHARED_STEREOPLUSREVERB 1
#define DMUS_APATH_DYNAMIC_3D     6
#define DMUS_APATH_DYNAMIC_MONO   7
#define DMUS_APATH_DYNAMIC_STEREO 8

#define DMUS_AUDIOF_3D         0x1
#define DMUS_AUDIOF_ENVIRON    0x2
#define DMUS_AUDIOF_EAX        0x4
#define DMUS_AUDIOF_DMOS       0x8
#define DMUS_AUDIOF_STREAMING  0x10
#define DMUS_AUDIOF_BUFFERS    0x20
#define DMUS_AUDIOF_ALL        0x3F

// PlaySegment flags (start time is always "now" here).
#define DMUS_SEGF_REFTIME   (1 << 6)
#define DMUS_SEGF_SECONDARY (1 << 7)
#define DMUS_SEGF_DEFAULT   (1 << 14)


// Audio path volume: hundredths of a decibel, -9600 silent.
#define DMUS_VOLUME_SILENT -9600

typedef struct _DMUS_AUDIOPARAMS {
    DWORD dwSize;
    BOOL fInitNow;
    DWORD dwValidData;
    DWORD dwFeatures;
    DWORD dwVoices;
    DWORD dwSampleRate;
    CLSID clsidDefaultSynth;
} DMUS_AUDIOPARAMS;

QUIL_DEFINE_GUID(CLSID_DirectMusicLoader, 0x6c1f7a01, 0x8e55, 0x4a3b, 0xa7, 0x21, 0x0e, 0x4d, 0x9c, 0x31, 0x00, 0x01);
QUIL_DEFINE_GUID(CLSID_DirectMusicPerformance, 0x6c1f7a01, 0x8e55, 0x4a3b, 0xa7, 0x21, 0x0e, 0x4d, 0x9c, 0x31, 0x00, 0x02);
QUIL_DEFINE_GUID(CLSID_DirectMusicSegment, 0x6c1f7a01, 0x8e55, 0x4a3b, 0xa7, 0x21, 0x0e, 0x4d, 0x9c, 0x31, 0x00, 0x03);
QUIL_DEFINE_GUID(GUID_DirectMusicAllTypes, 0x6c1f7a01, 0x8e55, 0x4a3b, 0xa7, 0x21, 0x0e, 0x4d, 0x9c, 0x31, 0x00, 0x04);
QUIL_DEFINE_GUID(IID_IDirectMusicLoader8, 0x6c1f7a02, 0x8e55, 0x4a3b, 0xa7, 0x21, 0x0e, 0x4d, 0x9c, 0x31, 0x00, 0x08);
QUIL_DEFINE_GUID(IID_IDirectMusicPerformance8, 0x6c1f7a03, 0x8e55, 0x4a3b, 0xa7, 0x21, 0x0e, 0x4d, 0x9c, 0x31, 0x00, 0x08);
QUIL_DEFINE_GUID(IID_IDirectMusicSegment8, 0x6c1f7a04, 0x8e55, 0x4a3b, 0xa7, 0x21, 0x0e, 0x4d, 0x9c, 0x31, 0x00, 0x08);
QUIL_DEFINE_GUID(IID_IDirectMusicSegmentState8, 0x6c1f7a05, 0x8e55, 0x4a3b, 0xa7, 0x21, 0x0e, 0x4d, 0x9c, 0x31, 0x00, 0x08);
QUIL_DEFINE_GUID(IID_IDirectMusicAudioPath8, 0x6c1f7a06, 0x8e55, 0x4a3b, 0xa7, 0x21, 0x0e, 0x4d, 0x9c, 0x31, 0x00, 0x08);

// Loads music objects (Standard MIDI Files, type 0 and 1, as segments) from files.
struct IDirectMusicLoader8 : public IUnknown {
    virtual HRESULT LoadObjectFromFile(REFGUID classId, REFIID iid, WCHAR* filePath, void** object) = 0;
};

// A piece of music: a parsed MIDI file.
struct IDirectMusicSegment8 : public IUnknown {
    // Makes the segment's instruments available to a performance or audio path.
    virtual HRESULT Download(IUnknown* target) = 0;
};

// One playing of a segment.
struct IDirectMusicSegmentState8 : public IUnknown {};

// The audio path: the volume of everything the performance plays.
struct IDirectMusicAudioPath8 : public IUnknown {
    // Moves the volume (hundredths of a decibel, -9600 silent, 0 full) to volume over duration ms.
    virtual HRESULT SetVolume(LONG volume, DWORD duration) = 0;
};

// The performance: the synthesiser and the segment that plays.
struct IDirectMusicPerformance8 : public IUnknown {
    virtual HRESULT InitAudio(IDirectMusic** directMusic, IDirectSound** directSound, HWND window,
                              DWORD defaultPathType, DWORD performanceChannels, DWORD flags,
                              DMUS_AUDIOPARAMS* params) = 0;
    virtual HRESULT PlaySegment(IDirectMusicSegment8* segment, DWORD flags, LONGLONG startTime,
                                IDirectMusicSegmentState8** segmentState) = 0;
    // Stops the given segment or state, or everything when both are null.
    virtual HRESULT Stop(IDirectMusicSegment8* segment, IDirectMusicSegmentState8* segmentState,
                         MUSIC_TIME time, DWORD flags) = 0;
    // S_OK while the segment (or state, or anything when both are null) plays, S_FALSE otherwise.
    virtual HRESULT IsPlaying(IDirectMusicSegment8* segment, IDirectMusicSegmentState8* segmentState) = 0;
    virtual HRESULT CloseDown() = 0;
    virtual HRESULT GetDefaultAudioPath(IDirectMusicAudioPath8** audioPath) = 0;
};

typedef IDirectMusicLoader8 IDirectMusicLoader;
typedef IDirectMusicSegment8 IDirectMusicSegment;
typedef IDirectMusicSegmentState8 IDirectMusicSegmentState;
typedef IDirectMusicPerformance8 IDirectMusicPerformance;
typedef IDirectMusicAudioPath8 IDirectMusicAudioPath;

// Registers the loader, performance and segment classes with CoCreateInstance.
// Every unit that includes this header calls it at start-up, so linking the
// library statically never drops the registration.
void QuilRegisterDirectMusicClasses();
namespace {
struct QuilDirectMusicRegistration {
    QuilDirectMusicRegistration() { QuilRegisterDirectMusicClasses(); }
};
const QuilDirectMusicRegistration quilDirectMusicRegistration;
}  // namespace
