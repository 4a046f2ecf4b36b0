// Fuzz target for the WAV chunk walk and the MIDI file parser. With clang it is a
// libFuzzer target; otherwise a small driver runs the files it is given, then a
// fixed number of random mutations of built-in seeds.
#include <cstdint>
#include <cstdio>
#include <cstring>
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

#ifdef QUIL_FUZZ_STANDALONE
namespace {
uint32_t g_state = 12345;
uint32_t Next() {
    g_state = g_state * 1664525u + 1013904223u;
    return g_state >> 8;
}
std::vector<uint8_t> Seed(int which) {
    if (which == 0) {
        std::vector<uint8_t> wav = {'R', 'I', 'F', 'F', 44, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0,
                                    0, 0, 1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0,
                                    'd', 'a', 't', 'a', 8, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
        return wav;
    }
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 12,
            0, 0x90, 60, 100, 96, 0x80, 60, 0, 0, 0xFF, 0x2F, 0};
}
}  // namespace

int main(int argc, char** argv) {
    long runs = 200000;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "-runs=", 6) == 0) {
            runs = std::atol(argv[i] + 6);
            continue;
        }
        FILE* f = std::fopen(argv[i], "rb");
        if (!f) continue;
        std::vector<uint8_t> bytes;
        int c;
        while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(f);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    for (long r = 0; r < runs; ++r) {
        std::vector<uint8_t> input = Seed(static_cast<int>(r & 1));
        int edits = 1 + static_cast<int>(Next() % 8);
        for (int e = 0; e < edits; ++e) {
            switch (Next() % 4) {
                case 0: if (!input.empty()) input[Next() % input.size()] = static_cast<uint8_t>(Next()); break;
                case 1: if (!input.empty()) input.resize(Next() % input.size()); break;
                case 2: input.insert(input.begin() + static_cast<long>(Next() % (input.size() + 1)), static_cast<uint8_t>(Next())); break;
                default: if (!input.empty()) input[Next() % input.size()] ^= static_cast<uint8_t>(1u << (Next() % 8)); break;
            }
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%ld runs, no crash\n", runs);
    return 0;
}
#endif
