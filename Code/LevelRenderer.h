// The furniture of the house: the 13 prop types (mesh, texture, collision mesh,
// optional light), up to 64 placed props, and the drawable that draws the props
// standing in visible blocks and drives the lens flares.
#pragma once
#include <cstdint>
#include "CollisionMesh.h"
#include "process.h"
// windows.h renames GetObject (GetObjectA); included first so that the
// declaration below and every caller see the same name.
#include "windows.h"
#include "quilmath.h"

struct ID3DXMesh;
struct IDirect3DTexture8;
struct LightRecord;

#define MAX_DETAIL_OBJECTS 64u
#define NUM_DETAIL_OBJECT_TYPES 13u
// Prop index stored in a node slot that holds no prop (and returned by a refused AddObject).
#define DETAIL_OBJECT_NONE 255u

// Whether a node slot's type byte is one of the prop types. A slot of any other type (from a
// damaged file) keeps its bytes, so that a save writes them back, but is never placed: its
// index byte is the file's and names no prop of the list.
inline bool IsPropType(uint32_t type) { return type < NUM_DETAIL_OBJECT_TYPES; }

// Subset flags of the prop type table.
#define SUBSET_NOCOLLIDE 0x1u  // takes no part in collision
#define SUBSET_UNLIT 0x2u      // drawn in render mode 0 (else see SUBSET_ADDITIVE)
#define SUBSET_ADDITIVE 0x4u   // drawn in render mode 6 (else render mode 3)

// DetailObject flags.
#define DETAILOBJECT_LIGHTADDED 0x4u  // the type's light has been given to LightMan

// A prop type's light: reach, offset from the prop's position (not rotated),
// colour (a D3DCOLOR, alpha 255) and whether it draws a lens flare.
struct PropLightDesc {
    float radius;
    float x, y, z;
    uint32_t colour;
    uint32_t flare;
};

// One row of the fixed prop type table.
struct DetailObjectTypeDesc {
    uint32_t solid;
    int32_t light;  // row of the prop light table, -1 = none
    uint32_t subsetCount;
    uint32_t subsetFlags[2];
    const char* meshFile;
    const char* textureFile;
};

// The fixed tables, indexed by prop type and by prop light.
const DetailObjectTypeDesc* GetDetailObjectTypeDesc(uint32_t type);
const PropLightDesc* GetPropLightDesc(uint32_t light);

// A prop type: its mesh and texture (reloaded after a device reset) and its
// collision mesh (built once, in the mesh's own space).
class DetailObjectType {
public:
    DetailObjectType();

    // Becomes type i of the table and loads everything it needs.
    void SetType(uint32_t i);
    // Loads the mesh (and builds the collision mesh) and the texture that are missing.
    void Load();
    // Releases the mesh and the texture; a second call does nothing.
    void Release();
    // Releases the device objects and frees the collision mesh.
    void Shutdown() {
        Release();
        m_CollisionMesh.Free();
    }
    // Draws every subset in the render mode its flags ask for.
    void Render();

    // The type's light row, or null when it casts no light.
    const PropLightDesc* GetLight() const;
    ID3DXMesh* GetMesh() const { return m_pMesh; }
    IDirect3DTexture8* GetTexture() const { return m_pTexture; }
    bool IsSolid() const { return m_uSolid != 0; }
    CollisionMesh* GetCollisionMesh() { return &m_CollisionMesh; }
    const CollisionMesh* GetCollisionMesh() const { return &m_CollisionMesh; }
    // Flags of subset i (0 for subsets the table does not list).
    uint32_t GetSubsetFlags(uint32_t i) const;
    uint32_t GetSubsetCount() const;
    // The table row, -1 while no type is set.
    int32_t GetTypeIndex() const { return m_iType; }

private:
    ID3DXMesh* m_pMesh;
    IDirect3DTexture8* m_pTexture;
    CollisionMesh m_CollisionMesh;
    int32_t m_iType;
    uint32_t m_uSolid;
};

// One placed prop: its world matrix and inverse, its type and the lights
// nearest to it, picked when it is placed, rotated or refreshed.
class DetailObject {
public:
    DetailObject();

    // No type, no flags, identity matrices.
    void Init();
    void Update() {}
    void SetType(DetailObjectType* type) { m_pType = type; }
    // Stands the prop at the centre of node (col, row), 10 units above the floor.
    void Place(uint32_t col, uint32_t row, uint32_t slot);
    // Turns the prop about y by angle (radians).
    void Rotate(float angle);
    // Gives the type's light to LightMan once, then recomputes the inverse
    // matrix and the nearest lights.
    void Refresh();
    void SetPosition(const Vec3& p);
    void GetPosition(Vec3* out) const;
    // Draws the prop lit by its nearest lights.
    void Render();

    // Player collision: whether a circle of radius about point overlaps a solid prop in x-z.
    bool SphereTest(const Vec3& point, float radius);
    // Whether the segment meets the prop's collidable triangles (one-sided).
    bool LineTest(const Vec3& start, const Vec3& end) const;
    // The same with the start already in the prop's space (a light's position
    // moved there once for many segments), over the given planes of the
    // collision mesh when planes is not null (those that face the start).
    bool LineTestFrom(const Vec3& localStart, const Vec3& end, const COLL_PLANE* const* planes = nullptr,
                      uint32_t planeCount = 0) const;
    // Cheap pre-test of a ray (object space, unit dir) against the collision sphere.
    bool SphereLineReject(const Vec3& start, const Vec3& dir) const;

    DetailObjectType* GetType() const { return m_pType; }
    Matrix* GetMatrix() { return &m_mWorld; }
    const Matrix* GetMatrix() const { return &m_mWorld; }
    const Matrix* GetInverseMatrix() const { return &m_mInverse; }
    uint32_t GetLightCount() const { return m_uLightCount; }
    LightRecord* const* GetLights() const { return m_apLights; }
    uint32_t GetFlags() const { return m_uFlags; }

private:
    Matrix m_mWorld;
    Matrix m_mInverse;
    DetailObjectType* m_pType;
    LightRecord* m_apLights[4];
    uint32_t m_uLightCount;
    uint32_t m_uFlags;
};

// The props of the level: a member of Level, drawn in the world list.
class LevelRenderer : public Object {
public:
    LevelRenderer();

    void Init() override;
    void Shutdown() override;
    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;
    void Render() override;
    void InvalidateDeviceObjects() override;
    void RestoreDeviceObjects() override;

    // Places a prop of the given type in slot slot of node (col, row); returns its
    // index, or DETAIL_OBJECT_NONE when the list is full or the type is unknown
    // (both reported).
    uint32_t AddObject(uint32_t type, uint32_t col, uint32_t row, uint32_t slot);
    // Drops every placed prop.
    void Clear();
    // Prop record i (modulo 256). Indices beyond the 64 records give an empty
    // record without a type, so that a refused index is harmless to use.
    DetailObject* GetObject(uint32_t i);
    uint32_t GetCount() const { return m_uCount; }
    // Type record i (modulo 256); null beyond the 13 types.
    DetailObjectType* GetDetailObjectType(uint32_t i);

private:
    DetailObject m_aObjects[MAX_DETAIL_OBJECTS];
    DetailObjectType m_aTypes[NUM_DETAIL_OBJECT_TYPES];
    uint32_t m_uCount;
    DetailObject m_Spare;  // handed out for indices past the records
};
