// World sprites: camera-facing quads rebuilt from the owner's records each frame
// and drawn with one indexed call in the overlay pass.
#include "spritelist3d.h"

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

// One indexed draw of the active records with the list's texture and mode.
void SpriteList3D::Render() {
    IDirect3DDevice8* device = PrepareToDraw();
    if (device) DrawQuads(device);
}
