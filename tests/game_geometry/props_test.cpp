// Props: the type table, placement and rotation, their lights, the limits of
// AddObject, collision tests, drawing by visible block and device objects.
#include <cmath>

#include "LevelRenderer.h"
#include "d3dx8mesh.h"
#include "geometry_test_support.h"

using geometry_test::GeometryTest;

namespace {

constexpr float kPi = 3.14159265f;

class PropsTest : public GeometryTest {
protected:
    void SetUp() override {
        GeometryTest::SetUp();
        props.Init();
    }
    void TearDown() override {
        props.Shutdown();
        GeometryTest::TearDown();
    }
    Vec3 Position(uint32_t i) {
        Vec3 p;
        props.GetObject(i)->GetPosition(&p);
        return p;
    }
    LevelRenderer props;
};

TEST_F(PropsTest, TypesLoadTheirMeshTextureAndCollisionOnce) {
    for (uint32_t i = 0; i < 13; ++i) {
        DetailObjectType* type = props.GetDetailObjectType(i);
        ASSERT_NE(type, nullptr);
        EXPECT_EQ(type->GetTypeIndex(), int32_t(i));
        EXPECT_NE(type->GetMesh(), nullptr);
        EXPECT_NE(type->GetTexture(), nullptr);
        EXPECT_TRUE(type->GetCollisionMesh()->IsBuilt());
    }
    EXPECT_EQ(props.GetDetailObjectType(13), nullptr);
    EXPECT_EQ(props.GetDetailObjectType(256 + 2), props.GetDetailObjectType(2));
    // Sides collide for the table; nothing of the lamp does.
    EXPECT_GT(props.GetDetailObjectType(1)->GetCollisionMesh()->GetRadiusSq(), 0.0f);
    EXPECT_EQ(props.GetDetailObjectType(0)->GetCollisionMesh()->GetRadiusSq(), 0.0f);
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
}

TEST_F(PropsTest, PropsOfOneNodeShareItsCentre) {
    EXPECT_EQ(props.AddObject(1, 2, 3, 0), 0u);
    EXPECT_EQ(props.AddObject(7, 2, 3, 1), 1u);
    EXPECT_EQ(props.AddObject(10, 2, 3, 2), 2u);
    EXPECT_EQ(props.GetCount(), 3u);
    for (uint32_t i = 0; i < 3; ++i) {
        const Vec3 p = Position(i);
        EXPECT_FLOAT_EQ(p.x, -48.0f);  // -128 + 2 * 32 + 16
        EXPECT_FLOAT_EQ(p.y, 10.0f);
        EXPECT_FLOAT_EQ(p.z, -16.0f);  // row 3 spans z -32..0
    }
    EXPECT_EQ(props.GetObject(1)->GetType(), props.GetDetailObjectType(7));
    props.Clear();
    EXPECT_EQ(props.GetCount(), 0u);
    EXPECT_EQ(props.AddObject(1, 0, 0, 0), 0u);
}

TEST_F(PropsTest, LitPropsAddOneLightAtPlacementThatRotationDoesNotMove) {
    LightMan* lights = GetLightMan();
    ASSERT_EQ(lights->GetCount(), 0u);
    props.AddObject(0, 2, 3, 0);  // lamp
    ASSERT_EQ(lights->GetCount(), 1u);
    const LightDesc& lamp = lights->GetLight(0)->desc;
    EXPECT_FLOAT_EQ(lamp.x, -48.0f - 9.0f);
    EXPECT_FLOAT_EQ(lamp.y, 10.0f + 13.0f);
    EXPECT_FLOAT_EQ(lamp.z, -16.0f + 9.0f);
    EXPECT_FLOAT_EQ(lamp.radius, 70.0f);
    EXPECT_EQ(lamp.colour & 0xFFFFFFu, 0xFFFF80u);
    EXPECT_EQ(lamp.flare, 1u);
    EXPECT_EQ(props.GetObject(0)->GetLightCount(), 1u);
    EXPECT_EQ(props.GetObject(0)->GetLights()[0], lights->GetLight(0));

    props.AddObject(1, 0, 0, 0);   // table: no light
    props.AddObject(2, 5, 5, 0);   // television
    props.AddObject(3, 6, 1, 0);   // shade
    props.AddObject(12, 4, 4, 0);  // tree
    EXPECT_EQ(lights->GetCount(), 4u);
    EXPECT_EQ(props.GetObject(4)->GetLightCount(), 3u);

    props.GetObject(0)->Rotate(kPi / 2);
    props.GetObject(0)->Refresh();
    EXPECT_EQ(lights->GetCount(), 4u);
    EXPECT_FLOAT_EQ(lights->GetLight(0)->desc.x, -57.0f);
    EXPECT_FLOAT_EQ(lights->GetLight(0)->desc.z, -7.0f);
}

TEST_F(PropsTest, LimitsAreReportedAndNothingIsStoredBeyondThem) {
    for (uint32_t i = 0; i < 64; ++i) ASSERT_EQ(props.AddObject(1, i % 8, i / 8, 0), i);
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
    EXPECT_EQ(props.AddObject(1, 0, 0, 1), uint32_t(DETAIL_OBJECT_NONE));
    EXPECT_TRUE(AnyBoxSays("Cant add object - too many detail objects"));
    EXPECT_EQ(props.GetCount(), 64u);

    props.Clear();
    quil_automation::ClearMessageBoxesShown();
    EXPECT_EQ(props.AddObject(13, 0, 0, 0), uint32_t(DETAIL_OBJECT_NONE));
    EXPECT_TRUE(AnyBoxSays("Cant add object - Invalid Mesh ID"));
    EXPECT_FALSE(AnyBoxSays("too many"));
    EXPECT_EQ(props.GetCount(), 0u);
    // The refused index is safe to use: a record without a type.
    DetailObject* none = props.GetObject(DETAIL_OBJECT_NONE);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->GetType(), nullptr);
    none->Rotate(1.0f);
    EXPECT_FALSE(none->LineTest(Vec3(-68, 5, 0), Vec3(100, 5, 0)));
    EXPECT_FALSE(none->SphereTest(Vec3(0, 0, 0), 100.0f));
    EXPECT_EQ(props.GetObject(256 + 3), props.GetObject(3));
}

