// mkassets_gallery: generates the asset set into a folder and draws every mesh with its texture
// (the skinned ones posed at three times of their animation, and the title scene as the menu
// camera sees it) into one PNG, for a person to look over. A small software rasteriser; it reads
// the textures back from the generated TGA files.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <stb_image.h>
#include <stb_image_write.h>

#include "assets.h"
#include "image.h"
#include "levels.h"
#include "mesh.h"

using namespace mkassets;

namespace {

constexpr float kPi = 3.14159265f;

struct Texture {
    int w = 0, h = 0;
    std::vector<Rgba> px;
    Rgba sample(float u, float v) const {
        if (!w) return Rgba{1, 0, 1, 1};
        u -= std::floor(u);
        v -= std::floor(v);
        const int x = std::min(w - 1, static_cast<int>(u * w)), y = std::min(h - 1, static_cast<int>(v * h));
        return px[static_cast<size_t>(y) * w + x];
    }
};

Texture ReadTga(const std::string& path) {
    Texture t;
    int n = 0;
    stbi_uc* rgba = stbi_load(path.c_str(), &t.w, &t.h, &n, 4);
    if (!rgba) return Texture{};
    t.px.resize(static_cast<size_t>(t.w) * t.h);
    for (size_t i = 0; i < t.px.size(); ++i)
        t.px[i] = Rgba{rgba[i * 4] / 255.0f, rgba[i * 4 + 1] / 255.0f, rgba[i * 4 + 2] / 255.0f, rgba[i * 4 + 3] / 255.0f};
    stbi_image_free(rgba);
    return t;
}

bool WritePng(const std::string& path, const Image& img) {
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(img.width()) * img.height() * 3);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const Rgba& p = img.at(x, y);
            for (float c : {p.r, p.g, p.b}) rgb.push_back(static_cast<uint8_t>(std::lround(std::clamp(c, 0.0f, 1.0f) * 255)));
        }
    return stbi_write_png(path.c_str(), img.width(), img.height(), 3, rgb.data(), img.width() * 3) != 0;
}

struct Camera {
    V3 eye, right, up, fwd;
    float focal;  // pixels per unit at distance 1
    float cx, cy;
};

Camera LookAt(V3 eye, V3 at, float fovY, int w, int h, int x0, int y0) {
    Camera c;
    c.eye = eye;
    c.fwd = normalize(at - eye);
    c.right = normalize(cross(V3{0, 1, 0}, c.fwd));
    c.up = cross(c.fwd, c.right);
    c.focal = (h * 0.5f) / std::tan(fovY * 0.5f);
    c.cx = x0 + w * 0.5f;
    c.cy = y0 + h * 0.5f;
    return c;
}

enum class Shade { Lit, Unlit, Additive, Blend };

struct Canvas {
    Image img;
    std::vector<float> depth;
    int clipX0 = 0, clipY0 = 0, clipX1 = 0, clipY1 = 0;
    Canvas(int w, int h) : img(w, h, Rgba{0.12f, 0.12f, 0.16f, 1}), depth(static_cast<size_t>(w) * h, 1e30f) {}

