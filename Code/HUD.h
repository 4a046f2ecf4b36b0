// The heads-up display: the part the level world uses so far.
#pragma once
#include <cstdint>

class HUD {
public:
    // Drops the map so that the next draw shows the room just loaded.
    void Reset();
    uint32_t GetResetCount() const { return m_uResets; }

private:
    uint32_t m_uResets = 0;
};

// The game's HUD.
HUD* GetHUD();
