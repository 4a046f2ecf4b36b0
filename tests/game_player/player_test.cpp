// The player: walking speed and damping, sliding along walls and props, the
// start cell and its camera, mouse look with sensitivity and inversion, the T
// key, footsteps by floor material, the fire rate, health and the heartbeat,
// damage by difficulty, and staying quiet off the grid.
#include <gtest/gtest.h>

#include <cmath>

#include "Bullets.h"
#include "LevelRenderer.h"
#include "Player.h"
#include "game.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "player_test_support.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "renderer.h"
#include "sound.h"

using player_test::CentreX;
using player_test::CentreZ;
using player_test::KeyDown;
using player_test::KeyUp;
using player_test::LoadRoom;
using player_test::MessageTexts;
using player_test::Playing;
using player_test::SetMouse;
using player_test::Silence;

namespace {

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        player_test::PrepareWorld();
        player_test::ReleaseKeys();
        g_fTotalTime = 10.0f;
        player.SetKeyLayout(0);
        player.Init();
    }
    void TearDown() override {
        player_test::ReleaseKeys();
        player.Deactivate();
        player.Shutdown();
        GetLevel()->Free();
    }
    // Loads a room, puts the player in play at its start and runs no frame.
    void Start(void (*edit)(Room*) = nullptr) {
        LoadRoom(edit);
        player.Activate();
    }
    // n frames of dt; the running time moves on with them.
    void Frames(int n, float dt) {
        for (int i = 0; i < n; ++i) {
            g_fTotalTime += dt;
            player.Update(dt);
        }
    }
    // The footstep playing now (-1 for none, -2 for more than one); all are silenced.
    int StepPlayed() {
        int found = -1;
        for (uint32_t i = 0; i < Player::FOOTSTEP_COUNT; ++i) {
            if (Playing(player.GetFootstepSound(i))) found = found == -1 ? static_cast<int>(i) : -2;
            Silence(player.GetFootstepSound(i));
        }
        return found;
    }
    const Matrix& View() { return *cam.camera.GetMatrix(); }

    player_test::CurrentCamera cam;
    Player player;
};

void FloorTile(Room* room, uint8_t tile) {
    for (Node& n : room->nodes) n.floorTile = tile;
}

}  // namespace