    void tri(const Camera& cam, const std::array<Vertex, 3>& v, const Texture& tex, Shade shade) {
        std::array<V3, 3> s;
        for (int k = 0; k < 3; ++k) {
            const V3 d = v[k].p - cam.eye;
            const float z = dot(d, cam.fwd);
            if (z < 0.5f) return;
            s[k] = {cam.cx + dot(d, cam.right) * cam.focal / z, cam.cy - dot(d, cam.up) * cam.focal / z, z};
        }
        const float area = (s[1].x - s[0].x) * (s[2].y - s[0].y) - (s[2].x - s[0].x) * (s[1].y - s[0].y);
        // Clockwise on screen (the front side) only, as the game draws them.
        if (area <= 0) return;
        const int xa = std::max(clipX0, static_cast<int>(std::floor(std::min({s[0].x, s[1].x, s[2].x}))));
        const int xb = std::min(clipX1 - 1, static_cast<int>(std::ceil(std::max({s[0].x, s[1].x, s[2].x}))));
        const int ya = std::max(clipY0, static_cast<int>(std::floor(std::min({s[0].y, s[1].y, s[2].y}))));
        const int yb = std::min(clipY1 - 1, static_cast<int>(std::ceil(std::max({s[0].y, s[1].y, s[2].y}))));
        const V3 light = normalize(V3{-0.4f, 0.8f, -0.6f});
        for (int y = ya; y <= yb; ++y)
            for (int x = xa; x <= xb; ++x) {
                const float px = x + 0.5f, py = y + 0.5f;
                float w0 = ((s[1].x - px) * (s[2].y - py) - (s[2].x - px) * (s[1].y - py)) / area;
                float w1 = ((s[2].x - px) * (s[0].y - py) - (s[0].x - px) * (s[2].y - py)) / area;
                float w2 = 1 - w0 - w1;
                if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                // Perspective-correct interpolation.
                const float iz = w0 / s[0].z + w1 / s[1].z + w2 / s[2].z;
                const float z = 1 / iz;
                float& dz = depth[static_cast<size_t>(y) * img.width() + x];
                if (z >= dz && shade != Shade::Additive) continue;
                const float b0 = w0 / s[0].z * z, b1 = w1 / s[1].z * z, b2 = w2 / s[2].z * z;
                const float u = v[0].u * b0 + v[1].u * b1 + v[2].u * b2, t = v[0].v * b0 + v[1].v * b1 + v[2].v * b2;
                Rgba c = tex.sample(u, t);
                Rgba& dst = img.at(x, y);
                if (shade == Shade::Additive) {
                    if (z < dz) dst = Rgba{std::min(1.0f, dst.r + c.r), std::min(1.0f, dst.g + c.g), std::min(1.0f, dst.b + c.b), 1};
                    continue;
                }
                if (shade == Shade::Lit) {
                    const V3 n = normalize(v[0].n * b0 + v[1].n * b1 + v[2].n * b2);
                    const float k = 0.35f + 0.75f * std::max(0.0f, dot(n, light));
                    c = Rgba{c.r * k, c.g * k, c.b * k, c.a};
                }
                if (shade == Shade::Blend) {
                    if (c.a < 8 / 255.0f) continue;
                    dst = mix(dst, Rgba{c.r, c.g, c.b, 1}, c.a);
                    if (c.a > 0.5f) dz = z;
                    continue;
                }
                dst = Rgba{c.r, c.g, c.b, 1};
                dz = z;
            }
    }

    void mesh(const Camera& cam, const std::vector<Vertex>& verts, const std::vector<std::array<uint32_t, 3>>& faces,
              const std::vector<int>& subsets, const Texture& tex, const std::vector<Shade>& shadeBySubset) {
        for (size_t f = 0; f < faces.size(); ++f) {
            const int s = f < subsets.size() ? subsets[f] : 0;
            const Shade sh = s < static_cast<int>(shadeBySubset.size()) ? shadeBySubset[s] : shadeBySubset.back();
            tri(cam, {verts[faces[f][0]], verts[faces[f][1]], verts[faces[f][2]]}, tex, sh);
        }
    }
};

