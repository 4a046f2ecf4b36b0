// Shared pieces of the level tests: the generated asset set in a scratch
// folder (the working directory while the tests run) and a writer of level
// files built node by node.
#pragma once
#include <string>

#include "game_world_support.h"

namespace level_test {

// The folder with the generated assets; created (and made the working
// directory) on first use, removed when the program ends.
inline const std::string& AssetRoot() { return quiltest::GeneratedAssetFolder("game_level_test"); }

using quiltest::CentreX;
using quiltest::CentreZ;
using quiltest::EncodeLevel;
using quiltest::FileRoom;
using quiltest::ReadBytes;
using quiltest::WriteBytes;

}  // namespace level_test
