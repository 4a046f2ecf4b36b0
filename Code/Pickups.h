// The present and the star on the tree: the part the level world uses so far.
#pragma once
#include <cstdint>
#include "quilmath.h"

// Pickup types, indexing the slots.
constexpr uint32_t PICKUP_PRESENT = 0;
constexpr uint32_t PICKUP_STAR = 3;
constexpr uint32_t PICKUP_SLOT_COUNT = 4;

// One pickup: flags bit 0 active, and its position.
struct PickupSlot {
    uint32_t flags;
    float x, y, z;
};

class Pickups {
public:
    Pickups();

    // Makes slot type active at position; the star is lifted to y 35.
    void SetPickup(uint32_t type, const Vec3& position);
    bool IsSlotActive(uint32_t type) const;
    const PickupSlot* GetSlot(uint32_t type) const;

private:
    PickupSlot m_slot[PICKUP_SLOT_COUNT];
};

// The game's pickups.
Pickups* GetPickups();