// Pose of a skinned model at a time in ticks: vertices moved by their bones, as the game's
// skinning does (linear interpolation of the keys stands in for the game's spline).
std::vector<Vertex> Pose(const SkinnedModel& m, float ticks) {
    const std::vector<V3> joints = BindJoints(m.bones);
    std::vector<Xform> local(m.bones.size()), world(m.bones.size());
    for (size_t b = 0; b < m.bones.size(); ++b) local[b] = Xform::translate(m.bones[b].offset);
    for (const BoneTrack& t : m.tracks) {
        const float period = static_cast<float>(t.times.back());
        const float tt = std::fmod(ticks, period);
        size_t k = 0;
        while (k + 1 < t.times.size() && t.times[k + 1] <= tt) ++k;
        const size_t n = std::min(k + 1, t.times.size() - 1);
        const float f = n == k ? 0 : (tt - t.times[k]) / static_cast<float>(t.times[n] - t.times[k]);
        const V3 e = t.euler[k] * (1 - f) + t.euler[n] * f;
        Xform r = Xform::rotateX(e.x).then(Xform::rotateY(e.y)).then(Xform::rotateZ(e.z));
        const V3 pos = t.position.empty() ? m.bones[t.bone].offset : t.position[k] * (1 - f) + t.position[n] * f;
        local[t.bone] = r.then(Xform::translate(pos));
    }
    for (size_t b = 0; b < m.bones.size(); ++b)
        world[b] = m.bones[b].parent >= 0 ? local[b].then(world[m.bones[b].parent]) : local[b].then(m.root);
    std::vector<Vertex> out = m.mesh.vertices();
    for (Vertex& v : out) {
        const Xform skin = Xform::translate(joints[v.bone] * -1.0f).then(world[v.bone]);
        v.p = skin.point(v.p);
        v.n = normalize(skin.dir(v.n));
    }
    return out;
}

void Bounds(const std::vector<Vertex>& v, V3& mn, V3& mx) {
    mn = {1e9f, 1e9f, 1e9f};
    mx = {-1e9f, -1e9f, -1e9f};
    for (const Vertex& p : v) {
        mn = {std::min(mn.x, p.p.x), std::min(mn.y, p.p.y), std::min(mn.z, p.p.z)};
        mx = {std::max(mx.x, p.p.x), std::max(mx.y, p.p.y), std::max(mx.z, p.p.z)};
    }
}

// Draws a mesh in a cell, seen from the front (-z side) a little from above and to the left.
void DrawInCell(Canvas& cv, int cell, int cols, int size, const std::vector<Vertex>& verts,
                const std::vector<std::array<uint32_t, 3>>& faces, const std::vector<int>& subsets, const Texture& tex,
                const std::vector<Shade>& shades, V3 viewDir = {-0.5f, 0.45f, -1.0f}) {
    const int x0 = (cell % cols) * size, y0 = (cell / cols) * size;
    cv.clipX0 = x0 + 2;
    cv.clipY0 = y0 + 2;
    cv.clipX1 = x0 + size - 2;
    cv.clipY1 = y0 + size - 2;
    V3 mn, mx;
    Bounds(verts, mn, mx);
    const V3 centre = (mn + mx) * 0.5f;
    const float radius = std::sqrt(dot(mx - mn, mx - mn)) * 0.5f;
    const float fov = 0.7f;
    const float dist = radius / std::sin(fov * 0.5f) * 1.02f;
    const Camera cam = LookAt(centre + normalize(viewDir) * dist, centre, fov, size, size, x0, y0);
    cv.mesh(cam, verts, faces, subsets, tex, shades);
}

// What the drawing steps share: the captured meshes, the canvas, the next free cell.
struct Gallery {
    std::string root;
    MeshCapture cap;
    Canvas cv{1, 1};
    int cell = 0;
    std::vector<std::pair<std::string, MeshBuilder>> title;  // meshes of the title scene
    std::vector<std::string> titleTex;
    Texture tex(const std::string& name) const { return ReadTga(root + "/gfx/" + name); }
};

constexpr int kSize = 256, kCols = 8;

// How each prop's subsets are drawn in the game: lit, unlit or additive.
const std::map<std::string, std::vector<Shade>>& PropShades() {
    static const std::map<std::string, std::vector<Shade>> shades = {
        {"lamp", {Shade::Unlit, Shade::Lit}}, {"tv", {Shade::Unlit, Shade::Lit}}, {"shade", {Shade::Unlit}},
        {"tree", {Shade::Unlit, Shade::Additive}}, {"present", {Shade::Unlit}}, {"health", {Shade::Unlit}},
        {"time", {Shade::Unlit}}, {"star", {Shade::Unlit}}, {"trees", {Shade::Blend}}, {"northpole", {Shade::Unlit}},
        {"house", {Shade::Unlit}}};
    return shades;
}

