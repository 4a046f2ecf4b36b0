// D3DX 8 meshes: triangle meshes and skin meshes loaded from .x files.
#pragma once
#include "d3d8.h"
#include "d3dx8core.h"
#include "d3dx8math.h"
#include "dxfile.h"

// Mesh creation options.
#define D3DXMESH_32BIT                  0x001
#define D3DXMESH_DONOTCLIP              0x002
#define D3DXMESH_POINTS                 0x004
#define D3DXMESH_RTPATCHES              0x008
#define D3DXMESH_NPATCHES               0x4000
#define D3DXMESH_VB_SYSTEMMEM           0x010
#define D3DXMESH_VB_MANAGED             0x020
#define D3DXMESH_VB_WRITEONLY           0x040
#define D3DXMESH_VB_DYNAMIC             0x080
#define D3DXMESH_VB_SOFTWAREPROCESSING  0x8000
#define D3DXMESH_IB_SYSTEMMEM           0x100
#define D3DXMESH_IB_MANAGED             0x200
#define D3DXMESH_IB_WRITEONLY           0x400
#define D3DXMESH_IB_DYNAMIC             0x800
#define D3DXMESH_IB_SOFTWAREPROCESSING  0x10000
#define D3DXMESH_VB_SHARE               0x1000
#define D3DXMESH_USEHWONLY              0x2000
#define D3DXMESH_SYSTEMMEM              0x110
#define D3DXMESH_MANAGED                0x220
#define D3DXMESH_WRITEONLY              0x440
#define D3DXMESH_DYNAMIC                0x880
#define D3DXMESH_SOFTWAREPROCESSING     0x18000

// Optimisation flags.
#define D3DXMESHOPT_COMPACT       0x01000000
#define D3DXMESHOPT_ATTRSORT      0x02000000
#define D3DXMESHOPT_VERTEXCACHE   0x04000000
#define D3DXMESHOPT_STRIPREORDER  0x08000000
#define D3DXMESHOPT_IGNOREVERTS   0x10000000
#define D3DXMESHOPT_SHAREVB       0x1000

#define D3DXERR_CANNOTMODIFYINDEXBUFFER ((HRESULT)0x88760B54L)
#define D3DXERR_INVALIDMESH             ((HRESULT)0x88760B55L)
#define D3DXERR_CANNOTATTRSORT          ((HRESULT)0x88760B56L)
#define D3DXERR_SKINNINGNOTSUPPORTED    ((HRESULT)0x88760B57L)
#define D3DXERR_TOOMANYINFLUENCES       ((HRESULT)0x88760B58L)
#define D3DXERR_LOADEDMESHASNODATA      ((HRESULT)0x88760B5AL)

#define MAX_FVF_DECL_SIZE 20

// A run of faces (and the vertices they use) sharing one attribute id.
typedef struct _D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
} D3DXATTRIBUTERANGE, *LPD3DXATTRIBUTERANGE;

// A material of a mesh with the name of its texture (null when it has none).
typedef struct _D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    LPSTR pTextureFilename;
} D3DXMATERIAL, *LPD3DXMATERIAL;

// One draw call of an indexed-blended mesh: its faces and vertices and the bones of its palette
// (BoneId[j] is the bone of palette entry j, or 0xFFFFFFFF when the entry is unused).
typedef struct _D3DXBONECOMBINATION {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
    DWORD* BoneId;
} D3DXBONECOMBINATION, *LPD3DXBONECOMBINATION;

struct ID3DXMesh;
struct ID3DXSkinMesh;
typedef ID3DXMesh* LPD3DXMESH;
typedef ID3DXSkinMesh* LPD3DXSKINMESH;

