// The level's point lights: the records that the props add, the nearest-three
// search that props and walkers light themselves with, the Direct3D lights they
// switch on, and the lens flares drawn over the scene for flagged lights.
#pragma once
#include <cstdint>
#include "d3d8.h"
#include "quilmath.h"
#include "spritelist2d.h"

// One point light as the props describe it (six 32-bit words).
struct LightDesc {
    float x, y, z;      // world position
    float radius;       // reach in world units
    uint32_t colour;    // 0x00RRGGBB; the top byte is ignored
    uint32_t flare;     // non-zero: the light draws a lens flare
};

// One light slot: the Direct3D light, its Direct3D index and the description.
struct LightRecord {
    D3DLIGHT8 light;
    uint32_t index;     // LIGHT_UNUSED in a slot that holds no light
    LightDesc desc;
};

class LightMan {
public:
    enum { MAX_LIGHTS = 16, MAX_FOUND = 3 };
    static constexpr uint32_t LIGHT_UNUSED = 0xFFFFFFFFu;
    // What AddLight returns for a light it had no room for.
    static constexpr uint32_t LIGHT_REFUSED = 0xFFFFFFFFu;
    static constexpr uint32_t DEFAULT_AMBIENT = 0xFF202020u;

    LightMan();

    // Marks every slot unused, builds the flare sprites and places them once.
    void Init();
    // Releases the flare sprites.
    void Shutdown();

    // Adds a light and sends every light to the device; returns its slot.
    uint32_t AddLight(const LightDesc& desc);
    // Moves the last light into the given slot.
    void RemoveLight(uint32_t index);
    // Forgets every light and every flare, and switches the lights off on the device.
    void Clear();

    // The three lights nearest to position, nearest first; bEnable switches
    // exactly those on on the device.
    void FindNearest(const Vec3& position, bool bEnable);
    uint32_t GetNumFound() const { return m_uNumFound; }
    LightRecord** GetFound() { return m_pFound; }
    // Switches every light off, then the first n of list on.
    void EnableList(LightRecord** list, uint32_t n);
    // Sends every light and the ambient colour to the device.
    void Apply();

    // Places a flare sprite for every flagged light near and visible to the camera.
    void UpdateFlares();

    uint32_t GetCount() const { return m_uCount; }
    LightRecord* GetLight(uint32_t i) { return &m_Records[i]; }
    uint32_t GetAmbient() const { return m_uAmbient; }
    SpriteList2D* GetFlares() { return &m_Flares; }

private:
    LightRecord m_Records[MAX_LIGHTS];
    LightRecord* m_pFound[MAX_FOUND];
    uint32_t m_uAmbient;
    uint32_t m_uCount;
    uint32_t m_uNumFound;
    SpriteList2D m_Flares;
    float m_fFoundDist[MAX_FOUND];  // squared distances of the found lights
};

LightMan* GetLightMan();
