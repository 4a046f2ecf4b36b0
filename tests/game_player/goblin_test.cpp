// Goblins: spawning while spotted (at once, then every 5 s, at most four),
// where they appear, rooms without floor, reaping for score and KillAll
// without, chasing and keeping their distance, shooting only in sight and
// facing the player, the hit flash and damage by difficulty.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "Bullets.h"
#include "EnemyManager.h"
#include "GoblinManager.h"
#include "Player.h"
#include "game.h"
#include "gameengine.h"
#include "player_test_support.h"
#include "renderer.h"

using player_test::CentreX;
using player_test::CentreZ;
using player_test::LoadRoom;
using player_test::MessageTexts;

namespace {

class GoblinTest : public ::testing::Test {
protected:
    void SetUp() override {
        player_test::PrepareWorld();
        player_test::ReleaseKeys();
        LoadRoom();
        player.Init();
        player.Activate();
        goblins->Init();
        goblins->Activate();
        bulletsBefore = GetBullets()->GetCount();
    }
    void TearDown() override {
        goblins->Deactivate();
        goblins->Shutdown();
        player.Deactivate();
        player.Shutdown();
        GetEnemyManager()->Stop();
        GetEnemyManager()->Free();
        GetLevel()->Free();
    }
    // Goblin shots fired since the test began.
    std::vector<const BulletRecord*> GoblinShots() {
        std::vector<const BulletRecord*> shots;
        for (uint32_t i = bulletsBefore; i < GetBullets()->GetCount(); ++i)
            if (GetBullets()->GetBullet(i)->type == BULLET_GOBLIN) shots.push_back(GetBullets()->GetBullet(i));
        return shots;
    }
    static void KillWithShots(Goblin* g) {
        for (int i = 0; i < 20 && g->GetHealth() > 0; ++i) g->TakeHit();
    }
    static float Distance(const Vec3& a, const Vec3& b) {
        return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
    }

    player_test::CurrentCamera cam;
    Player player;
    GoblinManager* goblins = GetGoblinManager();
    uint32_t bulletsBefore = 0;
};

void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutF(std::vector<uint8_t>& b, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    Put32(b, v);
}

}  // namespace

