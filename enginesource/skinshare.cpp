// Skinned models shared between users: the cache of parsed files and shader sets,
// and the per-user copy of a model's frame tree.
#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

#include "renderdevice.h"
#include "resourcecache.h"
#include "skinmesh.h"
#include "trap.h"

namespace {

template <class T>
T* CopyArray(const T* src, size_t count) {
    if (!src || count == 0) return nullptr;
    T* out = new T[count];
    std::memcpy(static_cast<void*>(out), src, count * sizeof(T));
    return out;
}

char* CopyText(const char* src) { return src ? CopyArray(src, std::strlen(src) + 1) : nullptr; }

template <class T>
T* Shared(T* object) {
    if (object) object->AddRef();
    return object;
}

SkinMeshContainer* CloneContainers(const SkinMeshContainer* src) {
    SkinMeshContainer* head = nullptr;
    SkinMeshContainer** tail = &head;
    for (const SkinMeshContainer* s = src; s; s = s->pNext) {
        SkinMeshContainer* c = new SkinMeshContainer();
        c->pMesh = Shared(s->pMesh);
        c->uSubsetCount = s->uSubsetCount;
        c->pName = CopyText(s->pName);
        c->pSkinMesh = Shared(s->pSkinMesh);
        c->pBoneNames = Shared(s->pBoneNames);
        c->pBoneOffsets = Shared(s->pBoneOffsets);
        c->pBoneOffsetMatrices = s->pBoneOffsetMatrices;
        c->pBoneCombinations = Shared(s->pBoneCombinations);
        if (s->pSkinMesh) {
            const DWORD bones = s->pSkinMesh->GetNumBones();
            if (s->ppBoneMatrices && bones) {
                c->ppBoneMatrices = new Matrix*[bones];
                for (DWORD i = 0; i < bones; ++i) c->ppBoneMatrices[i] = nullptr;
            }
            c->pAdjacency = CopyArray(s->pAdjacency, size_t(s->pSkinMesh->GetNumFaces()) * 3);
        }
        c->uInfluences = s->uInfluences;
        c->uPaletteSize = s->uPaletteSize;
        c->uSoftware = s->uSoftware;
        c->uGenerated = s->uGenerated;
        *tail = c;
        tail = &c->pNext;
    }
    return head;
}

using FrameMap = std::unordered_map<const SkinFrame*, SkinFrame*>;

// Copies a frame, its subtree and the siblings behind it (siblings without recursing).
SkinFrame* CloneFrames(const SkinFrame* src, FrameMap& map) {
    SkinFrame* head = nullptr;
    SkinFrame** tail = &head;
    for (const SkinFrame* s = src; s; s = s->pSibling) {
        SkinFrame* f = new SkinFrame();
        f->pName = CopyText(s->pName);
        f->mLocal = s->mLocal;
        f->mFileTransform = s->mFileTransform;
        f->mCombined = s->mCombined;
        f->pPositionKeys = CopyArray(s->pPositionKeys, s->uNumPositionKeys);
        f->uNumPositionKeys = f->pPositionKeys ? s->uNumPositionKeys : 0;
        f->pRotateKeys = CopyArray(s->pRotateKeys, s->uNumRotateKeys);
        f->uNumRotateKeys = f->pRotateKeys ? s->uNumRotateKeys : 0;
        f->pScaleKeys = CopyArray(s->pScaleKeys, s->uNumScaleKeys);
        f->uNumScaleKeys = f->pScaleKeys ? s->uNumScaleKeys : 0;
        f->pMatrixKeys = CopyArray(s->pMatrixKeys, s->uNumMatrixKeys);
        f->uNumMatrixKeys = f->pMatrixKeys ? s->uNumMatrixKeys : 0;
        f->pMeshContainers = CloneContainers(s->pMeshContainers);
        map[s] = f;
        *tail = f;
        tail = &f->pSibling;
        if (s->pFirstChild) f->pFirstChild = CloneFrames(s->pFirstChild, map);
    }
    return head;
}

SkinFrame* Mapped(const FrameMap& map, const SkinFrame* f) {
    auto it = map.find(f);
    return it == map.end() ? nullptr : it->second;
}

}  // namespace

SkinDrawElement* SkinMesh::DetachElements() {
    SkinDrawElement* e = m_pElements;
    m_pElements = nullptr;
    m_pSelectedElement = nullptr;
    return e;
}

