// ID3DXMesh: a triangle mesh in a vertex and an index buffer of the device, with a per-face
// attribute buffer and an attribute table.
#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "quil_com.h"
#include "d3dx_internal.h"
#include "xmesh_internal.h"

namespace quil_d3dx {

namespace {

constexpr DWORD kNone = 0xFFFFFFFFu;
constexpr DWORD kMeshOptionBits = 0x1FFFF;

DWORD bufferUsage(DWORD options, bool vertex) {
    DWORD usage = 0;
    if (options & (vertex ? D3DXMESH_VB_WRITEONLY : D3DXMESH_IB_WRITEONLY)) usage |= D3DUSAGE_WRITEONLY;
    if (options & (vertex ? D3DXMESH_VB_DYNAMIC : D3DXMESH_IB_DYNAMIC)) usage |= D3DUSAGE_DYNAMIC;
    if (options & (vertex ? D3DXMESH_VB_SOFTWAREPROCESSING : D3DXMESH_IB_SOFTWAREPROCESSING))
        usage |= D3DUSAGE_SOFTWAREPROCESSING;
    if (options & D3DXMESH_DONOTCLIP) usage |= D3DUSAGE_DONOTCLIP;
    if (options & D3DXMESH_POINTS) usage |= D3DUSAGE_POINTS;
    if (options & D3DXMESH_RTPATCHES) usage |= D3DUSAGE_RTPATCHES;
    if (options & D3DXMESH_NPATCHES) usage |= D3DUSAGE_NPATCHES;
    return usage;
}

D3DPOOL bufferPool(DWORD options, bool vertex) {
    if (options & (vertex ? D3DXMESH_VB_SYSTEMMEM : D3DXMESH_IB_SYSTEMMEM)) return D3DPOOL_SYSTEMMEM;
    if (options & (vertex ? D3DXMESH_VB_MANAGED : D3DXMESH_IB_MANAGED)) return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

class MeshImpl final : public quil_com::RefCounted<ID3DXMesh> {
public:
    MeshImpl(IDirect3DDevice8* device, DWORD options, DWORD fvf) : device_(device), options_(options), fvf_(fvf) {
        device_->AddRef();
        layout_ = LayoutOf(fvf);
    }
    ~MeshImpl() override {
        if (vb_) vb_->Release();
        if (ib_) ib_->Release();
        device_->Release();
    }

    // Creates the buffers and fills them from data.
    HRESULT init(const MeshData& data) {
        numVertices_ = data.numVertices;
        numFaces_ = DWORD(data.indices.size() / 3);
        if (numVertices_ > 0xFFFF) options_ |= D3DXMESH_32BIT;
        attributes_ = data.attributes;
        attributes_.resize(numFaces_, 0);
        pointReps_ = data.pointReps;
        if (pointReps_.size() != numVertices_) {
            pointReps_.resize(numVertices_);
            for (DWORD i = 0; i < numVertices_; ++i) pointReps_[i] = i;
        }
        table_ = data.table;
        HRESULT hr = writeVertices(data.vertices.data(), numVertices_);
        if (FAILED(hr)) return hr;
        return writeIndices(data.indices);
    }

    HRESULT writeVertices(const BYTE* bytes, DWORD count) {
        if (vb_) {
            vb_->Release();
            vb_ = nullptr;
        }
        const UINT size = std::max<UINT>(1, count * layout_.stride);
        HRESULT hr = device_->CreateVertexBuffer(size, bufferUsage(options_, true), fvf_, bufferPool(options_, true), &vb_);
        if (FAILED(hr)) return hr;
        BYTE* p = nullptr;
        hr = vb_->Lock(0, 0, &p, 0);
        if (FAILED(hr)) return hr;
        if (count) std::memcpy(p, bytes, size_t(count) * layout_.stride);
        return vb_->Unlock();
    }

    HRESULT writeIndices(const std::vector<DWORD>& indices) {
        const bool wide = (options_ & D3DXMESH_32BIT) != 0;
        if (!ib_) {
            const UINT size = std::max<UINT>(2, UINT(indices.size()) * (wide ? 4 : 2));
            HRESULT hr = device_->CreateIndexBuffer(size, bufferUsage(options_, false), wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                                    bufferPool(options_, false), &ib_);
            if (FAILED(hr)) return hr;
        }
        BYTE* p = nullptr;
        HRESULT hr = ib_->Lock(0, 0, &p, 0);
        if (FAILED(hr)) return hr;
        for (size_t i = 0; i < indices.size(); ++i) {
            if (wide) {
                std::memcpy(p + i * 4, &indices[i], 4);
            } else {
                const WORD w = WORD(indices[i]);
                std::memcpy(p + i * 2, &w, 2);
            }
        }
        return ib_->Unlock();
    }

    HRESULT read(MeshData& out) {
        out.fvf = fvf_;
        out.numVertices = numVertices_;
        out.vertices.assign(size_t(numVertices_) * layout_.stride, 0);
        out.indices.assign(size_t(numFaces_) * 3, 0);
        BYTE* p = nullptr;
        HRESULT hr = vb_->Lock(0, 0, &p, D3DLOCK_READONLY);
        if (FAILED(hr)) return hr;
        if (!out.vertices.empty()) std::memcpy(out.vertices.data(), p, out.vertices.size());
        vb_->Unlock();
        hr = ib_->Lock(0, 0, &p, D3DLOCK_READONLY);
        if (FAILED(hr)) return hr;
        const bool wide = (options_ & D3DXMESH_32BIT) != 0;
        for (size_t i = 0; i < out.indices.size(); ++i) {
            if (wide) {
                std::memcpy(&out.indices[i], p + i * 4, 4);
            } else {
                WORD w;
                std::memcpy(&w, p + i * 2, 2);
                out.indices[i] = w;
            }
        }
        ib_->Unlock();
        out.attributes = attributes_;
        out.pointReps = pointReps_;
        out.table = table_;
        return S_OK;
    }

    HRESULT QueryInterface(REFIID iid, void** out) override {
        return quil_com::Answer(static_cast<ID3DXMesh*>(this), iid, out, IID_ID3DXBaseMesh, IID_ID3DXMesh);
    }

    HRESULT DrawSubset(DWORD attribId) override {
        HRESULT hr = device_->SetStreamSource(0, vb_, layout_.stride);
        if (SUCCEEDED(hr)) hr = device_->SetIndices(ib_, 0);
        if (SUCCEEDED(hr)) hr = device_->SetVertexShader(fvf_);
        if (FAILED(hr)) return hr;
        if (!table_.empty()) {
            for (const D3DXATTRIBUTERANGE& r : table_) {
                if (r.AttribId != attribId || r.FaceCount == 0) continue;
                hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, r.VertexStart, r.VertexCount, r.FaceStart * 3,
                                                   r.FaceCount);
                if (FAILED(hr)) return hr;
            }
            return S_OK;
        }
        // Without a table: each run of consecutive faces with the attribute.
        for (DWORD f = 0; f < numFaces_;) {
            if (attributes_[f] != attribId) {
                ++f;
                continue;
            }
            DWORD end = f;
            while (end < numFaces_ && attributes_[end] == attribId) ++end;
            hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, numVertices_, f * 3, end - f);
            if (FAILED(hr)) return hr;
            f = end;
        }
        return S_OK;
    }
    DWORD GetNumFaces() override { return numFaces_; }
    DWORD GetNumVertices() override { return numVertices_; }
    DWORD GetFVF() override { return fvf_; }
    HRESULT GetDeclaration(DWORD declaration[MAX_FVF_DECL_SIZE]) override {
        return D3DXDeclaratorFromFVF(fvf_, declaration);
    }
    DWORD GetOptions() override { return options_; }
    HRESULT GetDevice(LPDIRECT3DDEVICE8* device) override {
        if (!device) return D3DERR_INVALIDCALL;
        device_->AddRef();
        *device = device_;
        return S_OK;
    }
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, LPDIRECT3DDEVICE8 device, LPD3DXMESH* clone) override {
        if (!clone || !device || !FvfSupported(fvf)) return D3DERR_INVALIDCALL;
        *clone = nullptr;
        MeshData src;
        HRESULT hr = read(src);
        if (FAILED(hr)) return hr;
        const VertexLayout to = LayoutOf(fvf);
        MeshData dst = src;
        dst.fvf = fvf;
        dst.vertices.assign(size_t(numVertices_) * to.stride, 0);
        for (DWORD v = 0; v < numVertices_; ++v)
            ConvertVertex(src.vertices.data() + size_t(v) * layout_.stride, layout_,
                          dst.vertices.data() + size_t(v) * to.stride, to);
        return CreateMesh(dst, options, device, clone);
    }
    HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* vb) override {
        if (!vb) return D3DERR_INVALIDCALL;
        vb_->AddRef();
        *vb = vb_;
        return S_OK;
    }
    HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* ib) override {
        if (!ib) return D3DERR_INVALIDCALL;
        ib_->AddRef();
        *ib = ib_;
        return S_OK;
    }
    HRESULT LockVertexBuffer(DWORD flags, BYTE** data) override {
        if (!data) return D3DERR_INVALIDCALL;
        return vb_->Lock(0, 0, data, flags);
    }
    HRESULT UnlockVertexBuffer() override { return vb_->Unlock(); }
    HRESULT LockIndexBuffer(DWORD flags, BYTE** data) override {
        if (!data) return D3DERR_INVALIDCALL;
        return ib_->Lock(0, 0, data, flags);
    }
    HRESULT UnlockIndexBuffer() override { return ib_->Unlock(); }
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override {
        if (!size) return D3DERR_INVALIDCALL;
        if (table) std::copy(table_.begin(), table_.end(), table);
        *size = DWORD(table_.size());
        return S_OK;
    }
    HRESULT LockAttributeBuffer(DWORD, DWORD** data) override {
        if (!data) return D3DERR_INVALIDCALL;
        *data = attributes_.empty() ? nullptr : attributes_.data();
        return S_OK;
    }
    HRESULT UnlockAttributeBuffer() override { return S_OK; }
    HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                            LPD3DXBUFFER* vertexRemap) override;

