// The DirectSound mixer rendered into memory: laws, looping, copies, formats, resampling.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

#include "dsound.h"
#include "quil_audio_output.h"

namespace {

constexpr DWORD kControls = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;

WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        quil_audio::UseMemoryOutput(true);
        ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DS_OK);
        ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    }
    void TearDown() override {
        for (auto* b : buffers) b->Release();
        if (ds) {
            EXPECT_EQ(ds->Release(), 0u);
        }
        quil_audio::UseMemoryOutput(false);
    }

    // A buffer holding bytes in format f.
    IDirectSoundBuffer* Make(const WAVEFORMATEX& f, const std::vector<uint8_t>& bytes, DWORD flags = kControls) {
        WAVEFORMATEX format = f;
        DSBUFFERDESC desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = flags;
        desc.dwBufferBytes = static_cast<DWORD>(bytes.size());
        desc.lpwfxFormat = &format;
        IDirectSoundBuffer* b = nullptr;
        EXPECT_EQ(ds->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
        if (!b) return nullptr;
        void *p1, *p2;
        DWORD n1, n2;
        EXPECT_EQ(b->Lock(0, desc.dwBufferBytes, &p1, &n1, &p2, &n2, 0), DS_OK);
        std::memcpy(p1, bytes.data(), n1);
        EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
        buffers.push_back(b);
        return b;
    }

    // A 16-bit mono buffer of frames samples, all equal to value.
    IDirectSoundBuffer* Constant16(int frames, int16_t value, DWORD rate = 44100) {
        std::vector<uint8_t> bytes;
        for (int i = 0; i < frames; ++i) {
            bytes.push_back(uint8_t(value & 0xFF));
            bytes.push_back(uint8_t((value >> 8) & 0xFF));
        }
        return Make(Pcm(1, rate, 16), bytes);
    }

    std::vector<float> Render(int frames) {
        std::vector<float> out(2 * static_cast<size_t>(frames));
        quil_audio::Render(out.data(), frames);
        return out;
    }

    IDirectSound8* ds = nullptr;
    std::vector<IDirectSoundBuffer*> buffers;
};

TEST_F(MixerTest, VolumeFollowsHundredthsOfDecibelAndMinIsSilent) {
    auto* b = Constant16(4000, 16384);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_NEAR(Render(16)[0], 0.5f, 1e-4);
    ASSERT_EQ(b->SetVolume(-600), DS_OK);
    EXPECT_NEAR(Render(16)[0], 0.5f * std::pow(10.0f, -0.3f), 1e-4);
    ASSERT_EQ(b->SetVolume(-2500), DS_OK);
    EXPECT_NEAR(Render(16)[1], 0.5f * std::pow(10.0f, -1.25f), 1e-4);
    ASSERT_EQ(b->SetVolume(DSBVOLUME_MIN), DS_OK);
    auto out = Render(64);
    for (float s : out) ASSERT_EQ(s, 0.0f);
    LONG v = 0;
    ASSERT_EQ(b->GetVolume(&v), DS_OK);
    EXPECT_EQ(v, DSBVOLUME_MIN);
    EXPECT_EQ(b->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetVolume(-10001), DSERR_INVALIDPARAM);
}

TEST_F(MixerTest, PanAttenuatesTheOtherSide) {
    auto* b = Constant16(4000, 16384);
    b->Play(0, 0, DSBPLAY_LOOPING);
    ASSERT_EQ(b->SetPan(DSBPAN_LEFT), DS_OK);
    auto out = Render(8);
    EXPECT_NEAR(out[0], 0.5f, 1e-4);
    EXPECT_EQ(out[1], 0.0f);
    ASSERT_EQ(b->SetPan(2000), DS_OK);
    out = Render(8);
    EXPECT_NEAR(out[0], 0.05f, 1e-4);
    EXPECT_NEAR(out[1], 0.5f, 1e-4);
    // Volume and pan combine.
    b->SetVolume(-2000);
    out = Render(8);
    EXPECT_NEAR(out[0], 0.005f, 1e-5);
    EXPECT_NEAR(out[1], 0.05f, 1e-4);
    EXPECT_EQ(b->SetPan(10001), DSERR_INVALIDPARAM);
}

