// Builds small Standard MIDI Files in memory for the audio tests.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace audio_test {

class TrackBuilder {
public:
    TrackBuilder& Delta(uint32_t ticks) {
        uint8_t tmp[5];
        int n = 0;
        tmp[n++] = ticks & 0x7F;
        while (ticks >>= 7) tmp[n++] = 0x80 | (ticks & 0x7F);
        while (n) bytes.push_back(tmp[--n]);
        return *this;
    }
    TrackBuilder& Event(uint32_t delta, std::initializer_list<uint8_t> data) {
        Delta(delta);
        bytes.insert(bytes.end(), data);
        return *this;
    }
    TrackBuilder& Tempo(uint32_t delta, uint32_t usPerQuarter) {
        return Event(delta, {0xFF, 0x51, 0x03, uint8_t(usPerQuarter >> 16), uint8_t(usPerQuarter >> 8),
                             uint8_t(usPerQuarter)});
    }
    TrackBuilder& End(uint32_t delta) { return Event(delta, {0xFF, 0x2F, 0x00}); }
    std::vector<uint8_t> bytes;
};

inline void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

inline std::vector<uint8_t> MidiFile(uint16_t format, uint16_t division, const std::vector<TrackBuilder>& tracks) {
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    out.push_back(uint8_t(format >> 8));
    out.push_back(uint8_t(format));
    out.push_back(uint8_t(tracks.size() >> 8));
    out.push_back(uint8_t(tracks.size()));
    out.push_back(uint8_t(division >> 8));
    out.push_back(uint8_t(division));
    for (const auto& t : tracks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        PutBe32(out, uint32_t(t.bytes.size()));
        out.insert(out.end(), t.bytes.begin(), t.bytes.end());
    }
    return out;
}

// One piano note (middle C) held for half a second at 120 beats a minute, 480 ticks a beat.
inline std::vector<uint8_t> OneNoteSong(uint8_t program = 0) {
    TrackBuilder t;
    t.Event(0, {0xC0, program}).Event(0, {0x90, 60, 110}).Event(480, {0x80, 60, 0}).End(0);
    return MidiFile(0, 480, {t});
}

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace audio_test
