// Two games played as a player plays them: menu keys, W and mouse turns only,
// through the automation interface. Positions and texts are read to steer and
// to check; no game state is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <queue>
#include <string>
#include <vector>

#include "Level.h"
#include "Pickups.h"
#include "Player.h"
#include "TextOverlay.h"
#include "game.h"
#include "game_world_support.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "quil_automation.h"
#include "windows.h"

namespace {
namespace qa = quil_automation;

constexpr double kFrame = 0.05;  // virtual seconds per look at the message queue

// The engine acts on a quit at the next window message.
void Quit() {
    GetGameEngine()->Quit();
    PostMessageA(GetPCSystem()->GetHWnd(), WM_NULL, 0, 0);
}

bool Showing(const char* text) {
    TextOverlay* texts = GetGame()->GetTextOverlay();
    for (uint32_t i = 0; i < texts->GetLineCount(); ++i)
        if (std::strstr(texts->GetLine(i)->text, text)) return true;
    return false;
}

// Steps run one after another from the platform's pump hook; a step returns
// true when done. A step that runs for too long fails the test and quits.
class Script {
public:
    void Add(std::string name, std::function<bool()> step) { m_steps.emplace_back(std::move(name), std::move(step)); }
    void Press(const std::string& name, int vk) {
        auto held = std::make_shared<int>(0);
        Add(name, [vk, held] {
            if (*held == 0) qa::KeyDown(vk);
            if (++*held < 3) return false;
            qa::KeyUp(vk);
            return ++*held > 6;
        });
    }
    void Run() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        qa::UseVirtualClock(true);
        qa::SetHeadless(true);
        qa::QueueDialogScript([](HWND dialog) { qa::DialogClickButton(dialog, IDOK); });
        qa::SetPumpHook([this] { Pump(); });
        GetGameEngine()->Run(GetModuleHandleA(nullptr), GetGame(), 0);
        qa::SetPumpHook(std::function<void()>());
        EXPECT_EQ(m_next, m_steps.size()) << "stopped at: " << (m_next < m_steps.size() ? m_steps[m_next].first : "");
    }

private:
    void Pump() {
        qa::AdvanceClock(kFrame);
        if (m_next >= m_steps.size() || m_frame == g_uFrameCount) return;
        m_frame = g_uFrameCount;
        if (m_steps[m_next].second()) {
            ++m_next;
            m_pumps = 0;
        } else if (++m_pumps > 8000) {
            ADD_FAILURE() << "step \"" << m_steps[m_next].first << "\" did not finish";
            m_next = m_steps.size();
            Quit();
        }
    }
    std::vector<std::pair<std::string, std::function<bool()>>> m_steps;
    size_t m_next = 0;
    int m_pumps = 0;
    uint32_t m_frame = ~0u;
};

// Walks the player to a point: the cheapest way through the room's nodes (walls
// block, nodes with props cost more), turning with the mouse and walking with W.
class Walker {
public:
    // One frame toward target; true once the player stands within reach of it.
    bool Toward(const Vec3& target, float reach) {
        const Vec3 p = *GetGame()->GetPlayer()->GetPosition();
        const float tx = target.x - p.x, tz = target.z - p.z;
        if (tx * tx + tz * tz < reach * reach) return Walk(false), true;
        Vec3 aim = NextWaypoint(p, target);
        Steer(std::atan2(aim.x - p.x, aim.z - p.z));
        return false;
    }
    void Stop() { Walk(false); }

private:
    static float Wrap(float a) {
        while (a > 3.14159265f) a -= 6.2831853f;
        while (a < -3.14159265f) a += 6.2831853f;
        return a;
    }
    void Walk(bool on) {
        if (on != m_walking) on ? qa::KeyDown('W') : qa::KeyUp('W');
        m_walking = on;
    }
    // Turns toward heading (0 faces +z, pi/2 faces +x) and walks when nearly facing it.
    void Steer(float heading) {
        const float error = Wrap(heading - GetGame()->GetPlayer()->GetYaw());
        const int counts = std::clamp(static_cast<int>(error / 0.01f), -40, 40);
        // Near an edge the pointer jumps back to the middle, too far to count as a turn.
        m_mouseX = m_mouseX + counts < 100 || m_mouseX + counts > 540 ? 320 : m_mouseX + counts;
        qa::MouseMove(GetPCSystem()->GetHWnd(), m_mouseX, 240);
        Walk(std::fabs(error) < 0.4f);
    }
    static int Col(float x) { return GetLevel()->CellColFromX(x); }
    static int Row(float z) { return GetLevel()->CellRowFromZ(z + GetLevel()->GetCellSize()); }
    static Vec3 Centre(int col, int row) {
        Level* level = GetLevel();
        const float half = level->GetCellSize() * 0.5f;
        return Vec3(level->GetCellX(col) + half, 0.0f, level->GetCellZ(7 - row) - half);
    }
    // Centre of the node after the player's on the cheapest way to target's node,
    // or the target itself from its own node.
    Vec3 NextWaypoint(const Vec3& p, const Vec3& target) {
        const int goal = Col(target.x) + 8 * Row(target.z), from = Col(p.x) + 8 * Row(p.z);
        if (from == goal || from < 0 || from >= 64) return target;
        Level* level = GetLevel();
        const int dc[4] = {0, 0, -1, 1}, dr[4] = {-1, 1, 0, 0};  // wall sides +z, -z, -x, +x
        const int opposite[4] = {WALL_NEG_Z, WALL_POS_Z, WALL_POS_X, WALL_NEG_X};
        std::vector<int> cost(64, 1 << 20), via(64, -1);
        std::priority_queue<std::pair<int, int>> open;  // (-cost, node), searched from the goal
        cost[goal] = 0;
        open.push({0, goal});
        while (!open.empty()) {
            const int n = open.top().second, c = -open.top().first;
            open.pop();
            if (c > cost[n]) continue;
            const Node* node = level->GetNode(n % 8, n / 8);
            for (int s = 0; s < 4; ++s) {
                const int col = n % 8 + dc[s], row = n / 8 + dr[s];
                if (col < 0 || col > 7 || row < 0 || row > 7 || node->walls[s] != NODE_EMPTY) continue;
                const Node* next = level->GetNode(col, row);
                if (next->walls[opposite[s]] != NODE_EMPTY || next->floorTile == NODE_EMPTY) continue;
                int step = 1;
                for (uint8_t prop : next->propType) step += prop != NODE_EMPTY ? 4 : 0;
                const int m = col + 8 * row;
                if (c + step < cost[m]) {
                    cost[m] = c + step;
                    via[m] = n;
                    open.push({-cost[m], m});
                }
            }
        }
        return via[from] < 0 ? target : Centre(via[from] % 8, via[from] / 8);
    }