private:
    IDirect3DDevice8* device_;
    DWORD options_;
    DWORD fvf_;
    VertexLayout layout_;
    DWORD numVertices_ = 0, numFaces_ = 0;
    IDirect3DVertexBuffer8* vb_ = nullptr;
    IDirect3DIndexBuffer8* ib_ = nullptr;
    std::vector<DWORD> attributes_;
    std::vector<DWORD> pointReps_;
    std::vector<D3DXATTRIBUTERANGE> table_;

    friend HRESULT quil_d3dx::ReadMesh(ID3DXMesh*, MeshData&);
};

HRESULT MeshImpl::OptimizeInplace(DWORD flags, const DWORD*, DWORD* adjacencyOut, DWORD* faceRemap,
                                  LPD3DXBUFFER* vertexRemap) {
    if (vertexRemap) *vertexRemap = nullptr;
    MeshData d;
    HRESULT hr = read(d);
    if (FAILED(hr)) return hr;
    const DWORD faces = numFaces_;
    for (DWORD idx : d.indices)
        if (idx >= numVertices_) return D3DXERR_INVALIDMESH;

    // Faces: sorted by attribute (stable) for ATTRSORT and VERTEXCACHE.
    std::vector<DWORD> faceOrder(faces);
    for (DWORD f = 0; f < faces; ++f) faceOrder[f] = f;
    const bool sort = (flags & (D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) != 0;
    if (sort)
        std::stable_sort(faceOrder.begin(), faceOrder.end(),
                         [&](DWORD a, DWORD b) { return d.attributes[a] < d.attributes[b]; });

    // Vertices: in order of first use for VERTEXCACHE, unused ones dropped for COMPACT.
    std::vector<DWORD> newOf(numVertices_, kNone);
    std::vector<DWORD> oldOf;
    oldOf.reserve(numVertices_);
    if (flags & D3DXMESHOPT_VERTEXCACHE) {
        for (DWORD f : faceOrder)
            for (int k = 0; k < 3; ++k) {
                DWORD v = d.indices[size_t(f) * 3 + size_t(k)];
                if (newOf[v] == kNone) {
                    newOf[v] = DWORD(oldOf.size());
                    oldOf.push_back(v);
                }
            }
    } else {
        std::vector<bool> used(numVertices_, !(flags & D3DXMESHOPT_COMPACT));
        for (DWORD idx : d.indices) used[idx] = true;
        for (DWORD v = 0; v < numVertices_; ++v)
            if (used[v]) {
                newOf[v] = DWORD(oldOf.size());
                oldOf.push_back(v);
            }
    }
    if (!(flags & D3DXMESHOPT_COMPACT))
        for (DWORD v = 0; v < numVertices_; ++v)
            if (newOf[v] == kNone) {
                newOf[v] = DWORD(oldOf.size());
                oldOf.push_back(v);
            }

    std::vector<DWORD> indices(d.indices.size());
    std::vector<DWORD> attributes(faces);
    for (DWORD nf = 0; nf < faces; ++nf) {
        const DWORD of = faceOrder[nf];
        for (int k = 0; k < 3; ++k) indices[size_t(nf) * 3 + size_t(k)] = newOf[d.indices[size_t(of) * 3 + size_t(k)]];
        attributes[nf] = d.attributes[of];
    }
    std::vector<BYTE> vertices(oldOf.size() * layout_.stride);
    std::vector<DWORD> reps(oldOf.size());
    for (size_t nv = 0; nv < oldOf.size(); ++nv) {
        std::memcpy(vertices.data() + nv * layout_.stride, d.vertices.data() + size_t(oldOf[nv]) * layout_.stride,
                    layout_.stride);
        reps[nv] = pointReps_[oldOf[nv]];
    }
    if (oldOf.size() != numVertices_) {
        hr = writeVertices(vertices.data(), DWORD(oldOf.size()));
        if (FAILED(hr)) return hr;
        numVertices_ = DWORD(oldOf.size());
    } else {
        BYTE* p = nullptr;
        hr = vb_->Lock(0, 0, &p, 0);
        if (FAILED(hr)) return hr;
        if (!vertices.empty()) std::memcpy(p, vertices.data(), vertices.size());
        vb_->Unlock();
    }
    hr = writeIndices(indices);
    if (FAILED(hr)) return hr;
    attributes_ = attributes;
    pointReps_ = reps;
    if (sort) table_ = BuildAttributeTable(indices, attributes);

    if (faceRemap) std::copy(faceOrder.begin(), faceOrder.end(), faceRemap);
    if (vertexRemap) *vertexRemap = MakeBuffer(oldOf.data(), oldOf.size() * sizeof(DWORD));
    if (adjacencyOut) {
        std::vector<DWORD> adj = ComputeAdjacency(indices, pointReps_);
        std::copy(adj.begin(), adj.end(), adjacencyOut);
    }
    return S_OK;
}

}  // namespace

