// The furniture of the houses: each prop's mesh (subsets as the prop table expects: collision,
// unlit and additive parts) and its texture, painted together so the texture rectangles match.
// Prop space: the origin is the node centre 10 units above the floor (floor y -10, ceiling y 30),
// the node spans x and z from -16 to 16, and props face -z (wall-hung ones hang on the +z wall).
#include <cmath>
#include <functional>

#include "assets.h"
#include "bytes.h"
#include "mesh.h"
#include "paint.h"

namespace mkassets {
namespace {

constexpr float kPi = 3.14159265f;

struct PropArt {
    MeshBuilder mesh;
    Image tex{256, 256};
};

// Standing lamp in the node's (-x, +z) corner; its light sits in the shade at (-9, 13, 9).
PropArt Lamp() {
    PropArt a;
    Image& t = a.tex;
    PaintGlow(t, GridCell(t, 0, 2), hex(0xFFF4C8), hex(0xF0A848));
    // Fringe along the bottom of the shade.
    const Cell s = GridCell(t, 0, 2);
    for (int x = s.x0; x < s.x1; x += 6) t.fillRect(x, s.y1 - 14, x + 3, s.y1, hex(0xB8482A));
    t.fillRect(s.x0, s.y1 - 22, s.x1, s.y1 - 16, hex(0x2E7A3A));
    PaintGlow(t, GridCell(t, 1, 2), hex(0xFFFFFF), hex(0xFFE890));
    PaintMetal(t, GridCell(t, 2, 2), hex(0xC8A048), 3);
    PaintWood(t, GridCell(t, 3, 2), hex(0x5A3420), 4);
    MeshBuilder& m = a.mesh;
    const V3 base{-9, -10, 9};
    m.setSubset(0);  // shade and bulb: drawn unlit, no collision
    m.setUv(GridUv(t, 0, 2));
    m.cylinder(base + V3{0, 18, 0}, 6.5f, 3.8f, 7.5f, 12, true, false);
    m.innerCone(base + V3{0, 18, 0}, 6.3f, 3.6f, 7.3f, 12);
    m.setUv(GridUv(t, 1, 2));
    m.sphere(base + V3{0, 21.5f, 0}, {1.6f, 1.9f, 1.6f}, 8, 6);
    m.setSubset(1);  // stand: lit, no collision
    m.setUv(GridUv(t, 3, 2));
    m.cylinder(base, 4.5f, 3.8f, 1.2f, 12, false);
    m.setUv(GridUv(t, 2, 2));
    m.cylinder(base + V3{0, 1.2f, 0}, 0.6f, 0.5f, 18.0f, 6, true);
    m.cylinder(base + V3{0, 18.5f, 0}, 1.0f, 0.6f, 1.4f, 6, true);
    return a;
}

// Dining table with a festive runner and a candle.
void TableTexture(Image& t) {
    PaintWood(t, GridCell(t, 0), hex(0x8A5A32), 11);
    PaintFabric(t, GridCell(t, 1), hex(0xA81E22), 12);
    const Cell r = GridCell(t, 1);
    t.fillRect(r.x0, r.y0 + 6, r.x1, r.y0 + 10, hex(0xE8C050));
    t.fillRect(r.x0, r.y1 - 10, r.x1, r.y1 - 6, hex(0xE8C050));
    PaintFabric(t, GridCell(t, 2), hex(0x2C6A34), 13);
    const Cell g = GridCell(t, 2);
    for (int k = 0; k < 64; k += 16) {
        t.blendRect(g.x0 + k, g.y0, g.x0 + k + 4, g.y1, hex(0xC83030), 0.6f);
        t.blendRect(g.x0, g.y0 + k, g.x1, g.y0 + k + 4, hex(0xC83030), 0.6f);
    }
    PaintWood(t, GridCell(t, 3), hex(0x4A2C18), 14, true);
    PaintSolid(t, GridCell(t, 4), hex(0xF2EEDC), 0.03f);
    PaintGlow(t, GridCell(t, 5), hex(0xFFFFD0), hex(0xF08020));
}

PropArt Table() {
    PropArt a;
    TableTexture(a.tex);
    Image& t = a.tex;
    MeshBuilder& m = a.mesh;
    m.setUv(GridUv(t, 0));
    m.box({-13, 4, -9}, {13, 5.5f, 9});
    for (float x : {-11.5f, 11.5f})
        for (float z : {-7.5f, 7.5f}) m.box({x - 0.8f, -10, z - 0.8f}, {x + 0.8f, 4, z + 0.8f});
    m.setUv(GridUv(t, 1));
    m.box({-11, 5.5f, -3}, {11, 5.7f, 3});
    m.setUv(GridUv(t, 4));
    m.cylinder({0, 5.7f, 0}, 0.7f, 0.7f, 4.0f, 6, false);
    m.setUv(GridUv(t, 5));
    m.octahedron({0, 10.4f, 0}, 0.6f);
    return a;
}

// Two chairs facing each other across the node (they stand either side of a table).
PropArt Chairs() {
    PropArt a;
    TableTexture(a.tex);
    Image& t = a.tex;
    MeshBuilder& m = a.mesh;
    for (float side : {-1.0f, 1.0f}) {
        const float zc = side * 12.0f;
        m.setUv(GridUv(t, 3));
        for (float x : {-3.8f, 3.8f})
            for (float dz : {-2.8f, 2.8f}) m.box({x - 0.6f, -10, zc + dz - 0.6f}, {x + 0.6f, -1.5f, zc + dz + 0.6f});
        m.setUv(GridUv(t, 2));
        m.box({-4.5f, -1.5f, zc - 3.5f}, {4.5f, 0, zc + 3.5f});
        m.setUv(GridUv(t, 3));
        const float back = side > 0 ? zc + 3.5f : zc - 3.5f;
        m.box({-4.5f, 0, std::min(back, back - side * 1.0f)}, {4.5f, 12, std::max(back, back - side * 1.0f)});
    }
    return a;
}

// Television on a low cabinet, back to the +z wall; subset 0 is the glowing screen.
PropArt Tv() {
    PropArt a;
    Image& t = a.tex;
    // Screen: a snowy night with a lit tree and a moon.
    const Cell s = GridCell(t, 0, 2);
    for (int y = s.y0; y < s.y1; ++y)
        for (int x = s.x0; x < s.x1; ++x) {
            const float v = static_cast<float>(y - s.y0) / (s.y1 - s.y0);
            t.at(x, y) = mix(hex(0x1A2A6A), hex(0x6A8AD8), v);
        }
    for (int i = 0; i < 40; ++i)
        t.fillCircle(s.x0 + hash01(i, 1, 5) * 128, s.y0 + hash01(i, 2, 5) * 70, 1.0f, hex(0xFFFFFF));
    t.fillCircle(s.x0 + 100, s.y0 + 24, 10, hex(0xFFF8D0));
    for (int y = s.y0 + 90; y < s.y1; ++y)
        for (int x = s.x0; x < s.x1; ++x)
            if (y > s.y0 + 96 + 8 * std::sin((x - s.x0) * 0.05f)) t.at(x, y) = hex(0xEEF4FF);
    for (int k = 0; k < 5; ++k) {
        const float w = 28.0f - k * 5, y = s.y0 + 104.0f - k * 13;
        for (int dy = 0; dy < 16; ++dy)
            t.line(s.x0 + 40 - w * dy / 16, y + dy, s.x0 + 40 + w * dy / 16, y + dy, 1.2f, hex(0x1E7A30));
    }
    for (int i = 0; i < 14; ++i)
        t.fillCircle(s.x0 + 24 + hash01(i, 3, 6) * 32, s.y0 + 58 + hash01(i, 4, 6) * 54, 1.6f,
                     i % 3 == 0 ? hex(0xFF4040) : (i % 3 == 1 ? hex(0xFFE040) : hex(0x60A0FF)));
    PaintSolid(t, GridCell(t, 1, 2), hex(0x26201C), 0.05f);
    const Cell k = GridCell(t, 1, 2);
    t.fillCircle(k.x0 + 96, k.y0 + 40, 8, hex(0xB0B0B0));
    t.fillCircle(k.x0 + 96, k.y0 + 80, 8, hex(0xB0B0B0));
    PaintWood(t, GridCell(t, 2, 2), hex(0x6A4028), 21);
    PaintMetal(t, GridCell(t, 3, 2), hex(0xB8B8C0), 22);
    MeshBuilder& m = a.mesh;
    m.setSubset(0);
    m.setUv(GridUv(t, 0, 2));
    m.quadFacing({-7.5f, 8.5f, 2.9f}, {7.5f, 8.5f, 2.9f}, {7.5f, -1.5f, 2.9f}, {-7.5f, -1.5f, 2.9f}, {0, 0, -1});
    m.setSubset(1);
    m.setUv(GridUv(t, 2, 2));
    m.box({-11, -10, 2}, {11, -3, 14});
    m.setUv(GridUv(t, 1, 2));
    m.box({-9.5f, -3, 3}, {9.5f, 10.5f, 13});
    m.setUv(GridUv(t, 3, 2));
    m.box({-0.4f, 10.5f, 7.6f}, {0.4f, 11.2f, 8.4f});
    m.setXform(Xform::rotateZ(0.45f).then(Xform::translate({0, 11.0f, 8.0f})));
    m.box({-0.25f, 0, -0.25f}, {0.25f, 8, 0.25f});
    m.setXform(Xform::rotateZ(-0.45f).then(Xform::translate({0, 11.0f, 8.0f})));
    m.box({-0.25f, 0, -0.25f}, {0.25f, 8, 0.25f});
    return a;
}

// Ceiling light: canopy, cord, a fabric shade and its bulb, all drawn unlit.
PropArt Shade() {
    PropArt a;
    Image& t = a.tex;
    PaintGlow(t, GridCell(t, 0, 2), hex(0xFFD890), hex(0xC85A28));
    const Cell s = GridCell(t, 0, 2);
    for (int x = s.x0; x < s.x1; ++x) {
        const int y = s.y0 + 64 + static_cast<int>(6 * std::sin(x * 0.2f));
        t.fillRect(x, y - 3, x + 1, y + 3, hex(0x3A8A3A));
        if (x % 16 == 8) t.fillCircle(static_cast<float>(x), static_cast<float>(y), 3, hex(0xE02828));
    }
    PaintGlow(t, GridCell(t, 1, 2), hex(0xFFFFFF), hex(0xFFE8A0));
    PaintMetal(t, GridCell(t, 2, 2), hex(0xC8A048), 31);
    MeshBuilder& m = a.mesh;
    m.setUv(GridUv(t, 2, 2));
    m.cylinder({0, 29.2f, 0}, 2.2f, 2.2f, 0.8f, 10, false);
    m.cylinder({0, 25.5f, 0}, 0.2f, 0.2f, 3.8f, 5, true);
    m.setUv(GridUv(t, 0, 2));
    m.cylinder({0, 21.0f, 0}, 7.5f, 3.2f, 4.8f, 14, true, false);
    m.innerCone({0, 21.0f, 0}, 7.3f, 3.0f, 4.6f, 14);
    m.setUv(GridUv(t, 1, 2));
    m.sphere({0, 23.5f, 0}, {1.5f, 1.8f, 1.5f}, 8, 6);
    return a;
}

// A framed painting hanging on the +z wall: the whole texture is the canvas with its frame.
PropArt Picture(const std::function<void(Image&)>& paint, float w, float h, float y) {
    PropArt a;
    paint(a.tex);
    MeshBuilder& m = a.mesh;
    m.setUv(RectUv(a.tex, 0, 0, 16, 16));
    m.box({-w * 0.5f, y - h * 0.5f, 15.0f}, {w * 0.5f, y + h * 0.5f, 15.9f});
    m.setUv(UvRect{0, 0, 1, 1});
    m.quadFacing({-w * 0.5f, y + h * 0.5f, 14.96f}, {w * 0.5f, y + h * 0.5f, 14.96f}, {w * 0.5f, y - h * 0.5f, 14.96f},
                 {-w * 0.5f, y - h * 0.5f, 14.96f}, {0, 0, -1});
    return a;
}

void Frame(Image& t, const Rgba& gold) {
    for (int i = 0; i < 14; ++i) {
        const float k = 0.7f + 0.3f * std::sin(i * 0.45f);
        const Rgba c = scale(gold, k);
        t.fillRect(i, i, 256 - i, i + 1, c);
        t.fillRect(i, 255 - i, 256 - i, 256 - i, scale(c, 0.8f));
        t.fillRect(i, i, i + 1, 256 - i, c);
        t.fillRect(255 - i, i, 256 - i, 256 - i, scale(c, 0.85f));
    }
}

// A snowy village under the stars.
void PaintVillage(Image& t) {
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) t.at(x, y) = mix(hex(0x0E1640), hex(0x4A5A9A), y / 256.0f);
    for (int i = 0; i < 70; ++i) t.fillCircle(hash01(i, 7, 1) * 256, hash01(i, 8, 1) * 130, 0.9f, hex(0xFFFFF0));
    t.fillCircle(190, 50, 18, hex(0xFFF6D8));
    for (int x = 0; x < 256; ++x) {
        const int top = 170 + static_cast<int>(14 * std::sin(x * 0.025f) + 6 * std::sin(x * 0.09f));
        for (int y = top; y < 256; ++y) t.at(x, y) = mix(hex(0xF4F8FF), hex(0xB8C8E8), (y - top) / 90.0f);
    }
    const int houses[3][3] = {{40, 150, 34}, {110, 160, 28}, {170, 148, 40}};
    for (const auto& h : houses) {
        const int x = h[0], y = h[1], w = h[2];
        t.fillRect(x, y, x + w, y + w * 3 / 4, hex(0x7A3A2A));
        for (int k = 0; k < w / 2 + 3; ++k) t.fillRect(x + k - 3, y - k + w / 2 - w / 2, x + w - k + 3, y - k + 1, hex(0xF0F4FF));
        t.fillRect(x + w / 4, y + w / 4, x + w / 4 + 6, y + w / 4 + 6, hex(0xFFD860));
        t.fillRect(x + w * 3 / 5, y + w / 4, x + w * 3 / 5 + 6, y + w / 4 + 6, hex(0xFFD860));
    }
    for (int i = 0; i < 6; ++i) {
        const float x = 20.0f + i * 45, y = 200.0f + 10 * std::sin(i * 1.7f);
        for (int dy = 0; dy < 30; ++dy) t.line(x - dy * 0.35f, y - 30 + dy, x + dy * 0.35f, y - 30 + dy, 1.2f, hex(0x184A28));
    }
    Frame(t, hex(0xD8A840));
}

// A holly wreath with a red bow on a deep green ground.
void PaintWreath(Image& t) {
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) t.at(x, y) = mix(hex(0x203A2A), hex(0x0E1E16), std::hypot(x - 128.0f, y - 128.0f) / 180.0f);
    for (int i = 0; i < 90; ++i) {
        const float a = i * 2 * kPi / 90, r = 70 + 10 * hash01(i, 1, 9);
        const float x = 128 + r * std::cos(a), y = 128 + r * std::sin(a);
        t.fillCircle(x, y, 11, i % 2 ? hex(0x2A7A34) : hex(0x1E5E28));
    }
    for (int i = 0; i < 16; ++i) {
        const float a = i * 2 * kPi / 16 + 0.2f;
        t.fillCircle(128 + 72 * std::cos(a), 128 + 72 * std::sin(a), 5, hex(0xE02020));
    }
    t.fillCircle(108, 196, 14, hex(0xC81818));
    t.fillCircle(148, 196, 14, hex(0xC81818));
    t.fillCircle(128, 198, 8, hex(0xE83030));
    t.line(122, 204, 104, 236, 8, hex(0xC81818));
    t.line(134, 204, 152, 236, 8, hex(0xC81818));
    Frame(t, hex(0xB88838));
}

