// SoundManager over the DirectSound stand-in rendering into memory: WAV loading and
// its bad input, the rotation of copies, looping, volume and silent running.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "memorycontroller.h"
#include "quil_audio_output.h"
#include "quil_automation.h"
#include "sound.h"
#include "winuser.h"

namespace {

void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}

struct Chunk {
    std::string id;
    std::vector<uint8_t> body;
    uint32_t declared = 0xFFFFFFFF;  // a size other than the body's, for broken files
};

std::vector<uint8_t> FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> b;
    Put16(b, tag);
    Put16(b, channels);
    Put32(b, rate);
    Put32(b, rate * channels * bits / 8);
    Put16(b, uint16_t(channels * bits / 8));
    Put16(b, bits);
    return b;
}

std::vector<uint8_t> Riff(const std::vector<Chunk>& chunks, int64_t riffSize = -1) {
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) {
        body.insert(body.end(), c.id.begin(), c.id.end());
        Put32(body, c.declared != 0xFFFFFFFF ? c.declared : uint32_t(c.body.size()));
        body.insert(body.end(), c.body.begin(), c.body.end());
        if (c.body.size() & 1) body.push_back(0);
    }
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    Put32(out, riffSize >= 0 ? uint32_t(riffSize) : uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// frames 16-bit mono samples of a constant value.
std::vector<uint8_t> Samples(int frames, int16_t value) {
    std::vector<uint8_t> b;
    for (int i = 0; i < frames; ++i) Put16(b, uint16_t(value));
    return b;
}

std::vector<uint8_t> SimpleWav(int frames, int16_t value = 8192) {
    return Riff({{"fmt ", FmtBody(1, 1, 22050, 16)}, {"data", Samples(frames, value)}});
}

class SoundManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        quil_audio::UseMemoryOutput(true);
        quil_automation::SetHeadless(true);
        quil_automation::ClearMessageBoxesShown();
        dir = ::testing::TempDir() + "sound_test_" + std::to_string(getpid()) + "/";
        mkdir(dir.c_str(), 0755);
        ASSERT_EQ(manager.Init(), 0u);
    }
    void TearDown() override {
        for (Sound* s : sounds) manager.FreeSound(s);
        manager.Shutdown();
        for (const auto& f : files) std::remove(f.c_str());
        rmdir(dir.c_str());
        quil_audio::UseMemoryOutput(false);
        EXPECT_EQ(MemoryController::GetBlockCount("Sound File"), 0u);
        EXPECT_EQ(MemoryController::GetBlockCount("Sound"), 0u);
        EXPECT_EQ(MemoryController::GetBlockCount("Sound Buffers"), 0u);
    }

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = dir + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        files.push_back(path);
        return path;
    }
    Sound* Load(const std::vector<uint8_t>& bytes, uint32_t copies = 1) {
        Sound* s = manager.LoadSound(Write("s" + std::to_string(files.size()) + ".wav", bytes).c_str(), copies);
        if (s) sounds.push_back(s);
        return s;
    }
    static DWORD Status(IDirectSoundBuffer* b) {
        DWORD s = 0;
        b->GetStatus(&s);
        return s;
    }
    static DWORD Position(IDirectSoundBuffer* b) {
        DWORD p = 0;
        b->GetCurrentPosition(&p, nullptr);
        return p;
    }
    static LONG Volume(IDirectSoundBuffer* b) {
        LONG v = 1;
        b->GetVolume(&v);
        return v;
    }
    static void Render(int frames) {
        std::vector<float> out(2 * static_cast<size_t>(frames));
        quil_audio::Render(out.data(), frames);
    }

    SoundManager manager;
    std::string dir;
    std::vector<std::string> files;
    std::vector<Sound*> sounds;
};

TEST_F(SoundManagerTest, LoadsAroundExtraChunksAndPadBytes) {
    auto bytes = Riff({{"LIST", {1, 2, 3, 4, 5}},
                       {"fmt ", FmtBody(1, 2, 11025, 8)},
                       {"junk", {9}},
                       {"data", std::vector<uint8_t>(1001, 200)}});
    Sound* s = Load(bytes, 2);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->dwDataSize, 1001u);
    EXPECT_EQ(s->dwBufferCount, 2u);
    EXPECT_EQ(s->dwLast, 0u);
    EXPECT_EQ(s->pData[0], 200);
    EXPECT_EQ(s->pData - s->pFileImage, 12 + 14 + 24 + 10 + 8);
    ASSERT_NE(s->ppBuffers[1], nullptr);
    EXPECT_EQ(s->ppBuffers[2], nullptr);
    WAVEFORMATEX f{};
    s->ppBuffers[1]->GetFormat(&f, sizeof(f), nullptr);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nSamplesPerSec, 11025u);
    EXPECT_EQ(f.wBitsPerSample, 8);
    // The bytes beyond the file's RIFF size are not walked; an oversized RIFF size is cut to the file.
    EXPECT_NE(Load(Riff({{"fmt ", FmtBody(1, 1, 22050, 16)}, {"data", Samples(10, 1)}}, 0x7FFFFFF0)), nullptr);
}

