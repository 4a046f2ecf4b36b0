// Loading a skinned, animated model from a .x file into the frame tree of a SkinMesh.
#include <algorithm>
#include <cstring>
#include <new>

#include "renderdevice.h"
#include "skinmesh.h"
#include "trap.h"

namespace {

// Releases a COM object on every path out of a scope.
template <class T>
struct Held {
    T* p = nullptr;
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() {
        if (p) p->Release();
    }
    T** out() { return &p; }
    T* operator->() const { return p; }
};

// The object's name as a new NUL-terminated copy; null when it has none. False when out of memory.
bool copyName(IDirectXFileObject* object, char*& name) {
    name = nullptr;
    DWORD length = 0;
    if (FAILED(object->GetName(nullptr, &length)) || length == 0) return true;
    name = new (std::nothrow) char[length];
    if (!name) return false;
    if (FAILED(object->GetName(name, &length))) {
        delete[] name;
        name = nullptr;
        return true;
    }
    name[length - 1] = '\0';
    return true;
}

const GUID* typeOf(IDirectXFileData* d, HRESULT& hr) {
    const GUID* type = nullptr;
    hr = d->GetType(&type);
    return SUCCEEDED(hr) ? type : nullptr;
}

template <class T>
T read(const BYTE* p) {
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;
}

// Reads one AnimationKey block into the node's keys of its type.
HRESULT loadKeys(IDirectXFileData* object, SkinFrame* node, bool (&seen)[5]) {
    DWORD size = 0;
    void* data = nullptr;
    HRESULT hr = object->GetData(nullptr, &size, &data);
    if (FAILED(hr)) return hr;
    if (size < 8) return E_INVALIDARG;
    const BYTE* p = static_cast<const BYTE*>(data);
    const uint32_t type = read<uint32_t>(p), count = read<uint32_t>(p + 4);
    static const uint32_t recordSize[5] = {24, 20, 20, 0, 72};
    if (type > 4 || recordSize[type] == 0) return E_INVALIDARG;
    if (seen[type]) return E_INVALIDARG;
    seen[type] = true;
    const uint32_t record = recordSize[type];
    if (count > (size - 8) / record) return E_INVALIDARG;
    const uint32_t values = (record - 8) / 4;
    p += 8;
    for (uint32_t i = 0; i < count; ++i)
        if (read<uint32_t>(p + size_t(i) * record + 4) != values) return E_INVALIDARG;
    if (count == 0) return S_OK;
    switch (type) {
    case 0: {
        node->pRotateKeys = new (std::nothrow) RotateKey[count];
        if (!node->pRotateKeys) return E_OUTOFMEMORY;
        node->uNumRotateKeys = count;
        for (uint32_t i = 0; i < count; ++i, p += record) {
            RotateKey& k = node->pRotateKeys[i];
            k.time = read<uint32_t>(p);
            k.w = read<float>(p + 8);
            k.x = read<float>(p + 12);
            k.y = read<float>(p + 16);
            k.z = read<float>(p + 20);
        }
        break;
    }
    case 1:
    case 2: {
        Vec3* out;
        uint32_t* times;
        if (type == 1) {
            node->pScaleKeys = new (std::nothrow) ScaleKey[count];
            if (!node->pScaleKeys) return E_OUTOFMEMORY;
            node->uNumScaleKeys = count;
        } else {
            node->pPositionKeys = new (std::nothrow) PositionKey[count];
            if (!node->pPositionKeys) return E_OUTOFMEMORY;
            node->uNumPositionKeys = count;
        }
        for (uint32_t i = 0; i < count; ++i, p += record) {
            if (type == 1) {
                out = &node->pScaleKeys[i].scale;
                times = &node->pScaleKeys[i].time;
            } else {
                out = &node->pPositionKeys[i].position;
                times = &node->pPositionKeys[i].time;
            }
            *times = read<uint32_t>(p);
            *out = Vec3(read<float>(p + 8), read<float>(p + 12), read<float>(p + 16));
        }
        break;
    }
    default: {
        node->pMatrixKeys = new (std::nothrow) MatrixKey[count];
        if (!node->pMatrixKeys) return E_OUTOFMEMORY;
        node->uNumMatrixKeys = count;
        for (uint32_t i = 0; i < count; ++i, p += record) {
            node->pMatrixKeys[i].time = read<uint32_t>(p);
            std::memcpy(&node->pMatrixKeys[i].matrix, p + 8, sizeof(Matrix));
        }
        break;
    }
    }
    return S_OK;
}

}  // namespace