// A panelled front door with a brass knob, letter box and a wreath, in its frame.
PropArt Door() {
    PropArt a;
    Image& t = a.tex;
    PaintWood(t, Cell{0, 0, 256, 256}, hex(0x2E5A3A), 41, true);
    for (int i = 0; i < 12; ++i) {
        t.fillRect(0, i, 256, i + 1, hex(0xE8E0D0));
        t.fillRect(i, 0, i + 1, 256, hex(0xE8E0D0));
        t.fillRect(255 - i, 0, 256 - i, 256, hex(0xE8E0D0));
    }
    const int panels[4][4] = {{40, 120, 118, 170}, {138, 120, 216, 170}, {40, 186, 118, 246}, {138, 186, 216, 246}};
    for (const auto& p : panels) {
        t.blendRect(p[0], p[1], p[2], p[3], hex(0x14301E), 0.35f);
        t.blendRect(p[0] + 4, p[1] + 4, p[2] - 4, p[3] - 4, hex(0x3E7A4E), 0.25f);
    }
    for (int i = 0; i < 40; ++i) {
        const float ang = i * 2 * kPi / 40;
        t.fillCircle(128 + 34 * std::cos(ang), 62 + 30 * std::sin(ang), 8, i % 2 ? hex(0x2A8A34) : hex(0x1A6A24));
    }
    for (int i = 0; i < 10; ++i) t.fillCircle(128 + 34 * std::cos(i * 0.63f), 62 + 30 * std::sin(i * 0.63f), 3.5f, hex(0xE82020));
    t.fillCircle(128, 94, 7, hex(0xD01818));
    t.fillRect(100, 176, 156, 182, hex(0xD8B048));
    t.fillCircle(206, 150, 6, hex(0xE8C050));
    MeshBuilder& m = a.mesh;
    m.setUv(RectUv(t, 0, 0, 12, 256));
    m.box({-9.5f, -10, 15.0f}, {9.5f, 21, 15.9f});
    m.setUv(UvRect{0, 0, 1, 1});
    m.quadFacing({-9.5f, 21, 14.96f}, {9.5f, 21, 14.96f}, {9.5f, -10, 14.96f}, {-9.5f, -10, 14.96f}, {0, 0, -1});
    return a;
}

