// A goblin drawn by the real device in the house of the first level, as the
// player sees it from the start node: it stands out from the room behind it
// in every frame of its hover.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "Ceil.h"
#include "Floor.h"
#include "Level.h"
#include "LightMan.h"
#include "Walls.h"
#include "camera.h"
#include "game_world_support.h"
#include "gameengine.h"
#include "level_device_test.h"
#include "renderdevice.h"
#include "renderer.h"
#include "skinmesh.h"

namespace {

using quil_automation::RgbaImage;

int Ch(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }
int Distance(uint32_t a, uint32_t b) {
    return std::abs(Ch(a, 16) - Ch(b, 16)) + std::abs(Ch(a, 8) - Ch(b, 8)) + std::abs(Ch(a, 0) - Ch(b, 0));
}
// Relative luminance of an sRGB colour (0 black to 1 white).
double Luminance(uint32_t c) {
    auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(Ch(c, 16)) + 0.7152 * lin(Ch(c, 8)) + 0.0722 * lin(Ch(c, 0));
}

class GoblinRender : public quiltest::LevelDeviceTest {
protected:
    void SetUp() override {
        OpenLevel("goblin_render");
        GetLightMan()->Apply();
        goblin.Init();
        goblin.Setup("gfx\\goblin.x", "gfx\\goblin.tga");
        goblin.SetRenderMode(2);
        goblin.Activate();
    }
    void TearDown() override {
        goblin.Deactivate();
        goblin.Shutdown();
        CloseLevel();
    }
    // The room's floor, ceiling and walls in or out of the renderer's list.
    void ShowRoom(bool show) {
        Room* room = GetLevel()->GetRoom(GetLevel()->GetCurrentRoom());
        for (Object* o : {static_cast<Object*>(room->pFloor), static_cast<Object*>(room->pCeil),
                          static_cast<Object*>(room->pWalls)}) {
            if (show) GetRenderer()->AddObject(o);
            else GetRenderer()->RemoveObject(o);
        }
    }
    RgbaImage Draw() {
        GetRenderer()->Render();
        return Frame();
    }

    SkinMesh goblin;
};

// How a goblin stands out: of the pixels it covers (seen alone on the clear
// colour), the share that differ clearly from the room behind them, the
// luminance ratio of the goblin's pixels to the room's there (brighter over
// darker), and how many pixels of its glowing yellow eyes show.
struct Contrast {
    int covered = 0;
    double clearShare = 0.0;
    double ratio = 0.0;
    int eyes = 0;
};
Contrast Measure(const RgbaImage& alone, const RgbaImage& clear, const RgbaImage& room, const RgbaImage& both) {
    Contrast c;
    int clearPixels = 0;
    double goblinLum = 0.0, roomLum = 0.0;
    for (int y = 0; y < alone.height; ++y)
        for (int x = 0; x < alone.width; ++x) {
            if (Distance(alone.At(x, y), clear.At(x, y)) < 24) continue;
            const uint32_t p = both.At(x, y);
            ++c.covered;
            clearPixels += Distance(p, room.At(x, y)) >= 90;
            c.eyes += Ch(p, 16) > 200 && Ch(p, 8) > 120 && Ch(p, 0) < Ch(p, 16) - 120;
            goblinLum += Luminance(p);
            roomLum += Luminance(room.At(x, y));
        }
    if (!c.covered) return c;
    c.clearShare = static_cast<double>(clearPixels) / c.covered;
    goblinLum /= c.covered;
    roomLum /= c.covered;
    c.ratio = (std::max(goblinLum, roomLum) + 0.05) / (std::min(goblinLum, roomLum) + 0.05);
    return c;
}

// From the start node, a goblin in every direction with no wall in between: at
// the nearest and farthest distance it keeps from the player (its face, not
// only its body, is in view) and across the room; six frames of its hover each.
TEST_F(GoblinRender, AGoblinStandsOutFromTheRoomBehindItInEveryFrame) {
    Level* level = GetLevel();
    const uint32_t room = level->GetCurrentRoom();
    const Vec3 eye(level->GetCellX(static_cast<int>(level->GetRoomStartX(room))) + 16.0f, 22.0f,
                   level->GetCellZ(7 - static_cast<int>(level->GetRoomStartZ(room))) - 16.0f);
    int places = 0;
    for (const float far : {11.25f, 17.25f, 60.0f}) {
        Contrast least{1 << 30, 1.0, 1e9, 1 << 30};  // the weakest of each measure, printed
        for (int heading = 0; heading < 8; ++heading) {
            const float a = static_cast<float>(heading) * 3.14159265f / 4.0f;
            const Vec3 dir(std::sin(a), 0.0f, std::cos(a));
            const Vec3 at(eye.x + dir.x * far, 25.0f, eye.z + dir.z * far);
            // Inside the room, and no wall between the eye and the goblin.
            if (std::fabs(at.x) > 116.0f || at.z < -148.0f || at.z > 84.0f) continue;
            if (level->WallBetween(eye, Vec3(at.x, at.y, at.z + 32.0f), room, nullptr)) continue;
            ++places;
            camera.SetPosition(eye.x, eye.y, eye.z);
            Matrix target = g_mIdentity;
            target.m[3][0] = at.x;
            target.m[3][1] = eye.y;
            target.m[3][2] = at.z;
            camera.LookAt(&target);
            const Vec3 facing(-dir.x, 0.0f, -dir.z), up(0.0f, 1.0f, 0.0f);
            mat_LookAtBasis(&facing, goblin.GetMatrix(), &up);
            goblin.GetMatrix()->m[3][0] = at.x;
            goblin.GetMatrix()->m[3][1] = at.y;
            goblin.GetMatrix()->m[3][2] = at.z;
            for (int frame = 0; frame < 6; ++frame) {
                GetGameEngine()->Update(0.27f);  // through the 1.6 s hover
                goblin.SetHidden(true);
                const RgbaImage roomOnly = Draw();
                ShowRoom(false);
                const RgbaImage clear = Draw();
                goblin.SetHidden(false);
                const RgbaImage alone = Draw();
                ShowRoom(true);
                const RgbaImage both = Draw();
                const Contrast c = Measure(alone, clear, roomOnly, both);
                const std::string where = "at " + std::to_string(far) + " heading " + std::to_string(heading) +
                                          " frame " + std::to_string(frame);
                if (frame == 0 && heading == 4)
                    quil_automation::WritePng(::testing::TempDir() + "goblin_" + std::to_string(int(far)) + ".png", both);
                EXPECT_GT(c.covered, far > 20.0f ? 1200 : 12000) << where;
                EXPECT_GT(c.clearShare, 0.85) << where;
                EXPECT_GT(c.ratio, 3.0) << where;
                EXPECT_GT(c.eyes, far > 20.0f ? 8 : 60) << where;
                least = {std::min(least.covered, c.covered), std::min(least.clearShare, c.clearShare),
                         std::min(least.ratio, c.ratio), std::min(least.eyes, c.eyes)};
            }
        }
        std::printf("goblin at %.2f: at least %d pixels, %.2f of them clear, luminance ratio %.2f, %d eye pixels\n",
                    far, least.covered, least.clearShare, least.ratio, least.eyes);
    }
    EXPECT_GE(places, 9);
}

}  // namespace