TEST_F(MixerTest, OneShotPlaysToTheEndThenStopsRewound) {
    auto* b = Constant16(100, 8192);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    DWORD status = 0;
    b->GetStatus(&status);
    EXPECT_EQ(status, DWORD(DSBSTATUS_PLAYING));
    auto out = Render(150);
    EXPECT_NEAR(out[2 * 99], 0.25f, 1e-4);
    EXPECT_EQ(out[2 * 100], 0.0f);
    EXPECT_EQ(out[2 * 149], 0.0f);
    b->GetStatus(&status);
    EXPECT_EQ(status, 0u);
    DWORD play = 1, write = 1;
    b->GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, 0u);
    // Played again, it sounds again from the start.
    b->Play(0, 0, 0);
    EXPECT_NEAR(Render(1)[0], 0.25f, 1e-4);
}

TEST_F(MixerTest, LoopingWrapsAndReportsItsStatus) {
    auto* b = Constant16(100, 8192);
    b->Play(0, 0, DSBPLAY_LOOPING);
    auto out = Render(250);
    for (int i = 0; i < 250; ++i) ASSERT_NEAR(out[2 * i], 0.25f, 1e-4) << i;
    DWORD status = 0, play = 0;
    b->GetStatus(&status);
    EXPECT_EQ(status, DWORD(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
    b->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 50u * 2);
}

TEST_F(MixerTest, StopKeepsThePlaceAndSetCurrentPositionRewinds) {
    std::vector<uint8_t> ramp;
    for (int i = 0; i < 1000; ++i) {
        int16_t v = static_cast<int16_t>(i * 30);
        ramp.push_back(uint8_t(v & 0xFF));
        ramp.push_back(uint8_t(v >> 8));
    }
    auto* b = Make(Pcm(1, 44100, 16), ramp);
    b->Play(0, 0, 0);
    Render(300);
    b->Stop();
    DWORD play = 0;
    b->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 600u);
    for (float s : Render(50)) ASSERT_EQ(s, 0.0f);
    b->Play(0, 0, 0);
    EXPECT_NEAR(Render(1)[0], 300 * 30 / 32768.0f, 1e-4);  // resumes where it stopped
    b->Stop();
    ASSERT_EQ(b->SetCurrentPosition(0), DS_OK);
    b->Play(0, 0, 0);
    EXPECT_NEAR(Render(2)[2], 30 / 32768.0f, 1e-5);
    EXPECT_EQ(b->SetCurrentPosition(2000), DSERR_INVALIDPARAM);
}

TEST_F(MixerTest, DuplicatesShareSamplesButNotPlaceOrVolume) {
    auto* a = Constant16(2000, 4096);
    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(ds->DuplicateSoundBuffer(a, &copy), DS_OK);
    buffers.push_back(copy);
    // Writing through the original changes what the copy plays.
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(a->Lock(0, 4, &p1, &n1, &p2, &n2, 0), DS_OK);
    static_cast<uint8_t*>(p1)[0] = 0;
    static_cast<uint8_t*>(p1)[1] = 0x40;  // 16384
    a->Unlock(p1, n1, p2, n2);
    copy->Play(0, 0, 0);
    EXPECT_NEAR(Render(1)[0], 0.5f, 1e-4);
    // Both copies at once add up, each at its own volume and place.
    a->Play(0, 0, 0);
    copy->SetVolume(DSBVOLUME_MIN);
    EXPECT_NEAR(Render(4)[4], 0.125f, 1e-4);
    copy->SetVolume(0);
    EXPECT_NEAR(Render(4)[0], 0.25f, 1e-4);
    DWORD pa = 0, pc = 0;
    a->GetCurrentPosition(&pa, nullptr);
    copy->GetCurrentPosition(&pc, nullptr);
    EXPECT_EQ(pc - pa, 2u);
    // The samples outlive the original while the copy holds them.
    a->Stop();
    buffers.erase(buffers.begin());
    EXPECT_EQ(a->Release(), 0u);
    EXPECT_NEAR(Render(4)[0], 0.125f, 1e-4);
}

