// The HUD's view of the running game. Every call the display makes into the
// gameplay classes is here, so that a change of their interfaces touches one file.
#include "HUDSource.h"

#include "EnemyManager.h"
#include "GoblinManager.h"
#include "Pickups.h"
#include "Player.h"

namespace {

// The player in play. The game object does not hand out its player yet; until
// it does the player's blip stays at the world origin, with score and health 0.
Player* PlayerInPlay() { return nullptr; }

class GameHudSource final : public HudSource {
public:
    float GetPlayerX() override { return PlayerInPlay() ? PlayerInPlay()->GetX() : 0.0f; }
    float GetPlayerZ() override { return PlayerInPlay() ? PlayerInPlay()->GetZ() : 0.0f; }
    // The player keeps no score or health yet.
    uint32_t GetScore() override { return 0; }
    int32_t GetHealth() override { return 0; }
    bool IsPlayerSpotted() override { return PlayerInPlay() && PlayerInPlay()->IsSpotted(); }
    // The game does not count deliveries yet.
    uint32_t GetDelivered() override { return 0; }

    bool GetPickup(uint32_t slot, float* x, float* z) override {
        Pickups* pickups = GetPickups();
        if (!pickups || !pickups->IsSlotActive(slot)) return false;
        const PickupSlot* s = pickups->GetSlot(slot);
        if (!s) return false;
        *x = s->x;
        *z = s->z;
        return true;
    }

    uint32_t GetWalkerCount() override { return GetEnemyManager()->GetCount(); }
    bool GetWalker(uint32_t i, float* x, float* z, float* heading) override {
        Enemy* e = GetEnemyManager()->GetEnemy(i);
        if (!e) return false;
        *x = e->GetX();
        *z = e->GetZ();
        *heading = e->GetHeading();
        return true;
    }

    // The goblin manager does not list its goblins yet.
    uint32_t GetGoblinCount() override { return 0; }
    bool GetGoblin(uint32_t, float*, float*) override { return false; }
};

}  // namespace

HudSource* GetGameHudSource() {
    static GameHudSource source;
    return &source;
}