struct ID3DXBaseMesh : public IUnknown {
    // Draws the faces whose attribute id is attribId, with the mesh's FVF as vertex shader.
    virtual HRESULT DrawSubset(DWORD attribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual HRESULT GetDeclaration(DWORD declaration[MAX_FVF_DECL_SIZE]) = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(LPDIRECT3DDEVICE8* device) = 0;
    virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, LPDIRECT3DDEVICE8 device, LPD3DXMESH* cloneMesh) = 0;
    virtual HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* vb) = 0;
    virtual HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* ib) = 0;
    virtual HRESULT LockVertexBuffer(DWORD flags, BYTE** data) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD flags, BYTE** data) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    // With a null table: the number of entries in *size.
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) = 0;
};

struct ID3DXMesh : public ID3DXBaseMesh {
    virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    // Reorders faces and vertices (COMPACT, ATTRSORT, VERTEXCACHE); faceRemap gets the old face
    // of each new face, vertexRemap the old vertex of each new vertex.
    virtual HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut,
                                    DWORD* faceRemap, LPD3DXBUFFER* vertexRemap) = 0;
};

struct ID3DXSkinMesh : public IUnknown {
    virtual DWORD GetNumBones() = 0;
    virtual HRESULT GetOriginalMesh(LPD3DXMESH* mesh) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(LPDIRECT3DDEVICE8* device) = 0;
    virtual HRESULT GetMaxVertexInfluences(DWORD* maxVertexInfluences) = 0;
    // Splits the mesh into bone combinations of at most paletteSize bones and writes its vertices
    // as XYZBn | LASTBETA_UBYTE4 with n the largest number of influences of a vertex.
    virtual HRESULT ConvertToIndexedBlendedMesh(DWORD options, const DWORD* adjacencyIn, DWORD paletteSize,
                                                DWORD* adjacencyOut, DWORD* numBoneCombinations,
                                                LPD3DXBUFFER* boneCombinationTable, DWORD* faceRemap,
                                                LPD3DXBUFFER* vertexRemap, LPD3DXMESH* mesh) = 0;
};

QUIL_DEFINE_GUID(IID_ID3DXBaseMesh, 0x2a835771, 0xbf4d, 0x43f4, 0x8e, 0x14, 0x82, 0xa8, 0x09, 0xf1, 0x7d, 0x8a);
QUIL_DEFINE_GUID(IID_ID3DXMesh, 0xccae5c3b, 0x4dd1, 0x4d0f, 0x99, 0x7e, 0x46, 0x84, 0xca, 0x64, 0x55, 0x7f);
QUIL_DEFINE_GUID(IID_ID3DXSkinMesh, 0x8db06ecc, 0xebfc, 0x408a, 0x97, 0x34, 0xc0, 0xe1, 0x3b, 0x46, 0x58, 0x58);

// Loads every mesh of a .x file (frames' transforms applied) into one mesh.
HRESULT D3DXLoadMeshFromX(LPCSTR filename, DWORD options, LPDIRECT3DDEVICE8 device, LPD3DXBUFFER* adjacency,
                          LPD3DXBUFFER* materials, DWORD* numMaterials, LPD3DXMESH* mesh);
// Loads the mesh of one Mesh data object.
HRESULT D3DXLoadMeshFromXof(LPDIRECTXFILEDATA meshData, DWORD options, LPDIRECT3DDEVICE8 device,
                            LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, DWORD* numMaterials,
                            LPD3DXMESH* mesh);
// Loads one Mesh data object with its skin weights; boneNames holds one char* per bone and
// boneTransforms one D3DXMATRIX (the bone offset) per bone.
HRESULT D3DXLoadSkinMeshFromXof(LPDIRECTXFILEDATA meshData, DWORD options, LPDIRECT3DDEVICE8 device,
                                LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, DWORD* numMaterials,
                                LPD3DXBUFFER* boneNames, LPD3DXBUFFER* boneTransforms, LPD3DXSKINMESH* mesh);

// The vertex-shader declaration (stream 0) that matches a flexible vertex format.
HRESULT D3DXDeclaratorFromFVF(DWORD fvf, DWORD declarator[MAX_FVF_DECL_SIZE]);
