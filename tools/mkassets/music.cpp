// Music as Standard MIDI Files (format 1, 480 ticks per quarter note): an original title theme and
// arrangements of two traditional carols in the public domain ("Deck the Halls" and "We Wish You a
// Merry Christmas"), with General MIDI instruments and sleigh bells.
#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "assets.h"
#include "bytes.h"

namespace mkassets {
namespace {

constexpr int kPpq = 480;

struct Event {
    uint32_t tick;
    int order;  // note-offs before note-ons at the same tick
    std::vector<uint8_t> bytes;
};

class Track {
public:
    void add(uint32_t tick, int order, std::vector<uint8_t> b) { events_.push_back({tick, order, std::move(b)}); }
    void note(uint32_t tick, uint32_t len, int ch, int pitch, int vel) {
        add(tick, 1, {static_cast<uint8_t>(0x90 | ch), static_cast<uint8_t>(pitch), static_cast<uint8_t>(vel)});
        add(tick + len, 0, {static_cast<uint8_t>(0x80 | ch), static_cast<uint8_t>(pitch), 0});
    }
    void program(int ch, int prog) { add(0, -1, {static_cast<uint8_t>(0xC0 | ch), static_cast<uint8_t>(prog)}); }
    void control(int ch, int cc, int value) { add(0, -1, {static_cast<uint8_t>(0xB0 | ch), static_cast<uint8_t>(cc), static_cast<uint8_t>(value)}); }
    void meta(uint32_t tick, int type, std::vector<uint8_t> data) {
        std::vector<uint8_t> b = {0xFF, static_cast<uint8_t>(type), static_cast<uint8_t>(data.size())};
        b.insert(b.end(), data.begin(), data.end());
        add(tick, -2, b);
    }
    std::vector<uint8_t> chunk() const {
        std::vector<Event> ev = events_;
        std::stable_sort(ev.begin(), ev.end(), [](const Event& a, const Event& b) { return a.tick != b.tick ? a.tick < b.tick : a.order < b.order; });
        Bytes body;
        uint32_t last = 0;
        auto vlq = [&](uint32_t v) {
            uint8_t tmp[5];
            int n = 0;
            tmp[n++] = v & 0x7F;
            while (v >>= 7) tmp[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
            while (n) body.u8(tmp[--n]);
        };
        for (const Event& e : ev) {
            vlq(e.tick - last);
            last = e.tick;
            for (uint8_t b : e.bytes) body.u8(b);
        }
        vlq(0);
        body.u8(0xFF);
        body.u8(0x2F);
        body.u8(0x00);
        Bytes c;
        c.text("MTrk");
        c.u32be(static_cast<uint32_t>(body.size()));
        c.append(body.data());
        return c.data();
    }

private:
    std::vector<Event> events_;
};

// Parses a melody: notes like "G4:q.", "F#4:e", "Bb3:h", rests "r:q"; durations w h q e s, a
// trailing '.' dots the note; '|' bar lines are ignored. Returns (pitch or -1, ticks).
std::vector<std::pair<int, uint32_t>> Parse(const std::string& text) {
    std::vector<std::pair<int, uint32_t>> out;
    std::istringstream in(text);
    std::string tok;
    const std::map<char, int> base = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
    const std::map<char, uint32_t> len = {{'w', 4 * kPpq}, {'h', 2 * kPpq}, {'q', kPpq}, {'e', kPpq / 2}, {'s', kPpq / 4}};
    while (in >> tok) {
        if (tok == "|") continue;
        const size_t colon = tok.find(':');
        if (colon == std::string::npos || colon + 1 >= tok.size()) throw std::runtime_error("bad note " + tok);
        const std::string n = tok.substr(0, colon), d = tok.substr(colon + 1);
        uint32_t ticks = len.at(d[0]);
        if (d.size() > 1 && d[1] == '.') ticks += ticks / 2;
        int pitch = -1;
        if (n != "r") {
            size_t i = 0;
            pitch = base.at(n[i++]);
            if (i < n.size() && n[i] == '#') { ++pitch; ++i; }
            else if (i < n.size() && n[i] == 'b') { --pitch; ++i; }
            pitch += 12 * (std::stoi(n.substr(i)) + 1);
        }
        out.push_back({pitch, ticks});
    }
    return out;
}

// Plays a melody on a channel from `start`; returns the tick after its last note.
uint32_t Play(Track& t, uint32_t start, int ch, const std::string& melody, int vel, int transpose = 0, float legato = 0.92f) {
    uint32_t tick = start;
    for (const auto& [p, len] : Parse(melody)) {
        if (p >= 0) t.note(tick, static_cast<uint32_t>(len * legato), ch, p + transpose, vel);
        tick += len;
    }
    return tick;
}

// Chord roots and qualities by name ("F", "C7", "Dm", "Bb", "G7" ...).
std::vector<int> Chord(const std::string& name, int octave) {
    const std::map<char, int> base = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
    size_t i = 0;
    int root = base.at(name[i++]);
    if (i < name.size() && name[i] == 'b') { --root; ++i; }
    if (i < name.size() && name[i] == '#') { ++root; ++i; }
    const std::string q = name.substr(i);
    std::vector<int> iv = {0, 4, 7};
    if (q == "m") iv = {0, 3, 7};
    if (q == "7") iv = {0, 4, 7, 10};
    if (q == "m7") iv = {0, 3, 7, 10};
    std::vector<int> notes;
    for (int k : iv) notes.push_back(12 * (octave + 1) + root + k);
    return notes;
}

// Accompaniment: one chord per bar, as a waltz (bass, chord, chord) or as held pads with a
// bass on the beats of a 4/4 bar.
void Accompany(Track& bass, Track& pad, uint32_t start, const std::vector<std::string>& bars, int beats, bool waltz,
               int bassCh, int padCh) {
    uint32_t tick = start;
    for (const std::string& c : bars) {
        const std::vector<int> low = Chord(c, 2), mid = Chord(c, 4);
        if (waltz) {
            bass.note(tick, kPpq - 40, bassCh, low[0], 90);
            for (int b = 1; b < beats; ++b)
                for (size_t k = 0; k < 3; ++k) pad.note(tick + b * kPpq, kPpq - 60, padCh, mid[k], 58);
        } else {
            for (int b = 0; b < beats; b += 2) bass.note(tick + b * kPpq, 2 * kPpq - 60, bassCh, b % 4 == 0 ? low[0] : low[2] - 12, 88);
            for (size_t k = 0; k < std::min<size_t>(mid.size(), 3); ++k) pad.note(tick, beats * kPpq - 30, padCh, mid[k], 52);
        }
        tick += beats * kPpq;
    }
}

// Sleigh bells (General MIDI percussion: jingle bell) on the beats, with a lighter off-beat.
void Jingle(Track& drums, uint32_t start, uint32_t end, int beats) {
    for (uint32_t t = start; t < end; t += kPpq / 2) {
        const bool down = ((t - start) / kPpq) % beats == 0 && (t - start) % kPpq == 0;
        drums.note(t, kPpq / 4, 9, 83, down ? 96 : ((t - start) % kPpq ? 50 : 72));
    }
}

std::vector<uint8_t> Song(int tempoBpm, int beatsPerBar, const std::vector<Track>& tracks) {
    Track conductor;
    const uint32_t us = 60000000u / tempoBpm;
    conductor.meta(0, 0x51, {static_cast<uint8_t>(us >> 16), static_cast<uint8_t>(us >> 8), static_cast<uint8_t>(us)});
    conductor.meta(0, 0x58, {static_cast<uint8_t>(beatsPerBar), 2, 24, 8});
    Bytes f;
    f.text("MThd");
    f.u32be(6);
    f.u16be(1);
    f.u16be(static_cast<uint32_t>(tracks.size() + 1));
    f.u16be(kPpq);
    f.append(conductor.chunk());
    for (const Track& t : tracks) f.append(t.chunk());
    return f.data();
}

// The title theme: an original waltz in F for music box, flute, strings and pizzicato bass.
std::vector<uint8_t> Theme() {
    const std::string a =
        "C5:q A4:q F4:q | G4:h A4:q | Bb4:q A4:q G4:q | F4:h. | "
        "A4:q C5:q F5:q | E5:h D5:q | C5:q Bb4:q G4:q | A4:h. | ";
    const std::string b =
        "D5:q D5:q C5:q | Bb4:h A4:q | G4:q A4:q Bb4:q | C5:h. | "
        "F5:q E5:q D5:q | C5:q A4:q F4:q | G4:q A4:e Bb4:e G4:q | F4:h. | ";
    const std::vector<std::string> chordsA = {"F", "C", "C7", "F", "F", "C", "C7", "F"};
    const std::vector<std::string> chordsB = {"Bb", "Bb", "C", "C7", "Dm", "F", "C7", "F"};
    Track lead, lead2, bass, pad, drums;
    lead.program(0, 10);   // music box
    lead2.program(1, 73);  // flute
    bass.program(2, 45);   // pizzicato strings
    pad.program(3, 48);    // string ensemble
    pad.control(3, 7, 80);
    uint32_t t = 0;
    t = Play(lead, t, 0, a + b, 100);
    const uint32_t half = t;
    t = Play(lead2, t, 1, a + b, 92, 0, 0.97f);
    Play(lead, half, 0, a + b, 70, 12);
    std::vector<std::string> bars;
    for (int rep = 0; rep < 2; ++rep) {
        bars.insert(bars.end(), chordsA.begin(), chordsA.end());
        bars.insert(bars.end(), chordsB.begin(), chordsB.end());
    }
    Accompany(bass, pad, 0, bars, 3, true, 2, 3);
    Jingle(drums, half, t, 3);
    return Song(132, 3, {lead, lead2, bass, pad, drums});
}

// "Deck the Halls" (traditional Welsh carol), arranged for horn, choir, tuba and bells.
std::vector<uint8_t> DeckTheHalls() {
    const std::string line1 =
        "G4:q. F4:e E4:q D4:q | C4:q D4:q E4:q C4:q | D4:e E4:e F4:e D4:e E4:q. D4:e | C4:q B3:q C4:h | ";
    const std::string line3 =
        "D4:q. E4:e F4:q D4:q | E4:q. F4:e G4:q D4:q | E4:e F#4:e G4:q A4:e B4:e C5:q | B4:q A4:q G4:h | ";
    const std::string line4 =
        "G4:q. F4:e E4:q D4:q | C4:q D4:q E4:q C4:q | A4:e A4:e A4:e A4:e G4:q. F4:e | E4:q D4:q C4:h | ";
    const std::string verse = line1 + line1 + line3 + line4;
    const std::vector<std::string> c1 = {"C", "C", "G7", "C"};
    const std::vector<std::string> c3 = {"G", "C", "D", "G"};
    const std::vector<std::string> c4 = {"C", "C", "F", "C"};
    std::vector<std::string> bars;
    for (int rep = 0; rep < 2; ++rep)
        for (const auto* part : {&c1, &c1, &c3, &c4}) bars.insert(bars.end(), part->begin(), part->end());
    Track lead, harmony, bass, pad, drums;
    lead.program(0, 60);     // french horn
    harmony.program(1, 9);   // glockenspiel
    bass.program(2, 58);     // tuba
    pad.program(3, 52);      // choir aahs
    uint32_t t = Play(lead, 0, 0, verse, 100, 12);
    Play(harmony, t, 1, verse, 80, 24);
    t = Play(lead, t, 0, verse, 96, 12);
    Accompany(bass, pad, 0, bars, 4, false, 2, 3);
    Jingle(drums, 0, t, 4);
    return Song(112, 4, {lead, harmony, bass, pad, drums});
}

// "We Wish You a Merry Christmas" (traditional English carol), for clarinet, celesta, harp and bass.
std::vector<uint8_t> WeWishYou() {
    const std::string chorus =
        "r:h D4:q | G4:q G4:e A4:e G4:e F#4:e | E4:q E4:q E4:q | A4:q A4:e B4:e A4:e G4:e | F#4:q D4:q D4:q | "
        "B4:q B4:e C5:e B4:e A4:e | G4:q E4:q D4:e D4:e | E4:q A4:q F#4:q | G4:h ";
    const std::string tidings =
        "D4:q | G4:q G4:q G4:q | F#4:h F#4:q | G4:q F#4:q E4:q | D4:h A4:q | "
        "B4:q A4:e A4:e G4:e G4:e | D5:q D4:q D4:e D4:e | E4:q A4:q F#4:q | G4:h r:q ";
    // One chord per bar, the pickup bar included.
    const std::vector<std::string> cc = {"G", "G", "C", "A7", "D", "B7", "Em", "D7", "G"};
    const std::vector<std::string> ct = {"G", "D", "C", "D", "G", "G", "D7", "G"};
    Track lead, counter, bass, pad, drums;
    lead.program(0, 71);     // clarinet
    counter.program(1, 8);   // celesta
    bass.program(2, 32);     // acoustic bass
    pad.program(3, 46);      // harp
    uint32_t t = Play(lead, 0, 0, chorus + tidings, 100, 12);
    Play(counter, t, 1, chorus + tidings, 78, 24);
    t = Play(lead, t, 0, chorus + tidings, 100, 12);
    std::vector<std::string> bars;
    for (int rep = 0; rep < 2; ++rep) {
        bars.insert(bars.end(), cc.begin(), cc.end());
        bars.insert(bars.end(), ct.begin(), ct.end());
    }
    Accompany(bass, pad, 0, bars, 3, true, 2, 3);
    Jingle(drums, 0, t, 3);
    return Song(150, 3, {lead, counter, bass, pad, drums});
}

}  // namespace

void WriteMusic(const std::string& root) {
    WriteFile(root, "sfx/quil_xmas_theme.mid", Theme());
    WriteFile(root, "sfx/letitsnow.mid", DeckTheHalls());
    WriteFile(root, "sfx/whitexmas.mid", WeWishYou());
}

}  // namespace mkassets
