// The engine's process list and its frame walk (start-up and shut-down are the shell stories').
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>
#include "gameengine.h"

namespace {
// Records each update (name and dt) and can run an action in it.
class Recorder : public Process {
public:
    Recorder(std::string name, std::vector<std::string>* order) : m_name(std::move(name)), m_order(order) {}
    void Init() override {}
    void Shutdown() override {}
    void Update(float dt) override {
        if (m_order) m_order->push_back(m_name);
        lastDt = dt;
        if (onUpdate) onUpdate();
    }
    void Activate() override {}
    void Deactivate() override {}
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

class ProcessListTest : public ::testing::Test {
protected:
    ProcessListTest() : a("A", &order), b("B", &order), c("C", &order) {}
    void SetUp() override {
        engine.AddProcess(&a);
        engine.AddProcess(&b);
        engine.AddProcess(&c);
        g_pCurrentCamera = nullptr;
    }
    GameEngine engine;
    std::vector<std::string> order;
    Recorder a, b, c;
};
}  // namespace

TEST_F(ProcessListTest, LastAddedIsUpdatedFirstFrameTimeIsClampedFrozenAreSkipped) {
    const uint32_t frames = g_uFrameCount;
    const float total = g_fTotalTime;
    engine.Update(0.25f);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_FLOAT_EQ(a.lastDt, 0.1f);
    EXPECT_EQ(g_uFrameCount, frames + 1);
    EXPECT_FLOAT_EQ(g_fTotalTime - total, 0.25f);  // the total keeps the real time
    engine.Update(0.0999f);
    EXPECT_FLOAT_EQ(a.lastDt, 0.0999f);

    b.SetFrozen(true);  // skipped, but stays listed
    order.clear();
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "A"}));
    EXPECT_EQ(Listed(engine), (std::vector<Process*>{&c, &b, &a}));
}

// Changes to the list made by a process during the walk.
TEST_F(ProcessListTest, ChangesDuringTheWalk) {
    b.onUpdate = [&] { engine.RemoveProcess(&b); };  // self-removal ends this frame's walk
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "B"}));
    order.clear();
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "A"}));
    EXPECT_EQ(a.GetPrev(), &c);

    Recorder d("D", &order);
    c.onUpdate = [&] {  // added during the walk: waits for the next frame
        engine.AddProcess(&d);
        c.onUpdate = nullptr;
    };
    order.clear();
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "A"}));
    order.clear();
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"D", "C", "A"}));

    d.onUpdate = [&] { engine.RemoveProcess(&a); };  // one further on leaves this walk
    order.clear();
    engine.UpdateObjects(0.05f);
    EXPECT_EQ(order, (std::vector<std::string>{"D", "C"}));
    EXPECT_EQ(a.GetNext(), nullptr);
    EXPECT_EQ(a.GetPrev(), nullptr);
    engine.RemoveProcess(&d);
}

// Removing strangers or from an empty list, and adding a listed process again.
TEST_F(ProcessListTest, RemovalAndRepeatedAddingKeepTheListIntact) {
    Recorder stranger("S", nullptr);
    engine.RemoveProcess(&stranger);
    engine.AddProcess(&b);  // in the middle
    engine.AddProcess(&c);  // the head
    EXPECT_EQ(Listed(engine), (std::vector<Process*>{&c, &b, &a}));

    engine.RemoveProcess(&c);
    EXPECT_EQ(Listed(engine), (std::vector<Process*>{&b, &a}));
    EXPECT_EQ(c.GetNext(), nullptr);
    EXPECT_EQ(b.GetPrev(), nullptr);
    engine.RemoveProcess(&a);  // the tail: the walk case checks its links
    engine.RemoveProcess(&b);
    engine.RemoveProcess(&b);  // empty list: nothing
    EXPECT_EQ(engine.GetProcessList(), nullptr);
    engine.AddProcess(&a);
    EXPECT_EQ(Listed(engine), (std::vector<Process*>{&a}));
}