TEST_F(GoblinTest, SpottedSpawnsOneAtOnceThenOneEveryFiveSecondsUpToFour) {
    goblins->Spawn();
    ASSERT_EQ(goblins->GetCount(), 1u);
    Goblin* first = goblins->GetGoblin(0);
    EXPECT_TRUE(first->IsActive());
    EXPECT_EQ(first->GetHealth(), 100u);
    EXPECT_EQ(first->GetPosition()->y, 25.0f);
    EXPECT_TRUE(player_test::InProcessList(first));
    goblins->Spawn();
    goblins->Update(4.9f);
    goblins->Spawn();
    EXPECT_EQ(goblins->GetCount(), 1u);
    goblins->Update(0.2f);
    goblins->Spawn();
    EXPECT_EQ(goblins->GetCount(), 2u);
    for (int i = 0; i < 2; ++i) {
        goblins->Update(5.0f);
        goblins->Spawn();
    }
    ASSERT_EQ(goblins->GetCount(), 4u);
    // Four alive: the wait keeps growing, and the moment one is reaped the
    // next spawns at once.
    goblins->Update(7.0f);
    goblins->Spawn();
    EXPECT_EQ(goblins->GetCount(), 4u);
    EXPECT_GE(goblins->GetSpawnTimer(), 7.0f);

    Goblin* second = goblins->GetGoblin(1);
    Goblin* last = goblins->GetGoblin(3);
    KillWithShots(second);
    EXPECT_EQ(second->GetHealth(), 0u);
    EXPECT_TRUE(second->IsActive());  // still in play until the manager's next frame
    goblins->Update(0.01f);
    EXPECT_EQ(goblins->GetCount(), 3u);
    EXPECT_FALSE(second->IsActive());
    EXPECT_FALSE(player_test::InProcessList(second));
    EXPECT_EQ(goblins->GetGoblin(1), last);  // the last live goblin fills the hole
    EXPECT_EQ(player.GetScore(), 100u);
    goblins->Spawn();
    EXPECT_EQ(goblins->GetCount(), 4u);
    EXPECT_EQ(goblins->GetGoblin(3), second);  // the freed slot is used again
    EXPECT_EQ(second->GetHealth(), 100u);
    EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(GoblinTest, TwoDeadOnOneFrameAreBothReapedWithinTwoFrames) {
    for (int i = 0; i < 3; ++i) {
        goblins->Update(5.0f);
        goblins->Spawn();
    }
    ASSERT_EQ(goblins->GetCount(), 3u);
    KillWithShots(goblins->GetGoblin(0));
    KillWithShots(goblins->GetGoblin(2));
    goblins->Update(0.01f);
    goblins->Update(0.01f);
    EXPECT_EQ(goblins->GetCount(), 1u);
    EXPECT_EQ(player.GetScore(), 200u);
    EXPECT_GT(goblins->GetGoblin(0)->GetHealth(), 0u);
}

TEST_F(GoblinTest, AGoblinAppearsOverTheCellFoundOnTheFloor) {
    // The only floor: node (5, 2). The row picked goes to GetCellZ unflipped.
    LoadRoom([](Room* r) {
        for (Node& n : r->nodes) n.floorTile = NODE_EMPTY;
        r->nodes[5 + 2 * 8].floorTile = 3;
    });
    goblins->Spawn();
    ASSERT_EQ(goblins->GetCount(), 1u);
    EXPECT_FLOAT_EQ(goblins->GetGoblin(0)->GetX(), CentreX(5));
    EXPECT_FLOAT_EQ(goblins->GetGoblin(0)->GetZ(), -128.0f + 2 * 32.0f - 16.0f);
}

TEST_F(GoblinTest, ARoomWithoutFloorOrNoLevelSpawnsNothing) {
    LoadRoom([](Room* r) {
        for (Node& n : r->nodes) n.floorTile = NODE_EMPTY;
    });
    goblins->Spawn();  // would search for a floor cell for ever
    EXPECT_EQ(goblins->GetCount(), 0u);
    GetLevel()->Free();
    goblins->Spawn();
    EXPECT_EQ(goblins->GetCount(), 0u);
    EXPECT_TRUE(MessageTexts().empty());
    // Once the room has a floor the waiting spawn comes at once.
    LoadRoom();
    goblins->Spawn();
    EXPECT_EQ(goblins->GetCount(), 1u);
}

TEST_F(GoblinTest, KillAllAndDeactivateGiveNoScore) {
    for (int i = 0; i < 2; ++i) {
        goblins->Update(5.0f);
        goblins->Spawn();
    }
    ASSERT_EQ(goblins->GetCount(), 2u);
    Goblin* a = goblins->GetGoblin(0);
    goblins->Update(3.0f);
    goblins->KillAll();
    EXPECT_EQ(goblins->GetCount(), 0u);
    EXPECT_FALSE(a->IsActive());
    EXPECT_FALSE(player_test::InProcessList(a));
    EXPECT_FLOAT_EQ(goblins->GetSpawnTimer(), 3.0f);  // KillAll leaves the wait alone
    goblins->Update(2.0f);
    goblins->Spawn();
    EXPECT_EQ(goblins->GetCount(), 1u);
    goblins->Deactivate();
    EXPECT_EQ(goblins->GetCount(), 0u);
    EXPECT_FALSE(player_test::InProcessList(goblins));
    EXPECT_EQ(player.GetScore(), 0u);
    // Activate again: listed once, and the first spawn may come at once.
    goblins->Activate();
    goblins->Activate();
    EXPECT_TRUE(player_test::InProcessList(goblins));
    goblins->Spawn();
    EXPECT_EQ(goblins->GetCount(), 1u);
}

TEST_F(GoblinTest, AGoblinChasesThePlayerAtHeightTwentyFiveAndKeepsItsDistance) {
    goblins->Spawn();
    Goblin* g = goblins->GetGoblin(0);
    g->SetX(CentreX(6));
    g->SetZ(CentreZ(0));
    const Vec3 eye = *player.GetPosition();
    float d = Distance(*g->GetPosition(), eye);
    const float start = d;
    for (int i = 0; i < 200; ++i) g->Update(0.05f);
    d = Distance(*g->GetPosition(), eye);
    EXPECT_LT(d, start / 3.0f);
    EXPECT_GT(d, g->GetKeepAway() * 0.5f);
    EXPECT_LT(d, g->GetKeepAway() * 2.0f);
    EXPECT_EQ(g->GetPosition()->y, 25.0f);
    EXPECT_LE(std::sqrt(g->GetVelocity().Dot(g->GetVelocity())), 30.0f * 1.5f);
    // Its mesh turns toward the player.
    const Matrix* mesh = g->GetMesh()->GetMatrix();
    Vec3 to = eye;
    to -= *g->GetPosition();
    Vec3::Normalise(to);
    EXPECT_GT(mesh->m[2][0] * to.x + mesh->m[2][1] * to.y + mesh->m[2][2] * to.z, 0.9f);
    EXPECT_FLOAT_EQ(mesh->m[3][0], g->GetX());
}

TEST_F(GoblinTest, TooCloseAGoblinIsPushedStraightAway) {
    goblins->Spawn();
    Goblin* g = goblins->GetGoblin(0);
    const Vec3 eye = *player.GetPosition();
    const float k = g->GetKeepAway();
    g->SetX(eye.x + k * 0.5f);
    g->SetZ(eye.z);
    g->Think(0.05f);
    Vec3 away = *g->GetPosition();
    away -= eye;
    const float d = Vec3::Normalise(away);
    const Vec3 v = g->GetVelocity();
    const float along = v.Dot(away);
    // (k - d) x 1.5 outward, slowed to between half and full by the facing.
    EXPECT_GT(along, (k - d) * 1.5f * 0.5f - 1e-3f);
    EXPECT_LT(along, (k - d) * 1.5f + 1e-3f);
    EXPECT_NEAR(std::sqrt(v.Dot(v)), along, 1e-3f);
    // Standing on the goblin (no direction to it) does not break it.
    g->SetX(eye.x);
    g->SetZ(eye.z);
    player.SetPosition(Vec3(eye.x, 25.0f, eye.z));
    g->Update(0.05f);
    EXPECT_TRUE(std::isfinite(g->GetX()) && std::isfinite(g->GetVelocity().x) && std::isfinite(g->GetFacing().x));
}

TEST_F(GoblinTest, AGoblinInSightAndFacingThePlayerShootsOnceASecond) {
    goblins->Spawn();
    Goblin* g = goblins->GetGoblin(0);
    // Forty units south of the player, its mesh facing +z (toward the player).
    player.SetPosition(Vec3(CentreX(3), 22.0f, CentreZ(3)));
    g->SetX(CentreX(3));
    g->SetZ(CentreZ(3) - 40.0f);
    mat_Identity(g->GetMesh()->GetMatrix());
    std::vector<int> frames;
    for (int f = 0; f < 50; ++f) {
        const size_t before = GoblinShots().size();
        g->Think(0.1f);  // thinks without moving
        if (GoblinShots().size() > before) frames.push_back(f);
    }
    // The sight flag is refreshed within 2 s (a reused goblin keeps the
    // timers of its previous life); then a shot every second.
    ASSERT_GE(frames.size(), 3u);
    ASSERT_LE(frames.size(), 5u);
    EXPECT_LE(frames[0], 22);
    for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i] - frames[i - 1], 10);
    const BulletRecord* shot = GoblinShots()[0];
    EXPECT_FLOAT_EQ(shot->position.x, g->GetX());
    EXPECT_FLOAT_EQ(shot->position.y, 25.0f);
    EXPECT_GT(shot->direction.z, 0.99f);
    EXPECT_TRUE(g->SawPlayer());
}