void SofaTexture(Image& t) {
    PaintFabric(t, GridCell(t, 0), hex(0x8A1C24), 51);
    PaintFabric(t, GridCell(t, 1), hex(0xA8262E), 52);
    const Cell c = GridCell(t, 1);
    for (int k = 0; k < 64; k += 21) {
        t.blendRect(c.x0 + k, c.y0, c.x0 + k + 3, c.y1, hex(0x1E4A2A), 0.7f);
        t.blendRect(c.x0, c.y0 + k, c.x1, c.y0 + k + 3, hex(0x1E4A2A), 0.7f);
    }
    PaintWood(t, GridCell(t, 2), hex(0x3A2214), 53);
    PaintFabric(t, GridCell(t, 3), hex(0xE8E2D4), 54);
    const Cell p = GridCell(t, 3);
    const float cx = (p.x0 + p.x1) * 0.5f, cy = (p.y0 + p.y1) * 0.5f;
    for (int i = 0; i < 6; ++i) {
        const float ang = i * kPi / 3;
        t.line(cx, cy, cx + 20 * std::cos(ang), cy + 20 * std::sin(ang), 3, hex(0x2850A0));
    }
}

// Sofa (or armchair) of the given half width, back to the +z wall.
PropArt Sofa(float half) {
    PropArt a;
    SofaTexture(a.tex);
    Image& t = a.tex;
    MeshBuilder& m = a.mesh;
    m.setUv(GridUv(t, 2));
    for (float x : {-half + 1.5f, half - 1.5f})
        for (float z : {-5.0f, 12.0f}) m.box({x - 0.8f, -10, z - 0.8f}, {x + 0.8f, -8.5f, z + 0.8f});
    m.setUv(GridUv(t, 0));
    m.box({-half, -8.5f, -6}, {half, -3.5f, 14});
    m.box({-half, -3.5f, 10}, {half, 8, 14});
    m.box({-half, -3.5f, -6}, {-half + 3, 2.5f, 10});
    m.box({half - 3, -3.5f, -6}, {half, 2.5f, 10});
    m.setUv(GridUv(t, 1));
    if (half > 10) {
        m.box({-half + 3.2f, -3.5f, -5.5f}, {-0.2f, -1.5f, 9.8f});
        m.box({0.2f, -3.5f, -5.5f}, {half - 3.2f, -1.5f, 9.8f});
    } else {
        m.box({-half + 3.2f, -3.5f, -5.5f}, {half - 3.2f, -1.5f, 9.8f});
    }
    m.setUv(GridUv(t, 3));
    m.setXform(Xform::rotateZ(0.25f).then(Xform::translate({-half + 6, 2.5f, 8.0f})));
    m.box({-3, -3, -1.2f}, {3, 3, 1.2f});
    return a;
}

