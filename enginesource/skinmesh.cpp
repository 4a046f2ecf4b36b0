// SkinMesh: the frame tree and its animation, vertex-shader skinning and the drawable object.
#include "skinmesh.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "d3dx8.h"
#include "gameengine.h"
#include "renderdevice.h"
#include "renderer.h"
#include "trap.h"

namespace {

constexpr float kTicksPerSecond = 4800.0f;
constexpr DWORD kNoBone = 0xFFFFFFFFu;

// Deletes the objects chained behind one through `link`, one by one rather than
// recursing along the chain, so a long chain cannot exhaust the stack.
template <typename T>
void DeleteChain(T* next, T* T::*link) {
    while (next) {
        T* after = next->*link;
        next->*link = nullptr;
        delete next;
        next = after;
    }
}

// A bone whose name matches no frame is drawn with this matrix.
Matrix g_mBoneIdentity = g_mIdentity;

D3DXMATRIX toD3DX(const Matrix& m) {
    D3DXMATRIX d;
    std::memcpy(&d, &m, sizeof(Matrix));
    return d;
}

Matrix fromD3DX(const D3DXMATRIX& d) {
    Matrix m;
    std::memcpy(&m, &d, sizeof(Matrix));
    return m;
}

// out := a x b (row vectors: a applies first).
Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] + a.m[r][3] * b.m[3][c];
    return out;
}

// The keys around a time: the first key later than the time (wrapped on the last key's time)
// and the one before it, with the fraction between them.
template <class Key>
void keySearch(const Key* keys, uint32_t count, float time, uint32_t& prev, uint32_t& next, float& fraction) {
    const float last = float(keys[count - 1].time);
    const float t = std::fmod(time, last);
    prev = 0;
    next = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (float(keys[i].time) > t) {
            next = i;
            prev = i > 0 ? i - 1 : 0;
            break;
        }
    }
    const float t0 = float(keys[prev].time), t1 = float(keys[next].time);
    fraction = t1 == t0 ? 0.0f : (t - t0) / (t1 - t0);
}

// The vertex declarations of the four skinning shaders (one to four influences).
const DWORD kDeclarations[4][7] = {
    {0x20000000, 0x40020000, 0x40040002, 0x40020003, 0x40010004, 0xFFFFFFFF, 0},
    {0x20000000, 0x40020000, 0x40000001, 0x40040002, 0x40020003, 0x40010004, 0xFFFFFFFF},
    {0x20000000, 0x40020000, 0x40010001, 0x40040002, 0x40020003, 0x40010004, 0xFFFFFFFF},
    {0x20000000, 0x40020000, 0x40020001, 0x40040002, 0x40020003, 0x40010004, 0xFFFFFFFF},
};

}  // namespace

const DWORD* SkinVertexDeclaration(int i) { return kDeclarations[i & 3]; }

// ---- records ------------------------------------------------------------------------------

SkinMeshContainer::SkinMeshContainer() { std::memset(static_cast<void*>(this), 0, sizeof(*this)); }

SkinMeshContainer::~SkinMeshContainer() {
    if (pMesh) pMesh->Release();
    if (pSkinMesh) pSkinMesh->Release();
    if (pBoneNames) pBoneNames->Release();
    if (pBoneOffsets) pBoneOffsets->Release();
    if (pBoneCombinations) pBoneCombinations->Release();
    delete[] ppBoneMatrices;
    delete[] pName;
    delete[] pAdjacency;
    // The chain behind this one, without recursing along it.
    DeleteChain(pNext, &SkinMeshContainer::pNext);
}

SkinFrame::SkinFrame()
    : pMeshContainers(nullptr), pPositionKeys(nullptr), uNumPositionKeys(0), pRotateKeys(nullptr), uNumRotateKeys(0),
      pScaleKeys(nullptr), uNumScaleKeys(0), pMatrixKeys(nullptr), uNumMatrixKeys(0), pNextAnimation(nullptr),
      pTarget(nullptr), pSibling(nullptr), pFirstChild(nullptr), pName(nullptr) {
    mat_Identity(&mLocal);
    mat_Identity(&mFileTransform);
    mat_Identity(&mCombined);
}

