// Collision data of a prop type: triangles grouped by plane, each plane with a
// bounding sphere, plus the x-z box of the whole mesh.
#include "CollisionMesh.h"
#include <cstring>
#include <new>
#include "LevelRenderer.h"
#include "d3dx8mesh.h"
#include "memorycontroller.h"
#include "trap.h"

namespace {

// Layout of a collision mesh vertex: position at 0, normal at 12, 32 bytes each.
constexpr uint32_t kVertexStride = 32;
constexpr uint32_t kNormalOffset = 12;
// Faces beyond this would overflow the record arrays' byte sizes.
constexpr uint32_t kMaxFaces = 0x00FFFFFFu;

Vec3 ReadVec3(const BYTE* p) {
    float f[3];
    std::memcpy(f, p, sizeof(f));
    return Vec3(f[0], f[1], f[2]);
}

Vec3 Sub(const Vec3& a, const Vec3& b) { return Vec3(a.x - b.x, a.y - b.y, a.z - b.z); }

float DistSq(const Vec3& a, const Vec3& b) {
    const Vec3 d = Sub(a, b);
    return d.Dot(d);
}

void Extend(Vec3& mn, Vec3& mx, const Vec3& p) {
    if (p.x < mn.x) mn.x = p.x;
    if (p.y < mn.y) mn.y = p.y;
    if (p.z < mn.z) mn.z = p.z;
    if (p.x > mx.x) mx.x = p.x;
    if (p.y > mx.y) mx.y = p.y;
    if (p.z > mx.z) mx.z = p.z;
}

Vec3 BoxCentre(const Vec3& mn, const Vec3& mx) {
    return Vec3(mn.x + (mx.x - mn.x) * 0.5f, mn.y + (mx.y - mn.y) * 0.5f, mn.z + (mx.z - mn.z) * 0.5f);
}

}  // namespace

CollisionMesh::CollisionMesh()
    : m_pPlanes(nullptr),
      m_pVertices(nullptr),
      m_pPlaneList(nullptr),
      m_pMesh(nullptr),
      m_fRadiusSq(0.0f),
      m_uPlanesUsed(0),
      m_uVerticesUsed(0),
      m_uPlaneCapacity(0),
      m_uVertexCapacity(0),
      m_bBuilt(false) {}

CollisionMesh::~CollisionMesh() { Free(); }

// Builds from the prop type's mesh and its subset flags.
void CollisionMesh::Create(DetailObjectType* type) {
    if (m_bBuilt || !type) return;
    const uint32_t flags[2] = {type->GetSubsetFlags(0), type->GetSubsetFlags(1)};
    Create(type->GetMesh(), flags, 2);
}

