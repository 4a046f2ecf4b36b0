// SoundManager over the DirectSound stand-in rendering into memory.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "memorycontroller.h"
#include "midi_builder.h"
#include "quil_audio_output.h"
#include "quil_automation.h"
#include "sound.h"
#include "winuser.h"

namespace {

void PutN(std::vector<uint8_t>& v, uint32_t x, int bytes) {
    for (int i = 0; i < bytes; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

struct Chunk {
    std::string id;
    std::vector<uint8_t> body;
    uint32_t declared = 0xFFFFFFFF;  // a size other than the body's, for broken files
};

std::vector<uint8_t> Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> b;
    PutN(b, tag, 2);
    PutN(b, channels, 2);
    PutN(b, rate, 4);
    PutN(b, rate * channels * bits / 8, 4);
    PutN(b, uint16_t(channels * bits / 8), 2);
    PutN(b, bits, 2);
    return b;
}

std::vector<uint8_t> Riff(const std::vector<Chunk>& chunks, int64_t riffSize = -1) {
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) {
        body.insert(body.end(), c.id.begin(), c.id.end());
        PutN(body, c.declared != 0xFFFFFFFF ? c.declared : uint32_t(c.body.size()), 4);
        body.insert(body.end(), c.body.begin(), c.body.end());
        if (c.body.size() & 1) body.push_back(0);
    }
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    PutN(out, riffSize >= 0 ? uint32_t(riffSize) : uint32_t(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// frames 16-bit mono samples of a constant value.
std::vector<uint8_t> Samples(int frames, int16_t value = 1) {
    std::vector<uint8_t> b;
    for (int i = 0; i < frames; ++i) PutN(b, uint16_t(value), 2);
    return b;
}

std::vector<uint8_t> SimpleWav(int frames) { return Riff({{"fmt ", Fmt(1, 1, 22050, 16)}, {"data", Samples(frames, 8192)}}); }

class SoundManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        quil_audio::UseMemoryOutput(true);
        quil_automation::SetHeadless(true);
        quil_automation::ClearMessageBoxesShown();
        ASSERT_EQ(manager.Init(), 0u);
    }
    void TearDown() override {
        for (Sound* s : sounds) manager.FreeSound(s);
        manager.Shutdown();
        quil_audio::UseMemoryOutput(false);
        EXPECT_EQ(MemoryController::GetBlockCount("Sound File"), 0u);
        EXPECT_EQ(MemoryController::GetBlockCount("Sound"), 0u);
        EXPECT_EQ(MemoryController::GetBlockCount("Sound Buffers"), 0u);
    }

    // Files go into the case's own working folder.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        EXPECT_TRUE(audio_test::WriteFile(name, bytes));
        return name;
    }
    Sound* Load(const std::vector<uint8_t>& bytes, uint32_t copies = 1) {
        Sound* s = manager.LoadSound(Write("s" + std::to_string(written++) + ".wav", bytes).c_str(), copies);
        if (s) sounds.push_back(s);
        return s;
    }
    static DWORD Status(IDirectSoundBuffer* b) { DWORD s = 0; return b->GetStatus(&s), s; }
    static DWORD Position(IDirectSoundBuffer* b) { DWORD p = 0; return b->GetCurrentPosition(&p, nullptr), p; }
    static LONG Volume(IDirectSoundBuffer* b) { LONG v = 1; return b->GetVolume(&v), v; }
    static void Render(int frames) {
        std::vector<float> out(2 * static_cast<size_t>(frames));
        quil_audio::Render(out.data(), frames);
    }

    SoundManager manager;
    int written = 0;
    std::vector<Sound*> sounds;
};

TEST_F(SoundManagerTest, LoadsAroundExtraChunksPadBytesAndFromReadOnlyFiles) {
    auto bytes = Riff({{"LIST", {1, 2, 3, 4, 5}},
                       {"fmt ", Fmt(1, 2, 11025, 8)},
                       {"junk", {9}},
                       {"data", std::vector<uint8_t>(1001, 200)}});
    Sound* s = Load(bytes, 2);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->dwDataSize, 1001u);
    EXPECT_EQ(s->pData - s->pFileImage, 12 + 14 + 24 + 10 + 8);
    WAVEFORMATEX f{};
    s->ppBuffers[1]->GetFormat(&f, sizeof(f), nullptr);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nSamplesPerSec, 11025u);
    EXPECT_EQ(f.wBitsPerSample, 8);
    // An oversized RIFF size is cut to the file.
    EXPECT_NE(Load(Riff({{"fmt ", Fmt(1, 1, 22050, 16)}, {"data", Samples(10)}}, 0x7FFFFFF0)), nullptr);
    std::string path = Write("readonly.wav", SimpleWav(100));
    chmod(path.c_str(), 0444);
    Sound* ro = manager.LoadSound(path.c_str(), 1);
    ASSERT_NE(ro, nullptr);
    sounds.push_back(ro);
}

