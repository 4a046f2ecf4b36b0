// Screen-space text from a texture of 44 pre-rendered glyphs: space, " .,-:()",
// the digits and the capital letters. Every other character draws as a blank.
#pragma once
#include <cstdint>
#include "d3d8.h"
#include "spritelist2d.h"

// Font flags.
#define D3DFONT_BOLD 0x0001u
#define D3DFONT_ITALIC 0x0002u
#define D3DFONT_ZENABLE 0x0004u

class D3DFont {
public:
    enum { NUM_GLYPHS = 44, MAX_VERTICES = 300, NAME_LENGTH = 80 };

    // Stores the face, height in points and flags; no GDI or device work yet.
    D3DFont(const char* faceName, DWORD height, DWORD flags = 0);
    ~D3DFont();
    D3DFont(const D3DFont&) = delete;
    D3DFont& operator=(const D3DFont&) = delete;

    // Builds the character map and rasterises the glyph texture for a device.
    HRESULT InitDeviceObjects(IDirect3DDevice8* device);
    // Creates the vertex buffer and records the two state blocks.
    HRESULT RestoreDeviceObjects();
    // Releases the vertex buffer and the state blocks; a second call does nothing.
    HRESULT InvalidateDeviceObjects();
    // Releases the texture and forgets the device.
    HRESULT DeleteDeviceObjects();

    // Draws text at (x, y) in the virtual 640x480 screen; flags are not used.
    HRESULT DrawText(float x, float y, D3DCOLOR colour, const char* text, float scale = 1.0f, DWORD flags = 0);
    // The size of a string in texels, whatever scale it would be drawn at.
    HRESULT GetTextExtent(const char* text, SIZE* size);
    static void InitFontVertex(ScreenVertex* v, float x, float y, float z, float rhw, D3DCOLOR colour, float tu,
                               float tv);

    // Read-only views for diagnostics.
    const char* GetFaceName() const { return m_strFontName; }
    DWORD GetTextureWidth() const { return m_dwTexWidth; }
    DWORD GetTextureHeight() const { return m_dwTexHeight; }
    float GetTextScale() const { return m_fTextScale; }
    uint8_t GetGlyph(unsigned char c) const { return m_aCharMap[c]; }
    const float* GetGlyphCoords(int glyph) const { return m_fTexCoords[glyph]; }
    IDirect3DTexture8* GetTexture() const { return m_pTexture; }
    IDirect3DVertexBuffer8* GetVertexBuffer() const { return m_pVB; }

private:
    char m_strFontName[NAME_LENGTH];
    DWORD m_dwFontHeight;
    DWORD m_dwFontFlags;
    IDirect3DDevice8* m_pd3dDevice;
    IDirect3DTexture8* m_pTexture;
    IDirect3DVertexBuffer8* m_pVB;
    DWORD m_dwTexWidth, m_dwTexHeight;
    float m_fTextScale;
    float m_fTexCoords[NUM_GLYPHS][4];
    uint8_t m_aCharMap[256];
    DWORD m_dwSavedStateBlock;
    DWORD m_dwDrawTextStateBlock;

    HRESULT RasteriseGlyphs();
    void RecordStateBlock(DWORD* token);
};