void CollisionMesh::Create(ID3DXMesh* mesh, const uint32_t* subsetFlags, uint32_t flagCount) {
    if (m_bBuilt || !mesh) return;
    m_vMin = Vec3();
    m_vMax = Vec3();
    m_pMesh = mesh;
    m_pPlaneList = nullptr;
    m_uPlanesUsed = 0;
    m_uVerticesUsed = 0;
    m_fRadiusSq = 0.0f;
    const uint32_t faceCount = mesh->GetNumFaces();
    const uint32_t vertexTotal = mesh->GetNumVertices();
    if (faceCount > kMaxFaces) {
        TrapError(__FILE__, __LINE__, "Too many faces in mesh to make collision data!");
        return;
    }
    // A second attempt after a failed one replaces the arrays it left.
    MemoryController::Free(&m_pPlanes);
    MemoryController::Free(&m_pVertices);
    m_uPlaneCapacity = faceCount;
    m_uVertexCapacity = 3 * faceCount;
    m_pPlanes = static_cast<COLL_PLANE*>(
        MemoryController::Alloc(m_uPlaneCapacity * static_cast<uint32_t>(sizeof(COLL_PLANE)), "COLL_PLANE"));
    m_pVertices = static_cast<COLL_VERTEX*>(
        MemoryController::Alloc(m_uVertexCapacity * static_cast<uint32_t>(sizeof(COLL_VERTEX)), "COLL_VERTEX"));
    if (!m_pPlanes || !m_pVertices) {
        m_uPlaneCapacity = 0;
        m_uVertexCapacity = 0;
    }

    BYTE* vertices = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices)) || !vertices) {
        TrapError(__FILE__, __LINE__, "Could not lock Vertex buffer of mesh to make collision data!");
        return;
    }
    BYTE* indexBytes = nullptr;
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indexBytes)) || !indexBytes) {
        mesh->UnlockVertexBuffer();
        TrapError(__FILE__, __LINE__, "Could not lock index buffer of mesh to make collision data!");
        return;
    }
    DWORD rangeCount = 0;
    mesh->GetAttributeTable(nullptr, &rangeCount);
    D3DXATTRIBUTERANGE* ranges = nullptr;
    if (rangeCount > 0) {
        ranges = static_cast<D3DXATTRIBUTERANGE*>(
            MemoryController::Alloc(rangeCount * static_cast<uint32_t>(sizeof(D3DXATTRIBUTERANGE)), "ATTRS"));
        if (!ranges || FAILED(mesh->GetAttributeTable(ranges, &rangeCount))) rangeCount = 0;
    }
    auto release = [&]() {
        MemoryController::Free(&ranges);
        mesh->UnlockIndexBuffer();
        mesh->UnlockVertexBuffer();
    };
    if (mesh->GetFVF() != COLLISION_MESH_FVF) {
        release();
        TrapError(__FILE__, __LINE__, "Invalid vertex format for collision mesh");
        return;
    }

    bool collidable = false;
    for (uint32_t i = 0; i < rangeCount; ++i) {
        const uint32_t flags = (subsetFlags && i < flagCount) ? subsetFlags[i] : 0;
        if (flags & 1u) continue;
        collidable = true;
        const D3DXATTRIBUTERANGE& range = ranges[i];
        for (uint32_t f = 0; f < range.FaceCount; ++f) {
            const uint32_t face = range.FaceStart + f;
            if (face >= faceCount) break;  // a range past the index buffer
            uint16_t idx[3];
            std::memcpy(idx, indexBytes + face * 6, sizeof(idx));
            if (idx[0] >= vertexTotal || idx[1] >= vertexTotal || idx[2] >= vertexTotal) continue;
            const BYTE* va = vertices + idx[0] * kVertexStride;
            const Vec3 a = ReadVec3(va);
            const Vec3 b = ReadVec3(vertices + idx[1] * kVertexStride);
            const Vec3 c = ReadVec3(vertices + idx[2] * kVertexStride);
            Vec3 n = ReadVec3(va + kNormalOffset);
            if (Vec3::Normalise(n) <= 0.001f) {
                DebugLog("Setting Default Normal for Collision Mesh %d\n", static_cast<int>(face * 3));
                n.Cross(Sub(b, a), Sub(c, a));
                Vec3::Normalise(n);
            }
            AddTriangle(a, b, c, n);
        }
    }
    MemoryController::Free(&ranges);

    if (collidable) ComputeSpheres();
    else m_fRadiusSq = 0.0f;

    // The x-z box covers every vertex of the mesh, collidable or not.
    for (uint32_t v = 0; v < vertexTotal; ++v) Extend(m_vMin, m_vMax, ReadVec3(vertices + v * kVertexStride));
    m_vCentre = BoxCentre(m_vMin, m_vMax);
    for (uint32_t v = 0; v < vertexTotal; ++v) {
        Vec3 p = ReadVec3(vertices + v * kVertexStride);
        p += m_vCentre;
        Extend(m_vMin, m_vMax, p);
    }
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();
    m_bBuilt = true;
}

