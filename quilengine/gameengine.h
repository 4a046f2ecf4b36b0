// The engine's spine: start-up and shut-down of the services, the list of
// processes updated every frame, frame counting and running time.
#pragma once
#include <cstdint>
#include "windows.h"
#include "camera.h"
#include "process.h"

// Start flags given to GameEngine::Run.
#define GAMEENGINE_NOSOUND 0x1u     // neither sound nor music is started
#define GAMEENGINE_SHOWSTATS 0x2u   // the renderer draws its statistics text

class GameEngine {
public:
    GameEngine();

    // The program entry's one call: starts the application object, which runs
    // the engine until the application closes. Returns 0.
    int Run(HINSTANCE instance, Process* game, uint32_t startFlags);
    int Init();
    int Shutdown();
    int Update(float dt);
    // Updates every listed, unfrozen process and then the current camera, with
    // dt clamped to 0.1 s.
    void UpdateObjects(float dt);

    void AddProcess(Process* p);
    void RemoveProcess(Process* p);
    void Quit();

    bool IsInitialised() const { return (m_uState & 1) != 0; }
    Process* GetProcessList() const { return m_pProcessList; }
    Camera* GetCamera() { return &m_Camera; }
    // Run sets these two; tools and tests that drive the engine without the
    // application object set them directly.
    void SetGame(Process* game) { m_pGame = game; }
    void SetStartFlags(uint32_t flags) { m_uStartFlags = flags; }

private:
    uint32_t m_uStartFlags;
    uint32_t m_uState;  // bit 0: initialised
    Process* m_pGame;
    Process* m_pProcessList;
    Camera m_Camera;
};

GameEngine* GetGameEngine();

// Frames updated since start, and the sum of all frame times (seconds, before
// the clamp): the game's clock.
extern uint32_t g_uFrameCount;
extern float g_fTotalTime;
