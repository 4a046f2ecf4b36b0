// Pixel formats of the Direct3D stand-in: sizes and their OpenGL upload forms.
#pragma once
#include <epoxy/gl.h>
#include "d3d8types.h"

namespace quil_d3d8 {

// How one texture format is handed to OpenGL.
struct GlFormat {
    GLint internalFormat = 0;
    GLenum format = 0;
    GLenum type = 0;
    GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
};

// The border colour to give OpenGL for a texture read through the swizzle, so that it is drawn
// as the Direct3D colour (A8R8G8B8): each stored channel takes the colour's channel it is read
// back as; channels the swizzle fixes at zero or one stay so.
void BorderColorFor(const GLint swizzle[4], DWORD color, float out[4]);

// Bytes per pixel of a colour format; 0 when the format cannot be a texture or surface.
UINT FormatBytesPerPixel(D3DFORMAT format);
// True when textures and surfaces of the format can be created.
bool IsTextureFormat(D3DFORMAT format);
// True for the depth-stencil formats the device offers.
bool IsDepthFormat(D3DFORMAT format);
// True for the display (back-buffer) formats the device offers.
bool IsDisplayFormat(D3DFORMAT format);
// The OpenGL form of a texture format (false when there is none).
bool GlFormatFor(D3DFORMAT format, GlFormat* out);
// Row pitch in bytes of a width-pixel row: rows are aligned to 4 bytes.
UINT RowPitch(D3DFORMAT format, UINT width);
// Converts one pixel in the format to 0xAARRGGBB.
DWORD PixelToArgb(D3DFORMAT format, const BYTE* pixel);

}  // namespace quil_d3d8