HRESULT SkinMesh::LoadMeshHierarchy(const char* fileName) {
    if (!fileName) {
        TrapError(__FILE__, __LINE__, "Invalid Filename given to Load Skinned mesh");
        return E_INVALIDARG;
    }
    SkinDrawElement* element = new (std::nothrow) SkinDrawElement();
    if (element) element->pRoot = new (std::nothrow) SkinFrame();
    if (!element || !element->pRoot) {
        delete element;
        TrapError(__FILE__, __LINE__, "Not enough memory to Load Skinned mesh");
        return E_OUTOFMEMORY;
    }
    if (std::strlen(fileName) < 2) {
        delete element;
        TrapError(__FILE__, __LINE__, "Invalid Filename given to Load Skinned mesh");
        return E_FAIL;
    }
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    const DWORD fvf = 0;
    Held<IDirectXFile> file;
    Held<IDirectXFileEnumObject> en;
    HRESULT hr = DirectXFileCreate(file.out());
    if (SUCCEEDED(hr)) hr = file->RegisterTemplates(const_cast<unsigned char*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES);
    if (SUCCEEDED(hr)) hr = file->CreateEnumObject(const_cast<char*>(fileName), DXFILELOAD_FROMFILE, en.out());
    if (FAILED(hr)) {
        TrapError(__FILE__, __LINE__, "Could not Load Skinned mesh");
    } else {
        for (;;) {
            Held<IDirectXFileData> object;
            hr = en->GetNextDataObject(object.out());
            if (FAILED(hr)) break;
            hr = LoadFrames(object.p, element, m_dwLoadOptions, fvf, device, element->pRoot);
            if (FAILED(hr)) {
                TrapError(__FILE__, __LINE__, "Could not Load Skinned mesh frames");
                break;
            }
        }
        if (hr == DXFILEERR_NOMOREOBJECTS) {
            hr = S_OK;
            FindBones(element->pRoot, element);
            const size_t length = std::strlen(fileName) + 1;
            element->pName = new (std::nothrow) char[length];
            if (!element->pName) {
                TrapError(__FILE__, __LINE__, "Not enough memory to Load Skinned mesh");
                hr = E_OUTOFMEMORY;
            } else {
                std::memcpy(element->pName, fileName, length);
                DeleteSelectedMesh();
                element->pNext = m_pElements;
                m_pElements = element;
                m_pSelectedElement = element;
                element->fTime = 0.0f;
                Matrix m;
                mat_Identity(&m);
                m.m[3][0] = -element->vCentre.x;
                m.m[3][1] = -element->vCentre.y;
                m.m[3][2] = -element->vCentre.z;
                element->pRoot->mLocal = m;
                element->pRoot->mFileTransform = m;
            }
        }
    }
    if (FAILED(hr)) delete element;
    return hr;
}

