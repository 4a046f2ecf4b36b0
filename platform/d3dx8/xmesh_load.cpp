// Reading Mesh data objects of .x files into meshes: D3DXLoadMeshFromX and D3DXLoadMeshFromXof.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "d3dx_internal.h"
#include "xmesh_internal.h"

namespace quil_d3dx {

namespace {

constexpr DWORD kNone = 0xFFFFFFFFu;

// Reads the packed data of a data object with bounds checks.
class Reader {
public:
    Reader(const void* p, DWORD size) : p_(static_cast<const BYTE*>(p)), size_(size) {}
    bool u32(DWORD& v) { return take(&v, 4); }
    bool u16(WORD& v) { return take(&v, 2); }
    bool f32(float& v) { return take(&v, 4); }
    bool floats(float* v, size_t n) { return n <= (size_ - pos_) / 4 && take(v, n * 4); }
    bool str(const char*& s) { return take(&s, sizeof(s)); }
    // True when count records of `each` bytes can still follow.
    bool fits(DWORD count, size_t each) const { return count <= (size_ - pos_) / each; }

private:
    bool take(void* out, size_t n) {
        if (n > size_ - pos_) return false;
        if (n == 0) return true;
        std::memcpy(out, p_ + pos_, n);
        pos_ += n;
        return true;
    }
    const BYTE* p_;
    size_t size_;
    size_t pos_ = 0;
};

struct Face {
    std::vector<DWORD> v;
};

bool readFaces(Reader& r, DWORD limit, std::vector<Face>& faces) {
    DWORD n = 0;
    if (!r.u32(n) || !r.fits(n, 8)) return false;
    faces.resize(n);
    for (Face& f : faces) {
        DWORD c = 0;
        if (!r.u32(c) || !r.fits(c, 4)) return false;
        f.v.resize(c);
        for (DWORD& i : f.v)
            if (!r.u32(i) || i >= limit) return false;
    }
    return true;
}

bool getData(IDirectXFileData* d, Reader& out) {
    DWORD size = 0;
    void* p = nullptr;
    if (FAILED(d->GetData(nullptr, &size, &p))) return false;
    out = Reader(p, size);
    return true;
}

const GUID* typeOf(IDirectXFileData* d) {
    const GUID* g = nullptr;
    return SUCCEEDED(d->GetType(&g)) ? g : nullptr;
}

D3DMATERIAL8 defaultMaterial() {
    D3DMATERIAL8 m{};
    m.Diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
    m.Ambient = m.Diffuse;
    return m;
}

HRESULT readMaterial(IDirectXFileData* d, D3DMATERIAL8& m, std::string& texture) {
    Reader r(nullptr, 0);
    float v[11];
    if (!getData(d, r) || !r.floats(v, 11)) return D3DXERR_INVALIDDATA;
    m = D3DMATERIAL8{};
    m.Diffuse = {v[0], v[1], v[2], v[3]};
    m.Power = v[4];
    m.Specular = {v[5], v[6], v[7], 1.0f};
    m.Emissive = {v[8], v[9], v[10], 1.0f};
    texture.clear();
    IDirectXFileObject* child = nullptr;
    while (SUCCEEDED(d->GetNextObject(&child))) {
        IDirectXFileData* cd = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&cd)))) {
            const GUID* t = typeOf(cd);
            Reader tr(nullptr, 0);
            const char* name = nullptr;
            if (t && *t == TID_D3DRMTextureFilename && getData(cd, tr) && tr.str(name) && name) texture = name;
            cd->Release();
        }
        child->Release();
    }
    return S_OK;
}

// The data object behind a child: itself, or the object a reference names.
IDirectXFileData* childData(IDirectXFileObject* child) {
    IDirectXFileData* d = nullptr;
    if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&d)))) return d;
    IDirectXFileDataReference* ref = nullptr;
    if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&ref)))) {
        if (FAILED(ref->Resolve(&d))) d = nullptr;
        ref->Release();
    }
    return d;
}

