// Seams between the platform's own libraries (never included by the engine or game).
//
// A top-level window made by CreateWindowExA is one SDL window created with
// SDL_WINDOW_OPENGL and hidden until ShowWindow. Its height is the menu strip
// (WindowMenuStripHeight) plus the client area; the client area is the lower part,
// exactly the client size (GetClientRect), which in GL terms is the viewport
// (0, 0, client width, client height) of the default framebuffer. In windowed
// mode the window platform owns the SDL window's size (SetWindowPos, user
// resizes); in full screen the device may switch the SDL window to a full-screen
// mode, and the window then reports the new size with WM_SIZE.
#pragma once
#include "windef.h"

struct SDL_Window;

namespace quil_platform {

// Starts SDL video once for every platform library (true when it runs). With no
// driver chosen in SDL_VIDEODRIVER and no display to open, the program ends with
// a message naming the display.
bool StartVideo();
// The SDL window behind a window handle; null when the handle is not a live window.
SDL_Window* WindowSDL(HWND hwnd);
// Pixels above the client area taken by the window's menu bar (0 without one).
int WindowMenuStripHeight(HWND hwnd);
// The graphics device tells the window which GL context draws it (null: none).
// Call it with null while the old context is still current, before deleting it:
// the window's own GL objects (menu drawing) are released in that context.
void WindowSetGLContext(HWND hwnd, void* glContext);
// Draws the window's non-client strip (menu bar) and any open menu into the
// current GL context's default framebuffer, just before the device swaps buffers,
// with the scissor test off. True when it drew with ImGui: GL state (program,
// buffers, textures, viewport, blend, depth, cull) is restored afterwards, yet
// the caller should forget what it knows of it. False when it drew nothing or
// copied the strip as it was last drawn: only the framebuffer bindings changed.
bool WindowDrawNonClient(HWND hwnd);
// True once the window is known to have been destroyed by another program (its
// close follows as from its close box); nothing may be drawn into it any more.
bool WindowGone(HWND hwnd);
// Before drawing into the window's default framebuffer (making its context current
// included): false when the window is gone, and nothing may be drawn into it. True
// otherwise, and then WindowLetGo must follow once the drawing has been set up
// (before the swap): the window cannot go in between.
bool WindowHoldForDrawing(HWND hwnd);
void WindowLetGo(HWND hwnd);

}  // namespace quil_platform
