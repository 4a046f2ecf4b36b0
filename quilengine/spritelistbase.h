// What the screen and world sprite lists share: the owner's record block, the
// texture, the dynamic vertex buffer and the quad index buffer, and the way the
// list joins and leaves the frame loop and the overlay pass. Each list supplies
// its vertex format, how a record becomes four vertices, and its draw states.
#pragma once
#include <cstdint>
#include "d3d8.h"
#include "process.h"

// Stage 0's mip filter off for the draws of its lifetime, when the caller knows they
// only magnify their texture: they read its top level alone, so mip filtering cannot
// change a pixel of them, and leaving it out spares the level-of-detail work per pixel.
// The filter is put back at the end. Nothing changes when magnified is false or when a
// lowest level or a level-of-detail bias is set.
class MagnifiedDraw {
public:
    MagnifiedDraw(IDirect3DDevice8* device, bool magnified);
    ~MagnifiedDraw();
    MagnifiedDraw(const MagnifiedDraw&) = delete;
    MagnifiedDraw& operator=(const MagnifiedDraw&) = delete;

    // Texels per pixel that still count as magnified: kept below one, so that the
    // rasteriser's level of detail stays on the top level whatever its rounding.
    static constexpr float TEXELS_PER_PIXEL = 0.875f;
    // True when texels (across, down) drawn over pixels (across, down) are magnified.
    static bool Magnifies(float texelsX, float texelsY, float pixelsX, float pixelsY) {
        return texelsX <= TEXELS_PER_PIXEL * pixelsX && texelsY <= TEXELS_PER_PIXEL * pixelsY;
    }

private:
    IDirect3DDevice8* m_pDevice;
    DWORD m_dwMipFilter;
    bool m_bChanged;
};

class SpriteListBase : public Object {
public:
    // Indices are 16 bits: four vertices per sprite address at most this many.
    enum { MAX_SPRITES = 16384, NAME_LENGTH = 128 };

    ~SpriteListBase() override;

    void SetCount(uint32_t count) { m_uActive = count; }
    void SetBlendMode(uint32_t mode) { m_uBlendMode = mode; }
    // Changes the texture file; the next Render loads it.
    void SetTexture(const char* textureFile);

    void Shutdown() override;
    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;
    void InvalidateDeviceObjects() override;
    void RestoreDeviceObjects() override;

    uint32_t GetCapacity() const { return m_uCapacity; }
    uint32_t GetCount() const { return m_uActive; }
    uint32_t GetBlendMode() const { return m_uBlendMode; }
    const char* GetTextureName() const { return m_szTextureName; }
    bool IsActive() const { return m_bActive; }

protected:
    // What tells one kind of list from another: sizes, format and its own messages.
    struct Kind {
        uint32_t recordSize;
        uint32_t vertexSize;
        DWORD fvf;
        const char* memoryTag;
        const char* allocFailure;
        const char* indexLockFailure;
        const char* tooManyActive;
    };

    explicit SpriteListBase(const Kind& kind);

    // Allocates count records (left for the owner to fill) and activates the list.
    void* BuildRecords(uint32_t count, const char* textureFile);
    void* Records() const { return m_pRecords; }
    // Writes the quads of the first count records into the locked vertex buffer.
    virtual void WriteVertices(BYTE* data, uint32_t count) = 0;
    // True when no texel of the first count records can be drawn smaller than a pixel
    // (textures of texelsX x texelsY): those quads read the top level only.
    virtual bool AllMagnified(uint32_t count, float texelsX, float texelsY) = 0;
    // Makes whatever device object is missing; returns the device, or null without one.
    IDirect3DDevice8* PrepareToDraw();
    // Sets the list's vertex format and buffers; returns how many quads can be drawn
    // from them (none while the buffers are not made).
    uint32_t BindBuffers(IDirect3DDevice8* device);
    // Sets the list's transform, texture, mode and buffers, then draws the active quads.
    void DrawQuads(IDirect3DDevice8* device);

private:
    const Kind m_kind;
    void* m_pRecords;
    IDirect3DTexture8* m_pTexture;
    IDirect3DVertexBuffer8* m_pVB;
    IDirect3DIndexBuffer8* m_pIB;
    uint32_t m_uCapacity;
    uint32_t m_uActive;
    uint32_t m_uBlendMode;
    char m_szTextureName[NAME_LENGTH];
    bool m_bActive;

    void FillVertexBuffer();
    void FillIndexBuffer();
};
