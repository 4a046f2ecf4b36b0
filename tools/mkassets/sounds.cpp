// Sound effects synthesised from noise, tones, bells and envelopes, written as 16-bit mono PCM WAV
// files at 22050 Hz.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "assets.h"
#include "bytes.h"

namespace mkassets {
namespace {

constexpr int kRate = 22050;
constexpr float kPi = 3.14159265f;
using Wave = std::vector<float>;

// Deterministic white noise in [-1, 1].
class Noise {
public:
    explicit Noise(uint32_t seed) : s_(seed * 2654435761u + 1) {}
    float next() {
        s_ = s_ * 1664525u + 1013904223u;
        return ((s_ >> 8) & 0xFFFF) / 32767.5f - 1.0f;
    }

private:
    uint32_t s_;
};

Wave Silence(float secs) { return Wave(static_cast<size_t>(secs * kRate), 0.0f); }

// Adds src into dst starting at `at` seconds, scaled by gain.
void Mix(Wave& dst, const Wave& src, float at, float gain = 1.0f) {
    const size_t off = static_cast<size_t>(at * kRate);
    if (dst.size() < off + src.size()) dst.resize(off + src.size(), 0.0f);
    for (size_t i = 0; i < src.size(); ++i) dst[off + i] += src[i] * gain;
}

// One-pole low-pass filter with the given cutoff.
void LowPass(Wave& w, float cutoff) {
    const float a = 1.0f - std::exp(-2 * kPi * cutoff / kRate);
    float y = 0;
    for (float& s : w) s = y += a * (s - y);
}

void HighPass(Wave& w, float cutoff) {
    Wave low = w;
    LowPass(low, cutoff);
    for (size_t i = 0; i < w.size(); ++i) w[i] -= low[i];
}

// Resonant band-pass (a state-variable filter) around `freq`.
void BandPass(Wave& w, float freq, float q) {
    const float f = 2 * std::sin(kPi * freq / kRate);
    float low = 0, band = 0;
    for (float& s : w) {
        low += f * band;
        const float high = s - low - band / q;
        band += f * high;
        s = band;
    }
}

// Exponentially decaying noise burst.
Wave Burst(float secs, float decay, uint32_t seed) {
    Noise n(seed);
    Wave w(static_cast<size_t>(secs * kRate));
    for (size_t i = 0; i < w.size(); ++i) w[i] = n.next() * std::exp(-static_cast<float>(i) / kRate * decay);
    return w;
}

// A sine whose frequency glides from f0 to f1, with attack and exponential decay.
Wave Tone(float secs, float f0, float f1, float decay, float attack = 0.005f, float vibrato = 0.0f) {
    Wave w(static_cast<size_t>(secs * kRate));
    float phase = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float f = f0 * std::pow(f1 / f0, t / secs) * (1 + vibrato * std::sin(2 * kPi * 6 * t));
        phase += 2 * kPi * f / kRate;
        const float env = std::min(1.0f, t / attack) * std::exp(-t * decay);
        w[i] = std::sin(phase) * env;
    }
    return w;
}

// A struck bell or chime: inharmonic partials, each with its own decay.
Wave Bell(float secs, float f, float decay) {
    const float ratio[5] = {1.0f, 2.0f, 2.76f, 5.4f, 8.93f};
    const float amp[5] = {1.0f, 0.5f, 0.35f, 0.2f, 0.1f};
    Wave w(static_cast<size_t>(secs * kRate));
    for (size_t i = 0; i < w.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        float s = 0;
        for (int k = 0; k < 5; ++k) s += amp[k] * std::sin(2 * kPi * f * ratio[k] * t) * std::exp(-t * decay * (1 + k * 0.7f));
        w[i] = s * std::min(1.0f, t / 0.002f);
    }
    return w;
}

// A shake of sleigh bells: many tiny high bells at slightly random times.
Wave SleighBells(float secs, int shakes, uint32_t seed) {
    Noise n(seed);
    Wave w = Silence(secs);
    for (int s = 0; s < shakes; ++s)
        for (int k = 0; k < 6; ++k) {
            const float at = (s + 0.5f * (n.next() + 1) * 0.3f) * secs / shakes;
            const float f = 2600 + 900 * (n.next() + 1);
            Mix(w, Bell(0.25f, f, 22), at, 0.15f);
        }
    HighPass(w, 1500);
    return w;
}

// Fades the last `secs` to silence so the sound ends without a click.
void FadeOut(Wave& w, float secs) {
    const size_t n = std::min(w.size(), static_cast<size_t>(secs * kRate));
    for (size_t i = 0; i < n; ++i) w[w.size() - n + i] *= 1.0f - static_cast<float>(i) / n;
}

void Normalise(Wave& w, float peak) {
    float m = 1e-6f;
    for (float s : w) m = std::max(m, std::fabs(s));
    for (float& s : w) s *= peak / m;
}

void Save(const std::string& root, const std::string& name, Wave w, float peak = 0.8f) {
    Normalise(w, peak);
    Bytes b;
    b.text("RIFF");
    b.u32(static_cast<uint32_t>(36 + w.size() * 2));
    b.text("WAVE");
    b.text("fmt ");
    b.u32(16);
    b.u16(1);  // PCM
    b.u16(1);  // mono
    b.u32(kRate);
    b.u32(kRate * 2);
    b.u16(2);
    b.u16(16);
    b.text("data");
    b.u32(static_cast<uint32_t>(w.size() * 2));
    for (float s : w) b.u16(static_cast<uint16_t>(static_cast<int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f))));
    WriteFile(root, name, b.data());
}

