// ID3DXSkinMesh: a mesh with bone weights, loaded from a .x Mesh object with SkinWeights, and its
// conversion into an indexed-blended mesh split into bone combinations.
#include <algorithm>
#include <cstring>
#include <new>

#include "quil_com.h"
#include "d3dx_internal.h"
#include "xmesh_internal.h"

namespace quil_d3dx {

namespace {

constexpr DWORD kNone = 0xFFFFFFFFu;
constexpr DWORD kMaxInfluences = 4;

struct Influence {
    DWORD bone;
    float weight;
};

class SkinMeshImpl final : public quil_com::RefCounted<ID3DXSkinMesh> {
public:
    SkinMeshImpl(ID3DXMesh* original, std::vector<BoneData> bones, DWORD fileVertices)
        : original_(original), bones_(std::move(bones)), influences_(fileVertices) {
        original_->AddRef();
        for (DWORD b = 0; b < bones_.size(); ++b) {
            const BoneData& bone = bones_[b];
            for (size_t i = 0; i < bone.vertices.size(); ++i) {
                if (!(bone.weights[i] > 0.0f)) continue;
                std::vector<Influence>& list = influences_[bone.vertices[i]];
                auto it = std::find_if(list.begin(), list.end(), [&](const Influence& x) { return x.bone == b; });
                if (it != list.end())
                    it->weight += bone.weights[i];
                else
                    list.push_back({b, bone.weights[i]});
            }
        }
        for (auto& list : influences_) {
            std::stable_sort(list.begin(), list.end(),
                             [](const Influence& a, const Influence& b) { return a.weight > b.weight; });
            maxInfluences_ = std::max<DWORD>(maxInfluences_, DWORD(list.size()));
        }
    }
    ~SkinMeshImpl() override { original_->Release(); }

    HRESULT QueryInterface(REFIID iid, void** out) override {
        return quil_com::Answer(static_cast<ID3DXSkinMesh*>(this), iid, out, IID_ID3DXSkinMesh);
    }

    DWORD GetNumBones() override { return DWORD(bones_.size()); }
    HRESULT GetOriginalMesh(LPD3DXMESH* mesh) override {
        if (!mesh) return D3DERR_INVALIDCALL;
        original_->AddRef();
        *mesh = original_;
        return S_OK;
    }
    DWORD GetNumFaces() override { return original_->GetNumFaces(); }
    DWORD GetNumVertices() override { return original_->GetNumVertices(); }
    DWORD GetFVF() override { return original_->GetFVF(); }
    DWORD GetOptions() override { return original_->GetOptions(); }
    HRESULT GetDevice(LPDIRECT3DDEVICE8* device) override { return original_->GetDevice(device); }
    HRESULT GetMaxVertexInfluences(DWORD* max) override {
        if (!max) return D3DERR_INVALIDCALL;
        *max = maxInfluences_;
        return S_OK;
    }
    HRESULT ConvertToIndexedBlendedMesh(DWORD options, const DWORD* adjacencyIn, DWORD paletteSize,
                                        DWORD* adjacencyOut, DWORD* numBoneCombinations,
                                        LPD3DXBUFFER* boneCombinationTable, DWORD* faceRemap,
                                        LPD3DXBUFFER* vertexRemap, LPD3DXMESH* mesh) override;

private:
    HRESULT InfluencesOf(const MeshData& src, std::vector<std::vector<Influence>>& vin, DWORD& maxInfl) const;

