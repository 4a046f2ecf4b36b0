// Props: their lights, the limits of AddObject, collision tests and drawing by visible block.
#include <map>
#include <vector>

#include "LevelRenderer.h"
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
    LevelRenderer props;
};

TEST_F(PropsTest, LitPropsAddOneLightAtPlacementThatRotationDoesNotMove) {
    LightMan* lights = GetLightMan();
    ASSERT_EQ(lights->GetCount(), 0u);
    props.AddObject(0, 2, 3, 0);  // lamp
    ASSERT_EQ(lights->GetCount(), 1u);
    EXPECT_FLOAT_EQ(lights->GetLight(0)->desc.x, -57.0f);
    EXPECT_FLOAT_EQ(lights->GetLight(0)->desc.z, -7.0f);
    props.AddObject(1, 0, 0, 0);  // table: no light
    props.GetObject(0)->Rotate(kPi / 2);
    props.GetObject(0)->Refresh();
    EXPECT_EQ(lights->GetCount(), 1u);
    EXPECT_FLOAT_EQ(lights->GetLight(0)->desc.x, -57.0f);
    EXPECT_FLOAT_EQ(lights->GetLight(0)->desc.z, -7.0f);
}

TEST_F(PropsTest, LimitsAreReportedAndNothingIsStoredBeyondThem) {
    for (uint32_t i = 0; i < 64; ++i) ASSERT_EQ(props.AddObject(1, i % 8, i / 8, 0), i);
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
    EXPECT_EQ(props.AddObject(1, 0, 0, 1), uint32_t(DETAIL_OBJECT_NONE));
    EXPECT_TRUE(quiltest::AnyMessageBoxSays("Cant add object - too many detail objects"));
    EXPECT_EQ(props.GetCount(), 64u);
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
    EXPECT_FALSE(props.GetObject(0)->LineTest(through0, through0));  // no length
    EXPECT_FALSE(props.GetObject(1)->LineTest(through0, through1));
    EXPECT_FALSE(props.GetObject(2)->LineTest(through0, through1));
    // Turned a quarter, the table is 16 deep in z: a line along z now crosses it.
    props.GetObject(0)->Rotate(kPi / 2);
    EXPECT_TRUE(props.GetObject(0)->LineTest(Vec3(-47.3f, 3, -40), Vec3(-47.3f, 3, 10)));
    EXPECT_FALSE(props.GetObject(0)->LineTest(Vec3(-45, 5, -40), Vec3(-45, 5, 10)));
}

TEST_F(PropsTest, OnlyPropsInVisibleBlocksAreDrawnLitAndLightingIsTurnedOffAfter) {
    props.AddObject(1, 0, 0, 0);  // block column 0, block row 3
    props.AddObject(1, 7, 7, 0);  // block column 3, block row 0
    device.Clear();
    props.Render();
    EXPECT_EQ(device.Matching(quiltest::RS(D3DRS_LIGHTING, TRUE)).size(), 2u);
    // Facing +x from block column 2 hides block column 0.
    GetLevel()->UpdateVisibleBlocks(Vec3(0, 10, 0), Vec3(10, 10, 0), Vec3(1, 0, 0));
    device.Clear();
    props.Render();
    EXPECT_EQ(device.Matching(quiltest::RS(D3DRS_LIGHTING, TRUE)).size(), 1u);
    EXPECT_EQ(device.log.back(), quiltest::RS(D3DRS_LIGHTING, FALSE));
}

}  // namespace

// Props are drawn in index order, whatever their types (a draw is told by its type's texture).
TEST_F(PropsTest, PropsAreDrawnInIndexOrder) {
    const uint32_t kTable = 1, kLamp = 0, kTree = 12;
    auto draws = [&](const std::vector<uint32_t>& types) {
        props.Clear();
        for (uint32_t i = 0; i < types.size(); ++i) props.AddObject(types[i], i, 2, 0);
        device.Clear();
        props.Render();
        std::vector<IDirect3DBaseTexture8*> textures;
        for (const quiltest::DrawRecord& d : device.draws) textures.push_back(d.texture);
        return textures;
    };
    std::map<uint32_t, std::vector<IDirect3DBaseTexture8*>> alone;
    for (uint32_t type : {kTable, kLamp, kTree}) alone[type] = draws({type});
    ASSERT_FALSE(alone[kTree].empty());
    ASSERT_NE(alone[kTable], alone[kLamp]);
    ASSERT_NE(alone[kTable], alone[kTree]);
    const std::vector<uint32_t> order = {kLamp, kTable, kLamp, kTree, kTable, kLamp, kTable, kTree};
    std::vector<IDirect3DBaseTexture8*> expected;
    for (uint32_t type : order) expected.insert(expected.end(), alone[type].begin(), alone[type].end());
    EXPECT_EQ(expected, draws(order));
}