SkinFrame::~SkinFrame() {
    delete[] pName;
    delete pMeshContainers;
    delete pFirstChild;
    DeleteChain(pSibling, &SkinFrame::pSibling);
    delete[] pPositionKeys;
    delete[] pRotateKeys;
    delete[] pScaleKeys;
    delete[] pMatrixKeys;
}

void SkinFrame::AddChild(SkinFrame* frame) {
    if (!pFirstChild) {
        pFirstChild = frame;
    } else {
        frame->pSibling = pFirstChild->pSibling;
        pFirstChild->pSibling = frame;
    }
}

void SkinFrame::AddMeshContainer(SkinMeshContainer* container) {
    container->pNext = pMeshContainers;
    pMeshContainers = container;
}

SkinFrame* SkinFrame::FindFrame(const char* name) {
    if (!name) return nullptr;
    for (SkinFrame* f = this; f; f = f->pSibling) {
        if (f->pName && std::strcmp(f->pName, name) == 0) return f;
        if (f->pFirstChild) {
            if (SkinFrame* found = f->pFirstChild->FindFrame(name)) return found;
        }
    }
    return nullptr;
}

void SkinFrame::SetTime(float time) {
    // A node without a target (no or a failed frame reference) drives nothing.
    if (!pTarget) return;
    uint32_t prev, next;
    float fraction;
    if (pMatrixKeys && uNumMatrixKeys) {
        keySearch(pMatrixKeys, uNumMatrixKeys, time, prev, next, fraction);
        pTarget->mLocal = pMatrixKeys[fraction <= 0.5f ? prev : next].matrix;
        return;
    }
    D3DXMATRIX m, step;
    D3DXMatrixIdentity(&m);
    bool changed = false;
    if (pScaleKeys && uNumScaleKeys) {
        keySearch(pScaleKeys, uNumScaleKeys, time, prev, next, fraction);
        const Vec3& a = pScaleKeys[prev].scale;
        const Vec3& b = pScaleKeys[next].scale;
        D3DXMatrixScaling(&step, a.x + (b.x - a.x) * fraction, a.y + (b.y - a.y) * fraction,
                          a.z + (b.z - a.z) * fraction);
        D3DXMatrixMultiply(&m, &m, &step);
        changed = true;
    }
    if (pRotateKeys && uNumRotateKeys) {
        keySearch(pRotateKeys, uNumRotateKeys, time, prev, next, fraction);
        const int n = int(uNumRotateKeys);
        int pp = int(prev) - 1;
        if (pp < 0) pp += n;
        int nn = int(next) + 1;
        if (nn >= n) nn -= n;
        auto quat = [&](int i) {
            const RotateKey& k = pRotateKeys[i];
            return D3DXQUATERNION(k.x, k.y, k.z, k.w);
        };
        const D3DXQUATERNION q1 = quat(int(prev));
        if (m_squadKeys != pRotateKeys || m_squadCount != uNumRotateKeys || m_squadPrev != prev || m_squadNext != next) {
            const D3DXQUATERNION q0 = quat(pp), q2 = quat(int(next)), q3 = quat(nn);
            D3DXQuaternionSquadSetup(&m_squad[0], &m_squad[1], &m_squad[2], &q0, &q1, &q2, &q3);
            m_squadKeys = pRotateKeys;
            m_squadCount = uNumRotateKeys;
            m_squadPrev = prev;
            m_squadNext = next;
        }
        D3DXQUATERNION q;
        D3DXQuaternionSquad(&q, &q1, &m_squad[0], &m_squad[1], &m_squad[2], fraction);
        q.w = -q.w;
        D3DXMatrixRotationQuaternion(&step, &q);
        D3DXMatrixMultiply(&m, &m, &step);
        changed = true;
    }
    if (pPositionKeys && uNumPositionKeys) {
        keySearch(pPositionKeys, uNumPositionKeys, time, prev, next, fraction);
        const Vec3& a = pPositionKeys[prev].position;
        const Vec3& b = pPositionKeys[next].position;
        D3DXMatrixTranslation(&step, a.x + (b.x - a.x) * fraction, a.y + (b.y - a.y) * fraction,
                              a.z + (b.z - a.z) * fraction);
        D3DXMatrixMultiply(&m, &m, &step);
        changed = true;
    } else {
        const Matrix& f = pTarget->mFileTransform;
        D3DXMatrixTranslation(&step, f.m[3][0], f.m[3][1], f.m[3][2]);
        D3DXMatrixMultiply(&m, &m, &step);
    }
    if (changed) pTarget->mLocal = fromD3DX(m);
}