TEST_F(SoundManagerTest, ReadOnlyFileLoads) {
    std::string path = Write("readonly.wav", SimpleWav(100));
    chmod(path.c_str(), 0444);
    Sound* s = manager.LoadSound(path.c_str(), 1);
    ASSERT_NE(s, nullptr);
    sounds.push_back(s);
}

TEST_F(SoundManagerTest, RefusesBrokenFilesWithoutLeakingOrOverreading) {
    auto fmt = FmtBody(1, 1, 22050, 16);
    // A data chunk claiming more than the file holds (a truncated file).
    auto truncated = SimpleWav(1000);
    truncated.resize(truncated.size() - 500);
    EXPECT_EQ(Load(truncated), nullptr);
    // A chunk size that wraps around 32 bits.
    EXPECT_EQ(Load(Riff({{"junk", {1, 2}, 0xFFFFFFF8u}, {"fmt ", fmt}, {"data", Samples(4, 1)}})), nullptr);
    // Zero-length data, a missing data chunk, a missing format chunk.
    EXPECT_EQ(Load(Riff({{"fmt ", fmt}, {"data", {}}})), nullptr);
    EXPECT_EQ(Load(Riff({{"fmt ", fmt}})), nullptr);
    EXPECT_EQ(Load(Riff({{"data", Samples(4, 1)}})), nullptr);
    // The RIFF size ends the walk before the data chunk.
    EXPECT_EQ(Load(Riff({{"fmt ", fmt}, {"data", Samples(4, 1)}}, 4 + 8 + 16)), nullptr);
    // Formats the device cannot play: compressed, three channels, 24-bit, absurd rates.
    EXPECT_EQ(Load(Riff({{"fmt ", FmtBody(2, 1, 22050, 16)}, {"data", Samples(40, 1)}})), nullptr);
    EXPECT_EQ(Load(Riff({{"fmt ", FmtBody(1, 3, 22050, 16)}, {"data", Samples(60, 1)}})), nullptr);
    EXPECT_EQ(Load(Riff({{"fmt ", FmtBody(1, 1, 22050, 24)}, {"data", Samples(60, 1)}})), nullptr);
    EXPECT_EQ(Load(Riff({{"fmt ", FmtBody(1, 1, 0, 16)}, {"data", Samples(60, 1)}})), nullptr);
    EXPECT_EQ(Load(Riff({{"fmt ", FmtBody(1, 1, 0xFFFFFFFFu, 16)}, {"data", Samples(60, 1)}}), 2), nullptr);
    // Data shorter than one sample frame.
    EXPECT_EQ(Load(Riff({{"fmt ", FmtBody(1, 2, 22050, 16)}, {"data", {1, 2}}})), nullptr);
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
    // Missing file: null, no message.
    EXPECT_EQ(manager.LoadSound((dir + "none.wav").c_str(), 1), nullptr);
    EXPECT_EQ(manager.LoadSound(nullptr, 1), nullptr);
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
}

TEST_F(SoundManagerTest, ReportsFilesThatAreNotWaveAndShortFormats) {
    EXPECT_EQ(Load({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}), nullptr);
    EXPECT_EQ(Load({}), nullptr);
    EXPECT_EQ(Load({'R', 'I', 'F'}), nullptr);
    const auto& shown = quil_automation::MessageBoxesShown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_NE(shown[0].text.find("Invalid WAV format, cannot load wav file"), std::string::npos);
    // A 'fmt ' chunk under 14 bytes is a fatal trap; answering Debug goes on.
    quil_automation::ClearMessageBoxesShown();
    quil_automation::QueueMessageBoxAnswer(IDYES);
    EXPECT_EQ(Load(Riff({{"fmt ", {1, 0, 1, 0}}, {"data", Samples(4, 1)}})), nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("Sound file empty, cannot load file"), std::string::npos);
    // A 14-byte format (no bits per sample) gets as far as the device, which refuses it.
    std::vector<uint8_t> fmt14 = FmtBody(1, 1, 22050, 16);
    fmt14.resize(14);
    EXPECT_EQ(Load(Riff({{"fmt ", fmt14}, {"data", Samples(4, 1)}})), nullptr);
}

