// The skinned, animated characters: the people who walk the houses, the ghost goblins and the
// title screen's snowman. Each is built rigidly from parts on a small skeleton (no more than 28
// bones, one influence per vertex) with one looping animation in ticks of 1/4800 s.
#include <cmath>
#include <functional>

#include "assets.h"
#include "bytes.h"
#include "mesh.h"
#include "paint.h"

namespace mkassets {
namespace {

constexpr float kPi = 3.14159265f;

int AddBone(SkinnedModel& m, const std::string& name, int parent, V3 joint) {
    // Bones are given by their bind-pose joint position; the frame offset is relative to the parent.
    const std::vector<V3> joints = BindJoints(m.bones);
    Bone b;
    b.name = name;
    b.parent = parent;
    b.offset = parent >= 0 ? joint - joints[parent] : joint;
    m.bones.push_back(b);
    return static_cast<int>(m.bones.size() - 1);
}

// One looping track sampled at `keys` even steps over `period` ticks; the last key equals the first.
BoneTrack Track(int bone, uint32_t period, int keys, const std::function<V3(float)>& euler,
                const std::function<V3(float)>& position = nullptr) {
    BoneTrack t;
    t.bone = bone;
    for (int k = 0; k <= keys; ++k) {
        const float p = 2 * kPi * (k % keys) / keys;
        t.times.push_back(period * k / keys);
        t.euler.push_back(euler(p));
        if (position) t.position.push_back(position(p));
    }
    return t;
}

// Paints the head of a person: hair over the top and back, a face at the middle of the rectangle.
void PaintPersonHead(Image& t, const Cell& c) {
    const float w = static_cast<float>(c.x1 - c.x0), h = static_cast<float>(c.y1 - c.y0);
    for (int y = c.y0; y < c.y1; ++y)
        for (int x = c.x0; x < c.x1; ++x) {
            const float u = (x - c.x0) / w, v = (y - c.y0) / h;
            const bool hair = v < 0.36f || (std::fabs(u - 0.5f) > 0.22f && v < 0.72f);
            t.at(x, y) = hair ? scale(hex(0x5A3418), 0.9f + 0.2f * hash01(x, y / 3, 160)) : hex(0xF0C8A8);
        }
    const float cx = c.x0 + w * 0.5f, cy = c.y0 + h * 0.5f;
    for (float s : {-1.0f, 1.0f}) {
        t.fillCircle(cx + s * w * 0.07f, cy + h * 0.02f, 2.6f, hex(0xFFFFFF));
        t.fillCircle(cx + s * w * 0.07f, cy + h * 0.03f, 1.5f, hex(0x203060));
        t.fillCircle(cx + s * w * 0.11f, cy + h * 0.14f, 3.0f, hex(0xF09898));
    }
    t.line(cx - 4, cy + h * 0.2f, cx, cy + h * 0.22f, 1.4f, hex(0xA83838));
    t.line(cx, cy + h * 0.22f, cx + 4, cy + h * 0.2f, 1.4f, hex(0xA83838));
}

// A person in a Christmas jumper and a bobble hat, modelled upright (y up, facing -z) in world
// units, 30 tall with the soles at y -2; the top frame turns and scales the model for the walkers'
// transform (scale 0.05, then turned upright about x).
void Tiny(const std::string& root) {
    Image t(256, 256);
    PaintSolid(t, GridCell(t, 0), hex(0xF0C8A8), 0.03f, 161);
    PaintPersonHead(t, GridCell(t, 1));
    PaintKnit(t, GridCell(t, 2), hex(0xB8202A), hex(0xF4F0E8), 162);
    const Cell j = GridCell(t, 2);
    for (int i = 0; i < 3; ++i) {
        const float x = j.x0 + 16.0f + i * 16, y = j.y0 + 20.0f;
        for (int k = 0; k < 6; ++k) t.line(x, y, x + 6 * std::cos(k * kPi / 3), y + 6 * std::sin(k * kPi / 3), 1.5f, hex(0xFFFFFF));
    }
    PaintKnit(t, GridCell(t, 3), hex(0xB8202A), hex(0x2A7A3A), 163);
    PaintFabric(t, GridCell(t, 4), hex(0x2A3A6A), 164);
    PaintSolid(t, GridCell(t, 5), hex(0x1A1412), 0.1f, 165);
    PaintKnit(t, GridCell(t, 6), hex(0xD02830), hex(0x2A8A3A), 166);
    PaintFabric(t, GridCell(t, 7), hex(0xF8F8F4), 167);
    PaintSolid(t, GridCell(t, 8), hex(0x4A2A14), 0.1f, 168);

    SkinnedModel m;
    m.texture = "tiny.tga";
    m.animationName = "Walk";
    const int hips = AddBone(m, "Hips", -1, {0, 14.5f, 0});
    const int chest = AddBone(m, "Chest", hips, {0, 17.5f, 0});
    const int head = AddBone(m, "Head", chest, {0, 24.0f, 0});
    int upper[2], lower[2], thigh[2], shin[2], foot[2];
    const char* side[2] = {"L", "R"};
    for (int s = 0; s < 2; ++s) {
        const float sx = s == 0 ? 1.0f : -1.0f;
        upper[s] = AddBone(m, std::string("UpperArm") + side[s], chest, {sx * 4.1f, 23.0f, 0});
        lower[s] = AddBone(m, std::string("Forearm") + side[s], upper[s], {sx * 4.4f, 18.6f, 0});
        thigh[s] = AddBone(m, std::string("Thigh") + side[s], hips, {sx * 1.8f, 14.0f, 0});
        shin[s] = AddBone(m, std::string("Shin") + side[s], thigh[s], {sx * 1.8f, 7.6f, 0});
        foot[s] = AddBone(m, std::string("Foot") + side[s], shin[s], {sx * 1.8f, 0.6f, 0});
    }
    MeshBuilder& b = m.mesh;
    // Hips and belt.
    b.setBone(hips);
    b.setUv(GridUv(t, 4));
    b.setXform(Xform::scale({1, 1, 0.62f}));
    b.cylinder({0, 12.6f, 0}, 3.2f, 3.3f, 3.4f, 12, true);
    b.setUv(GridUv(t, 8));
    b.cylinder({0, 15.6f, 0}, 3.35f, 3.35f, 0.7f, 12, true);
    // Torso in the jumper.
    b.setBone(chest);
    b.setUv(GridUv(t, 2));
    b.setXform(Xform::scale({1, 1, 0.6f}));
    b.sphere({0, 19.8f, 0}, {3.9f, 5.0f, 3.9f}, 14, 10);
    b.setXform(Xform());
    b.setUv(GridUv(t, 0));
    b.cylinder({0, 23.6f, 0}, 1.0f, 0.95f, 1.6f, 8, true);
    // Head with hair and face, and a bobble hat.
    b.setBone(head);
    b.setUv(GridUv(t, 1));
    b.sphere({0, 26.7f, 0}, {2.15f, 2.55f, 2.3f}, 16, 12);
    b.setUv(GridUv(t, 0));
    b.setXform(Xform::rotateX(-kPi / 2));
    b.cylinder({0, 2.2f, 26.4f}, 0.45f, 0.25f, 0.6f, 6, true);  // nose, pointing forward (-z)
    b.setXform(Xform());
    b.setUv(GridUv(t, 6));
    b.cylinder({0, 27.6f, 0.15f}, 2.45f, 0.4f, 3.2f, 12, true);
    b.setUv(GridUv(t, 7));
    b.torus({0, 27.8f, 0.15f}, 2.3f, 0.55f, 14, 6);
    b.sphere({0.3f, 31.0f, 0.6f}, {0.9f, 0.9f, 0.9f}, 8, 6);
    for (int s = 0; s < 2; ++s) {
        const float sx = s == 0 ? 1.0f : -1.0f;
        b.setBone(upper[s]);
        b.setUv(GridUv(t, 3));
        b.sphere({sx * 4.0f, 23.0f, 0}, {1.3f, 1.3f, 1.3f}, 8, 6);
        b.cylinder({sx * 4.4f, 18.6f, 0}, 0.95f, 1.15f, 4.4f, 10, true);
        b.setBone(lower[s]);
        b.cylinder({sx * 4.4f, 14.9f, 0}, 0.8f, 0.95f, 3.8f, 10, true);
        b.setUv(GridUv(t, 0));
        b.sphere({sx * 4.4f, 14.3f, -0.1f}, {0.75f, 1.0f, 0.6f}, 8, 6);
        b.setBone(thigh[s]);
        b.setUv(GridUv(t, 4));
        b.cylinder({sx * 1.8f, 7.6f, 0}, 1.3f, 1.6f, 6.5f, 10, true);
        b.setBone(shin[s]);
        b.cylinder({sx * 1.8f, 0.6f, 0}, 1.0f, 1.3f, 7.0f, 10, true);
        b.setBone(foot[s]);
        b.setUv(GridUv(t, 5));
        b.box({sx * 1.8f - 1.0f, -2.0f, -3.3f}, {sx * 1.8f + 1.0f, 0.8f, 1.1f});
    }
    // The top frame: scale by 20, y up to z up, front -z to -y.
    Xform r;
    r.m[0][0] = -20; r.m[0][1] = 0; r.m[0][2] = 0;
    r.m[1][0] = 0; r.m[1][1] = 0; r.m[1][2] = 20;
    r.m[2][0] = 0; r.m[2][1] = 20; r.m[2][2] = 0;
    m.root = r;

    // Walk cycle: one stride per 0.96 s, as fast as the walkers move (30 units per second).
    const uint32_t period = 4608;
    const int keys = 12;
    m.tracks.push_back(Track(hips, period, keys, [](float p) { return V3{0, 0.07f * std::sin(p), 0}; },
                             [](float p) { return V3{0, 14.5f + 0.35f * std::cos(2 * p), 0}; }));
    m.tracks.push_back(Track(chest, period, keys, [](float p) { return V3{0.05f, -0.12f * std::sin(p), 0}; }));
    m.tracks.push_back(Track(head, period, keys, [](float p) { return V3{-0.04f, 0.06f * std::sin(p), 0}; }));
    for (int s = 0; s < 2; ++s) {
        const float ph = s == 0 ? 0.0f : kPi;
        const float sx = s == 0 ? 1.0f : -1.0f;
        m.tracks.push_back(Track(thigh[s], period, keys, [ph](float p) { return V3{0.45f * std::sin(p + ph), 0, 0}; }));
        m.tracks.push_back(Track(shin[s], period, keys,
                                 [ph](float p) { return V3{-0.35f * (1 + std::sin(p + ph - kPi / 2)), 0, 0}; }));
        m.tracks.push_back(Track(foot[s], period, keys, [ph](float p) { return V3{0.15f * std::sin(p + ph + 0.6f), 0, 0}; }));
        m.tracks.push_back(Track(upper[s], period, keys, [ph, sx](float p) { return V3{-0.4f * std::sin(p + ph), 0, sx * 0.08f}; }));
        m.tracks.push_back(Track(lower[s], period, keys, [ph](float p) { return V3{0.35f + 0.2f * std::sin(p + ph), 0, 0}; }));
    }
    WriteFile(root, "gfx/tiny.x", WriteSkinnedX(m, "tiny"));
    WriteFile(root, "gfx/tiny.tga", t.toTga(false));
}

// A hovering ghost goblin, y up and facing +z, its face at its origin (it floats 25 above the
// floor, just above the player's eye). It is small enough to be seen whole at the distance it
// keeps from the player (11 to 17 units). Nearly opaque, so that it reads against the house; only
// its tail fades away (the translucency is in the texture's alpha).
void Goblin(const std::string& root) {
    Image t(256, 256, Rgba{0.4f, 0.9f, 0.5f, 0.6f});
    auto ghost = [&](int cell, const Rgba& col, float a0, float a1) {
        const Cell c = GridCell(t, cell);
        for (int y = c.y0; y < c.y1; ++y)
            for (int x = c.x0; x < c.x1; ++x) {
                const float v = static_cast<float>(y - c.y0) / (c.y1 - c.y0);
                Rgba p = scale(col, 0.85f + 0.3f * fbm(x * 0.12f, y * 0.12f, 170 + cell, 3));
                p.a = a0 + (a1 - a0) * v;
                t.at(x, y) = p;
            }
    };
    ghost(0, hex(0x58E070), 0.94f, 0.94f);   // body
    {
        // Dark ribs across the body, so that seen up close it has a shape.
        const Cell c = GridCell(t, 0);
        for (int k = 1; k < 6; ++k) {
            const int y = c.y0 + (c.y1 - c.y0) * k / 6;
            t.fillRect(c.x0, y - 2, c.x1, y + 2, Rgba{0.08f, 0.3f, 0.12f, 0.97f});
        }
    }
    ghost(1, hex(0x70F090), 0.96f, 0.96f);   // head with its face
    const Cell f = GridCell(t, 1);
    const float cx = (f.x0 + f.x1) * 0.5f, cy = (f.y0 + f.y1) * 0.5f;
    for (int x = -14; x <= 14; ++x) {
        const float y = cy + 12 + 0.03f * x * x;
        for (int k = 0; k < 5; ++k) t.at(static_cast<int>(cx) + x, static_cast<int>(y) + k) = Rgba{0.1f, 0.2f, 0.1f, 0.95f};
        if (x % 5 == 0) t.fillRect(static_cast<int>(cx) + x, static_cast<int>(y), static_cast<int>(cx) + x + 2, static_cast<int>(y) + 3, Rgba{1, 1, 0.9f, 1});
    }
    for (float s : {-1.0f, 1.0f}) t.line(cx + s * 6, cy - 8, cx + s * 16, cy - 12, 2.5f, Rgba{0.1f, 0.3f, 0.1f, 0.95f});
    ghost(2, hex(0x50D070), 0.9f, 0.12f);    // tail fading away
    ghost(3, hex(0x80F098), 0.95f, 0.95f);   // arms and ears
    PaintGlow(t, GridCell(t, 4), Rgba{1, 1, 0.6f, 1}, Rgba{1, 0.8f, 0.1f, 1});
    const Cell e = GridCell(t, 4);
    t.fillRect((e.x0 + e.x1) / 2 - 3, e.y0 + 8, (e.x0 + e.x1) / 2 + 3, e.y1 - 8, Rgba{0.1f, 0.05f, 0, 1});
    ghost(5, hex(0xE8FFF0), 0.95f, 0.95f);   // claws

    SkinnedModel m;
    m.texture = "goblin.tga";
    m.root = Xform::scale({0.7f, 0.7f, 0.7f}).then(Xform::translate({0, -4.6f, 0}));
    m.animationName = "Hover";
    const int body = AddBone(m, "Body", -1, {0, 0, 0});
    const int head = AddBone(m, "Head", body, {0, 3.2f, 0});
    const int armL = AddBone(m, "ArmL", body, {2.6f, 1.6f, 0.3f});
    const int armR = AddBone(m, "ArmR", body, {-2.6f, 1.6f, 0.3f});
    const int tail1 = AddBone(m, "Tail1", body, {0, -2.4f, 0});
    const int tail2 = AddBone(m, "Tail2", tail1, {0, -6.0f, 0});
    MeshBuilder& b = m.mesh;
    b.setBone(body);
    b.setUv(GridUv(t, 0));
    b.sphere({0, 0.4f, 0}, {2.8f, 3.1f, 2.4f}, 12, 8);
    b.setBone(head);
    b.setUv(GridUv(t, 1));
    b.setXform(Xform::rotateY(kPi));  // puts the painted face (middle of the rectangle) at +z
    b.sphere({0, 6.0f, 0}, {3.3f, 2.8f, 3.0f}, 16, 10);
    b.setXform(Xform());
    b.setUv(GridUv(t, 4));
    for (float s : {-1.0f, 1.0f}) b.sphere({s * 1.2f, 6.7f, 2.55f}, {0.75f, 0.85f, 0.5f}, 8, 6);
    b.setUv(GridUv(t, 3));
    for (float s : {-1.0f, 1.0f}) {
        b.setXform(Xform::rotateZ(-s * 1.15f).then(Xform::translate({s * 2.7f, 7.0f, 0})));
        b.cylinder({0, 0, 0}, 1.1f, 0.0f, 4.2f, 8, true);
    }
    b.setXform(Xform::rotateX(kPi / 2).then(Xform::translate({0, 5.9f, 2.8f})));
    b.cylinder({0, 0, 0}, 0.6f, 0.0f, 1.8f, 8, true);
    for (int s = 0; s < 2; ++s) {
        const float sx = s == 0 ? 1.0f : -1.0f;
        b.setBone(s == 0 ? armL : armR);
        b.setUv(GridUv(t, 3));
        const Xform arm = Xform::rotateZ(sx * 2.1f).then(Xform::rotateY(-sx * 0.5f)).then(Xform::translate({sx * 2.6f, 1.6f, 0.3f}));
        b.setXform(arm);
        b.cylinder({0, 0, 0}, 0.75f, 0.5f, 4.2f, 8, true);
        b.setUv(GridUv(t, 5));
        for (int k = -1; k <= 1; ++k) {
            b.setXform(Xform::rotateZ(k * 0.35f).then(Xform::translate({0, 4.1f, 0})).then(arm));
            b.cylinder({0, 0, 0}, 0.22f, 0.0f, 1.2f, 5, true);
        }
    }
    b.setXform(Xform());
    b.setBone(tail1);
    b.setUv(GridUv(t, 2));
    b.cylinder({0, -6.0f, 0}, 1.3f, 2.4f, 3.8f, 12, true, false);
    b.setBone(tail2);
    b.setXform(Xform::rotateX(kPi).then(Xform::translate({0, -6.0f, 0})));
    b.cylinder({0, 0, 0}, 1.3f, 0.0f, 5.0f, 12, true, false);
    b.setXform(Xform());

    const uint32_t period = 7680;  // 1.6 s
    const int keys = 8;
    m.tracks.push_back(Track(body, period, keys, [](float p) { return V3{0.06f * std::sin(p), 0, 0.08f * std::sin(p)}; },
                             [](float p) { return V3{0, 0.7f * std::sin(p), 0}; }));
    m.tracks.push_back(Track(head, period, keys, [](float p) { return V3{0.1f * std::sin(p + 1), 0.15f * std::sin(p), 0}; }));
    m.tracks.push_back(Track(armL, period, keys, [](float p) { return V3{0.3f * std::sin(2 * p), 0, -0.35f * std::sin(p)}; }));
    m.tracks.push_back(Track(armR, period, keys, [](float p) { return V3{0.3f * std::sin(2 * p + 1), 0, 0.35f * std::sin(p)}; }));
    m.tracks.push_back(Track(tail1, period, keys, [](float p) { return V3{0.15f * std::sin(p), 0, 0.25f * std::sin(p + 1)}; }));
    m.tracks.push_back(Track(tail2, period, keys, [](float p) { return V3{0.25f * std::sin(p + 0.5f), 0, 0.4f * std::sin(p + 2)}; }));
    WriteFile(root, "gfx/goblin.x", WriteSkinnedX(m, "goblin"));
    WriteFile(root, "gfx/goblin.tga", t.toTga(true));
}

// The title screen's snowman, modelled upright (base at y 0, facing -z); its top frame undoes the
// scene's turn by pi about z and sets it on the snow 18 below the camera.
void Snowman(const std::string& root) {
    Image t(256, 256);
    PaintSolid(t, GridCell(t, 0), hex(0xF4F8FF), 0.05f, 180);
    PaintSolid(t, GridCell(t, 1), hex(0xF4F8FF), 0.05f, 181);
    const Cell f = GridCell(t, 1);
    const float cx = (f.x0 + f.x1) * 0.5f, cy = (f.y0 + f.y1) * 0.5f;
    for (int k = -3; k <= 3; ++k) t.fillCircle(cx + k * 4.0f, cy + 13 + 0.35f * k * k, 1.6f, hex(0x181818));
    for (float s : {-1.0f, 1.0f}) t.fillCircle(cx + s * 10, cy + 6, 4, hex(0xF8C8C8));
    PaintSolid(t, GridCell(t, 2), hex(0x1A1A1E), 0.2f, 182);
    PaintSolid(t, GridCell(t, 3), hex(0xF07818), 0.08f, 183);
    PaintKnit(t, GridCell(t, 4), hex(0xC82028), hex(0x2A8A3A), 184);
    PaintSolid(t, GridCell(t, 5), hex(0x202024), 0.1f, 185);
    PaintSolid(t, GridCell(t, 6), hex(0xC02020), 0.05f, 186);
    PaintWood(t, GridCell(t, 7), hex(0x5A3A20), 187, true);

    SkinnedModel m;
    m.texture = "snowman.tga";
    m.animationName = "Idle";
    const int base = AddBone(m, "Base", -1, {0, 0, 0});
    const int body = AddBone(m, "Middle", base, {0, 10.0f, 0});
    const int head = AddBone(m, "Head", body, {0, 19.0f, 0});
    const int armL = AddBone(m, "TwigL", body, {4.3f, 15.2f, 0});
    const int armR = AddBone(m, "TwigR", body, {-4.3f, 15.2f, 0});
    MeshBuilder& b = m.mesh;
    b.setBone(base);
    b.setUv(GridUv(t, 0));
    b.sphere({0, 5.6f, 0}, {6.6f, 6.0f, 6.6f}, 16, 10);
    b.setBone(body);
    b.sphere({0, 14.4f, 0}, {4.8f, 4.6f, 4.8f}, 14, 10);
    b.setUv(GridUv(t, 2));
    for (int i = 0; i < 3; ++i) b.sphere({0, 12.0f + i * 2.0f, -4.55f + static_cast<float>(std::abs(i - 1)) * 0.25f}, {0.5f, 0.5f, 0.4f}, 6, 4);
    b.setUv(GridUv(t, 4));
    b.torus({0, 18.6f, 0}, 3.0f, 0.85f, 16, 6);
    b.box({1.2f, 13.6f, -4.2f}, {2.8f, 18.2f, -3.2f});
    b.setBone(head);
    b.setUv(GridUv(t, 1));
    b.sphere({0, 22.0f, 0}, {3.4f, 3.3f, 3.4f}, 16, 10);
    b.setUv(GridUv(t, 2));
    for (float s : {-1.0f, 1.0f}) b.sphere({s * 1.15f, 23.0f, -3.0f}, {0.45f, 0.45f, 0.35f}, 6, 4);
    b.setUv(GridUv(t, 3));
    b.setXform(Xform::rotateX(-kPi / 2).then(Xform::translate({0, 22.2f, -3.1f})));
    b.cylinder({0, 0, 0}, 0.6f, 0.0f, 3.4f, 8, true);
    b.setXform(Xform());
    b.setUv(GridUv(t, 5));
    b.cylinder({0, 24.6f, 0}, 4.0f, 4.0f, 0.5f, 14, false);
    b.cylinder({0, 25.1f, 0}, 2.6f, 2.6f, 4.2f, 14, false);
    b.setUv(GridUv(t, 6));
    b.cylinder({0, 25.1f, 0}, 2.65f, 2.65f, 0.9f, 14, false, false);
    for (int s = 0; s < 2; ++s) {
        const float sx = s == 0 ? 1.0f : -1.0f;
        b.setBone(s == 0 ? armL : armR);
        b.setUv(GridUv(t, 7));
        const Xform arm = Xform::rotateZ(-sx * 1.05f).then(Xform::translate({sx * 4.3f, 15.2f, 0}));
        b.setXform(arm);
        b.cylinder({0, 0, 0}, 0.4f, 0.22f, 7.5f, 6, true);
        for (float k : {-0.6f, 0.5f}) {
            b.setXform(Xform::rotateZ(k).then(Xform::translate({0, 6.0f, 0})).then(arm));
            b.cylinder({0, 0, 0}, 0.2f, 0.1f, 2.2f, 5, true);
        }
    }
    b.setXform(Xform());
    m.root = Xform::translate({0, -28.0f, 0}).then(Xform::rotateZ(kPi));

    const uint32_t period = 19200;  // 4 s
    const int keys = 12;
    m.tracks.push_back(Track(base, period, keys, [](float p) { return V3{0, 0.06f * std::sin(p), 0}; }));
    m.tracks.push_back(Track(body, period, keys, [](float p) { return V3{0, 0.05f * std::sin(p + 1), 0.04f * std::sin(p)}; }));
    m.tracks.push_back(Track(head, period, keys, [](float p) { return V3{0.05f * std::sin(2 * p), 0.3f * std::sin(p), 0.06f * std::sin(2 * p)}; }));
    m.tracks.push_back(Track(armL, period, keys, [](float p) { return V3{0, 0, 0.4f * std::sin(2 * p)}; }));
    m.tracks.push_back(Track(armR, period, keys, [](float p) { return V3{0, 0, 0.1f * std::sin(p)}; }));
    WriteFile(root, "gfx/snowman.x", WriteSkinnedX(m, "snowman"));
    WriteFile(root, "gfx/snowman.tga", t.toTga(false));
}

}  // namespace

void WriteCharacters(const std::string& root) {
    Tiny(root);
    Goblin(root);
    Snowman(root);
}

}  // namespace mkassets