HRESULT SkinMesh::LoadFrames(IDirectXFileData* object, SkinDrawElement* element, DWORD options, DWORD fvf,
                             IDirect3DDevice8* device, SkinFrame* current) {
    HRESULT hr;
    const GUID* type = typeOf(object, hr);
    if (!type) return hr;
    if (*type == TID_D3DRMMesh) return LoadMesh(object, options, fvf, device, current);
    if (*type == TID_D3DRMFrameTransformMatrix) {
        DWORD size = 0;
        void* data = nullptr;
        hr = object->GetData(nullptr, &size, &data);
        if (FAILED(hr)) return hr;
        if (size < sizeof(Matrix)) return E_INVALIDARG;
        std::memcpy(&current->mLocal, data, sizeof(Matrix));
        current->mFileTransform = current->mLocal;
        return S_OK;
    }
    if (*type == TID_D3DRMAnimationSet) {
        LoadAnimationSet(object, element, options, fvf, device, current);
        return S_OK;
    }
    if (*type == TID_D3DRMAnimation) {
        LoadAnimation(object, element, options, fvf, device, current);
        return S_OK;
    }
    if (*type != TID_D3DRMFrame) return S_OK;

    SkinFrame* frame = new (std::nothrow) SkinFrame();
    if (!frame || !copyName(object, frame->pName)) {
        delete frame;
        TrapError(__FILE__, __LINE__, "Not enough memory to load Frames");
        return E_OUTOFMEMORY;
    }
    current->AddChild(frame);
    hr = S_OK;
    for (;;) {
        Held<IDirectXFileObject> child;
        if (FAILED(object->GetNextObject(child.out()))) break;
        // A reference among a frame's children is skipped without failing the frame.
        Held<IDirectXFileData> data;
        if (FAILED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(data.out())))) continue;
        hr = LoadFrames(data.p, element, options, fvf, device, frame);
        if (FAILED(hr)) break;
    }
    return hr;
}

HRESULT SkinMesh::LoadMesh(IDirectXFileData* object, DWORD options, DWORD, IDirect3DDevice8* device,
                           SkinFrame* current) {
    SkinMeshContainer* c = new (std::nothrow) SkinMeshContainer();
    if (!c || !copyName(object, c->pName)) {
        delete c;
        TrapError(__FILE__, __LINE__, "Not enough memory to Load Skinned Mesh");
        return E_OUTOFMEMORY;
    }
    Held<ID3DXBuffer> adjacency, materials;
    DWORD numMaterials = 0;
    HRESULT hr = D3DXLoadSkinMeshFromXof(object, options, device, adjacency.out(), materials.out(), &numMaterials,
                                         &c->pBoneNames, &c->pBoneOffsets, &c->pSkinMesh);
    if (hr == D3DXERR_LOADEDMESHASNODATA) {
        delete c;
        return S_OK;
    }
    if (FAILED(hr)) {
        delete c;
        return hr;
    }
    const DWORD faces = c->pSkinMesh->GetNumFaces();
    c->pAdjacency = new (std::nothrow) uint32_t[size_t(faces) * 3];
    if (!c->pAdjacency) {
        delete c;
        TrapError(__FILE__, __LINE__, "Not enough memory to Load Skinned Mesh");
        return E_OUTOFMEMORY;
    }
    std::memset(c->pAdjacency, 0xFF, size_t(faces) * 12);
    if (adjacency.p && adjacency->GetBufferPointer())
        std::memcpy(c->pAdjacency, adjacency->GetBufferPointer(),
                    std::min<size_t>(adjacency->GetBufferSize(), size_t(faces) * 12));

    const DWORD bones = c->pSkinMesh->GetNumBones();
    if (bones == 0) {
        c->pSkinMesh->GetOriginalMesh(&c->pMesh);
        c->pSkinMesh->Release();
        c->pSkinMesh = nullptr;
        c->uSubsetCount = 1;
    } else {
        if (!c->pBoneNames || !c->pBoneOffsets || c->pBoneOffsets->GetBufferSize() < bones * sizeof(Matrix)) {
            delete c;
            return E_INVALIDARG;
        }
        c->ppBoneMatrices = new (std::nothrow) Matrix*[bones];
        if (!c->ppBoneMatrices) {
            delete c;
            return S_OK;
        }
        for (DWORD i = 0; i < bones; ++i) c->ppBoneMatrices[i] = nullptr;
        c->pBoneOffsetMatrices = static_cast<Matrix*>(c->pBoneOffsets->GetBufferPointer());
        hr = GenerateMesh(c);
        if (FAILED(hr)) {
            delete c;
            return hr;
        }
    }
    current->AddMeshContainer(c);
    return S_OK;
}

