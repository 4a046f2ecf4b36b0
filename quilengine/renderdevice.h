// The device side that the rendering services draw with: the Direct3D device,
// its capabilities, the back buffer's description, the text font and the
// framework's frame-statistics text. They come from the application object
// (PCSystem). A tool or test that drives the rendering services with a device of
// its own binds it here instead; the binding takes precedence until it is undone.
#pragma once
#include "d3d8.h"

class D3DFont;

// Binds a device and reads its capabilities and back-buffer description from it.
void RenderDevice_Bind(IDirect3DDevice8* device);
// Binds a device with the given capabilities and back-buffer description.
void RenderDevice_Bind(IDirect3DDevice8* device, const D3DCAPS8& caps, const D3DSURFACE_DESC& backBuffer);
// Undoes a device binding: the application object's device is used again.
void RenderDevice_Unbind();
// Binds a font and a statistics text; null undoes the binding.
void RenderDevice_SetFont(D3DFont* font);
void RenderDevice_SetFrameStats(const char* text);

IDirect3DDevice8* RenderDevice_GetDevice();
const D3DCAPS8* RenderDevice_GetCaps();
const D3DSURFACE_DESC* RenderDevice_GetBackBufferDesc();
D3DFont* RenderDevice_GetFont();
// Never null.
const char* RenderDevice_GetFrameStats();