float Midi(int note) { return 440.0f * std::pow(2.0f, (note - 69) / 12.0f); }

// Footsteps by floor class: tiles click, boards knock, snow crunches, carpet thuds softly.
void Footsteps(const std::string& root) {
    for (int i = 0; i < 4; ++i) {
        Wave heel = Burst(0.14f, 60, 10 + i);
        BandPass(heel, 2200 + 300 * i, 4);
        Wave click = Tone(0.06f, 3200 - 200 * i, 2600, 80);
        Mix(heel, click, 0, 0.3f);
        Save(root, "sfx/footsteps/hard" + std::to_string(i + 1) + ".wav", heel, 0.55f);

        Wave knock = Tone(0.2f, 170 + 12 * i, 120, 28);
        Wave scuff = Burst(0.12f, 45, 20 + i);
        BandPass(scuff, 900 + 100 * i, 2);
        Mix(knock, scuff, 0.005f, 0.6f);
        Save(root, "sfx/footsteps/normal" + std::to_string(i + 1) + ".wav", knock, 0.6f);

        Wave thud = Burst(0.16f, 30, 30 + i);
        LowPass(thud, 500 + 60 * i);
        LowPass(thud, 700);
        Mix(thud, Tone(0.12f, 95 + 5 * i, 70, 35), 0, 0.5f);
        Save(root, "sfx/footsteps/soft" + std::to_string(i + 1) + ".wav", thud, 0.45f);
    }
    for (int i = 0; i < 2; ++i) {
        Noise n(40 + i);
        Wave crunch = Silence(0.28f);
        for (int g = 0; g < 40; ++g) {
            const float at = 0.22f * (n.next() + 1) * 0.5f * (n.next() + 1) * 0.5f;
            Wave grain = Burst(0.02f, 300, 50 + g + i * 100);
            BandPass(grain, 1800 + 1200 * (n.next() + 1) * 0.5f, 3);
            Mix(crunch, grain, at, 0.5f + 0.5f * (n.next() + 1) * 0.5f);
        }
        Wave body = Burst(0.25f, 14, 60 + i);
        LowPass(body, 1200);
        Mix(crunch, body, 0, 0.4f);
        FadeOut(crunch, 0.05f);
        Save(root, "sfx/footsteps/snow" + std::to_string(i + 1) + ".wav", crunch, 0.6f);
    }
}

// A heartbeat (lub-dub) that loops cleanly: both ends are silent.
Wave Heartbeat() {
    Wave w = Silence(0.8f);
    for (int k = 0; k < 2; ++k) {
        Wave beat = Tone(0.22f, k ? 62.0f : 52.0f, k ? 45.0f : 38.0f, k ? 26.0f : 20.0f, 0.012f);
        Wave thump = Burst(0.1f, 50, 70 + k);
        LowPass(thump, 180);
        Mix(beat, thump, 0, 0.8f);
        FadeOut(beat, 0.05f);
        Mix(w, beat, 0.02f + 0.26f * k, k ? 0.75f : 1.0f);
    }
    w.resize(static_cast<size_t>(0.8f * kRate));
    return w;
}

}  // namespace