TEST_F(GoblinTest, AGoblinBehindAWallOrFacingAwayNeverShoots) {
    // A wall along z = -64 across the room, between the rows 4 and 5.
    LoadRoom([](Room* r) {
        for (int c = 0; c < 8; ++c) {
            r->nodes[c + 5 * 8].walls[WALL_POS_Z] = 1;
            r->nodes[c + 4 * 8].walls[WALL_NEG_Z] = 1;
        }
    });
    goblins->Spawn();
    Goblin* g = goblins->GetGoblin(0);
    player.SetPosition(Vec3(CentreX(3), 22.0f, CentreZ(3)));
    g->SetX(CentreX(3));
    g->SetZ(CentreZ(5));
    mat_Identity(g->GetMesh()->GetMatrix());  // facing +z, toward the player
    for (int f = 0; f < 50; ++f) g->Think(0.1f);
    EXPECT_FALSE(g->SawPlayer());
    EXPECT_TRUE(GoblinShots().empty());
    // In the open but with its mesh turned away from the player.
    LoadRoom();
    g->SetZ(CentreZ(1));
    for (int f = 0; f < 50; ++f) g->Think(0.1f);
    EXPECT_TRUE(g->SawPlayer());
    EXPECT_TRUE(GoblinShots().empty());
}

