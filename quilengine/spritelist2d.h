// Screen sprites: a fixed number of square textured quads laid out in the
// virtual 640x480 screen, drawn in one call over everything else.
#pragma once
#include <cstdint>
#include "d3d8.h"
#include "process.h"

// A pre-transformed vertex: back-buffer pixels, colour, one texture pair (format 0x144).
struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
#define SCREENVERTEX_FVF (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1)

// One screen sprite, written by the owner.
struct Sprite2D {
    float x, y;     // centre in the virtual 640x480 screen
    float size;     // edge length in virtual pixels
    uint32_t colour;
    float uLeft, vTop;
    float uRight, vBottom;
};

class SpriteList2D : public Object {
public:
    // Indices are 16 bits: four vertices per sprite address at most this many.
    enum { MAX_SPRITES = 16384, NAME_LENGTH = 128 };

    SpriteList2D();
    ~SpriteList2D() override;

    // Allocates count records (left for the owner to fill) and activates the list.
    Sprite2D* Build(uint32_t count, const char* textureFile);
    Sprite2D* GetSprites() { return m_pSprites; }
    void SetCount(uint32_t count) { m_uActive = count; }
    void SetBlendMode(uint32_t mode) { m_uBlendMode = mode; }
    // Changes the texture file; the next Render loads it.
    void SetTexture(const char* textureFile);

    void Shutdown() override;
    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;
    void Render() override;
    void InvalidateDeviceObjects() override;
    void RestoreDeviceObjects() override;

    uint32_t GetCapacity() const { return m_uCapacity; }
    uint32_t GetCount() const { return m_uActive; }
    uint32_t GetBlendMode() const { return m_uBlendMode; }
    const char* GetTextureName() const { return m_szTextureName; }
    bool IsActive() const { return m_bActive; }

private:
    Sprite2D* m_pSprites;
    IDirect3DTexture8* m_pTexture;
    IDirect3DVertexBuffer8* m_pVB;
    IDirect3DIndexBuffer8* m_pIB;
    uint32_t m_uCapacity;
    uint32_t m_uActive;
    uint32_t m_uBlendMode;
    char m_szTextureName[NAME_LENGTH];
    bool m_bActive;

    void FillVertexBuffer();
};
