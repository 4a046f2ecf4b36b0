// A prop's triangles gathered by plane, for the player's x-z overlap test and
// the segment test of line of sight, in the mesh's own (object) space.
#pragma once
#include <cstdint>
#include "quilmath.h"

struct ID3DXMesh;
class DetailObjectType;

// One triangle corner; a plane's vertices form one list, three per triangle.
struct COLL_VERTEX {
    Vec3 position;
    COLL_VERTEX* pNext;
};

// Triangles sharing one plane n . p + d = 0, with the sphere around them.
struct COLL_PLANE {
    Vec3 normal;
    float d;
    Vec3 centre;
    float radiusSq;
    uint32_t vertexCount;
    COLL_VERTEX* pFirstVertex;
    COLL_PLANE* pNext;
};

// The only vertex format a collision mesh is built from: position, normal,
// one texture coordinate pair (32 bytes).
constexpr uint32_t COLLISION_MESH_FVF = 0x112;

class CollisionMesh {
public:
    CollisionMesh();
    ~CollisionMesh();
    CollisionMesh(const CollisionMesh&) = delete;
    CollisionMesh& operator=(const CollisionMesh&) = delete;

    // Builds from the prop type's mesh, once; later calls do nothing.
    void Create(DetailObjectType* type);
    // The same from a mesh and the flags of its subsets (bit 0: the subset
    // takes no part in collision); subsets beyond flagCount collide.
    void Create(ID3DXMesh* mesh, const uint32_t* subsetFlags, uint32_t flagCount);

    // True when a circle of radius r about p overlaps the mesh's x-z box.
    bool OverlapsXZ(const Vec3& point, float radius) const;
    // True when the segment start + dir * t, 0 < t <= maxDist, meets a
    // triangle; hit receives the point. bTwoSided also tests back faces when
    // the front faces are missed.
    bool Collide(const Vec3& start, const Vec3& dir, float maxDist, Vec3& hit, bool bTwoSided) const;

    // Collide's one-sided test over the given planes only.
    bool CollideFront(const COLL_PLANE* const* planes, uint32_t count, const Vec3& start, const Vec3& dir,
                      float maxDist) const;
    // Whether a segment from point can meet the plane at all (point in front of it).
    static bool FacesPoint(const COLL_PLANE* plane, const Vec3& point);

    // The sphere for the segment pre-test; radius squared 0 means nothing collides.
    float GetRadiusSq() const { return m_fRadiusSq; }
    const Vec3* GetCentre() const { return &m_vCentre; }
    const Vec3& GetBoxMin() const { return m_vMin; }
    const Vec3& GetBoxMax() const { return m_vMax; }
    const COLL_PLANE* GetPlaneList() const { return m_pPlaneList; }
    uint32_t GetPlaneCount() const { return m_uPlanesUsed; }
    bool IsBuilt() const { return m_bBuilt; }

    // Frees both arrays and clears built.
    void Free();

    COLL_PLANE* AllocPlane();
    COLL_VERTEX* AllocVertex();
    bool IntersectPlane(const COLL_PLANE* plane, const Vec3& start, const Vec3& dir, float maxDist,
                        Vec3& point) const;
    static bool PointInTriangle(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& n);

private:
    void AddTriangle(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& n);
    void ComputeSpheres();
    bool CollidePlanes(const Vec3& start, const Vec3& dir, float maxDist, Vec3& hit, bool reversed) const;
    static bool HitsTriangles(const COLL_PLANE* plane, const Vec3& normal, const Vec3& p, bool reversed);

    COLL_PLANE* m_pPlanes;
    COLL_VERTEX* m_pVertices;
    Vec3 m_vMin;
    Vec3 m_vMax;
    COLL_PLANE* m_pPlaneList;
    ID3DXMesh* m_pMesh;
    Vec3 m_vCentre;
    float m_fRadiusSq;
    uint32_t m_uPlanesUsed;
    uint32_t m_uVerticesUsed;
    uint32_t m_uPlaneCapacity;
    uint32_t m_uVertexCapacity;
    bool m_bBuilt;
};
