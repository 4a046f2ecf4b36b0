// The collectables: the present, the health and time pickups and the star over the tree. Each is
// one subset drawn unlit, spinning about y around its origin.
#include <cmath>

#include "assets.h"
#include "bytes.h"
#include "mesh.h"
#include "paint.h"

namespace mkassets {
namespace {

constexpr float kPi = 3.14159265f;

// A wrapped present resting on the floor (the room point is 5 above it), ribbon and bow on top.
void Present(const std::string& root) {
    Image t(128, 128);
    const Cell side = GridCell(t, 0, 2), top = GridCell(t, 1, 2), bow = GridCell(t, 2, 2), lid = GridCell(t, 3, 2);
    for (const Cell& c : {side, top, lid}) {
        PaintSolid(t, c, hex(0xC41E24), 0.05f, 91);
        for (int y = c.y0; y < c.y1; y += 16)
            for (int x = c.x0 + ((y / 16) % 2) * 8; x < c.x1; x += 16) t.fillCircle(x + 4.0f, y + 4.0f, 2.2f, hex(0xF4F0E0));
    }
    const Rgba gold = hex(0xF2C848);
    t.fillRect(side.x0 + 26, side.y0, side.x0 + 38, side.y1, gold);
    t.fillRect(top.x0 + 26, top.y0, top.x0 + 38, top.y1, gold);
    t.fillRect(top.x0, top.y0 + 26, top.x1, top.y0 + 38, gold);
    t.fillRect(lid.x0 + 26, lid.y0, lid.x0 + 38, lid.y1, gold);
    PaintMetal(t, bow, gold, 92);
    MeshBuilder m;
    m.setUv(GridUv(t, 0, 2));
    m.box({-4, -5, -4}, {4, 1.5f, 4});
    m.setUv(GridUv(t, 3, 2));
    m.box({-4.4f, 1.5f, -4.4f}, {4.4f, 2.0f, 4.4f});
    m.setUv(GridUv(t, 1, 2));
    m.quadFacing({-4.4f, 2.02f, 4.4f}, {4.4f, 2.02f, 4.4f}, {4.4f, 2.02f, -4.4f}, {-4.4f, 2.02f, -4.4f}, {0, 1, 0});
    m.setUv(GridUv(t, 2, 2));
    for (float s : {-1.0f, 1.0f}) {
        m.setXform(Xform::rotateZ(s * 0.7f).then(Xform::translate({0, 2.0f, 0})));
        m.box({-0.6f, 0, -0.9f}, {0.6f, 2.6f, 0.9f});
    }
    WriteFile(root, "gfx/present.x", WriteStaticX(m, "present", "present.tga"));
    WriteFile(root, "gfx/present.tga", t.toTga(false));
}

// A Christmas pudding with custard and holly (health).
void Health(const std::string& root) {
    Image t(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const float v = y / 128.0f;
            Rgba c = v < 0.38f + 0.06f * std::sin(x * 0.3f) ? hex(0xFFF6DC) : hex(0x5A2E1A);
            if (v >= 0.4f && hash01(x / 4, y / 4, 93) > 0.8f) c = hex(0x2A120A);
            t.at(x, y) = c;
        }
    MeshBuilder m;
    m.setUv(UvRect{0, 0, 1, 1});
    m.sphere({0, 0, 0}, {4, 3.6f, 4}, 12, 8);
    m.setUv(RectUv(t, 0, 0, 32, 16));
    m.box({-0.3f, 3.4f, -0.3f}, {0.3f, 4.4f, 0.3f});
    m.setUv(RectUv(t, 0, 0, 16, 8));
    for (float s : {-1.0f, 1.0f}) {
        m.setXform(Xform::rotateY(s * 0.6f).then(Xform::translate({s * 1.2f, 3.6f, 0})));
        m.box({-1.4f, 0, -0.5f}, {1.4f, 0.25f, 0.5f});
    }
    t.fillRect(0, 0, 16, 8, hex(0x2A8A34));
    t.fillRect(0, 8, 32, 16, hex(0xD02020));
    WriteFile(root, "gfx/health.x", WriteStaticX(m, "health", "health.tga"));
    WriteFile(root, "gfx/health.tga", t.toTga(false));
}

// An hourglass (time).
void Time(const std::string& root) {
    Image t(128, 128);
    PaintWood(t, GridCell(t, 0, 2), hex(0x7A4A28), 94);
    PaintGlow(t, GridCell(t, 1, 2), hex(0xE8F4FF), hex(0x90B8E0));
    PaintSolid(t, GridCell(t, 2, 2), hex(0xE8C060), 0.1f, 95);
    MeshBuilder m;
    m.setUv(GridUv(t, 0, 2));
    m.cylinder({0, -5, 0}, 3.8f, 3.8f, 1, 10, false);
    m.cylinder({0, 4, 0}, 3.8f, 3.8f, 1, 10, false);
    for (int i = 0; i < 3; ++i) {
        const float a = i * 2 * kPi / 3;
        m.cylinder({3.0f * std::sin(a), -4, 3.0f * std::cos(a)}, 0.35f, 0.35f, 8, 5, false);
    }
    m.setUv(GridUv(t, 1, 2));
    m.cylinder({0, -4, 0}, 2.4f, 0.4f, 4, 10, true, false);
    m.cylinder({0, 0, 0}, 0.4f, 2.4f, 4, 10, true, false);
    m.setUv(GridUv(t, 2, 2));
    m.cylinder({0, -4, 0}, 2.0f, 1.0f, 1.6f, 10, true);
    WriteFile(root, "gfx/time.x", WriteStaticX(m, "time", "time.tga"));
    WriteFile(root, "gfx/time.tga", t.toTga(false));
}

// A five-pointed star standing upright, spinning over the tree.
void Star(const std::string& root) {
    Image t(64, 64);
    PaintGlow(t, Cell{0, 0, 64, 64}, hex(0xFFFFE0), hex(0xF0B020));
    MeshBuilder m;
    m.setUv(UvRect{0, 0, 1, 1});
    const float outer = 4.2f, inner = 1.8f, depth = 1.0f;
    for (int i = 0; i < 10; ++i) {
        const float a0 = i * kPi / 5, a1 = (i + 1) * kPi / 5;
        const float r0 = i % 2 ? inner : outer, r1 = i % 2 ? outer : inner;
        const V3 p0{r0 * std::sin(a0), r0 * std::cos(a0), 0}, p1{r1 * std::sin(a1), r1 * std::cos(a1), 0};
        const V3 front{0, 0, -depth}, back{0, 0, depth};
        const std::array<float, 6> uv = {0.5f, 0.5f, 0.5f + 0.5f * p0.x / outer, 0.5f - 0.5f * p0.y / outer,
                                         0.5f + 0.5f * p1.x / outer, 0.5f - 0.5f * p1.y / outer};
        // Front and back are shallow pyramids so the star catches the eye from every side.
        const V3 mid = (p0 + p1) * 0.5f;
        m.triFacing(front, p0, p1, uv, normalize(mid * 0.3f + front));
        m.triFacing(back, p0, p1, uv, normalize(mid * 0.3f + back));
    }
    WriteFile(root, "gfx/star.x", WriteStaticX(m, "star", "star.tga"));
    WriteFile(root, "gfx/star.tga", t.toTga(false));
}

}  // namespace

void WritePickups(const std::string& root) {
    Present(root);
    Health(root);
    Time(root);
    Star(root);
}

}  // namespace mkassets