HRESULT readMaterialList(IDirectXFileData* d, DWORD faces, std::vector<DWORD>& faceMaterial, LoadedMesh& out) {
    Reader r(nullptr, 0);
    DWORD nMaterials = 0, nIndices = 0;
    if (!getData(d, r) || !r.u32(nMaterials) || !r.u32(nIndices) || !r.fits(nIndices, 4)) return D3DXERR_INVALIDDATA;
    if (nMaterials == 0 || nMaterials > 0xFFFF) return D3DXERR_INVALIDDATA;
    std::vector<DWORD> idx(nIndices);
    for (DWORD& i : idx)
        if (!r.u32(i) || i >= nMaterials) return D3DXERR_INVALIDDATA;
    // Faces beyond the list take the last entry.
    faceMaterial.assign(faces, 0);
    for (DWORD f = 0; f < faces; ++f)
        faceMaterial[f] = idx.empty() ? 0 : idx[std::min<size_t>(f, idx.size() - 1)];
    IDirectXFileObject* child = nullptr;
    while (SUCCEEDED(d->GetNextObject(&child))) {
        IDirectXFileData* m = childData(child);
        child->Release();
        if (!m) continue;
        const GUID* t = typeOf(m);
        if (t && *t == TID_D3DRMMaterial && out.materials.size() < nMaterials) {
            D3DMATERIAL8 mat;
            std::string tex;
            HRESULT hr = readMaterial(m, mat, tex);
            if (FAILED(hr)) {
                m->Release();
                return hr;
            }
            out.materials.push_back(mat);
            out.textures.push_back(tex);
        }
        m->Release();
    }
    while (out.materials.size() < nMaterials) {
        out.materials.push_back(defaultMaterial());
        out.textures.emplace_back();
    }
    return S_OK;
}

HRESULT readSkinWeights(IDirectXFileData* d, DWORD vertices, BoneData& bone) {
    Reader r(nullptr, 0);
    const char* name = nullptr;
    DWORD n = 0;
    if (!getData(d, r) || !r.str(name) || !r.u32(n) || !r.fits(n, 8)) return D3DXERR_INVALIDDATA;
    bone.name = name ? name : "";
    bone.vertices.resize(n);
    bone.weights.resize(n);
    for (DWORD& v : bone.vertices)
        if (!r.u32(v) || v >= vertices) return D3DXERR_INVALIDDATA;
    if (!r.floats(bone.weights.data(), n) || !r.floats(&bone.offset._11, 16)) return D3DXERR_INVALIDDATA;
    for (float w : bone.weights)
        if (!std::isfinite(w)) return D3DXERR_INVALIDDATA;
    return S_OK;
}

}  // namespace

void SortByAttribute(MeshData& m) {
    const size_t faces = m.attributes.size();
    std::vector<DWORD> order(faces);
    for (size_t f = 0; f < faces; ++f) order[f] = DWORD(f);
    std::stable_sort(order.begin(), order.end(), [&](DWORD a, DWORD b) { return m.attributes[a] < m.attributes[b]; });
    std::vector<DWORD> indices(m.indices.size()), attributes(faces);
    for (size_t f = 0; f < faces; ++f) {
        for (int k = 0; k < 3; ++k) indices[f * 3 + size_t(k)] = m.indices[size_t(order[f]) * 3 + size_t(k)];
        attributes[f] = m.attributes[order[f]];
    }
    m.indices.swap(indices);
    m.attributes.swap(attributes);
    m.table = BuildAttributeTable(m.indices, m.attributes);
}

