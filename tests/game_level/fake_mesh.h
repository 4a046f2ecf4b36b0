// A mesh held in plain arrays, for building collision meshes without a device.
#pragma once
#include <cstring>
#include <vector>

#include "d3dx8mesh.h"
#include "quilmath.h"
#include "windows.h"

namespace level_test {

// 32-byte vertices (position, normal, uv), 16-bit indices, a range per subset.
class FakeMesh : public ID3DXMesh {
public:
    struct V {
        Vec3 p, n;
    };
    std::vector<V> verts;
    std::vector<uint16_t> indices;
    std::vector<D3DXATTRIBUTERANGE> ranges;
    std::vector<BYTE> vb;

    // Adds a triangle with one normal for its three corners, in subset attrib.
    void Tri(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& n, DWORD attrib = 0) {
        const uint16_t base = static_cast<uint16_t>(verts.size());
        verts.push_back({a, n});
        verts.push_back({b, n});
        verts.push_back({c, n});
        const DWORD face = static_cast<DWORD>(indices.size() / 3);
        for (uint16_t k = 0; k < 3; ++k) indices.push_back(static_cast<uint16_t>(base + k));
        if (ranges.empty() || ranges.back().AttribId != attrib) ranges.push_back({attrib, face, 0, 0, 0});
        ranges.back().FaceCount++;
    }

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT DrawSubset(DWORD) override { return S_OK; }
    DWORD GetNumFaces() override { return static_cast<DWORD>(indices.size() / 3); }
    DWORD GetNumVertices() override { return static_cast<DWORD>(verts.size()); }
    DWORD GetFVF() override { return 0x112; }
    HRESULT GetDeclaration(DWORD*) override { return E_FAIL; }
    DWORD GetOptions() override { return 0; }
    HRESULT GetDevice(LPDIRECT3DDEVICE8*) override { return E_FAIL; }
    HRESULT CloneMeshFVF(DWORD, DWORD, LPDIRECT3DDEVICE8, LPD3DXMESH*) override { return E_FAIL; }
    HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8*) override { return E_FAIL; }
    HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8*) override { return E_FAIL; }
    HRESULT LockVertexBuffer(DWORD, BYTE** data) override {
        vb.assign(verts.size() * 32, 0);
        for (size_t i = 0; i < verts.size(); ++i) {
            std::memcpy(&vb[i * 32], &verts[i].p, 12);
            std::memcpy(&vb[i * 32 + 12], &verts[i].n, 12);
        }
        *data = vb.data();
        return S_OK;
    }
    HRESULT UnlockVertexBuffer() override { return S_OK; }
    HRESULT LockIndexBuffer(DWORD, BYTE** data) override {
        *data = reinterpret_cast<BYTE*>(indices.data());
        return S_OK;
    }
    HRESULT UnlockIndexBuffer() override { return S_OK; }
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override {
        if (table) std::memcpy(table, ranges.data(), ranges.size() * sizeof(D3DXATTRIBUTERANGE));
        *size = static_cast<DWORD>(ranges.size());
        return S_OK;
    }
    HRESULT LockAttributeBuffer(DWORD, DWORD**) override { return E_FAIL; }
    HRESULT UnlockAttributeBuffer() override { return S_OK; }
    HRESULT OptimizeInplace(DWORD, const DWORD*, DWORD*, DWORD*, LPD3DXBUFFER*) override { return E_FAIL; }
};

}  // namespace level_test