SkinDrawElement::SkinDrawElement()
    : pRoot(nullptr), vCentre(), fRadius(1.0f), pName(nullptr), pAnimations(nullptr), pNext(nullptr), fTime(0.0f) {}

SkinDrawElement::~SkinDrawElement() {
    delete pRoot;
    DeleteChain(pNext, &SkinDrawElement::pNext);
    delete[] pName;
}

SkinFrame* SkinDrawElement::FindFrame(const char* name) { return pRoot ? pRoot->FindFrame(name) : nullptr; }

void SkinDrawElement::AddAnimation(SkinFrame* node) {
    node->pNextAnimation = pAnimations;
    pAnimations = node;
}

// ---- frame walks --------------------------------------------------------------------------

void SkinMesh::UpdateFrames(SkinFrame* frame, const Matrix& parent) {
    frame->mCombined = multiply(frame->mLocal, parent);
    for (SkinFrame* child = frame->pFirstChild; child; child = child->pSibling) UpdateFrames(child, frame->mCombined);
}

void SkinMesh::FindBones(SkinFrame* frame, SkinDrawElement* element) {
    for (SkinMeshContainer* c = frame->pMeshContainers; c; c = c->pNext) {
        if (!c->pSkinMesh || !c->pBoneNames || !c->ppBoneMatrices) continue;
        char** names = static_cast<char**>(c->pBoneNames->GetBufferPointer());
        const DWORD bones = c->pSkinMesh->GetNumBones();
        for (DWORD i = 0; i < bones; ++i) {
            SkinFrame* bone = element->FindFrame(names[i]);
            if (!bone) DebugLog("Skinned mesh bone %s has no frame\n", names[i] ? names[i] : "");
            c->ppBoneMatrices[i] = bone ? &bone->mCombined : &g_mBoneIdentity;
        }
    }
    for (SkinFrame* child = frame->pFirstChild; child; child = child->pSibling) FindBones(child, element);
}

void SkinMesh::ReleaseDeviceMeshes(SkinFrame* frame) {
    for (SkinMeshContainer* c = frame->pMeshContainers; c; c = c->pNext) {
        if (!c->pSkinMesh) continue;
        if (c->pMesh) {
            c->pMesh->Release();
            c->pMesh = nullptr;
        }
        c->uGenerated = 0;
    }
    for (SkinFrame* child = frame->pFirstChild; child; child = child->pSibling) ReleaseDeviceMeshes(child);
}

