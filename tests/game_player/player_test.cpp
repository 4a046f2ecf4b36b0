// The player: sliding along walls, mouse look and the T key, health by
// difficulty and the heartbeat.
#include <gtest/gtest.h>

#include <cmath>

#include "LevelRenderer.h"
#include "Player.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "game.h"
#include "player_test_support.h"

using namespace player_test;

namespace {

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareWorld();
        ReleaseKeys();
        g_fTotalTime = 10.0f;
        player.SetKeyLayout(0);
        player.Init();
    }
    void TearDown() override {
        ReleaseKeys();
        player.Deactivate();
        player.Shutdown();
        GetLevel()->Free();
    }
    // Loads a room and puts the player in play at its start.
    void Start(void (*edit)(Room*) = nullptr) {
        LoadRoom(edit);
        player.Activate();
    }
    void Frames(int n, float dt) {
        for (int i = 0; i < n; ++i) {
            g_fTotalTime += dt;
            player.Update(dt);
        }
    }
    const Matrix& View() { return *cam.camera.GetMatrix(); }

    CurrentCamera cam;
    Player player;
};

// The wall test runs on the previous frame's position before the move: a
// player within 8 units moving toward the wall is put back at 8 and held for
// that frame, so pressing on at full speed swings between 8 and 8 - 4.3 units.
TEST_F(PlayerTest, WallsPutThePlayerBackEightUnitsShortAndTheOtherAxisSlides) {
    Start();
    KeyDown('W');
    KeyDown('D');
    float lastX = player.GetX();
    bool slid = false;
    for (int i = 0; i < 80; ++i) {
        Frames(1, 0.1f);
        EXPECT_LE(player.GetZ(), 96.0f - 8.0f + 4.3f + 1e-3f);
        if (player.GetZ() == 88.0f && player.GetX() > lastX + 1.0f) slid = true;  // along the +z wall
        lastX = player.GetX();
    }
    EXPECT_TRUE(slid);
    EXPECT_GE(player.GetX(), 120.0f);
    EXPECT_LE(player.GetX(), 128.0f - 8.0f + 4.3f + 1e-3f);
}

// A table across the way stops the player; a prop of unknown type kept in its place from the
// file does not, though its index byte names the record the table left in the list.
TEST_F(PlayerTest, SolidPropsStopThePlayerAndPropsOfUnknownTypesDoNot) {
    // The prop types load their meshes on it; the renderer's caches keep them to the end.
    static quiltest::RecordingDevice device;
    RenderDevice_Bind(&device, device.caps, device.backBuffer);
    LevelRenderer* props = GetLevel()->GetLevelRenderer();
    props->Init();
    auto walk = [&](void (*edit)(Room*)) {
        player.Deactivate();
        Start(edit);
        KeyDown('W');
        Frames(40, 0.1f);
        KeyUp('W');
        return player.GetZ();
    };
    const float stopped = walk([](Room* room) {
        room->nodes[3 + 1 * 8].propType[0] = 1;  // a table in the start column, two rows on
    });
    ASSERT_EQ(props->GetCount(), 1u);
    EXPECT_LT(stopped, CentreZ(1));
    const float walked = walk([](Room* room) {
        room->nodes[3 + 1 * 8].propType[0] = 40;
        room->nodes[3 + 1 * 8].propIndex[0] = 0;
    });
    ASSERT_EQ(props->GetCount(), 0u);
    EXPECT_GT(walked, CentreZ(0));
    props->Shutdown();
    RenderDevice_Unbind();
}

TEST_F(PlayerTest, MouseTurnsWithSensitivityAndInversionPitchIsClampedAndTTogglesInversion) {
    Start();
    // Inverted (the default): moving the mouse down looks up.
    SetMouse(10, 10, 0);
    Frames(1, 0.1f);
    EXPECT_FLOAT_EQ(player.GetYaw(), 0.1f);
    EXPECT_FLOAT_EQ(player.GetPitch(), -0.1f);
    EXPECT_GT(View().m[2][1], 0.09f);
    SetMouse(0, 10, 0);
    player.ToggleInvertMouse();
    player.SetMouseSensitivity(0);
    Frames(1, 0.1f);
    EXPECT_NEAR(player.GetPitch(), -0.05f, 1e-6);
    for (int dy : {1000, -5000}) {
        SetMouse(0, dy, 0);
        Frames(1, 0.1f);
        EXPECT_FLOAT_EQ(player.GetPitch(), dy > 0 ? Player::PITCH_LIMIT : -Player::PITCH_LIMIT);
    }
    // Looking far up or down slows walking by the cosine of the pitch.
    SetMouse(0, 0, 0);
    KeyDown('W');
    Frames(1, 0.1f);
    EXPECT_NEAR(player.GetSpeed(), 4.3f * std::cos(Player::PITCH_LIMIT), 1e-3);
    // T toggles the inversion at once, held again only after 0.2 s, and a
    // fresh press right after the release toggles at once.
    ASSERT_FALSE(player.IsMouseInverted());
    KeyDown('T');
    Frames(2, 0.1f);
    EXPECT_TRUE(player.IsMouseInverted());
    Frames(2, 0.1f);
    EXPECT_FALSE(player.IsMouseInverted());
    KeyUp('T');
    Frames(1, 0.01f);
    KeyDown('T');
    Frames(1, 0.01f);
    EXPECT_TRUE(player.IsMouseInverted());
}

TEST_F(PlayerTest, HitsTakeHealthByDifficultyDownToZeroAndLowHealthBeatsTheHeart) {
    Start();
    while (player.GetHealth() >= 31) player.TakeHit();
    Frames(1, 0.1f);
    EXPECT_TRUE(Playing(player.GetHeartbeatSound()));
    player.Deactivate();
    EXPECT_FALSE(Playing(player.GetHeartbeatSound()));
    // Medium takes 3 and hard 5 a hit; the last hit leaves 0, not a wrapped count.
    struct Case { uint32_t difficulty; int hits; uint32_t left; };
    for (const Case c : {Case{DIFFICULTY_MEDIUM, 33, 1}, Case{DIFFICULTY_HARD, 19, 5}}) {
        player.Activate();
        GetGame()->SetDifficulty(c.difficulty);
        for (int i = 0; i < c.hits; ++i) player.TakeHit();
        EXPECT_EQ(player.GetHealth(), c.left);
        player.TakeHit();
        EXPECT_EQ(player.GetHealth(), 0u);
    }
    GetGame()->SetDifficulty(DIFFICULTY_EASY);
    player.Activate();
    Frames(1, 0.1f);
    EXPECT_FALSE(player.IsHeartbeatOn());
}

}  // namespace
