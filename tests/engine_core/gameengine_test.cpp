// The engine's process list, its frame walk, and its start-up and shut-down.
#include <gtest/gtest.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>
#include "gameengine.h"
#include "quil_automation.h"
#include "trap.h"

namespace {
// A process that records each update (name and dt) and can run an action in it.
class Recorder : public Process {
public:
    Recorder(std::string name, std::vector<std::string>* order) : m_name(std::move(name)), m_order(order) {}
    void Init() override { ++inits; }
    void Shutdown() override { ++shutdowns; }
    void Update(float dt) override {
        if (m_order) m_order->push_back(m_name);
        lastDt = dt;
        if (onUpdate) onUpdate();
    }
    void Activate() override {}
    void Deactivate() override {}

    int inits = 0, shutdowns = 0;
    float lastDt = -1.0f;
    std::function<void()> onUpdate;

private:
    std::string m_name;
    std::vector<std::string>* m_order;
};

std::vector<Process*> Listed(const GameEngine& engine) {
    std::vector<Process*> out;
    for (Process* p = engine.GetProcessList(); p && out.size() < 100; p = p->GetNext()) out.push_back(p);
    return out;
}

std::string ReadLog() {
    std::ifstream in(DEBUG_LOG_FILE, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class ProcessListTest : public ::testing::Test {
protected:
    ProcessListTest() : a("A", &order), b("B", &order), c("C", &order) {}
    void SetUp() override {
        engine.AddProcess(&a);
        engine.AddProcess(&b);
        engine.AddProcess(&c);
        savedCamera = g_pCurrentCamera;
        g_pCurrentCamera = nullptr;
    }
    void TearDown() override { g_pCurrentCamera = savedCamera; }

    GameEngine engine;
    std::vector<std::string> order;
    Recorder a, b, c;
    Camera* savedCamera = nullptr;
};
}  // namespace

TEST_F(ProcessListTest, LastAddedIsUpdatedFirstAndFrameTimeIsClamped) {
    const uint32_t frames = g_uFrameCount;
    const float total = g_fTotalTime;
    engine.Update(0.25f);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_FLOAT_EQ(a.lastDt, 0.1f);
    EXPECT_FLOAT_EQ(c.lastDt, 0.1f);
    EXPECT_EQ(g_uFrameCount, frames + 1);
    EXPECT_FLOAT_EQ(g_fTotalTime - total, 0.25f);

    engine.Update(0.1f);
    EXPECT_FLOAT_EQ(a.lastDt, 0.1f);
    engine.Update(0.0999f);
    EXPECT_FLOAT_EQ(a.lastDt, 0.0999f);
}

TEST_F(ProcessListTest, CameraMovesWithTheClampedTime) {
    Camera camera;
    camera.SetPosition(1.0f, 2.0f, 3.0f);
    g_pCurrentCamera = &camera;
    engine.UpdateObjects(5.0f);  // the camera has no velocity: it only must be reached safely
    EXPECT_EQ(camera.GetPosition()->z, 3.0f);
    EXPECT_EQ(order.size(), 3u);
}

TEST_F(ProcessListTest, FrozenProcessIsSkippedButStaysListed) {
    b.SetFrozen(true);
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "A"}));
    EXPECT_EQ(Listed(engine), (std::vector<Process*>{&c, &b, &a}));
    b.SetFrozen(false);
    order.clear();
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "B", "A"}));
}

TEST_F(ProcessListTest, SelfRemovalEndsThatFramesWalk) {
    b.onUpdate = [&] { engine.RemoveProcess(&b); };
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "B"}));
    order.clear();
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "A"}));
    EXPECT_EQ(a.GetPrev(), &c);
}

TEST_F(ProcessListTest, AddedDuringTheWalkWaitsForTheNextFrame) {
    Recorder d("D", &order);
    b.onUpdate = [&] {
        engine.AddProcess(&d);
        b.onUpdate = nullptr;
    };
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "B", "A"}));
    order.clear();
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"D", "C", "B", "A"}));
    engine.RemoveProcess(&d);
}

TEST_F(ProcessListTest, RemovingAnotherFromBehindTakesItOutOfThisWalk) {
    c.onUpdate = [&] { engine.RemoveProcess(&a); };
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "B"}));
    EXPECT_EQ(a.GetNext(), nullptr);
    EXPECT_EQ(a.GetPrev(), nullptr);
}

