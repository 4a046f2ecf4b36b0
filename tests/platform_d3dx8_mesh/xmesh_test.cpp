// Meshes from .x files: vertex splitting, frames' transforms, materials, adjacency, the
// attribute table, optimisation and drawing, on an in-memory device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "mesh_support.h"

namespace {

struct Vertex {
    float x, y, z, nx, ny, nz, u, v;
};

std::vector<Vertex> vertices(ID3DXMesh* m) {
    EXPECT_EQ(m->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    BYTE* p = nullptr;
    EXPECT_EQ(m->LockVertexBuffer(D3DLOCK_READONLY, &p), D3D_OK);
    std::vector<Vertex> out(m->GetNumVertices());
    std::memcpy(out.data(), p, out.size() * sizeof(Vertex));
    m->UnlockVertexBuffer();
    return out;
}

std::vector<WORD> indices(ID3DXMesh* m) {
    BYTE* p = nullptr;
    EXPECT_EQ(m->LockIndexBuffer(D3DLOCK_READONLY, &p), D3D_OK);
    std::vector<WORD> out(m->GetNumFaces() * 3);
    std::memcpy(out.data(), p, out.size() * 2);
    m->UnlockIndexBuffer();
    return out;
}

// Loads a .x text given in the test through a file in the case's working folder.
HRESULT loadText(MeshDevice& dev, const std::string& body, ID3DXMesh** mesh) {
    std::ofstream("xmesh_test_tmp.x") << "xof 0303txt 0032\n" << body;
    return D3DXLoadMeshFromX("xmesh_test_tmp.x", D3DXMESH_SYSTEMMEM, &dev, nullptr, nullptr, nullptr, mesh);
}

// One file read in steps: its vertices, materials, attributes, adjacency, then the mesh optimised and drawn.
TEST(XMesh, PropsMeshLoadsSplitsOptimisesAndDrawsSubsetsWithinTheirRanges) {
    MeshDevice dev;
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer *adjacency = nullptr, *materials = nullptr;
    DWORD numMaterials = 0;
    ASSERT_EQ(D3DXLoadMeshFromX((std::string(QUIL_TEST_DATA_DIR) + "/PROPS.X").c_str(), D3DXMESH_SYSTEMMEM, &dev,
                                &adjacency, &materials, &numMaterials, &mesh),
              D3D_OK);
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(mesh->GetIndexBuffer(&ib), D3D_OK);
    D3DINDEXBUFFER_DESC desc{};
    ib->GetDesc(&desc);
    ib->Release();
    EXPECT_EQ(desc.Format, D3DFMT_INDEX16);
    EXPECT_EQ(desc.Pool, D3DPOOL_SYSTEMMEM);
    // Top: 5 file vertices, 0 and 2 used with two normals each; Foot: a quad as two triangles.
    EXPECT_EQ(mesh->GetNumVertices(), 7u + 4u);
    EXPECT_EQ(mesh->GetNumFaces(), 4u);
    const std::vector<Vertex> v = vertices(mesh);
    const std::vector<WORD> idx = indices(mesh);
    for (size_t f = 0; f < 4; ++f) {
        // Every corner of one face has the face's normal.
        const Vertex& a = v[idx[f * 3]];
        for (int k = 1; k < 3; ++k) EXPECT_EQ(v[idx[f * 3 + k]].ny, a.ny) << f;
    }
    // Foot's vertices are moved by its frame (10, 20, 30) inside Table.
    std::set<float> footX;
    for (size_t i = 6; i < 12; ++i) {
        EXPECT_GE(v[idx[i]].y, 20.0f);
        footX.insert(v[idx[i]].x);
    }
    EXPECT_EQ(footX, (std::set<float>{10.0f, 11.0f}));
    EXPECT_FLOAT_EQ(v[idx[6]].z, 30.0f);

    ASSERT_EQ(numMaterials, 3u);
    auto* mats = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_FLOAT_EQ(mats[0].MatD3D.Diffuse.r, 0.6f);
    ASSERT_NE(mats[0].pTextureFilename, nullptr);
    EXPECT_STREQ(mats[0].pTextureFilename, "gfx\\wood.tga");
    EXPECT_EQ(mats[1].pTextureFilename, nullptr);
    EXPECT_EQ(mats[2].pTextureFilename, nullptr);  // the default material of Foot

    DWORD* attr = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attr), D3D_OK);
    EXPECT_EQ(std::vector<DWORD>(attr, attr + 4), (std::vector<DWORD>{0, 1, 2, 2}));
    mesh->UnlockAttributeBuffer();

    DWORD n = 0;
    ASSERT_EQ(mesh->GetAttributeTable(nullptr, &n), D3D_OK);
    ASSERT_EQ(n, 3u);
    D3DXATTRIBUTERANGE table[3];
    ASSERT_EQ(mesh->GetAttributeTable(table, &n), D3D_OK);
    EXPECT_EQ(table[2].AttribId, 2u);
    EXPECT_EQ(table[2].FaceStart, 2u);
    EXPECT_EQ(table[2].FaceCount, 2u);

