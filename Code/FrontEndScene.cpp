// The title scene: loading, showing and taking away the backdrop, its music and
// sounds, the title tiles and bars, and drawing the sky, ground, trees and house.
#include "FrontEndScene.h"

#include <cstdio>
#include <cstring>

#include "SnowStorm.h"
#include "TextOverlay.h"
#include "camera.h"
#include "comrelease.h"
#include "d3dx8mesh.h"
#include "gameengine.h"
#include "music.h"
#include "renderdevice.h"
#include "renderer.h"
#include "sound.h"
#include "spritelist3d.h"

namespace {
const float PI = 3.14159265f;

const wchar_t* const THEME_MUSIC = L"sfx/quil_xmas_theme.mid";
const char* const MOVE_SOUND = "sfx\\menumove.wav";
const char* const SELECT_SOUND = "sfx\\menuselect.wav";

const char* const GROUND_MESH = "gfx\\northpole.x";
const char* const HOUSE_MESH = "gfx\\house.x";
const char* const TREES_MESH = "gfx\\trees.x";
const char* const SNOW_TEXTURE = "gfx\\snow.tga";
const char* const HOUSE_TEXTURE = "gfx\\house.tga";
const char* const SKY_TEXTURE = "gfx\\sky.tga";
const char* const TREES_TEXTURE = "gfx\\trees.tga";

// Where the ground and the snowman stand, and the trees and house beside them.
const float SCENE_X = 30.0f, SCENE_Y = 10.0f, SCENE_Z = 90.0f;
const float TREES_X = 75.0f, TREES_Z = 100.0f;
const float HOUSE_X = -200.0f, HOUSE_Z = 5.0f;
const float SKY_Y = 80.0f;

// The sky quad: two triangles 940 by 240 units, 500 units ahead.
const uint32_t SKY_VERTEX_COUNT = 6;
const float SKY_HALF_WIDTH = 470.0f, SKY_HALF_HEIGHT = 120.0f, SKY_Z = 500.0f;
const uint32_t SKY_COLOUR = 0xFF808080u;

// Hiscore and credit lines in the text overlay.
const uint32_t HISCORE_COLOUR = 0xFFC8C8C8u;
const uint32_t CREDIT_COLOUR = 0xFF646464u;
const float OVERLAY_FADE_TIME = 2.0f;
const char* const CREDIT_LINE_1 = "FROST-WICK - WRITTEN BY THE QUILENGINE TEAM";
const char* const CREDIT_LINE_2 = "SEE README.MD TO PLAY AND BUILD IT";

// Letterbox bars and title tiles.
const float BAR_SIZE = 650.0f, BAR_CENTRE_X = 325.0f;
const float BAR_TOP_EDGE = 80.0f, BAR_BOTTOM_EDGE = 480.0f - 90.0f;
const uint32_t TITLE_TILES = 4;
const float TITLE_WIDTH = 450.0f, TITLE_LEFT = 95.0f, TITLE_Y = 80.0f;

void SetSprite(Sprite2D& s, float x, float y, float size, float uLeft, float uRight) {
    s.x = x;
    s.y = y;
    s.size = size;
    s.colour = 0;
    s.uLeft = uLeft;
    s.vTop = 0.0f;
    s.uRight = uRight;
    s.vBottom = 1.0f;
}

void SetWorld(IDirect3DDevice8* device, const Matrix& m) {
    D3DMATRIX world;
    std::memcpy(world.m, m.m, sizeof(world.m));
    device->SetTransform(D3DTS_WORLD, &world);
}

// True when the sky spreads every texel over more than a pixel both ways. The title's
// camera only slides, so the sky faces it squarely at one depth and its texture lies
// evenly on the screen; a turned camera is not judged.
bool SkyMagnified(IDirect3DTexture8* sky) {
    Renderer* renderer = GetRenderer();
    const Matrix* view = renderer->GetViewMatrix();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (view->m[r][c] != (r == c ? 1.0f : 0.0f)) return false;
    const D3DSURFACE_DESC* screen = RenderDevice_GetBackBufferDesc();
    D3DSURFACE_DESC top = {};
    if (!sky || !screen || FAILED(sky->GetLevelDesc(0, &top))) return false;
    const float depth = SKY_Z + view->m[3][2];
    if (depth <= 0.0f) return false;
    const Matrix* projection = renderer->GetProjectionMatrix();
    const float pixelsX = 2.0f * SKY_HALF_WIDTH * projection->m[0][0] * float(screen->Width) * 0.5f / depth;
    const float pixelsY = 2.0f * SKY_HALF_HEIGHT * projection->m[1][1] * float(screen->Height) * 0.5f / depth;
    return MagnifiedDraw::Magnifies(float(top.Width), float(top.Height), pixelsX, pixelsY);
}
}  // namespace

