// The display's life in the frame loop, its device objects, the frame's draw
// calls and its texts.
#include "HUD.h"

#include <cstdio>

#include "HUDSource.h"
#include "Level.h"
#include "comrelease.h"
#include "d3dfont.h"
#include "gameengine.h"
#include "renderdevice.h"
#include "renderer.h"

HUD::HUD()
    : m_pQuadVB(nullptr),
      m_pQuadIB(nullptr),
      m_pWedgeVB(nullptr),
      m_pWedgeIB(nullptr),
      m_pMapTexture(nullptr),
      m_pHudTexture(nullptr),
      m_fMapOriginX(0.0f),
      m_fMapOriginZ(0.0f),
      m_fMapScaleX(0.0f),
      m_fMapScaleZ(0.0f),
      m_fScannerX(0.0f),
      m_fScannerY(0.0f),
      m_fScannerW(0.0f),
      m_fScannerH(0.0f),
      m_uQuadCount(0),
      m_uWedgeCount(0),
      m_pSource(GetGameHudSource()),
      m_uResets(0),
      m_bActive(false) {}

void HUD::Init() {
    Object::Init();
    Level* level = GetLevel();
    m_fMapOriginX = level->GetOriginX();
    m_fMapOriginZ = level->GetOriginZ();
    const float cell = level->GetCellSize();
    const float scale = cell > 0.0f ? 1.0f / (cell * static_cast<float>(LEVEL_GRID_SIZE)) : 0.0f;
    m_fMapScaleX = scale;
    m_fMapScaleZ = scale;
    const HudPanel& scanner = GetPanel(HUD_PANEL_SCANNER);
    m_fScannerX = scanner.x;
    m_fScannerY = scanner.y;
    m_fScannerW = scanner.w;
    m_fScannerH = scanner.h;
}

void HUD::Update(float) { BuildVertices(); }

// Joins the frame loop and the overlay pass; a second Activate changes nothing,
// so the engine's lists never hold the display twice.
void HUD::Activate() {
    if (m_bActive) return;
    m_bActive = true;
    GetGameEngine()->AddProcess(this);
    GetRenderer()->AddOverlayObject(this);
}

void HUD::Deactivate() {
    InvalidateDeviceObjects();
    GetGameEngine()->RemoveProcess(this);
    GetRenderer()->RemoveOverlayObject(this);
    m_bActive = false;
}

// Safe to call twice: the second call finds nothing to release.
void HUD::InvalidateDeviceObjects() {
    ReleaseAndNull(m_pHudTexture);
    ReleaseAndNull(m_pMapTexture);
    ReleaseAndNull(m_pQuadVB);
    ReleaseAndNull(m_pQuadIB);
    ReleaseAndNull(m_pWedgeVB);
    ReleaseAndNull(m_pWedgeIB);
}

void HUD::RestoreDeviceObjects() {
    if (!m_pMapTexture) CreateLevelMapTexture();
    if (!m_pHudTexture) m_pHudTexture = GetRenderer()->LoadTexture("gfx/hud.tga");
    CreateQuadBuffers();
    CreateWedgeBuffers();
}

void HUD::Reset() {
    ++m_uResets;
    InvalidateDeviceObjects();
}

void HUD::SetSource(HudSource* source) { m_pSource = source ? source : GetGameHudSource(); }

