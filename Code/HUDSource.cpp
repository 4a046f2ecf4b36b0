// The HUD's view of the running game. Every call the display makes into the
// gameplay classes is here, so that a change of their interfaces touches one file.
#include "HUDSource.h"

#include "EnemyManager.h"
#include "Goblin.h"
#include "GoblinManager.h"
#include "Pickups.h"
#include "Player.h"
#include "game.h"

namespace {

// The player in play: the game's own.
Player* PlayerInPlay() { return GetGame()->GetPlayer(); }

class GameHudSource final : public HudSource {
public:
    float GetPlayerX() override { return PlayerInPlay() ? PlayerInPlay()->GetX() : 0.0f; }
    float GetPlayerZ() override { return PlayerInPlay() ? PlayerInPlay()->GetZ() : 0.0f; }
    uint32_t GetScore() override { return PlayerInPlay() ? PlayerInPlay()->GetScore() : 0; }
    int32_t GetHealth() override { return PlayerInPlay() ? (int32_t)PlayerInPlay()->GetHealth() : 0; }
    bool IsPlayerSpotted() override { return PlayerInPlay() && PlayerInPlay()->IsSpotted(); }
    uint32_t GetDelivered() override { return GetGame()->GetDelivered(); }

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

    uint32_t GetGoblinCount() override { return GetGoblinManager()->GetCount(); }
    bool GetGoblin(uint32_t i, float* x, float* z) override {
        Goblin* g = GetGoblinManager()->GetGoblin(i);
        if (!g) return false;
        *x = g->GetX();
        *z = g->GetZ();
        return true;
    }
};

}  // namespace

HudSource* GetGameHudSource() {
    static GameHudSource source;
    return &source;
}