namespace {

// Visits every vertex of every container mesh, with its frame's matrix.
template <class Fn>
void walkVertices(SkinFrame* frame, const Matrix& parent, Fn&& fn) {
    const Matrix m = multiply(frame->mLocal, parent);
    const D3DXMATRIX dm = toD3DX(m);
    for (SkinMeshContainer* c = frame->pMeshContainers; c; c = c->pNext) {
        if (!c->pMesh) continue;
        BYTE* p = nullptr;
        if (FAILED(c->pMesh->LockVertexBuffer(0, &p))) continue;
        const UINT stride = D3DXGetFVFVertexSize(c->pMesh->GetFVF());
        for (DWORD v = 0; v < c->pMesh->GetNumVertices(); ++v) {
            D3DXVECTOR3 pos;
            std::memcpy(&pos, p + size_t(v) * stride, 12);
            if (pos.x == 0.0f && pos.y == 0.0f && pos.z == 0.0f) continue;
            D3DXVec3TransformCoord(&pos, &pos, &dm);
            fn(pos);
        }
        c->pMesh->UnlockVertexBuffer();
    }
    for (SkinFrame* child = frame->pFirstChild; child; child = child->pSibling) walkVertices(child, m, fn);
}

}  // namespace

void SkinMesh::CalculateBoundingSphere(SkinDrawElement* element) {
    if (!element->pRoot) return;
    D3DXVECTOR3 sum(0.0f, 0.0f, 0.0f);
    uint32_t count = 0;
    walkVertices(element->pRoot, g_mIdentity, [&](const D3DXVECTOR3& p) {
        sum += p;
        ++count;
    });
    float largest = 0.0f;
    if (count) {
        const D3DXVECTOR3 centre(sum.x / count, sum.y / count, sum.z / count);
        element->vCentre = Vec3(centre.x, centre.y, centre.z);
        walkVertices(element->pRoot, g_mIdentity, [&](const D3DXVECTOR3& p) {
            const float dx = p.x - centre.x, dy = p.y - centre.y, dz = p.z - centre.z;
            largest = std::fmax(largest, dx * dx + dy * dy + dz * dz);
        });
    }
    element->fRadius = std::sqrt(largest);
}

// ---- skinning -----------------------------------------------------------------------------

HRESULT SkinMesh::GenerateMesh(SkinMeshContainer* c) {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return S_FALSE;
    if (c->pMesh) {
        c->pMesh->Release();
        c->pMesh = nullptr;
    }
    if (c->pBoneCombinations) {
        c->pBoneCombinations->Release();
        c->pBoneCombinations = nullptr;
    }
    const DWORD bones = c->pSkinMesh->GetNumBones();
    c->uPaletteSize = bones < DWORD(SKIN_MAX_PALETTE) ? bones : DWORD(SKIN_MAX_PALETTE);
    const D3DCAPS8* caps = RenderDevice_GetCaps();
    DWORD options = D3DXMESHOPT_VERTEXCACHE;
    if (!caps || caps->VertexShaderVersion < 0xFFFE0101) {
        options |= D3DXMESH_SYSTEMMEM;
        c->uSoftware = 1;
    } else {
        options |= D3DXMESH_MANAGED;
        c->uSoftware = 0;
    }
    DWORD subsets = 0;
    HRESULT hr = c->pSkinMesh->ConvertToIndexedBlendedMesh(options, reinterpret_cast<DWORD*>(c->pAdjacency),
                                                           c->uPaletteSize, nullptr, &subsets, &c->pBoneCombinations,
                                                           nullptr, nullptr, &c->pMesh);
    if (FAILED(hr)) return hr;
    c->uSubsetCount = subsets;
    const DWORD fvf = c->pMesh->GetFVF();
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    c->uInfluences = position == D3DFVF_XYZ ? 1 : (position - 4) / 2;
    const DWORD required = (position | D3DFVF_NORMAL | D3DFVF_TEX1 | D3DFVF_LASTBETA_UBYTE4) & 0xFFFF;
    if (fvf != required) {
        ID3DXMesh* clone = nullptr;
        hr = c->pMesh->CloneMeshFVF(c->pMesh->GetOptions(), required, device, &clone);
        if (SUCCEEDED(hr)) {
            c->pMesh->Release();
            c->pMesh = clone;
        }
    }
    c->uGenerated = 1;
    return hr;
}