// Adds a triangle to the plane it lies in, or to a new plane at the list's head.
void CollisionMesh::AddTriangle(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& n) {
    const float d = -n.Dot(a);
    COLL_PLANE* plane = m_pPlaneList;
    while (plane && !(Vec3::NearlyEqual(plane->normal, n) && std::fabs(plane->d - d) < 0.1f)) plane = plane->pNext;
    COLL_VERTEX* v[3];
    const Vec3* corners[3] = {&a, &b, &c};
    for (int k = 0; k < 3; ++k) {
        v[k] = AllocVertex();
        if (!v[k]) return;
        v[k]->position = *corners[k];
    }
    v[0]->pNext = v[1];
    v[1]->pNext = v[2];
    v[2]->pNext = nullptr;
    if (plane) {
        COLL_VERTEX* last = plane->pFirstVertex;
        while (last->pNext) last = last->pNext;
        last->pNext = v[0];
        plane->vertexCount += 3;
        return;
    }
    plane = AllocPlane();
    if (!plane) return;
    plane->normal = n;
    plane->d = d;
    plane->vertexCount = 3;
    plane->pFirstVertex = v[0];
    plane->pNext = m_pPlaneList;
    m_pPlaneList = plane;
}

// Each plane's sphere from the box of its vertices, then the mesh's sphere
// from the box of all of them.
void CollisionMesh::ComputeSpheres() {
    Vec3 allMin(1e9f, 1e9f, 1e9f), allMax(-1e9f, -1e9f, -1e9f);
    for (COLL_PLANE* plane = m_pPlaneList; plane; plane = plane->pNext) {
        Vec3 mn(1e9f, 1e9f, 1e9f), mx(-1e9f, -1e9f, -1e9f);
        for (COLL_VERTEX* v = plane->pFirstVertex; v; v = v->pNext) {
            Extend(mn, mx, v->position);
            Extend(allMin, allMax, v->position);
        }
        plane->centre = BoxCentre(mn, mx);
        plane->radiusSq = 0.0f;
        for (COLL_VERTEX* v = plane->pFirstVertex; v; v = v->pNext) {
            const float r2 = DistSq(v->position, plane->centre);
            if (r2 > plane->radiusSq) plane->radiusSq = r2;
        }
    }
    m_vCentre = BoxCentre(allMin, allMax);
    m_fRadiusSq = 0.0f;
    for (COLL_PLANE* plane = m_pPlaneList; plane; plane = plane->pNext) {
        for (COLL_VERTEX* v = plane->pFirstVertex; v; v = v->pNext) {
            const float r2 = DistSq(v->position, m_vCentre);
            if (r2 > m_fRadiusSq) m_fRadiusSq = r2;
        }
    }
}

bool CollisionMesh::OverlapsXZ(const Vec3& p, float r) const {
    return p.x + r > m_vMin.x && p.x - r < m_vMax.x && p.z + r > m_vMin.z && p.z - r < m_vMax.z;
}

// Whether the point p of plane (as tested, maybe reversed) lies in one of its triangles.
bool CollisionMesh::HitsTriangles(const COLL_PLANE* plane, const Vec3& normal, const Vec3& p, bool reversed) {
    bool any = false;
    for (const COLL_VERTEX* v = plane->pFirstVertex; v && v->pNext && v->pNext->pNext; v = v->pNext->pNext->pNext) {
        const Vec3& a = v->position;
        const Vec3& b = v->pNext->position;
        const Vec3& c = v->pNext->pNext->position;
        any = (reversed ? PointInTriangle(p, c, b, a, normal) : PointInTriangle(p, a, b, c, normal)) || any;
    }
    return any;
}

// Tests every plane's triangles, facing the segment or (reversed) facing away.
// A reversed plane is a copy, so the mesh is never written and many threads
// may test it at once.
bool CollisionMesh::CollidePlanes(const Vec3& start, const Vec3& dir, float maxDist, Vec3& hit, bool reversed) const {
    bool any = false;
    for (const COLL_PLANE* plane = m_pPlaneList; plane; plane = plane->pNext) {
        COLL_PLANE flipped;
        if (reversed) {
            flipped = *plane;
            flipped.normal = Vec3(-plane->normal.x, -plane->normal.y, -plane->normal.z);
            flipped.d = -(plane->d + 0.1f);
        }
        const COLL_PLANE* tested = reversed ? &flipped : plane;
        Vec3 p;
        if (IntersectPlane(tested, start, dir, maxDist, p) && HitsTriangles(plane, tested->normal, p, reversed)) {
            any = true;
            hit = p;
        }
    }
    return any;
}