HRESULT ReadMeshObject(IDirectXFileData* object, LoadedMesh& out) {
    out = LoadedMesh();
    const GUID* type = object ? typeOf(object) : nullptr;
    if (!type || *type != TID_D3DRMMesh) return D3DXERR_INVALIDDATA;
    Reader r(nullptr, 0);
    DWORD nVertices = 0;
    if (!getData(object, r) || !r.u32(nVertices) || !r.fits(nVertices, 12)) return D3DXERR_INVALIDDATA;
    std::vector<float> positions(size_t(nVertices) * 3);
    if (!r.floats(positions.data(), positions.size())) return D3DXERR_INVALIDDATA;
    std::vector<Face> faces;
    if (!readFaces(r, nVertices, faces)) return D3DXERR_INVALIDDATA;
    for (const Face& f : faces)
        if (f.v.size() < 3) return D3DXERR_INVALIDDATA;
    if (nVertices == 0 || faces.empty()) return D3DXERR_LOADEDMESHASNODATA;

    std::vector<float> normals, uvs;
    std::vector<Face> normalFaces;
    std::vector<DWORD> faceMaterial;
    bool haveNormals = false, haveUvs = false, haveMaterials = false;
    HRESULT hr = S_OK;
    IDirectXFileObject* child = nullptr;
    while (SUCCEEDED(hr) && SUCCEEDED(object->GetNextObject(&child))) {
        IDirectXFileData* d = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&d)))) {
            const GUID* t = typeOf(d);
            Reader cr(nullptr, 0);
            if (!t) {
            } else if (*t == TID_D3DRMMeshNormals && !haveNormals) {
                DWORD n = 0;
                if (!getData(d, cr) || !cr.u32(n) || !cr.fits(n, 12)) {
                    hr = D3DXERR_INVALIDDATA;
                } else {
                    normals.resize(size_t(n) * 3);
                    if (!cr.floats(normals.data(), normals.size()) || !readFaces(cr, n, normalFaces) ||
                        normalFaces.size() != faces.size())
                        hr = D3DXERR_INVALIDDATA;
                    for (size_t f = 0; SUCCEEDED(hr) && f < faces.size(); ++f)
                        if (normalFaces[f].v.size() != faces[f].v.size()) hr = D3DXERR_INVALIDDATA;
                    haveNormals = true;
                }
            } else if (*t == TID_D3DRMMeshTextureCoords && !haveUvs) {
                DWORD n = 0;
                if (!getData(d, cr) || !cr.u32(n) || n < nVertices || !cr.fits(n, 8)) {
                    hr = D3DXERR_INVALIDDATA;
                } else {
                    uvs.resize(size_t(nVertices) * 2);
                    if (!cr.floats(uvs.data(), uvs.size())) hr = D3DXERR_INVALIDDATA;
                    haveUvs = true;
                }
            } else if (*t == TID_D3DRMMeshMaterialList && !haveMaterials) {
                hr = readMaterialList(d, DWORD(faces.size()), faceMaterial, out);
                haveMaterials = true;
            } else if (*t == DXFILEOBJ_SkinWeights) {
                BoneData bone;
                hr = readSkinWeights(d, nVertices, bone);
                if (SUCCEEDED(hr)) out.bones.push_back(std::move(bone));
            }
            d->Release();
        }
        child->Release();
    }
    if (FAILED(hr)) return hr;
    if (!haveMaterials) {
        out.materials.push_back(defaultMaterial());
        out.textures.emplace_back();
        faceMaterial.assign(faces.size(), 0);
    }

    // Vertices: one per file vertex, split where corners give the same vertex other normals.
    MeshData& m = out.mesh;
    m.fvf = D3DFVF_XYZ | (haveNormals ? D3DFVF_NORMAL : 0) | (haveUvs ? D3DFVF_TEX1 : 0);
    const VertexLayout layout = LayoutOf(m.fvf);
    std::vector<DWORD> slotNormal(nVertices, kNone);
    std::vector<bool> slotUsed(nVertices, false);
    std::map<std::pair<DWORD, DWORD>, DWORD> splits;
    std::vector<std::pair<DWORD, DWORD>> vertexSource(nVertices, {0, kNone});
    for (DWORD v = 0; v < nVertices; ++v) vertexSource[v] = {v, kNone};
    auto corner = [&](DWORD v, DWORD n) -> DWORD {
        if (!slotUsed[v]) {
            slotUsed[v] = true;
            slotNormal[v] = n;
            vertexSource[v].second = n;
            return v;
        }
        if (slotNormal[v] == n) return v;
        auto it = splits.find({v, n});
        if (it != splits.end()) return it->second;
        const DWORD nv = DWORD(vertexSource.size());
        vertexSource.push_back({v, n});
        splits.emplace(std::make_pair(v, n), nv);
        return nv;
    };
    for (size_t f = 0; f < faces.size(); ++f) {
        const Face& face = faces[f];
        for (size_t k = 1; k + 1 < face.v.size(); ++k) {
            const size_t c[3] = {0, k, k + 1};
            for (size_t i : c) m.indices.push_back(corner(face.v[i], haveNormals ? normalFaces[f].v[i] : kNone));
            m.attributes.push_back(faceMaterial[f]);
        }
    }
    if (vertexSource.size() > 0x7FFFFFF) return E_OUTOFMEMORY;
    m.numVertices = DWORD(vertexSource.size());
    m.vertices.assign(size_t(m.numVertices) * layout.stride, 0);
    m.pointReps.resize(m.numVertices);
    for (DWORD v = 0; v < m.numVertices; ++v) {
        const DWORD src = vertexSource[v].first, n = vertexSource[v].second;
        BYTE* p = m.vertices.data() + size_t(v) * layout.stride;
        std::memcpy(p, &positions[size_t(src) * 3], 12);
        if (haveNormals && n != kNone) std::memcpy(p + layout.normal, &normals[size_t(n) * 3], 12);
        if (haveUvs) std::memcpy(p + layout.tex[0], &uvs[size_t(src) * 2], 8);
        m.pointReps[v] = src;
    }
    out.fileVertices = nVertices;
    SortByAttribute(m);
    return S_OK;
}

