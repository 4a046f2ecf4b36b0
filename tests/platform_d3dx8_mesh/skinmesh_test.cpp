// Skin meshes: bone names, offsets and weights from .x files, and the conversion into
// indexed-blended meshes split by palette size.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "blended_vertex.h"
#include "mesh_support.h"

namespace {

// The first Mesh object of a .x text (searching frames) loaded as a skin mesh.
struct SkinLoad {
    ID3DXBuffer *adjacency = nullptr, *materials = nullptr, *names = nullptr, *offsets = nullptr;
    DWORD numMaterials = 0;
    ID3DXSkinMesh* skin = nullptr;
    HRESULT hr = E_FAIL;
    SkinLoad(const std::string& text, MeshDevice& dev) {
        bool found = false;
        ForEachDataObject(reinterpret_cast<const uint8_t*>(text.data()), text.size(), [&](IDirectXFileData* obj) {
            ForEachMesh(obj, [&](IDirectXFileData* mesh) {
                if (found) return;
                found = true;
                hr = D3DXLoadSkinMeshFromXof(mesh, D3DXMESH_SYSTEMMEM, &dev, &adjacency, &materials, &numMaterials,
                                             &names, &offsets, &skin);
            });
        });
    }
    ~SkinLoad() {
        for (IUnknown* u : {(IUnknown*)adjacency, (IUnknown*)materials, (IUnknown*)names, (IUnknown*)offsets, (IUnknown*)skin})
            if (u) u->Release();
    }
};

// The (bone, weight) pairs that a converted vertex blends, read back through its palette.
std::map<DWORD, float> blendOf(const BYTE* v, DWORD influences, const D3DXBONECOMBINATION& c) {
    std::map<DWORD, float> out;
    for (const auto& [bone, w] : quiltest::BlendOf(v, influences, c))
        if (w > 1e-6f) out[bone] += w;
    return out;
}

TEST(SkinMesh, LoadsBonesAndConvertsToOnePaletteWithTheFilesWeights) {
    MeshDevice dev;
    std::ifstream file(std::string(QUIL_TEST_DATA_DIR) + "/skinned.x", std::ios::binary);
    SkinLoad s(std::string(std::istreambuf_iterator<char>(file), {}), dev);
    ASSERT_EQ(s.hr, D3D_OK);
    EXPECT_EQ(s.skin->GetNumBones(), 3u);
    EXPECT_EQ(s.skin->GetNumFaces(), 4u);
    EXPECT_STREQ(static_cast<char**>(s.names->GetBufferPointer())[2], "Foot");
    ASSERT_EQ(s.offsets->GetBufferSize(), 3u * sizeof(D3DXMATRIX));
    EXPECT_FLOAT_EQ(static_cast<D3DXMATRIX*>(s.offsets->GetBufferPointer())[2]._41, -2.0f);
    EXPECT_EQ(s.adjacency->GetBufferSize(), 4u * 12u);

    DWORD combos = 0;
    ID3DXBuffer* table = nullptr;
    ID3DXMesh* blended = nullptr;
    ID3DXBuffer* vertexRemap = nullptr;
    ASSERT_EQ(s.skin->ConvertToIndexedBlendedMesh(D3DXMESH_MANAGED | D3DXMESHOPT_VERTEXCACHE,
                                                  (DWORD*)s.adjacency->GetBufferPointer(), 28, nullptr, &combos,
                                                  &table, nullptr, &vertexRemap, &blended),
              D3D_OK);
    ASSERT_EQ(combos, 1u);
    const DWORD fvf = D3DFVF_XYZB2 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_TEX1;
    EXPECT_EQ(blended->GetFVF(), fvf);
    EXPECT_EQ(blended->GetOptions(), DWORD(D3DXMESH_MANAGED));
    auto* c = static_cast<D3DXBONECOMBINATION*>(table->GetBufferPointer());
    EXPECT_EQ(c[0].FaceCount, 4u);
    EXPECT_EQ(c[0].VertexCount, 6u);
    EXPECT_EQ(c[0].BoneId[3], 0xFFFFFFFFu);

    // Expected weights per file vertex (normalised).
    const std::map<DWORD, float> expected[6] = {
        {{0, 1.0f}}, {{0, 0.5f}, {1, 0.5f}}, {{0, 0.5f}, {1, 0.5f}}, {{0, 1.0f}}, {{1, 0.25f}, {2, 0.75f}},
        {{1, 0.25f}, {2, 0.75f}}};
    const DWORD* remap = static_cast<const DWORD*>(vertexRemap->GetBufferPointer());
    ID3DXMesh* original = nullptr;
    s.skin->GetOriginalMesh(&original);
    BYTE* ov = nullptr;
    original->LockVertexBuffer(D3DLOCK_READONLY, &ov);
    BYTE* p = nullptr;
    ASSERT_EQ(blended->LockVertexBuffer(0, &p), D3D_OK);
    for (DWORD i = 0; i < blended->GetNumVertices(); ++i) {
        const BYTE* v = p + i * D3DXGetFVFVertexSize(fvf);
        float x, ox;
        std::memcpy(&x, v, 4);
        std::memcpy(&ox, ov + remap[i] * 32, 4);
        EXPECT_FLOAT_EQ(x, ox);
        const std::map<DWORD, float> got = blendOf(v, 2, c[0]);
        const auto& want = expected[remap[i]];  // original vertices keep the file's order
        ASSERT_EQ(got.size(), want.size()) << i;
        for (const auto& [bone, w] : want) EXPECT_NEAR(got.at(bone), w, 1e-6f) << i;
    }
    blended->UnlockVertexBuffer();
    original->UnlockVertexBuffer();
    original->Release();
    vertexRemap->Release();
    table->Release();
    blended->Release();
}

// A strip of quads, each moved by its own bone: with 30 bones and palette 28 the conversion
// needs two combinations; each holds at most the palette's bones and together they hold every face.
std::string stripMesh(int bones) {
    std::string s = "xof 0303txt 0032\nMesh Strip {\n" + std::to_string((bones + 1) * 2) + ";\n";
    for (int i = 0; i <= bones; ++i)
        s += std::to_string(i) + ";0;0;," + std::to_string(i) + ";1;0;" + (i == bones ? ";" : ",");
    s += "\n" + std::to_string(bones * 2) + ";\n";
    for (int i = 0; i < bones; ++i) {
        const int a = i * 2, b = a + 1, c = a + 2, d = a + 3;
        s += "3;" + std::to_string(a) + "," + std::to_string(c) + "," + std::to_string(b) + ";,";
        s += "3;" + std::to_string(b) + "," + std::to_string(c) + "," + std::to_string(d) + ";" + (i + 1 == bones ? ";" : ",");
    }
    for (int i = 0; i < bones; ++i) {
        s += "SkinWeights { \"Bone" + std::to_string(i) + "\"; 4; ";
        s += std::to_string(i * 2) + "," + std::to_string(i * 2 + 1) + "," + std::to_string(i * 2 + 2) + "," +
             std::to_string(i * 2 + 3) + "; 0.5, 0.5, 0.5, 0.5; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }\n";
    }
    return s + "}\n";
}

TEST(SkinMesh, ManyBonesSplitIntoCombinationsWithinThePalette) {
    for (DWORD palette : {28u, 4u}) {
        MeshDevice dev;
        SkinLoad s(stripMesh(30), dev);
        ASSERT_EQ(s.hr, D3D_OK);
        ASSERT_EQ(s.skin->GetNumBones(), 30u);
        DWORD combos = 0;
        ID3DXBuffer* table = nullptr;
        ID3DXMesh* blended = nullptr;
        DWORD faceRemap[60];
        ASSERT_EQ(s.skin->ConvertToIndexedBlendedMesh(D3DXMESH_SYSTEMMEM, nullptr, palette, nullptr, &combos, &table,
                                                      faceRemap, nullptr, &blended),
                  D3D_OK);
        EXPECT_GE(combos, palette == 28 ? 2u : 10u);
        auto* c = static_cast<D3DXBONECOMBINATION*>(table->GetBufferPointer());
        std::vector<int> seen(60, 0);
        DWORD faces = 0;
        BYTE* idx = nullptr;
        blended->LockIndexBuffer(0, &idx);
        for (DWORD i = 0; i < combos; ++i) {
            DWORD used = 0;
            for (DWORD j = 0; j < palette; ++j) used += c[i].BoneId[j] != 0xFFFFFFFFu;
            EXPECT_LE(used, palette);
            EXPECT_EQ(c[i].FaceStart, faces);
            faces += c[i].FaceCount;
            for (DWORD f = c[i].FaceStart; f < c[i].FaceStart + c[i].FaceCount; ++f) {
                ++seen[faceRemap[f]];
                for (int k = 0; k < 3; ++k) {
                    WORD v;
                    std::memcpy(&v, idx + (f * 3 + k) * 2, 2);
                    EXPECT_GE(v, c[i].VertexStart);
                    EXPECT_LT(v, c[i].VertexStart + c[i].VertexCount);
                }
            }
        }
        blended->UnlockIndexBuffer();
        EXPECT_EQ(faces, 60u);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 60);
        blended->Release();
        table->Release();
    }
}

// Weights for a vertex the mesh lacks, or a short offset matrix, are refused.
TEST(SkinMesh, BadSkinWeightsAreRefused) {
    MeshDevice dev;
    for (const char* body : {
             "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,2;; SkinWeights { \"B\"; 1; 7; 1.0; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }",
             "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,2;; SkinWeights { \"B\"; 1; 0; 1.0; 1,0,0,0;; } }",
         }) {
        SkinLoad s(std::string("xof 0303txt 0032\n") + body, dev);  // refused by the parser or the loader
        EXPECT_TRUE(FAILED(s.hr)) << body;
        EXPECT_EQ(s.skin, nullptr);
    }
    EXPECT_EQ(dev.liveResources, 0);
}

}  // namespace