VertexLayout LayoutOf(DWORD fvf) {
    VertexLayout l;
    UINT off = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ: off = 12; break;
    case D3DFVF_XYZRHW: off = 16; break;
    default:
        if ((fvf & D3DFVF_POSITION_MASK) >= D3DFVF_XYZB1) {
            const UINT betas = ((fvf & D3DFVF_POSITION_MASK) - 4) / 2;
            off = 12;
            l.weights = (fvf & D3DFVF_LASTBETA_UBYTE4) ? betas - 1 : betas;
            l.weightOffset = int(off);
            off += l.weights * 4;
            if (fvf & D3DFVF_LASTBETA_UBYTE4) {
                l.indicesOffset = int(off);
                off += 4;
            }
        }
        break;
    }
    if (fvf & D3DFVF_NORMAL) { l.normal = int(off); off += 12; }
    if (fvf & D3DFVF_PSIZE) { l.psize = int(off); off += 4; }
    if (fvf & D3DFVF_DIFFUSE) { l.diffuse = int(off); off += 4; }
    if (fvf & D3DFVF_SPECULAR) { l.specular = int(off); off += 4; }
    l.texCount = std::min<UINT>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT, 8);
    for (UINT i = 0; i < l.texCount; ++i) {
        static const UINT sizes[4] = {8, 12, 16, 4};
        l.tex[i] = int(off);
        l.texSize[i] = sizes[(fvf >> (16 + 2 * i)) & 3];
        off += l.texSize[i];
    }
    l.stride = off;
    return l;
}