// Chest of drawers against the +z wall with a candle and a small present on top.
PropArt Draws() {
    PropArt a;
    Image& t = a.tex;
    PaintWood(t, GridCell(t, 0), hex(0x6A3E22), 61);
    PaintWood(t, GridCell(t, 1), hex(0x7A4828), 62);
    const Cell d = GridCell(t, 1);
    for (int i = 0; i < 4; ++i) {
        t.fillRect(d.x0 + i, d.y0 + i, d.x1 - i, d.y0 + i + 1, hex(0x3A2010));
        t.fillRect(d.x0 + i, d.y1 - i - 1, d.x1 - i, d.y1 - i, hex(0x3A2010));
    }
    PaintMetal(t, GridCell(t, 2), hex(0xD0A848), 63);
    PaintSolid(t, GridCell(t, 3), hex(0xC02020), 0.05f);
    PaintGlow(t, GridCell(t, 4), hex(0xFFFFD0), hex(0xF08020));
    PaintSolid(t, GridCell(t, 5), hex(0x2050B0), 0.05f);
    const Cell p = GridCell(t, 5);
    t.fillRect(p.x0 + 28, p.y0, p.x0 + 36, p.y1, hex(0xF0D060));
    MeshBuilder& m = a.mesh;
    m.setUv(GridUv(t, 0));
    m.box({-10, -10, 6}, {10, 8, 15.5f});
    m.setUv(GridUv(t, 1));
    for (int i = 0; i < 3; ++i) {
        const float y0 = -8.5f + i * 5.5f;
        m.box({-9, y0, 5.4f}, {9, y0 + 4.8f, 6});
        m.setUv(GridUv(t, 2));
        m.box({-3.5f, y0 + 2, 4.8f}, {-2.5f, y0 + 2.8f, 5.4f});
        m.box({2.5f, y0 + 2, 4.8f}, {3.5f, y0 + 2.8f, 5.4f});
        m.setUv(GridUv(t, 1));
    }
    m.setUv(GridUv(t, 3));
    m.cylinder({-5, 8, 11}, 0.8f, 0.8f, 5, 6, false);
    m.setUv(GridUv(t, 4));
    m.octahedron({-5, 13.8f, 11}, 0.7f);
    m.setUv(GridUv(t, 5));
    m.box({2, 8, 8.5f}, {6.5f, 11.5f, 12.5f});
    return a;
}

