// The generated sounds and tunes through the game's own audio services: every WAV loads into the
// sound manager's buffers, and every MIDI file parses into a tune of some length and loads into a
// music track.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "generated_set.h"
#include "music.h"
#include "quil_audio_output.h"
#include "quil_automation.h"
#include "smf_parser.h"
#include "sound.h"

namespace {

std::string PathOf(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return assets_test::GeneratedRoot() + "/" + name;
}

}  // namespace

TEST(AssetsThroughTheGame, EverySoundAndTuneLoadsIntoTheManagers) {
    quil_audio::UseMemoryOutput(true);
    quil_automation::SetHeadless(true);
    SoundManager sounds;
    ASSERT_EQ(sounds.Init(), 0u);
    for (const std::string& name : assets_test::GameFiles(".wav")) {
        Sound* sound = sounds.LoadSound(PathOf(name).c_str(), 2);
        ASSERT_NE(sound, nullptr) << name;
        EXPECT_GT(sound->dwDataSize, 400u) << name;
        sounds.PlaySound(sound, 0);
        sounds.FreeSound(sound);
    }
    sounds.Shutdown();
    MusicManager music;
    ASSERT_EQ(music.Init(), 0u);
    for (const std::string& name : assets_test::GameFiles(".mid")) {
        const std::vector<uint8_t> image = assets_test::ReadGenerated(name);
        quil_dmusic::MidiSong song;
        ASSERT_TRUE(quil_dmusic::ParseMidiFile(image.data(), image.size(), 44100, song, nullptr)) << name;
        const auto notes = std::count_if(song.events.begin(), song.events.end(),
                                         [](const auto& e) { return (e.status & 0xF0) == 0x90 && e.data2 > 0; });
        EXPECT_GT(notes, 150) << name;
        EXPECT_GT(song.lengthSamples, 30u * 44100) << name << ": long enough to be music";
        const std::string path = PathOf(name);
        MusicTrack* track = music.LoadMusic(std::wstring(path.begin(), path.end()).c_str());
        EXPECT_NE(track, nullptr) << name;
        music.FreeMusic(track);
    }
    music.Shutdown();
    quil_audio::UseMemoryOutput(false);
}