void HUD::CreateQuadBuffers() {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    if (!m_pQuadVB) {
        if (FAILED(device->CreateVertexBuffer(MAX_QUADS * 4 * sizeof(ScreenVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                              SCREENVERTEX_FVF, D3DPOOL_DEFAULT, &m_pQuadVB)))
            m_pQuadVB = nullptr;
        BuildVertices();
    }
    if (!m_pQuadIB) {
        if (FAILED(device->CreateIndexBuffer(MAX_QUADS * 6 * sizeof(uint16_t), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                             D3DPOOL_MANAGED, &m_pQuadIB)))
            m_pQuadIB = nullptr;
        BYTE* data = nullptr;
        if (m_pQuadIB && SUCCEEDED(m_pQuadIB->Lock(0, 0, &data, 0)) && data) {
            auto* index = reinterpret_cast<uint16_t*>(data);
            for (uint16_t k = 0; k < MAX_QUADS; ++k) {
                const uint16_t b = static_cast<uint16_t>(4 * k);
                const uint16_t quad[6] = {b, uint16_t(b + 1), uint16_t(b + 2), b, uint16_t(b + 2), uint16_t(b + 3)};
                for (uint16_t i : quad) *index++ = i;
            }
            m_pQuadIB->Unlock();
        }
    }
}

void HUD::CreateWedgeBuffers() {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    if (!m_pWedgeVB) {
        if (FAILED(device->CreateVertexBuffer(MAX_WEDGES * 3 * sizeof(ScreenVertex),
                                              D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, SCREENVERTEX_FVF, D3DPOOL_DEFAULT,
                                              &m_pWedgeVB)))
            m_pWedgeVB = nullptr;
        FillWedges();
    }
    if (!m_pWedgeIB) {
        if (FAILED(device->CreateIndexBuffer(MAX_WEDGES * 3 * sizeof(uint16_t), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                             D3DPOOL_MANAGED, &m_pWedgeIB)))
            m_pWedgeIB = nullptr;
        BYTE* data = nullptr;
        if (m_pWedgeIB && SUCCEEDED(m_pWedgeIB->Lock(0, 0, &data, 0)) && data) {
            auto* index = reinterpret_cast<uint16_t*>(data);
            for (uint16_t i = 0; i < MAX_WEDGES * 3; ++i) index[i] = i;
            m_pWedgeIB->Unlock();
        }
    }
}

// The scanner (which leaves depth 0.01 over its rectangle), then every icon and
// blip additively in one call, then the wedges, which the depth test keeps to
// the scanner, and last the texts.
void HUD::Render() {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    if (!m_pMapTexture || !m_pQuadIB || !m_pQuadVB) RestoreDeviceObjects();
    Renderer* renderer = GetRenderer();

    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    device->SetTransform(D3DTS_WORLD, reinterpret_cast<const D3DMATRIX*>(GetMatrix()));

    renderer->SetRenderMode(RENDERMODE_MODULATE);
    renderer->SetTextureWrap(false);
    device->SetTexture(0, m_pMapTexture);
    device->SetVertexShader(SCREENVERTEX_FVF);
    device->SetStreamSource(0, m_pQuadVB, sizeof(ScreenVertex));
    device->SetIndices(m_pQuadIB, 0);
    const bool quads = m_pQuadVB && m_pQuadIB;
    if (quads) device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2);

    device->SetTexture(0, m_pHudTexture);
    renderer->SetRenderMode(RENDERMODE_MODULATE_ADD);
    if (quads && m_uQuadCount != 0)
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4 * (m_uQuadCount + 1), 6, m_uQuadCount * 2);

    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATEREQUAL);
    // Refilled every frame, so walkers that appear after the buffers were made get their wedges too.
    FillWedges();
    if (m_uWedgeCount != 0 && m_pWedgeVB && m_pWedgeIB) {
        device->SetStreamSource(0, m_pWedgeVB, sizeof(ScreenVertex));
        device->SetIndices(m_pWedgeIB, 0);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3 * m_uWedgeCount, 0, m_uWedgeCount);
    }
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);

    DrawTexts();
}

// Each text is cut to its buffer, so no value can overrun it. The presents
// still to deliver never show below 0 (a room without a present spot).
void HUD::FormatTexts(HudTexts* texts) {
    Level* level = GetLevel();
    std::snprintf(texts->score, sizeof(texts->score), "SCORE: %u", m_pSource->GetScore());
    std::snprintf(texts->health, sizeof(texts->health), "%d", m_pSource->GetHealth());
    const int64_t left = static_cast<int64_t>(level->GetRoomPointCount()) -
                         static_cast<int64_t>(m_pSource->GetDelivered()) - 1;
    std::snprintf(texts->presents, sizeof(texts->presents), "%2d", static_cast<int>(left > 0 ? left : 0));
    std::snprintf(texts->time, sizeof(texts->time), "%.1f", static_cast<double>(level->GetTimeLeft()));
}

void HUD::DrawTexts() {
    D3DFont* font = RenderDevice_GetFont();
    if (!font) return;
    HudTexts texts;
    FormatTexts(&texts);
    const HudPanel& health = GetPanel(HUD_PANEL_HEALTH_ICON);
    const HudPanel& presents = GetPanel(HUD_PANEL_PRESENT_ICON);
    const HudPanel& time = GetPanel(HUD_PANEL_TIME_ICON);
    font->DrawText(20.0f, 8.0f, TEXT_COLOUR, texts.score, SCORE_TEXT_SCALE, 0);
    font->DrawText(health.x + TEXT_OFFSET, health.y, TEXT_COLOUR, texts.health, SMALL_TEXT_SCALE, 0);
    font->DrawText(presents.x + TEXT_OFFSET, presents.y, TEXT_COLOUR, texts.presents, SMALL_TEXT_SCALE, 0);
    font->DrawText(time.x + TEXT_OFFSET, time.y, TEXT_COLOUR, texts.time, SMALL_TEXT_SCALE, 0);
}

HUD* GetHUD() {
    static HUD hud;
    return &hud;
}