TEST_F(SoundManagerTest, RefusesBrokenFilesWithoutLeakingOrOverreading) {
    auto fmt = Fmt(1, 1, 22050, 16);
    const std::vector<uint8_t> cases[] = {
        Riff({{"junk", {1, 2}, 0xFFFFFFF8u}, {"fmt ", fmt}, {"data", Samples(4)}}),  // size wraps 32 bits
        Riff({{"fmt ", fmt}, {"data", {}}}),                                          // zero-length data
        Riff({{"fmt ", fmt}}),                                                        // no data
        Riff({{"data", Samples(4)}}),                                                 // no format
        Riff({{"fmt ", fmt}, {"data", Samples(4)}}, 4 + 8 + 16),                      // RIFF ends first
        Riff({{"fmt ", Fmt(2, 1, 22050, 16)}, {"data", Samples(40)}}),                // compressed
        Riff({{"fmt ", Fmt(1, 3, 22050, 16)}, {"data", Samples(60)}}),                // three channels
        Riff({{"fmt ", Fmt(1, 1, 22050, 24)}, {"data", Samples(60)}}),                // 24-bit
        Riff({{"fmt ", Fmt(1, 1, 0, 16)}, {"data", Samples(60)}}),                    // rate 0
        Riff({{"fmt ", Fmt(1, 1, 0xFFFFFFFFu, 16)}, {"data", Samples(60)}}),          // absurd rate
        Riff({{"fmt ", Fmt(1, 2, 22050, 16)}, {"data", {1, 2}}}),                     // under one frame
        Riff({{"fmt ", std::vector<uint8_t>(fmt.begin(), fmt.begin() + 14)}, {"data", Samples(4)}}),  // no bits
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) EXPECT_EQ(Load(cases[i], 2), nullptr) << i;
    EXPECT_EQ(manager.LoadSound("none.wav", 1), nullptr);
    EXPECT_EQ(manager.LoadSound(nullptr, 1), nullptr);
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
    // Not a WAVE at all: a message each.
    EXPECT_EQ(Load({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}), nullptr);
    EXPECT_EQ(Load({'R', 'I', 'F'}), nullptr);
    EXPECT_EQ(Load({}), nullptr);
    const auto& shown = quil_automation::MessageBoxesShown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_NE(shown[0].text.find("Invalid WAV format, cannot load wav file"), std::string::npos);
    // A 'fmt ' chunk under 14 bytes is a fatal trap; answering Debug goes on.
    quil_automation::ClearMessageBoxesShown();
    quil_automation::QueueMessageBoxAnswer(IDYES);
    EXPECT_EQ(Load(Riff({{"fmt ", {1, 0, 1, 0}}, {"data", Samples(4)}})), nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("Sound file empty, cannot load file"), std::string::npos);
}

TEST_F(SoundManagerTest, PlaysRotateOverCopiesAndASingleCopyIsNotRestarted) {
    Sound* one = Load(SimpleWav(2205));
    Sound* two = Load(SimpleWav(22050), 2);
    ASSERT_TRUE(one && two);
    manager.PlaySound(one, 0);
    manager.PlaySound(two, 0);
    Render(441);
    DWORD before = Position(one->ppBuffers[0]);
    manager.PlaySound(one, 0);
    EXPECT_EQ(Position(one->ppBuffers[0]), before);
    manager.PlaySound(two, 0);
    Render(100);
    EXPECT_TRUE(Status(two->ppBuffers[1]) & DSBSTATUS_PLAYING);
    EXPECT_GT(Position(two->ppBuffers[0]), Position(two->ppBuffers[1]));
    manager.PlaySound(two, 0);  // the third play restarts the first copy
    EXPECT_EQ(Position(two->ppBuffers[0]), 0u);
    // Once it has ended, the single copy starts again from the beginning.
    Render(44100);
    EXPECT_EQ(Status(one->ppBuffers[0]), 0u);
    manager.PlaySound(one, 0);
    EXPECT_TRUE(Status(one->ppBuffers[0]) & DSBSTATUS_PLAYING);
    EXPECT_EQ(Position(one->ppBuffers[0]), 0u);
}