bool FvfSupported(DWORD fvf) {
    const DWORD pos = fvf & D3DFVF_POSITION_MASK;
    if (pos == 0 || pos == D3DFVF_XYZRHW) return false;
    if (((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) > 8) return false;
    if ((fvf & D3DFVF_LASTBETA_UBYTE4) && pos < D3DFVF_XYZB1) return false;
    return true;
}

void ConvertVertex(const BYTE* src, const VertexLayout& from, BYTE* dst, const VertexLayout& to) {
    std::memcpy(dst, src, 12);
    if (from.weightOffset >= 0 && to.weightOffset >= 0)
        std::memcpy(dst + to.weightOffset, src + from.weightOffset, 4 * std::min(from.weights, to.weights));
    if (from.indicesOffset >= 0 && to.indicesOffset >= 0) std::memcpy(dst + to.indicesOffset, src + from.indicesOffset, 4);
    if (from.normal >= 0 && to.normal >= 0) std::memcpy(dst + to.normal, src + from.normal, 12);
    if (from.psize >= 0 && to.psize >= 0) std::memcpy(dst + to.psize, src + from.psize, 4);
    if (from.diffuse >= 0 && to.diffuse >= 0) std::memcpy(dst + to.diffuse, src + from.diffuse, 4);
    if (from.specular >= 0 && to.specular >= 0) std::memcpy(dst + to.specular, src + from.specular, 4);
    for (UINT i = 0; i < std::min(from.texCount, to.texCount); ++i)
        std::memcpy(dst + to.tex[i], src + from.tex[i], std::min(from.texSize[i], to.texSize[i]));
}

HRESULT CreateMesh(const MeshData& data, DWORD options, IDirect3DDevice8* device, ID3DXMesh** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!device || !FvfSupported(data.fvf)) return D3DERR_INVALIDCALL;
    if (data.vertices.size() != size_t(data.numVertices) * LayoutOf(data.fvf).stride || data.indices.size() % 3)
        return D3DERR_INVALIDCALL;
    MeshImpl* mesh = new (std::nothrow) MeshImpl(device, options & kMeshOptionBits, data.fvf);
    if (!mesh) return E_OUTOFMEMORY;
    HRESULT hr = mesh->init(data);
    if (FAILED(hr)) {
        mesh->Release();
        return hr;
    }
    *out = mesh;
    return S_OK;
}