// An arch over the opening in the +z wall line: posts either side and a round head.
PropArt Arch() {
    PropArt a;
    Image& t = a.tex;
    PaintSolid(t, Cell{0, 0, 256, 128}, hex(0xEDE4D0), 0.05f, 71);
    for (int y = 0; y < 128; y += 32) t.fillRect(0, y, 256, y + 2, hex(0xC8BCA0));
    PaintSolid(t, Cell{0, 128, 256, 256}, hex(0x2A6A30), 0.1f, 72);
    for (int i = 0; i < 40; ++i) t.fillCircle(hash01(i, 1, 73) * 256, 140 + hash01(i, 2, 73) * 100, 5, hex(0xD82020));
    MeshBuilder& m = a.mesh;
    const UvRect stone = RectUv(t, 0, 0, 256, 128), garland = RectUv(t, 0, 128, 256, 256);
    m.setUv(stone);
    m.box({-16, -10, 14.5f}, {-13, 14, 17.5f});
    m.box({13, -10, 14.5f}, {16, 14, 17.5f});
    const int segs = 12;
    for (int i = 0; i < segs; ++i) {
        const float a0 = kPi * i / segs, a1 = kPi * (i + 1) / segs;
        const V3 o0{16 * std::cos(a0), 14 + 15.9f * std::sin(a0), 0}, o1{16 * std::cos(a1), 14 + 15.9f * std::sin(a1), 0};
        const V3 i0{13 * std::cos(a0), 14 + 13 * std::sin(a0), 0}, i1{13 * std::cos(a1), 14 + 13 * std::sin(a1), 0};
        const V3 f{0, 0, 14.5f}, b{0, 0, 17.5f};
        m.setUv(stone);
        m.quadFacing(o0 + f, o1 + f, i1 + f, i0 + f, {0, 0, -1});
        m.quadFacing(o1 + b, o0 + b, i0 + b, i1 + b, {0, 0, 1});
        m.quadFacing(o0 + f, o1 + f, o1 + b, o0 + b, normalize(o0 + o1 - V3{0, 28, 0}));
        m.setUv(garland);
        m.quadFacing(i0 + f, i1 + f, i1 + b, i0 + b, normalize(V3{0, 28, 0} - (i0 + i1)));
    }
    return a;
}

