// The generated sounds and tunes through the game's own audio services: every WAV loads into the
// sound manager's buffers and every MIDI file into a music track.
#include <gtest/gtest.h>

#include <string>

#include "generated_set.h"
#include "music.h"
#include "quil_audio_output.h"
#include "quil_automation.h"
#include "sound.h"

namespace {

const char* const kSounds[] = {
    "sfx/footsteps/hard1.wav", "sfx/footsteps/hard2.wav", "sfx/footsteps/hard3.wav", "sfx/footsteps/hard4.wav",
    "sfx/footsteps/normal1.wav", "sfx/footsteps/normal2.wav", "sfx/footsteps/normal3.wav", "sfx/footsteps/normal4.wav",
    "sfx/footsteps/snow1.wav", "sfx/footsteps/snow2.wav", "sfx/footsteps/soft1.wav", "sfx/footsteps/soft2.wav",
    "sfx/footsteps/soft3.wav", "sfx/footsteps/soft4.wav", "sfx/heartbeat.wav", "sfx/hit.wav", "sfx/evilfire1.wav",
    "sfx/evilfire2.wav", "sfx/fire1.wav", "sfx/fire2.wav", "sfx/goblindeath.wav", "sfx/spawn1.wav", "sfx/spawn2.wav",
    "sfx/gotpresent.wav", "sfx/dopresent.wav", "sfx/levelstart.wav", "sfx/levelcomplete.wav", "sfx/gameover.wav",
    "sfx/menumove.wav", "sfx/menuselect.wav",
};

}  // namespace

TEST(AssetsThroughTheGame, EverySoundLoadsIntoTheSoundManager) {
    quil_audio::UseMemoryOutput(true);
    quil_automation::SetHeadless(true);
    SoundManager manager;
    ASSERT_EQ(manager.Init(), 0u);
    for (const char* name : kSounds) {
        const std::vector<uint8_t> image = assets_test::ReadGenerated(name);
        WAVEFORMATEX format{};
        const BYTE* data = nullptr;
        DWORD size = 0;
        EXPECT_EQ(SoundManager::ParseWav(image.data(), static_cast<uint32_t>(image.size()), &format, &data, &size), 0) << name;
        EXPECT_EQ(format.wFormatTag, 1) << name;
        EXPECT_GT(size, 0u) << name;
        const std::string path = assets_test::GeneratedRoot() + "/" + name;
        Sound* sound = manager.LoadSound(path.c_str(), 2);
        EXPECT_NE(sound, nullptr) << name;
        manager.PlaySound(sound, 0);
        manager.FreeSound(sound);
    }
    manager.Shutdown();
    quil_audio::UseMemoryOutput(false);
}

TEST(AssetsThroughTheGame, EveryTuneLoadsIntoTheMusicManager) {
    quil_audio::UseMemoryOutput(true);
    quil_automation::SetHeadless(true);
    MusicManager manager;
    ASSERT_EQ(manager.Init(), 0u);
    for (const char* name : {"sfx/quil_xmas_theme.mid", "sfx/letitsnow.mid", "sfx/whitexmas.mid"}) {
        const std::string path = assets_test::GeneratedRoot() + "/" + name;
        const std::wstring wide(path.begin(), path.end());
        MusicTrack* track = manager.LoadMusic(wide.c_str());
        EXPECT_NE(track, nullptr) << name;
        manager.FreeMusic(track);
    }
    manager.Shutdown();
    quil_audio::UseMemoryOutput(false);
}