TEST_F(ProcessListTest, RemovalOfHeadMiddleAndStrangers) {
    Recorder stranger("S", nullptr);
    engine.RemoveProcess(&stranger);
    EXPECT_EQ(Listed(engine), (std::vector<Process*>{&c, &b, &a}));

    engine.RemoveProcess(&c);
    EXPECT_EQ(Listed(engine), (std::vector<Process*>{&b, &a}));
    EXPECT_EQ(c.GetNext(), nullptr);
    EXPECT_EQ(b.GetPrev(), nullptr);

    engine.RemoveProcess(&a);
    EXPECT_EQ(Listed(engine), (std::vector<Process*>{&b}));
    EXPECT_EQ(b.GetNext(), nullptr);

    engine.RemoveProcess(&b);
    EXPECT_EQ(engine.GetProcessList(), nullptr);
    engine.RemoveProcess(&b);  // empty list: nothing
    engine.AddProcess(&a);
    EXPECT_EQ(Listed(engine), (std::vector<Process*>{&a}));
}

TEST_F(ProcessListTest, AddingAListedProcessAgainKeepsTheListIntact) {
    engine.AddProcess(&b);  // in the middle
    engine.AddProcess(&c);  // the head
    EXPECT_EQ(Listed(engine), (std::vector<Process*>{&c, &b, &a}));
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "B", "A"}));
}

TEST(GameEngineLifecycle, ShutdownBeforeInitDoesNothing) {
    GameEngine engine;
    Recorder game("game", nullptr);
    engine.SetGame(&game);
    EXPECT_EQ(engine.Shutdown(), 0);
    EXPECT_EQ(game.shutdowns, 0);
    EXPECT_FALSE(engine.IsInitialised());
}

TEST(GameEngineLifecycle, InitAndShutdownRunOnceInOrderWithBanners) {
    quil_automation::SetHeadless(true);
    GameEngine engine;
    Recorder game("game", nullptr);
    engine.SetGame(&game);
    engine.SetStartFlags(GAMEENGINE_NOSOUND);
    Camera* saved = g_pCurrentCamera;

    ASSERT_EQ(engine.Init(), 0);
    EXPECT_TRUE(engine.IsInitialised());
    EXPECT_EQ(game.inits, 1);
    EXPECT_EQ(g_pCurrentCamera, engine.GetCamera());
    const std::string hyphens33(33, '-');
    const std::string started = ReadLog();
    EXPECT_EQ(started.rfind("Starting Debug Session\n\n" + hyphens33 + "\nInitialising Velmarune GameEngine\n" +
                                hyphens33 + "\nInitialising Memory controller\nInitialising Renderer\n",
                            0),
              0u)
        << started;
    EXPECT_EQ(started.find("Sound System"), std::string::npos);

    ASSERT_EQ(engine.Shutdown(), 0);
    EXPECT_EQ(engine.Shutdown(), 0);  // the close arriving twice
    EXPECT_EQ(game.shutdowns, 1);
    EXPECT_FALSE(engine.IsInitialised());
    const std::string hyphens31(31, '-');
    const std::string ended = ReadLog();
    EXPECT_EQ(Count(ended, "Destroying Velmarune GameEngine"), 1u);
    const std::string tail = "Destroying Renderer\nDestroying Memory controller\n" + hyphens31 +
                             "\nDestroying Velmarune GameEngine\n" + hyphens31 + "\n";
    ASSERT_GE(ended.size(), tail.size());
    EXPECT_EQ(ended.substr(ended.size() - tail.size()), tail) << ended;
    EXPECT_EQ(ended.find("Sound System"), std::string::npos);
    g_pCurrentCamera = saved;
}

TEST(GameEngineLifecycle, AudioStartsAfterTheRendererAndStopsBeforeIt) {
    quil_automation::SetHeadless(true);
    GameEngine engine;
    Camera* saved = g_pCurrentCamera;
    ASSERT_EQ(engine.Init(), 0);
    ASSERT_EQ(engine.Shutdown(), 0);
    const std::string log = ReadLog();
    const size_t rendererUp = log.find("Initialising Renderer");
    const size_t soundUp = log.find("Initialising Sound System");
    const size_t soundDown = log.find("Destroying Sound System");
    const size_t rendererDown = log.find("Destroying Renderer");
    ASSERT_NE(soundUp, std::string::npos) << log;
    ASSERT_NE(soundDown, std::string::npos) << log;
    EXPECT_LT(rendererUp, soundUp);
    EXPECT_LT(soundDown, rendererDown);
    g_pCurrentCamera = saved;
}