void SkinMesh::DrawMeshContainer(SkinMeshContainer* c) {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    if (!c->pSkinMesh) {
        for (uint32_t i = 0; i < c->uSubsetCount && c->pMesh; ++i) {
            device->SetTexture(0, nullptr);
            c->pMesh->DrawSubset(i);
        }
        return;
    }
    if (!c->uGenerated) GenerateMesh(c);
    // A conversion that failed leaves nothing drawable: skip the container.
    if (!c->uGenerated || !c->pMesh || !c->pBoneCombinations || c->uInfluences < 1 || c->uInfluences > 4) return;
    const DWORD shader = m_aVertexShaders[c->uInfluences - 1];
    if (!shader) return;
    if (c->uSoftware) device->SetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, TRUE);
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    c->pMesh->GetVertexBuffer(&vb);
    c->pMesh->GetIndexBuffer(&ib);
    device->SetStreamSource(0, vb, D3DXGetFVFVertexSize(c->pMesh->GetFVF()));
    device->SetIndices(ib, 0);
    if (vb) vb->Release();
    if (ib) ib->Release();
    device->SetVertexShader(shader);
    const DWORD bones = c->pSkinMesh->GetNumBones();
    const D3DXMATRIX worldView = toD3DX(m_mWorldView);
    const float c0[4] = {1.0f, 1.0f, 0.0f, 765.01f};
    const D3DXBONECOMBINATION* combos = static_cast<const D3DXBONECOMBINATION*>(c->pBoneCombinations->GetBufferPointer());
    for (uint32_t i = 0; i < c->uSubsetCount; ++i) {
        for (uint32_t j = 0; j < c->uPaletteSize; ++j) {
            const DWORD b = combos[i].BoneId[j];
            if (b == kNoBone || b >= bones) continue;
            D3DXMATRIX offset = toD3DX(c->pBoneOffsetMatrices[b]);
            D3DXMATRIX frame = toD3DX(*c->ppBoneMatrices[b]);
            D3DXMATRIX m;
            D3DXMatrixMultiply(&m, &offset, &frame);
            D3DXMatrixMultiplyTranspose(&m, &m, &worldView);
            device->SetVertexShaderConstant(SKIN_VSC_PALETTE + 3 * j, &m, 3);
        }
        device->SetVertexShaderConstant(SKIN_VSC_CONSTANTS, c0, 1);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, combos[i].VertexStart, combos[i].VertexCount,
                                     combos[i].FaceStart * 3, combos[i].FaceCount);
    }
    if (c->uSoftware) device->SetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, FALSE);
}

void SkinMesh::DrawFrames(SkinFrame* frame, uint32_t& faceCounter) {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (frame->pMeshContainers && device) {
        const D3DXMATRIX world = toD3DX(frame->mCombined);
        device->SetTransform(D3DTS_WORLD, &world);
    }
    for (SkinMeshContainer* c = frame->pMeshContainers; c; c = c->pNext) {
        DrawMeshContainer(c);
        if (c->pMesh) faceCounter += c->pMesh->GetNumFaces();
    }
    for (SkinFrame* child = frame->pFirstChild; child; child = child->pSibling) DrawFrames(child, faceCounter);
}

// ---- the object ---------------------------------------------------------------------------

SkinMesh::SkinMesh()
    : m_pElements(nullptr), m_pSelectedElement(nullptr), m_aVertexShaders{0, 0, 0, 0}, m_pTexture(nullptr),
      m_afTint{1.0f, 1.0f, 1.0f, 0.0f}, m_uRenderMode(3), m_bReleased(true), m_bHidden(false), m_iListedIn(-1),
      m_bSharedShaders(false) {
    m_szMeshFile[0] = '\0';
    m_szTextureFile[0] = '\0';
    mat_Identity(&m_mWorldView);
}

SkinMesh::~SkinMesh() {
    if (m_bSharedShaders) SkinModelCache::Get()->ReleaseShaders();
    FreeFrames();
    if (m_pTexture) m_pTexture->Release();
}