// The Christmas tree: subset 0 the tree and ornaments (unlit), subset 1 the lights (additive).
// About 35 units tall and at most 11 units from its axis, so the player can reach the star.
PropArt Tree() {
    PropArt a;
    Image& t = a.tex;
    // Needles: shaded darker toward the bottom of each cone (the subset is drawn unlit).
    const Cell n = Cell{0, 0, 128, 128};
    for (int y = n.y0; y < n.y1; ++y)
        for (int x = n.x0; x < n.x1; ++x) {
            const float v = static_cast<float>(y) / 128;
            const float streak = fbm(x * 0.5f, y * 0.08f, 81, 3);
            const float light = 0.55f + 0.45f * (1 - v) * 0.8f + 0.25f * (streak - 0.5f);
            t.at(x, y) = scale(hex(0x2E8A3C), light);
        }
    for (int i = 0; i < 30; ++i)  // tinsel glints
        t.fillCircle(hash01(i, 3, 82) * 128, hash01(i, 4, 82) * 128, 1.2f, hex(0xF0E8B0));
    PaintWood(t, GridCell(t, 2), hex(0x5A3A22), 83, true);
    PaintSolid(t, GridCell(t, 3), hex(0xB02020), 0.06f, 84);
    const Cell pot = GridCell(t, 3);
    t.fillRect(pot.x0, pot.y0 + 8, pot.x1, pot.y0 + 16, hex(0xE8C050));
    const uint32_t baubles[4] = {0xE02828, 0xF0C040, 0x3060E0, 0xD8D8E8};
    for (int i = 0; i < 4; ++i) PaintGlow(t, GridCell(t, 8 + i), scale(hex(baubles[i]), 1.3f), scale(hex(baubles[i]), 0.6f));
    const uint32_t lights[4] = {0xFFE070, 0xFF5040, 0x60A0FF, 0x70FF70};
    for (int i = 0; i < 4; ++i) PaintGlow(t, GridCell(t, 12 + i), hex(0xFFFFFF), hex(lights[i]));
    MeshBuilder& m = a.mesh;
    m.setSubset(0);
    m.setUv(GridUv(t, 3));
    m.cylinder({0, -10, 0}, 4.2f, 5.2f, 5.0f, 10, false);
    m.setUv(GridUv(t, 2));
    m.cylinder({0, -5, 0}, 1.6f, 1.6f, 3.0f, 8, false);
    m.setUv(RectUv(t, 0, 0, 128, 128));
    struct Tier { float y, r, h; };
    const Tier tiers[4] = {{-4, 11.0f, 11}, {3, 9.0f, 10}, {9.5f, 7.0f, 9}, {15.5f, 4.8f, 9.5f}};
    for (int k = 0; k < 4; ++k) m.cylinder({0, tiers[k].y, 0}, tiers[k].r, 0, tiers[k].h, 12, false, true, k * 0.26f);
    // Ornaments and lights sit on the cone surfaces.
    auto onCone = [&](int k, float f, float ang, float push) {
        const Tier& tr = tiers[k];
        const float r = tr.r * (1 - f) + push;
        return V3{r * std::sin(ang), tr.y + tr.h * f, r * std::cos(ang)};
    };
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < 5 - k / 2; ++i) {
            m.setUv(GridUv(t, 8 + (i + k) % 4));
            const float ang = (i + 0.5f) * 2 * kPi / (5 - k / 2) + k;
            m.octahedron(onCone(k, 0.18f, ang, 0.4f), 1.0f - k * 0.1f);
        }
    m.setSubset(1);
    for (int k = 0; k < 4; ++k) {
        const int count = 12 - 2 * k;
        for (int i = 0; i < count; ++i) {
            m.setUv(GridUv(t, 12 + (i * 3 + k) % 4));
            const float f = 0.1f + 0.75f * hash01(i, k, 85);
            const float ang = 2 * kPi * (i + 0.5f * hash01(i, k, 86)) / count;
            m.octahedron(onCone(k, f, ang, 0.35f), 0.55f);
        }
    }
    return a;
}