HRESULT ReadMesh(ID3DXMesh* mesh, MeshData& out) {
    MeshImpl* impl = dynamic_cast<MeshImpl*>(mesh);
    if (!impl) return D3DERR_INVALIDCALL;
    return impl->read(out);
}

std::vector<DWORD> ComputeAdjacency(const std::vector<DWORD>& indices, const std::vector<DWORD>& pointReps) {
    const size_t faces = indices.size() / 3;
    std::vector<DWORD> adj(faces * 3, kNone);
    auto rep = [&](DWORD v) { return v < pointReps.size() ? pointReps[v] : v; };
    std::unordered_map<uint64_t, DWORD> edges;
    edges.reserve(faces * 3);
    for (size_t f = 0; f < faces; ++f)
        for (int k = 0; k < 3; ++k) {
            const uint64_t a = rep(indices[f * 3 + size_t(k)]), b = rep(indices[f * 3 + size_t((k + 1) % 3)]);
            edges.emplace(a << 32 | b, DWORD(f));
        }
    for (size_t f = 0; f < faces; ++f)
        for (int k = 0; k < 3; ++k) {
            const uint64_t a = rep(indices[f * 3 + size_t(k)]), b = rep(indices[f * 3 + size_t((k + 1) % 3)]);
            auto it = edges.find(b << 32 | a);
            if (it != edges.end() && it->second != f) adj[f * 3 + size_t(k)] = it->second;
        }
    return adj;
}