TEST_F(PropsTest, SphereTestUsesTheRotatedBoxOfSolidProps) {
    props.AddObject(1, 2, 3, 0);  // table at (-48, 10, -16); box 16 along x, 4 along z
    DetailObject* table = props.GetObject(0);
    EXPECT_TRUE(table->SphereTest(Vec3(-42, 10, -16), 1.0f));
    EXPECT_FALSE(table->SphereTest(Vec3(-48, 10, -10), 1.0f));
    EXPECT_FALSE(table->SphereTest(Vec3(-39, 10, -16), 1.0f));  // x 8..10 only touches 8: strict
    table->Rotate(kPi / 2);
    EXPECT_FALSE(table->SphereTest(Vec3(-42, 10, -16), 1.0f));
    EXPECT_TRUE(table->SphereTest(Vec3(-48, 10, -10), 1.0f));

    props.AddObject(4, 2, 3, 1);  // picture: not solid
    EXPECT_FALSE(props.GetObject(1)->SphereTest(Vec3(-48, 10, -16), 5.0f));
    props.AddObject(0, 2, 3, 2);  // lamp: solid, though nothing of it blocks a sight line
    EXPECT_TRUE(props.GetObject(2)->SphereTest(Vec3(-48, 10, -16), 1.0f));
}

TEST_F(PropsTest, LineTestMeetsOnlyCollidableSubsets) {
    props.AddObject(1, 2, 3, 0);   // table
    props.AddObject(0, 2, 3, 1);   // lamp, same box, no collidable subset
    props.AddObject(11, 2, 3, 2);  // arch: the same
    // Off the faces' diagonals, where a point lies in neither triangle's inside.
    const Vec3 through0(-68, 3, -15.3f), through1(-28, 3, -15.3f);
    EXPECT_TRUE(props.GetObject(0)->LineTest(through0, through1));
    EXPECT_FALSE(props.GetObject(0)->LineTest(Vec3(-68, 15, -15.3f), Vec3(-28, 15, -15.3f)));  // above it
    EXPECT_FALSE(props.GetObject(0)->LineTest(through0, Vec3(-63, 3, -15.3f)));              // ends short
    EXPECT_FALSE(props.GetObject(0)->LineTest(through0, through0));                       // no length
    EXPECT_FALSE(props.GetObject(1)->LineTest(through0, through1));
    EXPECT_FALSE(props.GetObject(2)->LineTest(through0, through1));
    // Turned a quarter, the table is 16 deep in z: a line along z now crosses it.
    props.GetObject(0)->Rotate(kPi / 2);
    EXPECT_TRUE(props.GetObject(0)->LineTest(Vec3(-47.3f, 3, -40), Vec3(-47.3f, 3, 10)));
    EXPECT_FALSE(props.GetObject(0)->LineTest(Vec3(-45, 5, -40), Vec3(-45, 5, 10)));
}