void SkinMesh::Setup(const char* meshFile, const char* textureFile) {
    std::snprintf(m_szMeshFile, sizeof(m_szMeshFile), "%s", meshFile ? meshFile : "");
    std::snprintf(m_szTextureFile, sizeof(m_szTextureFile), "%s", textureFile ? textureFile : "");
    m_bReleased = true;
    for (SkinLight& l : m_aLights) {
        l.position = Vec3(0.0f, 0.0f, 0.0f);
        l.colour[0] = l.colour[1] = l.colour[2] = l.colour[3] = 1.0f;
        l.range = 200.0f;
    }
    m_afTint[0] = m_afTint[1] = m_afTint[2] = m_afTint[3] = 1.0f;
    m_uRenderMode = 3;
}

void SkinMesh::SetSkinLight(uint32_t index, const Vec3& position, uint32_t colour, float range) {
    if (index >= 3) {
        TrapError(__FILE__, __LINE__, "Index invalid for setting a Skin light");
        return;
    }
    SkinLight& l = m_aLights[index];
    l.position = position;
    l.colour[0] = float((colour >> 16) & 0xFF) * 0.003921569f;
    l.colour[1] = float((colour >> 8) & 0xFF) * 0.003921569f;
    l.colour[2] = float(colour & 0xFF) * 0.003921569f;
    l.range = range;
}

void SkinMesh::SetTint(float r, float g, float b) {
    m_afTint[0] = r;
    m_afTint[1] = g;
    m_afTint[2] = b;
}

void SkinMesh::Update(float dt) {
    if (m_bHidden) return;
    for (SkinDrawElement* e = m_pElements; e; e = e->pNext) {
        e->fTime += dt * kTicksPerSecond;
        if (e->fTime > 1.0e15f) e->fTime = 0.0f;
        for (SkinFrame* a = e->pAnimations; a; a = a->pNextAnimation) a->SetTime(e->fTime);
    }
}

void SkinMesh::Activate() {
    GetGameEngine()->AddProcess(this);
    if (m_uRenderMode == 2) {
        GetRenderer()->AddOverlayObject(this);
        m_iListedIn = 1;
    } else {
        GetRenderer()->AddObject(this);
        m_iListedIn = 0;
    }
    // Model, texture and shaders are made now, inside the level load or the state
    // change that activates the model, rather than in the first frame that draws it.
    if (m_bReleased && RenderDevice_GetDevice()) RestoreDeviceObjects();
}

void SkinMesh::Deactivate() {
    GetGameEngine()->RemoveProcess(this);
    // The list it was put in, whatever the render mode has become since.
    const bool overlay = m_iListedIn >= 0 ? m_iListedIn == 1 : m_uRenderMode == 2;
    if (overlay)
        GetRenderer()->RemoveOverlayObject(this);
    else
        GetRenderer()->RemoveObject(this);
    m_iListedIn = -1;
}