// Each prop in a cell of its own; the title scene's meshes are kept for that scene.
void DrawProps(Gallery& g) {
    Canvas& cv = g.cv;
    const MeshCapture& cap = g.cap;
    const int size = kSize, cols = kCols;
    const auto& propShades = PropShades();
    for (size_t i = 0; i < cap.statics.size(); ++i) {
        const auto& [name, mesh] = cap.statics[i];
        MeshBuilder m = mesh;
        m.sortBySubset();
        const auto it = propShades.find(name);
        const std::vector<Shade> shades = it != propShades.end() ? it->second : std::vector<Shade>{Shade::Lit};
        if (name == "northpole" || name == "house" || name == "trees") {
            // Modelled in the title scene's frame: drawn below, in the scene.
            g.title.push_back({name, m});
            g.titleTex.push_back(cap.staticTextures[i]);
            continue;
        }
        DrawInCell(cv, g.cell++, cols, size, m.vertices(), m.faces(), m.faceSubsets(), g.tex(cap.staticTextures[i]), shades);
    }
}

// Each skinned model at three times of its animation.
void DrawSkinned(Gallery& g) {
    Canvas& cv = g.cv;
    const MeshCapture& cap = g.cap;
    const int size = kSize, cols = kCols;
    for (const auto& [name, model] : cap.skinned) {
        const Texture t = g.tex(model.texture);
        const float period = static_cast<float>(model.tracks.empty() ? 1 : model.tracks[0].times.back());
        for (int k = 0; k < 3; ++k) {
            const std::vector<Vertex> posed = Pose(model, period * k / 3.0f);
            MeshBuilder copy = model.mesh;
            const Shade sh = name == "goblin" ? Shade::Blend : Shade::Lit;
            // The walkers are drawn turned upright and the snowman as the title scene turns it.
            std::vector<Vertex> shown = posed;
            for (Vertex& v : shown) {
                if (name == "tiny") {
                    const Xform w = Xform::scale({0.05f, 0.05f, 0.05f}).then(Xform::rotateX(-kPi / 2)).then(Xform::rotateY(kPi));
                    v.p = w.point(v.p);
                    v.n = normalize(w.dir(v.n));
                } else if (name == "snowman") {
                    const Xform w = Xform::rotateZ(kPi).then(Xform::translate({30, 10, 90}));
                    v.p = w.point(v.p);
                    v.n = normalize(w.dir(v.n));
                }
            }
            DrawInCell(cv, g.cell++, cols, size, shown, copy.faces(), copy.faceSubsets(), t, {sh},
                       name == "goblin" ? V3{-0.5f, 0.3f, 1.0f} : V3{-0.5f, 0.3f, -1.0f});
        }
    }
}

