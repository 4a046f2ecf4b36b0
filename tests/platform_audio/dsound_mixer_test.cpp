// The DirectSound mixer rendered into memory: laws, looping, copies, formats, resampling.
// (Status and play positions as the sound manager uses them are checked by its own tests.)
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

DSBUFFERDESC Desc(DWORD flags, DWORD bytes, WAVEFORMATEX* format) {
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = flags;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = format;
    return desc;
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
    IDirectSoundBuffer* Make(const WAVEFORMATEX& f, const std::vector<uint8_t>& bytes) {
        WAVEFORMATEX format = f;
        DSBUFFERDESC desc = Desc(kControls, static_cast<DWORD>(bytes.size()), &format);
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

TEST_F(MixerTest, VolumeFollowsHundredthsOfDecibel) {
    auto* b = Constant16(4000, 16384);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_NEAR(Render(16)[0], 0.5f, 1e-4);
    ASSERT_EQ(b->SetVolume(-600), DS_OK);
    EXPECT_NEAR(Render(16)[0], 0.5f * std::pow(10.0f, -0.3f), 1e-4);
    ASSERT_EQ(b->SetVolume(DSBVOLUME_MIN), DS_OK);
    for (float s : Render(64)) ASSERT_EQ(s, 0.0f);
}

TEST_F(MixerTest, OneShotEndsAndLoopingWraps) {
    auto* once = Constant16(100, 8192);
    auto* loop = Constant16(100, 4096);
    once->Play(0, 0, 0);
    loop->Play(0, 0, DSBPLAY_LOOPING);
    auto out = Render(250);
    EXPECT_NEAR(out[2 * 99], 0.375f, 1e-4);
    for (int i = 100; i < 250; ++i) ASSERT_NEAR(out[2 * i], 0.125f, 1e-4) << i;
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
    // The samples outlive the original while the copy holds them.
    a->Stop();
    buffers.erase(buffers.begin());
    EXPECT_EQ(a->Release(), 0u);
    EXPECT_NEAR(Render(4)[0], 0.125f, 1e-4);
}

TEST_F(MixerTest, ResamplesEachRateToTheSamePitchAndLength) {
    for (DWORD playRate : {11025u, 22050u, 44100u}) {
        SCOPED_TRACE(playRate);
        // Half a second (at the playing rate) of a 441 Hz sine.
        std::vector<uint8_t> bytes;
        int frames = static_cast<int>(playRate / 2);
        for (int i = 0; i < frames; ++i) {
            int16_t v = static_cast<int16_t>(20000 * std::sin(2 * M_PI * 441.0 * i / playRate));
            bytes.push_back(uint8_t(v & 0xFF));
            bytes.push_back(uint8_t(v >> 8));
        }
        auto* b = Make(Pcm(1, playRate, 16), bytes);
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

TEST_F(MixerTest, RefusesFormatsAndSizesItCannotPlay) {
    WAVEFORMATEX adpcm = Pcm(1, 22050, 16), misaligned = Pcm(2, 22050, 16);
    adpcm.wFormatTag = 2;
    misaligned.nBlockAlign = 3;
    struct Case { WAVEFORMATEX f; DWORD bytes; HRESULT want; };
    const Case cases[] = {
        {adpcm, 1000, DSERR_BADFORMAT},
        {Pcm(3, 22050, 16), 1200, DSERR_BADFORMAT},
        {Pcm(0, 22050, 16), 1200, DSERR_BADFORMAT},
        {Pcm(1, 22050, 24), 1200, DSERR_BADFORMAT},
        {Pcm(1, 50, 16), 1200, DSERR_BADFORMAT},
        {Pcm(2, 4000000000u, 16), 1200, DSERR_BADFORMAT},
        {misaligned, 1200, DSERR_BADFORMAT},
        {Pcm(1, 22050, 16), 0, DSERR_INVALIDPARAM},
        {Pcm(2, 22050, 16), 2, DSERR_INVALIDPARAM},
        {Pcm(1, 22050, 16), 0x7FFFFFFF, DSERR_INVALIDPARAM},
    };
    for (const Case& c : cases) {
        WAVEFORMATEX f = c.f;
        DSBUFFERDESC desc = Desc(kControls, c.bytes, &f);
        IDirectSoundBuffer* b = reinterpret_cast<IDirectSoundBuffer*>(1);
        EXPECT_EQ(ds->CreateSoundBuffer(&desc, &b, nullptr), c.want) << c.f.nChannels << " " << c.bytes;
        EXPECT_EQ(b, nullptr);
    }
    DSBUFFERDESC noFormat = Desc(0, 100, nullptr);
    IDirectSoundBuffer* b = nullptr;
    EXPECT_EQ(ds->CreateSoundBuffer(&noFormat, &b, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(ds->CreateSoundBuffer(nullptr, &b, nullptr), DSERR_INVALIDPARAM);
}

TEST_F(MixerTest, TheDeviceGoesWithItsLastBufferNotBefore) {
    auto* b = Constant16(10, 100);
    buffers.clear();
    IDirectSound8* device = ds;
    ds = nullptr;
    device->Release();
    b->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_NE(Render(4)[0], 0.0f);
    EXPECT_EQ(b->Release(), 0u);
    EXPECT_FALSE(quil_audio::OutputOpen());
}

TEST(DirectSoundDevice, GameThreadCallsAreSafeWhileTheAudioThreadMixes) {
    // SDL's dummy driver (set by the test environment) runs a real audio thread.
    IDirectSound8* ds = nullptr;
    if (DirectSoundCreate8(nullptr, &ds, nullptr) != DS_OK) GTEST_SKIP() << "no audio device here";
    ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
    WAVEFORMATEX f = Pcm(2, 11025, 8);
    DSBUFFERDESC desc = Desc(kControls, 2000, &f);
    IDirectSoundBuffer* first = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &first, nullptr), DS_OK);
    first->Play(0, 0, DSBPLAY_LOOPING);
    DWORD play = 0;
    for (int i = 0; i < 200 && play == 0; ++i) {
        first->GetCurrentPosition(&play, nullptr);
        struct timespec ts{0, 10 * 1000 * 1000};
        if (play == 0) nanosleep(&ts, nullptr);
    }
    EXPECT_GT(play, 0u);  // the device thread advances it
    // Voices come and go, start, stop, move and change while the device thread mixes them.
    for (int round = 0; round < 2000; ++round) {
        IDirectSoundBuffer* copy = nullptr;
        ASSERT_EQ(ds->DuplicateSoundBuffer(first, &copy), DS_OK);
        copy->Play(0, 0, round % 3 == 0 ? DSBPLAY_LOOPING : 0);
        first->Play(0, 0, DSBPLAY_LOOPING);
        first->SetVolume(-(round % 10000));
        first->SetCurrentPosition((round * 2) % 2000);
        if (round % 7 == 0) first->Stop();
        copy->Release();
    }
    EXPECT_EQ(first->Release(), 0u);
    EXPECT_EQ(ds->Release(), 0u);
}

}  // namespace
