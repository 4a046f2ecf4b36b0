// The engine's spine: service start-up and shut-down order, the process list
// and the per-frame walk.
#include "gameengine.h"
#include "memorycontroller.h"
#include "music.h"
#include "pcsystem.h"
#include "renderer.h"
#include "sound.h"
#include "trap.h"

uint32_t g_uFrameCount = 0;
float g_fTotalTime = 0.0f;

namespace {
const float kMaxFrameTime = 0.1f;
}

GameEngine::GameEngine() : m_uStartFlags(0), m_uState(0), m_pGame(nullptr), m_pProcessList(nullptr) {}

GameEngine* GetGameEngine() {
    static GameEngine engine;
    return &engine;
}

int GameEngine::Run(HINSTANCE instance, Process* game, uint32_t startFlags) {
    if (!instance) return 0;
    m_uStartFlags = startFlags;
    m_pGame = game;
    GetPCSystem()->Start(instance);
    return 0;
}

// Brings the services up in order; the first failure is trapped and ends it.
int GameEngine::Init() {
    DebugLog_Start();
    DebugLog("---------------------------------\n");
    DebugLog("Initialising Velmarune GameEngine\n");
    DebugLog("---------------------------------\n");
    if (MemoryController::Init() != 0) {
        Trap(__FILE__, __LINE__, "Cannot Initialise Memory System");
        return 1;
    }
    if (GetRenderer()->Init() != 0) {
        Trap(__FILE__, __LINE__, "Cannot Initialise Renderer");
        return 1;
    }
    if (!(m_uStartFlags & GAMEENGINE_NOSOUND)) {
        if (GetSoundManager()->Init() != 0) {
            Trap(__FILE__, __LINE__, "Cannot Initialise Sound Engine");
            return 1;
        }
        if (GetMusicManager()->Init() != 0) {
            Trap(__FILE__, __LINE__, "Cannot Initialise Music Engine");
            return 1;
        }
    }
    if (m_uStartFlags & GAMEENGINE_SHOWSTATS) GetRenderer()->SetFlags(1);
    m_Camera.Init();
    m_Camera.MakeCurrent();
    if (m_pGame) m_pGame->Init();
    m_uState |= 1;
    return 0;
}

// Takes the services down in the reverse order. Only an initialised engine is
// shut down: the close can arrive twice, or before start-up finished, and the
// game must not then write its files from an unloaded state.
int GameEngine::Shutdown() {
    if (!(m_uState & 1)) return 0;
    if (m_pGame) m_pGame->Shutdown();
    if (!(m_uStartFlags & GAMEENGINE_NOSOUND)) {
        if (GetMusicManager()->Shutdown() != 0) {
            Trap(__FILE__, __LINE__, "Cannot Destroy Music Engine");
            return 1;
        }
        if (GetSoundManager()->Shutdown() != 0) {
            Trap(__FILE__, __LINE__, "Cannot Destroy Sound Engine");
            return 1;
        }
    }
    if (GetRenderer()->Destroy() != 0) {
        Trap(__FILE__, __LINE__, "Cannot Destroy Renderer");
        return 1;
    }
    if (MemoryController::Destroy() != 0) {
        Trap(__FILE__, __LINE__, "Cannot Destroy Memory System");
        return 1;
    }
    m_uState &= ~1u;
    DebugLog("-------------------------------\n");
    DebugLog("Destroying Velmarune GameEngine\n");
    DebugLog("-------------------------------\n");
    return 0;
}

int GameEngine::Update(float dt) {
    ++g_uFrameCount;
    g_fTotalTime += dt;
    GetRenderer()->BeginUpdate();
    UpdateObjects(dt);
    GetRenderer()->EndUpdate();
    return 0;
}

void GameEngine::UpdateObjects(float dt) {
    if (dt > kMaxFrameTime) dt = kMaxFrameTime;
    Process* p = m_pProcessList;
    while (p) {
        if (p->TestFlags(1) == 0) p->Update(dt);
        // Read after the call: a process that removed itself ends the walk.
        p = p->GetNext();
    }
    if (g_pCurrentCamera) g_pCurrentCamera->Update(dt);
}

// Registers p at the front of the list. A process that is already listed is
// left where it is: adding it again would tie the list into a loop.
void GameEngine::AddProcess(Process* p) {
    if (!p || p == m_pProcessList || p->GetPrev()) return;
    if (m_pProcessList) {
        p->SetNext(m_pProcessList);
        m_pProcessList->SetPrev(p);
        m_pProcessList = p;
    } else {
        m_pProcessList = p;
        p->SetNext(nullptr);
        p->SetPrev(nullptr);
    }
}

// Unregisters p; nothing happens when it is not listed.
void GameEngine::RemoveProcess(Process* p) {
    if (!p || !m_pProcessList) return;
    if (p == m_pProcessList) {
        m_pProcessList = p->GetNext();
        if (m_pProcessList) m_pProcessList->SetPrev(nullptr);
        p->SetNext(nullptr);
        p->SetPrev(nullptr);
        return;
    }
    Process* q = m_pProcessList;
    while (q && q != p) q = q->GetNext();
    if (!q) return;
    Process* a = p->GetPrev();
    Process* b = p->GetNext();
    a->SetNext(b);
    if (b) b->SetPrev(a);
    p->SetNext(nullptr);
    p->SetPrev(nullptr);
}

void GameEngine::Quit() { GetPCSystem()->RequestQuit(); }
