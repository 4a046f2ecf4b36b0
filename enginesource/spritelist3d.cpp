// World sprites: camera-facing quads rebuilt from the owner's records each frame
// and drawn with one indexed call in the overlay pass.
#include "spritelist3d.h"

#include <cmath>

#include "renderdevice.h"
#include "renderer.h"

SpriteList3D::SpriteList3D()
    : SpriteListBase({sizeof(Sprite3D), sizeof(SpriteVertex3D), SPRITEVERTEX3D_FVF, "Sprites3D",
                      "Could not allocate memory for 3D Sprite list", "Could not lock index buffer for 3D sprites",
                      "Too many active sprites in 3D Sprites list"}) {}

// Writes the quads of the records so that they face the camera.
void SpriteList3D::WriteVertices(BYTE* data, uint32_t count) {
    const Matrix* view = GetRenderer()->GetViewMatrix();
    const Vec3 right(view->m[0][0], view->m[1][0], view->m[2][0]);
    const Vec3 up(view->m[0][1], view->m[1][1], view->m[2][1]);
    const Sprite3D* sprites = GetSprites();
    auto* v = reinterpret_cast<SpriteVertex3D*>(data);
    for (uint32_t i = 0; i < count; ++i) {
        const Sprite3D& s = sprites[i];
        const float ax = right.x * s.halfWidth, ay = right.y * s.halfWidth, az = right.z * s.halfWidth;
        const float bx = up.x * s.halfHeight, by = up.y * s.halfHeight, bz = up.z * s.halfHeight;
        *v++ = {s.x + ax - bx, s.y + ay - by, s.z + az - bz, s.colour, s.uRight, s.vBottom};
        *v++ = {s.x - ax - bx, s.y - ay - by, s.z - az - bz, s.colour, s.uLeft, s.vBottom};
        *v++ = {s.x - ax + bx, s.y - ay + by, s.z - az + bz, s.colour, s.uLeft, s.vTop};
        *v++ = {s.x + ax + bx, s.y + ay + by, s.z + az + bz, s.colour, s.uRight, s.vTop};
    }
}

// The quads face the camera, so each lies at one depth and maps its texture evenly
// onto the screen: a record is magnified when its texels span no more than its pixels
// at that depth. Quads behind the eye draw nothing and count as magnified; a list with
// a world transform of its own is not judged.
bool SpriteList3D::AllMagnified(uint32_t count, float texelsX, float texelsY) {
    const Matrix& world = *GetMatrix();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (world.m[r][c] != (r == c ? 1.0f : 0.0f)) return false;
    Renderer* renderer = GetRenderer();
    const Matrix* view = renderer->GetViewMatrix();
    const Matrix* projection = renderer->GetProjectionMatrix();
    const D3DSURFACE_DESC* screen = RenderDevice_GetBackBufferDesc();
    if (!screen) return false;
    // Back-buffer pixels per world unit at depth 1, across and down.
    const float perUnitX = projection->m[0][0] * float(screen->Width) * 0.5f;
    const float perUnitY = projection->m[1][1] * float(screen->Height) * 0.5f;
    const Sprite3D* sprites = GetSprites();
    for (uint32_t i = 0; i < count; ++i) {
        const Sprite3D& s = sprites[i];
        const float depth = s.x * view->m[0][2] + s.y * view->m[1][2] + s.z * view->m[2][2] + view->m[3][2];
        if (depth <= 0.0f) continue;
        if (!MagnifiedDraw::Magnifies(std::fabs(s.uRight - s.uLeft) * texelsX, std::fabs(s.vBottom - s.vTop) * texelsY,
                                      2.0f * s.halfWidth * perUnitX / depth, 2.0f * s.halfHeight * perUnitY / depth))
            return false;
    }
    return true;
}

// One indexed draw of the active records with the list's texture and mode.
void SpriteList3D::Render() {
    IDirect3DDevice8* device = PrepareToDraw();
    if (device) DrawQuads(device);
}
