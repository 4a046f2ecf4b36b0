// Standard MIDI File reading: type 0 and 1 files (also wrapped in RIFF RMID) to one
// time-ordered list of channel events with their times in output samples.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quil_dmusic {

struct MidiEvent {
    uint64_t sample;  // time from the start of the song, in samples at the output rate
    uint8_t status;   // channel message: 0x80..0xEF
    uint8_t data1;
    uint8_t data2;
};

struct MidiSong {
    std::vector<MidiEvent> events;  // sorted by time; events at one time keep file order
    uint64_t lengthSamples = 0;     // end of the last track
};

// Parses a file image; false with a reason for anything that is not a usable MIDI file.
// Damaged tracks are read up to the damage; nothing outside [data, data + size) is read.
bool ParseMidiFile(const uint8_t* data, size_t size, int sampleRate, MidiSong& song, std::string* error);

}  // namespace quil_dmusic
