// The title scene: snowy ground with a north pole, a cottage, pine trees, the sky and the letterbox
// bars. The scene draws its meshes turned by pi about z and moved (ground and snowman to
// (30, 10, 90), trees to (75, 10, 100), house to (-200, 10, 5)); the meshes are modelled in the
// scene's own world frame and stored with that placement undone. The scene is drawn unlit, so the
// textures carry their own shading.
#include <array>
#include <cmath>

#include "assets.h"
#include "bytes.h"
#include "mesh.h"
#include "paint.h"
#include "title.h"

namespace mkassets {
namespace {

constexpr float kPi = 3.14159265f;
constexpr float kGround = -18.0f;

// Undoes the scene's placement so that geometry can be written in world coordinates.
Xform SceneFrame(V3 placement) { return Xform::translate(placement * -1.0f).then(Xform::rotateZ(kPi)); }

// Ground height of the title scene: flat where the snowman and cottage stand, hills further off.
float GroundY(float x, float z) {
    const float far = std::max(0.0f, (z - 240.0f) / 300.0f);
    const float hills = 28.0f * far * (0.6f + 0.4f * std::sin(x * 0.012f) * std::cos(z * 0.01f));
    return kGround + hills + 3.0f * std::sin(x * 0.05f + z * 0.03f) * std::min(1.0f, std::max(0.0f, (z - 130.0f) / 60.0f));
}

// Snow at dusk, dim enough under the white menu texts. The atlas: one tileable tile (columns
// 0-127), candy stripes and the gold ball (160-223) for the pole, and on both sides of them a
// 32-pixel repeat of the tile's neighbouring columns, so that filtering and the ground's wrap
// across u = 0 sample snow, never the stripes.
Image SnowTexture() {
    Image t(256, 256);
    auto snowAt = [](int x, int y) {
        // Periodic noise: the lattice wraps every 128 pixels across and 256 down.
        const float fx = x / 16.0f, fy = y / 32.0f;
        auto per = [](float px, float py, int period, uint32_t seed) {
            const int xi = static_cast<int>(std::floor(px)), yi = static_cast<int>(std::floor(py));
            const float tx = px - xi, ty = py - yi;
            const float sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
            auto h = [&](int a, int b) { return hash01(((a % period) + period) % period, ((b % period) + period) % period, seed); };
            return (h(xi, yi) + (h(xi + 1, yi) - h(xi, yi)) * sx) * (1 - sy) + (h(xi, yi + 1) + (h(xi + 1, yi + 1) - h(xi, yi + 1)) * sx) * sy;
        };
        const float n = 0.6f * per(fx, fy, 8, 101) + 0.4f * per(fx * 2, fy * 2, 16, 102);
        Rgba c = mix(hex(0x3C4A6C), hex(0x66789C), 0.35f + 0.65f * n);
        if (hash01(x, y, 103) > 0.994f) c = hex(0x8CA0C8);
        return c;
    };
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 128; ++x) t.at(x, y) = snowAt(x, y);
        for (int x = 128; x < 160; ++x) t.at(x, y) = snowAt(x - 128, y);  // the tile's first columns
        for (int x = 224; x < 256; ++x) t.at(x, y) = snowAt(x - 128, y);  // its last columns
        for (int x = 160; x < 224; ++x) t.at(x, y) = ((y + x / 4) / 16) % 2 ? hex(0xA8222A) : hex(0xB8B0B0);
    }
    t.fillRect(160, 0, 224, 24, hex(0xC09A38));
    return t;
}

UvRect SnowUv(const Image& t) { return RectUv(t, 0, 0, 128, 256); }

void Northpole(const std::string& root, const Image& snow) {
    MeshBuilder m;
    m.setXform(SceneFrame({30, 10, 90}));
    m.setUv(SnowUv(snow));
    const int nx = 28, nz = 16;
    const float x0 = -700, x1 = 700, z0 = 20, z1 = 820;
    for (int j = 0; j < nz; ++j)
        for (int i = 0; i < nx; ++i) {
            const float xa = x0 + (x1 - x0) * i / nx, xb = x0 + (x1 - x0) * (i + 1) / nx;
            const float za = z0 + (z1 - z0) * j / nz, zb = z0 + (z1 - z0) * (j + 1) / nz;
            m.quadFacing({xa, GroundY(xa, zb), zb}, {xb, GroundY(xb, zb), zb}, {xb, GroundY(xb, za), za}, {xa, GroundY(xa, za), za}, {0, 1, 0});
        }
    // The north pole itself: a candy-striped post with a golden ball.
    const V3 pole{-28, GroundY(-28, 230), 230};
    m.setUv(RectUv(snow, 164, 24, 220, 256));
    m.cylinder(pole, 2.2f, 2.0f, 48, 10, true);
    m.setUv(RectUv(snow, 164, 0, 220, 24));
    m.sphere(pole + V3{0, 51, 0}, {3.6f, 3.6f, 3.6f}, 10, 6);
    m.cylinder(pole + V3{0, -0.5f, 0}, 5, 3, 2.5f, 10, true);
    WriteFile(root, "gfx/northpole.x", WriteStaticX(m, "northpole", "snow.tga"));
    WriteFile(root, "gfx/snow.tga", snow.toTga(false));
}

