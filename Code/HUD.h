// The in-play display over the world: a scanner in the lower right corner (a
// map of the current room with blips for the player, the walkers and their
// view wedges, the present, the tree's star and the goblins), the crosshair,
// the spotted panel, the health, time and present icons, and the score,
// health, presents-left and time texts. Pictures come from the atlas
// "gfx/hud.tga" and a 64x64 map texture the display draws itself; positions
// are in the virtual 640x480 screen, scaled to the back buffer.
#pragma once
#include <cstddef>
#include <cstdint>
#include "d3d8.h"
#include "process.h"
#include "spritelist2d.h"

class HudSource;

// One picture: top-left (the centre for blips) and size in virtual pixels,
// ARGB colour and texture rectangle.
struct HudPanel {
    float x, y, w, h;
    uint32_t colour;
    float uLeft, vTop, uRight, vBottom;
};

enum HudPanelId : uint32_t {
    HUD_PANEL_SCANNER = 0,
    HUD_PANEL_CROSSHAIR = 1,
    HUD_PANEL_HEALTH_ICON = 2,
    HUD_PANEL_TIME_ICON = 3,
    HUD_PANEL_PLAYER = 4,
    HUD_PANEL_SPOTTED = 5,
    HUD_PANEL_WALKER = 6,
    HUD_PANEL_PRESENT = 7,
    HUD_PANEL_STAR = 8,
    HUD_PANEL_PRESENT_ICON = 9,
    HUD_PANEL_GOBLIN = 10,
    HUD_PANEL_COUNT = 11,
};

// The four texts, as the display draws them.
struct HudTexts {
    char score[32];
    char health[32];
    char presents[32];
    char time[48];
};

class HUD : public Object {
public:
    static constexpr uint32_t MAX_QUADS = 32;
    static constexpr uint32_t MAX_WEDGES = 6;
    static constexpr uint32_t MAP_SIZE = 64;        // map texture texels per side
    static constexpr float QUAD_DEPTH = 0.01f;      // z and rhw of every quad
    static constexpr float WEDGE_DEPTH = 0.5f;      // z and rhw of every wedge
    static constexpr uint32_t WEDGE_COLOUR = 0xFF008080;
    static constexpr uint32_t TEXT_COLOUR = 0x80FFFFFF;
    static constexpr float TEXT_OFFSET = 45.0f;     // icon width and a gap
    static constexpr float SMALL_TEXT_SCALE = 0.75f;
    static constexpr float SCORE_TEXT_SCALE = 0.5f;

    HUD();

    // Takes the level's grid origin and scale and the scanner's rectangle.
    void Init() override;
    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;
    void Render() override;
    void InvalidateDeviceObjects() override;
    void RestoreDeviceObjects() override;

    // Drops every device object, so that the next draw rebuilds them and the
    // map shows the room just loaded.
    void Reset();
    uint32_t GetResetCount() const { return m_uResets; }

    // Rewrites the quad vertex buffer: the fixed panels, then the blips.
    void BuildVertices();
    void CreateLevelMapTexture();
    // Draws the current room's walls into the map texture.
    void DrawLevelMap();
    // World x, z to the virtual screen, within the scanner (not clipped).
    void WorldToMap(float x, float z, float* mapX, float* mapY) const;
    void CreateQuadBuffers();
    void CreateWedgeBuffers();
    // Rewrites the wedge vertex buffer: one view wedge per walker.
    void FillWedges();
    // Writes the three vertices of one walker's view wedge.
    void BuildWedge(float x, float z, float heading, ScreenVertex* v) const;
    // Formats the score, health, presents-left and time texts.
    void FormatTexts(HudTexts* texts);

    // Where the display reads the player, pickups, walkers and goblins; null
    // restores the game's own.
    void SetSource(HudSource* source);
    HudSource* GetSource() const { return m_pSource; }

    static const HudPanel& GetPanel(uint32_t id);

    // Read-only views for diagnostics.
    IDirect3DTexture8* GetMapTexture() const { return m_pMapTexture; }
    IDirect3DTexture8* GetHudTexture() const { return m_pHudTexture; }
    IDirect3DVertexBuffer8* GetQuadVertexBuffer() const { return m_pQuadVB; }
    IDirect3DIndexBuffer8* GetQuadIndexBuffer() const { return m_pQuadIB; }
    IDirect3DVertexBuffer8* GetWedgeVertexBuffer() const { return m_pWedgeVB; }
    IDirect3DIndexBuffer8* GetWedgeIndexBuffer() const { return m_pWedgeIB; }
    uint32_t GetQuadCount() const { return m_uQuadCount; }
    uint32_t GetWedgeCount() const { return m_uWedgeCount; }
    bool IsActive() const { return m_bActive; }

private:
    // Writes one fixed panel / one blip centred at (mapX, mapY), if room is left.
    void AddPanel(ScreenVertex* v, uint32_t* count, const HudPanel& p, float vShift = 0.0f) const;
    void AddBlip(ScreenVertex* v, uint32_t* count, const HudPanel& p, float mapX, float mapY) const;
    void DrawTexts();

    IDirect3DVertexBuffer8* m_pQuadVB;
    IDirect3DIndexBuffer8* m_pQuadIB;
    IDirect3DVertexBuffer8* m_pWedgeVB;
    IDirect3DIndexBuffer8* m_pWedgeIB;
    IDirect3DTexture8* m_pMapTexture;
    IDirect3DTexture8* m_pHudTexture;
    float m_fMapOriginX, m_fMapOriginZ;
    float m_fMapScaleX, m_fMapScaleZ;
    float m_fScannerX, m_fScannerY, m_fScannerW, m_fScannerH;
    uint32_t m_uQuadCount;
    uint32_t m_uWedgeCount;
    HudSource* m_pSource;
    uint32_t m_uResets;
    bool m_bActive;
};

// The game's HUD.
HUD* GetHUD();
