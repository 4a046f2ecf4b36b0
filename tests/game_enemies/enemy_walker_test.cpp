// Walkers in a room: what they see (distance, view cone, walls), how the
// player becomes spotted, where the walker and its mesh are placed, hiding in
// hidden blocks, the lights on the mesh and walkers sharing a path.
#include <gtest/gtest.h>

#include <cmath>

#include "EnemyManager.h"
#include "GoblinManager.h"
#include "Level.h"
#include "LightMan.h"
#include "Player.h"
#include "enemy_test_support.h"

using enemy_test::AssetRoot;
using enemy_test::CentreX;
using enemy_test::CentreZ;
using enemy_test::EncodeEnemyFile;
using enemy_test::EncodeLevel;
using enemy_test::WriteBytes;

namespace {

constexpr float kDegree = 3.14159265f / 180.0f;

class WalkerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        AssetRoot();
        GetEnemyManager()->Init();
        WriteBytes("open.dat", EncodeLevel({}));
        // One walker from the centre of node (1, 5) north to node (1, 1); heading 0.
        WriteBytes("north.dat", EncodeEnemyFile({{{{CentreX(1), CentreZ(5)}, {CentreX(1), CentreZ(1)}}}}));
    }
    void StartWalker(const char* level) {
        GetLevel()->Load(level);
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
    StartWalker("open.dat");
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
