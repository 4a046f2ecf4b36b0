// Shared set-up of the player and goblin tests: the generated asset set as the
// working directory, sound mixed into memory, headless message boxes, one-room
// houses built in place, keys through the application object and the mouse.
#pragma once
#include <gtest/gtest.h>

#include "Level.h"
#include "camera.h"
#include "engine_lists.h"
#include "game_world_support.h"

struct Sound;

namespace player_test {

using quiltest::CentreX;
using quiltest::CentreZ;

// Makes the asset folder (once), starts sound on memory output, clears the boxes shown.
void PrepareWorld();
// Replaces the level by one loaded room: outer walls, floor tile 0, no props,
// start node (3, 3); edit may change the room before it is written and read back.
void LoadRoom(void (*edit)(Room*) = nullptr);
void KeyDown(int vk);
void KeyUp(int vk);
// Lets go of every key and the mouse buttons and clears the mouse movement.
void ReleaseKeys();
void SetMouse(int dx, int dy, uint32_t buttons);
// Whether the copy of a sound used last is playing; Silence stops every copy.
bool Playing(const Sound* s);
void Silence(const Sound* s);
inline bool InProcessList(const Process* p) { return quiltest::TimesInProcessList(p) == 1; }
inline bool NoMessageBoxes() { return quiltest::MessageBoxCount() == 0; }

// A camera made current for the life of the object.
struct CurrentCamera {
    CurrentCamera() : old(g_pCurrentCamera) { g_pCurrentCamera = &camera; }
    ~CurrentCamera() { g_pCurrentCamera = old; }
    Camera camera;
    Camera* old;
};

}  // namespace player_test