// The title scene as the menu's camera sees it (at the origin, looking along +z, 60 degrees).
void DrawTitleScene(Gallery& g) {
    Canvas& cv = g.cv;
    const MeshCapture& cap = g.cap;
    const int size = kSize, cols = kCols;
    const int y0 = ((g.cell + cols - 1) / cols) * size, w = 4 * size, h = 3 * size;
    cv.clipX0 = 0;
    cv.clipY0 = y0;
    cv.clipX1 = std::min(cv.img.width(), w);
    cv.clipY1 = std::min(cv.img.height(), y0 + h);
    const Camera cam = LookAt({0, 0, 0}, {0, 0, 1}, 1.0471976f, w, h, 0, y0);
    const Texture sky = g.tex("sky.tga");
    std::vector<Vertex> quad(4);
    const float sx[4] = {-470, 470, 470, -470}, sy[4] = {200, 200, -40, -40}, su[4] = {0, 1, 1, 0}, sv[4] = {0, 0, 1, 1};
    for (int k = 0; k < 4; ++k) quad[k] = Vertex{{sx[k], sy[k], 500}, {0, 0, -1}, su[k], sv[k]};
    // The sky quad is drawn with a grey vertex colour: half brightness.
    Texture dimSky = sky;
    for (Rgba& p : dimSky.px) p = scale(p, 0.5f);
    cv.tri(cam, {quad[0], quad[1], quad[2]}, dimSky, Shade::Unlit);
    cv.tri(cam, {quad[0], quad[2], quad[3]}, dimSky, Shade::Unlit);
    const std::map<std::string, V3> place = {{"northpole", {30, 10, 90}}, {"trees", {75, 10, 100}}, {"house", {-200, 10, 5}}};
    for (size_t i = 0; i < g.title.size(); ++i) {
        std::vector<Vertex> v = g.title[i].second.vertices();
        const Xform w = Xform::rotateZ(kPi).then(Xform::translate(place.at(g.title[i].first)));
        for (Vertex& p : v) p.p = w.point(p.p);
        cv.mesh(cam, v, g.title[i].second.faces(), g.title[i].second.faceSubsets(), g.tex(g.titleTex[i]),
                {g.title[i].first == "trees" ? Shade::Blend : Shade::Unlit});
    }
    for (const auto& [name, model] : cap.skinned)
        if (name == "snowman") {
            std::vector<Vertex> v = Pose(model, 0);
            const Xform w = Xform::rotateZ(kPi).then(Xform::translate({30, 10, 90}));
            for (Vertex& p : v) {
                p.p = w.point(p.p);
                p.n = normalize(w.dir(p.n));
            }
            cv.mesh(cam, v, model.mesh.faces(), model.mesh.faceSubsets(), g.tex(model.texture), {Shade::Lit});
        }
    // Title banner and letterbox bars as the menu lays them out (640 by 480 scaled to the cell).
    const Texture title = g.tex("title.tga"), bar = g.tex("bar.tga");
    const float s = w / 640.0f;
    for (int y = y0; y < y0 + h && y < cv.img.height(); ++y)
        for (int x = 0; x < w && x < cv.img.width(); ++x) {
            const float vx = x / s, vy = (y - y0) / s;
            if (vy < 80 || vy > 390) {
                const float bv = vy < 80 ? (vy + 570) / 650 : (vy - 390) / 650;
                cv.img.at(x, y) = bar.sample(vx / 650, bv);
            }
            if (vx >= 95 && vx < 545 && vy >= 80 - 56.25f && vy < 80 + 56.25f) {
                const Rgba c = title.sample((vx - 95) / 450, (vy - 23.75f) / 112.5f);
                if (c.a > 8 / 255.0f) cv.img.at(x, y) = mix(cv.img.at(x, y), Rgba{c.r, c.g, c.b, 1}, c.a);
            }
        }
}

