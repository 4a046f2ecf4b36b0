// DirectMusic through COM: loading MIDI files, playing them through the synthesiser
// into the memory output, stopping, volume and fades; and an effect and a song
// reaching a real audio device (SDL's disk driver).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "dmusici.h"
#include "dsound.h"
#include "midi_builder.h"
#include "quil_audio_output.h"
#include "quil_music_synth.h"

namespace {

// RMS of the left channel over frames frames rendered now.
double RenderRms(int frames) {
    std::vector<float> out(2 * static_cast<size_t>(frames));
    quil_audio::Render(out.data(), frames);
    double sum = 0;
    for (int i = 0; i < frames; ++i) sum += double(out[2 * i]) * out[2 * i];
    return std::sqrt(sum / frames);
}

class MusicTest : public ::testing::Test {
protected:
    void SetUp() override {
        quil_audio::UseMemoryOutput(true);
        dir = ::testing::TempDir() + "dmusic_test_" + std::to_string(getpid());
        mkdir(dir.c_str(), 0755);
        songPath = dir + "/Song.mid";
        ASSERT_TRUE(audio_test::WriteFile(songPath, audio_test::OneNoteSong()));
        ASSERT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8,
                                   reinterpret_cast<void**>(&loader)), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC,
                                   IID_IDirectMusicPerformance8, reinterpret_cast<void**>(&performance)), S_OK);
    }
    void TearDown() override {
        if (segment) segment->Release();
        if (performance) {
            performance->CloseDown();
            EXPECT_EQ(performance->Release(), 0u);
        }
        if (loader) loader->Release();
        quil_dmusic::SetSoundFontPath(nullptr);
        quil_audio::UseMemoryOutput(false);
        std::remove(songPath.c_str());
        rmdir(dir.c_str());
    }

    // Found by any letter case and either separator.
    void InitAndLoad() {
        ASSERT_EQ(performance->InitAudio(nullptr, nullptr, nullptr, DMUS_APATH_DYNAMIC_STEREO, 64, DMUS_AUDIOF_ALL,
                                         nullptr), S_OK);
        const std::string name = dir + "\\SONG.mid";
        std::wstring wide(name.begin(), name.end());
        ASSERT_EQ(loader->LoadObjectFromFile(CLSID_DirectMusicSegment, IID_IDirectMusicSegment8, wide.data(),
                                             reinterpret_cast<void**>(&segment)), S_OK);
    }

    std::string dir, songPath;
    IDirectMusicLoader8* loader = nullptr;
    IDirectMusicPerformance8* performance = nullptr;
    IDirectMusicSegment8* segment = nullptr;
};

TEST_F(MusicTest, PlaysAudiblyStopsAtOnceAndEnds) {
    InitAndLoad();
    EXPECT_EQ(segment->Download(performance), S_OK);
    EXPECT_LT(RenderRms(4410), 1e-6);
    ASSERT_EQ(performance->PlaySegment(segment, 0, 0, nullptr), S_OK);
    EXPECT_GT(RenderRms(8820), 0.01);
    ASSERT_EQ(performance->Stop(nullptr, nullptr, 0, 0), S_OK);
    RenderRms(64);
    EXPECT_LT(RenderRms(4410), 1e-6);
    EXPECT_EQ(performance->IsPlaying(nullptr, nullptr), S_FALSE);
    // The song is 500 ms long and plays once.
    performance->PlaySegment(segment, 0, 0, nullptr);
    RenderRms(44100 * 6 / 10);
    EXPECT_EQ(performance->IsPlaying(segment, nullptr), S_FALSE);
}

