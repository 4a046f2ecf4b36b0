// Fuzz target for the WAV chunk walk and the MIDI file parser.
#include <cstdint>
#include <vector>

#include "smf_parser.h"
#include "sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    // Exact-size copies, so that any read past the input is caught.
    std::vector<uint8_t> image(data, data + size);
    WAVEFORMATEX format;
    const BYTE* samples = nullptr;
    DWORD bytes = 0;
    if (SoundManager::ParseWav(image.data(), static_cast<uint32_t>(size), &format, &samples, &bytes) == 0) {
        // What the parser hands out lies inside the image.
        if (samples < image.data() || samples + bytes > image.data() + size) __builtin_trap();
    }
    quil_dmusic::MidiSong song;
    if (quil_dmusic::ParseMidiFile(image.data(), size, 44100, song, nullptr)) {
        for (size_t i = 1; i < song.events.size(); ++i) {
            if (song.events[i].sample < song.events[i - 1].sample) __builtin_trap();
            if (song.events[i].status < 0x80 || song.events[i].status > 0xEF) __builtin_trap();
        }
    }
    return 0;
}