// The five houses from above: walls, furniture, the tree, present spots, the start and patrols.
void DrawPlans(Gallery& g) {
    Canvas& cv = g.cv;
    const int size = kSize, cols = kCols;
    const auto& designs = DefaultLevels();
    const int y0 = ((g.cell + cols - 1) / cols) * size;
    for (size_t li = 0; li < designs.size(); ++li) {
        const RoomData room = BuildRoom(designs[li]);
        const int ox = 4 * size + static_cast<int>(li % 2) * (size + 16) + 16, oy = y0 + static_cast<int>(li / 2) * (size + 16) + 16;
        const float k = size / 256.0f;
        auto px = [&](float x) { return ox + (x + 128) * k; };
        auto pz = [&](float z) { return oy + (96 - z) * k; };
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c) {
                const NodeData& n = room.nodes[c + 8 * r];
                const float x0 = -128.0f + 32 * c, z1 = -128.0f + 32 * (7 - r);
                if (n.floor != 255) cv.img.fillRect(static_cast<int>(px(x0)), static_cast<int>(pz(z1)), static_cast<int>(px(x0 + 32)), static_cast<int>(pz(z1 - 32)), scale(hex(0x8A7A64), 0.6f + 0.05f * (n.floor % 8)));
                const Rgba wall = hex(0xF0F0F0);
                if (n.wall[0] != 255) cv.img.line(px(x0), pz(z1), px(x0 + 32), pz(z1), 3, wall);
                if (n.wall[1] != 255) cv.img.line(px(x0), pz(z1 - 32), px(x0 + 32), pz(z1 - 32), 3, wall);
                if (n.wall[2] != 255) cv.img.line(px(x0), pz(z1), px(x0), pz(z1 - 32), 3, wall);
                if (n.wall[3] != 255) cv.img.line(px(x0 + 32), pz(z1), px(x0 + 32), pz(z1 - 32), 3, wall);
                for (int sl = 0; sl < 3; ++sl) {
                    const uint8_t t = n.propType[sl];
                    if (t == 255) continue;
                    const uint32_t col[13] = {0xFFE080, 0x8A5A32, 0x4060C0, 0xFFB060, 0xC0C0C0, 0x2E5A3A, 0xC0C0C0,
                                              0x6A4028, 0xB82028, 0xB82028, 0x6A3E22, 0xE0D8C0, 0x20A040};
                    const float r2 = (t == 12 ? 11.0f : (t == 3 ? 4.0f : 7.0f)) * k;
                    cv.img.fillCircle(px(x0 + 16) + sl * 3.0f, pz(z1 - 16), r2, hex(col[t]));
                }
            }
        for (size_t p = 0; p < room.paths.size(); ++p)
            for (size_t q = 0; q + 1 < room.paths[p].size(); ++q)
                cv.img.line(px(room.paths[p][q].first), pz(room.paths[p][q].second), px(room.paths[p][q + 1].first),
                            pz(room.paths[p][q + 1].second), 2, hex(0x40E0FF));
        for (size_t q = 1; q < room.points.size(); ++q) cv.img.fillCircle(px(room.points[q][0]), pz(room.points[q][2]), 5, hex(0xFF3030));
        cv.img.fillCircle(px(-128.0f + 32 * room.startCol + 16), pz(-128.0f + 32 * room.startRow), 5, hex(0xFFFF00));
    }
}

