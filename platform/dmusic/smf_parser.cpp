// Standard MIDI File parser, hardened against damaged and hostile files.
#include "smf_parser.h"

#include "quil_bytes.h"

#include <algorithm>

namespace quil_dmusic {
namespace {

constexpr size_t kMaxEvents = 4u << 20;          // more than any real song has
constexpr uint64_t kMaxTicks = uint64_t(1) << 40;  // keeps tick sums far from overflow

struct RawEvent {
    uint64_t tick;
    uint32_t order;  // position in the merged file order, for a stable sort
    uint8_t status, data1, data2;
    bool tempo;
    uint32_t microsecondsPerQuarter;
};

uint32_t Be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

class Reader {
public:
    Reader(const uint8_t* p, size_t n) : p_(p), end_(p + n) {}
    bool Done() const { return p_ >= end_; }
    bool Byte(uint8_t& b) {
        if (p_ >= end_) return false;
        b = *p_++;
        return true;
    }
    bool Peek(uint8_t& b) const {
        if (p_ >= end_) return false;
        b = *p_;
        return true;
    }
    // A variable-length quantity of at most four bytes.
    bool Vlq(uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!Byte(b)) return false;
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return false;
    }
    bool Skip(uint32_t n) {
        if (static_cast<size_t>(end_ - p_) < n) return false;
        p_ += n;
        return true;
    }
    const uint8_t* Here() const { return p_; }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

// Reads one track's events into out; stops quietly at the first damage.
// Returns the tick at which the track ends.
uint64_t ReadTrack(const uint8_t* data, size_t size, std::vector<RawEvent>& out, uint32_t& order) {
    Reader r(data, size);
    uint64_t tick = 0;
    uint8_t running = 0;
    while (!r.Done() && out.size() < kMaxEvents) {
        uint32_t delta;
        if (!r.Vlq(delta)) break;
        if (tick + delta > kMaxTicks) break;
        tick += delta;
        uint8_t b;
        if (!r.Peek(b)) break;
        uint8_t status;
        if (b & 0x80) {
            r.Byte(status);
        } else {
            if (!running) break;  // data without any status
            status = running;
        }
        if (status == 0xFF) {
            uint8_t type;
            uint32_t len;
            if (!r.Byte(type) || !r.Vlq(len)) break;
            const uint8_t* payload = r.Here();
            if (!r.Skip(len)) break;
            if (type == 0x2F) break;  // end of track
            if (type == 0x51 && len >= 3) {
                uint32_t uspq = (uint32_t(payload[0]) << 16) | (uint32_t(payload[1]) << 8) | payload[2];
                if (uspq > 0) out.push_back({tick, order++, 0, 0, 0, true, uspq});
            }
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            uint32_t len;
            if (!r.Vlq(len) || !r.Skip(len)) break;
            continue;
        }
        if (status >= 0xF0) break;  // no other system messages belong in a file
        running = status;
        uint8_t d1 = 0, d2 = 0;
        if (!r.Byte(d1)) break;
        uint8_t kind = status & 0xF0;
        if (kind != 0xC0 && kind != 0xD0) {
            if (!r.Byte(d2)) break;
        }
        if ((d1 | d2) & 0x80) break;  // a status byte where data belongs
        out.push_back({tick, order++, status, d1, d2, false, 0});
    }
    return tick;
}

}  // namespace

bool ParseMidiFile(const uint8_t* data, size_t size, int sampleRate, MidiSong& song, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        song = MidiSong();
        return false;
    };
    song = MidiSong();
    if (!data || sampleRate <= 0) return fail("no data");
    // A RIFF RMID file carries the MIDI file in its 'data' chunk.
    if (size >= 12 && std::equal(data, data + 4, "RIFF") && std::equal(data + 8, data + 12, "RMID")) {
        size_t at = 12;
        bool found = false;
        while (at + 8 <= size) {
            uint32_t len = quil_platform::ReadLe32(data + at + 4);
            if (std::equal(data + at, data + at + 4, "data")) {
                size_t avail = size - at - 8;
                data += at + 8;
                size = len < avail ? len : avail;
                found = true;
                break;
            }
            if (len > size - at - 8) break;
            at += 8 + static_cast<size_t>(len) + (len & 1);
        }
        if (!found) return fail("RMID file without MIDI data");
    }
    if (size < 14 || !std::equal(data, data + 4, "MThd")) return fail("not a MIDI file");
    uint32_t headerLen = Be32(data + 4);
    if (headerLen < 6 || headerLen > size - 8) return fail("bad MIDI header");
    uint16_t format = Be16(data + 8);
    uint16_t division = Be16(data + 12);
    if (format > 1) return fail("only MIDI file types 0 and 1 are played");
    if (division == 0) return fail("bad MIDI time division");

    std::vector<RawEvent> raw;
    uint32_t order = 0;
    uint64_t endTick = 0;
    size_t at = 8 + static_cast<size_t>(headerLen);
    int tracks = 0;
    while (at + 8 <= size) {
        uint32_t len = Be32(data + at + 4);
        size_t avail = size - at - 8;
        size_t body = len < avail ? len : avail;  // a truncated last track is read as far as it goes
        if (std::equal(data + at, data + at + 4, "MTrk")) {
            ++tracks;
            endTick = std::max(endTick, ReadTrack(data + at + 8, body, raw, order));
            if (format == 0) break;
        }
        if (len > avail) break;
        at += 8 + static_cast<size_t>(len);
    }
    if (tracks == 0) return fail("MIDI file without tracks");

    std::stable_sort(raw.begin(), raw.end(), [](const RawEvent& a, const RawEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });

    // Ticks to samples through the tempo map (or at a fixed rate for SMPTE time).
    const bool smpte = (division & 0x8000) != 0;
    double secondsPerTick;
    if (smpte) {
        int fps = -static_cast<int8_t>(division >> 8);
        int perFrame = division & 0xFF;
        if (fps <= 0 || perFrame == 0) return fail("bad MIDI time division");
        secondsPerTick = 1.0 / (fps * perFrame);
    } else {
        secondsPerTick = 0.5 / division;  // 120 beats a minute until a tempo event
    }
    double seconds = 0.0;
    uint64_t lastTick = 0;
    auto toSamples = [&](uint64_t tick) {
        double s = seconds + static_cast<double>(tick - lastTick) * secondsPerTick;
        return static_cast<uint64_t>(s * sampleRate);
    };
    try {
        song.events.reserve(raw.size());
        for (const RawEvent& e : raw) {
            if (e.tempo) {
                if (!smpte) {
                    seconds += static_cast<double>(e.tick - lastTick) * secondsPerTick;
                    lastTick = e.tick;
                    secondsPerTick = e.microsecondsPerQuarter / 1e6 / division;
                }
                continue;
            }
            song.events.push_back({toSamples(e.tick), e.status, e.data1, e.data2});
        }
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    }
    song.lengthSamples = toSamples(std::max(endTick, raw.empty() ? 0 : raw.back().tick));
    return true;
}

}  // namespace quil_dmusic