// A log cabin with a snowy roof, lit windows, a wreath on the door and a brick chimney.
void House(const std::string& root) {
    Image t(256, 256);
    auto logs = [&](int cell, float k) {
        const Cell c = GridCell(t, cell);
        PaintWood(t, c, scale(hex(0x8A5632), k), 110 + cell);
        for (int y = c.y0; y < c.y1; y += 10) t.blendRect(c.x0, y, c.x1, y + 2, hex(0x2A160A), 0.7f);
    };
    logs(0, 1.0f);
    logs(1, 0.7f);
    PaintSolid(t, GridCell(t, 2), hex(0x5A6A8C), 0.05f, 112);
    const Cell r = GridCell(t, 2);
    for (int x = r.x0; x < r.x1; x += 8) t.fillRect(x, r.y1 - 6 - (x / 8 % 3) * 2, x + 3, r.y1, hex(0x4A5878));
    PaintSolid(t, GridCell(t, 3), hex(0x3A2418), 0.1f, 113);
    const Cell w = GridCell(t, 4);
    PaintGlow(t, w, hex(0xFFF0B0), hex(0xF0A040));
    t.fillRect(w.x0, w.y0 + 29, w.x1, w.y0 + 35, hex(0x3A2010));
    t.fillRect(w.x0 + 29, w.y0, w.x0 + 35, w.y1, hex(0x3A2010));
    for (int i = 0; i < 4; ++i) {
        t.fillRect(w.x0, w.y0 + i, w.x1, w.y0 + i + 1, hex(0x3A2010));
        t.fillRect(w.x0, w.y1 - i - 1, w.x1, w.y1 - i, hex(0xF4F8FF));
        t.fillRect(w.x0 + i, w.y0, w.x0 + i + 1, w.y1, hex(0x3A2010));
        t.fillRect(w.x1 - i - 1, w.y0, w.x1 - i, w.y1, hex(0x3A2010));
    }
    const Cell d = GridCell(t, 5);
    PaintWood(t, d, hex(0x2A6A3A), 114, true);
    for (int i = 0; i < 24; ++i) {
        const float a = i * 2 * kPi / 24;
        t.fillCircle(d.x0 + 32 + 12 * std::cos(a), d.y0 + 22 + 12 * std::sin(a), 4, hex(0x1A5A24));
    }
    t.fillCircle(d.x0 + 32, d.y0 + 36, 3, hex(0xD82020));
    t.fillCircle(d.x0 + 50, d.y0 + 40, 2.5f, hex(0xE8C050));
    const Cell b = GridCell(t, 6);
    PaintSolid(t, b, hex(0x9A3A2A), 0.08f, 115);
    for (int y = b.y0; y < b.y1; y += 8) {
        t.fillRect(b.x0, y, b.x1, y + 1, hex(0xC8B8A8));
        for (int x = b.x0 + ((y / 8) % 2) * 8; x < b.x1; x += 16) t.fillRect(x, y, x + 1, y + 8, hex(0xC8B8A8));
    }
    PaintSolid(t, GridCell(t, 7), hex(0xE0ECFF), 0.04f, 116);

    MeshBuilder m;
    m.setXform(SceneFrame({-200, 10, 5}));
    const V3 c{-95, kGround, 180};
    const float hw = 26, hd = 18, wall = 24, ridge = 20, over = 4;
    const float x0 = c.x - hw, x1 = c.x + hw, z0 = c.z - hd, z1 = c.z + hd, y0 = c.y - 2, y1 = c.y + wall;
    m.setUv(GridUv(t, 0));
    m.quadFacing({x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}, {x0, y0, z0}, {0, 0, -1});
    m.setUv(GridUv(t, 1));
    m.quadFacing({x1, y1, z1}, {x0, y1, z1}, {x0, y0, z1}, {x1, y0, z1}, {0, 0, 1});
    m.quadFacing({x0, y1, z1}, {x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}, {-1, 0, 0});
    m.quadFacing({x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}, {x1, y0, z0}, {1, 0, 0});
    // Gables.
    const UvRect g = GridUv(t, 1);
    const std::array<float, 6> gableUv = {g.u0, g.v1, (g.u0 + g.u1) * 0.5f, g.v0, g.u1, g.v1};
    m.triFacing({x0, y1, z0}, {x0, y1 + ridge, c.z}, {x0, y1, z1}, gableUv, {-1, 0, 0});
    m.triFacing({x1, y1, z0}, {x1, y1 + ridge, c.z}, {x1, y1, z1}, gableUv, {1, 0, 0});
    // Roof slabs with snow on top and dark eaves below.
    const float ry = y1 + ridge;
    for (float s : {-1.0f, 1.0f}) {
        const V3 top0{x0 - over, ry + 0.6f, c.z}, top1{x1 + over, ry + 0.6f, c.z};
        const V3 low0{x0 - over, y1 - 3, c.z + s * (hd + over)}, low1{x1 + over, y1 - 3, c.z + s * (hd + over)};
        m.setUv(GridUv(t, 2));
        m.quadFacing(top0, top1, low1, low0, {0, 1, s * 0.8f});
        m.setUv(GridUv(t, 3));
        m.quadFacing(top1 - V3{0, 1.2f, 0}, top0 - V3{0, 1.2f, 0}, low0 - V3{0, 1.2f, 0}, low1 - V3{0, 1.2f, 0}, {0, -1, -s * 0.2f});
    }
    // Windows and door on the front.
    m.setUv(GridUv(t, 4));
    for (float wx : {-16.0f, 10.0f}) {
        const float a = c.x + wx;
        m.quadFacing({a, y0 + 17, z0 - 0.3f}, {a + 8, y0 + 17, z0 - 0.3f}, {a + 8, y0 + 9, z0 - 0.3f}, {a, y0 + 9, z0 - 0.3f}, {0, 0, -1});
    }
    m.quadFacing({x0 + 6, y0 + 17, z1 + 0.3f}, {x0 + 14, y0 + 17, z1 + 0.3f}, {x0 + 14, y0 + 9, z1 + 0.3f}, {x0 + 6, y0 + 9, z1 + 0.3f}, {0, 0, 1});
    m.quadFacing({x0 - 0.3f, y0 + 16, c.z - 4}, {x0 - 0.3f, y0 + 16, c.z + 4}, {x0 - 0.3f, y0 + 9, c.z + 4}, {x0 - 0.3f, y0 + 9, c.z - 4}, {-1, 0, 0});
    m.setUv(GridUv(t, 5));
    m.quadFacing({c.x - 3.5f, y0 + 16, z0 - 0.3f}, {c.x + 3.5f, y0 + 16, z0 - 0.3f}, {c.x + 3.5f, y0 + 2, z0 - 0.3f}, {c.x - 3.5f, y0 + 2, z0 - 0.3f}, {0, 0, -1});
    m.setUv(GridUv(t, 6));
    m.box({c.x + 12, y1 + 6, c.z + 2}, {c.x + 18, ry + 8, c.z + 8});
    m.setUv(GridUv(t, 7));
    m.box({c.x + 11.5f, ry + 8, c.z + 1.5f}, {c.x + 18.5f, ry + 9.5f, c.z + 8.5f});
    m.box({c.x - 5, y0, z0 - 5}, {c.x + 5, y0 + 2, z0});
    WriteFile(root, "gfx/house.x", WriteStaticX(m, "house", "house.tga"));
    WriteFile(root, "gfx/house.tga", t.toTga(false));
}

