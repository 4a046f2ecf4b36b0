// The present and the star on the tree: the part the level world uses so far.
#include "Pickups.h"
#include "trap.h"

Pickups::Pickups() : m_slot{} {}

// Activates one slot at the given position.
void Pickups::SetPickup(uint32_t type, const Vec3& position) {
    if (type >= PICKUP_SLOT_COUNT) {
        TrapError("Pickups", __LINE__, "Invalid Pick up type given to SetPickup object");
        return;
    }
    PickupSlot& slot = m_slot[type];
    slot.flags |= 1u;
    slot.x = position.x;
    slot.y = (type == PICKUP_STAR) ? 35.0f : position.y;
    slot.z = position.z;
}

bool Pickups::IsSlotActive(uint32_t type) const {
    return type < PICKUP_SLOT_COUNT && (m_slot[type].flags & 1u) != 0;
}

const PickupSlot* Pickups::GetSlot(uint32_t type) const {
    return type < PICKUP_SLOT_COUNT ? &m_slot[type] : nullptr;
}

Pickups* GetPickups() {
    static Pickups pickups;
    return &pickups;
}