std::vector<D3DXATTRIBUTERANGE> BuildAttributeTable(const std::vector<DWORD>& indices,
                                                    const std::vector<DWORD>& attributes) {
    std::vector<D3DXATTRIBUTERANGE> table;
    for (DWORD f = 0; f < attributes.size(); ++f) {
        if (table.empty() || table.back().AttribId != attributes[f])
            table.push_back({attributes[f], f, 0, kNone, 0});
        D3DXATTRIBUTERANGE& r = table.back();
        ++r.FaceCount;
        DWORD lo = r.VertexStart, hi = r.VertexCount ? r.VertexStart + r.VertexCount - 1 : 0;
        for (int k = 0; k < 3; ++k) {
            const DWORD v = indices[size_t(f) * 3 + size_t(k)];
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        r.VertexStart = lo;
        r.VertexCount = hi - lo + 1;
    }
    return table;
}

}  // namespace quil_d3dx

HRESULT D3DXDeclaratorFromFVF(DWORD fvf, DWORD declarator[MAX_FVF_DECL_SIZE]) {
    if (!declarator || !quil_d3dx::FvfSupported(fvf)) return D3DERR_INVALIDCALL;
    const quil_d3dx::VertexLayout l = quil_d3dx::LayoutOf(fvf);
    if (l.weights > 4) return D3DERR_INVALIDCALL;  // no declaration type holds five weights
    int n = 0;
    declarator[n++] = D3DVSD_STREAM(0);
    declarator[n++] = D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3);
    if (l.weights > 0) declarator[n++] = D3DVSD_REG(D3DVSDE_BLENDWEIGHT, D3DVSDT_FLOAT1 + (l.weights - 1));
    if (l.indicesOffset >= 0) declarator[n++] = D3DVSD_REG(D3DVSDE_BLENDINDICES, D3DVSDT_UBYTE4);
    if (l.normal >= 0) declarator[n++] = D3DVSD_REG(D3DVSDE_NORMAL, D3DVSDT_FLOAT3);
    if (l.psize >= 0) declarator[n++] = D3DVSD_REG(D3DVSDE_PSIZE, D3DVSDT_FLOAT1);
    if (l.diffuse >= 0) declarator[n++] = D3DVSD_REG(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR);
    if (l.specular >= 0) declarator[n++] = D3DVSD_REG(D3DVSDE_SPECULAR, D3DVSDT_D3DCOLOR);
    static const DWORD texTypes[4] = {D3DVSDT_FLOAT2, D3DVSDT_FLOAT3, D3DVSDT_FLOAT4, D3DVSDT_FLOAT1};
    for (UINT i = 0; i < l.texCount && n < MAX_FVF_DECL_SIZE - 1; ++i)
        declarator[n++] = D3DVSD_REG(D3DVSDE_TEXCOORD0 + i, texTypes[(fvf >> (16 + 2 * i)) & 3]);
    declarator[n++] = D3DVSD_END();
    return S_OK;
}
