// Playing a parsed song through fluidsynth, sample-accurately, with volume fades.
#include "music_core.h"

#include <fluidsynth.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>

#include "quil_music_synth.h"

namespace quil_dmusic {
namespace {

std::mutex g_fontMutex;
std::string g_fontPath = kDefaultSoundFont;

std::string SoundFontPath() {
    std::lock_guard<std::mutex> lock(g_fontMutex);
    return g_fontPath;
}

float DbToGain(double hundredths) {
    if (hundredths <= -9600.0) return 0.0f;
    if (hundredths >= 0.0) return 1.0f;
    return static_cast<float>(std::pow(10.0, hundredths / 2000.0));
}

void QuietLogs() {
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    });
}

}  // namespace

void SetSoundFontPath(const char* path) {
    std::lock_guard<std::mutex> lock(g_fontMutex);
    g_fontPath = path ? path : kDefaultSoundFont;
}

MusicCore::~MusicCore() { Close(); }

bool MusicCore::Open(bool mono, bool reverb) {
    if (open_) return true;
    if (!quil_audio::AcquireOutput()) return false;
    QuietLogs();
    mono_ = mono;
    settings_ = new_fluid_settings();
    if (settings_) {
        fluid_settings_setnum(settings_, "synth.sample-rate", quil_audio::kOutputRate);
        fluid_settings_setnum(settings_, "synth.gain", 0.6);
        fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
        fluid_settings_setint(settings_, "synth.cpu-cores", 1);
        // Only the shared path with reverb has effects, so a stopped song is silent at once.
        fluid_settings_setint(settings_, "synth.reverb.active", reverb ? 1 : 0);
        fluid_settings_setint(settings_, "synth.chorus.active", 0);
        // Samples are read when a program selects them, not the whole font at load.
        fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
        synth_ = new_fluid_synth(settings_);
    }
    if (synth_) {
        std::string path = SoundFontPath();
        struct stat st;
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && fluid_is_soundfont(path.c_str())) {
            int id = fluid_synth_sfload(synth_, path.c_str(), 1);
            soundFont_ = id == FLUID_FAILED ? -1 : id;
        }
    }
    open_ = true;
    quil_audio::AddSource(this);
    return true;
}

void MusicCore::Close() {
    if (!open_) return;
    quil_audio::RemoveSource(this);
    song_ = nullptr;
    owner_ = nullptr;
    playing_ = false;
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
    synth_ = nullptr;
    settings_ = nullptr;
    soundFont_ = -1;
    open_ = false;
    quil_audio::ReleaseOutput();
}

void MusicCore::SilenceLocked() {
    if (synth_) {
        fluid_synth_all_sounds_off(synth_, -1);
    }
}

void MusicCore::Play(const MidiSong* song, const void* owner) {
    std::lock_guard<std::mutex> lock(quil_audio::OutputMutex());
    if (!open_) return;
    SilenceLocked();
    if (synth_) fluid_synth_system_reset(synth_);
    song_ = song;
    owner_ = owner;
    next_ = 0;
    position_ = 0;
    playing_ = song != nullptr;
}

void MusicCore::Stop() {
    std::lock_guard<std::mutex> lock(quil_audio::OutputMutex());
    playing_ = false;
    song_ = nullptr;
    owner_ = nullptr;
    SilenceLocked();
}

bool MusicCore::IsPlaying(const void* owner) const {
    std::lock_guard<std::mutex> lock(quil_audio::OutputMutex());
    return playing_ && (!owner || owner == owner_);
}

void MusicCore::SetVolume(long hundredths, unsigned long milliseconds) {
    double target = std::clamp(static_cast<double>(hundredths), -9600.0, 0.0);
    std::lock_guard<std::mutex> lock(quil_audio::OutputMutex());
    uint64_t samples = static_cast<uint64_t>(milliseconds) * quil_audio::kOutputRate / 1000;
    targetDb_ = target;
    if (samples == 0) {
        volumeDb_ = target;
        fadeLeft_ = 0;
        stepDb_ = 0.0;
    } else {
        fadeLeft_ = samples;
        stepDb_ = (target - volumeDb_) / static_cast<double>(samples);
    }
}

long MusicCore::CurrentVolume() const {
    std::lock_guard<std::mutex> lock(quil_audio::OutputMutex());
    return std::lround(volumeDb_);
}

void MusicCore::Dispatch(const MidiEvent& e) {
    if (!synth_) return;
    int ch = e.status & 0x0F;
    switch (e.status & 0xF0) {
        case 0x80: fluid_synth_noteoff(synth_, ch, e.data1); break;
        case 0x90:
            if (e.data2 == 0) fluid_synth_noteoff(synth_, ch, e.data1);
            else fluid_synth_noteon(synth_, ch, e.data1, e.data2);
            break;
        case 0xA0: fluid_synth_key_pressure(synth_, ch, e.data1, e.data2); break;
        case 0xB0: fluid_synth_cc(synth_, ch, e.data1, e.data2); break;
        case 0xC0: fluid_synth_program_change(synth_, ch, e.data1); break;
        case 0xD0: fluid_synth_channel_pressure(synth_, ch, e.data1); break;
        case 0xE0: fluid_synth_pitch_bend(synth_, ch, e.data1 | (e.data2 << 7)); break;
        default: break;
    }
}

void MusicCore::Mix(float* out, int frames) {
    int done = 0;
    while (done < frames) {
        int n = frames - done;
        if (playing_ && song_) {
            const auto& events = song_->events;
            while (next_ < events.size() && events[next_].sample <= position_) Dispatch(events[next_++]);
            if (next_ >= events.size() && position_ >= song_->lengthSamples) {
                playing_ = false;  // the last notes ring out
            } else {
                uint64_t until = next_ < events.size() ? events[next_].sample : song_->lengthSamples;
                uint64_t gap = until - position_;
                if (gap < static_cast<uint64_t>(n)) n = static_cast<int>(gap);
                if (n <= 0) n = 1;
            }
        }
        if (synth_) {
            fluid_synth_write_float(synth_, n, left_, 0, 1, right_, 0, 1);
            float g = DbToGain(volumeDb_);
            for (int i = 0; i < n; ++i) {
                if (fadeLeft_ > 0) {
                    volumeDb_ += stepDb_;
                    if (--fadeLeft_ == 0) volumeDb_ = targetDb_;
                    g = DbToGain(volumeDb_);
                }
                float l = left_[i] * g, r = right_[i] * g;
                if (mono_) l = r = 0.5f * (l + r);
                out[2 * (done + i)] += l;
                out[2 * (done + i) + 1] += r;
            }
        } else if (fadeLeft_ > 0) {
            uint64_t k = std::min<uint64_t>(fadeLeft_, static_cast<uint64_t>(n));
            volumeDb_ += stepDb_ * static_cast<double>(k);
            fadeLeft_ -= k;
            if (fadeLeft_ == 0) volumeDb_ = targetDb_;
        }
        if (playing_) position_ += static_cast<uint64_t>(n);
        done += n;
    }
}

}  // namespace quil_dmusic