void WriteSounds(const std::string& root) {
    Footsteps(root);
    Save(root, "sfx/heartbeat.wav", Heartbeat(), 0.85f);

    Wave hit = Tone(0.35f, 220, 90, 9, 0.01f, 0.04f);
    Wave punch = Burst(0.2f, 25, 80);
    LowPass(punch, 900);
    Mix(hit, punch, 0, 0.9f);
    FadeOut(hit, 0.05f);
    Save(root, "sfx/hit.wav", hit);

    for (int i = 0; i < 2; ++i) {
        // The player's gun: a bright magical zap with a sparkle.
        Wave zap = Tone(0.28f, 1900.0f - 200 * i, 420.0f + 60 * i, 10);
        for (int k = 0; k < 3; ++k) Mix(zap, Bell(0.2f, 2800.0f + 700 * k + 300 * i, 18), 0.02f + 0.04f * k, 0.15f);
        Wave air = Burst(0.1f, 40, 90 + i);
        HighPass(air, 3000);
        Mix(zap, air, 0, 0.3f);
        FadeOut(zap, 0.04f);
        Save(root, "sfx/fire" + std::to_string(i + 1) + ".wav", zap, 0.7f);

        // The goblins' shot: a low wobbling whoop.
        Wave evil = Tone(0.45f, 520.0f - 60 * i, 140.0f, 5, 0.01f, 0.12f);
        for (float& s : evil) s = std::tanh(s * 2.5f);
        Wave hiss = Burst(0.3f, 10, 100 + i);
        BandPass(hiss, 700, 2);
        Mix(evil, hiss, 0, 0.25f);
        FadeOut(evil, 0.06f);
        Save(root, "sfx/evilfire" + std::to_string(i + 1) + ".wav", evil, 0.7f);

        // A goblin appears: a rising eerie whoosh and a warbling tone.
        Wave whoosh = Burst(1.1f, 2, 110 + i);
        Wave swept = Silence(1.1f);
        for (int k = 0; k < 6; ++k) {
            Wave part(whoosh.begin() + static_cast<long>(k * whoosh.size() / 6), whoosh.begin() + static_cast<long>((k + 1) * whoosh.size() / 6));
            BandPass(part, 300.0f * std::pow(2.0f, k * 0.5f) * (1 + 0.2f * i), 3);
            Mix(swept, part, k * 1.1f / 6, 1.0f);
        }
        Mix(swept, Tone(1.0f, 330.0f + 40 * i, 660.0f, 1.5f, 0.3f, 0.05f), 0.05f, 0.4f);
        FadeOut(swept, 0.3f);
        Save(root, "sfx/spawn" + std::to_string(i + 1) + ".wav", swept, 0.6f);
    }

    Wave death = Tone(1.1f, 700, 90, 2.5f, 0.02f, 0.08f);
    for (size_t i = 0; i < death.size(); ++i) death[i] *= 0.7f + 0.3f * std::sin(2 * kPi * 11 * i / kRate);
    Wave puff = Burst(0.6f, 6, 120);
    LowPass(puff, 1500);
    Mix(death, puff, 0.05f, 0.6f);
    FadeOut(death, 0.2f);
    Save(root, "sfx/goblindeath.wav", death);

    Wave got = Silence(0.7f);
    const int gotNotes[3] = {84, 88, 91};
    for (int k = 0; k < 3; ++k) Mix(got, Bell(0.5f, Midi(gotNotes[k]), 7), 0.07f * k, 0.5f);
    Save(root, "sfx/gotpresent.wav", got, 0.7f);

    Wave deliver = Silence(1.2f);
    const int deliverNotes[5] = {72, 76, 79, 84, 88};
    for (int k = 0; k < 5; ++k) Mix(deliver, Bell(0.8f, Midi(deliverNotes[k]), 5), 0.08f * k, 0.45f);
    Mix(deliver, SleighBells(0.9f, 4, 130), 0.1f, 0.8f);
    Save(root, "sfx/dopresent.wav", deliver, 0.75f);

    // Jingles: level start (a bright call with sleigh bells), level complete (a rising fanfare
    // ending on a chord), game over (a falling minor phrase).
    Wave start = Silence(2.0f);
    const int startNotes[6] = {67, 72, 76, 79, 76, 79};
    const float startTimes[6] = {0, 0.2f, 0.4f, 0.6f, 0.9f, 1.05f};
    for (int k = 0; k < 6; ++k) Mix(start, Bell(0.9f, Midi(startNotes[k]), 4), startTimes[k], 0.5f);
    Mix(start, SleighBells(1.6f, 8, 140), 0, 0.6f);
    FadeOut(start, 0.3f);
    Save(root, "sfx/levelstart.wav", start);

    Wave done = Silence(3.0f);
    const int doneNotes[8] = {60, 64, 67, 72, 67, 72, 76, 79};
    for (int k = 0; k < 8; ++k) Mix(done, Bell(1.0f, Midi(doneNotes[k]), 3.5f), 0.15f * k, 0.45f);
    for (int n : {72, 76, 79, 84}) Mix(done, Bell(1.8f, Midi(n), 1.8f), 1.3f, 0.35f);
    Mix(done, SleighBells(2.4f, 10, 150), 0.2f, 0.5f);
    FadeOut(done, 0.4f);
    Save(root, "sfx/levelcomplete.wav", done);

    Wave over = Silence(3.0f);
    const int overNotes[5] = {69, 67, 64, 62, 57};
    for (int k = 0; k < 5; ++k) {
        Wave n = Tone(0.9f, Midi(overNotes[k]), Midi(overNotes[k]) * 0.99f, 2.5f, 0.03f, 0.01f);
        Mix(n, Tone(0.9f, Midi(overNotes[k]) * 2, Midi(overNotes[k]) * 2, 4, 0.03f), 0, 0.3f);
        Mix(over, n, 0.4f * k, 0.5f);
    }
    Mix(over, Tone(1.4f, Midi(45), Midi(45), 1.2f, 0.05f), 1.6f, 0.5f);
    FadeOut(over, 0.5f);
    Save(root, "sfx/gameover.wav", over);

    Wave move = Tone(0.05f, 1200, 1000, 50, 0.002f);
    Save(root, "sfx/menumove.wav", move, 0.5f);
    Wave select = Silence(0.4f);
    Mix(select, Bell(0.35f, Midi(84), 9), 0, 0.6f);
    Mix(select, Bell(0.3f, Midi(91), 10), 0.06f, 0.5f);
    Save(root, "sfx/menuselect.wav", select, 0.65f);
}

}  // namespace mkassets
