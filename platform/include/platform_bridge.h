// Seams between the platform's own libraries (never included by the engine or game).
#pragma once
#include "windef.h"

struct SDL_Window;

namespace quil_platform {

// The SDL window behind a window handle; null when the handle is not a live window.
SDL_Window* WindowSDL(HWND hwnd);
// Pixels above the client area taken by the window's menu bar (0 without one).
int WindowMenuStripHeight(HWND hwnd);
// The graphics device tells the window which GL context draws it (null: none).
void WindowSetGLContext(HWND hwnd, void* glContext);
// Draws the window's non-client strip (menu bar) into the current GL context,
// just before the device swaps buffers.
void WindowDrawNonClient(HWND hwnd);

}  // namespace quil_platform