// Snow-laden pine trees on crossed quads, drawn alpha-blended and alpha-tested.
void Trees(const std::string& root) {
    Image t(256, 256, Rgba{0.1f, 0.25f, 0.15f, 0});
    for (int tier = 0; tier < 6; ++tier) {
        const float top = 8 + tier * 36.0f, bottom = top + 58;
        const float half = 24 + tier * 18.0f;
        for (int y = static_cast<int>(top); y < static_cast<int>(bottom) && y < 236; ++y) {
            const float f = (y - top) / (bottom - top);
            const float w = half * f + 2;
            for (int x = static_cast<int>(128 - w); x <= static_cast<int>(128 + w); ++x) {
                if (x < 0 || x > 255) continue;
                const float edge = std::fabs(x - 128.0f) / w;
                const float jag = hash01(x / 3, y / 3, 120) * 0.25f;
                if (edge > 1.0f - jag * f) continue;
                const float snowy = (f < 0.25f + 0.2f * hash01(x / 5, tier, 121)) ? 1.0f : 0.0f;
                const float shade = 0.55f + 0.45f * (1 - f) + 0.1f * (hash01(x, y, 122) - 0.5f);
                Rgba c = snowy > 0 ? mix(hex(0xDDE8F8), hex(0xFFFFFF), 1 - f) : scale(hex(0x1F6A34), shade);
                c.a = 1;
                t.at(x, y) = c;
            }
        }
    }
    t.fillRect(118, 228, 138, 256, hex(0x4A2E1A));
    MeshBuilder m;
    m.setXform(SceneFrame({75, 10, 100}));
    m.setUv(UvRect{0.004f, 0.004f, 0.996f, 0.996f});
    const float spots[][3] = {{-300, 300, 80}, {-220, 240, 60}, {-160, 330, 90}, {-40, 420, 100}, {40, 260, 55},
                              {110, 320, 70}, {170, 230, 58}, {230, 360, 95}, {300, 270, 66}, {360, 400, 110},
                              {-130, 200, 48}, {-60, 250, 44}, {120, 180, 40}, {260, 190, 46}, {-380, 380, 100},
                              {-10, 560, 120}, {180, 520, 115}, {-240, 500, 120}};
    for (const auto& s : spots) {
        const float x = s[0], z = s[1], h = s[2], w = h * 0.42f;
        const float y = GroundY(x, z) - 1;
        for (float a : {0.35f, 0.35f + kPi / 2}) {
            const V3 dx{w * std::cos(a), 0, w * std::sin(a)};
            const V3 base{x, y, z}, up{0, h, 0};
            const V3 n = cross(dx, up);
            m.quadFacing(base - dx + up, base + dx + up, base + dx, base - dx, n);
            m.quadFacing(base + dx + up, base - dx + up, base - dx, base + dx, n * -1.0f);
        }
    }
    WriteFile(root, "gfx/trees.x", WriteStaticX(m, "trees", "trees.tga"));
    WriteFile(root, "gfx/trees.tga", t.toTga(true));
}

