// Shared pieces of the D3DX mesh sources (not a public header).
#pragma once
#include <string>
#include <vector>

#include "d3dx8mesh.h"

namespace quil_d3dx {

// Where each part of a vertex of a flexible vertex format lies.
struct VertexLayout {
    UINT stride = 0;
    UINT position = 0;     // always at 0; 12 bytes (16 for XYZRHW)
    UINT weights = 0;      // number of blend weights
    int weightOffset = -1;
    int indicesOffset = -1;  // the UBYTE4 palette indices (LASTBETA_UBYTE4)
    int normal = -1, psize = -1, diffuse = -1, specular = -1;
    UINT texCount = 0;
    int tex[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    UINT texSize[8] = {};
};
VertexLayout LayoutOf(DWORD fvf);
bool FvfSupported(DWORD fvf);

// The data of a mesh in system memory, as the loader and the converters build it.
struct MeshData {
    DWORD fvf = D3DFVF_XYZ;
    DWORD numVertices = 0;
    std::vector<BYTE> vertices;       // numVertices * stride of fvf
    std::vector<DWORD> indices;       // three per face
    std::vector<DWORD> attributes;    // one per face
    std::vector<DWORD> pointReps;     // for each vertex, the vertex of the file it came from
    std::vector<D3DXATTRIBUTERANGE> table;  // empty: none
};

// Creates a mesh object on the device from system-memory data (indices are 16-bit unless
// options ask for 32 or the vertex count needs it).
HRESULT CreateMesh(const MeshData& data, DWORD options, IDirect3DDevice8* device, ID3DXMesh** out);
// Reads a mesh object created here back into system memory.
HRESULT ReadMesh(ID3DXMesh* mesh, MeshData& out);
// Orders faces by attribute (stable) and builds the attribute table.
void SortByAttribute(MeshData& m);
// Faces sharing an edge, by point representative; 0xFFFFFFFF where there is none.
std::vector<DWORD> ComputeAdjacency(const std::vector<DWORD>& indices, const std::vector<DWORD>& pointReps);
// The attribute table of faces already sorted by attribute.
std::vector<D3DXATTRIBUTERANGE> BuildAttributeTable(const std::vector<DWORD>& indices,
                                                    const std::vector<DWORD>& attributes);
// Copies the vertex parts both formats have; the rest of the target stays zero.
void ConvertVertex(const BYTE* src, const VertexLayout& from, BYTE* dst, const VertexLayout& to);

// One bone of a skin: its name, the file vertices it moves with their weights, its offset.
struct BoneData {
    std::string name;
    std::vector<DWORD> vertices;
    std::vector<float> weights;
    D3DXMATRIX offset;
};

// A Mesh data object as read from the file: the mesh, its materials and its skin.
struct LoadedMesh {
    MeshData mesh;
    std::vector<D3DMATERIAL8> materials;
    std::vector<std::string> textures;  // per material, empty when none
    std::vector<BoneData> bones;
    DWORD fileVertices = 0;
};
HRESULT ReadMeshObject(IDirectXFileData* object, LoadedMesh& out);
// The buffers the loaders hand out.
HRESULT MakeMaterialBuffer(const LoadedMesh& m, ID3DXBuffer** out);
HRESULT MakeAdjacencyBuffer(const MeshData& m, ID3DXBuffer** out);

// Builds a skin mesh object from a loaded mesh with bones (the original mesh already made).
HRESULT CreateSkinMesh(ID3DXMesh* original, std::vector<BoneData> bones, DWORD fileVertices,
                       ID3DXSkinMesh** out);

}  // namespace quil_d3dx