FrontEndScene::FrontEndScene(FrontEndHost* host)
    : m_pGroundMesh(nullptr),
      m_pHouseMesh(nullptr),
      m_pTreesMesh(nullptr),
      m_pSnowTexture(nullptr),
      m_pHouseTexture(nullptr),
      m_pSkyTexture(nullptr),
      m_pTreesTexture(nullptr),
      m_pSkyVB(nullptr),
      m_pTheme(nullptr),
      m_pMoveSound(nullptr),
      m_pSelectSound(nullptr),
      m_fCameraTarget(0.0f),
      m_uScreen(MENU_MAIN),
      m_uSelected(ITEM_START),
      m_uPulseColour(0xFFFFFFFFu),
      m_uSensitivity(1),
      m_uKeySet(0),
      m_fStartCountdown(0.0f),
      m_bStarting(false),
      m_pHost(host),
      m_bActive(false),
      m_fLastKeyTime(0.0f) {
    m_szHiscore[0] = '\0';
}

// A scene that goes away while shown leaves the lists first.
FrontEndScene::~FrontEndScene() {
    if (m_bActive) {
        GetGameEngine()->RemoveProcess(this);
        GetRenderer()->RemoveObject(this);
        m_Snowman.Deactivate();
        m_bActive = false;
    }
    InvalidateDeviceObjects();
}

void FrontEndScene::Init() {
    Object::Init();
    m_pTheme = GetMusicManager()->LoadMusic(THEME_MUSIC);
    m_uScreen = MENU_MAIN;
    m_uSelected = ITEM_START;
    m_bStarting = false;
    m_uSensitivity = 1;
    m_fCameraTarget = 0.0f;
    m_uKeySet = 0;

    m_Snowman.Setup("gfx\\snowman.x", "gfx\\snowman.tga");

    SoundManager* sound = GetSoundManager();
    m_pMoveSound = sound->LoadSound(MOVE_SOUND, 2);
    m_pSelectSound = sound->LoadSound(SELECT_SOUND, 1);
    sound->SetSoundVolume(m_pMoveSound, MOVE_SOUND_VOLUME);

    // Two bars whose inner edges close the picture above y 80 and below y 390.
    m_Bars.Init();
    if (Sprite2D* bars = m_Bars.Build(2, "gfx\\bar.tga")) {
        SetSprite(bars[0], BAR_CENTRE_X, BAR_TOP_EDGE - BAR_SIZE / 2.0f, BAR_SIZE, 0.0f, 1.0f);
        SetSprite(bars[1], BAR_CENTRE_X, BAR_BOTTOM_EDGE + BAR_SIZE / 2.0f, BAR_SIZE, 0.0f, 1.0f);
    }
    m_Bars.Deactivate();

    // The title picture cut into four square tiles side by side.
    m_Title.Init();
    Sprite2D* tiles = m_Title.Build(TITLE_TILES, "gfx\\title.tga");
    m_Title.SetBlendMode(RENDERMODE_TEXTURE_ALPHA);
    if (tiles) {
        const float size = TITLE_WIDTH / float(TITLE_TILES);
        for (uint32_t i = 0; i < TITLE_TILES; ++i) {
            const float u = 0.25f * float(i);
            SetSprite(tiles[i], TITLE_LEFT + size / 2.0f + size * float(i), TITLE_Y, size, u, u + 0.25f);
        }
    }
    m_Title.Deactivate();
}