HRESULT MakeMaterialBuffer(const LoadedMesh& m, ID3DXBuffer** out) {
    size_t size = m.materials.size() * sizeof(D3DXMATERIAL);
    for (const std::string& t : m.textures)
        if (!t.empty()) size += t.size() + 1;
    ID3DXBuffer* buf = MakeBuffer(nullptr, size);
    if (!buf) return E_OUTOFMEMORY;
    BYTE* base = static_cast<BYTE*>(buf->GetBufferPointer());
    char* text = reinterpret_cast<char*>(base + m.materials.size() * sizeof(D3DXMATERIAL));
    for (size_t i = 0; i < m.materials.size(); ++i) {
        D3DXMATERIAL mat{m.materials[i], nullptr};
        if (!m.textures[i].empty()) {
            std::memcpy(text, m.textures[i].c_str(), m.textures[i].size() + 1);
            mat.pTextureFilename = text;
            text += m.textures[i].size() + 1;
        }
        std::memcpy(base + i * sizeof(D3DXMATERIAL), &mat, sizeof(mat));
    }
    *out = buf;
    return S_OK;
}

HRESULT MakeAdjacencyBuffer(const MeshData& m, ID3DXBuffer** out) {
    const std::vector<DWORD> adj = ComputeAdjacency(m.indices, m.pointReps);
    *out = MakeBuffer(adj.data(), adj.size() * sizeof(DWORD));
    return *out ? S_OK : E_OUTOFMEMORY;
}

namespace {

// Hands out the loader's results; on failure nothing is handed out.
HRESULT finishLoad(const LoadedMesh& m, DWORD options, IDirect3DDevice8* device, LPD3DXBUFFER* adjacency,
                   LPD3DXBUFFER* materials, DWORD* numMaterials, LPD3DXMESH* mesh) {
    ID3DXMesh* made = nullptr;
    HRESULT hr = CreateMesh(m.mesh, options, device, &made);
    if (FAILED(hr)) return hr;
    ID3DXBuffer* adj = nullptr;
    ID3DXBuffer* mats = nullptr;
    if (adjacency) hr = MakeAdjacencyBuffer(m.mesh, &adj);
    if (SUCCEEDED(hr) && materials) hr = MakeMaterialBuffer(m, &mats);
    if (FAILED(hr)) {
        if (adj) adj->Release();
        made->Release();
        return hr;
    }
    if (adjacency) *adjacency = adj;
    if (materials) *materials = mats;
    if (numMaterials) *numMaterials = DWORD(m.materials.size());
    *mesh = made;
    return S_OK;
}

// Appends a mesh, moved by a frame's matrix, to the meshes gathered so far.
void appendMesh(LoadedMesh& all, const LoadedMesh& part, const D3DXMATRIX& world) {
    const DWORD fvf = all.mesh.numVertices ? (all.mesh.fvf | part.mesh.fvf) : part.mesh.fvf;
    const VertexLayout to = LayoutOf(fvf);
    if (fvf != all.mesh.fvf && all.mesh.numVertices) {
        const VertexLayout from = LayoutOf(all.mesh.fvf);
        std::vector<BYTE> converted(size_t(all.mesh.numVertices) * to.stride, 0);
        for (DWORD v = 0; v < all.mesh.numVertices; ++v)
            ConvertVertex(&all.mesh.vertices[size_t(v) * from.stride], from, &converted[size_t(v) * to.stride], to);
        all.mesh.vertices.swap(converted);
    }
    all.mesh.fvf = fvf;
    const VertexLayout from = LayoutOf(part.mesh.fvf);
    const DWORD base = all.mesh.numVertices, materialBase = DWORD(all.materials.size());
    all.mesh.vertices.resize(size_t(base + part.mesh.numVertices) * to.stride, 0);
    for (DWORD v = 0; v < part.mesh.numVertices; ++v) {
        BYTE* dst = &all.mesh.vertices[size_t(base + v) * to.stride];
        ConvertVertex(&part.mesh.vertices[size_t(v) * from.stride], from, dst, to);
        D3DXVECTOR3 p;
        std::memcpy(&p, dst, 12);
        D3DXVec3TransformCoord(&p, &p, &world);
        std::memcpy(dst, &p, 12);
        if (to.normal >= 0 && from.normal >= 0) {
            D3DXVECTOR3 n;
            std::memcpy(&n, dst + to.normal, 12);
            D3DXVec3TransformNormal(&n, &n, &world);
            D3DXVec3Normalize(&n, &n);
            std::memcpy(dst + to.normal, &n, 12);
        }
        all.mesh.pointReps.push_back(part.mesh.pointReps[v] + all.fileVertices);
    }
    for (DWORD i : part.mesh.indices) all.mesh.indices.push_back(i + base);
    for (DWORD a : part.mesh.attributes) all.mesh.attributes.push_back(a + materialBase);
    all.materials.insert(all.materials.end(), part.materials.begin(), part.materials.end());
    all.textures.insert(all.textures.end(), part.textures.begin(), part.textures.end());
    all.mesh.numVertices += part.mesh.numVertices;
    all.fileVertices += part.fileVertices;
}

// Gathers the meshes of a data object (a Mesh, or a Frame with its subtree).
HRESULT gatherMeshes(IDirectXFileData* d, const D3DXMATRIX& parent, LoadedMesh& all) {
    const GUID* t = typeOf(d);
    if (!t) return D3DXERR_INVALIDDATA;
    if (*t == TID_D3DRMMesh) {
        LoadedMesh part;
        HRESULT hr = ReadMeshObject(d, part);
        if (hr == D3DXERR_LOADEDMESHASNODATA) return S_OK;
        if (FAILED(hr)) return hr;
        appendMesh(all, part, parent);
        return S_OK;
    }
    if (*t != TID_D3DRMFrame) return S_OK;
    std::vector<IDirectXFileData*> kids;
    IDirectXFileObject* child = nullptr;
    while (SUCCEEDED(d->GetNextObject(&child))) {
        IDirectXFileData* cd = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&cd)))) kids.push_back(cd);
        child->Release();
    }
    D3DXMATRIX world = parent;
    for (IDirectXFileData* k : kids) {
        const GUID* kt = typeOf(k);
        Reader r(nullptr, 0);
        D3DXMATRIX local;
        if (kt && *kt == TID_D3DRMFrameTransformMatrix && getData(k, r) && r.floats(&local._11, 16))
            D3DXMatrixMultiply(&world, &local, &parent);
    }
    HRESULT hr = S_OK;
    for (IDirectXFileData* k : kids) {
        if (SUCCEEDED(hr)) hr = gatherMeshes(k, world, all);
        k->Release();
    }
    return hr;
}

}  // namespace

}  // namespace quil_d3dx

