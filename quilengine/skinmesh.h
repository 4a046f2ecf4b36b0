// Skinned, animated models from .x files: the frame tree with its animation nodes, the mesh
// containers drawn with vertex-shader skinning, and the SkinMesh object that owns them.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>

#include "d3d8.h"
#include "d3dx8mesh.h"
#include "dxfile.h"
#include "process.h"
#include "quilmath.h"

// Animation keys; times in ticks (4800 per second).
struct PositionKey {
    uint32_t time;
    Vec3 position;
};
struct ScaleKey {
    uint32_t time;
    Vec3 scale;
};
struct RotateKey {
    uint32_t time;
    float x, y, z, w;  // quaternion
};
struct MatrixKey {
    uint32_t time;
    Matrix matrix;
};

// One mesh of a frame: the drawn mesh and, for a skinned mesh, its skin and bone tables.
struct SkinMeshContainer {
    ID3DXMesh* pMesh;                 // drawn: the converted mesh, or the file's mesh without bones
    uint32_t uSubsetCount;            // bone combinations of the converted mesh; 1 without bones
    SkinMeshContainer* pNext;         // next container of the frame; owned
    char* pName;
    ID3DXSkinMesh* pSkinMesh;         // null for a mesh without bones
    Matrix** ppBoneMatrices;          // per bone: the combined matrix of its frame
    ID3DXBuffer* pBoneNames;
    ID3DXBuffer* pBoneOffsets;
    Matrix* pBoneOffsetMatrices;      // inside pBoneOffsets
    uint32_t* pAdjacency;             // three per face
    uint32_t uInfluences;             // 1..4: selects the vertex shader
    ID3DXBuffer* pBoneCombinations;
    uint32_t uPaletteSize;            // at most 28
    uint32_t uSoftware;               // 1: drawn with software vertex processing
    uint32_t uGenerated;              // 1 after a successful conversion

    SkinMeshContainer();
    ~SkinMeshContainer();  // releases everything and destroys the rest of the chain
    SkinMeshContainer(const SkinMeshContainer&) = delete;
    SkinMeshContainer& operator=(const SkinMeshContainer&) = delete;
};

// A frame of the tree, or an animation node that drives a frame by its keys.
class SkinFrame {
public:
    SkinFrame();
    ~SkinFrame();  // destroys its containers, its subtree and the siblings behind it
    SkinFrame(const SkinFrame&) = delete;
    SkinFrame& operator=(const SkinFrame&) = delete;

    // Applies the keys at the given time to the target's local transform.
    void SetTime(float time);
    // Depth first: this frame, its children, then the siblings behind it.
    SkinFrame* FindFrame(const char* name);
    // The first child stays first; later children go directly behind it.
    void AddChild(SkinFrame* frame);
    void AddMeshContainer(SkinMeshContainer* container);

    SkinMeshContainer* pMeshContainers;
    Matrix mLocal;
    Matrix mFileTransform;
    Matrix mCombined;
    PositionKey* pPositionKeys;
    uint32_t uNumPositionKeys;
    RotateKey* pRotateKeys;
    uint32_t uNumRotateKeys;
    ScaleKey* pScaleKeys;
    uint32_t uNumScaleKeys;
    MatrixKey* pMatrixKeys;
    uint32_t uNumMatrixKeys;
    SkinFrame* pNextAnimation;
    SkinFrame* pTarget;
    SkinFrame* pSibling;
    SkinFrame* pFirstChild;
    char* pName;

private:
    // The squad control points of the last rotation key pair used: a walk stays between two
    // keys for several frames.
    const RotateKey* m_squadKeys = nullptr;
    uint32_t m_squadPrev = ~0u, m_squadNext = ~0u, m_squadCount = 0;
    D3DXQUATERNION m_squad[3];
};

// One loaded .x file.
class SkinDrawElement {
public:
    SkinDrawElement();
    ~SkinDrawElement();  // destroys the root, then the elements behind it, then the name
    SkinDrawElement(const SkinDrawElement&) = delete;
    SkinDrawElement& operator=(const SkinDrawElement&) = delete;

    SkinFrame* FindFrame(const char* name);
    void AddAnimation(SkinFrame* node);

    SkinFrame* pRoot;
    Vec3 vCentre;
    float fRadius;
    char* pName;
    SkinFrame* pAnimations;
    SkinDrawElement* pNext;
    float fTime;
};

struct SkinLight {
    Vec3 position;
    float colour[4];
    float range;
    SkinLight() : position(), colour{0.0f, 0.0f, 0.0f, 0.0f}, range(0.0f) {}
};

// Vertex-shader constant registers of the skinning shaders.
enum {
    SKIN_VSC_CONSTANTS = 0,   // (1, 1, 0, 765.01)
    SKIN_VSC_LIGHTDIR = 1,    // direction toward the light, camera space
    SKIN_VSC_PROJECTION = 2,  // c2..c5
    SKIN_VSC_AMBIENT = 7,
    SKIN_VSC_DIFFUSE = 8,
    SKIN_VSC_PALETTE = 9,     // three registers per palette entry
    SKIN_MAX_PALETTE = 28,
    SKIN_SHADER_RESOURCE = 116,  // resources 116..119: one to four influences
};

// The vertex declaration of the skinning shader for i + 1 influences (i = 0..3).
const DWORD* SkinVertexDeclaration(int i);

