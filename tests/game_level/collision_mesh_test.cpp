// Collision meshes built from small hand-made meshes.
#include <gtest/gtest.h>

#include <cmath>

#include "CollisionMesh.h"
#include "fake_mesh.h"

namespace {

using level_test::FakeMesh;

const Vec3 kUp(0, 1, 0);

// A 2 x 2 square at y = h facing up, split into two triangles.
void Square(FakeMesh& m, float h, DWORD attrib = 0) {
    m.Tri(Vec3(-1, h, -1), Vec3(-1, h, 1), Vec3(1, h, 1), kUp, attrib);
    m.Tri(Vec3(-1, h, -1), Vec3(1, h, 1), Vec3(1, h, -1), kUp, attrib);
}

TEST(CollisionMeshTest, CoplanarTrianglesShareOnePlaneAndOthersGetTheirOwn) {
    FakeMesh mesh;
    Square(mesh, 0.0f);
    mesh.Tri(Vec3(-1, 0.05f, -1), Vec3(-1, 0.05f, 1), Vec3(1, 0.05f, 1), Vec3(0, 1, 0.05f));  // within 0.1
    mesh.Tri(Vec3(-1, 2, -1), Vec3(-1, 2, 1), Vec3(1, 2, 1), kUp);                             // another height
    CollisionMesh cm;
    cm.Create(&mesh, nullptr, 0);
    ASSERT_TRUE(cm.IsBuilt());
    EXPECT_EQ(cm.GetPlaneCount(), 2u);
    uint32_t counts[2] = {0, 0};
    int i = 0;
    for (const COLL_PLANE* p = cm.GetPlaneList(); p; p = p->pNext) counts[i++] = p->vertexCount;
    // The newest plane stands at the list's head.
    EXPECT_EQ(counts[0], 3u);
    EXPECT_EQ(counts[1], 9u);
    // A second Create changes nothing.
    mesh.Tri(Vec3(5, 5, 5), Vec3(5, 6, 5), Vec3(6, 5, 5), Vec3(0, 0, 1));
    cm.Create(&mesh, nullptr, 0);
    EXPECT_EQ(cm.GetPlaneCount(), 2u);
}

TEST(CollisionMeshTest, SegmentBoundariesAndFacing) {
    FakeMesh mesh;
    Square(mesh, 0.0f);
    CollisionMesh cm;
    cm.Create(&mesh, nullptr, 0);
    Vec3 hit;
    const Vec3 down(0, -1, 0);
    // Ends exactly on the plane: a hit, at the plane.
    EXPECT_TRUE(cm.Collide(Vec3(0.2f, 1, 0.3f), down, 1.0f, hit, false));
    EXPECT_FLOAT_EQ(hit.y, 0.0f);
    EXPECT_FLOAT_EQ(hit.x, 0.2f);
    // Ends short of it, starts on it, or passes beside it: no hit.
    EXPECT_FALSE(cm.Collide(Vec3(0.2f, 1, 0.3f), down, 0.99f, hit, false));
    EXPECT_FALSE(cm.Collide(Vec3(0.2f, 0, 0.3f), down, 5.0f, hit, false));
    EXPECT_FALSE(cm.Collide(Vec3(1.5f, 1, 0.0f), down, 2.0f, hit, false));
    // From below, moving along the normal: only the two-sided test sees it.
    EXPECT_FALSE(cm.Collide(Vec3(0.2f, -1, 0.3f), kUp, 2.0f, hit, false));
    EXPECT_TRUE(cm.Collide(Vec3(0.2f, -1, 0.3f), kUp, 2.0f, hit, true));
    // The reversed test leaves the planes as they were.
    const COLL_PLANE* p = cm.GetPlaneList();
    EXPECT_EQ(p->normal.y, 1.0f);
}

TEST(CollisionMeshTest, NonCollidingSubsetsKeepTheBoxButNoSphere) {
    FakeMesh mesh;
    Square(mesh, 0.0f, 0);
    mesh.Tri(Vec3(-3, 1, -1), Vec3(-3, 1, 1), Vec3(4, 1, 1), kUp, 1);
    const uint32_t flags[2] = {1, 3};
    CollisionMesh cm;
    cm.Create(&mesh, flags, 2);
    ASSERT_TRUE(cm.IsBuilt());
    EXPECT_EQ(cm.GetRadiusSq(), 0.0f);
    EXPECT_EQ(cm.GetPlaneCount(), 0u);
    Vec3 hit;
    EXPECT_FALSE(cm.Collide(Vec3(0, 2, 0), Vec3(0, -1, 0), 5.0f, hit, true));
    // The box covers every vertex of the mesh (x -3..4 before widening).
    EXPECT_LE(cm.GetBoxMin().x, -3.0f);
    EXPECT_GE(cm.GetBoxMax().x, 4.0f);
    EXPECT_TRUE(cm.OverlapsXZ(Vec3(3.5f, 0, 0), 0.1f));
    // Only the flagged subset is left out.
    FakeMesh two;
    Square(two, 0.0f, 0);
    Square(two, 2.0f, 1);
    const uint32_t second[2] = {0, 1};
    CollisionMesh cm2;
    cm2.Create(&two, second, 2);
    EXPECT_EQ(cm2.GetPlaneCount(), 1u);
    EXPECT_EQ(cm2.GetPlaneList()->d, 0.0f);
}

TEST(CollisionMeshTest, ZeroNormalFallsBackToTheFaceNormal) {
    FakeMesh mesh;
    mesh.Tri(Vec3(-1, 0, -1), Vec3(-1, 0, 1), Vec3(1, 0, 1), Vec3(0, 0, 0));
    CollisionMesh cm;
    cm.Create(&mesh, nullptr, 0);
    ASSERT_EQ(cm.GetPlaneCount(), 1u);
    const Vec3 n = cm.GetPlaneList()->normal;
    EXPECT_NEAR(std::fabs(n.y), 1.0f, 1e-6f);
    EXPECT_NEAR(n.x, 0.0f, 1e-6f);
}

}  // namespace