void FrontEndScene::Shutdown() {
    MusicManager* music = GetMusicManager();
    music->Stop();
    music->FreeMusic(m_pTheme);
    m_pTheme = nullptr;
    SoundManager* sound = GetSoundManager();
    sound->FreeSound(m_pMoveSound);
    sound->FreeSound(m_pSelectSound);
    m_pMoveSound = nullptr;
    m_pSelectSound = nullptr;
    m_Snowman.Shutdown();
    // The sprite records go now, while the memory controller still keeps its books.
    m_Bars.Shutdown();
    m_Title.Shutdown();
    Object::Shutdown();
}

void FrontEndScene::Activate() {
    // Shown once: listing it again would tie the draw lists in a loop.
    if (m_bActive) return;
    m_bActive = true;
    if (g_pCurrentCamera) mat_Identity(g_pCurrentCamera->GetMatrix());
    GetGameEngine()->AddProcess(this);
    GetRenderer()->AddObject(this);
    MusicManager* music = GetMusicManager();
    music->PlayMusic(m_pTheme);
    music->SetVolume(1.0f);

    m_Snowman.Activate();
    Matrix* snowman = m_Snowman.GetMatrix();
    mat_Identity(snowman);
    mat_RotateZ(snowman, PI);
    snowman->m[3][0] = SCENE_X;
    snowman->m[3][1] = SCENE_Y;
    snowman->m[3][2] = SCENE_Z;
    m_Title.Activate();
    m_Bars.Activate();
    if (m_pHost)
        if (SnowStorm* snow = m_pHost->GetSnowStorm()) snow->Activate();

    m_bStarting = false;
    m_uScreen = MENU_MAIN;
    m_uSelected = ITEM_START;
    m_fCameraTarget = 0.0f;

    const uint32_t hiscore = m_pHost ? m_pHost->GetHiscore() : 0;
    std::snprintf(m_szHiscore, sizeof(m_szHiscore), "CURRENT HISCORE: %u", hiscore);
    if (TextOverlay* texts = GetTextOverlay()) {
        texts->Add(205.0f, 395.0f, 0.35f, HISCORE_COLOUR, m_szHiscore, OVERLAY_FADE_TIME);
        texts->Add(80.0f, 425.0f, 0.3f, CREDIT_COLOUR, CREDIT_LINE_1, OVERLAY_FADE_TIME);
        texts->Add(225.0f, 440.0f, 0.3f, CREDIT_COLOUR, CREDIT_LINE_2, OVERLAY_FADE_TIME);
    }
}

void FrontEndScene::Deactivate() {
    if (!m_bActive) return;
    m_bActive = false;
    GetGameEngine()->RemoveProcess(this);
    GetRenderer()->RemoveObject(this);
    GetMusicManager()->Stop();
    if (m_pHost)
        if (SnowStorm* snow = m_pHost->GetSnowStorm()) snow->Deactivate();
    m_Snowman.InvalidateDeviceObjects();
    m_Snowman.Deactivate();
    m_Bars.Deactivate();
    m_Title.Deactivate();
    if (TextOverlay* texts = GetTextOverlay()) texts->Clear();
    m_bStarting = false;
}

void FrontEndScene::Render() {
    if (!m_pGroundMesh) RestoreDeviceObjects();
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    Renderer* renderer = GetRenderer();
    Matrix* m = GetMatrix();  // scratch for the backdrop's pieces
    mat_Identity(m);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    // The bars paint over the top and bottom of the screen last: nothing drawn there
    // before them needs shading.
    m_Bars.ReserveDepth();

    renderer->SetRenderMode(RENDERMODE_MODULATE);
    renderer->SetTextureWrap(true);
    m->m[3][1] = SKY_Y;
    SetWorld(device, *m);
    device->SetTexture(0, m_pSkyTexture);
    device->SetVertexShader(SPRITEVERTEX3D_FVF);
    if (m_pSkyVB) {
        device->SetStreamSource(0, m_pSkyVB, sizeof(SpriteVertex3D));
        MagnifiedDraw plain(device, SkyMagnified(m_pSkyTexture));
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
    }

    mat_RotateZ(m, PI);
    m->m[3][0] = SCENE_X;
    m->m[3][1] = SCENE_Y;
    m->m[3][2] = SCENE_Z;
    DrawMesh(m_pGroundMesh, m_pSnowTexture, RENDERMODE_TEXTURE);
    m->m[3][0] = TREES_X;
    m->m[3][2] = TREES_Z;
    DrawMesh(m_pTreesMesh, m_pTreesTexture, RENDERMODE_TEXTURE_ALPHA);
    m->m[3][0] = HOUSE_X;
    m->m[3][2] = HOUSE_Z;
    DrawMesh(m_pHouseMesh, m_pHouseTexture, RENDERMODE_TEXTURE);

    DrawScreen(m_uScreen);
}