void Write(const std::string& root, const std::string& mesh, const std::string& tex, const PropArt& art, bool alpha = false) {
    const std::string base = mesh.substr(mesh.rfind('/') + 1, mesh.rfind('.') - mesh.rfind('/') - 1);
    WriteFile(root, mesh, WriteStaticX(art.mesh, base, tex.substr(tex.rfind('/') + 1)));
    if (!tex.empty()) WriteFile(root, tex, art.tex.toTga(alpha));
}

}  // namespace

void WriteProps(const std::string& root) {
    Write(root, "gfx/lamp.x", "gfx/lamp.tga", Lamp());
    Write(root, "gfx/table.x", "gfx/table.tga", Table());
    Write(root, "gfx/tv.x", "gfx/tv.tga", Tv());
    Write(root, "gfx/shade.x", "gfx/shade.tga", Shade());
    Write(root, "gfx/picture.x", "gfx/picture2.tga", Picture(PaintVillage, 18, 12, 8));
    Write(root, "gfx/door.x", "gfx/door1.tga", Door());
    Write(root, "gfx/picture2.x", "gfx/picture1.tga", Picture(PaintWreath, 12, 12, 9));
    PropArt chairs = Chairs();
    WriteFile(root, "gfx/chairs.x", WriteStaticX(chairs.mesh, "chairs", "table.tga"));
    Write(root, "gfx/sofa.x", "gfx/sofa.tga", Sofa(14));
    PropArt chair = Sofa(8);
    WriteFile(root, "gfx/sofachair.x", WriteStaticX(chair.mesh, "sofachair", "sofa.tga"));
    Write(root, "gfx/draws.x", "gfx/draws.tga", Draws());
    Write(root, "gfx/arc1.x", "gfx/arc.tga", Arch());
    Write(root, "gfx/tree.x", "gfx/tree.tga", Tree());
}

}  // namespace mkassets