TEST_F(SoundManagerTest, OneCopyIgnoresPlaysWhileItPlays) {
    Sound* s = Load(SimpleWav(2205));
    ASSERT_NE(s, nullptr);
    manager.PlaySound(s, 0);
    Render(441);
    DWORD before = Position(s->ppBuffers[0]);
    EXPECT_GT(before, 0u);
    manager.PlaySound(s, 0);
    EXPECT_EQ(Position(s->ppBuffers[0]), before);
    EXPECT_TRUE(Status(s->ppBuffers[0]) & DSBSTATUS_PLAYING);
    // Once it has ended, the next play starts it again from the beginning.
    Render(44100);
    EXPECT_EQ(Status(s->ppBuffers[0]), 0u);
    manager.PlaySound(s, 0);
    EXPECT_TRUE(Status(s->ppBuffers[0]) & DSBSTATUS_PLAYING);
    EXPECT_EQ(Position(s->ppBuffers[0]), 0u);
}

TEST_F(SoundManagerTest, TwoCopiesRotateAndTheThirdPlayRestartsTheFirst) {
    Sound* s = Load(SimpleWav(22050), 2);
    ASSERT_NE(s, nullptr);
    manager.PlaySound(s, 0);
    Render(100);
    manager.PlaySound(s, 0);
    EXPECT_EQ(s->dwLast, 1u);
    Render(100);
    EXPECT_TRUE(Status(s->ppBuffers[0]) & DSBSTATUS_PLAYING);
    EXPECT_TRUE(Status(s->ppBuffers[1]) & DSBSTATUS_PLAYING);
    EXPECT_GT(Position(s->ppBuffers[0]), Position(s->ppBuffers[1]));
    manager.PlaySound(s, 0);
    EXPECT_EQ(s->dwLast, 0u);
    EXPECT_TRUE(Status(s->ppBuffers[0]) & DSBSTATUS_PLAYING);
    EXPECT_EQ(Position(s->ppBuffers[0]), 0u);
}

TEST_F(SoundManagerTest, OnlyOneCopySoundsLoop) {
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
}

TEST_F(SoundManagerTest, VolumeGoesToTheLastCopyInHundredthsOfDecibel) {
    Sound* s = Load(SimpleWav(22050), 2);
    ASSERT_NE(s, nullptr);
    manager.SetSoundVolume(s, 0.75f);
    EXPECT_EQ(Volume(s->ppBuffers[0]), -2500);
    EXPECT_EQ(Volume(s->ppBuffers[1]), 0);
    manager.SetSoundVolume(s, 0.0f);
    EXPECT_EQ(Volume(s->ppBuffers[0]), -10000);
    manager.SetSoundVolume(s, 1.0f);
    EXPECT_EQ(Volume(s->ppBuffers[0]), 0);
    // Out of range values are passed on unclamped and refused by the device.
    manager.SetSoundVolume(s, 0.5f);
    manager.SetSoundVolume(s, 1.5f);
    manager.SetSoundVolume(s, -3e30f);
    EXPECT_EQ(Volume(s->ppBuffers[0]), -5000);
    // Setting the volume rewinds the copy.
    manager.PlaySound(s, 0);
    Render(500);
    manager.SetSoundVolume(s, 0.5f);
    EXPECT_EQ(Position(s->ppBuffers[0]), 0u);
}

TEST_F(SoundManagerTest, ListenerIsOffered) {
    IDirectSound3DListener* listener = nullptr;
    ASSERT_EQ(manager.Get3DListener(&listener), 0u);
    ASSERT_NE(listener, nullptr);
    listener->Release();
    EXPECT_EQ(manager.Get3DListener(nullptr), 1u);
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
    EXPECT_EQ(shown[0].caption, "QEV Demo");
    EXPECT_EQ(manager.LoadSound("sfx/anything.wav", 1), nullptr);
    manager.PlaySound(nullptr, 0);
    manager.StopSound(nullptr);
    manager.SetSoundVolume(nullptr, 1.0f);
    manager.FreeSound(nullptr);
    IDirectSound3DListener* listener = nullptr;
    EXPECT_EQ(manager.Get3DListener(&listener), 1u);
    EXPECT_EQ(manager.Shutdown(), 0u);
    EXPECT_EQ(shown.size(), 1u);
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

TEST(WavParser, WalksChunksWithinTheImageOnly) {
    WAVEFORMATEX f;
    const BYTE* data = nullptr;
    DWORD size = 0;
    auto wav = Riff({{"fmt ", FmtBody(1, 2, 44100, 16)}, {"data", Samples(8, 3)}});
    ASSERT_EQ(SoundManager::ParseWav(wav.data(), uint32_t(wav.size()), &f, &data, &size), 0);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.cbSize, 0);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(data, wav.data() + 44);
    // Every shorter image of the same file is refused, and never read beyond its length.
    for (size_t n = 0; n < wav.size(); ++n) {
        std::vector<uint8_t> cut(wav.begin(), wav.begin() + long(n));
        EXPECT_NE(SoundManager::ParseWav(cut.data(), uint32_t(n), &f, &data, &size), 0) << n;
    }
    EXPECT_EQ(SoundManager::ParseWav(nullptr, 100, &f, &data, &size), 2);
}

}  // namespace