// One backdrop mesh at the scratch world matrix; a mesh that did not load is skipped.
void FrontEndScene::DrawMesh(ID3DXMesh* mesh, IDirect3DTexture8* texture, uint32_t renderMode) {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    GetRenderer()->SetRenderMode(renderMode);
    SetWorld(device, *GetMatrix());
    if (!mesh) return;
    device->SetTexture(0, texture);
    device->SetVertexShader(mesh->GetFVF());
    mesh->DrawSubset(0);
}

// Loads whatever is missing (a second call without a release in between keeps
// what it has rather than leaking it).
void FrontEndScene::RestoreDeviceObjects() {
    Renderer* renderer = GetRenderer();
    if (!m_pGroundMesh) m_pGroundMesh = renderer->LoadMesh(GROUND_MESH);
    if (!m_pSnowTexture) m_pSnowTexture = renderer->LoadTexture(SNOW_TEXTURE);
    if (!m_pHouseMesh) m_pHouseMesh = renderer->LoadMesh(HOUSE_MESH);
    if (!m_pHouseTexture) m_pHouseTexture = renderer->LoadTexture(HOUSE_TEXTURE);
    if (!m_pTreesMesh) m_pTreesMesh = renderer->LoadMesh(TREES_MESH);
    if (!m_pTreesTexture) m_pTreesTexture = renderer->LoadTexture(TREES_TEXTURE);
    if (!m_pSkyTexture) m_pSkyTexture = renderer->LoadTexture(SKY_TEXTURE);
    if (!m_pSkyVB) BuildSkyQuad();
}

void FrontEndScene::BuildSkyQuad() {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    IDirect3DVertexBuffer8* vb = nullptr;
    if (FAILED(device->CreateVertexBuffer(SKY_VERTEX_COUNT * sizeof(SpriteVertex3D), D3DUSAGE_WRITEONLY,
                                          SPRITEVERTEX3D_FVF, D3DPOOL_MANAGED, &vb)) ||
        !vb)
        return;
    BYTE* data = nullptr;
    if (FAILED(vb->Lock(0, 0, &data, 0)) || !data) {
        vb->Release();
        return;
    }
    const float w = SKY_HALF_WIDTH, h = SKY_HALF_HEIGHT;
    const SpriteVertex3D quad[SKY_VERTEX_COUNT] = {
        {-w, h, SKY_Z, SKY_COLOUR, 0.0f, 0.0f},  {w, h, SKY_Z, SKY_COLOUR, 1.0f, 0.0f},
        {-w, -h, SKY_Z, SKY_COLOUR, 0.0f, 1.0f}, {w, h, SKY_Z, SKY_COLOUR, 1.0f, 0.0f},
        {w, -h, SKY_Z, SKY_COLOUR, 1.0f, 1.0f},  {-w, -h, SKY_Z, SKY_COLOUR, 0.0f, 1.0f},
    };
    std::memcpy(data, quad, sizeof(quad));
    vb->Unlock();
    m_pSkyVB = vb;
}

void FrontEndScene::InvalidateDeviceObjects() {
    ReleaseAndNull(m_pGroundMesh);
    ReleaseAndNull(m_pSnowTexture);
    ReleaseAndNull(m_pHouseMesh);
    ReleaseAndNull(m_pHouseTexture);
    ReleaseAndNull(m_pSkyVB);
    ReleaseAndNull(m_pSkyTexture);
    ReleaseAndNull(m_pTreesMesh);
    ReleaseAndNull(m_pTreesTexture);
}

Player* FrontEndScene::GetPlayer() const { return m_pHost ? m_pHost->GetPlayer() : nullptr; }

TextOverlay* FrontEndScene::GetTextOverlay() const { return m_pHost ? m_pHost->GetTextOverlay() : nullptr; }