HRESULT SkinMesh::LoadAnimationSet(IDirectXFileData* object, SkinDrawElement* element, DWORD options, DWORD fvf,
                                   IDirect3DDevice8* device, SkinFrame* current) {
    SkinFrame* node = new (std::nothrow) SkinFrame();
    if (!node) {
        TrapError(__FILE__, __LINE__, "Not enough memory to load animation set");
        return E_OUTOFMEMORY;
    }
    current->AddChild(node);
    if (!copyName(object, node->pName)) return E_OUTOFMEMORY;
    HRESULT hr = S_OK;
    for (;;) {
        Held<IDirectXFileObject> child;
        if (FAILED(object->GetNextObject(child.out()))) break;
        Held<IDirectXFileData> data;
        if (FAILED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(data.out())))) continue;
        const GUID* type = typeOf(data.p, hr);
        if (!type) break;
        if (*type != TID_D3DRMAnimation) continue;
        hr = LoadAnimation(data.p, element, options, fvf, device, node);
        if (FAILED(hr)) break;
    }
    if (FAILED(hr)) TrapError(__FILE__, __LINE__, "Could not load Animation set");
    return hr;
}

HRESULT SkinMesh::LoadAnimation(IDirectXFileData* object, SkinDrawElement* element, DWORD options, DWORD fvf,
                                IDirect3DDevice8* device, SkinFrame* current) {
    SkinFrame* node = new (std::nothrow) SkinFrame();
    if (!node) {
        TrapError(__FILE__, __LINE__, "Not enough memory to load Animations");
        return E_OUTOFMEMORY;
    }
    current->AddChild(node);
    element->AddAnimation(node);
    bool seen[5] = {false, false, false, false, false};
    HRESULT hr = S_OK;
    for (;;) {
        Held<IDirectXFileObject> child;
        if (FAILED(object->GetNextObject(child.out()))) break;
        Held<IDirectXFileDataReference> ref;
        Held<IDirectXFileData> data;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(ref.out())))) {
            Held<IDirectXFileData> target;
            hr = ref->Resolve(target.out());
            if (FAILED(hr)) break;
            const GUID* type = typeOf(target.p, hr);
            if (!type) break;
            if (*type != TID_D3DRMFrame) continue;
            if (node->pTarget) {
                hr = E_INVALIDARG;
                break;
            }
            char* name = nullptr;
            if (!copyName(target.p, name)) {
                hr = E_OUTOFMEMORY;
                break;
            }
            SkinFrame* found = name ? element->FindFrame(name) : nullptr;
            delete[] name;
            if (!found) {
                hr = E_INVALIDARG;
                break;
            }
            node->pTarget = found;
        } else if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(data.out())))) {
            const GUID* type = typeOf(data.p, hr);
            if (!type) break;
            if (*type == TID_D3DRMFrame) {
                hr = LoadFrames(data.p, element, options, fvf, device, node);
            } else if (*type == TID_D3DRMAnimationKey) {
                hr = loadKeys(data.p, node, seen);
            }
            if (FAILED(hr)) break;
        }
    }
    if (FAILED(hr)) TrapError(__FILE__, __LINE__, "Could not load animation data");
    return hr;
}

void SkinMesh::DeleteSelectedMesh() {
    if (!m_pSelectedElement) return;
    if (m_pElements == m_pSelectedElement) {
        m_pElements = m_pSelectedElement->pNext;
    } else {
        for (SkinDrawElement* e = m_pElements; e; e = e->pNext)
            if (e->pNext == m_pSelectedElement) {
                e->pNext = m_pSelectedElement->pNext;
                break;
            }
    }
    m_pSelectedElement->pNext = nullptr;
    delete m_pSelectedElement;
    m_pSelectedElement = nullptr;
}
