// The part of a performance that the audio thread sees: the synthesiser, the song
// being played, its schedule and the audio path's volume and fades.
#pragma once
#include <memory>
#include <string>

#include "quil_audio_output.h"
#include "smf_parser.h"

typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_hashtable_t fluid_settings_t;

namespace quil_dmusic {

class MusicCore final : public quil_audio::Source {
public:
    MusicCore() = default;
    ~MusicCore() override;

    // Opens the output and the synthesiser; mono mixes both channels into one, reverb adds the effect.
    // False when no output can be opened. A missing sound font only silences the music.
    bool Open(bool mono, bool reverb);
    // Stops, leaves the output and frees the synthesiser.
    void Close();
    bool IsOpen() const { return open_; }
    bool HasSoundFont() const { return soundFont_ >= 0; }

    // Game-thread commands; each holds the output lock while it changes the state.
    // song stays owned by the caller (the performance keeps it alive while it plays).
    void Play(const MidiSong* song, const void* owner);
    void Stop();
    bool IsPlaying(const void* owner) const;
    // Moves the volume to hundredths (clamped to -9600..0) over milliseconds.
    void SetVolume(long hundredths, unsigned long milliseconds);
    long CurrentVolume() const;

    void Mix(float* out, int frames) override;

private:
    void Dispatch(const MidiEvent& e);
    void SilenceLocked();

    bool open_ = false;
    bool mono_ = false;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    int soundFont_ = -1;

    // Read and written with the output lock held.
    const MidiSong* song_ = nullptr;
    const void* owner_ = nullptr;
    size_t next_ = 0;
    uint64_t position_ = 0;
    bool playing_ = false;
    double volumeDb_ = 0.0;      // hundredths of a decibel
    double targetDb_ = 0.0;
    double stepDb_ = 0.0;        // per sample while fading
    uint64_t fadeLeft_ = 0;      // samples
    float left_[quil_audio::kMaxBlockFrames] = {};
    float right_[quil_audio::kMaxBlockFrames] = {};
};

}  // namespace quil_dmusic