// Night sky: deep blue to a warm horizon, an aurora, stars and a moon. It is drawn at half
// brightness (the quad's vertex colour is grey), so it is painted bright.
void Sky(const std::string& root) {
    Image t(512, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            const float v = y / 255.0f;
            Rgba c = mix(hex(0x2848A0), hex(0x8878C8), v * v);
            c = mix(c, hex(0xF0B0C0), std::max(0.0f, (v - 0.75f) * 2.4f));
            const float band = std::exp(-std::pow((v - 0.3f - 0.08f * std::sin(x * 0.02f)) * 9.0f, 2.0f));
            c = mix(c, hex(0x70F0B0), 0.45f * band * (0.6f + 0.4f * std::sin(x * 0.05f)));
            t.at(x, y) = c;
        }
    for (int i = 0; i < 160; ++i) {
        const float x = hash01(i, 1, 130) * 512, y = hash01(i, 2, 130) * 190;
        t.fillCircle(x, y, 0.6f + hash01(i, 3, 130) * 0.9f, hex(0xFFFFFF));
    }
    t.fillCircle(400, 60, 22, hex(0xFFFCE8));
    t.fillCircle(392, 54, 5, hex(0xE8E0C8));
    t.fillCircle(410, 70, 4, hex(0xEAE4CC));
    WriteFile(root, "gfx/sky.tga", t.toTga(false));
}

// The letterbox bars: deep red with a gold trim on the inner edges and a row of holly. Only
// the outer 35 rows of each edge show (the sprites are 650 pixels tall); the hiscore and credit
// lines lie over rows 2 to 24 of the bottom bar, so the holly sits below them, on row 29.
void Bar(const std::string& root) {
    Image t(256, 256);
    PaintFabric(t, Cell{0, 0, 256, 256}, hex(0x2A060C), 140);
    for (int edge : {0, 1}) {
        const int y = edge ? 254 : 0;
        t.fillRect(0, y, 256, y + 2, hex(0xE8C050));
        const int hy = edge ? 226 : 29;
        for (int x = 8; x < 256; x += 32) {
            t.fillCircle(x + 0.0f, static_cast<float>(hy), 5, hex(0x2A8A34));
            t.fillCircle(x + 9.0f, static_cast<float>(hy), 5, hex(0x1E6E28));
            t.fillCircle(x + 4.5f, static_cast<float>(hy), 3, hex(0xE02020));
        }
    }
    WriteFile(root, "gfx/bar.tga", t.toTga(false));
}

}  // namespace

void WriteFrontEnd(const std::string& root) {
    const Image snow = SnowTexture();
    Northpole(root, snow);
    House(root);
    Trees(root);
    Sky(root);
    Bar(root);
    WriteFile(root, "gfx/title.tga", RenderTitle("FROST-WICK").toTga(true));
}

}  // namespace mkassets
