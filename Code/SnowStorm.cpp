// The front end's snow storm: 16 camera-facing flakes wrapping through a box in
// front of the camera.
#include "SnowStorm.h"
#include <cstdlib>
#include "camera.h"
#include "gameengine.h"

namespace {
const char* const SNOW_TEXTURE = "gfx/snowstorm2.tga";
const uint32_t SNOW_RENDER_MODE = 7;
const Vec3 BASE_VELOCITY(-80.0f, -50.0f, -30.0f);
// Flakes closer than this (horizontally) are fully bright.
const float FULL_BRIGHT_FRACTION = 0.2f;

// The texture holds four flake pictures in its quarters; the fifth frame is all of it.
const SnowFrameUV g_SnowFrameUV[SnowStorm::NUM_FRAMES] = {
    {0.0f, 0.0f, 0.5f, 0.5f},
    {0.5f, 0.0f, 1.0f, 0.5f},
    {0.0f, 0.5f, 0.5f, 1.0f},
    {0.5f, 0.5f, 1.0f, 1.0f},
    {0.0f, 0.0f, 1.0f, 1.0f},
};

// 0.5 to 0.9995 of a base component, from the C runtime's sequence.
float RandomShare(float base) {
    return (static_cast<float>(std::rand() % 1000) / 2000.0f + 0.5f) * base;
}

// Moves a coordinate that left the box [c - h, c + h] in to the opposite face.
void Wrap(float& p, float c) {
    const float h = SnowStorm::BOX_HALF_SIZE;
    if (p < c - h) p += 2.0f * h;
    else if (p > c + h) p -= 2.0f * h;
}
}  // namespace

const SnowFrameUV& GetSnowFrameUV(uint32_t frame) { return g_SnowFrameUV[frame % SnowStorm::NUM_FRAMES]; }

SnowStorm::SnowStorm() : m_vBaseVelocity(BASE_VELOCITY), m_bActive(false) {}

SnowStorm::~SnowStorm() {
    if (m_bActive) GetGameEngine()->RemoveProcess(this);
}

void SnowStorm::Init() {
    m_Sprites.Init();
    Sprite3D* flakes = m_Sprites.Build(NUM_FLAKES, SNOW_TEXTURE);
    m_Sprites.SetBlendMode(SNOW_RENDER_MODE);
    if (flakes) {
        for (uint32_t i = 0; i < NUM_FLAKES; ++i) {
            Sprite3D& s = flakes[i];
            s.x = 10.0f * static_cast<float>(i);
            s.y = 0.0f;
            s.z = 0.0f;
            s.halfWidth = FLAKE_HALF_SIZE;
            s.halfHeight = FLAKE_HALF_SIZE;
            s.colour = 0xFFFFFFFFu;
            const SnowFrameUV& uv = GetSnowFrameUV(i);
            s.uLeft = uv.uL;
            s.vTop = uv.vT;
            s.uRight = uv.uR;
            s.vBottom = uv.vB;
        }
    }
    m_vBaseVelocity = BASE_VELOCITY;
    for (uint32_t i = 0; i < NUM_FLAKES; ++i) {
        m_vVelocity[i].x = RandomShare(m_vBaseVelocity.x);
        m_vVelocity[i].y = RandomShare(m_vBaseVelocity.y);
        m_vVelocity[i].z = RandomShare(m_vBaseVelocity.z);
    }
    m_vVelocity[0].x *= 0.5f;
    m_vVelocity[NUM_FLAKES - 1].x *= 2.0f;
    m_Sprites.Deactivate();  // Build left the list drawing
}

void SnowStorm::Shutdown() {
    // Leave the frame loop too, so no update reaches the freed flakes.
    if (m_bActive) Deactivate();
    m_Sprites.Shutdown();
}

Vec3 SnowStorm::BoxCentre(const Matrix& m) {
    return Vec3(m.m[3][0] - BOX_HALF_SIZE * m.m[0][2], m.m[3][1], m.m[3][2] + BOX_HALF_SIZE * m.m[2][2]);
}

void SnowStorm::Update(float dt) {
    Sprite3D* flakes = m_Sprites.GetSprites();
    if (!flakes || !g_pCurrentCamera || m_Sprites.GetCapacity() < NUM_FLAKES) return;
    const Vec3 c = BoxCentre(*g_pCurrentCamera->GetMatrix());
    const float fullBright = FULL_BRIGHT_FRACTION * BOX_HALF_SIZE;
    const float fullBrightSq = fullBright * fullBright;
    const float fadeSq = BOX_HALF_SIZE * BOX_HALF_SIZE;
    for (uint32_t i = 0; i < NUM_FLAKES; ++i) {
        Sprite3D& s = flakes[i];
        Wrap(s.x, c.x);
        Wrap(s.y, c.y);
        Wrap(s.z, c.z);
        s.x += dt * m_vVelocity[i].x;
        s.y += dt * m_vVelocity[i].y;
        s.z += dt * m_vVelocity[i].z;
        const float dx = c.x - s.x, dz = c.z - s.z;
        const float d2 = dx * dx + dz * dz;
        float alpha;
        if (d2 < fullBrightSq) alpha = 1.0f;
        else if (d2 > fadeSq) alpha = 0.0f;
        else alpha = 1.0f - d2 / fadeSq;
        const uint32_t g = static_cast<uint32_t>(alpha * 255.0f) & 0xFFu;
        s.colour = 0xFF000000u | (g << 16) | (g << 8) | g;
    }
}

void SnowStorm::Activate() {
    if (m_bActive) return;  // listed once only
    m_bActive = true;
    m_Sprites.Activate();
    // A storm whose flakes were never built draws none.
    const uint32_t flakes = NUM_FLAKES;
    m_Sprites.SetCount(m_Sprites.GetCapacity() < flakes ? m_Sprites.GetCapacity() : flakes);
    GetGameEngine()->AddProcess(this);
}

void SnowStorm::Deactivate() {
    m_Sprites.Deactivate();
    GetGameEngine()->RemoveProcess(this);
    m_bActive = false;
}
