// The synthesiser behind the DirectMusic performance: the General MIDI sound font it
// loads, changeable for tests (a missing sound font leaves music silent).
#pragma once

namespace quil_dmusic {

// The default: Debian's General MIDI sound font.
constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// Sets the sound font later performances load (null restores the default).
void SetSoundFontPath(const char* path);

}  // namespace quil_dmusic
