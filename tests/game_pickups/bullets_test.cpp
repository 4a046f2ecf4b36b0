// Shots: ranges ended by the first wall, flight and lifetime, hits on the player
// and the goblins and never on their own side.
#include <gtest/gtest.h>

#include <cmath>

#include "gameplay_test_support.h"

using gameplay_test::FakeGame;
using gameplay_test::LoadRoom;

namespace {

class BulletsTest : public ::testing::Test {
protected:
    void SetUp() override {
        gameplay_test::PrepareWorld();
        GetLevel()->Free();  // no level: nothing limits a shot but its 300 units
        bullets.Init();
        bullets.SetHost(&game);
        game.player = Vec3(-500.0f, 22.0f, -500.0f);  // out of every line of fire
    }
    void TearDown() override {
        bullets.Shutdown();
        GetLevel()->Free();
    }
    void Fire(uint32_t type, Vec3 start, Vec3 dir) { bullets.Fire(type, start, dir, 100.0f); }
    // Frames of dt until the pool is empty (-1 when not within max frames).
    int FramesToVanish(float dt, int max) {
        for (int f = 1; f <= max; ++f) {
            bullets.Update(dt);
            if (bullets.GetCount() == 0) return f;
        }
        return -1;
    }

    Bullets bullets;
    FakeGame game;
};

// Walls on the +x side of node (2, 3) (x = -32) and of node (4, 2) (x = 32,
// z from 0 to 32); the outer walls are at x = +-128, z = 96 and z = -160.
void TwoInnerWalls(Room* room) {
    room->nodes[2 + 3 * 8].walls[WALL_POS_X] = room->nodes[3 + 3 * 8].walls[WALL_NEG_X] = 1;
    room->nodes[4 + 2 * 8].walls[WALL_POS_X] = room->nodes[5 + 2 * 8].walls[WALL_NEG_X] = 1;
}

TEST_F(BulletsTest, RangeEndsAtTheFirstWallAlongTheLine) {
    LoadRoom({}, TwoInnerWalls);
    Fire(BULLET_PLAYER, Vec3(-82.0f, 20.0f, -20.0f), Vec3(1, 0, 0));
    EXPECT_NEAR(bullets.GetBullet(0)->range, 50.0f, 1e-3f);
    EXPECT_EQ(FramesToVanish(0.1f, 20), 6);  // 50 covered after five frames of 10

    struct Case { Vec3 start, dir; float range; };
    const Vec3 s(0.0f, 20.0f, -60.0f);
    const Case cases[] = {{s, Vec3(1, 0, 0), 128.0f}, {s, Vec3(-1, 0, 0), 128.0f}, {s, Vec3(0, 0, 1), 156.0f},
                          {s, Vec3(0, 0, -1), 100.0f},
                          // Diagonal: the z borders lead to the outer wall, the x wall comes first.
                          {Vec3(0.0f, 20.0f, -30.0f), Vec3(1, 0, 1), 32.0f * std::sqrt(2.0f)},
                          // Aimed down or up: the wall's distance across the floor; straight up, no wall.
                          {s, Vec3(1, -1, 0), 128.0f}, {s, Vec3(0, 1, 1), 156.0f}, {s, Vec3(0, 1, 0), 300.0f}};
    for (const Case& c : cases) Fire(BULLET_PLAYER, c.start, c.dir);
    for (uint32_t i = 0; i < 8; ++i) EXPECT_NEAR(bullets.GetBullet(i)->range, cases[i].range, 1e-3f) << i;
}

TEST_F(BulletsTest, ShotsHitOnlyTheOtherSide) {
    game.player = Vec3(50.0f, 20.0f, 0.0f);
    game.AddGoblin(Vec3(50.0f, 20.0f, 40.0f));
    // The player's shot passes through the player, the goblin's through the goblin.
    Fire(BULLET_PLAYER, Vec3(0.0f, 20.0f, 0.0f), Vec3(1, 0, 0));
    Fire(BULLET_GOBLIN, Vec3(0.0f, 20.0f, 40.0f), Vec3(1, 0, 0));
    for (int f = 0; f < 15; ++f) bullets.Update(0.1f);
    EXPECT_EQ(game.playerHits + game.goblinHits[0], 0u);
    // Each side's shot hits its target once (a frame apart: a shot moved into
    // the slot of one that hit is not tested in that frame).
    Fire(BULLET_GOBLIN, Vec3(50.0f, 20.0f, -60.0f), Vec3(0, 0, 1));
    Fire(BULLET_PLAYER, Vec3(50.0f, 20.0f, 110.0f), Vec3(0, 0, -1));
    for (int f = 0; f < 10; ++f) bullets.Update(0.1f);
    EXPECT_EQ(game.playerHits, 1u);
    EXPECT_EQ(game.goblinHits[0], 1u);
    EXPECT_EQ(bullets.GetCount(), 2u);
}

// A hit shot's slot is taken by the last shot, which is tested there only in
// the next frame: two shots over the player hit one per frame.
TEST_F(BulletsTest, AShotMovedIntoAHitShotsSlotIsTestedInTheNextFrame) {
    game.player = Vec3(0.0f, 20.0f, 0.0f);
    Fire(BULLET_GOBLIN, Vec3(-14.5f, 20.0f, 0.0f), Vec3(1, 0, 0));  // centre 0.5 past it, then 10.5
    Fire(BULLET_GOBLIN, Vec3(-14.5f, 20.0f, 0.5f), Vec3(1, 0, 0));
    bullets.Update(0.1f);
    EXPECT_EQ(game.playerHits, 1u);
    EXPECT_EQ(bullets.GetCount(), 1u);
    bullets.Update(0.1f);
    EXPECT_EQ(game.playerHits, 2u);
    EXPECT_EQ(bullets.GetCount(), 0u);
}

TEST_F(BulletsTest, OneShotDamagesOneGoblinEvenWhenTwoOverlap) {
    game.AddGoblin(Vec3(30.0f, 20.0f, 0.0f));
    game.AddGoblin(Vec3(31.0f, 20.0f, 1.0f));
    Fire(BULLET_PLAYER, Vec3(0.0f, 20.0f, 0.0f), Vec3(1, 0, 0));
    for (int f = 0; f < 10; ++f) bullets.Update(0.1f);
    EXPECT_EQ(game.goblinHits[0] + game.goblinHits[1], 1u);
    EXPECT_EQ(bullets.GetCount(), 0u);
}

TEST_F(BulletsTest, TestedStretchReachesFiveUnitsBehindTheCentreAtTenthOfASecond) {
    // After one frame the shot is at x 10, its centre at 15. A target ahead of
    // the centre waits for a later frame; behind it, the stretch's half (5)
    // plus the radius (10) counts on the line, the radius at its side.
    struct Case { Vec3 target; int hitFrame; };
    const Case cases[] = {{Vec3(16.0f, 20.0f, 0.0f), 2},  {Vec3(3.9f, 20.0f, 0.0f), 1},
                          {Vec3(3.8f, 20.0f, 0.0f), -1},  {Vec3(15.0f, 20.0f, 10.0f), 1},
                          {Vec3(15.0f, 20.0f, 10.01f), -1}, {Vec3(15.0f, 30.0f, 0.0f), 1}};
    for (const Case& c : cases) {
        FakeGame local;
        local.player = c.target;
        Bullets pool;
        pool.Init();
        pool.SetHost(&local);
        Vec3 start(0.0f, 20.0f, 0.0f), dir(1.0f, 0.0f, 0.0f);
        pool.Fire(BULLET_GOBLIN, start, dir, 100.0f);
        int hitFrame = -1;
        for (int f = 1; f <= 2 && hitFrame < 0; ++f) {
            pool.Update(0.1f);
            if (local.playerHits) hitFrame = f;
        }
        EXPECT_EQ(hitFrame, c.hitFrame) << c.target.x << " " << c.target.y << " " << c.target.z;
        pool.Shutdown();
    }
}

TEST_F(BulletsTest, ExpiredShotIsReplacedByTheLastWhichFliesOnInTheSamePass) {
    LoadRoom();
    Fire(BULLET_PLAYER, Vec3(120.0f, 20.0f, -30.0f), Vec3(1, 0, 0));  // 8 to the wall
    Fire(BULLET_PLAYER, Vec3(0.0f, 20.0f, -30.0f), Vec3(-1, 0, 0));
    Fire(BULLET_GOBLIN, Vec3(0.0f, 20.0f, -30.0f), Vec3(0, 0, 1));
    bullets.Update(0.1f);
    bullets.Update(0.1f);
    ASSERT_EQ(bullets.GetCount(), 2u);
    EXPECT_EQ(bullets.GetBullet(0)->type, BULLET_GOBLIN);
    EXPECT_FLOAT_EQ(bullets.GetBullet(0)->travelled, 20.0f);
    EXPECT_FLOAT_EQ(bullets.GetBullet(1)->travelled, 20.0f);
}

}  // namespace