TEST_F(MixerTest, ResamplesEachRateToTheSamePitchAndLength) {
    for (DWORD rate : {11025u, 22050u, 44100u}) {
        SCOPED_TRACE(rate);
        // Half a second of a 441 Hz sine.
        std::vector<uint8_t> bytes;
        int frames = static_cast<int>(rate / 2);
        for (int i = 0; i < frames; ++i) {
            int16_t v = static_cast<int16_t>(20000 * std::sin(2 * M_PI * 441.0 * i / rate));
            bytes.push_back(uint8_t(v & 0xFF));
            bytes.push_back(uint8_t(v >> 8));
        }
        auto* b = Make(Pcm(1, rate, 16), bytes);
        b->Play(0, 0, 0);
        auto out = Render(30000);
        int crossings = 0, lastNonZero = 0;
        for (int i = 1; i < 30000; ++i) {
            if (out[2 * i - 2] < 0 && out[2 * i] >= 0) ++crossings;
            if (out[2 * i] != 0.0f) lastNonZero = i;
        }
        EXPECT_NEAR(crossings, 220, 2);  // 220.5 periods
        EXPECT_NEAR(lastNonZero, 22050, 8);
        b->Stop();
    }
}

TEST_F(MixerTest, EightAndSixteenBitMonoAndStereoAgree) {
    std::vector<uint8_t> mono8, mono16, stereo8, stereo16;
    for (int i = 0; i < 64; ++i) {
        int v = (i % 16) * 8 - 64;  // -64..56 in 8-bit steps
        mono8.push_back(uint8_t(v + 128));
        mono16.push_back(0);
        mono16.push_back(uint8_t(int8_t(v)));
        stereo8.push_back(uint8_t(v + 128));
        stereo8.push_back(128);
        stereo16.insert(stereo16.end(), {0, uint8_t(int8_t(v)), 0, 0});
    }
    std::vector<std::vector<float>> outs;
    for (auto [f, bytes] : {std::make_pair(Pcm(1, 44100, 8), mono8), std::make_pair(Pcm(1, 44100, 16), mono16),
                            std::make_pair(Pcm(2, 44100, 8), stereo8), std::make_pair(Pcm(2, 44100, 16), stereo16)}) {
        auto* b = Make(f, bytes);
        b->Play(0, 0, 0);
        outs.push_back(Render(64));
        b->Stop();
    }
    for (int i = 0; i < 64; ++i) {
        float want = ((i % 16) * 8 - 64) / 128.0f;
        for (int k = 0; k < 4; ++k) ASSERT_NEAR(outs[k][2 * i], want, 1e-5) << k << " " << i;
        ASSERT_NEAR(outs[0][2 * i + 1], want, 1e-5);
        ASSERT_EQ(outs[2][2 * i + 1], 0.0f);  // stereo keeps its right channel silent
        ASSERT_EQ(outs[3][2 * i + 1], 0.0f);
    }
}