    ID3DXMesh* original_;
    std::vector<BoneData> bones_;
    std::vector<std::vector<Influence>> influences_;  // per file vertex, heaviest first
    DWORD maxInfluences_ = 0;
};

struct Combination {
    DWORD attribute;
    std::vector<DWORD> bones;
    std::vector<DWORD> faces;
};

using VertexInfluences = std::vector<std::vector<Influence>>;

// Faces grouped by attribute, then gathered greedily into combinations whose bones fit the
// palette. Fails when one face alone needs more bones than the palette holds.
HRESULT GroupFaces(const MeshData& src, const VertexInfluences& vin, DWORD paletteSize,
                   std::vector<Combination>& combos) {
    const DWORD faces = DWORD(src.indices.size() / 3);
    std::vector<DWORD> order(faces);
    for (DWORD f = 0; f < faces; ++f) order[f] = f;
    std::stable_sort(order.begin(), order.end(), [&](DWORD a, DWORD b) { return src.attributes[a] < src.attributes[b]; });
    auto faceBones = [&](DWORD f, std::vector<DWORD>& out) {
        out.clear();
        for (int k = 0; k < 3; ++k)
            for (const Influence& i : vin[src.indices[size_t(f) * 3 + size_t(k)]])
                if (std::find(out.begin(), out.end(), i.bone) == out.end()) out.push_back(i.bone);
    };
    std::vector<DWORD> fb, merged;
    for (size_t start = 0; start < order.size();) {
        size_t end = start;
        while (end < order.size() && src.attributes[order[end]] == src.attributes[order[start]]) ++end;
        std::vector<DWORD> remaining(order.begin() + long(start), order.begin() + long(end));
        while (!remaining.empty()) {
            Combination c{src.attributes[remaining[0]], {}, {}};
            std::vector<DWORD> rest;
            for (DWORD f : remaining) {
                faceBones(f, fb);
                if (fb.size() > paletteSize) return D3DERR_INVALIDCALL;
                merged = c.bones;
                for (DWORD b : fb)
                    if (std::find(merged.begin(), merged.end(), b) == merged.end()) merged.push_back(b);
                if (merged.size() <= paletteSize) {
                    c.bones.swap(merged);
                    c.faces.push_back(f);
                } else {
                    rest.push_back(f);
                }
            }
            combos.push_back(std::move(c));
            remaining.swap(rest);
        }
        start = end;
    }
    return S_OK;
}

// The converted mesh's data and how it maps back to the original.
struct Blended {
    MeshData mesh;
    std::vector<DWORD> oldVertex;  // per new vertex, the original vertex
    std::vector<DWORD> oldFace;    // per new face, the original face
    std::vector<D3DXBONECOMBINATION> records;
};

// Lays each combination's faces and vertices out contiguously, vertices duplicated where
// combinations share them (their palette indices differ), with weights and packed indices.
Blended BuildBlended(const MeshData& src, const VertexInfluences& vin, DWORD maxInfl,
                     const std::vector<Combination>& combos, size_t numBones) {
    Blended b;
    const VertexLayout from = LayoutOf(src.fvf);
    b.mesh.fvf = (src.fvf & ~DWORD(D3DFVF_POSITION_MASK | D3DFVF_LASTBETA_UBYTE4)) | (4 + 2 * maxInfl) |
                 D3DFVF_LASTBETA_UBYTE4;
    const VertexLayout to = LayoutOf(b.mesh.fvf);
    std::vector<DWORD> stamp(src.numVertices, kNone), newIndex(src.numVertices, 0);
    std::vector<int> palette(numBones, -1);
    for (DWORD c = 0; c < combos.size(); ++c) {
        const Combination& combo = combos[c];
        for (size_t j = 0; j < combo.bones.size(); ++j) palette[combo.bones[j]] = int(j);
        D3DXBONECOMBINATION rec{combo.attribute, DWORD(b.oldFace.size()), DWORD(combo.faces.size()),
                                DWORD(b.oldVertex.size()), 0, nullptr};
        for (DWORD f : combo.faces) {
            b.oldFace.push_back(f);
            for (int k = 0; k < 3; ++k) {
                const DWORD v = src.indices[size_t(f) * 3 + size_t(k)];
                if (stamp[v] != c) {
                    stamp[v] = c;
                    newIndex[v] = DWORD(b.oldVertex.size());
                    b.oldVertex.push_back(v);
                    b.mesh.vertices.resize(b.oldVertex.size() * to.stride, 0);
                    BYTE* out = &b.mesh.vertices[(b.oldVertex.size() - 1) * to.stride];
                    ConvertVertex(&src.vertices[size_t(v) * from.stride], from, out, to);
                    DWORD packed = 0;
                    for (size_t i = 0; i < vin[v].size(); ++i) {
                        packed |= DWORD(palette[vin[v][i].bone]) << (8 * i);
                        if (i + 1 < maxInfl) std::memcpy(out + to.weightOffset + 4 * i, &vin[v][i].weight, 4);
                    }
                    std::memcpy(out + to.indicesOffset, &packed, 4);
                    b.mesh.pointReps.push_back(src.pointReps[v]);
                }
                b.mesh.indices.push_back(newIndex[v]);
            }
            b.mesh.attributes.push_back(c);
        }
        rec.VertexCount = DWORD(b.oldVertex.size()) - rec.VertexStart;
        b.records.push_back(rec);
        for (DWORD bone : combo.bones) palette[bone] = -1;
    }
    b.mesh.numVertices = DWORD(b.oldVertex.size());
    b.mesh.table.reserve(b.records.size());
    for (DWORD c = 0; c < b.records.size(); ++c)
        b.mesh.table.push_back({c, b.records[c].FaceStart, b.records[c].FaceCount, b.records[c].VertexStart,
                                b.records[c].VertexCount});
    return b;
}

// The bone combination table: the records, then each one's palette of bone ids (unused
// entries kNone), in one buffer. Null when out of memory.
ID3DXBuffer* MakeCombinationTable(std::vector<D3DXBONECOMBINATION> records, const std::vector<Combination>& combos,
                                  DWORD paletteSize) {
    const size_t head = records.size() * sizeof(D3DXBONECOMBINATION);
    ID3DXBuffer* buf = MakeBuffer(nullptr, head + records.size() * paletteSize * sizeof(DWORD));
    if (!buf) return nullptr;
    BYTE* base = static_cast<BYTE*>(buf->GetBufferPointer());
    for (size_t c = 0; c < records.size(); ++c) {
        DWORD* ids = reinterpret_cast<DWORD*>(base + head) + c * paletteSize;
        for (DWORD j = 0; j < paletteSize; ++j) ids[j] = j < combos[c].bones.size() ? combos[c].bones[j] : kNone;
        records[c].BoneId = ids;
        std::memcpy(base + c * sizeof(D3DXBONECOMBINATION), &records[c], sizeof(D3DXBONECOMBINATION));
    }
    return buf;
}

// Each vertex's influences: at most four, weights summing to 1; a vertex no bone moves
// follows bone 0 fully.
HRESULT SkinMeshImpl::InfluencesOf(const MeshData& src, VertexInfluences& vin, DWORD& maxInfl) const {
    vin.assign(src.numVertices, {});
    maxInfl = 1;
    for (DWORD v = 0; v < src.numVertices; ++v) {
        const DWORD rep = src.pointReps[v];
        if (rep < influences_.size()) vin[v] = influences_[rep];
        if (vin[v].size() > kMaxInfluences) return D3DXERR_TOOMANYINFLUENCES;
        if (vin[v].empty()) vin[v].push_back({0, 1.0f});
        float sum = 0.0f;
        for (const Influence& i : vin[v]) sum += i.weight;
        for (Influence& i : vin[v]) i.weight /= sum;
        maxInfl = std::max<DWORD>(maxInfl, DWORD(vin[v].size()));
    }
    return S_OK;
}

HRESULT SkinMeshImpl::ConvertToIndexedBlendedMesh(DWORD options, const DWORD*, DWORD paletteSize,
                                                  DWORD* adjacencyOut, DWORD* numBoneCombinations,
                                                  LPD3DXBUFFER* boneCombinationTable, DWORD* faceRemap,
                                                  LPD3DXBUFFER* vertexRemap, LPD3DXMESH* mesh) {
    if (!mesh) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    if (boneCombinationTable) *boneCombinationTable = nullptr;
    if (vertexRemap) *vertexRemap = nullptr;
    if (paletteSize == 0 || paletteSize > 256 || bones_.empty()) return D3DERR_INVALIDCALL;
    MeshData src;
    HRESULT hr = ReadMesh(original_, src);
    VertexInfluences vin;
    DWORD maxInfl = 1;
    if (SUCCEEDED(hr)) hr = InfluencesOf(src, vin, maxInfl);
    std::vector<Combination> combos;
    if (SUCCEEDED(hr)) hr = GroupFaces(src, vin, paletteSize, combos);
    if (FAILED(hr)) return hr;
    const Blended b = BuildBlended(src, vin, maxInfl, combos, bones_.size());

    IDirect3DDevice8* device = nullptr;
    original_->GetDevice(&device);
    hr = CreateMesh(b.mesh, options, device, mesh);
    device->Release();
    if (FAILED(hr)) return hr;
    if (boneCombinationTable && !(*boneCombinationTable = MakeCombinationTable(b.records, combos, paletteSize))) {
        (*mesh)->Release();
        *mesh = nullptr;
        return E_OUTOFMEMORY;
    }
    if (numBoneCombinations) *numBoneCombinations = DWORD(b.records.size());
    if (faceRemap) std::copy(b.oldFace.begin(), b.oldFace.end(), faceRemap);
    if (vertexRemap) *vertexRemap = MakeBuffer(b.oldVertex.data(), b.oldVertex.size() * sizeof(DWORD));
    if (adjacencyOut) {
        const std::vector<DWORD> adj = ComputeAdjacency(b.mesh.indices, b.mesh.pointReps);
        std::copy(adj.begin(), adj.end(), adjacencyOut);
    }
    return S_OK;
}

}  // namespace

HRESULT CreateSkinMesh(ID3DXMesh* original, std::vector<BoneData> bones, DWORD fileVertices, ID3DXSkinMesh** out) {
    SkinMeshImpl* s = new (std::nothrow) SkinMeshImpl(original, std::move(bones), fileVertices);
    if (!s) return E_OUTOFMEMORY;
    *out = s;
    return S_OK;
}

}  // namespace quil_d3dx

