// The engine's drawing service over the Direct3D device: the object and overlay
// draw lists, the frame, the camera transforms, the device defaults, the render
// modes and their state caches, mesh and texture loading, debug lines, screen
// projection and the virtual 640x480 screen scale.
#pragma once
#include <cstdint>
#include "d3d8.h"
#include "process.h"
#include "quilmath.h"
#include "resourcecache.h"

class Camera;
struct ID3DXMesh;

// A debug-line end point: world position and colour (vertex format 0x42).
struct LineVertex {
    float x, y, z;
    D3DCOLOR colour;
};
#define LINEVERTEX_FVF (D3DFVF_XYZ | D3DFVF_DIFFUSE)

// Render modes passed to Renderer::SetRenderMode.
enum RenderMode : uint32_t {
    RENDERMODE_TEXTURE = 0,            // texture, opaque
    RENDERMODE_TEXTURE_ALPHA = 1,      // texture and its alpha, blended and alpha-tested
    RENDERMODE_MODULATE_ALPHA = 2,     // texture x vertex colour and alpha, blended
    RENDERMODE_MODULATE = 3,           // texture x vertex colour, opaque
    RENDERMODE_DIFFUSE = 4,            // vertex colour only
    RENDERMODE_DIFFUSE_ADD = 5,        // vertex colour, additive, no z-write
    RENDERMODE_TEXTURE_ADD = 6,        // texture, additive, no z-write
    RENDERMODE_MODULATE_ADD = 7,       // texture x vertex colour, additive, no z-write
    RENDERMODE_LIGHTMAP_MODULATE = 8,  // texture x vertex colour x lightmap
    RENDERMODE_LIGHTMAP = 9,           // texture x lightmap
    RENDERMODE_LIGHTMAP_MODULATE_ALPHA = 10,
    RENDERMODE_LIGHTMAP_ALPHA = 11,
    RENDERMODE_COUNT = 12,
};

// Renderer flags.
#define RENDERER_SHOWSTATS 0x1u    // draw the statistics text
#define RENDERER_FOGCONFIG 0x2u    // fog is configured
#define RENDERER_FOGON 0x4u        // fog is on on the device
#define RENDERER_ZWRITEON 0x8u     // z-write is on on the device
// State-cache bits.
#define RENDERER_BLENDON 0x1u      // alpha blending is on on the device
#define RENDERER_WRAPON 0x2u       // texture addressing wraps on stages 0 and 1

// The bit pattern of a float, as render states take it.
inline DWORD FloatBits(float f) {
    DWORD bits;
    static_assert(sizeof(bits) == sizeof(f), "float is 32 bits");
    __builtin_memcpy(&bits, &f, sizeof(bits));
    return bits;
}

class Renderer {
public:
    enum { MAX_DEBUG_VERTS = 1024 };

    Renderer();

    uint32_t Init();
    uint32_t Destroy();
    // One frame: clear, camera, both draw lists, debug lines, statistics text.
    void Render();

    void InvalidateDeviceObjects();
    void RestoreDeviceObjects();
    // The device is going: every object that exists, drawn or not, releases its
    // device objects, and the caches let go of theirs.
    void DeleteDeviceObjects();

    void AddObject(Object* o);
    void RemoveObject(Object* o);
    void AddOverlayObject(Object* o);
    void RemoveOverlayObject(Object* o);
    void ClearLists();

    void SetFlags(uint32_t mask);
    void BeginUpdate();
    void EndUpdate();

    void SetCamera(Camera* camera);
    void SetDefaultCamera();
    void SetDefaultStates();
    void DrawStats();

    // Render modes and the cached switches.
    void SetRenderMode(uint32_t mode);
    void SetTextureWrap(bool wrap);
    void SetAlphaBlend(bool on);
    void SetFogEnable(bool on);
    void SetZWrite(bool on);
    void SetFog(bool enable, float start, float end, D3DCOLOR colour);

    // Loading: the caller owns a reference to what is returned. Each file is read
    // once and its object shared; a failure is a fatal trap, reported once per
    // file, and null every time.
    ID3DXMesh* LoadMesh(const char* fileName);
    IDirect3DTexture8* LoadTexture(const char* fileName);
    // Drops the caches' hold on the loaded meshes, textures and skinned models
    // (the device they were made for is going); failures stay remembered.
    void ReleaseCaches();
    size_t GetCachedObjectCount() const { return m_Meshes.ObjectCount() + m_Textures.ObjectCount(); }

    void AddDebugLine(const Vec3* start, const Vec3* end, D3DCOLOR startColour, D3DCOLOR endColour);
    void DrawDebugLines();

    // World point to back-buffer pixels (x, y) and depth 0..1 (z).
    void ProjectToScreen(const Vec3* point, Vec3* out);
    float GetScreenScaleX() const { return m_fScreenScaleX; }
    float GetScreenScaleY() const { return m_fScreenScaleY; }
    Matrix* GetViewMatrix() { return &m_mView; }
    Matrix* GetProjectionMatrix() { return &m_mProjection; }

    // Read-only views for diagnostics.
    uint32_t GetFlags() const { return m_uFlags; }
    uint32_t GetRenderMode() const { return m_uRenderMode; }
    uint32_t GetDebugVertexCount() const { return m_uDebugVertCount; }
    Object* GetObjectList() const { return m_pObjectList; }
    Object* GetOverlayList() const { return m_pOverlayList; }
    bool IsRendering() const { return m_bRendering; }

private:
    D3DMATERIAL8 m_Material;
    LineVertex m_aDebugVerts[MAX_DEBUG_VERTS];
    Matrix m_mIdentity;
    Object* m_pObjectList;
    Object* m_pOverlayList;
    uint32_t m_uFlags;
    uint32_t m_uRenderMode;
    uint32_t m_uStateCache;
    uint32_t m_uDebugVertCount;
    D3DCOLOR m_FogColour;
    bool m_bUpdating;
    bool m_bRendering;
    float m_fFarPlane;
    float m_fScreenScaleX, m_fScreenScaleY;
    float m_fFogStart, m_fFogEnd;
    Matrix m_mView;
    Matrix m_mProjection;
    ResourceCache m_Meshes;
    ResourceCache m_Textures;
};

Renderer* GetRenderer();
