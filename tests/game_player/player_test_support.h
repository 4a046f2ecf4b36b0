// Shared pieces of the player and goblin tests: the mouse, the keys let go and
// a current camera.
#pragma once
#include "camera.h"
#include "engine_lists.h"
#include "game_test_support.h"
#include "pcsystem.h"
#include "sound.h"
#include "windows.h"

namespace player_test {

using quiltest::CentreX;
using quiltest::CentreZ;
using quiltest::KeyDown;
using quiltest::KeyUp;
using quiltest::LoadRoom;
using quiltest::Playing;

inline void PrepareWorld() { quiltest::PrepareGameWorld("game_player_test"); }
inline void SetMouse(int dx, int dy, uint32_t buttons) {
    MouseState* m = GetPCSystem()->GetMouse();
    m->dx = dx;
    m->dy = dy;
    m->buttons = buttons;
}
// Lets go of every key and the mouse buttons and clears the mouse movement.
inline void ReleaseKeys() {
    for (int vk : {int('A'), int('D'), int('W'), int('S'), int('T'), VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN}) KeyUp(vk);
    SetMouse(0, 0, 0);
}

// A camera made current for the life of the object.
struct CurrentCamera {
    CurrentCamera() : old(g_pCurrentCamera) { g_pCurrentCamera = &camera; }
    ~CurrentCamera() { g_pCurrentCamera = old; }
    Camera camera;
    Camera* old;
};

}  // namespace player_test
