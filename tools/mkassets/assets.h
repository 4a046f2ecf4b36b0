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

}  // namespace mkassets