SkinDrawElement* SkinMesh::CloneElement(const SkinDrawElement& model) {
    SkinDrawElement* e = new SkinDrawElement();
    FrameMap map;
    if (model.pRoot) e->pRoot = CloneFrames(model.pRoot, map);
    for (const auto& [from, to] : map) {
        to->pTarget = Mapped(map, from->pTarget);
        to->pNextAnimation = Mapped(map, from->pNextAnimation);
    }
    e->pAnimations = Mapped(map, model.pAnimations);
    e->vCentre = model.vCentre;
    e->fRadius = model.fRadius;
    e->pName = CopyText(model.pName);
    if (e->pRoot) FindBones(e->pRoot, e);
    return e;
}

// Never destroyed: models still in use at program exit are not freed behind their users.
SkinModelCache* SkinModelCache::Get() {
    static SkinModelCache* cache = new SkinModelCache();
    return cache;
}

const SkinDrawElement* SkinModelCache::Acquire(const char* file) {
    const std::string key = ResourceCache::Key(file);
    auto it = m_models.find(key);
    if (it == m_models.end()) {
        SkinMesh loader;
        loader.SetLoadOptions(D3DXMESH_SYSTEMMEM);  // kept across device resets
        const HRESULT hr = loader.LoadMeshHierarchy(file);
        ++m_uParses;
        Model model;
        model.element = loader.DetachElements();
        // Only a fault of the file is remembered; without a device, or short of memory, try again later.
        if (!model.element && (!RenderDevice_GetDevice() || !ResourceCache::FileAtFault(FAILED(hr) ? hr : E_FAIL)))
            return nullptr;
        it = m_models.emplace(key, model).first;
    }
    if (!it->second.element) return nullptr;
    ++it->second.users;
    return it->second.element;
}

void SkinModelCache::Release(const char* file) {
    const std::string key = ResourceCache::Key(file);
    auto it = m_models.find(key);
    if (it == m_models.end() || it->second.users == 0) return;
    --it->second.users;
    FreeIfUnused(key);
}

void SkinModelCache::FreeIfUnused(const std::string& key) {
    auto it = m_models.find(key);
    if (it == m_models.end() || !it->second.element || it->second.users || it->second.held) return;
    delete it->second.element;
    m_models.erase(it);
}

void SkinModelCache::AcquireShaders(DWORD shaders[4]) {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (device && m_pShaderDevice != device) {
        // Handles of another device mean nothing here: make the set for this one.
        for (DWORD& s : m_aShaders) s = 0;
        m_uShaderUsers = 0;
        m_pShaderDevice = device;
        const D3DCAPS8* caps = RenderDevice_GetCaps();
        const DWORD usage = (caps && caps->VertexShaderVersion >= 0xFFFE0101) ? 0 : D3DUSAGE_SOFTWAREPROCESSING;
        for (int i = 0; i < 4; ++i) {
            ID3DXBuffer* code = nullptr;
            HRESULT hr = D3DXAssembleShaderFromResourceA(nullptr, MAKEINTRESOURCEA(SKIN_SHADER_RESOURCE + i), 0,
                                                         nullptr, &code, nullptr);
            if (SUCCEEDED(hr))
                hr = device->CreateVertexShader(SkinVertexDeclaration(i),
                                                static_cast<const DWORD*>(code->GetBufferPointer()), &m_aShaders[i],
                                                usage);
            if (code) code->Release();
            if (FAILED(hr)) {
                m_aShaders[i] = 0;
                DebugLog("Could not create skinning vertex shader %d (0x%08x)\n", i, unsigned(hr));
            }
        }
    }
    m_bShadersHeld = device != nullptr;
    if (device) ++m_uShaderUsers;
    for (int i = 0; i < 4; ++i) shaders[i] = device ? m_aShaders[i] : 0;
}

void SkinModelCache::ReleaseShaders() {
    if (m_uShaderUsers) --m_uShaderUsers;
    FreeShadersIfUnused();
}

void SkinModelCache::FreeShadersIfUnused() {
    if (m_uShaderUsers || m_bShadersHeld || !m_pShaderDevice) return;
    if (m_pShaderDevice == RenderDevice_GetDevice())
        for (DWORD s : m_aShaders)
            if (s) m_pShaderDevice->DeleteVertexShader(s);
    for (DWORD& s : m_aShaders) s = 0;
    m_pShaderDevice = nullptr;
}

void SkinModelCache::ReleaseAll() {
    std::vector<std::string> keys;
    for (auto& [key, model] : m_models) {
        model.held = false;
        keys.push_back(key);
    }
    for (const std::string& key : keys) FreeIfUnused(key);
    m_bShadersHeld = false;
    FreeShadersIfUnused();
}

size_t SkinModelCache::ModelCount() const {
    size_t n = 0;
    for (const auto& e : m_models) n += e.second.element != nullptr;
    return n;
}