bool CollisionMesh::CollideFront(const COLL_PLANE* const* planes, uint32_t count, const Vec3& start, const Vec3& dir,
                                 float maxDist) const {
    for (uint32_t i = 0; i < count; ++i) {
        Vec3 p;
        if (IntersectPlane(planes[i], start, dir, maxDist, p) && HitsTriangles(planes[i], planes[i]->normal, p, false))
            return true;
    }
    return false;
}

bool CollisionMesh::FacesPoint(const COLL_PLANE* plane, const Vec3& point) {
    return plane->normal.Dot(point) + plane->d > 0.0f;
}

bool CollisionMesh::Collide(const Vec3& start, const Vec3& dir, float maxDist, Vec3& hit, bool bTwoSided) const {
    if (!m_bBuilt) return false;
    if (CollidePlanes(start, dir, maxDist, hit, false)) return true;
    return bTwoSided && CollidePlanes(start, dir, maxDist, hit, true);
}

// Where the segment meets the plane from its front side, if within the
// plane's sphere.
bool CollisionMesh::IntersectPlane(const COLL_PLANE* plane, const Vec3& start, const Vec3& dir, float maxDist,
                                   Vec3& point) const {
    const float denom = plane->normal.Dot(dir);
    if (!(denom < 0.0f)) return false;
    const float t = -(plane->normal.Dot(start) + plane->d) / denom;
    if (!(t > 0.0f) || t > maxDist) return false;
    const Vec3 p(start.x + dir.x * t, start.y + dir.y * t, start.z + dir.z * t);
    if (!(DistSq(plane->centre, p) <= plane->radiusSq)) return false;
    point = p;
    return true;
}

// Crossing-parity test in the two coordinates the plane is least steep in.
bool CollisionMesh::PointInTriangle(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& n) {
    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    auto uv = [&](const Vec3& q, float& u, float& v) {
        if (ax >= ay && ax >= az) {
            u = q.y;
            v = q.z;
        } else if (ay >= az) {
            u = q.x;
            v = q.z;
        } else {
            u = q.x;
            v = q.y;
        }
    };
    float pu, pv;
    uv(p, pu, pv);
    const Vec3* edges[3][2] = {{&c, &a}, {&a, &b}, {&b, &c}};
    bool inside = false;
    int crossings = 0;
    for (const auto& edge : edges) {
        float au, av, bu, bv;
        uv(*edge[0], au, av);
        uv(*edge[1], bu, bv);
        const bool fa = av >= pv;
        const bool fb = bv >= pv;
        if (fa == fb) continue;
        if (((bv - pv) * (au - bu) >= (bu - pu) * (av - bv)) == fb) inside = !inside;
        if (++crossings == 2) break;
    }
    return inside;
}

COLL_PLANE* CollisionMesh::AllocPlane() {
    if (m_uPlanesUsed >= m_uPlaneCapacity) {
        TrapError(__FILE__, __LINE__, "Cannot allocate free collision Plane\n");
        return nullptr;
    }
    return new (&m_pPlanes[m_uPlanesUsed++]) COLL_PLANE();
}

COLL_VERTEX* CollisionMesh::AllocVertex() {
    if (m_uVerticesUsed >= m_uVertexCapacity) {
        TrapError(__FILE__, __LINE__, "Cannot allocate free collision Vertex\n");
        return nullptr;
    }
    return new (&m_pVertices[m_uVerticesUsed++]) COLL_VERTEX();
}

void CollisionMesh::Free() {
    MemoryController::Free(&m_pPlanes);
    MemoryController::Free(&m_pVertices);
    m_pPlaneList = nullptr;
    m_uPlanesUsed = 0;
    m_uVerticesUsed = 0;
    m_uPlaneCapacity = 0;
    m_uVertexCapacity = 0;
    m_fRadiusSq = 0.0f;
    m_bBuilt = false;
}