TEST_F(MusicTest, AudioPathVolumeScalesAndFades) {
    InitAndLoad();
    IDirectMusicAudioPath8* path = nullptr;
    ASSERT_EQ(performance->GetDefaultAudioPath(&path), S_OK);
    // The synthesiser's first note after start-up differs slightly: compare later plays.
    performance->PlaySegment(segment, 0, 0, nullptr);
    RenderRms(4410);
    performance->PlaySegment(segment, 0, 0, nullptr);
    double full = RenderRms(4410);
    performance->PlaySegment(segment, 0, 0, nullptr);
    ASSERT_EQ(path->SetVolume(-2000, 0), S_OK);
    double quiet = RenderRms(4410);
    EXPECT_NEAR(quiet / full, 0.1, 0.01);
    performance->PlaySegment(segment, 0, 0, nullptr);
    path->SetVolume(DMUS_VOLUME_SILENT, 0);
    EXPECT_EQ(RenderRms(4410), 0.0);
    // A fade from full to silent over 400 ms falls steadily and ends silent.
    path->SetVolume(0, 0);
    performance->PlaySegment(segment, 0, 0, nullptr);
    path->SetVolume(DMUS_VOLUME_SILENT, 400);
    double first = RenderRms(4410), second = RenderRms(4410), third = RenderRms(4410);
    EXPECT_GT(first, second);
    EXPECT_GT(second, third);
    RenderRms(4410 * 2);
    EXPECT_EQ(RenderRms(2205), 0.0);
    // And back in.
    performance->PlaySegment(segment, 0, 0, nullptr);
    path->SetVolume(0, 200);
    double rising = RenderRms(4410);
    EXPECT_GT(RenderRms(4410 * 2), rising);
    EXPECT_EQ(path->SetVolume(100, 0), E_INVALIDARG);
    EXPECT_EQ(path->Release(), 1u);  // the performance keeps its own reference
}

TEST_F(MusicTest, WithoutASoundFontMusicIsSilentButRuns) {
    quil_dmusic::SetSoundFontPath("/nonexistent/none.sf2");
    InitAndLoad();
    ASSERT_EQ(performance->PlaySegment(segment, 0, 0, nullptr), S_OK);
    EXPECT_EQ(RenderRms(4410), 0.0);
    EXPECT_EQ(performance->IsPlaying(segment, nullptr), S_OK);
}

// Releasing a segment while it plays is safe: the performance keeps its notes.
TEST_F(MusicTest, ReleasingAPlayingSegmentKeepsItsNotes) {
    InitAndLoad();
    performance->PlaySegment(segment, 0, 0, nullptr);
    RenderRms(441);
    segment->Release();
    segment = nullptr;
    EXPECT_GT(RenderRms(4410), 0.01);
}

// Run by its own CTest entry with SDL_AUDIODRIVER=disk: a tone through DirectSound, then the
// song through DirectMusic, on the audio thread; the file must hold both, audibly.
TEST_F(MusicTest, OnTheDiskDriverAToneThenTheSongAreHeard) {
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    const char* file = std::getenv("SDL_DISKAUDIOFILE");
    if (!driver || std::strcmp(driver, "disk") != 0 || !file) GTEST_SKIP() << "needs SDL's disk audio driver";
    quil_audio::UseMemoryOutput(false);
    IDirectSound8* ds = nullptr;
    ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DS_OK);
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
    DSBUFFERDESC desc{sizeof(DSBUFFERDESC), DSBCAPS_STATIC, 22050 * 2, 0, &f, {}};
    IDirectSoundBuffer* tone = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &tone, nullptr), DS_OK);
    void *p1, *p2;
    DWORD n1, n2;
    tone->Lock(0, desc.dwBufferBytes, &p1, &n1, &p2, &n2, 0);
    for (DWORD i = 0; i < n1 / 2; ++i) static_cast<int16_t*>(p1)[i] = int16_t(20000 * std::sin(i * 0.125));
    tone->Unlock(p1, n1, p2, n2);
    tone->Play(0, 0, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    InitAndLoad();
    performance->PlaySegment(segment, 0, 0, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    performance->CloseDown();
    tone->Release();
    ds->Release();

    // The driver's pace need not be real time: look for the tone early and the song late.
    std::vector<float> s(size_t(quil_audio::kOutputRate) * 8);
    FILE* in = std::fopen(file, "rb");
    ASSERT_NE(in, nullptr);
    s.resize(std::fread(s.data(), sizeof(float), s.size(), in));
    std::fclose(in);
    const size_t window = quil_audio::kOutputRate / 2;  // a quarter second of stereo samples
    ASSERT_GT(s.size(), 8 * window);
    double toneRms = 0, songRms = 0;
    for (size_t at = 0; at + window <= s.size(); at += window / 2) {
        double sum = 0;
        for (size_t i = at; i < at + window; ++i) sum += double(s[i]) * s[i];
        const double rms = std::sqrt(sum / double(window));
        if (at < s.size() * 4 / 10) toneRms = std::max(toneRms, rms);
        if (at > s.size() * 6 / 10) songRms = std::max(songRms, rms);
    }
    EXPECT_GT(toneRms, 0.1);
    EXPECT_GT(songRms, 0.01);
}

}  // namespace