TEST_F(GoblinTest, HitsFlashTheGoblinAndTakeHealthByDifficulty) {
    goblins->Spawn();
    Goblin* g = goblins->GetGoblin(0);
    g->TakeHit();
    EXPECT_EQ(g->GetHealth(), 100u - Goblin::HitDamage(GetGameDifficulty()));
    g->Update(0.125f);
    EXPECT_FLOAT_EQ(g->GetMesh()->GetTint()[1], 0.75f);
    g->Update(0.125f);
    EXPECT_FLOAT_EQ(g->GetMesh()->GetTint()[1], 0.75f);
    g->Update(0.125f);
    EXPECT_FLOAT_EQ(g->GetMesh()->GetTint()[0], 1.0f);
    EXPECT_FLOAT_EQ(g->GetMesh()->GetTint()[1], 1.0f);
    // Health never wraps below 0.
    KillWithShots(g);
    g->TakeHit();
    EXPECT_EQ(g->GetHealth(), 0u);
    // Three hits on easy, four on medium, seven on hard.
    const uint32_t expected[3] = {3, 4, 7};
    for (uint32_t d = 0; d < 3; ++d) {
        GetGame()->SetDifficulty(d);
        g->SetHealth(100);
        uint32_t hits = 0;
        while (g->GetHealth() > 0 && hits < 20) {
            g->TakeHit();
            ++hits;
        }
        EXPECT_EQ(hits, expected[d]) << d;
    }
    GetGame()->SetDifficulty(DIFFICULTY_EASY);
}

TEST_F(GoblinTest, APlayerSeenForAFifthOfASecondCallsUpAGoblin) {
    // One walker from node (3, 5) north toward node (3, 1): the player at the
    // start (-16, -32) stands 48 units straight ahead of it.
    std::vector<uint8_t> file;
    Put32(file, 1);
    Put32(file, 0);
    Put32(file, 1);
    Put32(file, 0);
    Put32(file, 0);
    for (int i = 0; i < 3; ++i) Put32(file, 0);
    Put32(file, 2);
    Put32(file, 0);
    PutF(file, CentreX(3));
    PutF(file, CentreZ(5));
    PutF(file, CentreX(3));
    PutF(file, CentreZ(1));
    FILE* f = std::fopen("walker.dat", "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    GetEnemyManager()->Init();
    ASSERT_TRUE(GetEnemyManager()->Load("walker.dat"));
    GetEnemyManager()->Start();
    ASSERT_EQ(GetEnemyManager()->GetCount(), 1u);

    for (int i = 0; i < 4; ++i) player.Update(0.05f);
    EXPECT_FALSE(player.IsSpotted());
    EXPECT_EQ(goblins->GetCount(), 0u);
    player.Update(0.05f);
    EXPECT_TRUE(player.IsSpotted());
    EXPECT_EQ(goblins->GetCount(), 1u);
    player.Update(0.05f);
    EXPECT_EQ(goblins->GetCount(), 1u);  // asked again, but 5 s must pass
    GetEnemyManager()->Shutdown();
}