// Two houses in cutaway (no ceiling, no ceiling lights), furnished as the game places props.
void DrawCutaways(Gallery& g) {
    Canvas& cv = g.cv;
    const MeshCapture& cap = g.cap;
    const int size = kSize;
    const auto& propShades = PropShades();
    const Texture floorTex = g.tex("floor.tga"), wallTex = g.tex("walls.tga");
    const char* propNames[13] = {"lamp", "table", "tv", "shade", "picture", "door", "picture2", "chairs", "sofa", "sofachair", "draws", "arc1", "tree"};
    std::map<std::string, size_t> byName;
    for (size_t i = 0; i < cap.statics.size(); ++i) byName[cap.statics[i].first] = i;
    const int levels[2] = {0, 3};
    for (int li = 0; li < 2; ++li) {
        const RoomData room = BuildRoom(DefaultLevels()[levels[li]]);
        const int w = 4 * size, h = 2 * size, x0 = li * w, y0 = cv.img.height() - size - h;
        cv.clipX0 = x0;
        cv.clipY0 = y0;
        cv.clipX1 = x0 + w;
        cv.clipY1 = y0 + h;
        const Camera cam = LookAt({0, 330, -330}, {0, 0, -40}, 0.75f, w, h, x0, y0);
        auto tile = [](int t) { return UvRect{(t % 4) / 4.0f + 1 / 256.0f, (t / 4) / 4.0f + 1 / 256.0f, (t % 4) / 4.0f + 0.25f - 1 / 256.0f, (t / 4) / 4.0f + 0.25f - 1 / 256.0f}; };
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c) {
                const NodeData& n = room.nodes[c + 8 * r];
                const float x = -128.0f + 32 * c, z = -128.0f + 32 * (7 - r);
                if (n.floor != 255) {
                    const UvRect u = tile(n.floor);
                    const Vertex a{{x, 0, z}, {0, 1, 0}, u.u0, u.v0}, b{{x + 32, 0, z}, {0, 1, 0}, u.u1, u.v0};
                    const Vertex cc{{x + 32, 0, z - 32}, {0, 1, 0}, u.u1, u.v1}, d{{x, 0, z - 32}, {0, 1, 0}, u.u0, u.v1};
                    cv.tri(cam, {a, b, cc}, floorTex, Shade::Unlit);
                    cv.tri(cam, {a, cc, d}, floorTex, Shade::Unlit);
                }
                // Wall sides face into their node.
                const V3 corners[4][2] = {{{x + 32, 0, z}, {x, 0, z}}, {{x, 0, z - 32}, {x + 32, 0, z - 32}},
                                          {{x, 0, z}, {x, 0, z - 32}}, {{x + 32, 0, z - 32}, {x + 32, 0, z}}};
                const V3 inward[4] = {{0, 0, -1}, {0, 0, 1}, {1, 0, 0}, {-1, 0, 0}};
                for (int side = 0; side < 4; ++side) {
                    if (n.wall[side] == 255) continue;
                    const UvRect u = tile(n.wall[side]);
                    const V3 p0 = corners[side][0], p1 = corners[side][1];
                    Vertex a{p0 + V3{0, 40, 0}, inward[side], u.u0, u.v0}, b{p1 + V3{0, 40, 0}, inward[side], u.u1, u.v0};
                    Vertex cc{p1, inward[side], u.u1, u.v1}, d{p0, inward[side], u.u0, u.v1};
                    cv.tri(cam, {a, cc, b}, wallTex, Shade::Lit);
                    cv.tri(cam, {a, d, cc}, wallTex, Shade::Lit);
                }
                for (int sl = 0; sl < 3; ++sl) {
                    const uint8_t t = n.propType[sl];
                    if (t == 255 || t == 3) continue;
                    const size_t idx = byName.at(propNames[t]);
                    MeshBuilder m = cap.statics[idx].second;
                    m.sortBySubset();
                    std::vector<Vertex> v = m.vertices();
                    const Xform place = Xform::rotateY(n.propAngle[sl]).then(Xform::translate({x + 16, 10, z - 16}));
                    for (Vertex& q : v) {
                        q.p = place.point(q.p);
                        q.n = normalize(place.dir(q.n));
                    }
                    const auto it = propShades.find(propNames[t]);
                    cv.mesh(cam, v, m.faces(), m.faceSubsets(), g.tex(cap.staticTextures[idx]),
                            it != propShades.end() ? it->second : std::vector<Shade>{Shade::Lit});
                }
            }
    }
}

// The atlases and sprite textures, one row, over a checker so that alpha shows.
void DrawTextures(Gallery& g) {
    Canvas& cv = g.cv;
    const int size = kSize;
    const char* names[8] = {"walls.tga", "floor.tga", "ceil.tga", "hud.tga", "icons.tga", "flare.tga", "snowstorm2.tga", "bullets.tga"};
    const int y0 = cv.img.height() - size;
    for (int i = 0; i < 8; ++i) {
        const Texture t = g.tex(names[i]);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const Rgba c = t.sample((x + 0.5f) / size, (y + 0.5f) / size);
                const Rgba back = ((x / 16 + y / 16) % 2) ? hex(0x404040) : hex(0x606060);
                cv.img.at(i * size + x, y0 + y) = mix(back, Rgba{c.r, c.g, c.b, 1}, c.a);
            }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkassets_gallery <asset folder to write> <output.png>\n");
        return 2;
    }
    Gallery g;
    g.root = argv[1];
    g_meshCapture = &g.cap;
    WriteAll(g.root);
    g_meshCapture = nullptr;
    const int total = static_cast<int>(g.cap.statics.size() + g.cap.skinned.size() * 3);
    g.cv = Canvas(kCols * kSize, ((total + kCols - 1) / kCols + 7) * kSize);
    DrawProps(g);
    DrawSkinned(g);
    DrawTitleScene(g);
    DrawPlans(g);
    DrawCutaways(g);
    DrawTextures(g);
    if (!WritePng(argv[2], g.cv.img)) {
        std::fprintf(stderr, "gallery: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("gallery: %s\n", argv[2]);
    return 0;
}