TEST_F(SoundManagerTest, OnlyOneCopySoundsLoopAndVolumeGoesToOneCopyUnclampedAndRewindsIt) {
    Sound* two = Load(SimpleWav(100), 2);
    Sound* one = Load(SimpleWav(100), 1);
    ASSERT_TRUE(two && one);
    manager.PlaySound(two, DSBPLAY_LOOPING);
    EXPECT_EQ(Status(two->ppBuffers[0]) | Status(two->ppBuffers[1]), 0u);
    manager.PlaySound(one, DSBPLAY_LOOPING);
    Render(2000);
    EXPECT_EQ(Status(one->ppBuffers[0]), DWORD(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
    manager.StopSound(one);
    EXPECT_EQ(Status(one->ppBuffers[0]), 0u);
    EXPECT_EQ(Position(one->ppBuffers[0]), 0u);

    // The volume goes to one copy, unclamped, and rewinds it.
    Sound* s = Load(SimpleWav(22050), 2);
    ASSERT_NE(s, nullptr);
    manager.SetSoundVolume(s, 0.75f);
    EXPECT_EQ(Volume(s->ppBuffers[0]), -2500);
    EXPECT_EQ(Volume(s->ppBuffers[1]), 0);
    // Out of range values are passed on unclamped and refused by the device.
    manager.SetSoundVolume(s, 0.5f);
    manager.SetSoundVolume(s, 1.5f);
    manager.SetSoundVolume(s, -3e30f);
    EXPECT_EQ(Volume(s->ppBuffers[0]), -5000);
    manager.PlaySound(s, 0);
    Render(500);
    manager.SetSoundVolume(s, 0.5f);
    EXPECT_EQ(Position(s->ppBuffers[0]), 0u);
}

TEST(SoundManagerSilent, WithoutADeviceSaysSoOnceAndDoesNothing) {
    quil_automation::SetHeadless(true);
    quil_automation::ClearMessageBoxesShown();
    quil_audio::SimulateNoDevice(true);
    SoundManager manager;
    EXPECT_EQ(manager.Init(), 0u);
    const auto& shown = quil_automation::MessageBoxesShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Cannot Initialise the Sound System\nThis program will now run with no sound");
    EXPECT_EQ(manager.LoadSound("sfx/anything.wav", 1), nullptr);
    manager.PlaySound(nullptr, 0);
    manager.StopSound(nullptr);
    manager.SetSoundVolume(nullptr, 1.0f);
    manager.FreeSound(nullptr);
    EXPECT_EQ(manager.Shutdown(), 0u);
    quil_audio::SimulateNoDevice(false);
    // Init may run again, and then finds the device.
    quil_audio::UseMemoryOutput(true);
    EXPECT_EQ(manager.Init(), 0u);
    EXPECT_EQ(manager.Init(), 0u);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(manager.Shutdown(), 0u);
    EXPECT_FALSE(quil_audio::OutputOpen());
    quil_audio::UseMemoryOutput(false);
}

TEST(WavParser, EveryTruncatedImageIsRefusedWithoutOverreading) {
    WAVEFORMATEX f;
    const BYTE* data = nullptr;
    DWORD size = 0;
    auto wav = Riff({{"fmt ", Fmt(1, 2, 44100, 16)}, {"data", Samples(8, 3)}});
    ASSERT_EQ(SoundManager::ParseWav(wav.data(), uint32_t(wav.size()), &f, &data, &size), 0);
    EXPECT_EQ(data, wav.data() + 44);
    for (size_t n = 0; n < wav.size(); ++n) {
        std::vector<uint8_t> cut(wav.begin(), wav.begin() + long(n));  // exact-size copy for ASan
        EXPECT_NE(SoundManager::ParseWav(cut.data(), uint32_t(n), &f, &data, &size), 0) << n;
    }
    EXPECT_EQ(SoundManager::ParseWav(nullptr, 100, &f, &data, &size), 2);
}

}  // namespace
