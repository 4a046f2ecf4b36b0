// The meshes read back from their .x text: subsets as the prop table expects, collision parts
// closed and facing outwards with flat normals, sizes that fit the house, and skinned models
// that load for shader skinning with animations that loop.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "LevelRenderer.h"
#include "game_world_support.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "skinmesh.h"

namespace {

std::string ReadGeneratedText(const std::string& rel) {
    quiltest::GeneratedAssetFolder("assets_test");
    const std::vector<uint8_t> b = quiltest::ReadBytes(rel);
    return std::string(b.begin(), b.end());
}

// Splits .x text into words, numbers, braces and quoted names (separators dropped; the generated
// names hold no spaces).
std::vector<std::string> Tokens(const std::string& text) {
    std::string spaced;
    for (char c : text) {
        if (c == ';' || c == ',') spaced += ' ';
        else if (c == '{' || c == '}') spaced += std::string(" ") + c + " ";
        else spaced += c;
    }
    std::istringstream in(spaced);
    std::vector<std::string> out;
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

struct V { float x, y, z; };

struct XMesh {
    std::vector<V> pos, nrm;
    std::vector<std::array<int, 3>> faces;
    std::vector<int> material;  // per face
    int materials = 0;
};

// Reads the first Mesh of a file as this project writes them.
XMesh ReadMesh(const std::string& text) {
    XMesh m;
    const std::vector<std::string> t = Tokens(text);
    size_t i = 0;
    while (i < t.size() && t[i] != "Mesh") ++i;
    if (i + 3 >= t.size()) return m;
    i += 3;  // "Mesh" name "{"
    auto num = [&]() { return std::stof(t[i++]); };
    const int nv = static_cast<int>(num());
    for (int k = 0; k < nv; ++k) m.pos.push_back({num(), num(), num()});
    const int nf = static_cast<int>(num());
    for (int k = 0; k < nf; ++k) {
        ++i;  // 3
        m.faces.push_back({static_cast<int>(num()), static_cast<int>(num()), static_cast<int>(num())});
    }
    while (i < t.size() && t[i] != "MeshNormals") ++i;
    i += 2;
    const int nn = static_cast<int>(num());
    for (int k = 0; k < nn; ++k) m.nrm.push_back({num(), num(), num()});
    while (i < t.size() && t[i] != "MeshMaterialList") ++i;
    i += 2;
    m.materials = static_cast<int>(num());
    const int nidx = static_cast<int>(num());
    for (int k = 0; k < nidx; ++k) m.material.push_back(static_cast<int>(num()));
    return m;
}

V Sub(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V Cross(V a, V b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Skinned models need vertex shaders, which this device creates (numbered from 1).
struct ShaderDevice : quiltest::RecordingDevice {
    DWORD nextShader = 1;
    HRESULT CreateVertexShader(const DWORD*, const DWORD*, DWORD* handle, DWORD) override {
        *handle = nextShader++;
        return D3D_OK;
    }
};

}  // namespace

// Props fit a node and the room; their collision parts are closed (every edge shared by two faces
// running opposite ways), flat-shaded and facing outwards, so segments entering them are caught;
// only solid props have them.
TEST(PropMeshes, FitTheRoomWithClosedFlatOutwardCollisionParts) {
    for (uint32_t type = 0; type < NUM_DETAIL_OBJECT_TYPES; ++type) {
        const DetailObjectTypeDesc& row = *GetDetailObjectTypeDesc(type);
        SCOPED_TRACE(row.meshFile);
        const XMesh m = ReadMesh(ReadGeneratedText(row.meshFile));
        ASSERT_EQ(m.materials, int(row.subsetCount));
        ASSERT_EQ(m.material.size(), m.faces.size());
        for (const V& p : m.pos) {
            EXPECT_GE(p.y, -10.01f) << "below the floor";
            EXPECT_LE(p.y, 30.01f) << "above the ceiling";
            EXPECT_LE(std::fabs(p.x), 18.0f);
            EXPECT_LE(std::fabs(p.z), 18.0f);
        }
        std::map<std::array<long, 6>, int> edges;
        auto key = [&](int a, int b) {
            const V& p = m.pos[a];
            const V& q = m.pos[b];
            return std::array<long, 6>{std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000),
                                       std::lround(q.x * 1000), std::lround(q.y * 1000), std::lround(q.z * 1000)};
        };
        double volume = 0;
        int faces = 0;
        for (size_t f = 0; f < m.faces.size(); ++f) {
            if (row.subsetFlags[m.material[f]] & SUBSET_NOCOLLIDE) continue;
            ++faces;
            const auto& t = m.faces[f];
            const V a = m.pos[t[0]], b = m.pos[t[1]], c = m.pos[t[2]];
            const V n = Cross(Sub(b, a), Sub(c, a));
            const float len = std::sqrt(Dot(n, n));
            ASSERT_GT(len, 1e-6f) << "degenerate collision face " << f;
            for (int k : t) {
                const V& vn = m.nrm[k];
                EXPECT_GT(Dot(vn, n) / len, 0.99f) << "face " << f;
            }
            volume += Dot(a, Cross(b, c)) / 6.0;
            for (int k = 0; k < 3; ++k) ++edges[key(t[k], t[(k + 1) % 3])];
        }
        if (faces == 0) continue;
        EXPECT_TRUE(row.solid);
        EXPECT_GT(volume, 0.0) << "faces inwards";
        for (const auto& [e, count] : edges) {
            const std::array<long, 6> back = {e[3], e[4], e[5], e[0], e[1], e[2]};
            const auto it = edges.find(back);
            EXPECT_TRUE(it != edges.end() && it->second == count) << "open or doubled edge";
        }
    }
}

// Skinned models load and convert for shader skinning without a trap (the loader refuses bad keys
// and animations without a target); weights sum to one, keys rise in time and each track ends where
// it began.
TEST(SkinnedModels, LoadForShaderSkinningAndLoopSmoothly) {
    quiltest::GeneratedAssetFolder("assets_test");
    quiltest::StartRecordingBoxes();
    ShaderDevice device;
    D3DCAPS8 caps = device.caps;
    caps.VertexShaderVersion = 0xFFFE0101;
    RenderDevice_Bind(&device, caps, device.backBuffer);
    for (const char* f : {"gfx/tiny.x", "gfx/goblin.x", "gfx/snowman.x"}) {
        SCOPED_TRACE(f);
        SkinMesh model;
        ASSERT_EQ(model.LoadMeshHierarchy(f), S_OK);
        ASSERT_NE(model.GetElements(), nullptr);
        const std::string text = ReadGeneratedText(f);
        const std::vector<std::string> t = Tokens(text);
        std::vector<float> weight(ReadMesh(text).pos.size(), 0.0f);
        // Data objects only: the file also declares the skinning templates by the same names.
        for (size_t k = 1; k + 2 < t.size(); ++k) {
            if (t[k] != "SkinWeights" || t[k - 1] == "template") continue;
            const int n = std::stoi(t[k + 3]);
            for (int w = 0; w < n; ++w) {
                const int v = std::stoi(t[k + 4 + w]);
                ASSERT_LT(v, static_cast<int>(weight.size()));
                weight[v] += std::stof(t[k + 4 + n + w]);
            }
        }
        for (size_t v = 0; v < weight.size(); ++v) EXPECT_NEAR(weight[v], 1.0f, 1e-3f) << "vertex " << v;
        const auto loops = [](const auto* keys, uint32_t n, auto values) {
            ASSERT_GE(n, 2u);
            for (uint32_t k = 1; k < n; ++k) EXPECT_GT(keys[k].time, keys[k - 1].time);
            const std::vector<float> first = values(keys[0]), last = values(keys[n - 1]);
            for (size_t q = 0; q < first.size(); ++q) EXPECT_NEAR(first[q], last[q], 1e-4f) << "loop does not close";
        };
        ASSERT_NE(model.GetElements()->pAnimations, nullptr);
        for (SkinFrame* a = model.GetElements()->pAnimations; a; a = a->pNextAnimation) {
            EXPECT_NE(a->pTarget, nullptr);
            EXPECT_GT(a->uNumRotateKeys + a->uNumPositionKeys, 0u);
            EXPECT_EQ(a->uNumScaleKeys + a->uNumMatrixKeys, 0u);
            if (a->uNumRotateKeys)
                loops(a->pRotateKeys, a->uNumRotateKeys, [](const RotateKey& r) { return std::vector<float>{r.x, r.y, r.z, r.w}; });
            if (a->uNumPositionKeys)
                loops(a->pPositionKeys, a->uNumPositionKeys, [](const PositionKey& p) {
                    return std::vector<float>{p.position.x, p.position.y, p.position.z};
                });
        }
        model.InvalidateDeviceObjects();
    }
    EXPECT_EQ(quiltest::MessageBoxTexts(), std::vector<std::string>{});
    RenderDevice_Unbind();
}
