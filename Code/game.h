// The game's top-level process.
#pragma once
#include "process.h"

class Game : public Process {
public:
    void Init() override;
    void Shutdown() override;
    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;
};

Game* GetGame();