    int m_mouseX = 320;
    bool m_walking = false;
};

class PlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        quiltest::GeneratedAssetFolder("game_e2e_test");
        quiltest::WriteBytes(Game::HiscoreFile, {1, 0, 0, 0, 20, 0, 0, 0});
    }
    // From the title to the first level on easy.
    void StartOnEasy() {
        run.Add("the menu", [] { return GetGame()->GetState() == GAMESTATE_MENU; });
        run.Press("START GAME", VK_RETURN);
        run.Press("EASY", VK_RETURN);
        run.Add("LEVEL 1 - GET READY", [] { return Showing("LEVEL 1 - GET READY"); });
        run.Add("play", [] { return GetGame()->GetState() == GAMESTATE_PLAY; });
    }
    // Walks to the present on show, or to the star while one is carried.
    bool FetchOrDeliver() {
        Pickups* pickups = GetGame()->GetPickups();
        const PickupSlot* s = pickups->GetSlot(pickups->IsSlotActive(PICKUP_PRESENT) ? PICKUP_PRESENT : PICKUP_STAR);
        walker.Toward(Vec3(s->x, 0.0f, s->z), 12.0f);
        return false;
    }
    Script run;
    Walker walker;
};

TEST_F(PlayTest, LevelOneOnEasyDeliveredAndTheBonusScored) {
    StartOnEasy();
    run.Add("every present delivered", [this] {
        if (GetGame()->GetState() != GAMESTATE_PLAY) return walker.Stop(), true;
        return FetchOrDeliver();
    });
    static uint32_t scoreAtComplete = 0;
    run.Add("LEVEL COMPLETE", [] {
        scoreAtComplete = GetGame()->GetPlayer()->GetScore();
        return GetGame()->GetState() == GAMESTATE_LEVEL_COMPLETE && Showing("LEVEL COMPLETE - WELL DONE");
    });
    static std::string bonus;
    run.Add("LEVEL 2 - GET READY", [] {
        TextOverlay* texts = GetGame()->GetTextOverlay();
        for (uint32_t i = 0; i < texts->GetLineCount(); ++i)
            if (std::strncmp(texts->GetLine(i)->text, "BONUS SCORE: ", 13) == 0) bonus = texts->GetLine(i)->text + 13;
        return Showing("LEVEL 2 - GET READY");
    });
    run.Add("quit", [] { return Quit(), true; });
    run.Run();

    EXPECT_GE(scoreAtComplete, 2u * 300u);  // two presents picked up and delivered
    ASSERT_FALSE(bonus.empty());
    EXPECT_GT(std::stoi(bonus), 0);
    EXPECT_EQ(GetGame()->GetPlayer()->GetScore(), scoreAtComplete + std::stoul(bonus));
    EXPECT_EQ(GetGame()->GetLevelNumber(), 1u);
}

TEST_F(PlayTest, TimeRunsOutToGameOverAndARaisedHiscore) {
    StartOnEasy();
    run.Add("a present picked up", [this] {
        if (GetGame()->GetPlayer()->GetScore() > 0) return walker.Stop(), true;
        return FetchOrDeliver();
    });
    run.Add("GAME OVER", [] { return Showing("GAME OVER"); });
    run.Add("the menu again", [] { return Showing("CURRENT HISCORE: 50"); });
    // Held: its repeats are the messages on which the program closes.
    run.Add("Escape in the menu", [] { return qa::KeyDown(VK_ESCAPE), GetGame()->GetState() == GAMESTATE_IDLE; });
    run.Run();
    qa::KeyUp(VK_ESCAPE);

    const std::vector<uint8_t> file = quiltest::ReadBytes(Game::HiscoreFile);
    ASSERT_EQ(file.size(), 8u);
    EXPECT_EQ(quiltest::U32At(file, 4), 50u);
}

}  // namespace