TEST_F(PlayerTest, StartsAtTheStartCellFacingTheRoomWithFullHealth) {
    Start();
    // Column 3's centre; the row is taken as stored, onto row 3's -z edge.
    EXPECT_FLOAT_EQ(player.GetX(), CentreX(3));
    EXPECT_FLOAT_EQ(player.GetZ(), -32.0f);
    EXPECT_FLOAT_EQ(player.GetPosition()->y, 22.0f);
    EXPECT_EQ(player.GetHealth(), 100u);
    EXPECT_EQ(player.GetScore(), 0u);
    EXPECT_FLOAT_EQ(View().m[3][2], -32.0f);
    EXPECT_NEAR(View().m[2][2], 1.0f, 1e-6);  // toward z = 0
    EXPECT_TRUE(player_test::InProcessList(&player));
    // A second Activate (closing the editor) keeps it listed once and resets.
    player.AddScore(70);
    player.Activate();
    EXPECT_TRUE(player_test::InProcessList(&player));
    EXPECT_EQ(player.GetScore(), 0u);
    player.Deactivate();
    EXPECT_FALSE(player_test::InProcessList(&player));

    // Beyond z = 0 the camera turns back toward it; on z = 0 it faces +z, not a
    // matrix without axes.
    LoadRoom([](Room* r) { r->startZ = 6; });
    player.PlaceAtStart();
    EXPECT_FLOAT_EQ(player.GetZ(), 64.0f);
    EXPECT_NEAR(View().m[2][2], -1.0f, 1e-6);
    LoadRoom([](Room* r) { r->startZ = 4; });
    player.PlaceAtStart();
    EXPECT_FLOAT_EQ(player.GetZ(), 0.0f);
    EXPECT_FLOAT_EQ(View().m[0][0], 1.0f);
    EXPECT_FLOAT_EQ(View().m[2][2], 1.0f);
    EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(PlayerTest, KeysWalkAtFortyThreeUnitsASecondAndStopByDamping) {
    Start();
    KeyDown('W');
    Frames(1, 0.1f);
    EXPECT_NEAR(player.GetSpeed(), 4.3f, 1e-5);
    EXPECT_NEAR(player.GetZ(), -32.0f + 4.3f, 1e-4);
    EXPECT_FLOAT_EQ(player.GetX(), CentreX(3));
    // A diagonal pair is held to the same top speed.
    KeyDown('D');
    Frames(3, 0.1f);
    const Vec3 v = player.GetVelocity();
    EXPECT_NEAR(std::sqrt(v.x * v.x + v.z * v.z), 4.3f, 1e-4);
    EXPECT_GT(v.x, 1.0f);
    EXPECT_EQ(v.y, 0.0f);
    // Let go: the velocity halves at dt 0.1 and stops at once at dt 0.2.
    KeyUp('W');
    KeyUp('D');
    const float before = player.GetSpeed();
    Frames(1, 0.1f);
    EXPECT_NEAR(player.GetSpeed(), before * 0.5f, 1e-4);
    Frames(1, 0.2f);
    EXPECT_EQ(player.GetSpeed(), 0.0f);
    // The arrow layout moves with the arrow keys only.
    player.SetKeyLayout(1);
    KeyDown('W');
    Frames(1, 0.1f);
    EXPECT_EQ(player.GetSpeed(), 0.0f);
    KeyDown(VK_LEFT);
    Frames(1, 0.1f);
    EXPECT_LT(player.GetVelocity().x, -4.0f);
}

// The wall test runs on the previous frame's position before the move: a
// player within 8 units moving toward the wall is put back at 8 and held for
// that frame, so pressing on at full speed swings between 8 and 8 - 4.3 units.
TEST_F(PlayerTest, WallsPutThePlayerBackEightUnitsShortAndTheOtherAxisSlides) {
    Start();
    KeyDown('W');
    KeyDown('D');
    float lastX = player.GetX();
    bool slid = false, heldAtEight = false;
    for (int i = 0; i < 80; ++i) {
        Frames(1, 0.1f);
        EXPECT_LE(player.GetZ(), 96.0f - 8.0f + 4.3f + 1e-3f);
        if (player.GetZ() == 88.0f) {
            heldAtEight = true;
            if (player.GetX() > lastX + 1.0f) slid = true;  // along the +z wall while x is free
        }
        lastX = player.GetX();
    }
    EXPECT_TRUE(heldAtEight);
    EXPECT_TRUE(slid);
    EXPECT_GE(player.GetZ(), 88.0f);
    EXPECT_GE(player.GetX(), 120.0f);
    EXPECT_LE(player.GetX(), 128.0f - 8.0f + 4.3f + 1e-3f);
    KeyUp('W');
    KeyUp('D');
    KeyDown('S');
    KeyDown('A');
    bool heldZ = false, heldX = false;
    for (int i = 0; i < 120; ++i) {
        Frames(1, 0.1f);
        EXPECT_GE(player.GetZ(), -160.0f + 8.0f - 4.3f - 1e-3f);
        EXPECT_GE(player.GetX(), -128.0f + 8.0f - 4.3f - 1e-3f);
        heldZ = heldZ || player.GetZ() == -152.0f;
        heldX = heldX || player.GetX() == -120.0f;
    }
    EXPECT_TRUE(heldZ);
    EXPECT_TRUE(heldX);
    EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(PlayerTest, AWallBeyondTheNextNodeBorderStopsOnlyInThatNode) {
    // A wall along z = 32, the +z side of node (3, 2); the player starts in row 3.
    Start([](Room* r) {
        r->nodes[3 + 2 * 8].walls[WALL_POS_Z] = 1;
        r->nodes[3 + 1 * 8].walls[WALL_NEG_Z] = 1;
    });
    KeyDown('W');
    float highest = player.GetZ();
    for (int i = 0; i < 40; ++i) {
        Frames(1, 0.1f);
        highest = std::fmax(highest, player.GetZ());
    }
    EXPECT_GT(highest, 24.0f);  // crossed z = 0 unhindered, held near the wall
    EXPECT_LE(highest, 24.0f + 4.3f + 1e-3f);
    EXPECT_FLOAT_EQ(player.GetX(), CentreX(3));
}

TEST_F(PlayerTest, PropsStopTheBlockedAxisOnly) {
    quiltest::RecordingDevice device;
    RenderDevice_Bind(&device, device.caps, device.backBuffer);
    LevelRenderer* props = GetLevel()->GetLevelRenderer();
    props->Init();
    props->RestoreDeviceObjects();
    // A table at the centre of node (3, 1), straight ahead of the start.
    Start([](Room* r) { r->nodes[3 + 1 * 8].propType[0] = 1; });
    const Node* node = GetLevel()->GetNode(3, 1);
    ASSERT_NE(node->propIndex[0], DETAIL_OBJECT_NONE);
    KeyDown('W');
    Frames(40, 0.1f);
    const float stopped = player.GetZ();
    EXPECT_LT(stopped, CentreZ(1) - 8.0f);
    EXPECT_GT(stopped, CentreZ(2));
    EXPECT_EQ(player.GetVelocity().z, 0.0f);
    // Sideways the table does not hold the player, who then walks on past it.
    KeyDown('D');
    Frames(1, 0.1f);
    EXPECT_GT(player.GetX(), CentreX(3));
    Frames(40, 0.1f);
    EXPECT_GT(player.GetZ(), CentreZ(1));
    KeyUp('D');
    KeyUp('W');
    GetLevel()->Free();
    props->InvalidateDeviceObjects();
    RenderDevice_Unbind();
}

TEST_F(PlayerTest, MouseTurnsWithSensitivityAndInversionAndPitchIsClamped) {
    Start();
    SetMouse(10, 0, 0);
    Frames(1, 0.1f);
    EXPECT_FLOAT_EQ(player.GetYaw(), 0.1f);
    EXPECT_NEAR(View().m[2][0], std::sin(0.1f), 1e-6);
    EXPECT_NEAR(View().m[2][2], std::cos(0.1f), 1e-6);
    // Inverted (the default): moving the mouse down looks up.
    ASSERT_TRUE(player.IsMouseInverted());
    SetMouse(0, 10, 0);
    Frames(1, 0.1f);
    EXPECT_FLOAT_EQ(player.GetPitch(), -0.1f);
    EXPECT_GT(View().m[2][1], 0.09f);
    player.ToggleInvertMouse();
    Frames(1, 0.1f);
    EXPECT_NEAR(player.GetPitch(), 0.0f, 1e-6);
    player.SetMouseSensitivity(0);
    Frames(1, 0.1f);
    EXPECT_NEAR(player.GetPitch(), 0.05f, 1e-6);
    player.SetMouseSensitivity(7);
    EXPECT_FLOAT_EQ(player.GetMouseSensitivity(), 0.02f);
    SetMouse(0, 1000, 0);
    Frames(1, 0.1f);
    EXPECT_FLOAT_EQ(player.GetPitch(), Player::PITCH_LIMIT);
    SetMouse(0, -5000, 0);
    Frames(1, 0.1f);
    EXPECT_FLOAT_EQ(player.GetPitch(), -Player::PITCH_LIMIT);
    // Looking far up or down slows walking by the cosine of the pitch.
    SetMouse(0, 0, 0);
    KeyDown('W');
    Frames(1, 0.1f);
    EXPECT_NEAR(player.GetSpeed(), 4.3f * std::cos(Player::PITCH_LIMIT), 1e-3);
}

TEST_F(PlayerTest, KeyTTogglesAtOnceThenEveryFifthOfASecondWhileHeld) {
    Start();
    ASSERT_TRUE(player.IsMouseInverted());
    KeyDown('T');
    Frames(1, 0.1f);
    EXPECT_FALSE(player.IsMouseInverted());
    Frames(1, 0.1f);  // 0.1 s since: held, no repeat yet
    EXPECT_FALSE(player.IsMouseInverted());
    Frames(2, 0.1f);  // 0.3 s since the toggle
    EXPECT_TRUE(player.IsMouseInverted());
    KeyUp('T');
    Frames(1, 0.01f);
    KeyDown('T');  // a fresh press right after the release toggles at once
    Frames(1, 0.01f);
    EXPECT_FALSE(player.IsMouseInverted());
}

TEST_F(PlayerTest, FootstepsFollowTheFloorMaterialEveryHalfSecondOfWalking) {
    struct Case { uint8_t tile; uint32_t material; };
    for (const Case c : {Case{4, FOOTSTEP_HARD}, Case{2, FOOTSTEP_NORMAL}, Case{0, FOOTSTEP_SOFT}}) {
        static uint8_t tile;
        tile = c.tile;
        Start([](Room* r) { FloorTile(r, tile); });
        StepPlayed();
        // Standing still plays nothing.
        Frames(8, 0.125f);
        EXPECT_EQ(StepPlayed(), -1);
        KeyDown('W');
        int first = -1;
        uint32_t firstStep = 0;
        for (int s = 0; s < 4; ++s) {
            int played = -1, frames = 0;
            while (played == -1 && frames < 6) {
                Frames(1, 0.125f);
                ++frames;
                played = StepPlayed();
            }
            ASSERT_GE(played, 0) << int(c.tile) << " step " << s;
            if (s == 0) {
                first = played;
                for (uint32_t k = 0; k < 4; ++k)
                    if (Player::StepSoundIndex(c.material, k) == static_cast<uint32_t>(first)) firstStep = k;
                EXPECT_EQ(Player::StepSoundIndex(c.material, firstStep), static_cast<uint32_t>(first));
            } else {
                EXPECT_EQ(frames, 4);  // one step every 0.5 s
                EXPECT_EQ(played, static_cast<int>(Player::StepSoundIndex(c.material, (firstStep + s) & 3)));
            }
        }
        KeyUp('W');
        Frames(2, 0.2f);
    }
    // Snow alternates its two files.
    EXPECT_EQ(Player::StepSoundIndex(FOOTSTEP_SNOW, 0), Player::StepSoundIndex(FOOTSTEP_SNOW, 2));
    EXPECT_NE(Player::StepSoundIndex(FOOTSTEP_SNOW, 0), Player::StepSoundIndex(FOOTSTEP_SNOW, 1));
}

TEST_F(PlayerTest, NoFloorNoFootstepAndOffTheGridNothingIsReported) {
    Start([](Room* r) {
        FloorTile(r, NODE_EMPTY);
        for (Node& n : r->nodes)
            for (uint8_t& w : n.walls) w = NODE_EMPTY;
    });
    KeyDown('W');
    for (int i = 0; i < 60; ++i) {
        Frames(1, 0.125f);
        EXPECT_EQ(StepPlayed(), -1);
    }
    EXPECT_GT(player.GetZ(), 200.0f);  // walked out of the house
    // Without a level at all the player still walks.
    GetLevel()->Free();
    Frames(4, 0.125f);
    EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(PlayerTest, HoldingFireShootsAtOnceThenTwiceASecond) {
    Start();
    Bullets* bullets = GetBullets();
    const uint32_t before = bullets->GetCount();
    SetMouse(0, 0, 1);
    Frames(1, 0.125f);
    ASSERT_EQ(bullets->GetCount(), before + 1);
    const BulletRecord* shot = bullets->GetBullet(before);
    EXPECT_EQ(shot->type, BULLET_PLAYER);
    EXPECT_NEAR(shot->position.z, player.GetZ() + 3.0f, 1e-4);  // 3 units ahead of the eye
    EXPECT_NEAR(shot->position.y, player.GetPosition()->y, 1e-4);
    EXPECT_NEAR(shot->velocity.z, 100.0f, 1e-3);
    Frames(3, 0.125f);
    EXPECT_EQ(bullets->GetCount(), before + 1);
    Frames(1, 0.125f);
    EXPECT_EQ(bullets->GetCount(), before + 2);
    Frames(4, 0.125f);
    EXPECT_EQ(bullets->GetCount(), before + 3);
    // Let go and press again soon after: still one shot per half second.
    SetMouse(0, 0, 0);
    Frames(1, 0.125f);
    SetMouse(0, 0, 1);
    Frames(1, 0.125f);
    EXPECT_EQ(bullets->GetCount(), before + 3);
}

TEST_F(PlayerTest, HitsTakeHealthDownToZeroAndLowHealthBeatsTheHeart) {
    Start();
    const uint32_t damage = Player::HitDamage(GetGameDifficulty());
    while (player.GetHealth() >= 31) player.TakeHit();
    EXPECT_GT(player.GetHealth(), 30u - damage);
    Frames(1, 0.1f);
    EXPECT_TRUE(player.IsHeartbeatOn());
    EXPECT_TRUE(Playing(player.GetHeartbeatSound()));
    // Freezing stops it; the next update starts it again.
    player.StopHeartbeat();
    EXPECT_FALSE(Playing(player.GetHeartbeatSound()));
    Frames(1, 0.1f);
    EXPECT_TRUE(Playing(player.GetHeartbeatSound()));
    for (int i = 0; i < 60; ++i) player.TakeHit();
    EXPECT_EQ(player.GetHealth(), 0u);
    // Activate restores full health and the heartbeat stops.
    player.Deactivate();
    EXPECT_FALSE(Playing(player.GetHeartbeatSound()));
    player.Activate();
    EXPECT_EQ(player.GetHealth(), 100u);
    Frames(1, 0.1f);
    EXPECT_FALSE(player.IsHeartbeatOn());
}

TEST_F(PlayerTest, DamageFollowsTheGameDifficultyAndStopsAtZero) {
    Start();
    GetGame()->SetDifficulty(DIFFICULTY_MEDIUM);
    for (int i = 0; i < 33; ++i) player.TakeHit();
    EXPECT_EQ(player.GetHealth(), 1u);
    player.TakeHit();  // 3 from 1 leaves 0, not a wrapped count
    EXPECT_EQ(player.GetHealth(), 0u);
    player.Activate();
    GetGame()->SetDifficulty(DIFFICULTY_HARD);
    for (int i = 0; i < 19; ++i) player.TakeHit();
    EXPECT_EQ(player.GetHealth(), 5u);
    player.TakeHit();
    EXPECT_EQ(player.GetHealth(), 0u);
    GetGame()->SetDifficulty(DIFFICULTY_EASY);
}