HRESULT D3DXLoadMeshFromXof(LPDIRECTXFILEDATA meshData, DWORD options, LPDIRECT3DDEVICE8 device,
                            LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, DWORD* numMaterials, LPD3DXMESH* mesh) {
    if (!mesh || !meshData || !device) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    quil_d3dx::LoadedMesh m;
    HRESULT hr = quil_d3dx::ReadMeshObject(meshData, m);
    if (FAILED(hr)) return hr;
    return quil_d3dx::finishLoad(m, options, device, adjacency, materials, numMaterials, mesh);
}

HRESULT D3DXLoadMeshFromX(LPCSTR filename, DWORD options, LPDIRECT3DDEVICE8 device, LPD3DXBUFFER* adjacency,
                          LPD3DXBUFFER* materials, DWORD* numMaterials, LPD3DXMESH* mesh) {
    if (!mesh || !filename || !device) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    IDirectXFile* file = nullptr;
    HRESULT hr = DirectXFileCreate(&file);
    if (FAILED(hr)) return hr;
    IDirectXFileEnumObject* en = nullptr;
    hr = file->CreateEnumObject(const_cast<char*>(filename), DXFILELOAD_FROMFILE, &en);
    quil_d3dx::LoadedMesh all;
    if (SUCCEEDED(hr)) {
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        IDirectXFileData* d = nullptr;
        while (SUCCEEDED(hr) && SUCCEEDED(en->GetNextDataObject(&d))) {
            hr = quil_d3dx::gatherMeshes(d, identity, all);
            d->Release();
        }
        en->Release();
    }
    file->Release();
    if (FAILED(hr)) return hr;
    if (all.mesh.numVertices == 0) return D3DXERR_LOADEDMESHASNODATA;
    quil_d3dx::SortByAttribute(all.mesh);
    return quil_d3dx::finishLoad(all, options, device, adjacency, materials, numMaterials, mesh);
}