    // Faces 0 and 1 share an edge through split vertices; Foot's two triangles share one.
    const DWORD* adj = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    ASSERT_EQ(adjacency->GetBufferSize(), 4u * 3u * 4u);
    EXPECT_EQ(std::count(adj, adj + 3, 1u), 1);
    EXPECT_EQ(std::count(adj + 3, adj + 6, 0u), 1);
    EXPECT_EQ(std::count(adj + 6, adj + 9, 3u), 1);
    EXPECT_EQ(std::count(adj, adj + 12, 0xFFFFFFFFu), 8);

    DWORD faceRemap[4];
    ID3DXBuffer* vertexRemap = nullptr;
    ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE, nullptr,
                                    nullptr, faceRemap, &vertexRemap),
              D3D_OK);
    EXPECT_EQ(mesh->GetNumVertices(), 10u);  // the unused file vertex is gone
    ASSERT_NE(vertexRemap, nullptr);
    const DWORD* remap = static_cast<const DWORD*>(vertexRemap->GetBufferPointer());
    const std::vector<Vertex> after = vertices(mesh);
    for (DWORD i = 0; i < 10; ++i) EXPECT_FLOAT_EQ(after[i].x, v[remap[i]].x);
    vertexRemap->Release();
    EXPECT_EQ(std::vector<DWORD>(faceRemap, faceRemap + 4), (std::vector<DWORD>{0, 1, 2, 3}));

    n = 3;
    ASSERT_EQ(mesh->GetAttributeTable(table, &n), D3D_OK);
    const std::vector<WORD> sorted = indices(mesh);
    for (const D3DXATTRIBUTERANGE& r : table)
        for (DWORD i = r.FaceStart * 3; i < (r.FaceStart + r.FaceCount) * 3; ++i) {
            EXPECT_GE(sorted[i], r.VertexStart);
            EXPECT_LT(sorted[i], r.VertexStart + r.VertexCount);
        }

    dev.Clear();
    ASSERT_EQ(mesh->DrawSubset(2), D3D_OK);
    ASSERT_EQ(dev.draws.size(), 1u);
    unsigned start = 0, count = 0;
    ASSERT_EQ(std::sscanf(dev.Matching("DrawIndexed ")[0].c_str(), "DrawIndexed %*d %*u %*u %u %u", &start, &count), 2);
    EXPECT_EQ(start, 6u);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(dev.vertexShader, DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    EXPECT_NE(dev.stream, nullptr);
    ASSERT_EQ(mesh->DrawSubset(7), D3D_OK);
    EXPECT_EQ(dev.draws.size(), 1u);
    EXPECT_EQ(mesh->Release(), 0u);
    adjacency->Release();
    materials->Release();
    EXPECT_EQ(dev.liveResources, 0);
    EXPECT_EQ(dev.refs, 1u);
}

TEST(XMesh, BadMeshDataFailsWithoutLeaks) {
    const struct { const char* body; HRESULT hr; } cases[] = {
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 3;; }", 0},                      // index out of range
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2; 0, 1;; }", 0},                          // two-corner face
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;; MeshNormals { 1; 0;0;1;; 2; 3; 0,0,0;, 3; 0,0,0;; } }", 0},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;; MeshNormals { 1; 0;0;1;; 1; 3; 0,0,1;; } }", 0},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;; MeshTextureCoords { 2; 0;0;, 1;1;; } }", 0},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;; MeshMaterialList { 1; 1; 1;; } }", 0},
        {"Mesh { 0;; 0;; }", D3DXERR_LOADEDMESHASNODATA},
        {"Frame { }", D3DXERR_LOADEDMESHASNODATA},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;;", 0},                           // truncated
    };
    for (const auto& c : cases) {
        MeshDevice dev;
        ID3DXMesh* mesh = nullptr;
        const HRESULT hr = loadText(dev, c.body, &mesh);
        EXPECT_TRUE(FAILED(hr)) << c.body;
        if (c.hr) {
            EXPECT_EQ(hr, c.hr) << c.body;
        }
        EXPECT_EQ(mesh, nullptr);
        EXPECT_EQ(dev.liveResources, 0);
        EXPECT_EQ(dev.refs, 1u);
    }
    MeshDevice dev;
    dev.createVertexBufferResult = D3DERR_OUTOFVIDEOMEMORY;
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(loadText(dev, "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;; }", &mesh), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(dev.refs, 1u);
    EXPECT_EQ(D3DXLoadMeshFromX("no_such_mesh.x", 0, &dev, nullptr, nullptr, nullptr, &mesh), DXFILEERR_FILENOTFOUND);
}

}  // namespace
