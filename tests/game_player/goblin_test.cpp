// Goblins: spawning while spotted (at once, then every 5 s, at most four),
// where they appear, reaping for score, chasing and keeping their distance,
// and shooting only in sight and facing the player.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Bullets.h"
#include "EnemyManager.h"
#include "GoblinManager.h"
#include "Player.h"
#include "player_test_support.h"

using namespace player_test;

namespace {

class GoblinTest : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareWorld();
        ReleaseKeys();
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
    std::vector<const BulletRecord*> GoblinShots() {
        std::vector<const BulletRecord*> shots;
        for (uint32_t i = bulletsBefore; i < GetBullets()->GetCount(); ++i)
            if (GetBullets()->GetBullet(i)->type == BULLET_GOBLIN) shots.push_back(GetBullets()->GetBullet(i));
        return shots;
    }
    // One goblin at (x, z) south of the player at node (3, 3), its mesh facing +z.
    Goblin* GoblinFacingThePlayerFrom(float z) {
        goblins->Spawn();
        Goblin* g = goblins->GetGoblin(0);
        player.SetPosition(Vec3(CentreX(3), 22.0f, CentreZ(3)));
        g->SetX(CentreX(3));
        g->SetZ(z);
        mat_Identity(g->GetMesh()->GetMatrix());
        return g;
    }
    static float Distance(const Vec3& a, const Vec3& b) {
        return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
    }

    CurrentCamera cam;
    Player player;
    GoblinManager* goblins = GetGoblinManager();
    uint32_t bulletsBefore = 0;
};

TEST_F(GoblinTest, SpottedSpawnsOneAtOnceThenOneEveryFiveSecondsUpToFour) {
    goblins->Spawn();
    EXPECT_EQ(quiltest::TimesInProcessList(goblins->GetGoblin(0)), 1);
    goblins->Update(4.9f);
    goblins->Spawn();
    EXPECT_EQ(goblins->GetCount(), 1u);
    goblins->Update(0.2f);
    goblins->Spawn();
    EXPECT_EQ(goblins->GetCount(), 2u);
    for (int i = 0; i < 2; ++i) {
        goblins->Update(5.0f);  // the wait between spawns
        goblins->Spawn();
    }
    ASSERT_EQ(goblins->GetCount(), 4u);
    // Four alive: the wait keeps growing, and the moment one is reaped the
    // next spawns at once.
    goblins->Update(7.0f);
    goblins->Spawn();
    EXPECT_EQ(goblins->GetCount(), 4u);

    Goblin* second = goblins->GetGoblin(1);
    Goblin* last = goblins->GetGoblin(3);
    for (int i = 0; i < 20 && second->GetHealth() > 0; ++i) second->TakeHit();
    EXPECT_TRUE(second->IsActive());  // still in play until the manager's next frame
    goblins->Update(0.01f);
    EXPECT_EQ(goblins->GetCount(), 3u);
    EXPECT_EQ(quiltest::TimesInProcessList(second), 0);
    EXPECT_EQ(goblins->GetGoblin(1), last);  // the last live goblin fills the hole
    EXPECT_EQ(player.GetScore(), 100u);
    goblins->Spawn();
    EXPECT_EQ(goblins->GetGoblin(3), second);  // the freed slot is used again
    EXPECT_EQ(second->GetHealth(), 100u);
}

TEST_F(GoblinTest, AGoblinAppearsOnTheFloorAndARoomWithoutFloorOrLevelSpawnsNothing) {
    // The only floor: node (5, 2), not mirrored about the middle row.
    LoadRoom([](Room* r) {
        for (Node& n : r->nodes) n.floorTile = NODE_EMPTY;
        r->nodes[5 + 2 * 8].floorTile = 3;
    });
    goblins->Spawn();
    ASSERT_EQ(goblins->GetCount(), 1u);
    EXPECT_FLOAT_EQ(goblins->GetGoblin(0)->GetX(), CentreX(5));
    EXPECT_FLOAT_EQ(goblins->GetGoblin(0)->GetZ(), CentreZ(2));
    goblins->KillAll();

    LoadRoom([](Room* r) {
        for (Node& n : r->nodes) n.floorTile = NODE_EMPTY;
    });
    goblins->Update(5.0f);
    goblins->Spawn();  // would search for a floor cell for ever
    EXPECT_EQ(goblins->GetCount(), 0u);
    GetLevel()->Free();
    goblins->Spawn();
    EXPECT_EQ(goblins->GetCount(), 0u);
    EXPECT_EQ(quiltest::MessageBoxCount(), 0u);
}