HRESULT D3DXLoadSkinMeshFromXof(LPDIRECTXFILEDATA meshData, DWORD options, LPDIRECT3DDEVICE8 device,
                                LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, DWORD* numMaterials,
                                LPD3DXBUFFER* boneNames, LPD3DXBUFFER* boneTransforms, LPD3DXSKINMESH* mesh) {
    using namespace quil_d3dx;
    if (!mesh || !meshData || !device) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    LoadedMesh m;
    HRESULT hr = ReadMeshObject(meshData, m);
    if (FAILED(hr)) return hr;
    ID3DXMesh* original = nullptr;
    hr = CreateMesh(m.mesh, options, device, &original);
    if (FAILED(hr)) return hr;

    ID3DXBuffer* adj = nullptr;
    ID3DXBuffer* mats = nullptr;
    ID3DXBuffer* names = nullptr;
    ID3DXBuffer* offsets = nullptr;
    ID3DXSkinMesh* skin = nullptr;
    if (adjacency) hr = MakeAdjacencyBuffer(m.mesh, &adj);
    if (SUCCEEDED(hr) && materials) hr = MakeMaterialBuffer(m, &mats);
    if (SUCCEEDED(hr) && boneNames) {
        // The name pointers first, then the names they point at, in one buffer.
        size_t size = m.bones.size() * sizeof(char*);
        for (const BoneData& b : m.bones) size += b.name.size() + 1;
        names = MakeBuffer(nullptr, size);
        if (!names) {
            hr = E_OUTOFMEMORY;
        } else {
            BYTE* base = static_cast<BYTE*>(names->GetBufferPointer());
            char* text = reinterpret_cast<char*>(base + m.bones.size() * sizeof(char*));
            for (size_t i = 0; i < m.bones.size(); ++i) {
                std::memcpy(text, m.bones[i].name.c_str(), m.bones[i].name.size() + 1);
                std::memcpy(base + i * sizeof(char*), &text, sizeof(char*));
                text += m.bones[i].name.size() + 1;
            }
        }
    }
    if (SUCCEEDED(hr) && boneTransforms) {
        std::vector<D3DXMATRIX> mats4(m.bones.size());
        for (size_t i = 0; i < m.bones.size(); ++i) mats4[i] = m.bones[i].offset;
        offsets = MakeBuffer(mats4.data(), mats4.size() * sizeof(D3DXMATRIX));
        if (!offsets) hr = E_OUTOFMEMORY;
    }
    const DWORD materialCount = DWORD(m.materials.size());
    if (SUCCEEDED(hr)) hr = CreateSkinMesh(original, std::move(m.bones), m.fileVertices, &skin);
    original->Release();
    if (FAILED(hr)) {
        for (ID3DXBuffer* b : {adj, mats, names, offsets})
            if (b) b->Release();
        return hr;
    }
    if (adjacency) *adjacency = adj;
    if (materials) *materials = mats;
    if (numMaterials) *numMaterials = materialCount;
    if (boneNames) *boneNames = names;
    if (boneTransforms) *boneTransforms = offsets;
    *mesh = skin;
    return S_OK;
}
