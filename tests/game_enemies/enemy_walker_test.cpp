// A walker in a room: how long it must see the player to spot them.
#include <gtest/gtest.h>

#include <cmath>

#include "EnemyManager.h"
#include "GoblinManager.h"
#include "Level.h"
#include "LightMan.h"
#include "Player.h"
#include "enemy_test_support.h"

using quiltest::CentreX;
using quiltest::CentreZ;

namespace {

constexpr float kDegree = 3.14159265f / 180.0f;

class WalkerTest : public ::testing::Test {
protected:
    // One walker in an open room, from the centre of node (1, 5) north to node (1, 1); heading 0.
    void SetUp() override {
        enemy_test::AssetRoot();
        GetEnemyManager()->Init();
        quiltest::FileRoom room;
        room.startX = room.startZ = 3;
        room.pointCount = 1;  // the tree only
        quiltest::WriteBytes("open.dat", quiltest::EncodeLevel(1, 1, 0, {room}));
        quiltest::WriteBytes("north.dat",
                             enemy_test::EncodeEnemyFile({{{{CentreX(1), CentreZ(5)}, {CentreX(1), CentreZ(1)}}}}));
        GetLevel()->Load("open.dat");
        ASSERT_TRUE(GetLevel()->IsLoaded());
        ASSERT_TRUE(GetEnemyManager()->Load("north.dat"));
        GetEnemyManager()->Start();
        ASSERT_EQ(GetEnemyManager()->GetCount(), 1u);
        walker = GetEnemyManager()->GetEnemy(0);
        ASSERT_TRUE(walker->IsActive());
    }
    void TearDown() override {
        GetEnemyManager()->Stop();
        GetEnemyManager()->Free();
        GetLevel()->Free();
        GetLightMan()->Clear();
    }
    // A player eye at distance d from the walker, turned by angle from its heading.
    Vec3 Around(float d, float angle) const {
        const PathState* s = walker->GetPath()->GetState();
        return Vec3(s->x + d * std::sin(s->heading + angle), 22.0f, s->z + d * std::cos(s->heading + angle));
    }
    Enemy* walker = nullptr;
};

}  // namespace

TEST_F(WalkerTest, SeenForAFifthOfASecondMakesThePlayerSpotted) {
    Player player;
    player.SetPosition(Around(40, 0));
    GoblinManager* goblins = GetGoblinManager();
    const uint32_t requests = goblins->GetSpawnRequests();
    // The first frame seen adds no time; 0.2 s of frames after it do.
    player.Update(0.05f);
    EXPECT_FALSE(player.IsSpotted());
    for (int i = 0; i < 3; ++i) player.Update(0.05f);
    EXPECT_FALSE(player.IsSpotted());
    EXPECT_EQ(goblins->GetSpawnRequests(), requests);
    player.Update(0.05f);
    EXPECT_TRUE(player.IsSpotted());
    EXPECT_EQ(goblins->GetSpawnRequests(), requests + 1);
    // One frame unseen starts the count again.
    player.SetPosition(Around(40, 90 * kDegree));
    player.Update(0.05f);
    EXPECT_FALSE(player.IsSpotted());
    player.SetPosition(Around(40, 0));
    player.Update(0.05f);
    player.Update(0.05f);
    EXPECT_FALSE(player.IsSpotted());
}