TEST_F(GoblinTest, AGoblinKeepsItsDistanceChasesThePlayerAndSurvivesStandingOnIt) {
    goblins->Spawn();
    Goblin* g = goblins->GetGoblin(0);
    const Vec3 eye = *player.GetPosition();
    // Too close it is pushed straight away.
    g->SetX(eye.x + g->GetKeepAway() * 0.5f);
    g->SetZ(eye.z);
    g->Think(0.05f);
    Vec3 away = *g->GetPosition();
    away -= eye;
    Vec3::Normalise(away);
    const Vec3 v = g->GetVelocity();
    EXPECT_GT(v.Dot(away), 0.0f);
    EXPECT_NEAR(std::sqrt(v.Dot(v)), v.Dot(away), 1e-3f);

    // From far off it closes in, never faster than 30 units a second.
    g->SetX(CentreX(6));
    g->SetZ(CentreZ(0));
    const float start = Distance(*g->GetPosition(), eye);
    float fastest = 0.0f;
    for (int i = 0; i < 200; ++i) {
        g->Update(0.05f);
        fastest = std::max(fastest, std::sqrt(g->GetVelocity().Dot(g->GetVelocity())));
    }
    EXPECT_LE(fastest, 30.0f);
    EXPECT_GT(fastest, 20.0f);
    const float d = Distance(*g->GetPosition(), eye);
    EXPECT_LT(d, start / 3.0f);
    EXPECT_GT(d, g->GetKeepAway() * 0.5f);
    EXPECT_LT(d, g->GetKeepAway() * 2.0f);

    // Standing on the goblin (no direction to it) does not break it.
    g->SetX(eye.x);
    g->SetZ(eye.z);
    player.SetPosition(Vec3(eye.x, 25.0f, eye.z));
    g->Update(0.05f);
    EXPECT_TRUE(std::isfinite(g->GetX()) && std::isfinite(g->GetVelocity().x) && std::isfinite(g->GetFacing().x));
}

// Rounding can make the mesh's forward row and the unit way to the player meet
// in a dot a hair above 1: the goblin then skips its shot step, just below 1 it
// shoots.
TEST_F(GoblinTest, ADotRoundedAboveOneSkipsTheShot) {
    for (const float stretch : {1.000001f, 0.999999f}) {
        goblins->Update(5.0f);  // past the wait between spawns
        Goblin* g = GoblinFacingThePlayerFrom(CentreZ(3) - 40.0f);
        Vec3 way = *player.GetPosition();
        way -= *g->GetPosition();
        Vec3::Normalise(way);
        Matrix* m = g->GetMesh()->GetMatrix();
        m->m[2][0] = way.x * stretch;
        m->m[2][1] = way.y * stretch;
        m->m[2][2] = way.z * stretch;
        const size_t before = GoblinShots().size();
        for (int f = 0; f < 50; ++f) g->Think(0.1f);
        EXPECT_EQ(GoblinShots().size() > before, stretch < 1.0f) << stretch;
        goblins->KillAll();
    }
}

TEST_F(GoblinTest, AGoblinInSightAndFacingThePlayerShootsOnceASecond) {
    Goblin* g = GoblinFacingThePlayerFrom(CentreZ(3) - 40.0f);
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
    EXPECT_GT(GoblinShots()[0]->direction.z, 0.99f);
}

TEST_F(GoblinTest, AGoblinBehindAWallOrFacingAwayNeverShoots) {
    // A wall along z = -64 across the room, between the rows 4 and 5.
    LoadRoom([](Room* r) {
        for (int c = 0; c < 8; ++c) {
            r->nodes[c + 5 * 8].walls[WALL_POS_Z] = 1;
            r->nodes[c + 4 * 8].walls[WALL_NEG_Z] = 1;
        }
    });
    Goblin* g = GoblinFacingThePlayerFrom(CentreZ(5));
    for (int f = 0; f < 50; ++f) g->Think(0.1f);
    EXPECT_FALSE(g->SawPlayer());
    // In the open but with its mesh turned away from the player.
    LoadRoom();
    g->SetZ(CentreZ(1));
    for (int f = 0; f < 50; ++f) g->Think(0.1f);
    EXPECT_TRUE(g->SawPlayer());
    EXPECT_TRUE(GoblinShots().empty());
}

}  // namespace
