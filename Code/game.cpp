// The game's top-level process: for now it joins the frame loop, draws nothing
// and asks to close when the Escape action key is pressed.
#include "game.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "trap.h"

Game* GetGame() {
    static Game game;
    return &game;
}

void Game::Init() {
    DebugLog("Initialising Game\n");
    Activate();
}

void Game::Shutdown() {
    Deactivate();
    DebugLog("Destroying Game\n");
}

void Game::Update(float) {
    if (GetPCSystem()->IsActionDown(ACTION_ESCAPE)) GetGameEngine()->Quit();
}

void Game::Activate() { GetGameEngine()->AddProcess(this); }

void Game::Deactivate() { GetGameEngine()->RemoveProcess(this); }
