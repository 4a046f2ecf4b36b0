// Shared set-up of the player and goblin tests: a scratch folder holding the
// generated asset set (the working directory while the tests run), sound mixed
// into memory, headless message boxes, one-room houses built in place, keys
// through the application object's message handler and the mouse record.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Level.h"
#include "camera.h"
#include "quilmath.h"

struct Sound;

namespace player_test {

// Makes the scratch folder (once) and the working directory, starts the sound
// service on memory output and clears the message boxes shown.
void PrepareWorld();

// Replaces the level by one loaded room: outer walls, floor tile 0 and no
// props, start node (3, 3); edit may change the room before it is written and
// read back.
void LoadRoom(void (*edit)(Room*) = nullptr);

// Keys as the window delivers them; ReleaseKeys lets go of every key and the
// mouse buttons and clears the mouse movement.
void KeyDown(int vk);
void KeyUp(int vk);
void ReleaseKeys();
void SetMouse(int dx, int dy, uint32_t buttons);

// Whether the copy of a sound used last is playing; Silence stops every copy.
bool Playing(const Sound* s);
void Silence(const Sound* s);

// The texts of the message boxes shown since the last PrepareWorld.
std::vector<std::string> MessageTexts();

// True when p is in the engine's process list exactly once.
bool InProcessList(const void* p);

// A camera made current for the life of the object.
class CurrentCamera {
public:
    CurrentCamera() : m_pOld(g_pCurrentCamera) { g_pCurrentCamera = &camera; }
    ~CurrentCamera() { g_pCurrentCamera = m_pOld; }
    Camera camera;

private:
    Camera* m_pOld;
};

// Centre of node (col, row).
inline float CentreX(int col) { return -128.0f + 32.0f * static_cast<float>(col) + 16.0f; }
inline float CentreZ(int row) { return -128.0f + 32.0f * static_cast<float>(7 - row) - 16.0f; }

}  // namespace player_test
