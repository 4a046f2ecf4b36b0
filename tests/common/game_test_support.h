// Set-up shared by the game tests that run the game's objects in place: the
// generated asset set as the working directory with sound mixed into memory,
// one-room houses, and keys through the application object.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Level.h"
#include "game_world_support.h"
#include "quilmath.h"

struct Sound;

namespace quiltest {

// Makes the asset folder the working directory and starts sound on memory
// output (once per program; stopped after the last test); boxes are recorded.
void PrepareGameWorld(const std::string& programName);

// Replaces the level by one loaded room: outer walls, start node (3, 3), the
// given room points (point 0 the tree); edit may change the room first.
void LoadRoom(const std::vector<Vec3>& points, void (*edit)(Room*) = nullptr);
inline void LoadRoom(void (*edit)(Room*) = nullptr) { LoadRoom({Vec3()}, edit); }

void KeyDown(int vk);
void KeyUp(int vk);

// Whether the copy of a sound used last is playing.
bool Playing(const Sound* s);

// Peak level of the next seconds of mixed sound (0 when silent).
float MixPeak(double seconds);

}  // namespace quiltest