// The skinned models of the run, shared by every SkinMesh that draws them: each
// file is parsed once into a model whose meshes, skins and bone tables all users
// share; a user copies only the frame tree it animates. The four skinning
// shaders are made once per device and shared the same way. A model or shader set
// is freed when its last user lets it go after the cache has released its own hold
// (ReleaseAll, at the device's delete step); a file that fails is remembered.
class SkinModelCache {
public:
    static SkinModelCache* Get();
    // The shared model of a file, with a use counted; null when the file cannot be
    // loaded (reported the first time only).
    const SkinDrawElement* Acquire(const char* file);
    void Release(const char* file);
    // The shared shader handles for one to four influences, with a use counted.
    void AcquireShaders(DWORD shaders[4]);
    void ReleaseShaders();
    // Drops the cache's own hold; a model or shader set nobody uses is freed now.
    void ReleaseAll();
    // Models held (for tests and diagnostics) and the number of files parsed.
    size_t ModelCount() const;
    uint32_t ParseCount() const { return m_uParses; }

private:
    struct Model {
        SkinDrawElement* element = nullptr;  // null: the file failed
        uint32_t users = 0;
        bool held = true;
    };
    void FreeIfUnused(const std::string& key);
    void FreeShadersIfUnused();
    std::unordered_map<std::string, Model> m_models;
    DWORD m_aShaders[4] = {0, 0, 0, 0};
    IDirect3DDevice8* m_pShaderDevice = nullptr;
    uint32_t m_uShaderUsers = 0;
    bool m_bShadersHeld = false;
    uint32_t m_uParses = 0;
};

class SkinMesh : public Object {
public:
    SkinMesh();
    ~SkinMesh() override;

    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;
    void Render() override;
    void InvalidateDeviceObjects() override;
    void RestoreDeviceObjects() override;

    void Setup(const char* meshFile, const char* textureFile);
    void SetSkinLight(uint32_t index, const Vec3& position, uint32_t colour, float range);
    void SetTint(float r, float g, float b);
    void SetRenderMode(uint32_t mode) { m_uRenderMode = mode; }
    void SetHidden(bool hidden) { m_bHidden = hidden; }

    // Frame tree and animation.
    void UpdateFrames(SkinFrame* frame, const Matrix& parent);
    void FindBones(SkinFrame* frame, SkinDrawElement* element);
    void ReleaseDeviceMeshes(SkinFrame* frame);
    void CalculateBoundingSphere(SkinDrawElement* element);

    // Loading.
    HRESULT LoadMeshHierarchy(const char* fileName);
    HRESULT LoadFrames(IDirectXFileData* object, SkinDrawElement* element, DWORD options, DWORD fvf,
                       IDirect3DDevice8* device, SkinFrame* current);
    HRESULT LoadMesh(IDirectXFileData* object, DWORD options, DWORD fvf, IDirect3DDevice8* device, SkinFrame* current);
    HRESULT LoadAnimationSet(IDirectXFileData* object, SkinDrawElement* element, DWORD options, DWORD fvf,
                             IDirect3DDevice8* device, SkinFrame* current);
    HRESULT LoadAnimation(IDirectXFileData* object, SkinDrawElement* element, DWORD options, DWORD fvf,
                          IDirect3DDevice8* device, SkinFrame* current);
    void DeleteSelectedMesh();
    // Mesh options of the next loads (0 unless set): a model kept beyond a device
    // reset needs its meshes outside the default pool.
    void SetLoadOptions(DWORD options) { m_dwLoadOptions = options; }
    // Hands over the loaded elements (the caller owns them) and forgets them.
    SkinDrawElement* DetachElements();
    // A copy of a model's frame tree and animation for one user, sharing its
    // meshes and skin data.
    SkinDrawElement* CloneElement(const SkinDrawElement& model);

    // Drawing.
    HRESULT GenerateMesh(SkinMeshContainer* container);
    void DrawMeshContainer(SkinMeshContainer* container);
    void DrawFrames(SkinFrame* frame, uint32_t& faceCounter);

    // Read-only views for tests and diagnostics.
    SkinDrawElement* GetElements() const { return m_pElements; }
    const SkinLight& GetSkinLight(uint32_t i) const { return m_aLights[i < 3 ? i : 2]; }
    const float* GetTint() const { return m_afTint; }
    uint32_t GetRenderMode() const { return m_uRenderMode; }
    bool IsReleased() const { return m_bReleased; }
    bool IsHidden() const { return m_bHidden; }
    const char* GetMeshFileName() const { return m_szMeshFile; }
    DWORD GetVertexShader(int i) const { return m_aVertexShaders[i & 3]; }
    const Matrix& GetWorldView() const { return m_mWorldView; }

    // Writes the light direction, ambient and diffuse constants (c1, c7, c8).
    void UpdateLighting();

private:
    void FreeFrames();

    SkinLight m_aLights[3];
    SkinDrawElement* m_pElements;
    SkinDrawElement* m_pSelectedElement;
    char m_szMeshFile[260];
    char m_szTextureFile[260];
    DWORD m_aVertexShaders[4];
    Matrix m_mWorldView;
    IDirect3DTexture8* m_pTexture;
    float m_afTint[4];
    uint32_t m_uRenderMode;
    bool m_bReleased;
    bool m_bHidden;
    int m_iListedIn;  // -1 not listed, 0 the object list, 1 the overlay list
    std::string m_SharedModel;  // file of the cache's model the elements copy; empty if none
    bool m_bSharedShaders;  // the shader handles are the cache's
    DWORD m_dwLoadOptions = 0;
};
