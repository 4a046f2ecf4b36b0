#include "format_util.h"

namespace quil_d3d8 {

UINT FormatBytesPerPixel(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8: return 4;
        case D3DFMT_R8G8B8: return 3;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
        case D3DFMT_A8L8: return 2;
        case D3DFMT_A8:
        case D3DFMT_L8: return 1;
        default: return 0;
    }
}

bool IsTextureFormat(D3DFORMAT format) { return FormatBytesPerPixel(format) != 0; }

bool IsDepthFormat(D3DFORMAT format) {
    return format == D3DFMT_D16 || format == D3DFMT_D24X8 || format == D3DFMT_D24S8;
}

bool IsDisplayFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5 ||
           format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5;
}

bool GlFormatFor(D3DFORMAT format, GlFormat* out) {
    GlFormat f;
    switch (format) {
        // A 32-bit texel's bytes (blue, green, red, alpha) are stored as they come, as if red came
        // first, and read back in order through a swizzle: every upload is then a plain copy.
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            f.internalFormat = GL_RGBA8; f.format = GL_RGBA; f.type = GL_UNSIGNED_BYTE;
            f.swizzle[0] = GL_BLUE; f.swizzle[2] = GL_RED;
            if (format == D3DFMT_X8R8G8B8) f.swizzle[3] = GL_ONE;
            break;
        case D3DFMT_R8G8B8: f.internalFormat = GL_RGB8; f.format = GL_BGR; f.type = GL_UNSIGNED_BYTE; break;
        case D3DFMT_R5G6B5: f.internalFormat = GL_RGB8; f.format = GL_RGB; f.type = GL_UNSIGNED_SHORT_5_6_5; break;
        case D3DFMT_A1R5G5B5: f.internalFormat = GL_RGB5_A1; f.format = GL_BGRA; f.type = GL_UNSIGNED_SHORT_1_5_5_5_REV; break;
        case D3DFMT_X1R5G5B5:
            f.internalFormat = GL_RGB5_A1; f.format = GL_BGRA; f.type = GL_UNSIGNED_SHORT_1_5_5_5_REV;
            f.swizzle[3] = GL_ONE;
            break;
        case D3DFMT_A4R4G4B4: f.internalFormat = GL_RGBA4; f.format = GL_BGRA; f.type = GL_UNSIGNED_SHORT_4_4_4_4_REV; break;
        case D3DFMT_X4R4G4B4:
            f.internalFormat = GL_RGBA4; f.format = GL_BGRA; f.type = GL_UNSIGNED_SHORT_4_4_4_4_REV;
            f.swizzle[3] = GL_ONE;
            break;
        case D3DFMT_A8:
            f.internalFormat = GL_R8; f.format = GL_RED; f.type = GL_UNSIGNED_BYTE;
            f.swizzle[0] = GL_ZERO; f.swizzle[1] = GL_ZERO; f.swizzle[2] = GL_ZERO; f.swizzle[3] = GL_RED;
            break;
        case D3DFMT_L8:
            f.internalFormat = GL_R8; f.format = GL_RED; f.type = GL_UNSIGNED_BYTE;
            f.swizzle[0] = GL_RED; f.swizzle[1] = GL_RED; f.swizzle[2] = GL_RED; f.swizzle[3] = GL_ONE;
            break;
        case D3DFMT_A8L8:
            f.internalFormat = GL_RG8; f.format = GL_RG; f.type = GL_UNSIGNED_BYTE;
            f.swizzle[0] = GL_RED; f.swizzle[1] = GL_RED; f.swizzle[2] = GL_RED; f.swizzle[3] = GL_GREEN;
            break;
        default: return false;
    }
    *out = f;
    return true;
}

void BorderColorFor(const GLint swizzle[4], DWORD color, float out[4]) {
    const float wanted[4] = {((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f, (color & 0xFF) / 255.0f,
                             ((color >> 24) & 0xFF) / 255.0f};
    bool set[4] = {};
    for (int i = 0; i < 4; ++i) out[i] = wanted[i];
    // Where several channels read one stored channel (luminance), the first of them gives it.
    for (int i = 0; i < 4; ++i) {
        int c = swizzle[i] - GL_RED;
        if (c < 0 || c > 3 || set[c]) continue;
        out[c] = wanted[i];
        set[c] = true;
    }
}

UINT RowPitch(D3DFORMAT format, UINT width) { return (FormatBytesPerPixel(format) * width + 3u) & ~3u; }

// Expands an n-bit channel to 8 bits.
static DWORD Expand(DWORD v, int bits) {
    if (bits == 8) return v;
    return (v * 255u + ((1u << bits) - 1u) / 2u) / ((1u << bits) - 1u);
}

DWORD PixelToArgb(D3DFORMAT format, const BYTE* p) {
    DWORD w16 = static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8);
    switch (format) {
        case D3DFMT_A8R8G8B8:
            return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
                   (static_cast<DWORD>(p[3]) << 24);
        case D3DFMT_X8R8G8B8:
            return 0xFF000000u | static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16);
        case D3DFMT_R8G8B8:
            return 0xFF000000u | static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16);
        case D3DFMT_R5G6B5:
            return 0xFF000000u | (Expand((w16 >> 11) & 31, 5) << 16) | (Expand((w16 >> 5) & 63, 6) << 8) | Expand(w16 & 31, 5);
        case D3DFMT_A1R5G5B5:
        case D3DFMT_X1R5G5B5: {
            DWORD a = (format == D3DFMT_X1R5G5B5 || (w16 & 0x8000)) ? 0xFFu : 0u;
            return (a << 24) | (Expand((w16 >> 10) & 31, 5) << 16) | (Expand((w16 >> 5) & 31, 5) << 8) | Expand(w16 & 31, 5);
        }
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4: {
            DWORD a = format == D3DFMT_X4R4G4B4 ? 0xFFu : Expand((w16 >> 12) & 15, 4);
            return (a << 24) | (Expand((w16 >> 8) & 15, 4) << 16) | (Expand((w16 >> 4) & 15, 4) << 8) | Expand(w16 & 15, 4);
        }
        case D3DFMT_A8: return static_cast<DWORD>(p[0]) << 24;
        case D3DFMT_L8: return 0xFF000000u | (p[0] * 0x010101u);
        case D3DFMT_A8L8: return (static_cast<DWORD>(p[1]) << 24) | (p[0] * 0x010101u);
        default: return 0;
    }
}

}  // namespace quil_d3d8