TEST_F(MixerTest, FrequencyChangesSpeed) {
    auto* b = Constant16(1000, 8192, 22050);
    DWORD f = 0;
    ASSERT_EQ(b->GetFrequency(&f), DS_OK);
    EXPECT_EQ(f, 22050u);
    ASSERT_EQ(b->SetFrequency(44100), DS_OK);
    b->Play(0, 0, 0);
    auto out = Render(1100);
    EXPECT_NE(out[2 * 990], 0.0f);
    EXPECT_EQ(out[2 * 1001], 0.0f);
    EXPECT_EQ(b->SetFrequency(50), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
}

TEST_F(MixerTest, RefusesFormatsAndSizesItCannotPlay) {
    auto attempt = [&](WAVEFORMATEX f, DWORD bytes) {
        DSBUFFERDESC desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = kControls;
        desc.dwBufferBytes = bytes;
        desc.lpwfxFormat = &f;
        IDirectSoundBuffer* b = reinterpret_cast<IDirectSoundBuffer*>(1);
        HRESULT hr = ds->CreateSoundBuffer(&desc, &b, nullptr);
        EXPECT_EQ(b, nullptr);
        return hr;
    };
    WAVEFORMATEX adpcm = Pcm(1, 22050, 16);
    adpcm.wFormatTag = 2;
    EXPECT_EQ(attempt(adpcm, 1000), DSERR_BADFORMAT);
    EXPECT_EQ(attempt(Pcm(3, 22050, 16), 1200), DSERR_BADFORMAT);
    EXPECT_EQ(attempt(Pcm(0, 22050, 16), 1200), DSERR_BADFORMAT);
    EXPECT_EQ(attempt(Pcm(1, 22050, 24), 1200), DSERR_BADFORMAT);
    EXPECT_EQ(attempt(Pcm(1, 50, 16), 1200), DSERR_BADFORMAT);
    EXPECT_EQ(attempt(Pcm(2, 4000000000u, 16), 1200), DSERR_BADFORMAT);
    WAVEFORMATEX misaligned = Pcm(2, 22050, 16);
    misaligned.nBlockAlign = 3;
    EXPECT_EQ(attempt(misaligned, 1200), DSERR_BADFORMAT);
    EXPECT_EQ(attempt(Pcm(1, 22050, 16), 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(attempt(Pcm(2, 22050, 16), 2), DSERR_INVALIDPARAM);
    EXPECT_EQ(attempt(Pcm(1, 22050, 16), 0x7FFFFFFF), DSERR_INVALIDPARAM);
    DSBUFFERDESC noFormat{};
    noFormat.dwSize = sizeof(noFormat);
    noFormat.dwBufferBytes = 100;
    IDirectSoundBuffer* b = nullptr;
    EXPECT_EQ(ds->CreateSoundBuffer(&noFormat, &b, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(ds->CreateSoundBuffer(nullptr, &b, nullptr), DSERR_INVALIDPARAM);
}

TEST_F(MixerTest, ControlsNeedTheirCapabilities) {
    auto* b = Make(Pcm(1, 22050, 8), std::vector<uint8_t>(100, 128), DSBCAPS_STATIC);
    EXPECT_EQ(b->SetVolume(-100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(b->SetPan(-100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(b->SetFrequency(11025), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(b->SetFormat(nullptr), DSERR_INVALIDCALL);
    DWORD status = 7;
    EXPECT_EQ(b->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(b->Restore(), DS_OK);
}

TEST_F(MixerTest, LockWrapsAroundTheEnd) {
    auto* b = Constant16(50, 0);
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(b->Lock(80, 40, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 20u);
    EXPECT_EQ(n2, 20u);
    EXPECT_EQ(static_cast<uint8_t*>(p1) - static_cast<uint8_t*>(p2), 80);
    b->Unlock(p1, n1, p2, n2);
    EXPECT_EQ(b->Lock(100, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 101, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(n2, 0u);
}

TEST_F(MixerTest, PrimaryBufferTakesAFormatAtPriorityLevel) {
    DSBUFFERDESC desc{};
    desc.dwSize = 36;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    WAVEFORMATEX f = Pcm(2, 22050, 16);
    f.cbSize = 18;
    EXPECT_EQ(primary->SetFormat(&f), DS_OK);
    WAVEFORMATEX got{};
    primary->GetFormat(&got, sizeof(got), nullptr);
    EXPECT_EQ(got.nSamplesPerSec, 22050u);
    EXPECT_EQ(got.nBlockAlign, 4);
    IDirectSound3DListener* listener = nullptr;
    ASSERT_EQ(primary->QueryInterface(IID_IDirectSound3DListener, reinterpret_cast<void**>(&listener)), S_OK);
    EXPECT_EQ(listener->SetPosition(1, 2, 3, DS3D_IMMEDIATE), DS_OK);
    EXPECT_EQ(listener->Release(), 0u);
    ds->SetCooperativeLevel(nullptr, DSSCL_NORMAL);
    EXPECT_EQ(primary->SetFormat(&f), DSERR_PRIOLEVELNEEDED);
    IDirectSoundBuffer* dup = nullptr;
    EXPECT_EQ(ds->DuplicateSoundBuffer(primary, &dup), DSERR_INVALIDCALL);
    EXPECT_EQ(primary->Release(), 0u);
}

TEST_F(MixerTest, BuffersKeepTheDeviceAliveAndCountReferences) {
    auto* b = Constant16(10, 100);
    EXPECT_EQ(b->AddRef(), 2u);
    EXPECT_EQ(b->Release(), 1u);
    ULONG deviceRefs = ds->AddRef();
    EXPECT_EQ(ds->Release(), deviceRefs - 1);
    // The device goes with its last buffer, not before.
    buffers.clear();
    IDirectSound8* device = ds;
    ds = nullptr;
    device->Release();
    b->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_NE(Render(4)[0], 0.0f);
    EXPECT_EQ(b->Release(), 0u);
    EXPECT_FALSE(quil_audio::OutputOpen());
}

// The device and a secondary buffer answer for their own interfaces, each answer a
// reference; only a 3D primary buffer hands out a listener.
TEST_F(MixerTest, DeviceAndBuffersAnswerForTheirInterfaces) {
    auto* b = Constant16(10, 100);
    struct Case {
        IUnknown* object;
        std::vector<const GUID*> yes, no;
    };
    const Case cases[] = {
        {ds, {&IID_IUnknown, &IID_IDirectSound, &IID_IDirectSound8}, {&IID_IDirectSoundBuffer}},
        {b, {&IID_IUnknown, &IID_IDirectSoundBuffer, &IID_IDirectSoundBuffer8},
         {&IID_IDirectSound8, &IID_IDirectSound3DListener}},
    };
    for (const Case& c : cases) {
        const ULONG refs = c.object->AddRef() - 1;
        c.object->Release();
        for (const GUID* id : c.yes) {
            void* got = nullptr;
            ASSERT_EQ(c.object->QueryInterface(*id, &got), S_OK);
            EXPECT_EQ(got, static_cast<void*>(c.object));
            EXPECT_EQ(c.object->Release(), refs);
        }
        for (const GUID* id : c.no) {
            void* got = c.object;
            EXPECT_EQ(c.object->QueryInterface(*id, &got), E_NOINTERFACE);
            EXPECT_EQ(got, nullptr);
        }
        EXPECT_EQ(c.object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    }
}

TEST(DirectSoundDevice, FailsWithoutAnAudioDevice) {
    quil_audio::SimulateNoDevice(true);
    IDirectSound8* ds = reinterpret_cast<IDirectSound8*>(1);
    EXPECT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(ds, nullptr);
    quil_audio::SimulateNoDevice(false);
}

TEST(DirectSoundDevice, PlaysThroughARealDeviceThread) {
    // SDL's dummy driver (set by the test environment) runs a real audio thread.
    IDirectSound8* ds = nullptr;
    if (DirectSoundCreate8(nullptr, &ds, nullptr) != DS_OK) GTEST_SKIP() << "no audio device here";
    ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
    WAVEFORMATEX f = Pcm(1, 22050, 16);
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = kControls;
    desc.dwBufferBytes = 22050 * 2;
    desc.lpwfxFormat = &f;
    IDirectSoundBuffer* b = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
    b->Play(0, 0, DSBPLAY_LOOPING);
    DWORD play = 0;
    for (int i = 0; i < 200 && play == 0; ++i) {
        b->GetCurrentPosition(&play, nullptr);
        if (play == 0) {
            struct timespec ts{0, 10 * 1000 * 1000};
            nanosleep(&ts, nullptr);
        }
    }
    EXPECT_GT(play, 0u);
    b->Stop();
    EXPECT_EQ(b->Release(), 0u);
    EXPECT_EQ(ds->Release(), 0u);
}

TEST(DirectSoundDevice, GameThreadCallsAreSafeWhileTheAudioThreadMixes) {
    IDirectSound8* ds = nullptr;
    if (DirectSoundCreate8(nullptr, &ds, nullptr) != DS_OK) GTEST_SKIP() << "no audio device here";
    ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
    WAVEFORMATEX f = Pcm(2, 11025, 8);
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = kControls;
    desc.dwBufferBytes = 2000;
    desc.lpwfxFormat = &f;
    IDirectSoundBuffer* first = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &first, nullptr), DS_OK);
    // Voices come and go, start, stop, move and change while the device thread mixes them.
    for (int round = 0; round < 2000; ++round) {
        IDirectSoundBuffer* copy = nullptr;
        ASSERT_EQ(ds->DuplicateSoundBuffer(first, &copy), DS_OK);
        copy->Play(0, 0, round % 3 == 0 ? DSBPLAY_LOOPING : 0);
        first->Play(0, 0, DSBPLAY_LOOPING);
        first->SetVolume(-(round % 10000));
        first->SetPan((round % 200) * 100 - 10000);
        first->SetFrequency(100 + round * 50);
        first->SetCurrentPosition((round * 2) % 2000);
        DWORD status;
        first->GetStatus(&status);
        if (round % 7 == 0) first->Stop();
        copy->Release();
    }
    EXPECT_EQ(first->Release(), 0u);
    EXPECT_EQ(ds->Release(), 0u);
}

}  // namespace
