// Entry points of the asset writers; each writes its files below the output root.
#pragma once

#include <string>

namespace mkassets {

void WriteLevels(const std::string& root);       // gfx/Level*.dat, gfx/Enemy*.dat
void WriteProps(const std::string& root);        // the 13 prop meshes and their textures
void WritePickups(const std::string& root);      // present, health, time, star
void WriteFrontEnd(const std::string& root);     // northpole, house, trees, sky, snow, bar, title
void WriteCharacters(const std::string& root);   // tiny, goblin, snowman (skinned, animated)
void WriteAtlases(const std::string& root);      // walls, floor, ceil, hud, icons, flare, snowstorm2, bullets
void WriteSounds(const std::string& root);       // sfx/*.wav
void WriteMusic(const std::string& root);        // sfx/*.mid

// The whole set, and the empty gfx/lightmaps folder the game's lightmap cache needs.
void WriteAll(const std::string& root);

// The whole set into a run folder without losing anything anyone made there:
// every default file that is missing is written (names are matched without
// regard to case, as the game matches them); a file that is there stays,
// unless it still holds exactly the bytes this tool last wrote there (an older
// default), which the new default replaces. The folder keeps a record of
// those bytes in ".mkassets"; in a folder without one (written whole by an
// earlier version) every file but the levels and enemy files counts as a default.
struct RestoreReport {
    int written = 0;  // missing, now written
    int updated = 0;  // older defaults replaced
    int kept = 0;     // changed since (a level the editor saved, say), left as they are
};
RestoreReport RestoreDefaults(const std::string& root);

}  // namespace mkassets
