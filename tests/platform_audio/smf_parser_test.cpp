// The MIDI file parser: merging tracks, tempo, running status, and damaged files.
#include <gtest/gtest.h>

#include "midi_builder.h"
#include "smf_parser.h"

namespace {

using audio_test::MidiFile;
using audio_test::TrackBuilder;
using quil_dmusic::MidiSong;
using quil_dmusic::ParseMidiFile;

constexpr int kRate = 44100;

bool Parse(const std::vector<uint8_t>& bytes, MidiSong& song) {
    return ParseMidiFile(bytes.data(), bytes.size(), kRate, song, nullptr);
}

TEST(MidiParser, MergesTracksInTimeOrderThroughTheTempoMap) {
    TrackBuilder tempo;
    tempo.Tempo(0, 1000000).Tempo(960, 250000).End(0);  // 60 bpm for two beats, then 240 bpm
    TrackBuilder a;
    a.Event(0, {0x90, 60, 100}).Event(960, {0x80, 60, 0}).Event(480, {0x90, 62, 100}).End(480);
    TrackBuilder b;
    b.Event(480, {0xC1, 5}).Event(960, {0x91, 64, 90}).End(0);
    MidiSong song;
    ASSERT_TRUE(Parse(MidiFile(1, 480, {tempo, a, b}), song));
    struct Want { uint8_t status; uint64_t sample; };
    const Want want[] = {{0x90, 0}, {0xC1, 44100}, {0x80, 88200}, {0x90, 99225}, {0x91, 99225}};
    ASSERT_EQ(song.events.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(song.events[i].status, want[i].status) << i;
        EXPECT_EQ(song.events[i].sample, want[i].sample) << i;
    }
    EXPECT_EQ(song.events[3].data1, 62);  // same time: the earlier track first
    EXPECT_EQ(song.lengthSamples, 110250u);
}

TEST(MidiParser, ReadsRunningStatusSysExAndSmpteTime) {
    TrackBuilder t;
    t.Event(0, {0x90, 60, 100}).Event(10, {62, 100}).Event(0, {0xF0, 0x02, 0x7E, 0xF7}).Event(10, {64, 0});
    t.Event(0, {0xFF, 0x01, 0x03, 'a', 'b', 'c'}).End(5);
    MidiSong song;
    ASSERT_TRUE(Parse(MidiFile(0, 0xE728, {t}), song));  // 25 frames of 40 ticks: 1000 ticks a second
    ASSERT_EQ(song.events.size(), 3u);
    EXPECT_EQ(song.events[1].data1, 62);
    EXPECT_EQ(song.events[1].sample, 441u);
    EXPECT_EQ(song.events[2].status, 0x90);
    EXPECT_EQ(song.events[2].data2, 0);
    EXPECT_EQ(song.lengthSamples, 25u * 441 / 10);
}

TEST(MidiParser, ReadsADamagedTrackUpToTheDamage) {
    TrackBuilder t;
    t.Event(0, {0x90, 60, 100}).Event(10, {0x80, 60, 0}).Event(0, {0x90, 0x80});  // a status byte as data
    MidiSong song;
    ASSERT_TRUE(Parse(MidiFile(0, 96, {t}), song));
    EXPECT_EQ(song.events.size(), 2u);
    // A file cut inside its track keeps what came before the cut.
    auto bytes = audio_test::OneNoteSong();
    bytes.resize(bytes.size() - 6);
    ASSERT_TRUE(Parse(bytes, song));
    EXPECT_EQ(song.events.size(), 2u);
    // Data without any status, and an over-long delta time, end the track.
    TrackBuilder noStatus;
    noStatus.Event(0, {60, 100});
    ASSERT_TRUE(Parse(MidiFile(0, 96, {noStatus}), song));
    EXPECT_TRUE(song.events.empty());
    TrackBuilder longDelta;
    longDelta.Event(0, {0x90, 1, 1});
    longDelta.bytes.insert(longDelta.bytes.end(), {0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 2, 2});
    ASSERT_TRUE(Parse(MidiFile(0, 96, {longDelta}), song));
    EXPECT_EQ(song.events.size(), 1u);
}

TEST(MidiParser, RefusesWhatIsNotAPlayableMidiFileAndUnwrapsRmid) {
    MidiSong song;
    TrackBuilder t;
    t.End(0);
    auto badHeader = MidiFile(0, 96, {t});
    badHeader[7] = 200;  // header length past the end
    const std::vector<uint8_t> cases[] = {
        {}, {'R', 'I', 'F', 'F'}, badHeader,
        MidiFile(2, 96, {t}),  // type 2
        MidiFile(1, 0, {t}),   // no time division
        MidiFile(1, 96, {}),   // no tracks
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseMidiFile(c.empty() ? nullptr : c.data(), c.size(), kRate, song, &error)) << c.size();
        EXPECT_FALSE(error.empty());
    }
    // A MIDI file wrapped in a RIFF 'RMID' data chunk.
    auto midi = audio_test::OneNoteSong();
    std::vector<uint8_t> rmid = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
    for (int i = 0; i < 4; ++i) rmid.push_back(uint8_t(midi.size() >> (8 * i)));
    rmid.insert(rmid.end(), midi.begin(), midi.end());
    ASSERT_TRUE(Parse(rmid, song));
    EXPECT_EQ(song.events.size(), 3u);
}

}  // namespace
