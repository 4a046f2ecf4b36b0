// What the heads-up display reads from the running game each frame: the
// player, the present and the star, the walkers and the goblins. The level's
// own values (map, room points, timer) are read from the Level directly.
#pragma once
#include <cstdint>

class HudSource {
public:
    virtual ~HudSource() = default;

    // The player: position on the ground plane, score, health, and whether a
    // walker has seen them long enough to count as spotted.
    virtual float GetPlayerX() = 0;
    virtual float GetPlayerZ() = 0;
    virtual uint32_t GetScore() = 0;
    virtual int32_t GetHealth() = 0;
    virtual bool IsPlayerSpotted() = 0;
    // Presents delivered in the current level.
    virtual uint32_t GetDelivered() = 0;
    // Pickup slot (0 the present, 3 the star at the tree): whether it lies in
    // the room, and where; false when it does not.
    virtual bool GetPickup(uint32_t slot, float* x, float* z) = 0;
    // Walkers in use, and walker i's position and heading (radians, 0 facing +z).
    virtual uint32_t GetWalkerCount() = 0;
    virtual bool GetWalker(uint32_t i, float* x, float* z, float* heading) = 0;
    // Live goblins, and goblin i's position.
    virtual uint32_t GetGoblinCount() = 0;
    virtual bool GetGoblin(uint32_t i, float* x, float* z) = 0;
};

// The source that reads the game's own player, pickups, walkers and goblins.
HudSource* GetGameHudSource();