void SkinMesh::UpdateLighting() {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    float c1[4], c7[4], c8[4];
    if (m_uRenderMode == 2) {
        c1[0] = c1[1] = c1[2] = c1[3] = 0.0f;
        std::memcpy(c7, m_afTint, sizeof(c7));
        c8[0] = m_afTint[0];
        c8[1] = m_afTint[1];
        c8[2] = m_afTint[2];
        c8[3] = 1.0f;
    } else {
        const Matrix* world = GetMatrix();
        const Vec3 p(world->m[3][0], world->m[3][1], world->m[3][2]);
        Vec3 dir;
        float colour[3] = {0.0f, 0.0f, 0.0f};
        for (const SkinLight& l : m_aLights) {
            Vec3 d = p;
            d -= l.position;
            const float s = d.x * d.x + d.y * d.y + d.z * d.z;
            if (s < l.range * l.range) {
                const float f = 1.0f - std::sqrt(s) / l.range;
                d *= f;
                dir += d;
                for (int i = 0; i < 3; ++i) colour[i] += f * l.colour[i];
            }
        }
        Vec3::Normalise(dir);
        const Matrix& v = *GetRenderer()->GetViewMatrix();
        const float x = -dir.x, y = -dir.y, z = -dir.z;
        for (int cIdx = 0; cIdx < 4; ++cIdx) c1[cIdx] = x * v.m[0][cIdx] + y * v.m[1][cIdx] + z * v.m[2][cIdx];
        for (int i = 0; i < 3; ++i) c8[i] = (colour[i] > 1.0f ? 1.0f : colour[i]) * m_afTint[i];
        c8[3] = 1.0f;
        c7[0] = c7[1] = c7[2] = 0.25f;
        c7[3] = 1.0f;
    }
    device->SetVertexShaderConstant(SKIN_VSC_LIGHTDIR, c1, 1);
    device->SetVertexShaderConstant(SKIN_VSC_AMBIENT, c7, 1);
    device->SetVertexShaderConstant(SKIN_VSC_DIFFUSE, c8, 1);
}

void SkinMesh::Render() {
    if (m_bReleased) RestoreDeviceObjects();
    if (!m_pElements || m_bHidden) return;
    m_mWorldView = multiply(*GetMatrix(), *GetRenderer()->GetViewMatrix());
    UpdateLighting();
    GetRenderer()->SetTextureWrap(true);
    GetRenderer()->SetRenderMode(m_uRenderMode);
    if (IDirect3DDevice8* device = RenderDevice_GetDevice()) device->SetTexture(0, m_pTexture);
    uint32_t faces = 0;
    for (SkinDrawElement* e = m_pElements; e; e = e->pNext) {
        if (!e->pRoot) continue;
        UpdateFrames(e->pRoot, g_mIdentity);
        DrawFrames(e->pRoot, faces);
    }
}

void SkinMesh::RestoreDeviceObjects() {
    if (!m_bReleased) return;
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    // No texture named (no Setup yet): nothing to load.
    if (!m_pTexture && m_szTextureFile[0]) m_pTexture = GetRenderer()->LoadTexture(m_szTextureFile);
    SkinModelCache* cache = SkinModelCache::Get();
    // The file is parsed once for all users; each animates its own copy of the frames.
    if (!m_pElements && m_szMeshFile[0]) {
        if (const SkinDrawElement* model = cache->Acquire(m_szMeshFile)) {
            m_pElements = m_pSelectedElement = CloneElement(*model);
            m_SharedModel = m_szMeshFile;
        }
    }
    if (!m_bSharedShaders) {
        cache->AcquireShaders(m_aVertexShaders);
        m_bSharedShaders = device != nullptr;
    }
    if (device) {
        const float c1[4] = {0.0f, 0.0f, -1.0f, 0.0f};
        device->SetVertexShaderConstant(SKIN_VSC_LIGHTDIR, c1, 1);
    }
    m_bReleased = false;
}

void SkinMesh::InvalidateDeviceObjects() {
    if (m_bReleased) return;
    for (SkinDrawElement* e = m_pElements; e; e = e->pNext)
        if (e->pRoot) ReleaseDeviceMeshes(e->pRoot);
    for (DWORD& s : m_aVertexShaders) s = 0;
    if (m_bSharedShaders) SkinModelCache::Get()->ReleaseShaders();
    m_bSharedShaders = false;
    FreeFrames();
    if (m_pTexture) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
    m_bReleased = true;
}

void SkinMesh::FreeFrames() {
    if (m_pSelectedElement == m_pElements) m_pSelectedElement = nullptr;
    delete m_pElements;
    m_pElements = nullptr;
    m_pSelectedElement = nullptr;
    if (!m_SharedModel.empty()) SkinModelCache::Get()->Release(m_SharedModel.c_str());
    m_SharedModel.clear();
}
