// MusicManager against a recording stand-in performance: volume, references and fall-backs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memorycontroller.h"
#include "midi_builder.h"
#include "music.h"
#include "quil_com.h"

namespace {

// What the recording performance and its audio path were asked.
struct Record {
    std::vector<std::string> calls;
    std::vector<std::pair<LONG, DWORD>> volumes;
    std::vector<DWORD> initPaths;
    bool stereoFails = false;
    bool monoFails = false;
    bool noPath = false;
    int liveObjects = 0;
};
Record* g_record = nullptr;

// A COM object counted among the live ones.
template <class Interface>
class Counted : public quil_com::RefCounted<Interface> {
public:
    Counted() { ++g_record->liveObjects; }
    ~Counted() override { --g_record->liveObjects; }
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
};

class RecordingPath final : public Counted<IDirectMusicAudioPath8> {
public:
    HRESULT SetVolume(LONG volume, DWORD ms) override {
        g_record->calls.push_back("SetVolume");
        g_record->volumes.push_back({volume, ms});
        return S_OK;
    }
};

class RecordingPerformance final : public Counted<IDirectMusicPerformance8> {
public:
    ~RecordingPerformance() override {
        if (path) path->Release();
    }
    HRESULT InitAudio(IDirectMusic**, IDirectSound**, HWND, DWORD type, DWORD, DWORD, DMUS_AUDIOPARAMS*) override {
        g_record->initPaths.push_back(type);
        if (type == DMUS_APATH_DYNAMIC_STEREO && g_record->stereoFails) return E_FAIL;
        if (type == DMUS_APATH_DYNAMIC_MONO && g_record->monoFails) return E_FAIL;
        if (!g_record->noPath) path = new RecordingPath;
        return S_OK;
    }
    HRESULT PlaySegment(IDirectMusicSegment8*, DWORD, LONGLONG, IDirectMusicSegmentState8**) override {
        g_record->calls.push_back("PlaySegment");
        return S_OK;
    }
    HRESULT Stop(IDirectMusicSegment8*, IDirectMusicSegmentState8*, MUSIC_TIME, DWORD) override {
        g_record->calls.push_back("Stop");
        return S_OK;
    }
    HRESULT IsPlaying(IDirectMusicSegment8*, IDirectMusicSegmentState8*) override { return S_FALSE; }
    HRESULT CloseDown() override {
        g_record->calls.push_back("CloseDown");
        return S_OK;
    }
    HRESULT GetDefaultAudioPath(IDirectMusicAudioPath8** out) override {
        *out = path;
        if (!path) return E_FAIL;
        path->AddRef();
        return S_OK;
    }
    RecordingPath* path = nullptr;
};

HRESULT MakeRecordingPerformance(REFIID, LPVOID* out) {
    *out = static_cast<IDirectMusicPerformance8*>(new RecordingPerformance);
    return S_OK;
}

class MusicManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_record = &record;
        QuilRegisterClass(CLSID_DirectMusicPerformance, &MakeRecordingPerformance);
        ASSERT_TRUE(audio_test::WriteFile("tune.mid", audio_test::OneNoteSong()));  // in the case's own folder
    }
    void TearDown() override {
        manager.Shutdown();
        QuilRegisterDirectMusicClasses();
        EXPECT_EQ(record.liveObjects, 0);
        EXPECT_EQ(MemoryController::GetBlockCount("Music Obj"), 0u);
        g_record = nullptr;
    }
    Record record;
    MusicManager manager;
    const std::wstring name = L"tune.mid";
};

TEST_F(MusicManagerTest, VolumeMapsOntoHundredthsOfDecibelSurvivesPlayAndNothingLeaks) {
    manager.Init();
    EXPECT_EQ(record.liveObjects, 2);  // the manager's performance and its path
    const float in[] = {1.0f, 0.5f, 0.0f, 0.9f, 1.5f, -1.0f, 0.75f};
    const LONG want[] = {0, -4800, -9600, -961, 0, -9600, -2400};
    for (size_t i = 0; i < sizeof(in) / sizeof(in[0]); ++i) {
        manager.SetVolume(in[i]);
        ASSERT_EQ(record.volumes.back(), std::make_pair(want[i], DWORD(0))) << in[i];
    }
    // The stored value is what RestoreVolume and FadeIn apply.
    manager.FadeOut(500);
    EXPECT_EQ(record.volumes.back(), std::make_pair(LONG(-9600), DWORD(500)));
    manager.FadeIn(300);
    EXPECT_EQ(record.volumes.back(), std::make_pair(LONG(-2400), DWORD(300)));
    manager.RestoreVolume();
    EXPECT_EQ(record.volumes.back(), std::make_pair(LONG(-2400), DWORD(0)));
    // Play and stop keep the stored volume.
    MusicTrack* track = manager.LoadMusic(name.c_str());
    ASSERT_NE(track, nullptr);
    manager.SetVolume(0.9f);
    record.volumes.clear();
    manager.PlayMusic(track);
    EXPECT_EQ(record.volumes.back().first, -961);
    manager.Stop();
    manager.RestoreVolume();
    EXPECT_EQ(record.volumes.back().first, -961);
    manager.FreeMusic(track);
    manager.FreeMusic(nullptr);
    // A failed load frees its track.
    EXPECT_EQ(manager.LoadMusic((name + L".missing").c_str()), nullptr);
    EXPECT_EQ(manager.LoadMusic(nullptr), nullptr);
    EXPECT_EQ(MemoryController::GetBlockCount("Music Obj"), 0u);
    manager.Shutdown();
    EXPECT_EQ(record.liveObjects, 0);  // the path went with the performance: no reference was kept
}

TEST_F(MusicManagerTest, FallsBackToMonoThenToNoMusic) {
    record.stereoFails = true;
    record.noPath = true;
    manager.Init();
    EXPECT_EQ(record.initPaths, (std::vector<DWORD>{DMUS_APATH_DYNAMIC_STEREO, DMUS_APATH_DYNAMIC_MONO}));
    manager.SetVolume(0.25f);  // without a path nothing is set or stored
    manager.FadeIn(10);
    EXPECT_TRUE(record.volumes.empty());
    manager.Shutdown();

    record.monoFails = true;
    EXPECT_EQ(manager.Init(), 0u);
    EXPECT_EQ(record.liveObjects, 0);  // the performance was released
    record.calls.clear();
    EXPECT_EQ(manager.LoadMusic(name.c_str()), nullptr);
    manager.PlayMusic(nullptr);
    manager.SetVolume(1.0f);
    manager.Stop();
    manager.FadeOut(100);
    EXPECT_TRUE(record.calls.empty());
}

}  // namespace