TEST_F(PropsTest, OnlyPropsInVisibleBlocksAreDrawnLit) {
    props.AddObject(1, 0, 0, 0);  // block column 0, block row 3
    props.AddObject(1, 7, 7, 0);  // block column 3, block row 0
    device.Clear();
    props.Render();
    EXPECT_EQ(CountLog(quiltest::RS(D3DRS_LIGHTING, TRUE)), 2u);
    // Facing +x from block column 2 hides block column 0.
    GetLevel()->UpdateVisibleBlocks(Vec3(0, 10, 0), Vec3(10, 10, 0), Vec3(1, 0, 0));
    device.Clear();
    props.Render();
    EXPECT_EQ(CountLog(quiltest::RS(D3DRS_LIGHTING, TRUE)), 1u);
    EXPECT_EQ(CountLog(quiltest::RS(D3DRS_COLORVERTEX, FALSE)), 1u);
    EXPECT_EQ(device.log.back(), quiltest::RS(D3DRS_LIGHTING, FALSE));
    const D3DMATRIX& world = device.transforms[D3DTS_WORLD];
    EXPECT_EQ(std::memcmp(&world, props.GetObject(1)->GetMatrix(), sizeof(world)), 0);
}

TEST_F(PropsTest, SubsetsDrawInTheModesTheirFlagsAsk) {
    props.AddObject(12, 3, 3, 0);  // tree: unlit body, additive lights
    props.Render();
    EXPECT_EQ(GetRenderer()->GetRenderMode(), 6u);
    EXPECT_NE(GetRenderer()->GetStateCache() & RENDERER_WRAPON, 0u);
    props.Clear();
    props.AddObject(1, 3, 3, 0);  // table: lit
    props.Render();
    EXPECT_EQ(GetRenderer()->GetRenderMode(), 3u);
    EXPECT_EQ(device.vertexShader, props.GetDetailObjectType(1)->GetMesh()->GetFVF());
}

TEST_F(PropsTest, DeviceObjectsReleasedTwiceAndReloadedOnRestore) {
    const uint32_t planes = props.GetDetailObjectType(1)->GetCollisionMesh()->GetPlaneCount();
    props.InvalidateDeviceObjects();
    props.InvalidateDeviceObjects();
    for (uint32_t i = 0; i < 13; ++i) {
        EXPECT_EQ(props.GetDetailObjectType(i)->GetMesh(), nullptr);
        EXPECT_EQ(props.GetDetailObjectType(i)->GetTexture(), nullptr);
    }
    EXPECT_EQ(device.liveResources, 0);
    props.RestoreDeviceObjects();
    for (uint32_t i = 0; i < 13; ++i) EXPECT_NE(props.GetDetailObjectType(i)->GetMesh(), nullptr);
    EXPECT_EQ(props.GetDetailObjectType(1)->GetCollisionMesh()->GetPlaneCount(), planes);
    // A type whose mesh went missing reloads it when drawn.
    props.GetDetailObjectType(1)->Release();
    props.AddObject(1, 3, 3, 0);
    props.Render();
    EXPECT_NE(props.GetDetailObjectType(1)->GetMesh(), nullptr);
}

}  // namespace
